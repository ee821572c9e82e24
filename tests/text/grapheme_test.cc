// Grapheme cluster boundaries through the lookups the caret and the layout use, at every
// offset of each text, also deep inside long text where a lookup reads only a window around
// its offset.
#include <gtest/gtest.h>

#include <algorithm>

#include "text/grapheme.hh"

namespace quilmar {
namespace {

struct BoundaryCase {
  const char* name;
  String text;
  std::vector<std::int32_t> boundaries;  // every one, 0 and the end included
};

void PrintTo(const BoundaryCase& c, std::ostream* os) { *os << c.name; }

String Repeat(StringView piece, int times) {
  String out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

// Boundaries every `step` units from `from` up to `to`.
std::vector<std::int32_t> Every(std::int32_t from, std::int32_t to, std::int32_t step) {
  std::vector<std::int32_t> out;
  for (std::int32_t b = from; b <= to; b += step) out.push_back(b);
  return out;
}

std::vector<std::int32_t> Join(std::vector<std::int32_t> a, const std::vector<std::int32_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  std::sort(a.begin(), a.end());
  a.erase(std::unique(a.begin(), a.end()), a.end());
  return a;
}

const String kFamily = u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466";
const String kFlag = u"\U0001F1E9\U0001F1EA";

const BoundaryCase kCases[] = {
    {"ascii", u"ab c", {0, 1, 2, 3, 4}},
    {"combining_marks", u"e\u0301xa\u0308\u0301", {0, 2, 3, 6}},
    {"a_lone_mark_at_the_start", u"\u0301ab", {0, 1, 2, 3}},
    {"surrogate_pair", u"a\U0001F600b", {0, 1, 3, 4}},
    {"zwj_family_and_skin_tone", u"a" + kFamily + u"\U0001F44D\U0001F3FDb", {0, 1, 12, 16, 17}},
    {"hangul_jamo", u"\u1112\u1161\u11AB\u1112\u1161", {0, 3, 5}},
    // Emoji among spaces, a modifier that joins its emoji, and ideographs past the emoji's plane.
    {"emoji_between_spaces", u"a \U0001F60A \U0001F44D\U0001F3FD\U0001F60A\U00020000\U00020001", {0, 1, 2, 4, 5, 9, 11, 13, 15}},
    {"cjk_and_hebrew", u"\u4E2D\u6587 \u05E9\u05DC", {0, 1, 2, 3, 4, 5}},
    // Three flags and a lone regional indicator: pairs from the run's start.
    {"flags", kFlag + kFlag + kFlag + u"\U0001F1E9x", {0, 4, 8, 12, 14, 15}},
    // A hundred flags, far longer than a lookup's window: still paired from the run's start.
    {"a_long_run_of_flags", u"x" + Repeat(kFlag, 100), Join({0}, Every(1, 401, 4))},
    // Clusters after thousands of characters, and a family right at the window's reach.
    {"deep_in_a_long_paragraph", Repeat(u"ab", 3000) + kFamily + u"e\u0301" + Repeat(u"x", 63) + kFamily,
     Join(Join(Every(0, 6000, 1), {6011, 6013, 6087}), Every(6014, 6076, 1))},
};

class Clusters : public ::testing::TestWithParam<BoundaryCase> {};

TEST_P(Clusters, EveryLookupAgreesAtEveryOffset) {
  const BoundaryCase& c = GetParam();
  const StringView t = c.text;
  const auto n = static_cast<std::int32_t>(t.size());
  ASSERT_EQ(c.boundaries.back(), n);
  const auto& b = c.boundaries;
  for (std::int32_t o = 0; o <= n; ++o) {
    SCOPED_TRACE("offset " + std::to_string(o));
    EXPECT_EQ(IsClusterBoundary(t, o), std::binary_search(b.begin(), b.end(), o));
    const auto next = std::upper_bound(b.begin(), b.end(), o);
    EXPECT_EQ(NextClusterBoundary(t, o), next == b.end() ? n : *next);
    const auto prev = std::lower_bound(b.begin(), b.end(), o);
    EXPECT_EQ(PrevClusterBoundary(t, o), prev == b.begin() ? 0 : *(prev - 1));
  }
  std::vector<std::int32_t> ends;
  ClusterEnds(t, ends);
  EXPECT_EQ(ends, std::vector<std::int32_t>(b.begin() + 1, b.end()));
}

INSTANTIATE_TEST_SUITE_P(Texts, Clusters, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quilmar
