#pragma once
// The US keyboard layout as data: which key (and whether Shift) types each printable ASCII
// character, and back. Key scripts and tests use it to press keys the way a user would.
#include <optional>

#include "platform/keys.hh"

namespace quilmar::headless {

// The key that types this character, with the text it types; nothing for a character that
// no single key of the layout types (control characters, non-ASCII).
std::optional<KeyEvent> UsKeyFor(char c);
// The character a key types with these modifiers, if it types one (Ctrl or Alt type none).
std::optional<char> UsCharFor(KeyCode code, ShiftState shift);

}  // namespace quilmar::headless
