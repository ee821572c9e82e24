#include "document_accessible.hh"

#include <QScrollBar>
#include <algorithm>
#include <limits>

#include "document_view.hh"
#include "text_accessible.hh"

namespace quilmar {
namespace {

// An edit longer than this is announced as "the text changed" without its text: a paste of
// a whole file should not be copied into an event that a screen reader would not read out.
constexpr std::size_t kAnnouncedTextLimit = 1 << 16;

QString ToQString(StringView text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// One-byte units are Latin-1.
QString ToQString(UnitSpan text) {
  if (!text.IsNarrow()) return ToQString(text.Wide());
  return QString::fromLatin1(reinterpret_cast<const char*>(text.NarrowData()), static_cast<qsizetype>(text.size()));
}

// Every answer is read from the model and the view's own geometry (PosAt, CharacterRect), so
// it follows how the view lays out and paints; no query but the one for the whole text copies
// more than the line or paragraph it is about.
// Qt's accessible text interface counts offsets in int: a document past 2^31 characters shows
// its assistive tools the first 2^31 - 1 of them.
int Clamped(CharPos pos) { return static_cast<int>(std::min<std::int64_t>(pos.value(), std::numeric_limits<int>::max())); }

class DocumentAccessible final : public TextAccessible {
 public:
  explicit DocumentAccessible(DocumentView* view) : TextAccessible(view, true) {}

 private:
  DocumentView* View() const { return static_cast<DocumentView*>(widget()); }
  const TextModel& Model() const { return *View()->Model(); }

  bool HasText() const override { return View()->Model() != nullptr; }
  int Length() const override { return Clamped(Model().Length()); }
  QString Slice(int start, int end) const override { return QString::fromStdU16String(Model().Slice(start, end - start)); }
  int Caret() const override { return Clamped(Model().CaretPos()); }
  int Anchor() const override { return Clamped(Model().AnchorPos()); }
  bool Editable() const override { return !Model().Locked(); }
  QWidget* Surface() const override { return View()->viewport(); }
  QRectF CharacterRect(int offset) const override { return View()->CharacterRect(offset); }
  int PosAt(QPoint point) const override { return Clamped(View()->PosAt(point)); }

  void Select(int anchor, int caret) override {
    if (DocumentViewHost* host = View()->Host()) host->ViewSelect(anchor, caret);
  }
  void Type(const QString& text) override {
    if (DocumentViewHost* host = View()->Host()) host->ViewCommitText(text.toStdU16String());
  }
  void PressDelete() override {
    if (DocumentViewHost* host = View()->Host()) host->ViewKeyDown(KeyEvent{key::Delete, shift::None, {}});
  }

  void ScrollTo(int offset) override {
    const auto line = static_cast<int>(Model().LineFromChar(offset).value());
    QScrollBar* v = View()->verticalScrollBar();
    if (line < v->value() || line >= v->value() + v->pageStep()) v->setValue(line);
  }

  // The laid-out line holding offset, with the line break that ends it.
  TextRange LineAround(int offset) const override {
    const TextModel& model = Model();
    const LineNo line = model.LineFromChar(offset);
    const CharPos end = line + 1 < model.GetLineCount() ? model.Line(line + 1).start : model.Length();
    return {Clamped(model.Line(line).start), Clamped(end)};
  }

  bool EndsParagraph(TextRange line) const { return line.end >= Length() || Model().CharAt(line.end - 1) == u'\n'; }

  // Laid-out lines up to the next line break, and back to the one before. Costs the lines of
  // that paragraph only.
  TextRange ParagraphAround(int offset) const override {
    TextRange first = LineAround(offset), last = first;
    while (!EndsParagraph(last)) last = LineAround(last.end);
    while (first.start > 0) {
      const TextRange before = LineAround(first.start - 1);
      if (EndsParagraph(before)) break;
      first = before;
    }
    return {first.start, last.end};
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* view = qobject_cast<DocumentView*>(object)) return new DocumentAccessible(view);
  return nullptr;
}

}  // namespace

void MakeAccessible(DocumentView* view) { MakeAccessible(view, Factory); }

void AnnounceEdit(DocumentView* view, CharPos start, const SharedText& removed, const SharedText& inserted) {
  if (!AccessibilityHeard()) return;
  if (removed.size() + inserted.size() > kAnnouncedTextLimit) AnnounceAllTextChanged(view);
  else AnnounceTextChange(view, start.value(), ToQString(removed.View()), ToQString(inserted.View()));
}

void AnnounceCaret(DocumentView* view) {
  if (const TextModel* model = view->Model()) AnnounceCaret(view, model->CaretPos().value(), model->AnchorPos().value());
}

}  // namespace quilmar
