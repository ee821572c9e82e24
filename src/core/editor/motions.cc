#include "editor/motions.hh"

#include "app/line_geometry.hh"

namespace quilmar {

CharPos LineStartOf(const TextModel& txtMain, CharPos pos) {
  // The line holding a position always exists.
  return LineIndex(txtMain, LineFromChar(txtMain, pos)).value();
}

// The length is asked of the position itself, not of the line's start: both name the same
// laid-out line, and this is the question the control answers directly.
CharPos LineEndOf(const TextModel& txtMain, CharPos pos) {
  return LineStartOf(txtMain, pos) + LineLength(txtMain, pos);
}

void MoveToLineStart(TextModel& txtMain, CharPos pos) { txtMain.SetSelStart(LineStartOf(txtMain, pos)); }

void MoveToLineEnd(TextModel& txtMain, CharPos pos) { txtMain.SetSelStart(LineEndOf(txtMain, pos)); }

void SelectLine(TextModel& txtMain) {
  const CharPos caret = txtMain.SelStart();
  const CharPos start = LineStartOf(txtMain, caret);
  const CharPos length = LineLength(txtMain, caret);
  txtMain.SetSelStart(start);  // drops the old selection first
  txtMain.SetSelLength(length);
}

}  // namespace quilmar
