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
  MakeAccessible(this);
}

CommandBoxView::~CommandBoxView() { WatchModel<LineEditObserver>(model_, nullptr, this); }

void CommandBoxView::SetModel(const LineEdit* model) {
  WatchModel<LineEditObserver>(model_, model, this);
  LineEditChanged();
}

void CommandBoxView::LineEditChanged() {
  Relayout();
  const QString text = layout_.text();
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

// The whole line shaped once per change: it is short, and caret, clicks and painting then
// share one layout.
void CommandBoxView::Relayout() {
  QString text = model_ ? ToQString(model_->Text()) : QString();
  layout_.clearLayout();
  layout_.setText(text);
  layout_.setFont(font());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout_.setTextOption(option);
  QList<QTextLayout::FormatRange> formats;
  if (!preedit_.isEmpty() && model_) {
    layout_.setPreeditArea(model_->CaretPos(), preedit_);
    QTextLayout::FormatRange underline;
    underline.start = model_->CaretPos();
    underline.length = static_cast<int>(preedit_.size());
    underline.format.setFontUnderline(true);
    formats.push_back(underline);
  } else {
    layout_.setPreeditArea(-1, QString());
  }
  layout_.setFormats(formats);
  layout_.beginLayout();
  QTextLine line = layout_.createLine();
  if (line.isValid()) line.setLeadingIncluded(true);
  layout_.endLayout();
  KeepCaretInView();
}

QRect CommandBoxView::TextArea() const {
  QStyleOptionFrame option;
  option.initFrom(this);
  option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
  const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
  return inner.adjusted(kTextMargin, 0, -kTextMargin, 0);
}

double CommandBoxView::CaretX() const {
  if (!model_ || layout_.lineCount() == 0) return 0;
  int at = model_->CaretPos();
  if (!preedit_.isEmpty()) at += static_cast<int>(preedit_.size());
  return layout_.lineAt(0).cursorToX(at);
}

void CommandBoxView::KeepCaretInView() {
  const int width = std::max(1, TextArea().width());
  const int x = static_cast<int>(std::round(CaretX()));
  if (x - scroll_ > width - 1) scroll_ = x - width + 1;
  if (x < scroll_) scroll_ = x;
  const int textWidth = layout_.lineCount() ? static_cast<int>(std::ceil(layout_.lineAt(0).naturalTextWidth())) : 0;
  scroll_ = std::clamp(scroll_, 0, std::max(0, textWidth - width + 1));
}

std::int32_t CommandBoxView::PosAt(QPoint point) const {
  if (!model_ || layout_.lineCount() == 0) return 0;
  const QRect area = TextArea();
  return layout_.lineAt(0).xToCursor(point.x() - area.left() + scroll_);
}

QRect CommandBoxView::CaretRect() const {
  const QRect area = TextArea();
  const int height = QFontMetrics(font()).height();
  const int top = area.top() + (area.height() - height) / 2;
  return QRect(area.left() + static_cast<int>(std::round(CaretX())) - scroll_, top, 1, height);
}

QRectF CommandBoxView::CharacterRect(std::int32_t pos) const {
  const QRect caret = CaretRect();
  if (!model_ || layout_.lineCount() == 0) return QRectF(caret);
  const QTextLine line = layout_.lineAt(0);
  const double left = line.cursorToX(pos), right = line.cursorToX(layout_.nextCursorPosition(pos));
  const double origin = TextArea().left() - scroll_;
  return QRectF(origin + std::min(left, right), caret.top(), std::abs(right - left), caret.height());
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
  if (!model_ || layout_.lineCount() == 0) return;

  const QRect area = TextArea();
  painter.setClipRect(area);
  const QTextLine line = layout_.lineAt(0);
  const double top = area.top() + (area.height() - line.height()) / 2.0;
  const QPointF origin(area.left() - scroll_, top);
  QList<QTextLayout::FormatRange> selections;
  if (model_->SelLength() > 0) {
    QTextLayout::FormatRange selected;
    selected.start = model_->SelStart();
    selected.length = model_->SelLength();
    selected.format.setBackground(palette().brush(QPalette::Highlight));
    selected.format.setForeground(palette().brush(QPalette::HighlightedText));
    selections.push_back(selected);
  }
  painter.setPen(palette().color(QPalette::Text));
  layout_.draw(&painter, origin, selections);
  if (hasFocus() && blink_.Shown()) {
    int at = model_->CaretPos();
    if (!preedit_.isEmpty()) at += static_cast<int>(preedit_.size());
    layout_.drawCursor(&painter, origin, at, 1);
  }
}

void CommandBoxView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  KeepCaretInView();
}

void CommandBoxView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) Relayout();
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
  // The run of letters and digits under the pointer, as a line edit selects a word.
  const String& text = model_->Text();
  const auto size = static_cast<std::int32_t>(text.size());
  const std::int32_t pos = PosAt(event->position().toPoint());
  auto isWord = [&](std::int32_t i) { return QChar(text[std::size_t(i)]).isLetterOrNumber() || text[std::size_t(i)] == u'_'; };
  std::int32_t from = pos, to = pos;
  while (from > 0 && isWord(from - 1)) --from;
  while (to < size && isWord(to)) ++to;
  if (from < to) onSelect(from, to);
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
  preedit_ = event->preeditString();
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
