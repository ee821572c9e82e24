// What the view paints against where it draws the caret, what a click or a drag selects, what
// it highlights and where lines wrap, for emoji, combining marks, CJK and right-to-left text
// mixed with digits. The ink is found in the painted image and the words in it by the blank
// columns between them; which word shows where follows from the text (the bidi algorithm),
// never from the layout under test.
#include "view_fixture.hh"

namespace quilmar {
namespace {

// A run of columns holding ink: [left, right], viewport pixels.
struct Blob {
  int left = 0;
  int right = 0;
};

class PaintedGeometry : public ViewFixture {
 protected:
  PaintedGeometry() : ViewFixture(14, QSize(520, 140)) {}

  // The first line as painted, with the caret parked on the (empty) second one.
  QImage PaintFirstLine(const String& line) {
    model.SetText(line + u"\r\n");
    model.SetSelStart(model.Length());
    return Paint();
  }
  QColor Base() const { return view.palette().color(QPalette::Base); }
  QColor Highlight() const { return view.palette().color(QPalette::Highlight); }
  int Top(int row) const { return row * measure.LineHeight(); }

  bool ColumnHas(const QImage& image, int x, int row, auto&& test) const {
    for (int y = Top(row); y < Top(row + 1) && y < image.height(); ++y)
      if (test(image.pixelColor(x, y))) return true;
    return false;
  }
  // The words of a row: runs of inked columns, runs closer than `gap` pixels joined.
  std::vector<Blob> Words(const QImage& image, int row, int gap) const {
    std::vector<Blob> blobs;
    const QColor base = Base();
    for (int x = 0; x < image.width(); ++x) {
      if (!ColumnHas(image, x, row, [&](QColor c) { return c != base; })) continue;
      if (!blobs.empty() && x - blobs.back().right <= gap) blobs.back().right = x;
      else blobs.push_back({x, x});
    }
    return blobs;
  }
  // Whether every column of [left, right] shows the highlight, or none does (unfocused: the
  // caret would hide a column).
  bool Highlighted(const QImage& image, Blob b, bool all) const {
    for (int x = b.left; x <= b.right; ++x) {
      if (ColumnHas(image, x, 0, [&](QColor c) { return c == Highlight(); }) != all) return false;
    }
    return true;
  }

  void Drag(int fromX, int toX) {
    const int y = measure.LineHeight() / 2;
    ViewFixture::Drag({fromX, y}, {toX, y});
  }
  int CaretXAt(CharPos pos) {
    model.SetSelStart(pos);
    return view.CaretRect().left();
  }

  // Clusters of a line whose words are single clusters separated by spaces: the caret at each
  // end lies at its ink's edge, its character rectangle holds the ink, a click on the ink puts
  // the caret at one of its ends and a drag across the ink selects exactly it.
  void CheckClusters(const String& line, const std::vector<std::pair<CharPos, CharPos>>& clusters,
                     const std::vector<Blob>& words) {
    ASSERT_EQ(words.size(), clusters.size());
    constexpr int kSlack = 3;  // side bearings
    for (std::size_t i = 0; i < clusters.size(); ++i) {
      const auto [start, end] = clusters[i];
      const Blob ink = words[i];
      SCOPED_TRACE("cluster at " + std::to_string(start.value()));
      EXPECT_NEAR(CaretXAt(start), ink.left, kSlack);
      EXPECT_NEAR(CaretXAt(end), ink.right + 1, kSlack);
      const QRectF box = view.CharacterRect(start);
      EXPECT_LE(box.left(), ink.left + 1);
      EXPECT_GE(box.right(), ink.right - 1);
      for (int x : {ink.left + 1, (ink.left + ink.right) / 2, ink.right - 1}) {
        Drag(x, x);
        EXPECT_TRUE(model.CaretPos() == start || model.CaretPos() == end) << "click at " << x;
      }
      Drag(ink.left - 1, ink.right + 1);
      EXPECT_EQ(model.SelText(), line.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    }
  }
};

TEST_F(PaintedGeometry, EmojiSequencesAreOneGlyphForTheCaretAndTheMouse) {
  // A face, a thumb with a skin tone, a family of four joined by ZWJ, a flag.
  const String line = u"\U0001F600 \U0001F44D\U0001F3FD \U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466 \U0001F1E9\U0001F1EA";
  const std::vector<Blob> words = Words(PaintFirstLine(line), 0, 3);
  CheckClusters(line, {{0, 2}, {3, 7}, {8, 19}, {20, 24}}, words);
}

// A file's stray byte, held as an escape (a lone surrogate), shows as U+FFFD does.
TEST_F(PaintedGeometry, StrayBytesArePaintedAsTheReplacementCharacter) {
  const QImage replacement = PaintFirstLine(u"\uFFFD \uFFFD");
  const String line = u"\xDCFF \xDCE9";
  const QImage painted = PaintFirstLine(line);
  EXPECT_EQ(painted, replacement);
  CheckClusters(line, {{0, 1}, {2, 3}}, Words(painted, 0, 3));
}

TEST_F(PaintedGeometry, CombiningMarksAndCjkAreOneGlyphForTheCaretAndTheMouse) {
  const String line = u"e\u0301 a\u0308 \u4E2D \u6587";
  const std::vector<Blob> words = Words(PaintFirstLine(line), 0, 3);
  CheckClusters(line, {{0, 2}, {3, 5}, {6, 7}, {8, 9}}, words);
}

TEST_F(PaintedGeometry, IdeographsWithoutSpacesAreDrawnWhereTheCaretStopsBetweenThem) {
  // Drawn a glyph at a time from a fallback font: each glyph's ink lies between the caret's
  // places before and after it, after a run of Latin letters and before another.
  const String line = u"ab\u4E2D\u6587\u5B57\u3002\u6F22cd";
  const QImage image = PaintFirstLine(line);
  const std::vector<Blob> ink = Words(image, 0, 0);
  ASSERT_FALSE(ink.empty());
  EXPECT_NEAR(ink.front().left, CaretXAt(0), 3);
  EXPECT_NEAR(ink.back().right + 1, CaretXAt(static_cast<std::int32_t>(line.size())), 3);
  for (const Blob& b : ink) {
    SCOPED_TRACE("ink at " + std::to_string(b.left));
    bool inside = false;
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(line.size()) && !inside; ++i)
      inside = b.left >= CaretXAt(i) - 2 && b.right + 1 <= CaretXAt(i + 1) + 2;
    EXPECT_TRUE(inside);
  }
}

TEST_F(PaintedGeometry, RightToLeftWordsAreHighlightedAndDraggedWhereTheyShow) {
  // Shown left to right: "Hebrew", then the right-to-left run reversed word by word (the
  // digits keep their own order), then "end". Two spaces between words keep them apart in
  // the ink, however narrow a letter is.
  const String line = u"Hebrew  \u05E9\u05DC\u05D5\u05DD  123  \u05E2\u05D5\u05DC\u05DD  end";
  const int space = static_cast<int>(measure.PlainAdvance(U' '));
  const std::vector<Blob> words = Words(PaintFirstLine(line), 0, space);
  ASSERT_EQ(words.size(), 5u);
  const Blob olam = words[1], digits = words[2], shalom = words[3], end = words[4];

  struct Selection {
    CharPos from, to;
    std::vector<Blob> lit, dark;
  };
  const Selection selections[] = {
      {8, 12, {shalom}, {olam, digits, end}},   // the first Hebrew word: at the right
      {14, 17, {digits}, {olam, shalom}},       // the digits: in the middle
      {8, 17, {digits, shalom}, {olam, end}},   // first word and digits: one stretch
      {14, 23, {olam, digits}, {shalom, end}},  // from the digits into the last word
  };
  view.clearFocus();
  for (const Selection& s : selections) {
    SCOPED_TRACE("selection " + std::to_string(s.from.value()) + "-" + std::to_string(s.to.value()));
    model.Select(s.from, s.to);
    const QImage image = Paint();
    for (Blob b : s.lit) EXPECT_TRUE(Highlighted(image, b, true)) << "dark at " << b.left << "-" << b.right;
    for (Blob b : s.dark) EXPECT_TRUE(Highlighted(image, b, false)) << "lit at " << b.left;
  }
  // A drag over a word's ink, from its first column to its last or back, selects that word.
  Drag(shalom.left + 1, shalom.right - 1);
  EXPECT_EQ(model.SelText(), u"\u05E9\u05DC\u05D5\u05DD");
  Drag(olam.right - 1, olam.left + 1);
  EXPECT_EQ(model.SelText(), u"\u05E2\u05D5\u05DC\u05DD");
  Drag(digits.left + 1, digits.right - 1);
  EXPECT_EQ(model.SelText(), u"123");
  // A click on a letter's ink puts the caret at one of its ends, drawn at that letter.
  Drag(shalom.right - 2, shalom.right - 2);
  EXPECT_EQ(model.CaretPos(), 8);
  EXPECT_NEAR(view.CaretRect().left(), shalom.right + 1, 3);
}

TEST_F(PaintedGeometry, ArabicWithDigitsReadsRightToLeftAsOneRun) {
  // Arabic letters, Arabic-context digits, Arabic letters: one right-to-left run, so the last
  // word shows leftmost and the first rightmost, the digits between them.
  const String line = u"x  \u0627\u0644\u0639\u0631\u0628\u064A\u0629  2024  \u0646\u0635";
  const int space = static_cast<int>(measure.PlainAdvance(U' '));
  const std::vector<Blob> words = Words(PaintFirstLine(line), 0, space);
  ASSERT_EQ(words.size(), 4u);
  view.clearFocus();
  model.Select(12, 16);
  QImage image = Paint();
  EXPECT_TRUE(Highlighted(image, words[2], true));
  EXPECT_TRUE(Highlighted(image, words[1], false));
  EXPECT_TRUE(Highlighted(image, words[3], false));
  model.Select(3, 10);
  image = Paint();
  EXPECT_TRUE(Highlighted(image, words[3], true));
  EXPECT_TRUE(Highlighted(image, words[1], false));
  EXPECT_TRUE(Highlighted(image, words[2], false));
}

TEST_F(PaintedGeometry, DownLandsUnderTheGoalXOfWideClusters) {
  model.SetText(u"\U0001F600\u4E2D\U0001F600x\r\nabcdefghijklmn");
  model.SetSelStart(5);  // after the second wide cluster
  const double goal = model.XOf(5);
  model.KeyDown(KeyEvent{key::Down, shift::None, {}});
  EXPECT_NEAR(model.XOf(model.CaretPos()), goal, measure.PlainAdvance(U'a') / 2 + 0.01);
  model.KeyDown(KeyEvent{key::Up, shift::None, {}});
  EXPECT_EQ(model.CaretPos(), 5);
}

TEST_F(PaintedGeometry, NoWrappedLineIsPaintedPastTheWidthItWrapsAt) {
  String paragraph;
  for (int i = 0; i < 6; ++i)
    paragraph += u"\U0001F468\u200D\U0001F469\u200D\U0001F467 \u4E2D\u6587\u5B57 \u0627\u0644\u0639\u0631\u0628\u064A\u0629 "
                 u"e\u0301\u0301 \U0001F1E9\U0001F1EA\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D\u4E2D ";
  model.SetText(paragraph);
  model.SetSelStart(0);
  ASSERT_GT(model.GetLineCount(), 4);
  const QImage image = Paint();
  const int limit = DocumentView::kPadding + static_cast<int>(measure.VisibleWidth());
  for (int row = 0; row < measure.VisibleLines() && row < model.GetLineCount(); ++row) {
    const std::vector<Blob> words = Words(image, row, 0);
    ASSERT_FALSE(words.empty()) << "row " << row;
    EXPECT_LE(words.back().right, limit) << "row " << row;
  }
}

}  // namespace
}  // namespace quilmar
