// TextModel's keys: the caret steps by cluster, word and line, and what each key does.
#include <algorithm>

#include "text/grapheme.hh"
#include "text/text_keys.hh"
#include "text/text_model_ops.hh"
#include "text/word_motion.hh"

namespace quilmar {

namespace {

// One step left or right: a cluster, or a line break, is one step.
CharPos StepLeft(const Document& doc, CharPos pos) {
  if (pos <= 0) return 0;
  const Document::Para p = doc.ParagraphAt(pos);
  const CharPos offset = pos - p.start;
  if (offset == 0) return pos - 2;  // back over the "\r\n" before
  return p.start + PrevClusterBoundary(p.text, std::min<CharPos>(offset, static_cast<std::int32_t>(p.text.size())).value());
}

CharPos StepRight(const Document& doc, CharPos pos) {
  if (pos >= doc.Length()) return doc.Length();
  const Document::Para p = doc.ParagraphAt(pos);
  const CharPos offset = pos - p.start;
  if (offset >= static_cast<CharPos>(p.text.size())) return p.start + static_cast<CharPos>(p.text.size()) + 2;
  return p.start + NextClusterBoundary(p.text, offset.value());
}

CharPos WordLeftOf(const Document& doc, CharPos pos) {
  const Document::Para p = doc.ParagraphAt(pos);
  if (auto at = PrevWordStart(p.text, (pos - p.start).value())) return SnapBackward(doc, p.start + *at);
  return p.index == 0 ? 0 : p.start - 2;  // to the end of the paragraph before
}

CharPos WordRightOf(const Document& doc, CharPos pos) {
  const Document::Para p = doc.ParagraphAt(pos);
  if (auto at = NextWordStart(p.text, (pos - p.start).value())) return SnapForward(doc, p.start + *at);
  return p.index + 1 < doc.ParagraphCount() ? p.start + CharPos(p.text.size()) + 2 : pos;
}

// End moves to the end of the caret's line; a line ended by a wrap cannot hold the caret at
// its very end (that position starts the next line), so there it stops before the last cluster.
CharPos LineEndFor(const Document& doc, CharPos caret) {
  const LineInPara l = LocateLine(doc, doc.LineOf(caret));
  if (!l.wrapped) return l.para.start + l.to;
  return l.para.start + std::max(l.from, PrevClusterBoundary(l.para.text, l.to));
}

}  // namespace

// ---- Keys -------------------------------------------------------------------------------

void TextModel::SetClipboard(std::function<String()> get, std::function<void(const String&)> set) {
  impl_->clipboardGet = std::move(get);
  impl_->clipboardSet = std::move(set);
}

void TextModel::CommitText(StringView text) {
  if (impl_->locked || text.empty()) return;
  TextModelOps::Edit(*this, SelStart(), SelLength(), SharedText(NormalizeBreaks(String(text))), EditKind::Typing);
}

void TextModel::KeyDown(const KeyEvent& key) {
  const TextCommand cmd = ParseTextKey(key);
  if (cmd.action == TextAction::None) return;
  Impl& m = *impl_;
  if (m.locked && IsEditing(cmd.action)) return;
  TextModelOps::EnsureLayout(m);
  const Document& doc = m.doc;
  const CharPos start = SelStart();
  const CharPos end = TextModelOps::SelEnd(m);
  const bool selection = end > start;

  // Moves the caret (extending the selection with Shift); without Shift a move collapses it.
  auto moveTo = [&](CharPos target, bool keepGoal = false) {
    TextModelOps::MoveSelection(*this, cmd.extend ? m.anchor : target, target, keepGoal);
  };
  auto moveLines = [&](int delta) {
    if (!m.goalX) m.goalX = TextModelOps::XOf(m, m.caret);
    const LineNo from = doc.LineOf(m.caret);
    const auto to = static_cast<LineNo>(std::clamp<std::int64_t>(std::int64_t(from.value()) + delta, 0, (doc.LineCount() - 1).value()));
    if (to == from) return;
    moveTo(TextModelOps::PosAtX(m, to, *m.goalX), true);
  };
  auto remove = [&](CharPos from, CharPos to, EditKind kind) {
    if (to > from) TextModelOps::Edit(*this, from, to - from, SharedText(), kind);
  };
  // The deletion keys take the selection when there is one, else the span they name.
  auto erase = [&](CharPos from, CharPos to, EditKind kind) {
    if (selection) remove(start, end, EditKind::Other);
    else remove(from, to, kind);
  };
  auto type = [&](StringView text) {
    TextModelOps::Edit(*this, start, end - start, SharedText(text), EditKind::Typing);
  };

  switch (cmd.action) {
    case TextAction::None:
      return;
    case TextAction::CharLeft:
      moveTo(selection && !cmd.extend ? start : StepLeft(doc, m.caret));
      return;
    case TextAction::CharRight:
      moveTo(selection && !cmd.extend ? end : StepRight(doc, m.caret));
      return;
    case TextAction::WordLeft:
      moveTo(WordLeftOf(doc, m.caret));
      return;
    case TextAction::WordRight:
      moveTo(WordRightOf(doc, m.caret));
      return;
    case TextAction::LineUp:
      moveLines(-1);
      return;
    case TextAction::LineDown:
      moveLines(1);
      return;
    case TextAction::PageUp:
      moveLines(-std::max(1, m.measure.VisibleLines()));
      return;
    case TextAction::PageDown:
      moveLines(std::max(1, m.measure.VisibleLines()));
      return;
    case TextAction::LineHome:
      moveTo(doc.LineStart(doc.LineOf(m.caret)));
      return;
    case TextAction::LineEnd:
      moveTo(LineEndFor(doc, m.caret));
      return;
    case TextAction::DocHome:
      moveTo(0);
      return;
    case TextAction::DocEnd:
      moveTo(doc.Length());
      return;
    case TextAction::Backspace:
      return erase(StepLeft(doc, m.caret), m.caret, EditKind::Backspace);
    case TextAction::Delete:
      return erase(m.caret, StepRight(doc, m.caret), EditKind::Delete);
    case TextAction::WordBackspace:
      return erase(WordLeftOf(doc, m.caret), m.caret, EditKind::Other);
    case TextAction::WordDelete:
      return erase(m.caret, WordRightOf(doc, m.caret), EditKind::Other);
    case TextAction::Enter:
      return type(u"\r\n");
    case TextAction::Tab:
      return type(u"\t");
    case TextAction::Type:
      return type(key.text);
    case TextAction::SelectAll:
      TextModelOps::MoveSelection(*this, 0, doc.Length());
      return;
    case TextAction::Copy:
      if (selection && m.clipboardSet) m.clipboardSet(SelText());
      return;
    case TextAction::Cut:
      if (!selection) return;
      if (m.clipboardSet) m.clipboardSet(SelText());
      return remove(start, end, EditKind::Other);
    case TextAction::Paste: {
      if (!m.clipboardGet) return;
      String text = NormalizeBreaks(m.clipboardGet());
      if (text.empty() && !selection) return;
      TextModelOps::Edit(*this, start, end - start, SharedText(std::move(text)), EditKind::Other);
      return;
    }
    case TextAction::Undo:
      return Undo();
    case TextAction::Redo:
      return Redo();
  }
}

}  // namespace quilmar
