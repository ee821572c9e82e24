// The runs a line is drawn in, against ICU's bidirectional algorithm run on the same text,
// for random mixes of left-to-right and right-to-left letters, marks, neutrals and numbers.
#include <gtest/gtest.h>
#include <unicode/ubidi.h>

#include <random>

#include "text/bidi.hh"

namespace quilmar {
namespace {

std::vector<BidiRun> IcuRuns(StringView text) {
  UErrorCode status = U_ZERO_ERROR;
  UBiDi* bidi = ubidi_open();
  ubidi_setPara(bidi, text.data(), static_cast<std::int32_t>(text.size()), UBIDI_LTR, nullptr, &status);
  std::vector<BidiRun> runs;
  for (std::int32_t i = 0, count = ubidi_countRuns(bidi, &status); i < count; ++i) {
    std::int32_t start = 0, length = 0;
    const bool rtl = ubidi_getVisualRun(bidi, i, &start, &length) == UBIDI_RTL;
    runs.push_back({start, start + length, rtl});
  }
  ubidi_close(bidi);
  return runs;
}

TEST(Bidi, RunsAgreeWithIcu) {
  const char16_t* const pieces[] = {u"ab", u"\x5E9\x5DC", u"\x645\x631", u" ", u"  ", u"(", u")", u",", u"!", u"$", u"-",
                                    u"\xD83D\xDE0A", u"e\x301", u"\x5D0\x5B8", u"\x301", u"\x3B1", u"7", u"\x661", u"\x200D"};
  std::mt19937 rng(3);
  for (int round = 0; round < 20000; ++round) {
    String text;
    for (int k = 1 + static_cast<int>(rng() % 12); k > 0; --k) text += pieces[rng() % std::size(pieces)];
    std::vector<BidiRun> runs;
    VisualRuns(text, runs);
    const std::vector<BidiRun> icu = IcuRuns(text);
    ASSERT_EQ(runs.size(), icu.size()) << ToUtf8(text);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].from, icu[i].from) << ToUtf8(text);
      EXPECT_EQ(runs[i].to, icu[i].to) << ToUtf8(text);
      EXPECT_EQ(runs[i].rtl, icu[i].rtl) << ToUtf8(text);
    }
  }
}

}  // namespace
}  // namespace quilmar
