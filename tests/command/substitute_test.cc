// The substitute command beyond keys in and text out (the lines, their messages and their
// replacements are data, in tests/cases/data/substitute.txt). (The substitute fuzz target compares whole runs with replacing one
// occurrence at a time.)
#include "command/substitute.hh"
#include "app_test_access.hh"

#include "../editor/script_editor.hh"
#include "app/line_geometry.hh"

namespace quilmar::testing {
namespace {

constexpr const char* kFive = "|aXa\nbab\nAaA\ncac\ndad";

TEST(Substitute, RefusalsKeepSearchPos) {
  ScriptEditor ed;
  ed.Load("|ab ab");
  ed.Command("/ab");
  ASSERT_EQ(ed.app().Search().SearchPos(), 2);
  ed.Command(":0,0s/a/b/");
  EXPECT_EQ(ed.app().Search().SearchPos(), 2);
  ed.Command(":0,9s/b/c/");
  EXPECT_EQ(ed.app().Search().SearchPos(), 0);
  ed.Command("/a");  // begins at the top again
  EXPECT_EQ(ed.Doc(), "^a|c ac");
  EXPECT_EQ(ed.Message(), "2 Replacments");  // a hit writes no message of its own
}

TEST(Substitute, NonAsciiNumberRefused) {
  ScriptEditor ed;
  ed.Load(kFive);
  SubstituteCommand(ed.doc(), AppTestAccess::SearchPos(ed.app()), ed.editor().statusBar, true, u":1\u00e9,2s/a/b/");
  EXPECT_EQ(ed.Message(), "Invalid start position");
  SubstituteCommand(ed.doc(), AppTestAccess::SearchPos(ed.app()), ed.editor().statusBar, true, u":1,2\u0663s/a/b/");  // an Arabic-Indic digit is no digit here
  EXPECT_EQ(ed.Message(), "Invalid End position");
  EXPECT_EQ(ed.Doc(), kFive);
}

TEST(Substitute, PositionPanelFollowsTheCaret) {
  ScriptEditor ed;
  ed.Load(kFive);
  ed.Command(":0,2s/a/b/");
  EXPECT_EQ(ed.Panel(panel::Position), "Ln# 2 : Char# 2 ");
}

TEST(Substitute, OneUndoTakesItAllBack) {
  ScriptEditor ed;
  ed.Load("|a a a\na a\nb");
  ed.Command(":0,2s/a/xyz/");
  ASSERT_EQ(ed.Message(), "5 Replacments");
  ed.Run("i<C-z>");
  EXPECT_EQ(ed.doc().Text(), u"a a a\r\na a\r\nb");
}

// With word wrap on, the range's lines are laid-out lines: an end line inside a wrapped
// paragraph ends the range at the wrap, not at the paragraph's break.
TEST(Substitute, UnderWordWrap) {
  headless::EditorSetup setup;
  setup.cols = 10;
  ScriptEditor ed(std::move(setup));
  SetWordWrap(AppTestAccess::Document(ed.app()), true);
  ed.Load("|aaaa aaaa aaaa aaaa aaaa aaaa\naaaa");
  ASSERT_GE(GetLineCount(ed.doc()), 4);
  const CharPos endOfLine1 = *LineIndex(ed.doc(), 1) + LineLength(ed.doc(), *LineIndex(ed.doc(), 1));
  String expected = ed.doc().Text();
  CharPos count = 0;
  for (CharPos i = 0; i < endOfLine1; ++i)
    if (expected[static_cast<std::size_t>(i)] == u'a') {
      expected[static_cast<std::size_t>(i)] = u'b';
      ++count;
    }
  ed.Command(":0,1s/a/b/");
  EXPECT_EQ(ed.doc().Text(), expected);
  EXPECT_EQ(ed.Message(), std::to_string(count.value()) + " Replacments");
  EXPECT_GT(count, 0);
  EXPECT_LT(count, 24);
}

// ReplaceInRange called with a start beyond the end stops at once, without a report.
TEST(ReplaceInRange, EmptyRangeStopsSilently) {
  ScriptEditor ed;
  ed.Load("ab|c");
  ed.editor().statusBar.SetPanelText(panel::Message, u"before");
  ReplaceInRange(ed.doc(), AppTestAccess::SearchPos(ed.app()), ed.editor().statusBar, u"a", u"b", 2, 1, true);
  EXPECT_EQ(ed.Message(), "before");
  EXPECT_EQ(ed.app().Search().SearchPos(), 2);
  EXPECT_EQ(ed.Doc(), "ab|c");
}

}  // namespace
}  // namespace quilmar::testing
