#include "app/status_line.hh"

#include "app/panels.hh"

namespace quilmar {

StatusLine::StatusLine(const TextModel& document, StatusBarPort& bar)
    : document_(document), bar_(bar), caretShown_(PositionText()) {}

void StatusLine::SetPanelText(int panel, const String& text) {
  if (panel == panel::Position) {
    caretMoved_ = false;
    caretShown_ = PositionText();
  }
  bar_.SetPanelText(panel, text);
}

String StatusLine::PositionText() const {
  const CharPos caret = document_.SelStart();
  const LineNo line = document_.LineFromChar(caret);
  const CharPos column = caret - document_.LineIndex(line).value_or(0);
  return u"Ln# " + Decimal(line) + u" : Char# " + Decimal(column) + u" ";
}

// A caret move always writes the panel; a relayout only when it moved the caret's line or
// column (so a panel File Close emptied stays empty through a resize).
void StatusLine::FlushPosition() {
  if (flushing_) return;
  // A relayout left pending by the event (word wrap, a font, tab stops) is done first; when it
  // moves the caret's line it reports a caret move, which is then counted here, not flushed apart.
  flushing_ = true;
  struct Done {
    bool& flushing;
    ~Done() { flushing = false; }
  } done{flushing_};
  document_.UpdateLayout();
  if (!caretMoved_ && !layoutMoved_) return;
  const bool caretMoved = caretMoved_;
  caretMoved_ = layoutMoved_ = false;
  const String text = PositionText();
  if (!caretMoved && text == caretShown_) return;
  SetPanelText(panel::Position, text);
}

}  // namespace quilmar
