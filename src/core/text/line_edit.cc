#include "text/line_edit.hh"

#include <algorithm>
#include <utility>

#include "text/grapheme.hh"
#include "text/text_keys.hh"
#include "text/word_motion.hh"

namespace quilmar {

namespace {

// The box's own keys beside the shared ones: Shift+Delete cuts, Shift+Insert pastes,
// Ctrl+Insert copies and Ctrl+Shift+Z redoes, as in one-line boxes; Delete takes no Shift.
constexpr KeyBinding kBoxKeys[] = {
    {key::Delete, false, ShiftUse::Refused, TextAction::Delete},
    {key::Delete, false, ShiftUse::Required, TextAction::Cut},
    {key::Delete, true, ShiftUse::Refused, TextAction::WordDelete},
    {key::Insert, false, ShiftUse::Required, TextAction::Paste},
    {key::Insert, true, ShiftUse::Refused, TextAction::Copy},
    {key::Z, true, ShiftUse::Required, TextAction::Redo},
};

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
  undo_.Clear();
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
  undo_.CloseStep();
  if (anchor == anchor_ && caret == caret_) return;
  anchor_ = anchor;
  caret_ = caret;
  Notify();
}

// Typed characters merge into one step of history by the document's rule (UndoStack); the
// box's deletions are recorded as other edits, each a step of its own.
void LineEdit::Replace(std::int32_t from, std::int32_t to, StringView text, EditKind kind) {
  if (from == to && text.empty()) return;
  EditRecord edit;
  edit.pos = from;
  edit.removed = SharedText(StringView(text_).substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)));
  edit.inserted = SharedText(text);
  edit.anchorBefore = anchor_;
  edit.caretBefore = caret_;
  text_.replace(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from), text);
  anchor_ = caret_ = from + static_cast<std::int32_t>(text.size());
  edit.anchorAfter = edit.caretAfter = caret_;
  undo_.Record(std::move(edit), kind);
  Notify();
}

// Applies a step of history backwards (undo) or forwards (redo).
void LineEdit::Replay(const std::vector<EditRecord>* edits, bool backwards) {
  if (!edits) return;
  auto apply = [&](const EditRecord& e, const SharedText& out, const SharedText& in) {
    text_.replace(static_cast<std::size_t>(e.pos.value()), out.size(), in.ToString());
  };
  if (backwards) {
    for (auto it = edits->rbegin(); it != edits->rend(); ++it) apply(*it, it->inserted, it->removed);
    anchor_ = static_cast<std::int32_t>(edits->front().anchorBefore.value());
    caret_ = static_cast<std::int32_t>(edits->front().caretBefore.value());
  } else {
    for (const EditRecord& e : *edits) apply(e, e.removed, e.inserted);
    anchor_ = static_cast<std::int32_t>(edits->back().anchorAfter.value());
    caret_ = static_cast<std::int32_t>(edits->back().caretAfter.value());
  }
  Notify();
}

void LineEdit::Undo() { Replay(undo_.TakeUndo(), true); }
void LineEdit::Redo() { Replay(undo_.TakeRedo(), false); }

void LineEdit::Notify() const {
  if (observer_) observer_->LineEditChanged();
}

void LineEdit::KeyDown(const KeyEvent& key) {
  const std::optional<TextCommand> command = FindTextKey(kBoxKeys, key);
  if (!command) {
    // Any other key types its text, if it has any (Ctrl and Alt combinations have none).
    if ((key.shift & (shift::Ctrl | shift::Alt)) == 0) {
      const String typed = Printable(key.text);
      if (!typed.empty()) Replace(SelStart(), SelStart() + SelLength(), typed, EditKind::Typing);
    }
    return;
  }
  const bool extend = command->extend;
  const std::int32_t start = SelStart();
  const std::int32_t end = start + SelLength();
  const bool selection = end > start;
  auto moveTo = [&](std::int32_t target) { Move(extend ? anchor_ : target, target); };
  auto remove = [&](std::int32_t from, std::int32_t to) { Replace(from, to, {}, EditKind::Other); };
  auto wordLeft = [&] { return PrevWordStart(text_, caret_).value_or(0); };
  auto wordRight = [&] { return NextWordStart(text_, caret_).value_or(Size()); };

  switch (command->action) {
    case TextAction::CharLeft: return moveTo(selection && !extend ? start : StepBack(text_, caret_));
    case TextAction::CharRight: return moveTo(selection && !extend ? end : StepForward(text_, caret_));
    case TextAction::WordLeft: return moveTo(wordLeft());
    case TextAction::WordRight: return moveTo(wordRight());
    case TextAction::LineHome: return moveTo(0);
    case TextAction::LineEnd: return moveTo(Size());
    case TextAction::Backspace: return selection ? remove(start, end) : remove(StepBack(text_, caret_), caret_);
    case TextAction::Delete: return selection ? remove(start, end) : remove(caret_, StepForward(text_, caret_));
    case TextAction::WordBackspace: return selection ? remove(start, end) : remove(wordLeft(), caret_);
    case TextAction::WordDelete: return selection ? remove(start, end) : remove(caret_, wordRight());
    case TextAction::SelectAll: return Move(0, Size());
    case TextAction::Copy:
      if (selection && clipboardSet_) clipboardSet_(SelText());
      return;
    case TextAction::Cut:
      if (!selection) return;
      if (clipboardSet_) clipboardSet_(SelText());
      return remove(start, end);
    case TextAction::Paste:
      if (clipboardGet_) Replace(start, end, Printable(clipboardGet_()), EditKind::Other);
      return;
    case TextAction::Undo: return Undo();
    case TextAction::Redo: return Redo();
    default: return;  // the document's own actions: the box has no rows for them
  }
}

}  // namespace quilmar
