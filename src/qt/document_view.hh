#pragma once
// The widget behind txtMain: paints the visible laid-out lines of the core's TextModel with
// the caret, the selection and an input method's preedit, scrolls, and turns keys, mouse
// selection, mouse releases and input-method commits into the core's events.
#include <QAbstractScrollArea>
#include <QTimer>

#include "caret_blink.hh"
#include "view_guard.hh"
#include "platform/keys.hh"
#include "qt_measure.hh"
#include "text/line_layout.hh"
#include "text/text_model.hh"

namespace quilmar {

// Where the view sends what the user did; the main window routes it into the editor.
class DocumentViewHost {
 public:
  virtual ~DocumentViewHost() = default;
  virtual void ViewKeyDown(const KeyEvent& key) = 0;
  virtual void ViewCommitText(const String& text) = 0;
  virtual void ViewMouseUp(int button) = 0;
  // A mouse selection (press, drag, double-click): anchor and caret as TextModel::Select.
  virtual void ViewSelect(CharPos anchor, CharPos caret) = 0;
  // The document area's width changed: the text is laid out again.
  virtual void ViewResized() = 0;
};

class DocumentView final : public QAbstractScrollArea, private ModelObserver {
  Q_OBJECT

 public:
  DocumentView(QtMeasure& measure, QWidget* parent = nullptr);
  ~DocumentView() override;

  void SetModel(const TextModel* model);
  void SetHost(DocumentViewHost* host) { host_ = host; }

  // Brings scroll bars, the caret's visibility and the input method up to date with the
  // model now, instead of at the next turn of the event loop.
  void Sync();

  const TextModel* Model() const { return model_; }
  DocumentViewHost* Host() const { return host_; }
  // What the view's syncs and paints run under.
  ViewGuard guard;

  // Geometry, in viewport coordinates, all from the model's layouts of the lines.
  CharPos PosAt(QPoint point) const;
  QRect CaretRect() const;
  // Where the cluster holding pos is drawn (an empty width at a line's end).
  QRectF CharacterRect(CharPos pos) const;
  LineNo FirstVisibleLine() const;
  int LineHeight() const { return measure_.LineHeight(); }
  static constexpr int kPadding = 2;  // blank pixels left of the text

 signals:
  // A frame of the document was painted.
  void Painted();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void Paint(QPaintEvent* event);
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
  bool focusNextPrevChild(bool next) override;

 private:
  // ModelObserver
  void TextChanged(TextCause cause) override;
  void LayoutChanged() override;
  void SelectionChanged() override;
  void TextEdited(CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms) override;
  void TextReplaced(TextCause cause, CharPos removed) override;

  void ScheduleSync();
  void UpdateViewportMetrics();
  void UpdateScrollBars();
  void EnsureCaretVisible();
  void SyncInputMethod();
  void RestartBlink();
  void Select(CharPos anchor, CharPos caret);
  void DragTo(QPoint point);
  void AutoScrollStep();

  // Left edge of line x 0 in viewport coordinates.
  double LineLeft() const;

  QtMeasure& measure_;
  const TextModel* model_ = nullptr;
  DocumentViewHost* host_ = nullptr;
  CaretBlink blink_{[this] { viewport()->update(CaretRect().adjusted(-1, 0, 1, 0)); }};
  QTimer autoScroll_;
  bool syncPending_ = false;
  bool dragging_ = false;
  CharPos dragAnchor_ = 0;
  QPoint lastMouse_;
  QString preedit_;
  double widestSeen_ = 0;     // widest line painted so far: the horizontal scroll range
  int lastViewportWidth_ = -1;
};

}  // namespace quilmar
