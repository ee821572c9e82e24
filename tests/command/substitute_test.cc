// The substitute command: reading the range and the two texts, the checks and their messages,
// and the replacements, which must come out as replacing one occurrence at a time would.
#include "command/substitute.hh"
#include "app_test_access.hh"

#include "command/occurrences.hh"

#include <random>

#include "../editor/key_script.hh"
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
    EXPECT_EQ(ed.app().Shared().TextChanged, replaced);
    EXPECT_EQ(ed.app().Shared().SearchPos, 0);
    EXPECT_TRUE(ed.app().Mode().CommandMode());
    EXPECT_TRUE(ed.doc().Locked());
  }
}

TEST(Substitute, RefusalsKeepSearchPos) {
  ScriptEditor ed;
  ed.Load("|ab ab");
  ed.Command("/ab");
  ASSERT_EQ(ed.app().Shared().SearchPos, 2);
  ed.Command(":0,0s/a/b/");
  EXPECT_EQ(ed.app().Shared().SearchPos, 2);
  ed.Command(":0,9s/b/c/");
  EXPECT_EQ(ed.app().Shared().SearchPos, 0);
  ed.Command("/a");  // begins at the top again
  EXPECT_EQ(ed.Doc(), "[a]c ac");
  EXPECT_EQ(ed.Message(), "2 Replacments");  // a hit writes no message of its own
}

TEST(Substitute, NonAsciiNumberRefused) {
  ScriptEditor ed;
  ed.Load(kFive);
  SubstituteCommand(ed.doc(), AppTestAccess::Shared(ed.app()).SearchPos, ed.editor().statusBar, true, u":1\u00e9,2s/a/b/");
  EXPECT_EQ(ed.Message(), "Invalid start position");
  SubstituteCommand(ed.doc(), AppTestAccess::Shared(ed.app()).SearchPos, ed.editor().statusBar, true, u":1,2\u0663s/a/b/");  // an Arabic-Indic digit is no digit here
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
  ReplaceInRange(ed.doc(), AppTestAccess::Shared(ed.app()).SearchPos, ed.editor().statusBar, u"a", u"b", 2, 1, true);
  EXPECT_EQ(ed.Message(), "before");
  EXPECT_EQ(ed.app().Shared().SearchPos, 2);
  EXPECT_EQ(ed.Doc(), "ab|c");
}

// The rules, one occurrence at a time, as a reference: Find selects the occurrence, SelText
// replaces it, the search resumes after the inserted text and the end moves with the edits.
struct Reference {
  String text;
  CharPos caret;
  int count;
};

Reference ReplaceStepByStep(const String& text, CharPos selStart, const String& oldText, const String& newText,
                            CharPos start, CharPos end, bool caseSensitive) {
  CellMeasure measure(1000, 10);
  TextModel model(measure);
  model.SetText(text);
  model.SetSelStart(selStart);
  int count = 0;
  CharPos searchPos = start;
  while (searchPos <= end) {
    const std::optional<CharPos> found = model.Find(oldText, searchPos, end, caseSensitive ? FindOptions::MatchCase : FindOptions::None);
    if (!found) break;
    searchPos = *found + static_cast<std::int32_t>(newText.size());
    ++count;
    end += static_cast<std::int32_t>(newText.size()) - model.SelLength();
    model.SetSelText(newText);
  }
  return {model.Text(), model.SelStart(), count};
}

TEST(ReplaceInRange, SameOutcomeAsOneAtATime) {
  std::mt19937 random(20240611);
  // Pieces of text: ASCII letters in both cases, a line break, letters whose case partners lie
  // outside ASCII (the Kelvin sign folds to "k", the long s to "s") and a letter beyond the
  // BMP with its lower case (a surrogate pair each).
  const String pieces[] = {u"a", u"A", u"b", u" ", u"\r\n", u"k", u"K", u"\u212A", u"s", u"\u017F",
                           u"\U00010400", u"\U00010428"};
  const String olds[] = {u"a", u"aa", u"ab", u"A", u"a b", u"b\r\na", u" ", u"k", u"\u212A", u"S",
                         u"\U00010400", u"s\U00010428", u"\r\n"};
  const String news[] = {u"", u"a", u"aa", u"x", u"\r\n", u"ba", u"\U00010428"};
  for (int round = 0; round < 600; ++round) {
    String text;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
    const String& oldText = olds[random() % std::size(olds)];
    const String& newText = news[random() % std::size(news)];
    const bool caseSensitive = random() % 2 == 0;

    ScriptEditor ed;
    ed.doc().SetText(text);
    AppTestAccess::Shared(ed.app()).TextChanged = false;
    const LineNo last = GetLineCount(ed.doc()) - 1;
    const LineNo startLine = static_cast<std::int32_t>(random() % (last.value() + 1));
    const LineNo endLine = startLine + static_cast<std::int32_t>(random() % (last - startLine + 1).value());
    const CharPos startPos = *LineIndex(ed.doc(), startLine);
    const CharPos endPos = *LineIndex(ed.doc(), endLine) + LineLength(ed.doc(), *LineIndex(ed.doc(), endLine));
    const CharPos caret = static_cast<std::int32_t>(random() % (text.size() + 1));
    ed.doc().SetSelStart(caret);
    const CharPos caretBefore = ed.doc().SelStart();

    const Reference want = ReplaceStepByStep(text, caret, oldText, newText, startPos, endPos, caseSensitive);
    ReplaceInRange(ed.doc(), AppTestAccess::Shared(ed.app()).SearchPos, ed.editor().statusBar, oldText, newText, startPos, endPos, caseSensitive);

    SCOPED_TRACE("text \"" + S(text) + "\" old \"" + S(oldText) + "\" new \"" + S(newText) + "\" lines " +
                 std::to_string(startLine.value()) + "," + std::to_string(endLine.value()));
    ASSERT_EQ(S(ed.doc().Text()), S(want.text));
    ASSERT_EQ(ed.Message(), std::to_string(want.count) + " Replacments");
    ASSERT_EQ(ed.doc().SelStart(), want.count > 0 ? want.caret : caretBefore);
    ASSERT_EQ(ed.doc().SelLength(), 0);
    ASSERT_EQ(ed.app().Shared().TextChanged, want.count > 0);
  }
}

// The one-pass search lands where Find, called again after each occurrence, would land; also
// for ranges that begin or end inside a surrogate pair or a line break.
TEST(FindOccurrences, AgreesWithFind) {
  std::mt19937 random(99);
  const String pieces[] = {u"a", u"A", u"\r\n", u"k", u"\u212A", u"\u017F", u"S", u"\U00010400", u"\U00010428"};
  const String needles[] = {u"a", u"Aa", u"K", u"s", u"\U00010428", u"\U00010428a", u"\n", u"\r",
                            u"\xD801", u"a\r\nk"};
  CellMeasure measure(1000, 10);
  TextModel model(measure);
  for (int round = 0; round < 1000; ++round) {
    String text;
    const int length = static_cast<int>(random() % 30);
    for (int i = 0; i < length; ++i) text += pieces[random() % std::size(pieces)];
    model.SetText(text);
    const auto size = model.Length();
    const CharPos start = static_cast<std::int32_t>(random() % (size.value() + 1));
    const CharPos end = start + static_cast<std::int32_t>(random() % (size - start + 1).value());
    const String& needle = needles[random() % std::size(needles)];
    const bool caseSensitive = random() % 2 == 0;
    std::vector<std::size_t> want;
    for (CharPos from = start;;) {
      const std::optional<CharPos> hit = model.Find(needle, from, end, FindOptions::NoHighlight | (caseSensitive ? FindOptions::MatchCase : FindOptions::None));
      if (!hit) break;
      want.push_back(static_cast<std::size_t>(*hit));
      from = *hit + static_cast<std::int32_t>(needle.size());
    }
    const String whole = model.Slice(0, size);
    ASSERT_EQ(FindOccurrences(whole, needle, static_cast<std::size_t>(start), static_cast<std::size_t>(end), caseSensitive), want)
        << S(text) << " [" << start << "," << end << ") " << S(needle) << (caseSensitive ? " exact" : " folded");
  }
}

// The reading of a line, apart from the document.
TEST(ReadSubstitution, TextsAndEscapes) {
  const struct {
    std::u16string_view line;
    std::u16string_view start, end, oldText, newText;
  } cases[] = {
      {u":1,2s/a/b/", u"1", u"2", u"a", u"b"},
      {u": 1 , 2 s/a/b/", u" 1 ", u" 2 ", u"a", u"b"},
      {u":1,2sxyz/a/b/", u"1", u"2", u"a", u"b"},  // between the "s" and the first "/": skipped
      {u":1,2s/a\\nb/\\t/", u"1", u"2", u"a\r\nb", u"\t"},
      {u":1,2s/\\//\\\\/", u"1", u"2", u"/", u"\\"},
      {u":1,2s/\\q/\\N/", u"1", u"2", u"q", u"N"},
      {u":1,2s/a/b/c/d", u"1", u"2", u"a", u"b"},
      {u":1,2s/a/b\\", u"1", u"2", u"a", u"b"},         // a final backslash adds nothing
      {u":1,2s/a\\/b\\/", u"1", u"2", u"a/b/", u""},     // old text runs to the end
      {u":1,2s/a/b", u"1", u"2", u"a", u"b"},            // new text runs to the end
      {u":1,2s/", u"1", u"2", u"", u""},
      {u":,s/a/b/", u"", u"", u"a", u"b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(S(c.line));
    const auto parts = ReadSubstitution(c.line);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->startText, c.start);
    EXPECT_EQ(parts->endText, c.end);
    EXPECT_EQ(parts->oldText, c.oldText);
    EXPECT_EQ(parts->newText, c.newText);
  }
  for (std::u16string_view bad : {u":1a,2s/a/b/", u":1,2,s/a/b/", u":1/2,3s/a/b/", u":12", u":1,2", u":1,2s"})
    EXPECT_FALSE(ReadSubstitution(bad)) << S(bad);
}

TEST(CheckRange, OrderOfTheChecks) {
  auto check = [](std::u16string_view start, std::u16string_view end, LineNo last) -> std::string {
    const auto result = CheckRange({String(start), String(end), u"", u""}, last);
    if (const auto* refusal = std::get_if<RangeRefusal>(&result)) return std::string(refusal->message);
    const auto range = std::get<LineRange>(result);
    return std::to_string(range.start.value()) + "," + std::to_string(range.end.value());
  };
  EXPECT_EQ(check(u"1", u"3", 9), "1,3");
  EXPECT_EQ(check(u"1", u"30", 9), "1,9");
  EXPECT_EQ(check(u"0", u"5", 0), "0,0");
  EXPECT_EQ(check(u"0", u"0", 0), "Invalid End position");
  EXPECT_EQ(check(u"0", u"0", 5), "Invalid End position");
  EXPECT_EQ(check(u"4", u"3", 9), "Invalid start position");
  EXPECT_EQ(check(u"4", u"30", 3), "Invalid start position");  // after bringing the end down
  EXPECT_EQ(check(u"1234567890", u"1234567890", 9), "Invalid End position");
  EXPECT_EQ(check(u"1234567890", u"2", 9), "Invalid start position");
  EXPECT_EQ(check(u"x", u"1234567890", 9), "Invalid End position");
  EXPECT_EQ(check(u"", u"2", 9), "Invalid start position");
  EXPECT_EQ(check(u"1", u"", 9), "Invalid End position");
  EXPECT_EQ(check(u"  1  ", u" 99999 ", 9), "1,9");
  EXPECT_EQ(check(u"1", u" 99999999 ", 9), "Invalid End position");  // spaces count in the length
}

}  // namespace
}  // namespace quilmar::testing
