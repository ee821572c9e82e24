// LikeMatch: the pattern language case by case, the patterns the editor itself uses, and inputs
// that make naive backtracking explode. (The like_match fuzz target compares it with a slow
// matcher of its own on random inputs.)
#include "app/like_match.hh"

#include <gtest/gtest.h>

namespace quilmar {
namespace {

struct LikeCase {
  const char16_t* text;
  const char16_t* pattern;
  bool matches;
};

void PrintTo(const LikeCase& c, std::ostream* os) {
  *os << '"' << ToUtf8(c.text) << "\" like \"" << ToUtf8(c.pattern) << '"';
}

class LikeMatchTable : public testing::TestWithParam<LikeCase> {};

TEST_P(LikeMatchTable, MatchesWholeText) {
  const LikeCase& c = GetParam();
  EXPECT_EQ(LikeMatch(c.text, c.pattern), c.matches)
      << "text \"" << ToUtf8(c.text) << "\" pattern \"" << ToUtf8(c.pattern) << "\"";
}

INSTANTIATE_TEST_SUITE_P(Elements, LikeMatchTable, testing::Values(
    LikeCase{u"", u"", true},
    LikeCase{u"a", u"", false},
    LikeCase{u"", u"*", true},
    LikeCase{u"", u"?", false},
    LikeCase{u"abc", u"abc", true},
    LikeCase{u"abc", u"ab", false},           // the whole text must be accounted for
    LikeCase{u"ab", u"abc", false},
    LikeCase{u"ABC", u"abc", false},          // no case folding
    LikeCase{u"abc", u"a*", true},
    LikeCase{u"abc", u"*c", true},
    LikeCase{u"abc", u"a**c", true},
    LikeCase{u"abc", u"a?c", true},
    LikeCase{u"ac", u"a?c", false},
    LikeCase{u"a5", u"a#", true},
    LikeCase{u"ax", u"a#", false},
    LikeCase{u"a", u"#", false},
    LikeCase{u"\u0665", u"#", false},         // only the ASCII digits are digits
    LikeCase{u"*", u"[*]", true},             // wildcards are members inside a list
    LikeCase{u"x", u"[*]", false},
    LikeCase{u"?", u"[?#]", true},
    LikeCase{u"\\", u"[\\]", true},           // no escape character
    LikeCase{u"\\a", u"\\a", true},
    LikeCase{u"b", u"[a-c]", true},
    LikeCase{u"d", u"[a-c]", false},
    LikeCase{u"d", u"[!a-c]", true},
    LikeCase{u"b", u"[!a-c]", false},
    LikeCase{u"-", u"[-a]", true},            // "-" first, last or after "!" is a member
    LikeCase{u"-", u"[a-]", true},
    LikeCase{u"-", u"[!-]", false},
    LikeCase{u"x", u"[!-]", true},
    LikeCase{u"b", u"[a-]", false},
    LikeCase{u"!", u"[a!]", true},            // "!" elsewhere is a member
    LikeCase{u"a", u"[]", false},             // an empty list holds nothing
    LikeCase{u"", u"[]", false},
    LikeCase{u"a", u"[!]", true},
    LikeCase{u"[", u"[", true},               // an unclosed "[" is an ordinary character
    LikeCase{u"[ab", u"[ab", true},
    LikeCase{u"[a", u"[*", true},
    LikeCase{u"]", u"]", true},
    LikeCase{u"ab]", u"[a]b]", true},
    LikeCase{u"\U0001F600", u"??", true},     // characters are UTF-16 code units
    LikeCase{u"\U0001F600", u"?", false}));

INSTANTIATE_TEST_SUITE_P(EditorPatterns, LikeMatchTable, testing::Values(
    LikeCase{u"/", u"[/]*", true},
    LikeCase{u"", u"[/]*", false},
    LikeCase{u"x/", u"[/]*", false},
    LikeCase{u":w ", u":w *", true},
    LikeCase{u":w", u":w *", false},
    LikeCase{u":W x", u":w *", false},
    LikeCase{u"TabSpaces=4", u"TabSpaces=#", true},
    LikeCase{u"TabSpaces=12", u"TabSpaces=#", false},
    LikeCase{u"Font=,,,", u"Font=*,*,*,*", true},
    LikeCase{u"Font=a,b,c", u"Font=*,*,*,*", false},
    LikeCase{u"Font=a,b,c,d,e", u"Font=*,*,*,*", true},
    LikeCase{u"/home/u/quilmar.ini", u"*quilmar.ini", true},
    LikeCase{u"/home/u/Quilmar.INI", u"*quilmar.ini", false},
    LikeCase{u"quilmar.ini.bak", u"*quilmar.ini", false},
    LikeCase{u":1,5s/a/b/", u":#*,#*s[/]*[/]*/", true},
    LikeCase{u":1,5s/a/b", u":#*,#*s[/]*[/]*/", false},
    LikeCase{u":a,5s/a/b/", u":#*,#*s[/]*[/]*/", false},
    LikeCase{u",", u"[A-Za-rt-z~!@#$%^&*()`':;,.<>/?\\|}{_+=-]", true},
    LikeCase{u"Q", u"[A-Za-rt-z~!@#$%^&*()`':;,.<>/?\\|}{_+=-]", true},
    LikeCase{u"s", u"[A-Za-rt-z~!@#$%^&*()`':;,.<>/?\\|}{_+=-]", false},
    LikeCase{u" ", u"[A-Za-rt-z~!@#$%^&*()`':;,.<>/?\\|}{_+=-]", false}));

// Naive backtracking takes time exponential in the number of stars on these; a run that does
// not finish fails the test by its timeout.
TEST(LikeMatch, AdversarialPatternsFinish) {
  const String run(200000, u'a');
  EXPECT_FALSE(LikeMatch(run, u"*a*a*a*a*b"));
  EXPECT_TRUE(LikeMatch(run + u"b", u"*a*a*a*a*b"));
  EXPECT_FALSE(LikeMatch(run, u"*a*a*a*a*a*a*a*a*a*a*a*a*[!a]"));
  EXPECT_TRUE(LikeMatch(run, u"*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?*?"));
  EXPECT_FALSE(LikeMatch(String(64, u'a'), u"*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*a*b"));
}

}  // namespace
}  // namespace quilmar
