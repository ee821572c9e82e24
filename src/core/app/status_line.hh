#pragma once
// The status bar as the editor writes it: every component writes its panels through here to the
// front end's bar, and the position panel follows the caret once per event, however often the
// caret moved, and after a relayout that moved the caret to another laid-out line.
#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

class StatusLine final : public StatusBarPort {
 public:
  StatusLine(const TextModel& document, StatusBarPort& bar);

  // A handler that writes the position panel itself (File Close empties it) has the last word
  // over a caret move made earlier in the same event, as it would if each move wrote at once.
  void SetPanelText(int panel, const String& text) override;

  void CaretMoved() { caretMoved_ = true; }
  void LayoutMoved() { layoutMoved_ = true; }
  // Writes the position panel if the caret moved since it was last written, or a relayout
  // moved its line or column.
  void FlushPosition();

 private:
  String PositionText() const;

  const TextModel& document_;
  StatusBarPort& bar_;
  bool caretMoved_ = false;
  bool layoutMoved_ = false;  // a relayout may have moved the caret's line or column
  bool flushing_ = false;
  String caretShown_;  // where the caret was when the panel was last written (or at start)
};

}  // namespace quilmar
