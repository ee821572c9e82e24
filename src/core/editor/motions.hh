#pragma once
// Caret motions on the laid-out line that holds a position.
#include "text/text_model.hh"

namespace quilmar {

// Where the motions land, computed without touching the caret. Every position lies on some
// line (an empty document has one empty line), so these always have an answer.
CharPos LineStartOf(const TextModel& txtMain, CharPos pos);
CharPos LineEndOf(const TextModel& txtMain, CharPos pos);  // before the line break, if any

void MoveToLineStart(TextModel& txtMain, CharPos pos);
void MoveToLineEnd(TextModel& txtMain, CharPos pos);
// Selects the line that holds SelStart, without its line break.
void SelectLine(TextModel& txtMain);

}  // namespace quilmar
