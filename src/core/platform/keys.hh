#pragma once
// Key codes and shift bits as the editor's handlers see them (the classic virtual-key codes).
#include <cstdint>

#include "text/ustring.hh"

namespace quilmar {

using KeyCode = std::int16_t;

namespace key {
inline constexpr KeyCode Back = 8, Tab = 9, Clear = 12, Return = 13;
inline constexpr KeyCode Shift = 16, Control = 17, Alt = 18, Pause = 19, CapsLock = 20;
inline constexpr KeyCode Escape = 27, Space = 32;
inline constexpr KeyCode PageUp = 33, PageDown = 34, End = 35, Home = 36;
inline constexpr KeyCode Left = 37, Up = 38, Right = 39, Down = 40;
inline constexpr KeyCode PrintScreen = 44, Insert = 45, Delete = 46;
// The digits of the main keyboard.
inline constexpr KeyCode D0 = 48, D1 = 49, D2 = 50, D3 = 51, D4 = 52;
inline constexpr KeyCode D5 = 53, D6 = 54, D7 = 55, D8 = 56, D9 = 57;
inline constexpr KeyCode A = 65, B = 66, C = 67, D = 68, E = 69, F = 70, G = 71, H = 72, I = 73;
inline constexpr KeyCode J = 74, K = 75, L = 76, M = 77, N = 78, O = 79, P = 80, Q = 81, R = 82;
inline constexpr KeyCode S = 83, T = 84, U = 85, V = 86, W = 87, X = 88, Y = 89, Z = 90;
inline constexpr KeyCode LeftMeta = 91, RightMeta = 92, Menu = 93;
// The keypad: its digits are no commands.
inline constexpr KeyCode Numpad0 = 96, Numpad1 = 97, Numpad2 = 98, Numpad3 = 99, Numpad4 = 100;
inline constexpr KeyCode Numpad5 = 101, Numpad6 = 102, Numpad7 = 103, Numpad8 = 104, Numpad9 = 105;
inline constexpr KeyCode Multiply = 106, Add = 107, Subtract = 109, Decimal = 110, Divide = 111;
// F1 to F24 are consecutive.
inline constexpr KeyCode F1 = 112, F2 = 113, F3 = 114, F4 = 115, F5 = 116, F6 = 117, F7 = 118;
inline constexpr KeyCode F8 = 119, F9 = 120, F10 = 121, F11 = 122, F12 = 123, F24 = 135;
inline constexpr KeyCode NumLock = 144, ScrollLock = 145;
inline constexpr KeyCode Semicolon = 186, Equals = 187, Comma = 188, Minus = 189, Period = 190;
inline constexpr KeyCode Slash = 191, Grave = 192, LeftBracket = 219, Backslash = 220;
inline constexpr KeyCode RightBracket = 221, Quote = 222;
inline constexpr KeyCode IntlBackslash = 226;  // the extra key left of Z on ISO keyboards
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
