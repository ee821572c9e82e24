#pragma once
// The main window's resize layout as plain arithmetic: the window reports its sizes, the core
// says what to apply. Outer sizes are in twips, the inner ones in character cells (120 twips
// across, 240 down); all of it in single precision, as the window's own units are.
#include <optional>

namespace quilmar {

namespace window {
inline constexpr float kTwipsPerCellX = 120.0f;
inline constexpr float kTwipsPerCellY = 240.0f;
inline constexpr float kMinOuterWidth = 3000.0f;    // twips
inline constexpr float kMinOuterHeight = 2000.0f;   // twips
inline constexpr float kInitialInnerWidth = 7050.0f;   // twips
inline constexpr float kInitialInnerHeight = 4800.0f;  // twips
inline constexpr float kCommandBoxHeight = 285.0f / kTwipsPerCellY;  // one text line, in cells
}  // namespace window

// What the window knows when its size changed.
struct WindowGeometry {
  bool minimised = false;
  float outerWidth = 0;    // twips
  float outerHeight = 0;   // twips
  float frameWidth = 0;    // outer minus inner width (borders), twips
  float frameHeight = 0;   // outer minus inner height (title, menu bar, borders), twips
  float statusBarHeight = 0;                       // cells
  float commandBoxHeight = window::kCommandBoxHeight;  // cells
  float documentTop = 0;                           // txtMain.Top, cells
};

// What the window applies: its outer size (snapped to the minimum) and its controls' places.
struct WindowLayout {
  float outerWidth = 0;   // twips
  float outerHeight = 0;  // twips
  bool snapped = false;   // the outer size had to grow to the minimum
  float documentHeight = 0;    // txtMain.Height, cells, never negative
  float documentWidth = 0;     // txtMain.Width, cells
  float commandBoxTop = 0;     // txtCmd.Top, cells
  float commandBoxWidth = 0;   // txtCmd.Width, cells
};

// Form_Resize: nothing while minimised; otherwise the layout at the (snapped) size.
std::optional<WindowLayout> Form_Resize(const WindowGeometry& geometry);

}  // namespace quilmar
