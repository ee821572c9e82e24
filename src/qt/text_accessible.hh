#pragma once
// What an assistive technology (a screen reader, a magnifier) reads of our text controls, the
// document and the command box: their text, caret, selection, the units around an offset and
// the rectangles characters are painted in, and, through QAccessible, what changed. Each
// control answers a few questions of its own (TextAccessible's hooks); editing goes through the
// editor's own events, so the modes and the lock apply as they do to keys.
#include <QAccessibleWidget>

namespace quilmar {

// Whether anyone hears the announcements: the platform's bridge to assistive technologies is
// active (or a test listens). Announcing costs copies of text, so nothing is made otherwise.
bool AccessibilityHeard();

// Tests that count events: the listener hears every announcement in place of QAccessible (Qt
// passes events on only while a platform bridge is active, and the offscreen platform has
// none). Null stops. The path to a real screen reader is checked on the accessibility bus.
void ListenForAccessibility(QAccessible::UpdateHandler listener);

// The announcements, for a control whose accessible is a TextAccessible.
void AnnounceTextChange(QObject* control, int start, const QString& removed, const QString& inserted);
// What changed between two texts of a short control (the part between their common ends).
void AnnounceTextDifference(QObject* control, const QString& before, const QString& after);
void AnnounceAllTextChanged(QObject* control);
void AnnounceCaret(QObject* control, int caret, int anchor);
void AnnounceEditableChanged(QObject* control);

// Makes QAccessible answer for the widget with the interface the factory makes, also where
// Qt already cached a generic one while the widget was being built.
void MakeAccessible(QWidget* widget, QAccessible::InterfaceFactory factory);

struct TextRange {
  int start = 0;
  int end = 0;
};

class TextAccessible : public QAccessibleWidget,
                       public QAccessibleTextInterface,
                       public QAccessibleEditableTextInterface {
 public:
  TextAccessible(QWidget* widget, bool multiLine);

  void* interface_cast(QAccessible::InterfaceType type) override;
  QAccessible::State state() const override;
  QString text(QAccessible::Text t) const override;

  // ---- QAccessibleTextInterface
  void selection(int index, int* start, int* end) const override;
  int selectionCount() const override;
  void addSelection(int start, int end) override;
  void removeSelection(int index) override;
  void setSelection(int index, int start, int end) override;
  int cursorPosition() const override;
  void setCursorPosition(int position) override;
  QString text(int start, int end) const override;
  int characterCount() const override;
  QRect characterRect(int offset) const override;
  int offsetAtPoint(const QPoint& point) const override;
  void scrollToSubstring(int start, int end) override;
  QString attributes(int offset, int* start, int* end) const override;
  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override;
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override;
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override;

  // ---- QAccessibleEditableTextInterface: selects the range, then types or presses Delete.
  void deleteText(int start, int end) override;
  void insertText(int offset, const QString& text) override;
  void replaceText(int start, int end, const QString& text) override;

 protected:
  // The control's answers. Offsets reaching the hooks are within the text.
  virtual bool HasText() const = 0;  // false before the control has a model
  virtual int Length() const = 0;
  virtual QString Slice(int start, int end) const = 0;
  virtual int Caret() const = 0;
  virtual int Anchor() const = 0;
  virtual bool Editable() const = 0;
  // Geometry in the coordinates of Surface(): where the cluster at offset is painted, and the
  // caret position nearest to a point.
  virtual QWidget* Surface() const { return widget(); }
  virtual QRectF CharacterRect(int offset) const = 0;
  virtual int PosAt(QPoint point) const = 0;
  // The editor's own events.
  virtual void Select(int anchor, int caret) = 0;
  virtual void Type(const QString& text) = 0;
  virtual void PressDelete() = 0;
  // Lines and paragraphs: a one-line control is one of each.
  virtual TextRange LineAround(int) const { return {0, Length()}; }
  virtual TextRange ParagraphAround(int offset) const { return LineAround(offset); }
  virtual void ScrollTo(int) {}

 private:
  void ReplaceRange(int start, int end, const QString& text);
  QString Answer(TextRange range, int* start, int* end) const;
  TextRange WithinLine(int offset, int boundaryType) const;
  TextRange WordWithinLine(int offset) const;
  TextRange Unit(int offset, QAccessible::TextBoundaryType type) const;

  bool multiLine_;
};

}  // namespace quilmar
