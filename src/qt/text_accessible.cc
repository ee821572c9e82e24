#include "text_accessible.hh"

#include <QTextBoundaryFinder>
#include <QWidget>
#include <algorithm>

#include "text/word_motion.hh"

namespace quilmar {

namespace {

QAccessible::UpdateHandler testListener = nullptr;

// Every announcement goes to QAccessible, which hands it to the platform's bridge to assistive
// technologies; a test's listener hears it instead.
void Send(QAccessibleEvent& event) {
  if (testListener) testListener(&event);
  else QAccessible::updateAccessibility(&event);
}

}  // namespace

bool AccessibilityHeard() { return testListener || QAccessible::isActive(); }

void ListenForAccessibility(QAccessible::UpdateHandler listener) { testListener = listener; }

void AnnounceTextChange(QObject* control, int start, const QString& removed, const QString& inserted) {
  if (!AccessibilityHeard()) return;
  if (!removed.isEmpty() && !inserted.isEmpty()) {
    QAccessibleTextUpdateEvent event(control, start, removed, inserted);
    Send(event);
  } else if (!inserted.isEmpty()) {
    QAccessibleTextInsertEvent event(control, start, inserted);
    Send(event);
  } else if (!removed.isEmpty()) {
    QAccessibleTextRemoveEvent event(control, start, removed);
    Send(event);
  }
}

void AnnounceTextDifference(QObject* control, const QString& before, const QString& after) {
  if (!AccessibilityHeard() || before == after) return;
  const qsizetype shorter = std::min(before.size(), after.size());
  qsizetype head = 0;
  while (head < shorter && before[head] == after[head]) ++head;
  qsizetype tail = 0;
  while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) ++tail;
  AnnounceTextChange(control, static_cast<int>(head), before.mid(head, before.size() - head - tail),
                     after.mid(head, after.size() - head - tail));
}

void AnnounceAllTextChanged(QObject* control) {
  if (!AccessibilityHeard()) return;
  QAccessibleEvent event(control, QAccessible::VisibleDataChanged);
  Send(event);
}

void AnnounceCaret(QObject* control, int caret, int anchor) {
  if (!AccessibilityHeard()) return;
  if (caret != anchor) {
    QAccessibleTextSelectionEvent event(control, std::min(caret, anchor), std::max(caret, anchor));
    event.setCursorPosition(caret);
    Send(event);
  } else {
    QAccessibleTextCursorEvent event(control, caret);
    Send(event);
  }
}

void AnnounceEditableChanged(QObject* control) {
  if (!AccessibilityHeard()) return;
  QAccessible::State changed;
  changed.editable = true;
  changed.readOnly = true;
  QAccessibleStateChangeEvent event(control, changed);
  Send(event);
}

void MakeAccessible(QWidget* widget, QAccessible::InterfaceFactory factory) {
  QAccessible::removeFactory(factory);  // installed once, however many widgets ask
  QAccessible::installFactory(factory);
  // While the widget's base class was being built, Qt may already have made and cached a
  // generic interface for it (the factory could not know its class then): drop that one.
  QAccessibleInterface* made = QAccessible::queryAccessibleInterface(widget);
  if (made && !dynamic_cast<TextAccessible*>(made))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

TextAccessible::TextAccessible(QWidget* widget, bool multiLine)
    : QAccessibleWidget(widget, QAccessible::EditableText), multiLine_(multiLine) {}

void* TextAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
  // Editing is offered only where the user could type.
  if (type == QAccessible::EditableTextInterface && HasText() && Editable())
    return static_cast<QAccessibleEditableTextInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

QAccessible::State TextAccessible::state() const {
  QAccessible::State s = QAccessibleWidget::state();
  s.multiLine = multiLine_;
  s.selectableText = true;
  s.editable = HasText() && Editable();
  s.readOnly = !s.editable;
  return s;
}

// The value of a text control is its text: not copied here, the text interface serves it.
QString TextAccessible::text(QAccessible::Text t) const {
  return t == QAccessible::Value ? QString() : QAccessibleWidget::text(t);
}

void TextAccessible::selection(int index, int* start, int* end) const {
  *start = *end = 0;
  if (index != 0 || !HasText() || Caret() == Anchor()) return;
  *start = std::min(Caret(), Anchor());
  *end = std::max(Caret(), Anchor());
}

int TextAccessible::selectionCount() const { return HasText() && Caret() != Anchor() ? 1 : 0; }

void TextAccessible::addSelection(int start, int end) { setSelection(0, start, end); }

void TextAccessible::removeSelection(int index) {
  if (index == 0 && HasText()) Select(Caret(), Caret());
}

void TextAccessible::setSelection(int index, int start, int end) {
  if (index != 0 || !HasText()) return;
  Select(std::clamp(start, 0, Length()), std::clamp(end, 0, Length()));
}

int TextAccessible::cursorPosition() const { return HasText() ? Caret() : 0; }

void TextAccessible::setCursorPosition(int position) { setSelection(0, position, position); }

QString TextAccessible::text(int start, int end) const {
  if (!HasText()) return {};
  start = std::clamp(start, 0, Length());
  end = std::clamp(end, start, Length());
  return Slice(start, end);
}

int TextAccessible::characterCount() const { return HasText() ? Length() : 0; }

QRect TextAccessible::characterRect(int offset) const {
  if (!HasText() || offset < 0 || offset > Length()) return {};
  const QPoint origin = Surface()->mapToGlobal(QPoint(0, 0));
  return CharacterRect(offset).toAlignedRect().translated(origin);
}

int TextAccessible::offsetAtPoint(const QPoint& point) const {
  const QPoint local = Surface()->mapFromGlobal(point);
  if (!HasText() || !Surface()->rect().contains(local)) return -1;
  // PosAt gives the nearest caret position: in a character's right half, the one after it.
  const int pos = PosAt(local);
  if (pos > 0 && !CharacterRect(pos).contains(local) && CharacterRect(pos - 1).contains(local)) return pos - 1;
  return pos;
}

void TextAccessible::scrollToSubstring(int start, int) {
  if (HasText()) ScrollTo(std::clamp(start, 0, Length()));
}

QString TextAccessible::attributes(int, int* start, int* end) const {
  // Plain text: one run without attributes.
  *start = 0;
  *end = characterCount();
  return {};
}

QString TextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const {
  return Answer(Unit(offset, type), start, end);
}

QString TextAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const {
  const TextRange at = Unit(offset, type);
  if (at.start <= 0) return Answer({}, start, end);
  return Answer(Unit(at.start - 1, type), start, end);
}

QString TextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const {
  const TextRange at = Unit(offset, type);
  if (at.end >= characterCount() || at.end <= offset) return Answer({}, start, end);
  return Answer(Unit(at.end, type), start, end);
}

void TextAccessible::deleteText(int start, int end) { ReplaceRange(start, end, {}); }
void TextAccessible::insertText(int offset, const QString& text) { ReplaceRange(offset, offset, text); }
void TextAccessible::replaceText(int start, int end, const QString& text) { ReplaceRange(start, end, text); }

// Selects the range, then types the text over it (an input-method commit) or, with no text,
// presses Delete: a locked control refuses both, as it refuses the keys.
void TextAccessible::ReplaceRange(int start, int end, const QString& text) {
  if (!HasText()) return;
  setSelection(0, start, end);
  if (!text.isEmpty()) Type(text);
  else if (end > start) PressDelete();
}

QString TextAccessible::Answer(TextRange range, int* start, int* end) const {
  *start = range.start;
  *end = range.end;
  return range.end > range.start ? text(*start, *end) : QString();
}

// The character, word or sentence holding offset, found within its laid-out line.
TextRange TextAccessible::WithinLine(int offset, int boundaryType) const {
  const TextRange line = LineAround(offset);
  const QString text = this->text(line.start, line.end);
  QTextBoundaryFinder finder(static_cast<QTextBoundaryFinder::BoundaryType>(boundaryType), text);
  finder.setPosition(offset - line.start);
  const qsizetype from = std::max<qsizetype>(finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary(), 0);
  finder.setPosition(from);
  qsizetype to = finder.toNextBoundary();
  if (to < 0) to = text.size();
  return {line.start + static_cast<int>(from), line.start + static_cast<int>(to)};
}

// The word holding offset, by the editor's own rule (the one its word keys and a double-click
// follow), so that a screen reader's words are the ones the user moves by.
TextRange TextAccessible::WordWithinLine(int offset) const {
  const TextRange line = LineAround(offset);
  const std::u16string text = this->text(line.start, line.end).toStdU16String();
  const auto word = WordAround(text, offset - line.start);
  if (!word) return {offset, offset};
  return {line.start + word->start, line.start + word->end};
}

TextRange TextAccessible::Unit(int offset, QAccessible::TextBoundaryType type) const {
  if (!HasText()) return {};
  const int count = Length();
  if (type == QAccessible::NoBoundary) return {0, count};
  if (count == 0) return {};
  const int pos = std::clamp(offset, 0, count - 1);
  switch (type) {
    case QAccessible::CharBoundary: return WithinLine(pos, QTextBoundaryFinder::Grapheme);
    case QAccessible::WordBoundary: return WordWithinLine(pos);
    case QAccessible::SentenceBoundary: return WithinLine(pos, QTextBoundaryFinder::Sentence);
    case QAccessible::ParagraphBoundary: return ParagraphAround(pos);
    case QAccessible::LineBoundary:
    default: return LineAround(pos);
  }
}

}  // namespace quilmar
