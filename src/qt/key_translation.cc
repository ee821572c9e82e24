#include "key_translation.hh"

#include <QGuiApplication>
#include <QKeyEvent>
#include <array>
#include <utility>

namespace quilmar {
namespace {

// Physical keys of a US keyboard by X keycode (evdev code + 8). The keypad's digit keys are
// missing on purpose: what they are depends on Num Lock, which only the Qt key tells.
constexpr std::pair<quint32, KeyCode> kScanCodes[] = {
    {9, key::Escape}, {10, 49}, {11, 50}, {12, 51}, {13, 52}, {14, 53}, {15, 54}, {16, 55},
    {17, 56}, {18, 57}, {19, 48}, {20, key::Minus}, {21, key::Equals}, {22, key::Back},
    {23, key::Tab}, {24, 81}, {25, 87}, {26, 69}, {27, 82}, {28, 84}, {29, 89}, {30, 85},
    {31, 73}, {32, 79}, {33, 80}, {34, key::LeftBracket}, {35, key::RightBracket},
    {36, key::Return}, {37, 17}, {38, 65}, {39, 83}, {40, 68}, {41, 70}, {42, 71}, {43, 72},
    {44, 74}, {45, 75}, {46, 76}, {47, key::Semicolon}, {48, key::Quote}, {49, key::Grave},
    {50, 16}, {51, key::Backslash}, {52, 90}, {53, 88}, {54, 67}, {55, 86}, {56, 66},
    {57, 78}, {58, 77}, {59, key::Comma}, {60, key::Period}, {61, key::Slash}, {62, 16},
    {63, 106}, {64, 18}, {65, key::Space}, {66, 20}, {67, 112}, {68, 113}, {69, 114},
    {70, 115}, {71, 116}, {72, 117}, {73, 118}, {74, 119}, {75, 120}, {76, 121}, {77, 144},
    {78, 145}, {82, 109}, {86, 107}, {94, 226}, {95, 122}, {96, 123}, {104, key::Return},
    {105, 17}, {106, 111}, {107, 44}, {108, 18}, {110, key::Home}, {111, key::Up},
    {112, key::PageUp}, {113, key::Left}, {114, key::Right}, {115, key::End},
    {116, key::Down}, {117, key::PageDown}, {118, key::Insert}, {119, key::Delete},
    {127, 19}, {133, 91}, {134, 92}, {135, 93},
};

// The keypad's digit block (7 8 9 / 4 5 6 / 1 2 3 / 0 .), by X keycode.
constexpr quint32 kKeypadScanCodes[] = {79, 80, 81, 83, 84, 85, 87, 88, 89, 90, 91};

// Qt keys that are not letters or digits, by the US key that produces them. Shifted symbols
// name the unshifted key: "$" is the 4 key, ":" the ";" key.
constexpr std::pair<int, KeyCode> kQtKeys[] = {
    {Qt::Key_Escape, key::Escape}, {Qt::Key_Tab, key::Tab}, {Qt::Key_Backtab, key::Tab},
    {Qt::Key_Backspace, key::Back}, {Qt::Key_Return, key::Return}, {Qt::Key_Enter, key::Return},
    {Qt::Key_Insert, key::Insert}, {Qt::Key_Delete, key::Delete}, {Qt::Key_Pause, 19},
    {Qt::Key_Print, 44}, {Qt::Key_Clear, 12}, {Qt::Key_Home, key::Home}, {Qt::Key_End, key::End},
    {Qt::Key_Left, key::Left}, {Qt::Key_Up, key::Up}, {Qt::Key_Right, key::Right},
    {Qt::Key_Down, key::Down}, {Qt::Key_PageUp, key::PageUp}, {Qt::Key_PageDown, key::PageDown},
    {Qt::Key_Shift, 16}, {Qt::Key_Control, 17}, {Qt::Key_Alt, 18}, {Qt::Key_AltGr, 18},
    {Qt::Key_CapsLock, 20}, {Qt::Key_NumLock, 144}, {Qt::Key_ScrollLock, 145},
    {Qt::Key_Meta, 91}, {Qt::Key_Menu, 93}, {Qt::Key_Space, key::Space},
    {Qt::Key_Exclam, 49}, {Qt::Key_At, 50}, {Qt::Key_NumberSign, 51}, {Qt::Key_Dollar, 52},
    {Qt::Key_Percent, 53}, {Qt::Key_AsciiCircum, 54}, {Qt::Key_Ampersand, 55},
    {Qt::Key_Asterisk, 56}, {Qt::Key_ParenLeft, 57}, {Qt::Key_ParenRight, 48},
    {Qt::Key_Minus, key::Minus}, {Qt::Key_Underscore, key::Minus},
    {Qt::Key_Equal, key::Equals}, {Qt::Key_Plus, key::Equals},
    {Qt::Key_Semicolon, key::Semicolon}, {Qt::Key_Colon, key::Semicolon},
    {Qt::Key_Apostrophe, key::Quote}, {Qt::Key_QuoteDbl, key::Quote},
    {Qt::Key_Comma, key::Comma}, {Qt::Key_Less, key::Comma},
    {Qt::Key_Period, key::Period}, {Qt::Key_Greater, key::Period},
    {Qt::Key_Slash, key::Slash}, {Qt::Key_Question, key::Slash},
    {Qt::Key_BracketLeft, key::LeftBracket}, {Qt::Key_BraceLeft, key::LeftBracket},
    {Qt::Key_BracketRight, key::RightBracket}, {Qt::Key_BraceRight, key::RightBracket},
    {Qt::Key_Backslash, key::Backslash}, {Qt::Key_Bar, key::Backslash},
    {Qt::Key_QuoteLeft, key::Grave}, {Qt::Key_AsciiTilde, key::Grave},
};

// Keys of the keypad that are not digits, by their Qt key (Qt::KeypadModifier held).
constexpr std::pair<int, KeyCode> kKeypadQtKeys[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107}, {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110}, {Qt::Key_Comma, 110}, {Qt::Key_Slash, 111},
    {Qt::Key_Enter, key::Return},
};

template <typename Table>
KeyCode Lookup(const Table& table, auto what) {
  for (const auto& [from, to] : table)
    if (from == what) return to;
  return 0;
}

bool IsKeypadDigitBlock(quint32 scanCode) {
  for (quint32 c : kKeypadScanCodes)
    if (c == scanCode) return true;
  return false;
}

// The code by Qt's idea of the key: letters, digits, the keypad, then the other keys.
KeyCode CodeFromQtKey(int qtKey, bool keypad) {
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
    return static_cast<KeyCode>(keypad ? key::Numpad0 + (qtKey - Qt::Key_0) : qtKey);
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return static_cast<KeyCode>(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
    return static_cast<KeyCode>(key::F1 + (qtKey - Qt::Key_F1));
  if (keypad) {
    if (KeyCode code = Lookup(kKeypadQtKeys, qtKey)) return code;
  }
  return Lookup(kQtKeys, qtKey);
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

}  // namespace

KeyEvent TranslateKey(const QtKeyInput& input) {
  KeyEvent event;
  event.shift = ShiftBits(input.modifiers);
  event.text = TypedText(input.text, event.shift);
  const bool keypad = input.modifiers & Qt::KeypadModifier;
  if (input.scanCode != 0 && input.scanCodesAreXkb) {
    if (IsKeypadDigitBlock(input.scanCode)) {
      event.code = CodeFromQtKey(input.qtKey, true);
      return event;
    }
    if (KeyCode code = Lookup(kScanCodes, input.scanCode)) {
      event.code = code;
      return event;
    }
  }
  event.code = CodeFromQtKey(input.qtKey, keypad);
  return event;
}

KeyEvent TranslateKey(const QKeyEvent& event) {
  return TranslateKey(QtKeyInput{event.key(), event.modifiers(), event.nativeScanCode(),
                                 event.text(), PlatformScanCodesAreXkb()});
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
  if (code >= 65 && code <= 90) return static_cast<Qt::Key>(code);
  if (code >= 48 && code <= 57) return static_cast<Qt::Key>(code);
  if (code >= key::Numpad0 && code <= key::Numpad9)
    return static_cast<Qt::Key>(Qt::Key_0 + (code - key::Numpad0));
  if (code >= key::F1 && code <= key::F1 + 23) return static_cast<Qt::Key>(Qt::Key_F1 + (code - key::F1));
  static constexpr std::pair<KeyCode, Qt::Key> kReverse[] = {
      {key::Back, Qt::Key_Backspace}, {key::Tab, Qt::Key_Tab}, {key::Return, Qt::Key_Return},
      {key::Escape, Qt::Key_Escape}, {key::Space, Qt::Key_Space}, {key::PageUp, Qt::Key_PageUp},
      {key::PageDown, Qt::Key_PageDown}, {key::End, Qt::Key_End}, {key::Home, Qt::Key_Home},
      {key::Left, Qt::Key_Left}, {key::Up, Qt::Key_Up}, {key::Right, Qt::Key_Right},
      {key::Down, Qt::Key_Down}, {key::Insert, Qt::Key_Insert}, {key::Delete, Qt::Key_Delete},
      {key::Semicolon, Qt::Key_Semicolon}, {key::Equals, Qt::Key_Equal},
      {key::Comma, Qt::Key_Comma}, {key::Minus, Qt::Key_Minus}, {key::Period, Qt::Key_Period},
      {key::Slash, Qt::Key_Slash}, {key::Grave, Qt::Key_QuoteLeft},
      {key::LeftBracket, Qt::Key_BracketLeft}, {key::Backslash, Qt::Key_Backslash},
      {key::RightBracket, Qt::Key_BracketRight}, {key::Quote, Qt::Key_Apostrophe},
      {106, Qt::Key_Asterisk}, {107, Qt::Key_Plus}, {109, Qt::Key_Minus}, {110, Qt::Key_Period},
      {111, Qt::Key_Slash}, {16, Qt::Key_Shift}, {17, Qt::Key_Control}, {18, Qt::Key_Alt},
      {20, Qt::Key_CapsLock},
  };
  for (const auto& [from, to] : kReverse)
    if (from == code) return to;
  return Qt::Key_unknown;
}

quint32 ScanCodeForCode(KeyCode code) {
  // The keypad's digit block, 0 to 9, then its decimal point.
  static constexpr quint32 kKeypad[] = {90, 87, 88, 89, 83, 84, 85, 79, 80, 81};
  if (code >= key::Numpad0 && code <= key::Numpad9) return kKeypad[code - key::Numpad0];
  if (code == 110) return 91;
  for (const auto& [scan, to] : kScanCodes)
    if (to == code) return scan;
  return 0;
}

}  // namespace quilmar
