#include "command_box_accessible.hh"

#include "command_box_view.hh"
#include "text_accessible.hh"

namespace quilmar {
namespace {

class CommandBoxAccessible final : public TextAccessible {
 public:
  explicit CommandBoxAccessible(CommandBoxView* box) : TextAccessible(box, false) {}

 private:
  CommandBoxView* Box() const { return static_cast<CommandBoxView*>(widget()); }
  const LineEdit& Model() const { return *Box()->Model(); }

  bool HasText() const override { return Box()->Model() != nullptr; }
  int Length() const override { return static_cast<int>(Model().Text().size()); }
  QString Slice(int start, int end) const override {
    return QString::fromUtf16(Model().Text().data() + start, end - start);
  }
  int Caret() const override { return Model().CaretPos(); }
  int Anchor() const override { return Model().AnchorPos(); }
  bool Editable() const override { return true; }
  QRectF CharacterRect(int offset) const override { return Box()->CharacterRect(offset); }
  int PosAt(QPoint point) const override { return Box()->PosAt(point); }

  void Select(int anchor, int caret) override {
    if (Box()->onSelect) Box()->onSelect(anchor, caret);
  }
  void Type(const QString& text) override {
    if (Box()->onCommit) Box()->onCommit(text.toStdU16String());
  }
  void PressDelete() override {
    if (Box()->onKey) Box()->onKey(KeyEvent{key::Delete, shift::None, {}});
  }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
  if (auto* box = qobject_cast<CommandBoxView*>(object)) return new CommandBoxAccessible(box);
  return nullptr;
}

}  // namespace

void MakeAccessible(CommandBoxView* box) { MakeAccessible(box, Factory); }

}  // namespace quilmar
