#pragma once
// The command box as an assistive technology reads it (text_accessible.hh): its one line of
// text, caret and selection, editable like the box itself.

namespace quilmar {

class CommandBoxView;

// Makes QAccessible answer for the box with its text interface; the box calls it once built.
void MakeAccessible(CommandBoxView* box);

}  // namespace quilmar
