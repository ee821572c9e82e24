// The substitute command: reading the range and the two texts, the checks and their messages,
// and the replacements. (The substitute fuzz target compares whole runs with replacing one
// occurrence at a time.)
#include "command/substitute.hh"
#include "app_test_access.hh"

#include "../editor/script_editor.hh"
#include "app/line_geometry.hh"

namespace quilmar::testing {
namespace {

constexpr const char* kFive = "|aXa\nbab\nAaA\ncac\ndad";

struct SubCase {
  std::string_view before;
  std::string_view line;           // typed after the document's ":" key
  std::string_view after;          // the document, caret included
  std::string_view message;
  bool caseSensitive = true;       // the check mark of Replace Case Sensitive
};

const SubCase kSubCases[] = {
    // ranges
    {kFive, ":0,2s/a/b/", "bXb\nbbb\nAb|A\ncac\ndad", "4 Replacments"},
    {kFive, ":1,99s/a/b/", "aXa\nbbb\nAbA\ncbc\ndb|d", "4 Replacments"},
    {kFive, ":4,4s/a/b/", "aXa\nbab\nAaA\ncac\ndb|d", "1 Replacments"},
    {kFive, ":1 ,2 s/a/b/", "aXa\nbbb\nAb|A\ncac\ndad", "2 Replacments"},
    {kFive, ":01,002s/a/b/", "aXa\nbbb\nAb|A\ncac\ndad", "2 Replacments"},
    {"|abc", ":0,5s/b/x/", "ax|c", "1 Replacments"},  // one line: 0,5 is brought down to 0,0
    // refusals, in their order; the document stays as it was
    {kFive, ":0,0s/a/b/", kFive, "Invalid End position"},
    {kFive, ":3,2s/a/b/", kFive, "Invalid start position"},
    {kFive, ":0,1234567890s/a/b/", kFive, "Invalid End position"},
    {kFive, ":1234567890,1234567890s/a/b/", kFive, "Invalid End position"},
    {kFive, ":1234567890,2s/a/b/", kFive, "Invalid start position"},
    {kFive, ":1x,2s/a/b/", kFive, "Invalid command"},
    {kFive, ":1,,2s/a/b/", kFive, "Invalid command"},
    {kFive, ":1,2,s/a/b/", kFive, "Invalid command"},
    {kFive, ":1,2x3s/a/b/", kFive, "Invalid command"},
    // texts that are no numbers
    {kFive, ":1 2,3s/a/b/", kFive, "Invalid start position"},
    {kFive, ":1[,2s/a/b/", kFive, "Invalid start position"},
    {kFive, ":1\",2s/a/b/", kFive, "Invalid start position"},
    {kFive, ":1,2\"s/a/b/", kFive, "Invalid End position"},
    {kFive, ":1,2]s/a/b/", kFive, "Invalid End position"},
    {kFive, ":1,s,5s/a/b/", kFive, "Invalid End position"},  // an empty end text
    {kFive, ":1,1 2s/a/b/", kFive, "Invalid End position"},
    // case
    {kFive, ":1,2s/a/b/", "aXa\nbbb\nbbb|\ncac\ndad", "4 Replacments", false},
    {kFive, ":1,2s/a/B/", "aXa\nbBb\nBBB|\ncac\ndad", "4 Replacments", false},
    {kFive, ":1,2s/A/b/", "aXa\nbab\nbab|\ncac\ndad", "2 Replacments", true},
    // the search goes on after each inserted text; occurrences never overlap
    {"|aaa", ":0,1s/a/aa/", "aaaaaa|", "3 Replacments"},
    {"|aaaa", ":0,1s/aa/b/", "bb|", "2 Replacments"},
    {"|aaa\nx", ":0,1s/a/ba/", "bababa|\nx", "3 Replacments"},
    // an empty new text deletes
    {"|a1a\nxa\nya", ":0,1s/a//", "1\nx|\nya", "3 Replacments"},
    // escapes
    {"x\n|foo, bar\ny", ":1,1s/, /\\n/", "x\nfoo\n|bar\ny", "1 Replacments"},
    {"|a b\nc d", ":0,1s/ /\\t/", "a\tb\nc\t|d", "2 Replacments"},
    {"|a/b\nc", ":0,1s/\\//-/", "a-|b\nc", "1 Replacments"},
    {"|a\nc", ":0,1s/a/\\//", "/|\nc", "1 Replacments"},
    {"|a\\b\nc", ":0,1s/\\\\/x/", "ax|b\nc", "1 Replacments"},
    {"|a\nc", ":0,1s/a/\\N/", "N|\nc", "1 Replacments"},
    {"|a\nc", ":0,1s/a/b/c/", "b|\nc", "1 Replacments"},
    {"|a\nc", ":0,1sxs/a/b/", "b|\nc", "1 Replacments"},  // between the "s" and the first "/": skipped
    {kFive, ":5,30s/a/b/", kFive, "Invalid start position"},  // after the end is brought down
    {kFive, ":1,999999999 s/a/b/", kFive, "Invalid End position"},  // spaces count in the length
    {"|a\nc", ":0,1s/a/b\\/", "b/|\nc", "1 Replacments"},
    {"x\n|a/b/c\ny", ":0,2s/a\\/b\\/", "x\n|c\ny", "1 Replacments"},
    // the range ends before the end line's break
    {"|a\nb\nc", ":0,1s/\\n/+/", "a+|b\nc", "1 Replacments"},
    {"|a\nxb\ncd", ":0,1s/b\\nc/X/", "|a\nxb\ncd", "0 Replacments"},
    // nothing to replace: count 0, caret and selection as they were
    {"a[b]c\nd", ":0,1s/z/y/", "a[b]c\nd", "0 Replacments"},
    {"a[b]c\nd", ":0,1s//y/", "a[b]c\nd", "0 Replacments"},  // an empty old text
    {"a[b]c\nd", ":0,1s///", "a[b]c\nd", "0 Replacments"},
};

TEST(Substitute, Lines) {
  for (const SubCase& c : kSubCases) {
    SCOPED_TRACE(std::string(c.line) + " on " + std::string(c.before));
    ScriptEditor ed;
    AppTestAccess::Checks(ed.app()).SetChecked(MenuItem::mnuReplaceCase, c.caseSensitive);
    ed.Load(c.before);
    ed.editor().statusBar.SetPanelText(panel::Message, u"before");
    ed.Command(c.line);
    EXPECT_EQ(ed.Doc(), c.after);
    EXPECT_EQ(ed.Message(), c.message);
    const bool replaced = c.message.size() > 1 && c.message[0] != '0' && c.message.find("Replacments") != std::string_view::npos;
    EXPECT_EQ(ed.app().Files().TextChanged(), replaced);
    EXPECT_EQ(ed.app().Search().SearchPos(), 0);
    EXPECT_TRUE(ed.app().Mode().CommandMode());
    EXPECT_TRUE(ed.doc().Locked());
  }
}

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
  EXPECT_EQ(ed.Doc(), "[a]c ac");
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
