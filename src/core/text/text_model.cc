#include "text/text_model.hh"

#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>
#include <utility>

#include "text/document.hh"
#include "text/find.hh"
#include "text/grapheme.hh"
#include "text/line_breaker.hh"
#include "text/line_layout.hh"
#include "text/tab_stops.hh"
#include "text/text_keys.hh"
#include "text/undo.hh"
#include "text/word_motion.hh"

namespace quilmar {

namespace {
constexpr std::int64_t kMaxLength = Document::kMaxLength;
}  // namespace

struct TextModel::Impl {
  Impl(TextModel& t, Measure& m) : self(t), measure(m), breaker(m, tabs), doc(breaker) {}

  TextModel& self;
  Measure& measure;
  quilmar::TabStops tabs;
  LineBreaker breaker;
  Document doc;
  CharPos anchor = 0;
  CharPos caret = 0;
  bool locked = false;
  FontSpec font;
  double rightMargin = 0;
  bool layoutDirty = true;
  bool fontChanged = false;  // lay out again even if the sizes the breaker reads look the same
  mutable std::vector<ModelObserver*> observers;  // told newest first
  std::function<String()> clipboardGet;
  std::function<void(const String&)> clipboardSet;
  UndoStack undo;
  std::optional<double> goalX;  // Up/Down keep the caret near this x
  // Layouts of recently asked lines (the visible ones, the caret's); dropped on every edit
  // and relayout, since line numbers and texts move with them.
  static constexpr std::size_t kLayoutCache = 256;
  mutable std::vector<std::pair<LineNo, std::shared_ptr<LineLayout>>> layouts;
  mutable std::size_t nextLayoutSlot = 0;
  // The same layouts found by their text, which they keep: they outlive edits, so after a key
  // only the lines whose characters changed are laid out again (a line depends on its text
  // alone). Dropped with every relayout; oldest first when they hold too much.
  static constexpr std::size_t kKeptUnits = 1 << 19;
  mutable std::unordered_map<StringView, std::shared_ptr<LineLayout>, TextMetrics::Hash, TextMetrics::Equal> kept;
  mutable std::deque<StringView> keptOrder;
  mutable std::size_t keptUnits = 0;
};

TextModel::TextModel(Measure& measure) : impl_(std::make_unique<Impl>(*this, measure)) {}

TextModel::~TextModel() = default;

Measure& TextModel::GetMeasure() const { return impl_->measure; }

void TextModel::AddObserver(ModelObserver* observer) const { impl_->observers.push_back(observer); }

void TextModel::RemoveObserver(ModelObserver* observer) const { std::erase(impl_->observers, observer); }

// ---- Internal helpers -------------------------------------------------------------------

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

// The span of a laid-out line inside its paragraph, and whether a wrap (not a break) ends it.
struct LineInPara {
  Document::Para para;
  std::int32_t from = 0;
  std::int32_t to = 0;
  bool wrapped = false;

  UnitSpan Text() const {
    return para.text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  }
};

LineInPara LocateLine(const Document& doc, LineNo line) {
  LineInPara l;
  l.para = doc.ParagraphOfLine(line);
  const auto& w = l.para.wraps;
  const auto k = static_cast<std::size_t>(std::clamp<LineNo>(line - l.para.firstLine, 0, static_cast<std::int32_t>(w.size())).value());
  l.from = k == 0 ? 0 : w[k - 1];
  l.wrapped = k < w.size();
  l.to = l.wrapped ? w[k] : std::int32_t(l.para.text.size());
  return l;
}

// End moves to the end of the caret's line; a line ended by a wrap cannot hold the caret at
// its very end (that position starts the next line), so there it stops before the last cluster.
CharPos LineEndFor(const Document& doc, CharPos caret) {
  const LineInPara l = LocateLine(doc, doc.LineOf(caret));
  if (!l.wrapped) return l.para.start + l.to;
  return l.para.start + std::max(l.from, PrevClusterBoundary(l.para.text, l.to));
}

}  // namespace

// Edits and selection moves go through these, which keep the caret valid and raise the events.
struct TextModelOps {
  using Impl = TextModel::Impl;

  // The layout reads the measure and the tab stops lazily: a run of formatting changes (the
  // 32 tab stops set one by one after a load, say) costs one relayout, at the next question.
  // A resize that leaves the wrap width alone (the margin is set, say) costs nothing.
  // A relayout that moves the caret's line start tells SelectionChanged, so that the position panel
  // follows a toggled word wrap, a resize or a new font at once.
  static void EnsureLayout(Impl& m) {
    if (!m.layoutDirty) return;
    const bool relayout = ConfigureBreaker(m) || m.fontChanged;
    m.fontChanged = false;
    if (!relayout) return;
    const CharPos lineStartBefore = m.doc.LineStart(m.doc.LineOf(m.caret));
    m.doc.Relayout();
    ForgetLayouts(m);
    if (m.doc.LineStart(m.doc.LineOf(m.caret)) != lineStartBefore) NotifySelection(m.self);
  }

  static bool ConfigureBreaker(Impl& m) {
    m.layoutDirty = false;
    const double width =
        m.rightMargin != 0 ? m.rightMargin * m.measure.CellWidth() : m.measure.VisibleWidth();
    return m.breaker.Configure(width);
  }

  static void LayoutMoved(TextModel& t) {
    Impl& m = *t.impl_;
    m.layoutDirty = true;
    ForgetLayouts(m);
    Tell(m, [](ModelObserver& o) { o.LayoutChanged(); });
  }

  static void ForgetLayouts(const Impl& m) {
    m.layouts.clear();
    m.kept.clear();
    m.keptOrder.clear();
    m.keptUnits = 0;
  }

  static std::shared_ptr<LineLayout> KeptLayout(const Impl& m, UnitSpan text) {
    if (text.IsNarrow()) return nullptr;  // laid out from a copy anyway
    const auto it = m.kept.find(text.Wide());
    return it == m.kept.end() ? nullptr : it->second;
  }

  static void Keep(const Impl& m, const std::shared_ptr<LineLayout>& layout) {
    layout->KeepText();
    const StringView text = layout->Text();
    if (text.size() > Impl::kKeptUnits / 4 || !m.kept.emplace(text, layout).second) return;
    m.keptOrder.push_back(text);
    m.keptUnits += text.size();
    while (m.keptUnits > Impl::kKeptUnits) {
      m.keptUnits -= m.keptOrder.front().size();
      m.kept.erase(m.keptOrder.front());
      m.keptOrder.pop_front();
    }
  }

  static std::shared_ptr<const LineLayout> Layout(const Impl& m, LineNo line) {
    for (const auto& [number, layout] : m.layouts) {
      if (number == line) return layout;
    }
    const UnitSpan text = LocateLine(m.doc, line).Text();
    auto layout = KeptLayout(m, text);
    if (!layout) {
      layout = std::make_shared<LineLayout>();
      layout->Build(text, m.breaker.Metrics());
      if (!text.IsNarrow()) Keep(m, layout);
    }
    if (m.layouts.size() < Impl::kLayoutCache) {
      m.layouts.emplace_back(line, layout);
    } else {
      m.layouts[m.nextLayoutSlot] = {line, layout};
      m.nextLayoutSlot = (m.nextLayoutSlot + 1) % Impl::kLayoutCache;
    }
    return layout;
  }

  static double XOf(const Impl& m, CharPos pos) {
    const LineNo line = m.doc.LineOf(pos);
    const LineInPara l = LocateLine(m.doc, line);
    const std::int32_t offset = std::clamp<CharPos>(pos - l.para.start, l.from, l.to).value() - l.from;
    return Layout(m, line)->CaretX(offset);
  }

  static CharPos PosAtX(const Impl& m, LineNo line, double x) {
    const LineInPara l = LocateLine(m.doc, line);
    return l.para.start + l.from + Layout(m, line)->OffsetAt(x, !l.wrapped);
  }

  // Tells every observer, newest first. By index, so that one removed while the others are
  // told (a view closing) is not called after it has gone.
  template <typename Call>
  static void Tell(const Impl& m, Call call) {
    for (std::size_t i = m.observers.size(); i-- > 0;) {
      if (i < m.observers.size()) call(*m.observers[i]);
    }
  }

  static void NotifySelection(TextModel& t) {
    Tell(*t.impl_, [](ModelObserver& o) { o.SelectionChanged(); });
  }

  static void NotifyEdited(TextModel& t, CharPos start, const SharedText& removed, const SharedText& inserted,
                           const BreakRuns& forms = {}) {
    Tell(*t.impl_, [&](ModelObserver& o) { o.TextEdited(start, removed, inserted, forms); });
  }

  static void NotifyText(TextModel& t, TextCause cause = TextCause::Edit) {
    Tell(*t.impl_, [cause](ModelObserver& o) { o.TextChanged(cause); });
  }

  static void NotifyReplaced(TextModel& t, TextCause cause, CharPos removed) {
    Tell(*t.impl_, [&](ModelObserver& o) { o.TextReplaced(cause, removed); });
  }

  // Moves the selection; `keepGoal` keeps the column that Up and Down aim for.
  static void MoveSelection(TextModel& t, CharPos anchor, CharPos caret, bool keepGoal = false) {
    Impl& m = *t.impl_;
    if (!keepGoal) m.goalX.reset();
    if (anchor == m.anchor && caret == m.caret) return;
    m.anchor = anchor;
    m.caret = caret;
    m.undo.CloseStep();
    NotifySelection(t);
  }

  // Replaces [start, start+removed) by normalised text and leaves the caret after it.
  // Returns false (and changes nothing) when the text would grow past what the document holds
  // (a paragraph longer than Document::kMaxParagraph).
  static bool Edit(TextModel& t, CharPos start, CharPos removed, SharedText text, EditKind kind) {
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
    rec.inserted = m.doc.Replace(start, removed, std::move(text));
    NotifyEdited(t, start, rec.removed, rec.inserted);
    m.layouts.clear();
    // A mark typed before a lone mark (or at a paragraph's start before one) joins it into
    // one cluster: the caret goes after the whole of it.
    m.anchor = m.caret = SnapForward(m.doc, start + size);
    rec.anchorAfter = rec.caretAfter = m.caret;
    m.undo.Record(std::move(rec), kind);
    m.goalX.reset();
    NotifyText(t);
    NotifySelection(t);
    return true;
  }

  // Applies a step of history backwards (undo) or forwards (redo).
  static void Replay(TextModel& t, const std::vector<EditRecord>& edits, bool backwards) {
    Impl& m = *t.impl_;
    TextModelOps::EnsureLayout(m);
    m.layouts.clear();
    if (backwards) {
      for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        m.doc.Replace(it->pos, CharPos(it->inserted.size()), it->removed, it->removedForms);
        NotifyEdited(t, it->pos, it->inserted, it->removed, it->removedForms);
      }
      m.anchor = SnapForward(m.doc, edits.front().anchorBefore);
      m.caret = SnapForward(m.doc, edits.front().caretBefore);
    } else {
      for (const EditRecord& e : edits) {
        m.doc.Replace(e.pos, CharPos(e.removed.size()), e.inserted);
        NotifyEdited(t, e.pos, e.removed, e.inserted);
      }
      m.anchor = SnapForward(m.doc, edits.back().anchorAfter);
      m.caret = SnapForward(m.doc, edits.back().caretAfter);
    }
    m.goalX.reset();
    NotifyText(t);
    NotifySelection(t);
  }

  static bool ReplaceAll(TextModel& t, String text, BreakRuns forms = {}) {
    text = NormalizeBreaks(std::move(text));
    if (std::int64_t(text.size()) > kMaxLength) {
      text.resize(static_cast<std::size_t>(kMaxLength));
      if (text.back() == u'\r') text.pop_back();  // no half of a break at the cut
    }
    return ReplaceAll(t, SharedText(std::move(text)), std::move(forms));
  }

  // `text` holds "\r\n" breaks only and is no longer than the document holds. False, with
  // nothing changed, when a paragraph of it is longer than a paragraph holds.
  static bool ReplaceAll(TextModel& t, SharedText text, BreakRuns forms) {
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

  static CharPos SelEnd(const Impl& m) { return std::max(m.anchor, m.caret); }
};

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
  if (std::int64_t(text.size()) > kMaxLength) {
    const bool cutsBreak = text.View()[static_cast<std::size_t>(kMaxLength) - 1] == u'\r';
    text = text.Sub(0, static_cast<std::size_t>(kMaxLength) - (cutsBreak ? 1 : 0));
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

// ---- Line geometry ----------------------------------------------------------------------

std::optional<CharPos> TextModel::LineIndex(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  const Document& doc = impl_->doc;
  if (line == kCaretLine) line = doc.LineOf(impl_->caret);
  if (line < 0 || line >= doc.LineCount()) return std::nullopt;
  return doc.LineStart(line);
}

CharPos TextModel::LineLength(CharPos pos) const {
  TextModelOps::EnsureLayout(*impl_);
  const Document& doc = impl_->doc;
  if (pos == kSelectionPos) {
    // The unselected characters on the lines that hold the selection: before it on its
    // first line, after it on the line of its last character.
    const CharPos start = SelStart();
    const CharPos end = TextModelOps::SelEnd(*impl_);
    const LineNo first = doc.LineOf(start);
    const LineNo last = end > start ? doc.LineOf(end - 1) : first;
    const CharPos lastEnd = doc.LineStart(last) + doc.LineLength(last);
    return (start - doc.LineStart(first)) + std::max<CharPos>(0, lastEnd - end);
  }
  if (pos > doc.Length()) return 0;
  return doc.LineLength(doc.LineOf(std::max<CharPos>(pos, 0)));
}

LineNo TextModel::LineFromChar(CharPos pos) const {
  TextModelOps::EnsureLayout(*impl_);
  if (pos == kSelectionPos) pos = SelStart();
  return impl_->doc.LineOf(std::max<CharPos>(pos, 0));
}

LineNo TextModel::GetLineCount() const {
  TextModelOps::EnsureLayout(*impl_);
  return impl_->doc.LineCount();
}

void TextModel::UpdateLayout() const { TextModelOps::EnsureLayout(*impl_); }

LineSpan TextModel::Line(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  const Document& doc = impl_->doc;
  if (line < 0 || line >= doc.LineCount()) return {};
  return {doc.LineStart(line), doc.LineLength(line)};
}

StringView TextModel::LineText(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  if (line < 0 || line >= impl_->doc.LineCount()) return {};
  // The layout holds the line as two-byte units (its own copy for one-byte text).
  return TextModelOps::Layout(*impl_, line)->Text();
}

std::shared_ptr<const LineLayout> TextModel::Layout(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::Layout(*impl_, std::clamp<LineNo>(line, 0, impl_->doc.LineCount() - 1));
}

double TextModel::XOf(CharPos pos) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::XOf(*impl_, std::clamp<CharPos>(pos, 0, impl_->doc.Length()));
}

CharPos TextModel::PosAtX(LineNo line, double x) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::PosAtX(*impl_, std::clamp<LineNo>(line, 0, impl_->doc.LineCount() - 1), x);
}

// ---- Search -----------------------------------------------------------------------------

std::optional<CharPos> TextModel::Find(StringView what, CharPos start, std::optional<CharPos> end, FindOptions options) {
  const auto hit = FindText(impl_->doc, what, start, end, Has(options, FindOptions::MatchCase));
  if (hit && !Has(options, FindOptions::NoHighlight)) Select(*hit, *hit + CharPos(what.size()));
  return hit;
}

// ---- Formatting -------------------------------------------------------------------------

const FontSpec& TextModel::Font() const { return impl_->font; }

void TextModel::SetFont(const FontSpec& font) {
  impl_->font = font;
  impl_->measure.SetFont(font);
  impl_->breaker.FontChanged();
  impl_->fontChanged = true;
  TextModelOps::LayoutMoved(*this);
}

double TextModel::RightMargin() const { return impl_->rightMargin; }

void TextModel::SetRightMargin(double cells) {
  if (cells == impl_->rightMargin) return;
  impl_->rightMargin = cells;
  TextModelOps::LayoutMoved(*this);
}

const std::vector<double>& TextModel::TabStops() const { return impl_->tabs.Cells(); }

void TextModel::SetSelTabCount(int count) {
  if (impl_->tabs.SetCount(count)) TextModelOps::LayoutMoved(*this);
}

void TextModel::SetSelTabs(int index, double cells) {
  if (impl_->tabs.Set(index, cells)) TextModelOps::LayoutMoved(*this);
}

double TextModel::NextTabStop(double x) const { return impl_->tabs.Next(x, impl_->measure.CellWidth()); }

void TextModel::Relayout() { TextModelOps::LayoutMoved(*this); }

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
      if (selection) return remove(start, end, EditKind::Other);
      return remove(StepLeft(doc, m.caret), m.caret, EditKind::Backspace);
    case TextAction::Delete:
      if (selection) return remove(start, end, EditKind::Other);
      return remove(m.caret, StepRight(doc, m.caret), EditKind::Delete);
    case TextAction::WordBackspace:
      if (selection) return remove(start, end, EditKind::Other);
      return remove(WordLeftOf(doc, m.caret), m.caret, EditKind::Other);
    case TextAction::WordDelete:
      if (selection) return remove(start, end, EditKind::Other);
      return remove(m.caret, WordRightOf(doc, m.caret), EditKind::Other);
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

// ---- History ----------------------------------------------------------------------------

bool TextModel::CanUndo() const { return impl_->undo.CanUndo(); }

bool TextModel::CanRedo() const { return impl_->undo.CanRedo(); }

void TextModel::Undo() {
  if (const auto* edits = impl_->undo.TakeUndo()) TextModelOps::Replay(*this, *edits, true);
}

void TextModel::Redo() {
  if (const auto* edits = impl_->undo.TakeRedo()) TextModelOps::Replay(*this, *edits, false);
}

void TextModel::BeginUndoGroup() { impl_->undo.BeginGroup(); }

void TextModel::EndUndoGroup() { impl_->undo.EndGroup(); }

TextModel::Checkpoint TextModel::MakeCheckpoint() const {
  const UndoStack::Mark mark = impl_->undo.MakeMark();
  Checkpoint c;
  c.steps = mark.steps;
  c.editsInLast = mark.editsInLast;
  c.generation = mark.generation;
  c.groupDepth = mark.groupDepth;
  return c;
}

void TextModel::RollBack(const Checkpoint& c) {
  const std::vector<EditRecord> edits =
      impl_->undo.TakeSince(UndoStack::Mark{c.steps, c.editsInLast, c.generation, c.groupDepth});
  if (edits.empty()) return;
  TextModelOps::Replay(*this, edits, true);
}

}  // namespace quilmar
