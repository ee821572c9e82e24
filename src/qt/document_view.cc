#include "document_view.hh"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "document_accessible.hh"
#include "text_accessible.hh"
#include "key_translation.hh"
#include "line_painter.hh"
#include "text/word_motion.hh"
#include "watch_model.hh"

namespace quilmar {
namespace {

int MouseButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return mouse::Left;
    case Qt::RightButton: return mouse::Right;
    case Qt::MiddleButton: return mouse::Middle;
    default: return 0;
  }
}

}  // namespace

DocumentView::DocumentView(QtMeasure& measure, QWidget* parent)
    : QAbstractScrollArea(parent), measure_(measure) {
  setObjectName(QStringLiteral("txtMain"));
  setAccessibleName(QStringLiteral("Document"));
  setFocusPolicy(Qt::StrongFocus);
  setContextMenuPolicy(Qt::NoContextMenu);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);    // a stable width: no re-wrap loops
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setAutoFillBackground(false);
  viewport()->setBackgroundRole(QPalette::Base);
  autoScroll_.setInterval(50);
  connect(&autoScroll_, &QTimer::timeout, this, &DocumentView::AutoScrollStep);
  MakeAccessible(this);
}

DocumentView::~DocumentView() { WatchModel<ModelObserver>(model_, nullptr, this); }

void DocumentView::SetModel(const TextModel* model) {
  WatchModel<ModelObserver>(model_, model, this);
  widestSeen_ = 0;
  UpdateViewportMetrics();
  Sync();
  viewport()->update();
}

// ---- Model events: cheap bookkeeping now, the rest once per turn of the event loop.

void DocumentView::TextChanged(TextCause) {
  ScheduleSync();
  viewport()->update();
}

void DocumentView::LayoutChanged() {
  widestSeen_ = 0;
  UpdateViewportMetrics();
  ScheduleSync();
  viewport()->update();
}

void DocumentView::SelectionChanged() {
  RestartBlink();
  ScheduleSync();
  viewport()->update();
  AnnounceCaret(this);
}

void DocumentView::TextEdited(CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns&) {
  AnnounceEdit(this, start, removed, inserted);
}

// The widest line seen belonged to the old text: the horizontal scroll range starts afresh.
void DocumentView::TextReplaced(TextCause, CharPos) {
  widestSeen_ = 0;
  AnnounceAllTextChanged(this);
}

void DocumentView::ScheduleSync() {
  if (syncPending_) return;
  syncPending_ = true;
  QMetaObject::invokeMethod(this, [this] { if (syncPending_) Sync(); }, Qt::QueuedConnection);
}

void DocumentView::Sync() {
  guard(u"the display", [this] {
    syncPending_ = false;
    UpdateScrollBars();
    EnsureCaretVisible();
    SyncInputMethod();
  });
}

void DocumentView::UpdateViewportMetrics() {
  const int lines = std::max(1, viewport()->height() / measure_.LineHeight());
  measure_.SetViewport(viewport()->width() - 2 * kPadding - 1, lines);
}

void DocumentView::UpdateScrollBars() {
  if (!model_) return;
  const int visible = measure_.VisibleLines();
  QScrollBar* v = verticalScrollBar();
  v->setPageStep(visible);
  v->setSingleStep(1);
  // While a big text is still being laid out the range grows with it.
  v->setRange(0, static_cast<int>(std::max<std::int64_t>(0, (model_->LineCountSoFar() - visible).value())));
  QScrollBar* h = horizontalScrollBar();
  const int viewWidth = viewport()->width() - 2 * kPadding;
  const bool wraps = model_->RightMargin() == 0;
  const int content = wraps ? 0 : static_cast<int>(std::ceil(widestSeen_));
  h->setPageStep(std::max(1, viewWidth));
  h->setSingleStep(std::max(1, static_cast<int>(measure_.CellWidth())));
  h->setRange(0, std::max(0, content - viewWidth));
}

LineNo DocumentView::FirstVisibleLine() const { return verticalScrollBar()->value(); }

void DocumentView::EnsureCaretVisible() {
  if (!model_) return;
  const CharPos caret = model_->CaretPos();
  const LineNo line = model_->LineFromChar(caret);
  const int visible = measure_.VisibleLines();
  QScrollBar* v = verticalScrollBar();
  if (line < v->value()) v->setValue(static_cast<int>(line.value()));
  else if (line >= v->value() + visible) v->setValue(static_cast<int>((line - visible + 1).value()));

  const double x = model_->XOf(caret);
  QScrollBar* h = horizontalScrollBar();
  const int viewWidth = viewport()->width() - 2 * kPadding;
  const double margin = measure_.CellWidth() * 4;
  if (x + margin > widestSeen_) {
    widestSeen_ = x + margin;
    UpdateScrollBars();
  }
  if (x < h->value()) h->setValue(static_cast<int>(std::max(0.0, x - margin)));
  else if (x > h->value() + viewWidth - 2)
    h->setValue(static_cast<int>(x - viewWidth + margin));
}

void DocumentView::SyncInputMethod() {
  const bool enabled = model_ && !model_->Locked();
  if (testAttribute(Qt::WA_InputMethodEnabled) != enabled) {
    setAttribute(Qt::WA_InputMethodEnabled, enabled);
    if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImEnabled);
    AnnounceEditableChanged(this);
  }
  if (enabled && hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

void DocumentView::RestartBlink() {
  blink_.Restart(hasFocus());
}

// ---- Geometry

double DocumentView::LineLeft() const { return kPadding - horizontalScrollBar()->value(); }

CharPos DocumentView::PosAt(QPoint point) const {
  if (!model_) return 0;
  const LineNo count = model_->LineCountSoFar();
  const int row = point.y() < 0 ? -1 : point.y() / measure_.LineHeight();
  const LineNo line = std::clamp<LineNo>(FirstVisibleLine() + row, 0, count - 1);
  return model_->PosAtX(line, point.x() - LineLeft());
}

QRect DocumentView::CaretRect() const {
  if (!model_) return {};
  const CharPos caret = model_->CaretPos();
  const LineNo line = model_->LineFromChar(caret);
  double x = model_->XOf(caret);
  if (!preedit_.isEmpty()) x += QFontMetricsF(measure_.Font()).horizontalAdvance(preedit_);
  const int left = static_cast<int>(std::floor(x + LineLeft()));
  const int top = (line - FirstVisibleLine()).value() * measure_.LineHeight();
  return QRect(left, top, 2, measure_.LineHeight());
}

QRectF DocumentView::CharacterRect(CharPos pos) const {
  if (!model_) return {};
  pos = std::clamp<CharPos>(pos, 0, model_->Length());
  const LineNo line = model_->LineFromChar(pos);
  const LineSpan span = model_->Line(line);
  const LineLayout::Span box = model_->Layout(line)->ClusterAt((pos - span.start).value());
  const int top = (line - FirstVisibleLine()).value() * measure_.LineHeight();
  return QRectF(box.left + LineLeft(), top, box.right - box.left, measure_.LineHeight());
}

// ---- Painting

void DocumentView::paintEvent(QPaintEvent* event) {
  guard(u"the display", [&] { Paint(event); });
}

void DocumentView::Paint(QPaintEvent* event) {
  QPainter painter(viewport());
  if (!painter.isActive()) return;  // no surface to paint on (a window too big for memory)
  const QPalette& pal = palette();
  painter.fillRect(event->rect(), pal.color(QPalette::Base));
  if (!model_) return;
  if (syncPending_) {
    // Scroll first so this paint already shows the caret; the scroll repaints anyway.
    Sync();
  }
  painter.setFont(measure_.Font());
  const int lineHeight = measure_.LineHeight();
  const LineNo first = FirstVisibleLine();
  const LineNo count = model_->LineCountSoFar();
  const int rows = viewport()->height() / lineHeight + 1;
  const double scrollX = horizontalScrollBar()->value();
  // Glyphs may reach a little past their advance (italics, marks): draw pieces near the edges.
  const double clipLeft = scrollX - measure_.MaxAdvance();
  const double clipRight = scrollX + viewport()->width() + measure_.MaxAdvance();
  const CharPos selStart = model_->SelStart();
  const CharPos selEnd = selStart + model_->SelLength();
  const QColor textColor = pal.color(QPalette::Text);
  const double widestBefore = widestSeen_;
  std::vector<LineLayout::Span> spans;

  for (int row = 0; row < rows && first + row < count; ++row) {
    const int top = row * lineHeight;
    if (top > event->rect().bottom() || top + lineHeight < event->rect().top()) continue;
    const LineNo line = first + row;
    const LineSpan span = model_->Line(line);
    const auto layout = model_->Layout(line);
    const StringView text = model_->LineText(line);
    widestSeen_ = std::max(widestSeen_, layout->Width() + measure_.CellWidth());
    const LinePlace place{LineLeft(), double(top), double(lineHeight), double(top + measure_.Ascent())};
    painter.setPen(textColor);
    PaintPieces(painter, measure_, *layout, text, place, clipLeft, clipRight);

    // The selected part: its clusters highlighted (right-to-left text can split it), then the
    // same text again in the highlight's colour inside them.
    const CharPos lineEnd = span.start + span.length;
    const CharPos from = std::max(selStart, span.start);
    const CharPos to = std::min(selEnd, lineEnd);
    const bool breakSelected = selEnd > lineEnd && selStart <= lineEnd && line + 1 < count;
    if (selEnd <= selStart || (from >= to && !breakSelected)) continue;
    layout->Highlight((from - span.start).value(), (to - span.start).value(), spans);
    if (breakSelected) {
      const double x = layout->Width();
      spans.push_back({x, x + measure_.Metrics().horizontalAdvance(QLatin1Char(' '))});
    }
    PaintHighlight(painter, measure_, *layout, text, place, spans, pal);
  }

  // A wider line came into view: the horizontal scroll range grows, after this paint.
  if (widestSeen_ > widestBefore && model_->RightMargin() != 0) ScheduleSync();

  const QRect caret = CaretRect();
  if (!preedit_.isEmpty()) {
    const double width = QFontMetricsF(measure_.Font()).horizontalAdvance(preedit_);
    const QPointF origin(caret.left() - width, caret.top() + measure_.Ascent());
    painter.setPen(textColor);
    painter.drawText(origin, preedit_);
    painter.drawLine(QPointF(origin.x(), caret.bottom()), QPointF(caret.left(), caret.bottom()));
  }
  if (blink_.Shown() && window()->focusWidget() == this) painter.fillRect(caret, textColor);
  emit Painted();
}

// ---- Size and scrolling

void DocumentView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateViewportMetrics();
  const int width = viewport()->width();
  if (model_ && host_ && width != lastViewportWidth_ && model_->RightMargin() == 0) {
    lastViewportWidth_ = width;
    host_->ViewResized();
  }
  lastViewportWidth_ = width;
  Sync();
}

void DocumentView::scrollContentsBy(int, int) { viewport()->update(); }

// ---- Keys, mouse, input method

bool DocumentView::focusNextPrevChild(bool) { return false; }  // Tab is a key of the document

void DocumentView::keyPressEvent(QKeyEvent* event) {
  if (host_) host_->ViewKeyDown(TranslateKey(*event));
  event->accept();
}

void DocumentView::Select(CharPos anchor, CharPos caret) {
  if (model_ && host_) host_->ViewSelect(anchor, caret);
}

void DocumentView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !model_) return;
  const CharPos pos = PosAt(event->position().toPoint());
  dragAnchor_ = (event->modifiers() & Qt::ShiftModifier) ? model_->AnchorPos() : pos;
  dragging_ = true;
  lastMouse_ = event->position().toPoint();
  Select(dragAnchor_, pos);
}

void DocumentView::DragTo(QPoint point) {
  lastMouse_ = point;
  Select(dragAnchor_, PosAt(point));
  if (viewport()->rect().contains(point)) autoScroll_.stop();
  else if (!autoScroll_.isActive()) autoScroll_.start();
}

void DocumentView::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) DragTo(event->position().toPoint());
}

void DocumentView::AutoScrollStep() {
  if (!dragging_) {
    autoScroll_.stop();
    return;
  }
  const QRect area = viewport()->rect();
  if (lastMouse_.y() < area.top()) verticalScrollBar()->triggerAction(QScrollBar::SliderSingleStepSub);
  else if (lastMouse_.y() > area.bottom()) verticalScrollBar()->triggerAction(QScrollBar::SliderSingleStepAdd);
  if (lastMouse_.x() < area.left()) horizontalScrollBar()->triggerAction(QScrollBar::SliderSingleStepSub);
  else if (lastMouse_.x() > area.right()) horizontalScrollBar()->triggerAction(QScrollBar::SliderSingleStepAdd);
  Select(dragAnchor_, PosAt(lastMouse_));
}

void DocumentView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && dragging_) {
    dragging_ = false;
    autoScroll_.stop();
  }
  if (const int button = MouseButtonCode(event->button()); button && host_)
    host_->ViewMouseUp(button);
}

void DocumentView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !model_) return;
  const CharPos pos = PosAt(event->position().toPoint());
  const LineSpan span = model_->Line(model_->LineFromChar(pos));
  const String text = model_->Slice(span.start, span.length);
  if (const auto word = WordAround(text, static_cast<std::int32_t>((pos - span.start).value()))) {
    Select(span.start + word->start, span.start + word->end);
    dragAnchor_ = span.start + word->start;
  }
  dragging_ = true;
}

void DocumentView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  RestartBlink();
  SyncInputMethod();
  viewport()->update();
}

void DocumentView::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  blink_.Stop();
  viewport()->update();
}

void DocumentView::inputMethodEvent(QInputMethodEvent* event) {
  preedit_ = event->preeditString();
  if (!event->commitString().isEmpty() && host_)
    host_->ViewCommitText(event->commitString().toStdU16String());
  event->accept();
  viewport()->update();
}

QVariant DocumentView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return model_ && !model_->Locked();
    case Qt::ImCursorRectangle: return CaretRect();
    case Qt::ImFont: return measure_.Font();
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
    case Qt::ImSurroundingText:
    case Qt::ImCurrentSelection: {
      if (!model_) return {};
      const CharPos caret = model_->CaretPos();
      const LineSpan span = model_->Line(model_->LineFromChar(caret));
      if (query == Qt::ImSurroundingText)
        return QString::fromStdU16String(model_->Slice(span.start, span.length));
      if (query == Qt::ImCurrentSelection) return QString::fromStdU16String(model_->SelText());
      const CharPos pos = query == Qt::ImCursorPosition ? caret : model_->AnchorPos();
      return static_cast<int>(std::clamp<CharPos>(pos - span.start, 0, span.length).value());
    }
    default: return QAbstractScrollArea::inputMethodQuery(query);
  }
}

}  // namespace quilmar
