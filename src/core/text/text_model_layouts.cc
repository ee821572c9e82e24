// TextModel's laid-out lines: the cache of line layouts, the line queries and the formatting.
#include <algorithm>

#include "text/text_model_ops.hh"

namespace quilmar {

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

void TextModelOps::EnsureLayout(Impl& m) {
  if (!m.layoutDirty) return;
  const bool relayout = ConfigureBreaker(m) || m.fontChanged;
  m.fontChanged = false;
  if (!relayout) return;
  const CharPos lineStartBefore = m.doc.LineStart(m.doc.LineOf(m.caret));
  try {
    m.doc.Relayout();
  } catch (...) {
    // Some paragraphs may be laid out anew and others not: the next question lays out all
    // of them again.
    m.layoutDirty = m.fontChanged = true;
    ForgetLayouts(m);
    throw;
  }
  ForgetLayouts(m);
  if (m.doc.LineStart(m.doc.LineOf(m.caret)) != lineStartBefore) NotifySelection(m.self);
}

bool TextModelOps::ConfigureBreaker(Impl& m) {
  m.layoutDirty = false;
  const double width =
      m.rightMargin != 0 ? m.rightMargin * m.measure.CellWidth() : m.measure.VisibleWidth();
  return m.breaker.Configure(width);
}

void TextModelOps::LayoutMoved(TextModel& t) {
  Impl& m = *t.impl_;
  m.layoutDirty = true;
  ForgetLayouts(m);
  Tell(m, [](ModelObserver& o) { o.LayoutChanged(); });
}

void TextModelOps::ForgetLayouts(const Impl& m) {
  m.layouts.clear();
  m.kept.clear();
  m.keptOrder.clear();
  m.keptUnits = 0;
}

std::shared_ptr<LineLayout> TextModelOps::KeptLayout(const Impl& m, UnitSpan text) {
  if (text.IsNarrow()) return nullptr;  // laid out from a copy anyway
  const auto it = m.kept.find(text.Wide());
  if (it == m.kept.end()) return nullptr;
  m.keptOrder.splice(m.keptOrder.end(), m.keptOrder, it->second.place);
  return it->second.layout;
}

void TextModelOps::Keep(const Impl& m, const std::shared_ptr<LineLayout>& layout) {
  layout->KeepText();
  const StringView text = layout->Text();
  if (text.size() > Impl::kKeptUnits / 4) return;
  const auto [it, added] = m.kept.try_emplace(text, Impl::Kept{layout, {}});
  if (!added) return;
  it->second.place = m.keptOrder.insert(m.keptOrder.end(), text);
  m.keptUnits += text.size();
  while (m.keptUnits > Impl::kKeptUnits) {
    m.keptUnits -= m.keptOrder.front().size();
    m.kept.erase(m.keptOrder.front());
    m.keptOrder.pop_front();
  }
}

std::shared_ptr<const LineLayout> TextModelOps::Layout(const Impl& m, LineNo line) {
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

double TextModelOps::XOf(const Impl& m, CharPos pos) {
  const LineNo line = m.doc.LineOf(pos);
  const LineInPara l = LocateLine(m.doc, line);
  const std::int32_t offset = std::clamp<CharPos>(pos - l.para.start, l.from, l.to).value() - l.from;
  return Layout(m, line)->CaretX(offset);
}

CharPos TextModelOps::PosAtX(const Impl& m, LineNo line, double x) {
  const LineInPara l = LocateLine(m.doc, line);
  return l.para.start + l.from + Layout(m, line)->OffsetAt(x, !l.wrapped);
}

// ---- Line geometry ----------------------------------------------------------------------

std::optional<CharPos> TextModel::LineIndex(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  const Document& doc = impl_->doc;
  if (line == kCaretLine) line = doc.LineOf(impl_->caret);
  if (!doc.HasLine(line)) return std::nullopt;
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

bool TextModel::LayoutPending() const { return impl_->doc.LayoutPending(); }

bool TextModel::ContinueLayout(std::int64_t units) {
  TextModelOps::EnsureLayout(*impl_);
  return impl_->doc.LayOutMore(units);
}

LineNo TextModel::LineCountSoFar() const {
  TextModelOps::EnsureLayout(*impl_);
  return impl_->doc.LinesSoFar();
}

LineSpan TextModel::Line(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  const Document& doc = impl_->doc;
  if (!doc.HasLine(line)) return {};
  return {doc.LineStart(line), doc.LineLength(line)};
}

StringView TextModel::LineText(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  if (!impl_->doc.HasLine(line)) return {};
  // The layout holds the line as two-byte units (its own copy for one-byte text).
  return TextModelOps::Layout(*impl_, line)->Text();
}

std::shared_ptr<const LineLayout> TextModel::Layout(LineNo line) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::Layout(*impl_, impl_->doc.ClampLine(line));
}

double TextModel::XOf(CharPos pos) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::XOf(*impl_, std::clamp<CharPos>(pos, 0, impl_->doc.Length()));
}

CharPos TextModel::PosAtX(LineNo line, double x) const {
  TextModelOps::EnsureLayout(*impl_);
  return TextModelOps::PosAtX(*impl_, impl_->doc.ClampLine(line), x);
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

}  // namespace quilmar
