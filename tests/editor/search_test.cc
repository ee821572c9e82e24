// The "/" search and its repeats beyond keys in and text out (those cases are data, in
// tests/cases/data/search.txt).
#include "editor/search.hh"
#include "app_test_access.hh"

#include "script_editor.hh"

namespace quilmar::testing {
namespace {

constexpr const char* kWrap = "Search hit bottom, continuing at top";

TEST(Search, F3InInsertModeSearchesLastPattern) {
  ScriptEditor ed;
  ed.Load("|foo x foo");
  ed.Command("/foo");
  ed.Run("i<F3>");
  EXPECT_EQ(ed.Doc(), "foo x ^foo|");
  EXPECT_EQ(ed.Mode(), "Search");
  EXPECT_FALSE(ed.app().Mode().CommandMode());
}

TEST(Search, CaseFlagIsReadAtTheMomentOfTheKey) {
  ScriptEditor ed;
  ed.Load("|x abc ABC");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, true);
  ed.Command("/ABC");
  EXPECT_EQ(ed.Doc(), "x abc ^ABC|");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, false);
  ed.Run("n");  // wraps, and now "abc" counts too
  EXPECT_EQ(ed.Doc(), "x ^abc| ABC");
  EXPECT_EQ(ed.Message(), kWrap);
  ed.Run("n");
  EXPECT_EQ(ed.Doc(), "x abc ^ABC|");
}

TEST(Search, SearchPosPastTheEndWraps) {
  ScriptEditor ed;
  ed.Load("foo\nxxxxxxx foo");
  ed.Command("/foo");
  ed.Run("n");
  EXPECT_EQ(ed.app().Search().SearchPos(), 16);
  ed.Run("dd");  // the document shrinks below SearchPos
  EXPECT_EQ(ed.Doc(), "foo\n|");
  ed.Run("n");
  EXPECT_EQ(ed.Doc(), "^foo|\n");
  EXPECT_EQ(ed.Message(), kWrap);
  EXPECT_EQ(ed.app().Search().SearchPos(), 3);
}

TEST(Search, SelectionUntouchedWhenNothingFound) {
  ScriptEditor ed;
  ed.Load("a^bc|d foo");
  AppTestAccess::SearchPos(ed.app()) = 5;
  FindPattern(ed.doc(), AppTestAccess::SearchPos(ed.app()), ed.editor().statusBar, u"zz", true);
  EXPECT_EQ(ed.Doc(), "a^bc|d foo");
  EXPECT_EQ(ed.Message(), "Pattern not found: zz");
  EXPECT_EQ(ed.app().Search().SearchPos(), 0);
}

}  // namespace
}  // namespace quilmar::testing
