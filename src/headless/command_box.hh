#pragma once
// The command box without a window: a one-line edit that does with a key what a one-line
// text box does (typing, Backspace, Delete, Left, Right, Home, End). It keeps no selection:
// SetSelStart places the caret and SetSelText inserts there.
#include "platform/ui_ports.hh"

namespace quilmar::headless {

class CommandBox final : public CommandBoxPort {
 public:
  String Text() const override { return text_; }
  void SetText(const String& text) override;
  std::int32_t SelStart() const override { return caret_; }
  void SetSelStart(std::int32_t pos) override;
  String SelText() const override { return String(); }
  void SetSelText(const String& text) override;
  void ApplyKey(const KeyEvent& key) override;

 private:
  // Text as a one-line box takes it: line breaks and other control characters are dropped.
  static String Printable(const String& text);
  std::int32_t Size() const { return static_cast<std::int32_t>(text_.size()); }
  std::int32_t StepBack(std::int32_t pos) const;     // one character, a surrogate pair whole
  std::int32_t StepForward(std::int32_t pos) const;

  String text_;
  std::int32_t caret_ = 0;
};

}  // namespace quilmar::headless
