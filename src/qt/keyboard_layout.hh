#pragma once
// Which script the active keyboard layout writes, asked of the window system. Only X11 can
// say; elsewhere the question is not asked and every layout counts as Latin.
#include <QtGlobal>

namespace quilmar {

// Can LayoutWritesLatin answer on this platform (X11)?
bool KeyboardLayoutIsKnown();

// Does the layout (X keyboard group) named by a key event's native modifiers write Latin
// letters? The key where a US keyboard has "A" is looked up in that group: "q" on French,
// "a" on German are Latin; "ф" on Russian or "α" on Greek are not. One round trip to the X
// server, so the key translation asks only for keys whose meaning depends on it.
bool LayoutWritesLatin(quint32 nativeModifiers);

}  // namespace quilmar
