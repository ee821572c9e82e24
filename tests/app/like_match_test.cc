// LikeMatch on inputs that make naive backtracking explode. The pattern language itself is the
// like_match fuzz target's (against a slow matcher of its own, from a seed corpus of its
// elements); the patterns the editor uses are checked where they decide something (the command
// parser, the settings file, go to line).
#include "app/like_match.hh"

#include <gtest/gtest.h>

namespace quilmar {
namespace {

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
