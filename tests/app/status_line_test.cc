// The position panel on SelChange and the mouse shortcuts on MouseUp.
#include <gtest/gtest.h>

#include "app_test_support.hh"
#include "app_test_access.hh"

namespace quilmar {
namespace {

using testing_support::Editor;

String PositionText(int line, int column) {
  return u"Ln# " + Decimal(line) + u" : Char# " + Decimal(column) + u" ";
}

struct PositionCase {
  const char16_t* text;
  int cols;            // visible width; word wrap is on from the start
  CharPos selStart;
  CharPos selLength;
  int line;
  int column;
};

void PrintTo(const PositionCase& c, std::ostream* os) {
  *os << '"' << ToUtf8(c.text) << "\" in " << c.cols << " cells, at " << c.selStart;
}

class PositionPanel : public testing::TestWithParam<PositionCase> {};

TEST_P(PositionPanel, ShowsTheLaidOutLineAndColumnOfSelStart) {
  const PositionCase& c = GetParam();
  headless::EditorSetup setup;
  setup.cols = c.cols;
  Editor e(setup);
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetText(c.text);
  e.app().Dispatch(SelectEvent{e.app().Document().Length(), e.app().Document().Length()});  // so that every case moves it
  e.app().Dispatch(SelectEvent{c.selStart, c.selStart + c.selLength});
  EXPECT_EQ(e.Panel(panel::Position), PositionText(c.line, c.column));
}

INSTANTIATE_TEST_SUITE_P(Positions, PositionPanel, testing::Values(
    PositionCase{u"x", 80, 0, 0, 0, 0},                       // the first position
    PositionCase{u"ab\r\ncd\r\nefghij", 80, 12, 0, 2, 4},     // third line, after four
    PositionCase{u"ab\r\ncd\r\nefghij", 80, 4, 3, 1, 0},      // a selection: its start
    PositionCase{u"ab\r\n", 80, 4, 0, 1, 0},                  // the empty last line
    PositionCase{u"a\tb", 80, 2, 0, 0, 2},                    // a tab is one character
    PositionCase{u"abcdefghijklmnopqrstuvwxy", 10, 15, 0, 1, 5},  // wrapped: restarts at 0
    PositionCase{u"abcdefghijklmnopqrstuvwxy", 10, 20, 0, 2, 0},
    PositionCase{u"abcdefghijklmnopqrstuvwxy", 80, 20, 0, 0, 20}));

TEST(PositionPanelWrites, OncePerEventHoweverOftenTheCaretMoves) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetText(u"one\r\ntwo\r\nthree");
  e.ed.Type(":0,2s/");
  const int before = e.ed.statusBar.Writes();
  // Six replacements, each moving the caret: one write of the position, one of the count.
  e.ed.Type("e/E/");
  e.ed.Key(key::Return);
  EXPECT_EQ(e.app().Document().Text(), u"onE\r\ntwo\r\nthrEE");
  EXPECT_EQ(e.ed.statusBar.Writes(), before + 2);
  EXPECT_EQ(e.Panel(panel::Position), PositionText(2, 5));

  // An event that does not move the caret writes nothing.
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuFindCase});
  EXPECT_EQ(e.ed.statusBar.Writes(), before + 2);
}

TEST(PositionPanelWrites, AMoveOutsideAnyEventIsShownAtOnce) {
  Editor e;
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetText(u"abc");
  AppTestAccess::Document(e.app()).SetSelStart(1);
  EXPECT_EQ(e.Panel(panel::Position), PositionText(0, 1));
}

TEST(PositionPanelWrites, ARelayoutThatMovesTheCaretsLineRewritesIt) {
  headless::EditorSetup setup;
  setup.cols = 10;
  Editor e(setup);
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetText(u"abcdefghijklmnopqrstuvwxy");
  AppTestAccess::Document(e.app()).SetSelStart(15);
  EXPECT_EQ(e.Panel(panel::Position), PositionText(1, 5));
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});  // off: one line
  EXPECT_EQ(e.Panel(panel::Position), PositionText(0, 15));
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  EXPECT_EQ(e.Panel(panel::Position), PositionText(1, 5));

  // A relayout that leaves the caret where it was writes nothing, so File Close's empty panel
  // stays empty.
  e.app().Dispatch(MenuClickEvent{MenuItem::mnuClose});
  const int writes = e.ed.statusBar.Writes();
  AppTestAccess::Document(e.app()).Relayout();
  EXPECT_EQ(e.ed.statusBar.Writes(), writes);
  EXPECT_EQ(e.Panel(panel::Position), u"");
}

// Mouse releases: the document holds "hello world" with "world" selected unless said otherwise.
struct MouseCase {
  const char* name;
  bool commandMode;
  bool select;          // "world" selected, else the caret after "hello "
  int button;
  const char16_t* clipboardBefore;
  const char16_t* textAfter;
  const char16_t* clipboardAfter;
  bool changed;
};

void PrintTo(const MouseCase& c, std::ostream* os) { *os << c.name; }

class MouseUpRows : public testing::TestWithParam<MouseCase> {};

TEST_P(MouseUpRows, CopiesOrPastes) {
  const MouseCase& c = GetParam();
  headless::EditorSetup setup;
  setup.clipboard = c.clipboardBefore;
  Editor e(setup);
  if (!c.commandMode) e.fs.AddFile(e.SettingsPath(), "CmdStart=False\r\n");
  e.app().Dispatch(StartEvent{u""});
  AppTestAccess::Document(e.app()).SetText(u"hello world");
  AppTestAccess::Files(e.app()).state.TextChanged = false;
  AppTestAccess::Document(e.app()).SetSelStart(6);
  if (c.select) AppTestAccess::Document(e.app()).SetSelLength(5);
  e.app().Dispatch(MouseUpEvent{c.button, shift::None});
  EXPECT_EQ(e.app().Document().Text(), c.textAfter);
  EXPECT_EQ(e.ed.clipboard.GetText(), c.clipboardAfter);
  EXPECT_EQ(e.app().Files().TextChanged(), c.changed);
}

INSTANTIATE_TEST_SUITE_P(Rows, MouseUpRows, testing::Values(
    MouseCase{"LeftCopiesTheSelection", true, true, mouse::Left, u"old", u"hello world", u"world", false},
    MouseCase{"LeftWithoutSelectionKeepsClipboard", true, false, mouse::Left, u"old", u"hello world", u"old", false},
    MouseCase{"RightReplacesTheSelection", false, true, mouse::Right, u"there", u"hello there", u"there", true},
    MouseCase{"RightPastesWhileLocked", true, false, mouse::Right, u"big ", u"hello big world", u"big ", true},
    MouseCase{"MiddlePastesAtTheCaret", false, false, mouse::Middle, u"X", u"hello Xworld", u"X", true},
    MouseCase{"RightWithEmptyClipboardDeletes", true, true, mouse::Right, u"", u"hello ", u"", true},
    MouseCase{"OtherButtonsDoNothing", false, true, 8, u"old", u"hello world", u"old", false}),
    [](const testing::TestParamInfo<MouseCase>& info) { return std::string(info.param.name); });

TEST(MouseUp, ActsOnTheFocusedControl) {
  headless::EditorSetup setup;
  setup.clipboard = u"w x";
  Editor e(setup);
  e.app().Dispatch(StartEvent{u""});
  e.ed.Type(":");
  e.app().Dispatch(MouseUpEvent{mouse::Right, shift::None});
  EXPECT_EQ(e.app().CommandBox().Text(), u":w x");
  EXPECT_EQ(e.app().Document().Text(), u"");
}

}  // namespace
}  // namespace quilmar
