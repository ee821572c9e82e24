#include "key_translation.hh"

#include <QGuiApplication>
#include <QKeyEvent>
#include <optional>

#include "keyboard_layout.hh"
#include "platform/us_keyboard.hh"

namespace quilmar {
namespace {

// One key: the editor's code, the Qt key of a key that types nothing, and the X keycode
// (evdev code + 8) of the key at that place on a US keyboard. Keys that type a character
// have no Qt key here: theirs is the character, which the US layout table gives. The first
// row of a code makes key presses from it; later rows of the same code only translate (the
// right-hand modifiers, Backtab). Keypad rows are told apart by Qt's keypad flag, and their
// place never decides: what the digit block means depends on Num Lock, which only the Qt key
// knows.
struct KeyRow {
  KeyCode code;
  int qtKey;
  quint32 x11;
  bool keypad = false;
};

constexpr bool kKeypad = true;

constexpr KeyRow kKeys[] = {
    {key::Back, Qt::Key_Backspace, 22}, {key::Tab, Qt::Key_Tab, 23}, {key::Tab, Qt::Key_Backtab, 0},
    {key::Clear, Qt::Key_Clear, 0}, {key::Return, Qt::Key_Return, 36},
    {key::Return, Qt::Key_Enter, 104, kKeypad}, {key::Return, Qt::Key_Enter, 0},
    {key::Shift, Qt::Key_Shift, 50}, {key::Shift, 0, 62},
    {key::Control, Qt::Key_Control, 37}, {key::Control, 0, 105},
    {key::Alt, Qt::Key_Alt, 64}, {key::Alt, Qt::Key_AltGr, 108},
    {key::Pause, Qt::Key_Pause, 127}, {key::CapsLock, Qt::Key_CapsLock, 66},
    {key::Escape, Qt::Key_Escape, 9}, {key::Space, 0, 65},
    {key::PageUp, Qt::Key_PageUp, 112}, {key::PageDown, Qt::Key_PageDown, 117},
    {key::End, Qt::Key_End, 115}, {key::Home, Qt::Key_Home, 110},
    {key::Left, Qt::Key_Left, 113}, {key::Up, Qt::Key_Up, 111},
    {key::Right, Qt::Key_Right, 114}, {key::Down, Qt::Key_Down, 116},
    {key::PrintScreen, Qt::Key_Print, 107}, {key::Insert, Qt::Key_Insert, 118},
    {key::Delete, Qt::Key_Delete, 119},
    {key::D0, 0, 19}, {key::D1, 0, 10}, {key::D2, 0, 11}, {key::D3, 0, 12}, {key::D4, 0, 13},
    {key::D5, 0, 14}, {key::D6, 0, 15}, {key::D7, 0, 16}, {key::D8, 0, 17}, {key::D9, 0, 18},
    {key::A, 0, 38}, {key::B, 0, 56}, {key::C, 0, 54}, {key::D, 0, 40}, {key::E, 0, 26},
    {key::F, 0, 41}, {key::G, 0, 42}, {key::H, 0, 43}, {key::I, 0, 31}, {key::J, 0, 44},
    {key::K, 0, 45}, {key::L, 0, 46}, {key::M, 0, 58}, {key::N, 0, 57}, {key::O, 0, 32},
    {key::P, 0, 33}, {key::Q, 0, 24}, {key::R, 0, 27}, {key::S, 0, 39}, {key::T, 0, 28},
    {key::U, 0, 30}, {key::V, 0, 55}, {key::W, 0, 25}, {key::X, 0, 53}, {key::Y, 0, 29},
    {key::Z, 0, 52},
    {key::LeftMeta, Qt::Key_Meta, 133}, {key::RightMeta, 0, 134}, {key::Menu, Qt::Key_Menu, 135},
    {key::Numpad0, Qt::Key_0, 90, kKeypad}, {key::Numpad1, Qt::Key_1, 87, kKeypad},
    {key::Numpad2, Qt::Key_2, 88, kKeypad}, {key::Numpad3, Qt::Key_3, 89, kKeypad},
    {key::Numpad4, Qt::Key_4, 83, kKeypad}, {key::Numpad5, Qt::Key_5, 84, kKeypad},
    {key::Numpad6, Qt::Key_6, 85, kKeypad}, {key::Numpad7, Qt::Key_7, 79, kKeypad},
    {key::Numpad8, Qt::Key_8, 80, kKeypad}, {key::Numpad9, Qt::Key_9, 81, kKeypad},
    {key::Multiply, Qt::Key_Asterisk, 63, kKeypad}, {key::Add, Qt::Key_Plus, 86, kKeypad},
    {key::Subtract, Qt::Key_Minus, 82, kKeypad}, {key::Decimal, Qt::Key_Period, 91, kKeypad},
    {key::Decimal, Qt::Key_Comma, 0, kKeypad}, {key::Divide, Qt::Key_Slash, 106, kKeypad},
    {key::F1, Qt::Key_F1, 67}, {key::F2, Qt::Key_F2, 68}, {key::F3, Qt::Key_F3, 69},
    {key::F4, Qt::Key_F4, 70}, {key::F5, Qt::Key_F5, 71}, {key::F6, Qt::Key_F6, 72},
    {key::F7, Qt::Key_F7, 73}, {key::F8, Qt::Key_F8, 74}, {key::F9, Qt::Key_F9, 75},
    {key::F10, Qt::Key_F10, 76}, {key::F11, Qt::Key_F11, 95}, {key::F12, Qt::Key_F12, 96},
    {key::F12 + 1, Qt::Key_F13, 0}, {key::F12 + 2, Qt::Key_F14, 0}, {key::F12 + 3, Qt::Key_F15, 0},
    {key::F12 + 4, Qt::Key_F16, 0}, {key::F12 + 5, Qt::Key_F17, 0}, {key::F12 + 6, Qt::Key_F18, 0},
    {key::F12 + 7, Qt::Key_F19, 0}, {key::F12 + 8, Qt::Key_F20, 0}, {key::F12 + 9, Qt::Key_F21, 0},
    {key::F12 + 10, Qt::Key_F22, 0}, {key::F12 + 11, Qt::Key_F23, 0}, {key::F24, Qt::Key_F24, 0},
    {key::NumLock, Qt::Key_NumLock, 77}, {key::ScrollLock, Qt::Key_ScrollLock, 78},
    {key::Semicolon, 0, 47}, {key::Equals, 0, 21}, {key::Comma, 0, 59}, {key::Minus, 0, 20},
    {key::Period, 0, 60}, {key::Slash, 0, 61}, {key::Grave, 0, 49}, {key::LeftBracket, 0, 34},
    {key::Backslash, 0, 51}, {key::RightBracket, 0, 35}, {key::Quote, 0, 48},
    {key::IntlBackslash, 0, 94},
};

const KeyRow* RowAtPlace(quint32 x11) {
  for (const KeyRow& row : kKeys)
    if (row.x11 == x11) return &row;
  return nullptr;
}

const KeyRow* FirstRowOf(KeyCode code) {
  for (const KeyRow& row : kKeys)
    if (row.code == code) return &row;
  return nullptr;
}

// A key that types nothing by its Qt key; a keypad key by its keypad row. A character's Qt
// key is the character (upper case for letters), read through the US layout.
KeyCode CodeOfQtKey(int qtKey, bool keypad) {
  if (qtKey == 0) return 0;
  for (const KeyRow& row : kKeys)
    if (row.qtKey == qtKey && row.keypad == keypad) return row.code;
  if (keypad) return CodeOfQtKey(qtKey, false);  // Home, End... of the keypad without Num Lock
  if (qtKey > 0 && qtKey < 0x80)
    if (auto us = UsKeyFor(static_cast<char16_t>(qtKey))) return us->code;
  return 0;
}

ShiftState ShiftBits(Qt::KeyboardModifiers modifiers) {
  ShiftState bits = shift::None;
  if (modifiers & Qt::ShiftModifier) bits |= shift::Shift;
  if (modifiers & Qt::ControlModifier) bits |= shift::Ctrl;
  if (modifiers & Qt::AltModifier) bits |= shift::Alt;
  return bits;
}

String TypedText(const QString& text, ShiftState bits) {
  if (bits & (shift::Ctrl | shift::Alt)) return {};
  String typed;
  typed.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text)
    if (c.unicode() >= 0x20 && c.unicode() != 0x7F) typed.push_back(c.unicode());
  return typed;
}

bool Printable(char32_t c) { return c >= 0x20 && c != 0x7F && c < 0x110000; }

// The character the key stands for: what it types when that is one character, else its Qt
// key where that is a character (Ctrl+Z types a control character but is still key Z).
std::optional<char32_t> CharacterOf(const QtKeyInput& input) {
  const QList<uint> points = input.text.toUcs4();
  if (points.size() == 1 && Printable(points.front())) return points.front();
  if (input.qtKey > 0 && Printable(static_cast<char32_t>(input.qtKey)))
    return static_cast<char32_t>(input.qtKey);
  return std::nullopt;
}

// A letter key: A-Z for its letter, nothing for other Latin letters, the US key at its place
// for the letters of other scripts.
KeyCode LetterCode(char32_t letter, const KeyRow* place) {
  if (letter >= U'a' && letter <= U'z') return static_cast<KeyCode>(key::A + (letter - U'a'));
  if (letter >= U'A' && letter <= U'Z') return static_cast<KeyCode>(key::A + (letter - U'A'));
  if (QChar::script(letter) == QChar::Script_Latin) return 0;
  return place ? place->code : 0;
}

}  // namespace

KeyEvent TranslateKey(const QtKeyInput& input) {
  KeyEvent event;
  event.shift = ShiftBits(input.modifiers);
  event.text = TypedText(input.text, event.shift);
  const KeyRow* place =
      input.scanCode != 0 && input.scanCodesAreXkb ? RowAtPlace(input.scanCode) : nullptr;
  if ((input.modifiers & Qt::KeypadModifier) || (place && place->keypad)) {
    event.code = CodeOfQtKey(input.qtKey, true);
    return event;
  }
  const std::optional<char32_t> c = CharacterOf(input);
  if (c && QChar::isLetter(*c) && QChar::script(*c) != QChar::Script_Common) {
    event.code = LetterCode(*c, place);
    return event;
  }
  const bool readByCharacter = c && *c < 0x80 &&
                               (*c == U':' || *c == U'/' || !input.layoutIsLatin || input.layoutIsLatin());
  if (readByCharacter) {
    const auto us = UsKeyFor(static_cast<char16_t>(*c));
    if (us) {
      // Shift as the US key needs it for this character; a held Shift that types the same
      // character there (Shift+Space) stays.
      const ShiftState held = event.shift & shift::Shift;
      event.code = us->code;
      if (UsCharFor(us->code, held) != us->text.front())
        event.shift = static_cast<ShiftState>((event.shift & ~shift::Shift) | us->shift);
      return event;
    }
  }
  event.code = place ? place->code : CodeOfQtKey(input.qtKey, false);
  return event;
}

KeyEvent TranslateKey(const QKeyEvent& event) {
  QtKeyInput input{event.key(), event.modifiers(), event.nativeScanCode(), event.text(),
                   PlatformScanCodesAreXkb(), {}};
  if (KeyboardLayoutIsKnown())
    input.layoutIsLatin = [&event] { return LayoutWritesLatin(event.nativeModifiers()); };
  return TranslateKey(input);
}

bool PlatformScanCodesAreXkb() {
  static const bool xkb = [] {
    const QString name = QGuiApplication::platformName();
    return name != QLatin1String("windows") && name != QLatin1String("cocoa") &&
           name != QLatin1String("ios") && name != QLatin1String("android");
  }();
  return xkb;
}

Qt::Key QtKeyForCode(KeyCode code) {
  const KeyRow* row = FirstRowOf(code);
  if (row && row->qtKey != 0) return static_cast<Qt::Key>(row->qtKey);
  if (const auto c = UsCharFor(code, shift::None))
    return static_cast<Qt::Key>(QChar::toUpper(static_cast<char32_t>(*c)));
  return Qt::Key_unknown;
}

QtKeyInput KeyPressFor(const KeyEvent& key) {
  QtKeyInput input;
  const KeyRow* row = FirstRowOf(key.code);
  if (key.shift & shift::Shift) input.modifiers |= Qt::ShiftModifier;
  if (key.shift & shift::Ctrl) input.modifiers |= Qt::ControlModifier;
  if (key.shift & shift::Alt) input.modifiers |= Qt::AltModifier;
  if (row && row->keypad) input.modifiers |= Qt::KeypadModifier;
  input.scanCode = row ? row->x11 : 0;
  const std::optional<char16_t> typed = UsCharFor(key.code, key.shift & shift::Shift);
  input.qtKey = row && row->qtKey != 0 ? row->qtKey
                : typed                ? static_cast<int>(QChar::toUpper(static_cast<char32_t>(*typed)))
                                       : static_cast<int>(Qt::Key_unknown);
  input.text = QString::fromStdU16String(key.text);
  if (typed && (key.shift & (shift::Ctrl | shift::Alt))) {
    const bool letter = key.code >= key::A && key.code <= key::Z;
    input.text = QChar((key.shift & shift::Ctrl) && letter ? static_cast<char16_t>(*typed & 0x1F) : *typed);
  }
  return input;
}

}  // namespace quilmar
