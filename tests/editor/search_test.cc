// The "/" search and its repeats ("n", "N", F3): SearchPos, the one wrap, the messages.
#include "editor/search.hh"
#include "app_test_access.hh"

#include "script_editor.hh"

namespace quilmar::testing {
namespace {

constexpr const char* kWrap = "Search hit bottom, continuing at top";

class SearchScript : public ::testing::TestWithParam<ScriptCase> {};
TEST_P(SearchScript, Runs) { RunCase(GetParam()); }

const ScriptCase kSearches[] = {
    {"first_hit_selected_no_message", "|foo bar foo", "/foo<Enter>", {.doc = "[foo] bar foo", .mode = "Search", .message = "", .searchPos = 3}},
    {"search_keeps_command_mode", "|foo", "/foo<Enter>", {.commandMode = true, .locked = true, .inCommandBox = false, .cmdText = ""}},
    {"n_finds_next", "|foo bar foo", "/foo<Enter>n", {.doc = "foo bar [foo]", .message = "", .searchPos = 11}},
    {"n_wraps_once", "|foo bar foo", "/foo<Enter>nn", {.doc = "[foo] bar foo", .message = kWrap, .searchPos = 3}},
    {"N_and_ctrl_n_act_as_n", "|foo bar foo", "/foo<Enter>N<C-n>", {.doc = "[foo] bar foo", .message = kWrap}},
    {"f3_repeats", "|foo bar foo", "/foo<Enter><F3>", {.doc = "foo bar [foo]", .mode = "Search"}},
    {"search_starts_at_SearchPos_not_caret", "foo bar fo|o", "/foo<Enter>", {.doc = "[foo] bar foo"}},
    {"not_found_from_top", "ab|c", "/zzz<Enter>", {.doc = "ab|c", .message = "Pattern not found: zzz", .searchPos = 0}},
    {"not_found_after_hit_replaces_wrap", "a[b]c foo", "/foo<Enter>/zzz<Enter>", {.doc = "abc [foo]", .message = "Pattern not found: zzz", .searchPos = 0}},
    {"single_occurrence_every_n_wraps", "x foo x", "/foo<Enter>nnn", {.doc = "x [foo] x", .message = kWrap, .searchPos = 5}},
    {"overlapping_occurrences_skipped", "aaaa", "/aa<Enter>", {.doc = "[aa]aa", .searchPos = 2}},
    {"overlapping_second", "aaaa", "/aa<Enter>n", {.doc = "aa[aa]", .searchPos = 4}},
    {"overlapping_wrap", "aaaa", "/aa<Enter>nn", {.doc = "[aa]aa", .message = kWrap, .searchPos = 2}},
    {"new_pattern_goes_on_from_last_hit", "bar foo bar", "/foo<Enter>/bar<Enter>", {.doc = "bar foo [bar]", .message = ""}},
    {"earlier_occurrence_only_after_wrap", "bar foo baz", "/foo<Enter>/bar<Enter>", {.doc = "[bar] foo baz", .message = kWrap, .searchPos = 3}},
    {"backslash_is_literal", "ab\ncd", "/b\\n<Enter>", {.doc = "|ab\ncd", .message = "Pattern not found: b\\n"}},
    {"case_sensitive_by_default", "abc", "/Abc<Enter>", {.message = "Pattern not found: Abc"}},
    {"n_without_pattern_does_not_hang", "ab|c", "nn<F3>", {.mode = "Search"}},
    {"lone_slash_searches_empty_pattern", "ab|c", "/<Enter>n", {.mode = "Search"}},
    {"f3_in_insert_mode_keeps_insert_mode", "foo |x", "<F3>/", {.mode = "Search", .commandMode = false, .locked = false}, true},
};
INSTANTIATE_TEST_SUITE_P(Search, SearchScript, ::testing::ValuesIn(kSearches),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Search, F3InInsertModeSearchesLastPattern) {
  ScriptEditor ed;
  ed.Load("|foo x foo");
  ed.Command("/foo");
  ed.Run("i<F3>");
  EXPECT_EQ(ed.Doc(), "foo x [foo]");
  EXPECT_EQ(ed.Mode(), "Search");
  EXPECT_FALSE(ed.app().Mode().CommandMode());
}

TEST(Search, CaseFlagIsReadAtTheMomentOfTheKey) {
  ScriptEditor ed;
  ed.Load("|x abc ABC");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, true);
  ed.Command("/ABC");
  EXPECT_EQ(ed.Doc(), "x abc [ABC]");
  AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuFindCase, false);
  ed.Run("n");  // wraps, and now "abc" counts too
  EXPECT_EQ(ed.Doc(), "x [abc] ABC");
  EXPECT_EQ(ed.Message(), kWrap);
  ed.Run("n");
  EXPECT_EQ(ed.Doc(), "x abc [ABC]");
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
  EXPECT_EQ(ed.Doc(), "[foo]\n");
  EXPECT_EQ(ed.Message(), kWrap);
  EXPECT_EQ(ed.app().Search().SearchPos(), 3);
}

TEST(Search, SelectionUntouchedWhenNothingFound) {
  ScriptEditor ed;
  ed.Load("a[bc]d foo");
  AppTestAccess::SearchPos(ed.app()) = 5;
  FindPattern(ed.doc(), AppTestAccess::SearchPos(ed.app()), ed.editor().statusBar, u"zz", true);
  EXPECT_EQ(ed.Doc(), "a[bc]d foo");
  EXPECT_EQ(ed.Message(), "Pattern not found: zz");
  EXPECT_EQ(ed.app().Search().SearchPos(), 0);
}

}  // namespace
}  // namespace quilmar::testing
