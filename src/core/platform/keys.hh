#pragma once
// Key codes and shift bits as the editor's handlers see them (the classic virtual-key codes).
#include <cstdint>

#include "text/ustring.hh"

namespace quilmar {

using KeyCode = std::int16_t;

namespace key {
inline constexpr KeyCode Back = 8, Tab = 9, Return = 13, Escape = 27, Space = 32;
inline constexpr KeyCode PageUp = 33, PageDown = 34, End = 35, Home = 36;
inline constexpr KeyCode Left = 37, Up = 38, Right = 39, Down = 40;
inline constexpr KeyCode Insert = 45, Delete = 46;
inline constexpr KeyCode D0 = 48, D4 = 52, D9 = 57;         // digits of the main keyboard
inline constexpr KeyCode A = 65, C = 67, D = 68, I = 73, N = 78, P = 80, V = 86, X = 88, Y = 89, Z = 90;
inline constexpr KeyCode Numpad0 = 96, Numpad9 = 105;       // keypad digits are no commands
inline constexpr KeyCode F1 = 112, F3 = 114, F9 = 120, F12 = 123;
inline constexpr KeyCode Semicolon = 186, Equals = 187, Comma = 188, Minus = 189, Period = 190;
inline constexpr KeyCode Slash = 191, Grave = 192, LeftBracket = 219, Backslash = 220;
inline constexpr KeyCode RightBracket = 221, Quote = 222;
// The code a handler puts in place of a key it consumed: the document ignores F12.
inline constexpr KeyCode Consumed = F12;
}  // namespace key

// Modifier bits held with a key.
using ShiftState = std::int16_t;
namespace shift {
inline constexpr ShiftState None = 0, Shift = 1, Ctrl = 2, Alt = 4;
}

// One key press: its code, the modifiers held, and the text it types (empty for keys that
// type nothing, or when Ctrl/Alt turn it into a shortcut).
struct KeyEvent {
  KeyCode code = 0;
  ShiftState shift = shift::None;
  String text;
};

// Mouse buttons as the release handler receives them.
namespace mouse {
inline constexpr int Left = 1, Right = 2, Middle = 4;
}

}  // namespace quilmar
