// TextModel's edits and selection moves, the positions the caret may take, and the events.
#include <algorithm>
#include <utility>

#include "text/grapheme.hh"
#include "text/text_model_ops.hh"

namespace quilmar {

namespace {

// Whether the caret may stand at pos: not between "\r" and "\n", not inside a cluster.
bool OnBoundary(const Document& doc, CharPos pos) {
  if (pos <= 0 || pos >= doc.Length()) return true;
  const Document::Para p = doc.ParagraphAt(pos);
  const auto offset = pos - p.start;
  if (offset == 0) return true;  // after the "\n" of the break before
  if (offset > static_cast<CharPos>(p.text.size())) return false;  // between "\r" and "\n"
  return IsClusterBoundary(p.text, offset.value());
}

}  // namespace

// Clamps to the text and moves a position inside "\r\n" or a cluster to its end.
CharPos SnapForward(const Document& doc, std::int64_t pos) {
  const auto p = static_cast<CharPos>(std::clamp<std::int64_t>(pos, 0, doc.Length().value()));
  if (OnBoundary(doc, p)) return p;
  const Document::Para para = doc.ParagraphAt(p);
  if (p - para.start > static_cast<CharPos>(para.text.size())) return p + 1;
  return para.start + NextClusterBoundary(para.text, (p - para.start).value());
}
CharPos SnapForward(const Document& doc, CharPos pos) { return SnapForward(doc, std::int64_t(pos.value())); }

// The same, to the start.
CharPos SnapBackward(const Document& doc, std::int64_t pos) {
  const auto p = static_cast<CharPos>(std::clamp<std::int64_t>(pos, 0, doc.Length().value()));
  if (OnBoundary(doc, p)) return p;
  const Document::Para para = doc.ParagraphAt(p);
  if (p - para.start > static_cast<CharPos>(para.text.size())) return p - 1;
  return para.start + PrevClusterBoundary(para.text, (p - para.start).value());
}
CharPos SnapBackward(const Document& doc, CharPos pos) { return SnapBackward(doc, std::int64_t(pos.value())); }

void TextModelOps::NotifySelection(TextModel& t) {
  Tell(*t.impl_, [](ModelObserver& o) { o.SelectionChanged(); });
}

void TextModelOps::NotifyEdited(TextModel& t, CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms) {
  Tell(*t.impl_, [&](ModelObserver& o) { o.TextEdited(start, removed, inserted, forms); });
}

void TextModelOps::NotifyText(TextModel& t, TextCause cause) {
  Tell(*t.impl_, [cause](ModelObserver& o) { o.TextChanged(cause); });
}

void TextModelOps::NotifyReplaced(TextModel& t, TextCause cause, CharPos removed) {
  Tell(*t.impl_, [&](ModelObserver& o) { o.TextReplaced(cause, removed); });
}

void TextModelOps::MoveSelection(TextModel& t, CharPos anchor, CharPos caret, bool keepGoal) {
  Impl& m = *t.impl_;
  if (!keepGoal) m.goalX.reset();
  if (anchor == m.anchor && caret == m.caret) return;
  m.anchor = anchor;
  m.caret = caret;
  m.undo.CloseStep();
  NotifySelection(t);
}

bool TextModelOps::Edit(TextModel& t, CharPos start, CharPos removed, SharedText text, EditKind kind) {
  Impl& m = *t.impl_;
  TextModelOps::EnsureLayout(m);
  if (!m.doc.Holds(start, removed, text.View())) return false;
  EditRecord rec;
  rec.pos = start;
  rec.removed = m.doc.Share(start, removed);
  if (removed > 0) rec.removedForms = m.doc.FormsIn(start, removed);
  rec.anchorBefore = m.anchor;
  rec.caretBefore = m.caret;
  const auto size = CharPos(text.size());
  // The document takes the edit whole or not at all (a failing layout leaves it as it was).
  rec.inserted = m.doc.Replace(start, removed, std::move(text));
  m.layouts.clear();
  // A mark typed before a lone mark (or at a paragraph's start before one) joins it into
  // one cluster: the caret goes after the whole of it.
  const CharPos caret = SnapForward(m.doc, start + size);
  rec.anchorAfter = rec.caretAfter = caret;
  const SharedText removedText = rec.removed, insertedText = rec.inserted;
  const BreakRuns removedForms = rec.removedForms;
  try {
    m.undo.Record(std::move(rec), kind);
  } catch (...) {
    // Without a record the edit could not be undone: the text goes back as it was.
    m.doc.Replace(start, CharPos(insertedText.size()), removedText, removedForms);
    throw;
  }
  // From here on the history holds the edit, so a failure of an observer is undone with it.
  NotifyEdited(t, start, removedText, insertedText);
  m.anchor = m.caret = caret;
  m.goalX.reset();
  NotifyText(t);
  NotifySelection(t);
  return true;
}

void TextModelOps::ReplayEdits(TextModel& t, const std::vector<EditRecord>& edits, bool backwards) {
  Impl& m = *t.impl_;
  TextModelOps::EnsureLayout(m);
  m.layouts.clear();
  // Each edit as the history holds it, undone (`back`) or made again, then told.
  const auto replace = [&](const EditRecord& e, bool back) {
    if (back)
      m.doc.Replace(e.pos, CharPos(e.inserted.size()), e.removed, e.removedForms);
    else
      m.doc.Replace(e.pos, CharPos(e.removed.size()), e.inserted);
  };
  const auto tell = [&](const EditRecord& e, bool back) {
    if (back)
      NotifyEdited(t, e.pos, e.inserted, e.removed, e.removedForms);
    else
      NotifyEdited(t, e.pos, e.removed, e.inserted);
  };
  const auto nth = [&](std::size_t i) -> const EditRecord& { return edits[backwards ? edits.size() - 1 - i : i]; };
  // A failure half-way takes back the edits the text took so far, so it is as it was.
  std::size_t done = 0;
  try {
    while (done < edits.size()) {
      replace(nth(done), backwards);
      tell(nth(done++), backwards);
    }
  } catch (...) {
    while (done-- > 0) {
      replace(nth(done), !backwards);
      tell(nth(done), !backwards);
    }
    m.layouts.clear();
    throw;
  }
  if (backwards) {
    m.anchor = SnapForward(m.doc, edits.front().anchorBefore);
    m.caret = SnapForward(m.doc, edits.front().caretBefore);
  } else {
    m.anchor = SnapForward(m.doc, edits.back().anchorAfter);
    m.caret = SnapForward(m.doc, edits.back().caretAfter);
  }
  m.goalX.reset();
}

bool TextModelOps::ReplaceAll(TextModel& t, String text, BreakRuns forms) {
  text = NormalizeBreaks(std::move(text));
  if (std::int64_t(text.size()) > Document::kMaxLength) {
    text.resize(static_cast<std::size_t>(Document::kMaxLength));
    if (text.back() == u'\r') text.pop_back();  // no half of a break at the cut
  }
  return ReplaceAll(t, SharedText(std::move(text)), std::move(forms));
}

bool TextModelOps::ReplaceAll(TextModel& t, SharedText text, BreakRuns forms) {
  Impl& m = *t.impl_;
  // The new paragraphs are laid out as they are built, with the current settings.
  ConfigureBreaker(m);
  m.fontChanged = false;
  if (!m.doc.Assign(std::move(text), std::move(forms))) return false;
  ForgetLayouts(m);
  m.undo.Clear();
  m.goalX.reset();
  return true;
}

}  // namespace quilmar
