// Shared texts: a part shares its whole's storage, and growing one holder never changes what
// another holder reads.
#include <gtest/gtest.h>

#include "text/shared_text.hh"

namespace quilmar::testing {
namespace {

TEST(SharedText, PartsReadTheirOwnStretchAndAreClamped) {
  const SharedText whole(String(u"abcdef"));
  EXPECT_EQ(whole.Sub(2, 3).View(), u"cde");
  EXPECT_EQ(whole.Sub(4, 100).View(), u"ef");
  EXPECT_TRUE(whole.Sub(9, 1).empty());
  EXPECT_TRUE(whole.Sub(1, 2).SameAs(whole.Sub(1, 2)));
  EXPECT_FALSE(whole.Sub(1, 2).SameAs(SharedText(String(u"bc"))));
  EXPECT_TRUE(SharedText().View().empty());
}

TEST(SharedText, GrowingOneHolderLeavesTheOthersAsTheyWere) {
  SharedText grown(String(u"mid"));
  const SharedText copy = grown;
  const SharedText part = grown.Sub(1, 1);
  grown.Append(u"+");
  grown.Prepend(u"-");
  EXPECT_EQ(grown.View(), u"-mid+");
  EXPECT_EQ(copy.View(), u"mid");
  EXPECT_EQ(part.View(), u"i");
  SharedText fromPart = part;
  fromPart.Append(u"!");
  EXPECT_EQ(fromPart.View(), u"i!");
  EXPECT_EQ(copy.View(), u"mid");
}

TEST(SharedText, ATextHeldAloneGrowsInPlaceAsARunOfTypingDoes) {
  SharedText typed;
  for (char16_t c : StringView(u"hello")) typed.Append(StringView(&c, 1));
  typed.Prepend(u"> ");
  EXPECT_EQ(typed.View(), u"> hello");
  EXPECT_EQ(typed.size(), 7u);
}

}  // namespace
}  // namespace quilmar::testing
