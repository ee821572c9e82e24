#pragma once
// Turns a Qt key press into the editor's key event: the code of the key as the user reads
// it, the shift bits and the typed text. Pure; the window and the tests share it.
#include <QString>
#include <Qt>
#include <functional>

#include "platform/keys.hh"

class QKeyEvent;

namespace quilmar {

// What a key press says, taken apart so it can be built without a window system.
struct QtKeyInput {
  int qtKey = 0;                         // Qt::Key
  Qt::KeyboardModifiers modifiers;
  quint32 scanCode = 0;                  // native scan code, 0 when the platform gives none
  QString text;                          // what the key types
  bool scanCodesAreXkb = true;           // X11 and Wayland: evdev code + 8
  // Whether the layout the key was typed in writes Latin letters; asked only for keys that
  // type ASCII punctuation or digits. Unset: it does.
  std::function<bool()> layoutIsLatin;
};

// The code of the key (0 when there is none), the shift bits and the text:
// - a letter key of a Latin layout is its letter (German "z" is key::Z wherever it sits); a
//   Latin letter outside A-Z ("ö", "é") is no key of the US layout and gets 0;
// - a key of a non-Latin layout (Cyrillic, Greek...) is the US key at its place;
// - a key that types ":" or "/" is the US key that types it, on every layout, Shift as a US
//   keyboard needs it (":" is key::Semicolon with Shift); other ASCII characters are read the
//   same way on Latin layouts and by place on the others;
// - keys that type nothing by place, or by their Qt key; the keypad's digits by the Qt key,
//   which knows about Num Lock (key::Numpad0 to key::Numpad9, no commands).
// Ctrl or Alt turn a key into a shortcut, which types nothing; control characters are never
// text.
KeyEvent TranslateKey(const QtKeyInput& input);
KeyEvent TranslateKey(const QKeyEvent& event);

// Does this platform report evdev-based scan codes (xcb, wayland, offscreen)?
bool PlatformScanCodesAreXkb();

// The Qt key a code stands for (its unshifted US meaning: key::Semicolon is Key_Semicolon,
// the keypad's codes its keys), as menus show shortcuts. Qt::Key_unknown when there is none.
Qt::Key QtKeyForCode(KeyCode code);
// The press the X11 platform reports for this key on a US keyboard, so that a key from a script
// reaches the window as the keyboard's would: the Qt key is what the key types with its Shift
// (Shift+";" is Key_Colon, not Key_Semicolon; letters upper case either way), the text what it
// types, also under Alt, and under Ctrl a letter's control character; the keypad's codes carry
// the keypad flag. TranslateKey turns it back into the same code, shift bits and text.
QtKeyInput KeyPressFor(const KeyEvent& key);

}  // namespace quilmar
