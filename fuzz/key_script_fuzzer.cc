// Random keys, command lines, mouse releases, selections, menu clicks, resizes and input-method
// text against the headless editor, on a random document loaded from an in-memory file. After
// every event the editor's invariants are checked (editor_invariants.hh).
#include <array>
#include <optional>
#include <string>

#include "app/app.hh"
#include "editor_invariants.hh"
#include "fuzz_text.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"
#include "platform/us_keyboard.hh"

namespace {

using namespace quilmar;

// Keys worth pressing: every key the handlers name, letters, digits, keypad digits, F-keys.
constexpr std::array<KeyCode, 40> kNamedKeys{
    key::Back, key::Tab, key::Return, key::Escape, key::Space, key::PageUp, key::PageDown, key::End,
    key::Home, key::Left, key::Up, key::Right, key::Down, key::Insert, key::Delete, key::Semicolon,
    key::Equals, key::Comma, key::Minus, key::Period, key::Slash, key::Grave, key::LeftBracket,
    key::Backslash, key::RightBracket, key::Quote, key::F1, key::F3, key::F9, key::F12, key::Numpad0,
    key::Numpad9, 16, 17, 18, 20, 0, 255, 112 + 4, 45};

KeyCode PickKey(FuzzedDataProvider& in) {
  const auto pick = in.ConsumeIntegral<std::uint8_t>();
  if (pick < 26 * 3) return static_cast<KeyCode>(key::A + pick % 26);   // letters, most often
  if (pick < 26 * 3 + 20) return static_cast<KeyCode>(key::D0 + pick % 10);
  return kNamedKeys[pick % kNamedKeys.size()];
}

ShiftState PickShift(FuzzedDataProvider& in) {
  const auto bits = in.ConsumeIntegral<std::uint8_t>();
  if (bits < 160) return shift::None;
  if (bits < 220) return shift::Shift;
  return static_cast<ShiftState>(bits & 7);
}

KeyEvent KeyWithText(KeyCode code, ShiftState shift) {
  KeyEvent key{code, shift, {}};
  if (auto c = UsCharFor(code, shift)) key.text = String(1, static_cast<char16_t>(*c));
  return key;
}

// "x" in Command mode leaves the document unlocked until the next key reaches it.
bool unlockedByX = false;

// Sends a key and notes it in the journal: its text, or <code/shift> for keys that type none.
void Press(headless::HeadlessEditor& editor, const KeyEvent& key) {
  App& app = editor.app;
  const bool toDocument = editor.focus.Focused() == Control::txtMain && !MenuItemForShortcut(key.code, key.shift);
  if (toDocument) unlockedByX = key.code == key::X && app.Mode().CommandMode();
  fuzz::Journal() += key.text.empty() ? "<" + std::to_string(key.code) + "/" + std::to_string(key.shift) + ">"
                                      : ToUtf8(key.text);
  app.Dispatch(KeyDownEvent{key});
}

constexpr StringView kCommandAlphabet = u"wq!:0123456789 ,s/\\ntaAbx.ini";
constexpr StringView kCommitAlphabet = u"ab \r\n\tA";

// What one event was, as the invariants need to know it.
struct Delivered {
  bool commitInCommandMode = false;
  String textBefore;
};

Delivered Deliver(FuzzedDataProvider& in, headless::HeadlessEditor& editor) {
  App& app = editor.app;
  Delivered d;
  const bool inDocument = editor.focus.Focused() == Control::txtMain;
  switch (in.ConsumeIntegralInRange(0, 15)) {
    default: {  // a key, most of the time
      const KeyCode code = PickKey(in);
      const ShiftState shift = PickShift(in);
      Press(editor, KeyWithText(code, shift));
      break;
    }
    case 8:
    case 9: {  // a whole command line, typed and ended with Enter (or abandoned with Escape)
      Press(editor, *UsKeyFor(in.ConsumeBool() ? ':' : '/'));
      for (char16_t c : fuzz::ConsumeText(in, 24, kCommandAlphabet))
        if (auto key = UsKeyFor(static_cast<char>(c < 0x80 ? c : '?'))) Press(editor, *key);
      Press(editor, KeyEvent{in.ConsumeIntegralInRange(0, 7) == 0 ? key::Escape : key::Return, shift::None, {}});
      break;
    }
    case 10: {
      constexpr std::array<int, 3> kButtons{mouse::Left, mouse::Right, mouse::Middle};
      const int button = kButtons[in.ConsumeIntegralInRange(0, 2)];
      fuzz::Journal() += "<mouseup:" + std::to_string(button) + ">";
      app.Dispatch(MouseUpEvent{button, shift::None});
      break;
    }
    case 11: {  // a mouse drag: anchor and caret anywhere, also outside the text
      if (app.Closed()) break;
      const CharPos length = app.Document().Length();
      const CharPos anchor = in.ConsumeIntegralInRange<std::int64_t>(-2, length.value() + 2);
      const CharPos caret = in.ConsumeIntegralInRange<std::int64_t>(-2, length.value() + 2);
      fuzz::Journal() += "<select:" + std::to_string(anchor.value()) + "," + std::to_string(caret.value()) + ">";
      app.Dispatch(SelectEvent{anchor, caret});
      break;
    }
    case 12: {
      const auto item = static_cast<MenuItem>(in.ConsumeIntegralInRange(0, 12));
      fuzz::Journal() += "<menu:" + std::string(InfoOf(item).name) + ">";
      app.Dispatch(MenuClickEvent{item});
      break;
    }
    case 13: {
      if (app.Closed()) break;
      const int cols = in.ConsumeIntegralInRange(1, 30), rows = in.ConsumeIntegralInRange(1, 10);
      fuzz::Journal() += "<cells:" + std::to_string(cols) + "," + std::to_string(rows) + ">";
      editor.measure.Resize(cols, rows);
      app.Dispatch(ViewResizedEvent{});
      break;
    }
    case 14: {
      d.commitInCommandMode = inDocument && app.Mode().CommandMode();
      d.textBefore = app.Document().Text();
      const String text = fuzz::ConsumeText(in, 8, kCommitAlphabet);
      fuzz::Journal() += "<commit:" + fuzz::Show(text) + ">";
      app.Dispatch(CommitTextEvent{text});
      break;
    }
    case 15: {  // any key code at all, with its US text if it has one
      const auto code = in.ConsumeIntegral<KeyCode>();
      const ShiftState shift = in.ConsumeIntegralInRange<ShiftState>(0, 7);
      Press(editor, KeyWithText(code, shift));
      break;
    }
  }
  return d;
}

constexpr StringView kFile = u"/home/user/doc.txt";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  headless::MemoryFileSystem fs;
  fuzz::Journal().clear();
  unlockedByX = false;
  if (in.ConsumeBool()) {
    fs.AddFile(u"/opt/quilmar/quilmar.ini", "CmdStart=False\r\n");
    fuzz::Journal() += "(start in Insert mode) ";
  }
  const std::string file = in.ConsumeRandomLengthString(600);
  fs.AddFile(String(kFile), file);
  fuzz::Journal() += "(file " + fuzz::Show(FromUtf8(file)) + ") ";
  headless::EditorSetup setup;
  setup.cols = in.ConsumeIntegralInRange(1, 30);
  setup.rows = in.ConsumeIntegralInRange(1, 10);
  setup.fileDialogs = {String(kFile), String(u"/home/user/other.txt"), std::nullopt, String(u"/opt/quilmar/quilmar.ini")};
  setup.clipboard = u"clip\r\nboard";
  headless::HeadlessEditor editor(fs, setup);
  editor.app.Dispatch(StartEvent{String(kFile)});
  fuzz::CheckEditor(editor, {});

  for (int events = 0; events < 400 && in.remaining_bytes() > 0 && !editor.app.Closed(); ++events) {
    const Delivered d = Deliver(in, editor);
    if (editor.app.Closed()) break;
    fuzz::EventFacts facts;
    facts.unlockedByX = unlockedByX;
    if (d.commitInCommandMode && editor.app.Document().Text() != d.textBefore)
      fuzz::Fail("input-method text typed into the locked document in Command mode",
                 "before " + fuzz::Show(d.textBefore) + "\nafter  " + fuzz::Show(editor.app.Document().Text()));
    fuzz::CheckEditor(editor, facts);
  }
  editor.app.Dispatch(CloseEvent{});
  return 0;
}
