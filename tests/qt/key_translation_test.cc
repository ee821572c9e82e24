// Qt key presses become the codes of the physical US keys, whatever the layout or Caps Lock.
#include <QKeyEvent>
#include <gtest/gtest.h>

#include "key_translation.hh"

namespace quilmar {
namespace {

struct Case {
  const char* what;
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
const Qt::KeyboardModifiers kKeypad = Qt::KeypadModifier;

const Case kCases[] = {
    // Letters: the code is the upper-case letter; Shift and Caps Lock only change the text.
    {"a", Qt::Key_A, kNone, 38, "a", 65, shift::None, u"a"},
    {"Shift+a", Qt::Key_A, kShift, 38, "A", 65, shift::Shift, u"A"},
    {"Caps Lock a", Qt::Key_A, kNone, 38, "A", 65, shift::None, u"A"},
    {"Caps Lock Shift+i", Qt::Key_I, kShift, 31, "i", 73, shift::Shift, u"i"},
    {"i without scan code", Qt::Key_I, kNone, 0, "i", 73, shift::None, u"i"},
    // Shifted digits name the digit key.
    {"4", Qt::Key_4, kNone, 13, "4", 52, shift::None, u"4"},
    {"Shift+4 is $", Qt::Key_Dollar, kShift, 13, "$", 52, shift::Shift, u"$"},
    {"$ without scan code", Qt::Key_Dollar, kShift, 0, "$", 52, shift::Shift, u"$"},
    {"Shift+0 is )", Qt::Key_ParenRight, kShift, 0, ")", 48, shift::Shift, u")"},
    // Punctuation by its key.
    {":", Qt::Key_Colon, kShift, 47, ":", 186, shift::Shift, u":"},
    {": without scan code", Qt::Key_Colon, kShift, 0, ":", 186, shift::Shift, u":"},
    {";", Qt::Key_Semicolon, kNone, 0, ";", 186, shift::None, u";"},
    {"/", Qt::Key_Slash, kNone, 61, "/", 191, shift::None, u"/"},
    {"?", Qt::Key_Question, kShift, 0, "?", 191, shift::Shift, u"?"},
    {"backslash", Qt::Key_Backslash, kNone, 0, "\\", 220, shift::None, u"\\"},
    {"|", Qt::Key_Bar, kShift, 51, "|", 220, shift::Shift, u"|"},
    // The keypad's digits are not the digit keys; without Num Lock they are motions.
    {"keypad 4", Qt::Key_4, kKeypad, 83, "4", 100, shift::None, u"4"},
    {"keypad 0 without scan code", Qt::Key_0, kKeypad, 0, "0", 96, shift::None, u"0"},
    {"keypad 9", Qt::Key_9, kKeypad, 81, "9", 105, shift::None, u"9"},
    {"keypad 7 without Num Lock", Qt::Key_Home, kKeypad, 79, "", 36, shift::None, u""},
    {"keypad /", Qt::Key_Slash, kKeypad, 106, "/", 111, shift::None, u"/"},
    {"keypad Enter", Qt::Key_Enter, kKeypad, 104, "\r", 13, shift::None, u""},
    // A Cyrillic layout: the key under "i" types "ш" and is still key 73.
    {"Cyrillic sha", 0x0448, kNone, 31, QString(QChar(0x0448)), 73, shift::None, u"\u0448"},
    {"Cyrillic Shift+sha", 0x0428, kShift, 31, QString(QChar(0x0428)), 73, shift::Shift, u"\u0428"},
    {"Cyrillic semicolon key", 0x0436, kNone, 47, QString(QChar(0x0436)), 186, shift::None, u"\u0436"},
    // Keys that type nothing, and control characters that are no text.
    {"Escape", Qt::Key_Escape, kNone, 9, "\x1b", 27, shift::None, u""},
    {"Backspace", Qt::Key_Backspace, kNone, 0, "\b", 8, shift::None, u""},
    {"Return", Qt::Key_Return, kNone, 36, "\r", 13, shift::None, u""},
    {"Delete", Qt::Key_Delete, kNone, 119, "\x7f", 46, shift::None, u""},
    {"Insert", Qt::Key_Insert, kNone, 0, "", 45, shift::None, u""},
    {"F3", Qt::Key_F3, kNone, 69, "", 114, shift::None, u""},
    {"F12 without scan code", Qt::Key_F12, kNone, 0, "", 123, shift::None, u""},
    // Ctrl and Alt make shortcuts: the code stays, no text is typed.
    {"Ctrl+O", Qt::Key_O, Qt::ControlModifier, 32, "\x0f", 79, shift::Ctrl, u""},
    {"Ctrl+Shift+V", Qt::Key_V, Qt::ControlModifier | kShift, 55, "\x16", 86,
     shift::Ctrl | shift::Shift, u""},
    {"Alt+h", Qt::Key_H, Qt::AltModifier, 43, "h", 72, shift::Alt, u""},
    // Text beyond one character (a dead key's result, a compose sequence) passes unchanged.
    {"composed", Qt::Key_unknown, kNone, 0, QString::fromUtf8("\xc3\xa9"), 0, shift::None, u"\u00e9"},
};

TEST(KeyTranslation, PhysicalUsKeysShiftBitsAndText) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.what);
    const KeyEvent key = TranslateKey(QtKeyInput{c.qtKey, c.modifiers, c.scanCode, c.text, true});
    EXPECT_EQ(key.code, c.code);
    EXPECT_EQ(key.shift, c.shift);
    EXPECT_EQ(key.text, c.typed);
  }
}

TEST(KeyTranslation, RealKeyEventsCarryTheirScanCode) {
  // A synthetic event as the X11 platform would send it for the "i" key on a Russian layout.
  QKeyEvent sha(QEvent::KeyPress, 0x0448, Qt::NoModifier, 31, 0x6d8, 0, QString(QChar(0x0448)));
  const KeyEvent key = TranslateKey(sha);
  EXPECT_EQ(key.code, 73);
  EXPECT_EQ(key.text, u"\u0448");
}

TEST(KeyTranslation, ScanCodesIgnoredWhereThePlatformHasOthers) {
  // Windows scan codes are not X keycodes: 31 there must not be read as "i".
  const KeyEvent key = TranslateKey(QtKeyInput{Qt::Key_S, kNone, 31, "s", false});
  EXPECT_EQ(key.code, 83);
}

TEST(KeyTranslation, CodesTurnBackIntoKeysThatTranslateToThem) {
  // What quilmar-batch --qt sends for a script's key must come back as the same code.
  for (KeyCode code : {8, 9, 13, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40, 45, 46, 48, 52, 57, 65,
                       73, 90, 96, 100, 105, 112, 114, 123, 186, 187, 188, 189, 190, 191, 192, 219,
                       220, 221, 222}) {
    SCOPED_TRACE(code);
    const Qt::KeyboardModifiers keypad = code >= 96 && code <= 111 ? kKeypad : kNone;
    const int qtKey = QtKeyForCode(static_cast<KeyCode>(code));
    ASSERT_NE(qtKey, Qt::Key_unknown);
    EXPECT_EQ(TranslateKey(QtKeyInput{qtKey, keypad, 0, {}, true}).code, code);
    const quint32 scan = ScanCodeForCode(static_cast<KeyCode>(code));
    ASSERT_NE(scan, 0u);
    EXPECT_EQ(TranslateKey(QtKeyInput{qtKey, keypad, scan, {}, true}).code, code);
  }
}

}  // namespace
}  // namespace quilmar
