#include "document_accessible.hh"

#include <QAccessibleWidget>
#include <QScrollBar>
#include <QTextBoundaryFinder>
#include <algorithm>

#include "document_view.hh"

namespace quilmar {
namespace {

// An edit longer than this is announced as "the text changed" without its text: a paste of
// a whole file should not be copied into an event that a screen reader would not read out.
constexpr std::size_t kAnnouncedTextLimit = 1 << 16;

AccessibilityListener listener = nullptr;

bool Heard() { return listener || QAccessible::isActive(); }

void Send(QAccessibleEvent& event) {
  if (listener) listener(&event);
  else Send(event);
}

QString ToQString(StringView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// One-byte units are Latin-1.
QString ToQString(UnitSpan text) {
  if (!text.IsNarrow()) return ToQString(text.Wide());
  return QString::fromLatin1(reinterpret_cast<const char*>(text.NarrowData()), static_cast<qsizetype>(text.size()));
}

struct Range {
  CharPos start = 0;
  CharPos end = 0;
};

// The document view as QAccessible sees it. Every answer is read from the model and the
// view's own geometry (PosAt, CharacterRect), so it follows how the view lays out and paints;
// no query but the one for the whole text copies more than the line or paragraph it is about.
class DocumentAccessible final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface {
 public:
  explicit DocumentAccessible(DocumentView* view)
      : QAccessibleWidget(view, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    // Editing is offered only where the user could type: in Insert mode.
    if (type == QAccessible::EditableTextInterface && Editable())
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.selectableText = true;
    s.editable = Editable();
    s.readOnly = !Editable();
    return s;
  }

  // The value of a text control is its text: not copied here, the text interface serves it.
  QString text(QAccessible::Text t) const override {
    return t == QAccessible::Value ? QString() : QAccessibleWidget::text(t);
  }

  // ---- QAccessibleTextInterface

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Model() || Model()->SelLength() == 0) return;
    *start = Model()->SelStart().value();
    *end = *start + Model()->SelLength().value();
  }
  int selectionCount() const override { return Model() && Model()->SelLength() > 0 ? 1 : 0; }
  void addSelection(int start, int end) override { Select(start, end); }
  void removeSelection(int index) override {
    if (index == 0 && Model()) Select(Model()->CaretPos().value(), Model()->CaretPos().value());
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) Select(start, end);
  }
  int cursorPosition() const override { return Model() ? Model()->CaretPos().value() : 0; }
  void setCursorPosition(int position) override { Select(position, position); }

  QString text(int start, int end) const override {
    if (!Model()) return {};
    start = std::clamp(start, 0, Model()->Length().value());
    end = std::clamp(end, start, Model()->Length().value());
    return QString::fromStdU16String(Model()->Slice(start, end - start));
  }
  int characterCount() const override { return Model() ? Model()->Length().value() : 0; }

  QRect characterRect(int offset) const override {
    if (!Model() || offset < 0 || offset > Model()->Length()) return {};
    const QRectF local = View()->CharacterRect(offset);
    const QPoint origin = View()->viewport()->mapToGlobal(QPoint(0, 0));
    return local.toAlignedRect().translated(origin);
  }
  int offsetAtPoint(const QPoint& point) const override {
    const QPoint local = View()->viewport()->mapFromGlobal(point);
    if (!Model() || !View()->viewport()->rect().contains(local)) return -1;
    // PosAt gives the nearest caret position: in a character's right half, the one after it.
    const CharPos pos = View()->PosAt(local);
    if (pos > 0 && !View()->CharacterRect(pos).contains(local) && View()->CharacterRect(pos - 1).contains(local))
      return (pos - 1).value();
    return pos.value();
  }
  void scrollToSubstring(int start, int) override {
    if (!Model()) return;
    const int line = Model()->LineFromChar(std::clamp(start, 0, Model()->Length().value())).value();
    QScrollBar* v = View()->verticalScrollBar();
    if (line < v->value() || line >= v->value() + v->pageStep()) v->setValue(line);
  }
  QString attributes(int, int* start, int* end) const override {
    // Plain text: one run without attributes.
    *start = 0;
    *end = characterCount();
    return {};
  }

  QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
    return Answer(Unit(offset, type), start, end);
  }
  QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
    const Range at = Unit(offset, type);
    if (at.start <= 0) return Answer({}, start, end);
    return Answer(Unit(at.start - 1, type), start, end);
  }
  QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int* start, int* end) const override {
    const Range at = Unit(offset, type);
    if (at.end >= characterCount() || at.end <= offset) return Answer({}, start, end);
    return Answer(Unit(at.end, type), start, end);
  }

  // ---- QAccessibleEditableTextInterface: the editor's own events, as if typed.

  void deleteText(int start, int end) override { ReplaceRange(start, end, {}); }
  void insertText(int offset, const QString& text) override { ReplaceRange(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override { ReplaceRange(start, end, text); }

 private:
  DocumentView* View() const { return static_cast<DocumentView*>(widget()); }
  const TextModel* Model() const { return View()->Model(); }
  bool Editable() const { return Model() && !Model()->Locked(); }

  void Select(int anchor, int caret) {
    if (!Model() || !View()->Host()) return;
    const CharPos length = Model()->Length();
    View()->Host()->ViewSelect(std::clamp<CharPos>(anchor, 0, length), std::clamp<CharPos>(caret, 0, length));
  }

  // Selects the range, then types the text over it (an input-method commit) or, with no text,
  // presses Delete: in Command mode the locked document refuses both, as it refuses the keys.
  void ReplaceRange(int start, int end, const QString& text) {
    DocumentViewHost* host = View()->Host();
    if (!Model() || !host) return;
    Select(start, end);
    if (!text.isEmpty()) host->ViewCommitText(text.toStdU16String());
    else if (end > start) host->ViewKeyDown(KeyEvent{key::Delete, shift::None, {}});
  }

  QString Answer(Range range, int* start, int* end) const {
    *start = range.start.value();
    *end = range.end.value();
    return range.end > range.start ? text(*start, *end) : QString();
  }

  // The laid-out line holding pos, with the line break that ends it.
  Range LineAround(CharPos pos) const {
    const TextModel& model = *Model();
    const LineNo line = model.LineFromChar(pos);
    const LineSpan span = model.Line(line);
    const CharPos end = line + 1 < model.GetLineCount() ? model.Line(line + 1).start : model.Length();
    return {span.start, end};
  }

  bool EndsParagraph(Range line) const {
    return line.end >= Model()->Length() || Model()->CharAt(line.end - 1) == u'\n';
  }

  // The paragraph holding pos: laid-out lines up to the next line break, and back to the one
  // before. Costs the lines of that paragraph only.
  Range ParagraphAround(CharPos pos) const {
    Range first = LineAround(pos), last = first;
    while (!EndsParagraph(last)) last = LineAround(last.end);
    while (first.start > 0) {
      const Range before = LineAround(first.start - 1);
      if (EndsParagraph(before)) break;
      first = before;
    }
    return {first.start, last.end};
  }

  // The character, word or sentence holding pos, found within its laid-out line.
  Range WithinLine(CharPos pos, QTextBoundaryFinder::BoundaryType type) const {
    const Range line = LineAround(pos);
    const QString text = this->text(line.start.value(), line.end.value());
    QTextBoundaryFinder finder(type, text);
    finder.setPosition((pos - line.start).value());
    const qsizetype from = finder.isAtBoundary() ? finder.position() : finder.toPreviousBoundary();
    finder.setPosition(std::max<qsizetype>(from, 0));
    qsizetype to = finder.toNextBoundary();
    if (to < 0) to = text.size();
    return {line.start + static_cast<std::int32_t>(std::max<qsizetype>(from, 0)), line.start + static_cast<std::int32_t>(to)};
  }

  Range Unit(CharPos offset, QAccessible::TextBoundaryType type) const {
    if (!Model()) return {};
    const CharPos count = Model()->Length();
    if (type == QAccessible::NoBoundary) return {0, count};
    if (count == 0) return {};
    const CharPos pos = std::clamp<CharPos>(offset, 0, count - 1);
    switch (type) {
      case QAccessible::CharBoundary: return WithinLine(pos, QTextBoundaryFinder::Grapheme);
      case QAccessible::WordBoundary: return WithinLine(pos, QTextBoundaryFinder::Word);
      case QAccessible::SentenceBoundary: return WithinLine(pos, QTextBoundaryFinder::Sentence);
      case QAccessible::ParagraphBoundary: return ParagraphAround(pos);
      case QAccessible::LineBoundary:
      default: return LineAround(pos);
    }
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<DocumentView*>(object)) return new DocumentAccessible(view);
  return nullptr;
}

}  // namespace

void MakeAccessible(DocumentView* view) {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
  // While the base class was being built, Qt may already have made and cached a generic
  // interface for the widget (the factory cannot know it as a DocumentView then): drop it.
  QAccessibleInterface* made = QAccessible::queryAccessibleInterface(view);
  if (made && !dynamic_cast<DocumentAccessible*>(made))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
}

void SetAccessibilityListener(AccessibilityListener newListener) { listener = newListener; }

void AnnounceEdit(DocumentView* view, CharPos start, const SharedText& removed, const SharedText& inserted) {
  if (!Heard()) return;
  if (removed.size() + inserted.size() > kAnnouncedTextLimit) {
    AnnounceNewText(view);
    return;
  }
  if (!removed.empty() && !inserted.empty()) {
    QAccessibleTextUpdateEvent event(view, start.value(), ToQString(removed.View()), ToQString(inserted.View()));
    Send(event);
  } else if (!inserted.empty()) {
    QAccessibleTextInsertEvent event(view, start.value(), ToQString(inserted.View()));
    Send(event);
  } else if (!removed.empty()) {
    QAccessibleTextRemoveEvent event(view, start.value(), ToQString(removed.View()));
    Send(event);
  }
}

void AnnounceNewText(DocumentView* view) {
  if (!Heard()) return;
  QAccessibleEvent event(view, QAccessible::VisibleDataChanged);
  Send(event);
}

void AnnounceCaret(DocumentView* view) {
  if (!Heard() || !view->Model()) return;
  const TextModel& model = *view->Model();
  if (model.SelLength() > 0) {
    QAccessibleTextSelectionEvent event(view, model.SelStart().value(), (model.SelStart() + model.SelLength()).value());
    event.setCursorPosition(model.CaretPos().value());
    Send(event);
  } else {
    QAccessibleTextCursorEvent event(view, model.CaretPos().value());
    Send(event);
  }
}

void AnnounceEditable(DocumentView* view) {
  if (!Heard()) return;
  QAccessible::State changed;
  changed.editable = true;
  changed.readOnly = true;
  QAccessibleStateChangeEvent event(view, changed);
  Send(event);
}

}  // namespace quilmar
