// Qt key presses become the editor's key codes: letters by their label on Latin layouts and by
// their place on the others, ":" and "/" by what they type on every layout, whatever Caps Lock.
// The rows are what the X11 platform reports for real keys of each layout.
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "key_translation.hh"
#include "platform/us_keyboard.hh"

namespace quilmar {
namespace {

enum class Layout { us, de, fr, ru, el };

struct Case {
  const char* what;
  Layout layout;
  int qtKey;
  Qt::KeyboardModifiers modifiers;
  quint32 scanCode;  // X keycode; 0 as on platforms without scan codes
  QString text;
  KeyCode code;
  ShiftState shift;
  String typed;
};

const Qt::KeyboardModifiers kNone = Qt::NoModifier;
const Qt::KeyboardModifiers kShift = Qt::ShiftModifier;
const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier;
const Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;
QString Ch(char16_t c) { return QString(QChar(c)); }

const Case kCases[] = {
    // Letters: the code is the upper-case letter; Shift and Caps Lock only change the text.
    {"a", Layout::us, Qt::Key_A, kNone, 38, "a", key::A, shift::None, u"a"},
    {"Shift+a", Layout::us, Qt::Key_A, kShift, 38, "A", key::A, shift::Shift, u"A"},
    {"Caps Lock a", Layout::us, Qt::Key_A, kNone, 38, "A", key::A, shift::None, u"A"},
    {"Caps Lock Shift+i", Layout::us, Qt::Key_I, kShift, 31, "i", key::I, shift::Shift, u"i"},
    {"i without scan code", Layout::us, Qt::Key_I, kNone, 0, "i", key::I, shift::None, u"i"},
    // Digits and punctuation; shifted symbols name the US key that types them.
    {"4", Layout::us, Qt::Key_4, kNone, 13, "4", key::D4, shift::None, u"4"},
    {"Shift+4 is $", Layout::us, Qt::Key_Dollar, kShift, 13, "$", key::D4, shift::Shift, u"$"},
    {"$ without scan code", Layout::us, Qt::Key_Dollar, kShift, 0, "$", key::D4, shift::Shift, u"$"},
    {":", Layout::us, Qt::Key_Colon, kShift, 47, ":", key::Semicolon, shift::Shift, u":"},
    {";", Layout::us, Qt::Key_Semicolon, kNone, 0, ";", key::Semicolon, shift::None, u";"},
    {"/", Layout::us, Qt::Key_Slash, kNone, 61, "/", key::Slash, shift::None, u"/"},
    {"?", Layout::us, Qt::Key_Question, kShift, 0, "?", key::Slash, shift::Shift, u"?"},
    {"|", Layout::us, Qt::Key_Bar, kShift, 51, "|", key::Backslash, shift::Shift, u"|"},
    {"Shift+Space keeps Shift", Layout::us, Qt::Key_Space, kShift, 65, " ", key::Space, shift::Shift, u" "},
    // German: letters by their label, ":" and "/" wherever they are, umlauts are no commands.
    {"de z at the US y place", Layout::de, Qt::Key_Z, kNone, 29, "z", key::Z, shift::None, u"z"},
    {"de y at the US z place", Layout::de, Qt::Key_Y, kNone, 52, "y", key::Y, shift::None, u"y"},
    {"de Ctrl+Z", Layout::de, Qt::Key_Z, kCtrl, 29, "\x1a", key::Z, shift::Ctrl, u""},
    {"de o umlaut at the US ; place", Layout::de, 0xd6, kNone, 47, Ch(u'\u00f6'), 0, shift::None, u"\u00f6"},
    {"de Shift+o umlaut is no colon", Layout::de, 0xd6, kShift, 47, Ch(u'\u00d6'), 0, shift::Shift, u"\u00d6"},
    {"de : is Shift+.", Layout::de, Qt::Key_Colon, kShift, 60, ":", key::Semicolon, shift::Shift, u":"},
    {"de / is Shift+7", Layout::de, Qt::Key_Slash, kShift, 16, "/", key::Slash, shift::None, u"/"},
    {"de - at the US / place", Layout::de, Qt::Key_Minus, kNone, 61, "-", key::Minus, shift::None, u"-"},
    {"de $ is Shift+4", Layout::de, Qt::Key_Dollar, kShift, 13, "$", key::D4, shift::Shift, u"$"},
    {"de AltGr+q types @", Layout::de, Qt::Key_At, kNone, 24, "@", key::D2, shift::Shift, u"@"},
    // French AZERTY: "a" and "q" change places, ":" needs no Shift, digits need it.
    {"fr a at the US q place", Layout::fr, Qt::Key_A, kNone, 24, "a", key::A, shift::None, u"a"},
    {"fr q at the US a place", Layout::fr, Qt::Key_Q, kNone, 38, "q", key::Q, shift::None, u"q"},
    {"fr Ctrl+W at the US z place", Layout::fr, Qt::Key_W, kCtrl, 52, "\x17", key::W, shift::Ctrl, u""},
    {"fr : at the US . place", Layout::fr, Qt::Key_Colon, kNone, 60, ":", key::Semicolon, shift::Shift, u":"},
    {"fr / is Shift+:", Layout::fr, Qt::Key_Slash, kShift, 60, "/", key::Slash, shift::None, u"/"},
    {"fr ! at the US / place", Layout::fr, Qt::Key_Exclam, kNone, 61, "!", key::D1, shift::Shift, u"!"},
    {"fr Shift+4 key types 4", Layout::fr, Qt::Key_4, kShift, 13, "4", key::D4, shift::None, u"4"},
    {"fr $ key", Layout::fr, Qt::Key_Dollar, kNone, 35, "$", key::D4, shift::Shift, u"$"},
    {"fr a grave on the 0 key", Layout::fr, 0xc0, kNone, 19, Ch(u'\u00e0'), 0, shift::None, u"\u00e0"},
    // Russian: letters and punctuation by their US place; ":" and "/" also where they are.
    {"ru sha at the US i place", Layout::ru, 0x0428, kNone, 31, Ch(u'\u0448'), key::I, shift::None, u"\u0448"},
    {"ru Shift+sha", Layout::ru, 0x0428, kShift, 31, Ch(u'\u0428'), key::I, shift::Shift, u"\u0428"},
    {"ru Shift+zhe at the US ; place", Layout::ru, 0x0416, kShift, 47, Ch(u'\u0416'), key::Semicolon, shift::Shift, u"\u0416"},
    {"ru . at the US / place", Layout::ru, Qt::Key_Period, kNone, 61, ".", key::Slash, shift::None, u"."},
    {"ru ; at the US $ place", Layout::ru, Qt::Key_Semicolon, kShift, 13, ";", key::D4, shift::Shift, u";"},
    {"ru / is Shift+backslash", Layout::ru, Qt::Key_Slash, kShift, 51, "/", key::Slash, shift::None, u"/"},
    {"ru : is Shift+6", Layout::ru, Qt::Key_Colon, kShift, 15, ":", key::Semicolon, shift::Shift, u":"},
    {"ru Ctrl+ya", Layout::ru, 0x042f, kCtrl, 52, Ch(u'\u044f'), key::Z, shift::Ctrl, u""},
    {"ru Ctrl+ya, us group found", Layout::ru, Qt::Key_Z, kCtrl, 52, "\x1a", key::Z, shift::Ctrl, u""},
    // Greek: ";" sits at the US q place and is no command there.
    {"el ; at the US q place", Layout::el, Qt::Key_Semicolon, kNone, 24, ";", key::Q, shift::None, u";"},
    // The keypad's digits are not the digit keys; without Num Lock they are motions.
    {"keypad 4", Layout::us, Qt::Key_4, kKeypad, 83, "4", key::Numpad4, shift::None, u"4"},
    {"keypad 0 without scan code", Layout::us, Qt::Key_0, kKeypad, 0, "0", key::Numpad0, shift::None, u"0"},
    {"keypad 7 without Num Lock", Layout::us, Qt::Key_Home, kKeypad, 79, "", key::Home, shift::None, u""},
    {"keypad /", Layout::us, Qt::Key_Slash, kKeypad, 106, "/", key::Divide, shift::None, u"/"},
    {"keypad Enter", Layout::us, Qt::Key_Enter, kKeypad, 104, "\r", key::Return, shift::None, u""},
    {"ru keypad .", Layout::ru, Qt::Key_Period, kKeypad, 91, ".", key::Decimal, shift::None, u"."},
    // Keys that type nothing, and control characters that are no text.
    {"Escape", Layout::us, Qt::Key_Escape, kNone, 9, "\x1b", key::Escape, shift::None, u""},
    {"Backspace", Layout::us, Qt::Key_Backspace, kNone, 0, "\b", key::Back, shift::None, u""},
    {"ru Return", Layout::ru, Qt::Key_Return, kNone, 36, "\r", key::Return, shift::None, u""},
    {"Delete", Layout::us, Qt::Key_Delete, kNone, 119, "\x7f", key::Delete, shift::None, u""},
    {"Insert", Layout::us, Qt::Key_Insert, kNone, 0, "", key::Insert, shift::None, u""},
    {"F3", Layout::us, Qt::Key_F3, kNone, 69, "", key::F3, shift::None, u""},
    {"F12 without scan code", Layout::us, Qt::Key_F12, kNone, 0, "", key::F12, shift::None, u""},
    {"de dead acute", Layout::de, Qt::Key_Dead_Acute, kNone, 21, "", key::Equals, shift::None, u""},
    // Ctrl and Alt make shortcuts: the code stays, no text is typed.
    {"Ctrl+Shift+V", Layout::us, Qt::Key_V, kCtrl | kShift, 55, "\x16", key::V, shift::Ctrl | shift::Shift, u""},
    {"Alt+h", Layout::us, Qt::Key_H, Qt::AltModifier, 43, "h", key::H, shift::Alt, u""},
    // Text from a compose sequence passes unchanged.
    {"composed", Layout::us, Qt::Key_unknown, kNone, 0, Ch(u'\u00e9'), 0, shift::None, u"\u00e9"},
};

TEST(KeyTranslation, KeysOfEachLayoutByLabelOrPlace) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    bool asked = false;
    QtKeyInput input{c.qtKey, c.modifiers, c.scanCode, c.text, true, [&] {
                       asked = true;
                       return c.layout != Layout::ru && c.layout != Layout::el;
                     }};
    const KeyEvent key = TranslateKey(input);
    EXPECT_EQ(key.code, c.code);
    EXPECT_EQ(key.shift, c.shift);
    EXPECT_EQ(key.text, c.typed);
    // The layout costs a round trip to the X server: letters and keys that type nothing
    // never ask.
    if (key.text.empty() || QChar::isLetter(key.text.front())) {
      EXPECT_FALSE(asked);
    }
  }
}

TEST(KeyTranslation, RealKeyEventsCarryTheirScanCode) {
  // A synthetic event as the X11 platform would send it for the "i" key on a Russian layout.
  QKeyEvent sha(QEvent::KeyPress, 0x0448, Qt::NoModifier, 31, 0x6d8, 0, QString(QChar(0x0448)));
  const KeyEvent key = TranslateKey(sha);
  EXPECT_EQ(key.code, key::I);
  EXPECT_EQ(key.text, u"\u0448");
}

TEST(KeyTranslation, ScanCodesIgnoredWhereThePlatformHasOthers) {
  // Windows scan codes are not X keycodes: 31 there must not be read as "i".
  const KeyEvent key = TranslateKey(QtKeyInput{Qt::Key_S, kNone, 31, "s", false, {}});
  EXPECT_EQ(key.code, key::S);
}

TEST(KeyTranslation, ScriptKeysReadBackAsTheSameKeyUnderEveryModifier) {
  // What quilmar-batch --qt sends for a script's key must come back whole: Ctrl+":" is still
  // ":" with Ctrl, not ";".
  for (KeyCode code = 1; code < 256; ++code) {
    for (ShiftState held = shift::None; held <= (shift::Shift | shift::Ctrl | shift::Alt); ++held) {
      const std::optional<char16_t> typed = UsCharFor(code, held);
      const KeyEvent key{code, held, typed ? String(1, *typed) : String()};
      const QtKeyInput press = KeyPressFor(key);
      if (press.qtKey == Qt::Key_unknown && press.scanCode == 0) continue;
      SCOPED_TRACE(::testing::Message() << "code " << code << ", shift " << held);
      // By the key's place, and by its Qt key alone where it has one.
      for (const quint32 scanCode : {press.scanCode, quint32{0}}) {
        if (scanCode == 0 && press.qtKey == Qt::Key_unknown) continue;
        QtKeyInput input = press;
        input.scanCode = scanCode;
        const KeyEvent read = TranslateKey(input);
        EXPECT_EQ(read.code, code);
        EXPECT_EQ(read.shift, held);
        EXPECT_EQ(read.text, key.text);
      }
    }
  }
}

}  // namespace
}  // namespace quilmar
