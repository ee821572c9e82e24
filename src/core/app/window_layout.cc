#include "app/window_layout.hh"

#include <algorithm>

namespace quilmar {

std::optional<WindowLayout> Form_Resize(const WindowGeometry& g) {
  if (g.minimised) return std::nullopt;
  WindowLayout out;
  // Growing the window to its minimum resizes it again; the layout below is that of the
  // second pass, at the new size, so the window applies one result.
  out.outerHeight = std::max(g.outerHeight, window::kMinOuterHeight);
  out.outerWidth = std::max(g.outerWidth, window::kMinOuterWidth);
  out.snapped = out.outerHeight != g.outerHeight || out.outerWidth != g.outerWidth;

  const float scaleHeight = (out.outerHeight - g.frameHeight) / window::kTwipsPerCellY;
  const float scaleWidth = (out.outerWidth - g.frameWidth) / window::kTwipsPerCellX;
  // Decorations taller than the minimum window would leave no room: the document is then
  // empty rather than of negative height.
  out.documentHeight = std::max(0.0f, scaleHeight - g.statusBarHeight - g.commandBoxHeight);
  out.documentWidth = std::max(0.0f, scaleWidth);
  out.commandBoxTop = g.documentTop + out.documentHeight;
  out.commandBoxWidth = out.documentWidth;
  return out;
}

}  // namespace quilmar
