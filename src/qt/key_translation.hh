#pragma once
// Turns a Qt key press into the editor's key event: the code of the physical key on a US
// layout, the shift bits and the typed text. Pure; the window and the tests share it.
#include <QString>
#include <Qt>

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
};

// The code of the physical key (0 when the key is unknown), the shift bits and the text.
// Shift+4 is 52 with Shift, ":" is 186 with Shift, keypad digits are 96-105, and a key of a
// non-Latin layout gives the code of the US key in its place. Ctrl or Alt turn a key into a
// shortcut, which types nothing; control characters are never text.
KeyEvent TranslateKey(const QtKeyInput& input);
KeyEvent TranslateKey(const QKeyEvent& event);

// Does this platform report evdev-based scan codes (xcb, wayland, offscreen)?
bool PlatformScanCodesAreXkb();

// The Qt key a code stands for (its unshifted US meaning: 186 is Key_Semicolon, 96-105 the
// keypad's digits), for re-posting a key whose code a handler replaced and for making key
// presses from scripts. Qt::Key_unknown when there is none.
Qt::Key QtKeyForCode(KeyCode code);
// The X keycode of the US key with this code, 0 when there is none.
quint32 ScanCodeForCode(KeyCode code);

}  // namespace quilmar
