#include "text/text_model.hh"

#include <algorithm>
#include <utility>

#include "text/find.hh"
#include "text/text_model_ops.hh"

namespace quilmar {

TextModel::TextModel(Measure& measure) : impl_(std::make_unique<Impl>(*this, measure)) {}

TextModel::~TextModel() = default;

Measure& TextModel::GetMeasure() const { return impl_->measure; }

void TextModel::AddObserver(ModelObserver* observer) const { impl_->observers.push_back(observer); }

void TextModel::RemoveObserver(ModelObserver* observer) const { std::erase(impl_->observers, observer); }

// ---- Content ----------------------------------------------------------------------------

String TextModel::Text() const { return impl_->doc.Text(); }

void TextModel::SetText(StringView text) {
  // Like a load, an assignment of the whole text starts a new history: keeping the old text
  // for undo would double the memory of a big document.
  const CharPos removed = impl_->doc.Length();
  if (!TextModelOps::ReplaceAll(*this, String(text))) return;  // a line too long: nothing changes
  impl_->anchor = impl_->caret = 0;
  TextModelOps::NotifyReplaced(*this, TextCause::Edit, removed);
  TextModelOps::NotifyText(*this);
  TextModelOps::NotifySelection(*this);
}

bool TextModel::LoadText(String text, BreakRuns forms) {
  text = NormalizeBreaks(std::move(text));
  return LoadText(SharedText(std::move(text)), std::move(forms));
}

bool TextModel::LoadText(SharedText text, BreakRuns forms) {
  if (std::int64_t(text.size()) > Document::kMaxLength) {
    const bool cutsBreak = text.View()[static_cast<std::size_t>(Document::kMaxLength) - 1] == u'\r';
    text = text.Sub(0, static_cast<std::size_t>(Document::kMaxLength) - (cutsBreak ? 1 : 0));
  }
  const CharPos removed = impl_->doc.Length();
  if (!TextModelOps::ReplaceAll(*this, std::move(text), std::move(forms))) return false;
  impl_->anchor = impl_->caret = 0;
  TextModelOps::NotifyReplaced(*this, TextCause::Load, removed);
  TextModelOps::NotifyText(*this, TextCause::Load);
  // A new text puts the caret at its start even when it stood there before: the position
  // display shows where the user now is in the loaded file.
  TextModelOps::NotifySelection(*this);
  return true;
}

void TextModel::LoadEdits(std::span<const LoadEdit> edits) {
  Impl& m = *impl_;
  TextModelOps::EnsureLayout(m);
  const CharPos removed = m.doc.Length();
  for (const LoadEdit& e : edits) m.doc.Replace(e.start, e.removed, e.text, e.forms);
  m.layouts.clear();
  m.undo.Clear();
  m.goalX.reset();
  m.anchor = m.caret = 0;
  TextModelOps::NotifyReplaced(*this, TextCause::Load, removed);
  TextModelOps::NotifyText(*this, TextCause::Load);
  TextModelOps::NotifySelection(*this);
}

CharPos TextModel::Length() const { return impl_->doc.Length(); }

char16_t TextModel::CharAt(CharPos pos) const { return impl_->doc.CharAt(pos); }

String TextModel::Slice(CharPos start, CharPos length) const { return impl_->doc.Slice(start, length); }

SharedText TextModel::Share(CharPos start, CharPos length) const { return impl_->doc.Share(start, length); }

std::vector<UnitSpan> TextModel::Pieces() const { return impl_->doc.Pieces(); }

BreakRuns TextModel::BreakForms() const { return impl_->doc.Forms(); }

// ---- Selection --------------------------------------------------------------------------

CharPos TextModel::SelStart() const { return std::min(impl_->anchor, impl_->caret); }

CharPos TextModel::SelLength() const { return std::max(impl_->anchor, impl_->caret) - SelStart(); }

String TextModel::SelText() const { return impl_->doc.Slice(SelStart(), SelLength()); }

void TextModel::SetSelStart(CharPos pos) {
  const CharPos p = SnapForward(impl_->doc, pos);
  TextModelOps::MoveSelection(*this, p, p);
}

void TextModel::SetSelLength(CharPos length) {
  const CharPos start = SelStart();
  const CharPos end = SnapForward(impl_->doc, std::int64_t(start.value()) + std::max<CharPos>(length, 0).value());
  TextModelOps::MoveSelection(*this, start, end);
}

void TextModel::SetSelText(StringView text) {
  TextModelOps::Edit(*this, SelStart(), SelLength(), SharedText(NormalizeBreaks(String(text))), EditKind::Other);
}

void TextModel::SetSelText(SharedText text) {
  if (!HasOnlyPairedBreaks(text.View())) text = SharedText(NormalizeBreaks(text.ToString()));
  TextModelOps::Edit(*this, SelStart(), SelLength(), std::move(text), EditKind::Other);
}

CharPos TextModel::CaretPos() const { return impl_->caret; }

CharPos TextModel::AnchorPos() const { return impl_->anchor; }

void TextModel::Select(CharPos anchor, CharPos caret) {
  const Document& doc = impl_->doc;
  if (anchor < caret) {
    anchor = SnapBackward(doc, anchor);
    caret = SnapForward(doc, caret);
  } else if (caret < anchor) {
    anchor = SnapForward(doc, anchor);
    caret = SnapBackward(doc, caret);
  } else {
    anchor = caret = SnapForward(doc, caret);
  }
  TextModelOps::MoveSelection(*this, anchor, caret);
}

bool TextModel::Locked() const { return impl_->locked; }

void TextModel::SetLocked(bool locked) { impl_->locked = locked; }

// ---- Search -----------------------------------------------------------------------------

std::optional<CharPos> TextModel::Find(StringView what, CharPos start, std::optional<CharPos> end, FindOptions options) {
  const auto hit = FindText(impl_->doc, what, start, end, Has(options, FindOptions::MatchCase));
  if (hit && !Has(options, FindOptions::NoHighlight)) Select(*hit, *hit + CharPos(what.size()));
  return hit;
}

// ---- History ----------------------------------------------------------------------------

bool TextModel::CanUndo() const { return impl_->undo.CanUndo(); }

bool TextModel::CanRedo() const { return impl_->undo.CanRedo(); }

// A replay that fails leaves the text as it was (ReplayEdits takes back what it did) and the
// step where it was in the history.
void TextModelOps::ReplayStep(TextModel& t, bool undo) {
  UndoStack& history = t.impl_->undo;
  const auto* edits = undo ? history.TakeUndo() : history.TakeRedo();
  if (!edits) return;
  try {
    ReplayEdits(t, *edits, undo);
  } catch (...) {
    undo ? history.PutBackUndo() : history.PutBackRedo();
    throw;
  }
  NotifyText(t);
  NotifySelection(t);
}

void TextModel::Undo() { TextModelOps::ReplayStep(*this, true); }
void TextModel::Redo() { TextModelOps::ReplayStep(*this, false); }

void TextModel::BeginUndoGroup() { impl_->undo.BeginGroup(); }

void TextModel::EndUndoGroup() { impl_->undo.EndGroup(); }

TextModel::Checkpoint TextModel::MakeCheckpoint() const {
  Checkpoint c;
  c.mark = impl_->undo.MakeMark();
  c.anchor = impl_->anchor;
  c.caret = impl_->caret;
  return c;
}

void TextModel::RollBack(const Checkpoint& c) {
  Impl& m = *impl_;
  const std::vector<EditRecord> edits = m.undo.TakeSince(c.mark);
  if (!edits.empty()) {
    TextModelOps::ReplayEdits(*this, edits, true);
    TextModelOps::NotifyText(*this);
  }
  // The text is as it was, so the selection it had is valid in it. Set directly: a move would
  // close the step of typing that the checkpoint found open.
  m.goalX.reset();
  if (edits.empty() && m.anchor == c.anchor && m.caret == c.caret) return;
  m.anchor = c.anchor;
  m.caret = c.caret;
  TextModelOps::NotifySelection(*this);
}

}  // namespace quilmar
