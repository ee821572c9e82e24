// Every line the breaker ends is the longest that fits as its own layout measures it (the
// layout is what is painted), for random paragraphs of plain, shaped, right-to-left and CJK
// words, neutrals, spaces and tabs, in cells and in proportional widths where a word shaped
// right to left is wider, at many widths; also long paragraphs of many lines.
#include <gtest/gtest.h>

#include <random>

#include "text/grapheme.hh"
#include "text/line_breaker.hh"
#include "text/line_layout.hh"

namespace quilmar {
namespace {

// A test measure's sizes: the widest advance and a cell's width as given, a window of ten
// cells by 25 lines, and no fonts to change.
class SizedMeasure : public Measure {
 public:
  SizedMeasure(double maxAdvance, double cellWidth) : maxAdvance_(maxAdvance), cellWidth_(cellWidth) {}
  double MaxAdvance() const override { return maxAdvance_; }
  double CellWidth() const override { return cellWidth_; }
  double VisibleWidth() const override { return 10; }
  int VisibleLines() const override { return 25; }
  void SetFont(const FontSpec&) override {}

 private:
  double maxAdvance_;
  double cellWidth_;
};

class Proportional final : public SizedMeasure {
 public:
  Proportional() : SizedMeasure(3, 1) {}
  double PlainAdvance(char32_t c) const override { return c == U'm' || c >= 0x10000 ? 2 : c == U'i' ? 0.5 : 1; }
  // Right to left, every cluster half again as wide: where a line's runs are cut matters.
  double Shape(StringView piece, bool rtl, ClusterEndsFn ends, std::vector<ClusterBox>& boxes) const override {
    const std::size_t first = boxes.size();
    const double advance = Measure::Shape(piece, rtl, ends, boxes);
    if (!rtl) return advance;
    for (std::size_t k = first; k < boxes.size(); ++k) boxes[k] = {boxes[k].end, boxes[k].left * 1.5, boxes[k].right * 1.5};
    return advance * 1.5;
  }
};

// The last two send a line with right-to-left text to ICU's bidi: every other round leaves them out.
const char16_t* const kPieces[] = {u"mi", u"abc", u" ", u"  ", u"\t", u"\xE9", u"e\x301", u" \x301", u"\xD83D\xDE00",
                                   u"\x5E9\x5DC\x5D5\x5DD", u"\x645\x631", u"\x4E2D\x6587", u"\x3002", u"!", u"12", u"("};

bool Fits(StringView line, const TextMetrics& metrics, double width) {
  LineLayout layout;
  layout.Build(line, metrics);
  return layout.FitWidth() <= width || layout.FitIsOneCluster();
}

// The first five pieces need no shaping.
constexpr std::size_t kPlainPieces = 5;

// Paragraphs of up to `pieces` pieces at widths up to `widths`; with `stretches`, every other
// stretch of 16 pieces is plain, so lines of plain text follow lines with text to shape, and
// wide lines vary in length from one to the next.
void CheckLines(const Measure& measure, int rounds = 3000, int pieces = 24, int widths = 16, bool stretches = false) {
  TabStops tabs;
  LineBreaker breaker(measure, tabs);
  std::mt19937 rng(7);
  for (int round = 0; round < rounds; ++round) {
    String para;
    for (int k = 1 + static_cast<int>(rng() % static_cast<unsigned>(pieces)); k > 0; --k) {
      const bool plain = stretches && k / 16 % 2 == 0;
      para += kPieces[rng() % (plain ? kPlainPieces : std::size(kPieces) - round % 2 * 2)];
    }
    // Wrapped at another width first, so the second wrap adds up what the first measured.
    breaker.Configure(1 + static_cast<double>(rng() % static_cast<unsigned>(widths)));
    WrapList wraps;
    ParagraphPieces kept;
    breaker.Wrap(para, wraps, &kept);
    const double width = 1 + static_cast<double>(rng() % static_cast<unsigned>(widths));
    breaker.Configure(width);
    breaker.Wrap(para, wraps, &kept);
    wraps.push_back(static_cast<std::int32_t>(para.size()));
    const auto n = static_cast<std::int32_t>(para.size());
    std::int32_t start = 0;
    for (const std::int32_t end : wraps) {
      SCOPED_TRACE("round " + std::to_string(round) + ", width " + std::to_string(width) + ", line " +
                   std::to_string(start) + ".." + std::to_string(end) + " of \"" + ToUtf8(para) + "\"");
      ASSERT_GT(end, start);
      ASSERT_TRUE(IsClusterBoundary(para, end));
      EXPECT_TRUE(Fits(para.substr(start, end - start), breaker.Metrics(), width));
      if (end < n) {
        // The line breaks after spaces or a tab where it has one, else between clusters; the
        // next place it could have broken at does not fit.
        std::int32_t after = -1;
        for (std::int32_t i = start + 1; i <= end; ++i)
          if (IsWrapSpace(para[i - 1]) && IsClusterBoundary(para, i)) after = i;
        std::int32_t next = NextClusterBoundary(para, end);
        if (after > start) {
          EXPECT_EQ(after, end);
          while (next < n && !(IsWrapSpace(para[next - 1]) && IsClusterBoundary(para, next))) next = NextClusterBoundary(para, next);
        }
        EXPECT_FALSE(Fits(para.substr(start, next - start), breaker.Metrics(), width)) << "up to " << next;
      }
      start = end;
    }
  }
}

TEST(LineBreaker, EveryLineIsTheLongestThatFitsItsOwnLayoutInCells) { CheckLines(CellMeasure(10, 25)); }
TEST(LineBreaker, EveryLineIsTheLongestThatFitsItsOwnLayoutInProportionalWidths) { CheckLines(Proportional()); }
TEST(LineBreaker, LongParagraphsOfPlainAndShapedStretchesBreakAsTheirLayoutsFit) {
  CheckLines(CellMeasure(10, 25), 300, 400, 160, true);
  CheckLines(Proportional(), 300, 400, 160, true);
}

// Words for paragraphs where right-to-left runs hold neutrals (emoji, punctuation, joined
// emoji) between their words, and lines start and end inside them.
const char16_t* const kMixedWords[] = {u"hello", u"na\xEFve", u"e\x301te\x301", u"\xD83D\xDE0A", u"!", u"\x2014",
                                       u"\xD83D\xDC68\x200D\xD83D\xDC69", u"\x5E9\x5DC\x5D5\x5DD", u"\x5E1\x5B8\x5E4\x5E8",
                                       u"\x645\x64E\x631", u"\x200D\x5D0", u"\x3B5\x3BB", u"mi", u"m", u"\t", u"12"};

// Paragraphs of short lines where right-to-left words come often, so that runs are long and
// hold neutrals; or of long lines (Word Wrap off) of left-to-right words with a right-to-left
// word or a tab now and then, which the measured pieces add up dozens of words at a time.
struct MixedParagraphs {
  int rounds = 400;
  unsigned words = 300;
  unsigned rightToLeftOneIn = 3;
  unsigned widths = 60;
};

// A paragraph wrapped at width after width by a breaker that keeps its measured pieces breaks
// exactly where walking every line breaks it.
void CheckMeasuredAgree(const Measure& measure, bool withNumbers, const MixedParagraphs& kind = {}) {
  TabStops tabs;
  LineBreaker measuring(measure, tabs);
  LineBreaker walking(measure, tabs);
  walking.SetMeasuredLimit(0);
  std::mt19937 rng(11);
  const std::size_t words = std::size(kMixedWords) - (withNumbers ? 0 : 2);
  // Left to right (or neutral): the first seven and "\x3B5\x3BB", "mi", "m".
  const std::size_t leftWords[] = {0, 1, 2, 3, 4, 5, 6, 11, 12, 13};
  const bool longLines = kind.rightToLeftOneIn > 3;
  for (int round = 0; round < kind.rounds; ++round) {
    String para;
    for (int k = 1 + static_cast<int>(rng() % kind.words); k > 0; --k) {
      std::size_t w = rng() % kind.rightToLeftOneIn == 0 ? 7 + rng() % 4 : rng() % words;
      if (longLines && w >= 7 && w <= 10 && rng() % kind.rightToLeftOneIn != 0)
        w = rng() % 60 == 0 ? 14 : leftWords[rng() % std::size(leftWords)];
      para += kMixedWords[w];
      para += rng() % 8 == 0 ? u"  " : u" ";
    }
    ParagraphPieces kept;
    for (int step = 0; step < 12; ++step) {
      const double width = 1 + static_cast<double>(rng() % kind.widths) + (rng() % 2 ? 0.5 : 0);
      measuring.Configure(width);
      walking.Configure(width);
      WrapList measured, walked;
      measuring.Wrap(para, measured, &kept);
      walking.Wrap(para, walked);
      ASSERT_EQ(measured, walked) << "round " << round << ", width " << width << " of \"" << ToUtf8(para) << "\"";
    }
    // Long lines without numbers are measured: the sums were what answered.
    if (longLines && !withNumbers) {
      EXPECT_TRUE(kept.measured) << "round " << round;
    }
  }
}

// Advances in tenths: sums of them depend on their grouping, so nothing is measured.
class Tenths final : public SizedMeasure {
 public:
  Tenths() : SizedMeasure(2, 0.7) {}
  double PlainAdvance(char32_t c) const override { return c == U' ' ? 0.3 : 0.7; }
};

TEST(LineBreaker, AParagraphWrappedAgainAtOtherWidthsBreaksAsWalkingItDoes) {
  CheckMeasuredAgree(CellMeasure(10, 25), false);
  CheckMeasuredAgree(Proportional(), false);
  CheckMeasuredAgree(Proportional(), true);
  CheckMeasuredAgree(Tenths(), false);
}

// Shaped clusters that reach past their advance, as italics do. A space has no plain advance,
// so every word with its spaces is shaped; it adds nothing to the pen, and its box reaches
// far past it.
class Overhanging final : public SizedMeasure {
 public:
  Overhanging() : SizedMeasure(3, 1) {}
  double PlainAdvance(char32_t c) const override { return c == U' ' ? -1 : c == U'm' ? 2 : 1; }
  double Shape(StringView piece, bool rtl, ClusterEndsFn ends, std::vector<ClusterBox>& boxes) const override {
    const std::size_t first = boxes.size();
    const double advance = Measure::Shape(piece, rtl, ends, boxes);
    // A space's box reaches past the next word's first character: what hangs after a word
    // can be what reaches furthest when the next one is added.
    for (std::size_t k = first, from = 0; k < boxes.size(); from = static_cast<std::size_t>(boxes[k++].end))
      boxes[k].right += piece[from] == u' ' ? 3 : 0.25;
    return advance;
  }
};

TEST(LineBreaker, LongLinesOfMostlyLeftToRightWordsBreakAsWalkingThemDoes) {
  const MixedParagraphs longLines{40, 4000, 40, 1500};
  CheckMeasuredAgree(CellMeasure(10, 25), false, longLines);
  CheckMeasuredAgree(Proportional(), false, longLines);
  CheckMeasuredAgree(Proportional(), true, longLines);
  CheckMeasuredAgree(Overhanging(), false, longLines);
}

}  // namespace
}  // namespace quilmar
