#include "command_box_view.hh"

#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>
#include <cmath>

#include "command_box_accessible.hh"
#include "key_translation.hh"
#include "text/word_motion.hh"
#include "text_accessible.hh"
#include "watch_model.hh"

namespace quilmar {

namespace {

constexpr int kTextMargin = 2;  // between the frame and the text

QString ToQString(const String& text) { return QString::fromStdU16String(text); }

}  // namespace

CommandBoxView::CommandBoxView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("txtCmd"));
  setAccessibleName(QStringLiteral("Command"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setCursor(Qt::IBeamCursor);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  measure_.UseFont(font());
  MakeAccessible(this);
}

CommandBoxView::~CommandBoxView() { WatchModel<LineEditObserver>(model_, nullptr, this); }

void CommandBoxView::SetModel(const LineEdit* model) {
  WatchModel<LineEditObserver>(model_, model, this);
  LineEditChanged();
}

void CommandBoxView::LineEditChanged() {
  Relayout();
  const QString text = model_ ? ToQString(model_->Text()) : QString();
  const std::int32_t caret = model_ ? model_->CaretPos() : 0, anchor = model_ ? model_->AnchorPos() : 0;
  AnnounceTextDifference(this, announcedText_, text);
  if (caret != announcedCaret_ || anchor != announcedAnchor_ || text != announcedText_) AnnounceCaret(this, caret, anchor);
  announcedText_ = text;
  announcedCaret_ = caret;
  announcedAnchor_ = anchor;
  blink_.Restart(hasFocus());
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImSurroundingText);
  update();
}

// The whole line laid out once per change: it is short, and caret, clicks and painting then
// share one layout.
void CommandBoxView::Relayout() {
  shown_ = model_ ? model_->Text() : String();
  if (model_ && !preedit_.empty()) shown_.insert(static_cast<std::size_t>(model_->CaretPos()), preedit_);
  layout_.Build(shown_, metrics_);
  KeepCaretInView();
}

std::int32_t CommandBoxView::Shown(std::int32_t pos) const {
  const std::int32_t caret = model_ ? model_->CaretPos() : 0;
  return pos > caret ? pos + static_cast<std::int32_t>(preedit_.size()) : pos;
}

std::int32_t CommandBoxView::FromShown(std::int32_t shown) const {
  const std::int32_t caret = model_ ? model_->CaretPos() : 0;
  if (shown <= caret) return shown;
  return std::max(caret, shown - static_cast<std::int32_t>(preedit_.size()));
}

QRect CommandBoxView::TextArea() const {
  QStyleOptionFrame option;
  option.initFrom(this);
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
  return inner.adjusted(kTextMargin, 0, -kTextMargin, 0);
}

// The line's row, centred in the text area, and its left edge scrolled.
LinePlace CommandBoxView::Place() const {
  const QRect area = TextArea();
  const double top = area.top() + (area.height() - measure_.LineHeight()) / 2;
  return LinePlace{double(area.left() - scroll_), top, double(measure_.LineHeight()), top + measure_.Ascent()};
}

// The caret stands after the preedit, where the committed text will end.
double CommandBoxView::CaretX() const {
  if (!model_) return 0;
  return layout_.CaretX(model_->CaretPos() + static_cast<std::int32_t>(preedit_.size()));
}

void CommandBoxView::KeepCaretInView() {
  const int width = std::max(1, TextArea().width());
  const int x = static_cast<int>(std::round(CaretX()));
  if (x - scroll_ > width - 1) scroll_ = x - width + 1;
  if (x < scroll_) scroll_ = x;
  const int textWidth = static_cast<int>(std::ceil(layout_.Width()));
  scroll_ = std::clamp(scroll_, 0, std::max(0, textWidth - width + 1));
}

std::int32_t CommandBoxView::PosAt(QPoint point) const {
  if (!model_) return 0;
  return FromShown(layout_.OffsetAt(point.x() - Place().left));
}

QRect CommandBoxView::CaretRect() const {
  const LinePlace place = Place();
  return QRect(static_cast<int>(std::round(place.left + CaretX())), static_cast<int>(place.top), 1,
               static_cast<int>(place.height));
}

QRectF CommandBoxView::CharacterRect(std::int32_t pos) const {
  const LinePlace place = Place();
  if (!model_) return QRectF(CaretRect());
  const LineLayout::Span box = layout_.ClusterAt(Shown(pos));
  return QRectF(place.left + box.left, place.top, box.right - box.left, place.height);
}

QSize CommandBoxView::sizeHint() const {
  const QFontMetrics metrics(font());
  QStyleOptionFrame option;
  option.initFrom(this);
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  const QSize contents(metrics.horizontalAdvance(QLatin1Char('x')) * 17 + 2 * kTextMargin, metrics.height() + 2);
  return style()->sizeFromContents(QStyle::CT_LineEdit, &option, contents, this);
}

QSize CommandBoxView::minimumSizeHint() const { return QSize(0, sizeHint().height()); }

void CommandBoxView::paintEvent(QPaintEvent*) {
  guard(u"the display", [this] { Paint(); });
}

void CommandBoxView::Paint() {
  QPainter painter(this);
  if (!painter.isActive()) return;  // no surface to paint on (a window too big for memory)
  QStyleOptionFrame frame;
  frame.initFrom(this);
  frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this);
  frame.midLineWidth = 0;
  frame.state |= QStyle::State_Sunken;
  style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
  if (!model_) return;

  const QRect area = TextArea();
  painter.setClipRect(area);
  const LinePlace place = Place();
  const double clipLeft = scroll_ - measure_.MaxAdvance();
  const double clipRight = scroll_ + area.width() + measure_.MaxAdvance();
  const QColor textColor = palette().color(QPalette::Text);
  painter.setPen(textColor);
  PaintPieces(painter, measure_, layout_, shown_, place, clipLeft, clipRight);
  if (model_->SelLength() > 0) {
    std::vector<LineLayout::Span> spans;
    layout_.Highlight(Shown(model_->SelStart()), Shown(model_->SelStart() + model_->SelLength()), spans);
    PaintHighlight(painter, measure_, layout_, shown_, place, spans, palette());
  }
  if (!preedit_.empty()) {
    // The input method's text, underlined until it is committed.
    const double from = layout_.CaretX(model_->CaretPos()), to = CaretX();
    const double y = place.baseline + 1;
    painter.setPen(textColor);
    painter.drawLine(QPointF(place.left + std::min(from, to), y), QPointF(place.left + std::max(from, to), y));
  }
  if (hasFocus() && blink_.Shown()) painter.fillRect(CaretRect(), textColor);
}

void CommandBoxView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepCaretInView();
}

void CommandBoxView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    measure_.UseFont(font());
    metrics_.FontChanged();
    metrics_.Refresh();
    Relayout();
  }
}

void CommandBoxView::keyPressEvent(QKeyEvent* event) {
  if (onKey) onKey(TranslateKey(*event));
  event->accept();
}

void CommandBoxView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !model_) return;
  const std::int32_t pos = PosAt(event->position().toPoint());
  const bool extend = (event->modifiers() & Qt::ShiftModifier) != 0;
  dragging_ = true;
  if (onSelect) onSelect(extend ? model_->AnchorPos() : pos, pos);
}

void CommandBoxView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || !(event->buttons() & Qt::LeftButton) || !model_) return;
  if (onSelect) onSelect(model_->AnchorPos(), PosAt(event->position().toPoint()));
}

void CommandBoxView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !model_ || !onSelect) return;
  if (const auto word = WordAround(model_->Text(), PosAt(event->position().toPoint())))
    onSelect(word->start, word->end);
}

void CommandBoxView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  blink_.Restart(true);
  update();
}

void CommandBoxView::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  blink_.Stop();
  dragging_ = false;
  update();
}

void CommandBoxView::inputMethodEvent(QInputMethodEvent* event) {
  preedit_ = event->preeditString().toStdU16String();
  if (!event->commitString().isEmpty() && onCommit) onCommit(event->commitString().toStdU16String());
  Relayout();
  update();
  event->accept();
}

QVariant CommandBoxView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return CaretRect();
    case Qt::ImFont: return font();
    case Qt::ImCursorPosition: return model_ ? model_->CaretPos() : 0;
    case Qt::ImAnchorPosition: return model_ ? model_->AnchorPos() : 0;
    case Qt::ImSurroundingText: return model_ ? ToQString(model_->Text()) : QString();
    case Qt::ImCurrentSelection: return model_ ? ToQString(model_->SelText()) : QString();
    default: return QWidget::inputMethodQuery(query);
  }
}

bool CommandBoxView::focusNextPrevChild(bool) { return false; }  // Tab stays in the box

}  // namespace quilmar
