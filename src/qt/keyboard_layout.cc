#include "keyboard_layout.hh"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quilmar {
namespace {

// The X keycode of the key that types "a" on a US keyboard (evdev code 30 + 8).
constexpr xcb_keycode_t kProbeKey = 38;

// Keysyms of Latin letters: ASCII, Latin-1 (without × and ÷), the Latin-2 to -4 and -8/-9
// blocks, and Unicode keysyms in the Latin Extended blocks.
bool IsLatinLetterKeysym(xcb_keysym_t sym) {
  if ((sym >= 0x41 && sym <= 0x5a) || (sym >= 0x61 && sym <= 0x7a)) return true;
  if (sym >= 0xc0 && sym <= 0xff) return sym != 0xd7 && sym != 0xf7;
  if ((sym >= 0x1a1 && sym <= 0x3fe) || (sym >= 0x12a1 && sym <= 0x13fe)) return true;
  return (sym >= 0x1000100 && sym <= 0x100024f) || (sym >= 0x1001e00 && sym <= 0x1001eff);
}

xcb_connection_t* Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

}  // namespace

bool KeyboardLayoutIsKnown() { return Connection() != nullptr; }

bool LayoutWritesLatin(quint32 nativeModifiers) {
  xcb_connection_t* connection = Connection();
  if (!connection) return true;
  // The core keyboard mapping lists a key's symbols as group 1 level 1, group 1 level 2,
  // group 2 level 1, ...; an XKB-aware client gets the group in bits 13-14 of the state.
  // Groups 3 and 4 are not in the core mapping; they are read as group 2.
  const int group = std::min<int>((nativeModifiers >> 13) & 3, 1);
  xcb_get_keyboard_mapping_reply_t* reply = xcb_get_keyboard_mapping_reply(
      connection, xcb_get_keyboard_mapping(connection, kProbeKey, 1), nullptr);
  if (!reply) return true;
  const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
  const int count = xcb_get_keyboard_mapping_keysyms_length(reply);
  xcb_keysym_t sym = 2 * group < count ? syms[2 * group] : 0;
  if (sym == 0 && count > 0) sym = syms[0];
  std::free(reply);
  return IsLatinLetterKeysym(sym);
}

}  // namespace quilmar
