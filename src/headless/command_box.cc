#include "command_box.hh"

#include <algorithm>

namespace quilmar::headless {

String CommandBox::Printable(const String& text) {
  String out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  return out;
}

void CommandBox::SetText(const String& text) {
  text_ = Printable(text);
  caret_ = Size();  // as a one-line box does: the caret after the assigned text
}

void CommandBox::SetSelStart(std::int32_t pos) {
  caret_ = std::clamp(pos, 0, Size());
  if (caret_ > 0 && caret_ < Size() && IsLowSurrogate(text_[caret_]) &&
      IsHighSurrogate(text_[caret_ - 1]))
    ++caret_;
}

void CommandBox::SetSelText(const String& text) {
  const String inserted = Printable(text);
  text_.insert(static_cast<std::size_t>(caret_), inserted);
  caret_ += static_cast<std::int32_t>(inserted.size());
}

std::int32_t CommandBox::StepBack(std::int32_t pos) const {
  if (pos <= 0) return 0;
  --pos;
  if (pos > 0 && IsLowSurrogate(text_[pos]) && IsHighSurrogate(text_[pos - 1])) --pos;
  return pos;
}

std::int32_t CommandBox::StepForward(std::int32_t pos) const {
  if (pos >= Size()) return Size();
  ++pos;
  if (pos < Size() && IsLowSurrogate(text_[pos]) && IsHighSurrogate(text_[pos - 1])) ++pos;
  return pos;
}

void CommandBox::ApplyKey(const KeyEvent& key) {
  switch (key.code) {
    case key::Back: {
      const std::int32_t from = StepBack(caret_);
      text_.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(caret_ - from));
      caret_ = from;
      return;
    }
    case key::Delete: {
      const std::int32_t to = StepForward(caret_);
      text_.erase(static_cast<std::size_t>(caret_), static_cast<std::size_t>(to - caret_));
      return;
    }
    case key::Left: caret_ = StepBack(caret_); return;
    case key::Right: caret_ = StepForward(caret_); return;
    case key::Home: caret_ = 0; return;
    case key::End: caret_ = Size(); return;
    default: break;
  }
  // Any other key types its text, if it has any (Ctrl and Alt combinations have none).
  if (!key.text.empty()) SetSelText(key.text);
}

}  // namespace quilmar::headless
