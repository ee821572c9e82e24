// The resize layout: sizes in twips in, controls in cells out.
#include "app/window_layout.hh"

#include <gtest/gtest.h>

namespace quilmar {
namespace {

// A frame like a desktop window's: 120 twips of borders across, title and menu bar 720 down.
WindowGeometry Frame(float outerWidth, float outerHeight) {
  WindowGeometry g;
  g.outerWidth = outerWidth;
  g.outerHeight = outerHeight;
  g.frameWidth = 120;
  g.frameHeight = 720;
  g.statusBarHeight = 1.25f;
  return g;
}

TEST(WindowLayout, ControlsFillTheInnerAreaAboveTheStatusBar) {
  // The initial inner size 7050 x 4800 twips.
  const auto layout = Form_Resize(Frame(7050 + 120, 4800 + 720));
  ASSERT_TRUE(layout);
  EXPECT_FALSE(layout->snapped);
  EXPECT_FLOAT_EQ(layout->outerWidth, 7170);
  EXPECT_FLOAT_EQ(layout->outerHeight, 5520);
  EXPECT_FLOAT_EQ(layout->documentWidth, 7050.0f / 120);
  EXPECT_FLOAT_EQ(layout->documentHeight, 4800.0f / 240 - 1.25f - 285.0f / 240);
  EXPECT_FLOAT_EQ(layout->commandBoxTop, layout->documentHeight);
  EXPECT_FLOAT_EQ(layout->commandBoxWidth, layout->documentWidth);
}

TEST(WindowLayout, CommandBoxSitsBelowADocumentThatIsNotAtTheTop) {
  WindowGeometry g = Frame(6000, 6000);
  g.documentTop = 2;
  const auto layout = Form_Resize(g);
  ASSERT_TRUE(layout);
  EXPECT_FLOAT_EQ(layout->commandBoxTop, 2 + layout->documentHeight);
}

TEST(WindowLayout, SmallWindowsGrowToTheMinimum) {
  struct Row {
    float w, h, expectW, expectH;
    bool snapped;
  };
  for (const Row& r : {Row{100, 100, 3000, 2000, true}, Row{2999, 5000, 3000, 5000, true},
                       Row{5000, 1999.5f, 5000, 2000, true}, Row{3000, 2000, 3000, 2000, false}}) {
    const auto layout = Form_Resize(Frame(r.w, r.h));
    ASSERT_TRUE(layout);
    EXPECT_FLOAT_EQ(layout->outerWidth, r.expectW) << r.w << "x" << r.h;
    EXPECT_FLOAT_EQ(layout->outerHeight, r.expectH) << r.w << "x" << r.h;
    EXPECT_EQ(layout->snapped, r.snapped) << r.w << "x" << r.h;
    // The controls are laid out for the size the window ends up with.
    EXPECT_FLOAT_EQ(layout->documentWidth, (r.expectW - 120) / 120);
    EXPECT_FLOAT_EQ(layout->documentHeight, (r.expectH - 720) / 240 - 1.25f - 285.0f / 240);
  }
}

TEST(WindowLayout, MinimisedDoesNothing) {
  WindowGeometry g = Frame(100, 100);
  g.minimised = true;
  EXPECT_FALSE(Form_Resize(g));
}

TEST(WindowLayout, RestoringGivesTheLayoutOfBeforeMinimising) {
  const auto before = Form_Resize(Frame(8000, 6000));
  WindowGeometry minimised = Frame(0, 0);
  minimised.minimised = true;
  EXPECT_FALSE(Form_Resize(minimised));
  const auto after = Form_Resize(Frame(8000, 6000));
  ASSERT_TRUE(before && after);
  EXPECT_FLOAT_EQ(after->documentHeight, before->documentHeight);
  EXPECT_FLOAT_EQ(after->documentWidth, before->documentWidth);
  EXPECT_FLOAT_EQ(after->commandBoxTop, before->commandBoxTop);
}

TEST(WindowLayout, DecorationsTallerThanTheWindowLeaveAnEmptyDocument) {
  WindowGeometry g = Frame(3000, 2000);
  g.frameHeight = 1900;  // 100 twips inside: less than the status bar and the box
  const auto layout = Form_Resize(g);
  ASSERT_TRUE(layout);
  EXPECT_FLOAT_EQ(layout->documentHeight, 0);
  EXPECT_FLOAT_EQ(layout->commandBoxTop, 0);
}

}  // namespace
}  // namespace quilmar
