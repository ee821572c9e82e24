#include "us_keyboard.hh"

#include <array>

namespace quilmar::headless {

namespace {

// One key of the layout: its code and what it types without and with Shift.
struct UsKey {
  KeyCode code;
  char plain;
  char shifted;
};

constexpr std::array<UsKey, 22> kSymbolKeys{{
    {key::D0 + 0, '0', ')'}, {key::D0 + 1, '1', '!'}, {key::D0 + 2, '2', '@'},
    {key::D0 + 3, '3', '#'}, {key::D0 + 4, '4', '$'}, {key::D0 + 5, '5', '%'},
    {key::D0 + 6, '6', '^'}, {key::D0 + 7, '7', '&'}, {key::D0 + 8, '8', '*'},
    {key::D0 + 9, '9', '('}, {key::Space, ' ', ' '},
    {key::Semicolon, ';', ':'}, {key::Equals, '=', '+'}, {key::Comma, ',', '<'},
    {key::Minus, '-', '_'}, {key::Period, '.', '>'}, {key::Slash, '/', '?'},
    {key::Grave, '`', '~'}, {key::LeftBracket, '[', '{'}, {key::Backslash, '\\', '|'},
    {key::RightBracket, ']', '}'}, {key::Quote, '\'', '"'},
}};

}  // namespace

std::optional<KeyEvent> UsKeyFor(char c) {
  const String text(1, static_cast<char16_t>(c));
  if (c >= 'a' && c <= 'z') return KeyEvent{static_cast<KeyCode>(key::A + (c - 'a')), shift::None, text};
  if (c >= 'A' && c <= 'Z') return KeyEvent{static_cast<KeyCode>(key::A + (c - 'A')), shift::Shift, text};
  for (const UsKey& k : kSymbolKeys) {
    if (k.plain == c) return KeyEvent{k.code, shift::None, text};
    if (k.shifted == c) return KeyEvent{k.code, shift::Shift, text};
  }
  return std::nullopt;
}

std::optional<char> UsCharFor(KeyCode code, ShiftState shift) {
  if (shift & (shift::Ctrl | shift::Alt)) return std::nullopt;
  const bool shifted = (shift & shift::Shift) != 0;
  if (code >= key::A && code <= key::Z)
    return static_cast<char>((shifted ? 'A' : 'a') + (code - key::A));
  for (const UsKey& k : kSymbolKeys)
    if (k.code == code) return shifted ? k.shifted : k.plain;
  return std::nullopt;
}

}  // namespace quilmar::headless
