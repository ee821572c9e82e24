#include "platform/us_keyboard.hh"

#include <array>

namespace quilmar {

namespace {

// One key of the layout that is not a letter: its code and what it types without and with
// Shift. Letters need no rows: key::A to key::Z type "a" to "z", and with Shift "A" to "Z".
struct UsKey {
  KeyCode code;
  char16_t plain;
  char16_t shifted;
};

constexpr std::array<UsKey, 22> kSymbolKeys{{
    {key::D0, u'0', u')'}, {key::D1, u'1', u'!'}, {key::D2, u'2', u'@'},
    {key::D3, u'3', u'#'}, {key::D4, u'4', u'$'}, {key::D5, u'5', u'%'},
    {key::D6, u'6', u'^'}, {key::D7, u'7', u'&'}, {key::D8, u'8', u'*'},
    {key::D9, u'9', u'('}, {key::Space, u' ', u' '},
    {key::Semicolon, u';', u':'}, {key::Equals, u'=', u'+'}, {key::Comma, u',', u'<'},
    {key::Minus, u'-', u'_'}, {key::Period, u'.', u'>'}, {key::Slash, u'/', u'?'},
    {key::Grave, u'`', u'~'}, {key::LeftBracket, u'[', u'{'}, {key::Backslash, u'\\', u'|'},
    {key::RightBracket, u']', u'}'}, {key::Quote, u'\'', u'"'},
}};

}  // namespace

std::optional<KeyEvent> UsKeyFor(char16_t c) {
  const String text(1, c);
  if (c >= u'a' && c <= u'z') return KeyEvent{static_cast<KeyCode>(key::A + (c - u'a')), shift::None, text};
  if (c >= u'A' && c <= u'Z') return KeyEvent{static_cast<KeyCode>(key::A + (c - u'A')), shift::Shift, text};
  for (const UsKey& k : kSymbolKeys) {
    if (k.plain == c) return KeyEvent{k.code, shift::None, text};
    if (k.shifted == c) return KeyEvent{k.code, shift::Shift, text};
  }
  return std::nullopt;
}

std::optional<char16_t> UsCharFor(KeyCode code, ShiftState shift) {
  if (shift & (shift::Ctrl | shift::Alt)) return std::nullopt;
  const bool shifted = (shift & shift::Shift) != 0;
  if (code >= key::A && code <= key::Z)
    return static_cast<char16_t>((shifted ? u'A' : u'a') + (code - key::A));
  for (const UsKey& k : kSymbolKeys)
    if (k.code == code) return shifted ? k.shifted : k.plain;
  return std::nullopt;
}

}  // namespace quilmar
