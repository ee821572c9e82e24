#pragma once
// Caret motions on the laid-out line that holds a position.
#include "text/text_model.hh"

namespace quilmar {

void MoveToLineStart(TextModel& txtMain, CharPos pos);
void MoveToLineEnd(TextModel& txtMain, CharPos pos);
void SelectLine(TextModel& txtMain);

}  // namespace quilmar
