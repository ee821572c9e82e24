#pragma once
// The status bar's five panels by their role, numbered from 1 as the bar numbers them.
namespace quilmar::panel {

inline constexpr int Message = 1, Mode = 2, File = 3, Position = 4, Lines = 5;
inline constexpr int Count = 5;

}  // namespace quilmar::panel
