#include "text/line_edit.hh"

#include <algorithm>
#include <utility>

#include "text/grapheme.hh"
#include "text/word_motion.hh"

namespace quilmar {

namespace {

enum class BoxAction {
  CharLeft, CharRight, WordLeft, WordRight, Home, End,
  Backspace, Delete, WordBackspace, WordDelete,
  SelectAll, Copy, Cut, Paste, Undo, Redo,
};

// Which modifiers a row answers to. Moves take Shift as "extend the selection".
enum class Mods { None, Shift, Ctrl, CtrlShift, ShiftExtends, CtrlShiftExtends };

// One key of the box: its code, the modifiers, and what it does.
struct BoxBinding {
  KeyCode code;
  Mods mods;
  BoxAction action;
};

constexpr BoxBinding kBindings[] = {
    {key::Left, Mods::ShiftExtends, BoxAction::CharLeft},
    {key::Right, Mods::ShiftExtends, BoxAction::CharRight},
    {key::Left, Mods::CtrlShiftExtends, BoxAction::WordLeft},
    {key::Right, Mods::CtrlShiftExtends, BoxAction::WordRight},
    {key::Home, Mods::ShiftExtends, BoxAction::Home},
    {key::End, Mods::ShiftExtends, BoxAction::End},
    {key::Back, Mods::None, BoxAction::Backspace},
    {key::Back, Mods::Shift, BoxAction::Backspace},
    {key::Back, Mods::Ctrl, BoxAction::WordBackspace},
    {key::Delete, Mods::None, BoxAction::Delete},
    {key::Delete, Mods::Shift, BoxAction::Cut},
    {key::Delete, Mods::Ctrl, BoxAction::WordDelete},
    {key::Insert, Mods::Shift, BoxAction::Paste},
    {key::Insert, Mods::Ctrl, BoxAction::Copy},
    {key::A, Mods::Ctrl, BoxAction::SelectAll},
    {key::C, Mods::Ctrl, BoxAction::Copy},
    {key::X, Mods::Ctrl, BoxAction::Cut},
    {key::V, Mods::Ctrl, BoxAction::Paste},
    {key::Z, Mods::Ctrl, BoxAction::Undo},
    {key::Z, Mods::CtrlShift, BoxAction::Redo},
    {key::Y, Mods::Ctrl, BoxAction::Redo},
};

// Whether a row fits the modifiers held, and whether Shift then extends the selection.
bool Fits(Mods mods, ShiftState shift, bool& extend) {
  if ((shift & shift::Alt) != 0) return false;
  const bool ctrl = (shift & shift::Ctrl) != 0;
  const bool shifted = (shift & shift::Shift) != 0;
  extend = false;
  switch (mods) {
    case Mods::None: return !ctrl && !shifted;
    case Mods::Shift: return !ctrl && shifted;
    case Mods::Ctrl: return ctrl && !shifted;
    case Mods::CtrlShift: return ctrl && shifted;
    case Mods::ShiftExtends: extend = shifted; return !ctrl;
    case Mods::CtrlShiftExtends: extend = shifted; return ctrl;
  }
  return false;
}

// A one-line box holds no line breaks or other control characters.
String Printable(StringView text) {
  String out;
  out.reserve(text.size());
  for (char16_t c : text)
    if (c >= 0x20 && c != 0x7F) out.push_back(c);
  return out;
}

// Character steps go by grapheme cluster, as in the document: a letter with its accents, an
// emoji sequence or a flag is one step and one deletion.
std::int32_t StepBack(const String& text, std::int32_t pos) { return pos <= 0 ? 0 : PrevClusterBoundary(text, pos); }

std::int32_t StepForward(const String& text, std::int32_t pos) {
  const auto size = static_cast<std::int32_t>(text.size());
  return pos >= size ? size : NextClusterBoundary(text, pos);
}

// A position clamped to the text and moved off the middle of a cluster.
std::int32_t Snap(const String& text, std::int32_t pos) {
  pos = std::clamp(pos, 0, static_cast<std::int32_t>(text.size()));
  return IsClusterBoundary(text, pos) ? pos : NextClusterBoundary(text, pos);
}

}  // namespace

String LineEdit::SelText() const {
  return text_.substr(static_cast<std::size_t>(SelStart()), static_cast<std::size_t>(SelLength()));
}

void LineEdit::SetText(StringView text) {
  text_ = Printable(text);
  anchor_ = caret_ = Size();
  undo_.clear();
  redo_.clear();
  typingOpen_ = false;
  Notify();
}

void LineEdit::SetSelStart(std::int32_t pos) {
  const std::int32_t p = Snap(text_, pos);
  Move(p, p);
}

void LineEdit::Select(std::int32_t anchor, std::int32_t caret) { Move(Snap(text_, anchor), Snap(text_, caret)); }

void LineEdit::SetSelText(StringView text) { Replace(SelStart(), SelStart() + SelLength(), Printable(text), EditKind::Other); }

void LineEdit::SetClipboard(std::function<String()> get, std::function<void(const String&)> set) {
  clipboardGet_ = std::move(get);
  clipboardSet_ = std::move(set);
}

void LineEdit::Move(std::int32_t anchor, std::int32_t caret) {
  typingOpen_ = false;
  if (anchor == anchor_ && caret == caret_) return;
  anchor_ = anchor;
  caret_ = caret;
  Notify();
}

// Every edit is one step of history, except that characters typed one after another at the
// caret undo together, as in any text box.
void LineEdit::Replace(std::int32_t from, std::int32_t to, StringView text, EditKind kind) {
  if (from == to && text.empty()) return;
  const bool joins = kind == EditKind::Typing && typingOpen_ && from == to && from == caret_;
  if (!joins) undo_.push_back(State{text_, anchor_, caret_});
  redo_.clear();
  text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), text);
  anchor_ = caret_ = from + static_cast<std::int32_t>(text.size());
  typingOpen_ = kind == EditKind::Typing;
  Notify();
}

void LineEdit::Restore(std::vector<State>& from, std::vector<State>& to) {
  if (from.empty()) return;
  to.push_back(State{text_, anchor_, caret_});
  State state = std::move(from.back());
  from.pop_back();
  text_ = std::move(state.text);
  anchor_ = state.anchor;
  caret_ = state.caret;
  typingOpen_ = false;
  Notify();
}

void LineEdit::Undo() { Restore(undo_, redo_); }
void LineEdit::Redo() { Restore(redo_, undo_); }

void LineEdit::Notify() const {
  if (observer_) observer_->LineEditChanged();
}

void LineEdit::KeyDown(const KeyEvent& key) {
  bool extend = false;
  const BoxBinding* row = nullptr;
  for (const BoxBinding& b : kBindings) {
    if (b.code == key.code && Fits(b.mods, key.shift, extend)) {
      row = &b;
      break;
    }
  }
  if (!row) {
    // Any other key types its text, if it has any (Ctrl and Alt combinations have none).
    if ((key.shift & (shift::Ctrl | shift::Alt)) == 0) {
      const String typed = Printable(key.text);
      if (!typed.empty()) Replace(SelStart(), SelStart() + SelLength(), typed, EditKind::Typing);
    }
    return;
  }
  const std::int32_t start = SelStart();
  const std::int32_t end = start + SelLength();
  const bool selection = end > start;
  auto moveTo = [&](std::int32_t target) { Move(extend ? anchor_ : target, target); };
  auto remove = [&](std::int32_t from, std::int32_t to) { Replace(from, to, {}, EditKind::Other); };
  auto wordLeft = [&] { return PrevWordStart(text_, caret_).value_or(0); };
  auto wordRight = [&] { return NextWordStart(text_, caret_).value_or(Size()); };

  switch (row->action) {
    case BoxAction::CharLeft: return moveTo(selection && !extend ? start : StepBack(text_, caret_));
    case BoxAction::CharRight: return moveTo(selection && !extend ? end : StepForward(text_, caret_));
    case BoxAction::WordLeft: return moveTo(wordLeft());
    case BoxAction::WordRight: return moveTo(wordRight());
    case BoxAction::Home: return moveTo(0);
    case BoxAction::End: return moveTo(Size());
    case BoxAction::Backspace: return selection ? remove(start, end) : remove(StepBack(text_, caret_), caret_);
    case BoxAction::Delete: return selection ? remove(start, end) : remove(caret_, StepForward(text_, caret_));
    case BoxAction::WordBackspace: return selection ? remove(start, end) : remove(wordLeft(), caret_);
    case BoxAction::WordDelete: return selection ? remove(start, end) : remove(caret_, wordRight());
    case BoxAction::SelectAll: return Move(0, Size());
    case BoxAction::Copy:
      if (selection && clipboardSet_) clipboardSet_(SelText());
      return;
    case BoxAction::Cut:
      if (!selection) return;
      if (clipboardSet_) clipboardSet_(SelText());
      return remove(start, end);
    case BoxAction::Paste:
      if (clipboardGet_) Replace(start, end, Printable(clipboardGet_()), EditKind::Other);
      return;
    case BoxAction::Undo: return Undo();
    case BoxAction::Redo: return Redo();
  }
}

}  // namespace quilmar
