#pragma once
// The US keyboard layout as data: which key (and whether Shift) types each printable ASCII
// character, and back. Key scripts press keys with it the way a user would, and the window
// uses it to read a key of another layout by the character it types.
#include <optional>

#include "platform/keys.hh"

namespace quilmar {

// The key that types this character, with the text it types; nothing for a character that
// no single key of the layout types (control characters, non-ASCII).
std::optional<KeyEvent> UsKeyFor(char16_t c);
// The character a key types with these modifiers, if it types one (Ctrl or Alt type none).
std::optional<char16_t> UsCharFor(KeyCode code, ShiftState shift);

}  // namespace quilmar
