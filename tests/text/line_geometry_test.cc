// The four line queries and their conventions, on unwrapped and wrapped text.
#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

struct GeometryCase {
  const char* name;
  const char* text;
  int cols;  // 0: no wrap
  int lineCount;
  std::vector<std::pair<int, int>> lineIndex;     // line -> LineIndex
  std::vector<std::pair<int, int>> lineFromChar;  // pos -> LineFromChar
  std::vector<std::pair<int, int>> lineLength;    // pos -> LineLength
};

const GeometryCase kCases[] = {
    {"empty", "", 0, 1, {{0, 0}, {1, -1}}, {{0, 0}}, {{0, 0}}},
    {"two lines", "ab\r\ncd", 0, 2,
     {{0, 0}, {1, 4}, {2, -1}},
     {{0, 0}, {2, 0}, {3, 0}, {4, 1}, {6, 1}},
     {{0, 2}, {4, 2}, {7, 0}, {100, 0}}},
    {"final break", "ab\r\n", 0, 2, {{1, 4}, {2, -1}}, {{2, 0}, {4, 1}}, {{4, 0}, {0, 2}, {5, 0}}},
    {"one char and a break", "x\r\n", 0, 2, {{1, 3}}, {{3, 1}}, {{3, 0}}},
    {"empty lines", "\r\n\r\n", 0, 3, {{0, 0}, {1, 2}, {2, 4}, {3, -1}}, {{0, 0}, {1, 0}, {2, 1}, {4, 2}}, {{0, 0}, {2, 0}}},
    {"position past the end", "abc", 0, 1, {}, {{3, 0}, {50, 0}}, {{3, 3}, {4, 0}}},
    // Wrapped at 5 cells: "hello " | "world " | "foo"; the wrap has no break characters.
    {"wrapped words", "hello world foo", 5, 3,
     {{0, 0}, {1, 6}, {2, 12}, {3, -1}},
     {{5, 0}, {6, 1}, {11, 1}, {12, 2}, {15, 2}},
     {{0, 6}, {6, 6}, {12, 3}}},
    // A word longer than the width breaks at the width.
    {"long word", "abcdefghij\r\nxy", 4, 4,
     {{0, 0}, {1, 4}, {2, 8}, {3, 12}},
     {{3, 0}, {4, 1}, {8, 2}, {10, 2}, {11, 2}, {12, 3}},
     {{0, 4}, {9, 2}, {10, 2}, {12, 2}}},
    {"no wrap keeps long lines", "hello world foo", 0, 1, {{1, -1}}, {{14, 0}}, {{0, 15}}},
};

class LineGeometry : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(LineGeometry, AnswersAsTheTableSays) {
  const GeometryCase& c = GetParam();
  ModelRig rig(c.cols == 0 ? 80 : c.cols);
  rig.Wrap(c.cols != 0);
  rig.model.SetText(U(c.text));
  EXPECT_EQ(rig.model.GetLineCount(), c.lineCount);
  for (auto [line, want] : c.lineIndex) EXPECT_EQ(rig.model.LineIndex(line), Found(want)) << "LineIndex " << line;
  for (auto [pos, want] : c.lineFromChar) EXPECT_EQ(rig.model.LineFromChar(pos), want) << "LineFromChar " << pos;
  for (auto [pos, want] : c.lineLength) EXPECT_EQ(rig.model.LineLength(pos), want) << "LineLength " << pos;
}

INSTANTIATE_TEST_SUITE_P(Table, LineGeometry, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                           std::string n = info.param.name;
                           for (char& ch : n) if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

TEST(LineGeometryMinusOne, LineIndexAndLineFromCharFollowTheCaret) {
  ModelRig rig;
  rig.model.SetText(u"ab\r\ncd\r\nef");
  rig.model.SetSelStart(5);
  EXPECT_EQ(rig.model.LineIndex(kCaretLine), 4);
  EXPECT_EQ(rig.model.LineFromChar(kSelectionPos), 1);
  // With a selection, LineFromChar(kSelectionPos) is the line of its start; LineIndex(kCaretLine) the caret's.
  rig.model.Select(9, 1);
  EXPECT_EQ(rig.model.LineFromChar(kSelectionPos), 0);
  EXPECT_EQ(rig.model.LineIndex(kCaretLine), 0);
  rig.model.Select(1, 9);
  EXPECT_EQ(rig.model.LineFromChar(kSelectionPos), 0);
  EXPECT_EQ(rig.model.LineIndex(kCaretLine), 8);
}

TEST(LineGeometryMinusOne, LineLengthCountsUnselectedCharactersOnTheSelectedLines) {
  ModelRig rig;
  rig.model.SetText(u"abcdef\r\nghijklmnop\r\nxyz");
  rig.model.SetSelStart(9);
  EXPECT_EQ(rig.model.LineLength(kSelectionPos), 10);  // no selection: the caret's line
  rig.model.SetSelStart(3);
  rig.model.SetSelLength(9);  // "def\r\nghij" selected
  EXPECT_EQ(rig.model.LineLength(kSelectionPos), 3 + 6);
  rig.model.SetSelStart(1);
  rig.model.SetSelLength(2);  // within one line
  EXPECT_EQ(rig.model.LineLength(kSelectionPos), 4);
  rig.model.SetSelStart(2);
  rig.model.SetSelLength(6);  // "cdef\r\n": ends with the break, nothing of line 1 counts
  EXPECT_EQ(rig.model.LineLength(kSelectionPos), 2);
}

TEST(LineGeometry, LinesFollowWrappingChanges) {
  ModelRig rig(10);
  rig.Wrap(true);
  rig.model.SetText(u"aaaa bbbb cccc dddd");
  EXPECT_EQ(rig.model.GetLineCount(), 2);
  rig.measure.Resize(5, 25);
  rig.model.Relayout();
  EXPECT_EQ(rig.model.GetLineCount(), 4);
  rig.Wrap(false);
  EXPECT_EQ(rig.model.GetLineCount(), 1);
  rig.Wrap(true);
  EXPECT_EQ(rig.model.LineIndex(3), 15);
}

TEST(LineGeometry, EditsRewrapTheTouchedParagraph) {
  ModelRig rig(10);
  rig.Wrap(true);
  rig.model.SetText(u"first\r\naaaa bbbb\r\nlast");
  EXPECT_EQ(rig.model.GetLineCount(), 3);
  rig.model.SetSelStart(16);  // after "bbbb"
  rig.model.SetSelText(u" cccc");
  EXPECT_EQ(rig.model.GetLineCount(), 4);
  EXPECT_EQ(rig.model.LineIndex(2), 17);
  EXPECT_EQ(rig.model.LineIndex(3), 23);
  // Deleting a word lets the next one move up.
  rig.model.SetSelStart(7);
  rig.model.SetSelLength(5);
  rig.model.SetSelText(u"");
  EXPECT_EQ(rig.model.GetLineCount(), 3);
  EXPECT_EQ(S(rig.model.Text()), "first\r\nbbbb cccc\r\nlast");
}

}  // namespace
}  // namespace quilmar::testing
