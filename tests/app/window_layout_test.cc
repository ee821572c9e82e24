// The resize layout: outer sizes in twips in, the controls' places in cells out. Each row is a
// window size; the layout must snap it to the minimum and stack the document, the command box
// and the status bar inside it.
#include "app/window_layout.hh"

#include <gtest/gtest.h>

namespace quilmar {
namespace {

struct SizeCase {
  float width, height;          // outer, twips
  float outWidth, outHeight;    // after snapping
  float documentHeight;         // cells
};

TEST(WindowLayout, SnapsToTheMinimumAndStacksTheControls) {
  // Borders 120 twips across, title and menu bar 720 down, a status bar 1.25 cells high.
  const float box = 285.0f / 240;
  for (const SizeCase& c : {SizeCase{7170, 5520, 7170, 5520, 4800.0f / 240 - 1.25f - box},
                            SizeCase{100, 100, 3000, 2000, 1280.0f / 240 - 1.25f - box},
                            SizeCase{2999, 5000, 3000, 5000, 4280.0f / 240 - 1.25f - box},
                            SizeCase{5000, 1999.5f, 5000, 2000, 1280.0f / 240 - 1.25f - box}}) {
    WindowGeometry g;
    g.outerWidth = c.width;
    g.outerHeight = c.height;
    g.frameWidth = 120;
    g.frameHeight = 720;
    g.statusBarHeight = 1.25f;
    g.documentTop = 2;
    const auto layout = Form_Resize(g);
    ASSERT_TRUE(layout);
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    EXPECT_FLOAT_EQ(layout->outerWidth, c.outWidth);
    EXPECT_FLOAT_EQ(layout->outerHeight, c.outHeight);
    EXPECT_EQ(layout->snapped, c.outWidth != c.width || c.outHeight != c.height);
    EXPECT_FLOAT_EQ(layout->documentWidth, (c.outWidth - 120) / 120);
    EXPECT_FLOAT_EQ(layout->documentHeight, c.documentHeight);
    EXPECT_FLOAT_EQ(layout->commandBoxTop, 2 + c.documentHeight);
    EXPECT_FLOAT_EQ(layout->commandBoxWidth, layout->documentWidth);
  }
}

TEST(WindowLayout, NothingWhileMinimisedAndNeverANegativeHeight) {
  WindowGeometry g;
  g.minimised = true;
  EXPECT_FALSE(Form_Resize(g));
  g.minimised = false;
  g.outerWidth = 3000;
  g.outerHeight = 2000;
  g.frameHeight = 1990;  // decorations taller than the window
  g.statusBarHeight = 1.25f;
  const auto layout = Form_Resize(g);
  ASSERT_TRUE(layout);
  EXPECT_EQ(layout->documentHeight, 0);
}

}  // namespace
}  // namespace quilmar
