#pragma once
// txtCmd on the screen: paints the editor's one-line box model (its text, selection and caret)
// and hands keys, input-method commits and mouse selections to the editor. It edits nothing
// itself, so the box behaves the same with and without a window.
#include <QWidget>
#include <functional>

#include "caret_blink.hh"
#include "line_painter.hh"
#include "view_guard.hh"
#include "platform/keys.hh"
#include "qt_measure.hh"
#include "text/line_edit.hh"
#include "text/line_layout.hh"
#include "text/tab_stops.hh"
#include "text/text_metrics.hh"

namespace quilmar {

class CommandBoxView final : public QWidget, private LineEditObserver {
  Q_OBJECT

 public:
  explicit CommandBoxView(QWidget* parent = nullptr);
  ~CommandBoxView() override;

  void SetModel(const LineEdit* model);
  const LineEdit* Model() const { return model_; }

  // Where the user's actions go (the main window routes them into the editor).
  std::function<void(const KeyEvent&)> onKey;
  std::function<void(const String&)> onCommit;
  std::function<void(std::int32_t anchor, std::int32_t caret)> onSelect;

  // The box's position under a point (widget coordinates), and where its caret is drawn.
  std::int32_t PosAt(QPoint point) const;
  QRect CaretRect() const;
  // Where the cluster at pos is drawn (an empty width at the end).
  QRectF CharacterRect(std::int32_t pos) const;

  // What the box's paints run under.
  ViewGuard guard;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void Paint();
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  bool focusNextPrevChild(bool next) override;
  void changeEvent(QEvent* event) override;

 private:
  void LineEditChanged() override;
  void Relayout();
  void KeepCaretInView();
  QRect TextArea() const;
  LinePlace Place() const;  // where the line is drawn, scrolled
  double CaretX() const;
  // A position of the box's text in shown_, and back (a place inside the preedit: the caret).
  std::int32_t Shown(std::int32_t pos) const;
  std::int32_t FromShown(std::int32_t shown) const;

  const LineEdit* model_ = nullptr;
  // The box is laid out as the document's lines are (LineLayout), in the widget's font.
  QtMeasure measure_;
  TabStops tabs_;  // none: the box holds no tabs
  TextMetrics metrics_{measure_, tabs_};
  String shown_;  // the text with the input method's preedit at the caret
  LineLayout layout_;
  String preedit_;
  int scroll_ = 0;  // pixels of the line hidden at the left
  bool dragging_ = false;
  // What assistive technologies were last told of, to announce what changed since.
  QString announcedText_;
  std::int32_t announcedCaret_ = 0, announcedAnchor_ = 0;
  CaretBlink blink_{[this] { update(CaretRect().adjusted(-1, 0, 1, 0)); }};
};

}  // namespace quilmar
