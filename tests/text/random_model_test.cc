// Thousands of random edits and width changes, after each of which the line queries must
// agree with a slow reference computed from the plain text.
#include <random>

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

// The reference layout: line starts and lengths from the whole text, every cell one wide,
// tabs to the next multiple of 8, greedy wrapping with hanging spaces.
struct ReferenceLines {
  std::vector<int> starts;
  std::vector<int> lengths;

  ReferenceLines(const String& text, int width) {
    std::size_t from = 0;
    for (;;) {
      std::size_t brk = text.find(u"\r\n", from);
      const std::size_t end = brk == String::npos ? text.size() : brk;
      Paragraph(text, static_cast<int>(from), static_cast<int>(end), width);
      if (brk == String::npos) break;
      from = brk + 2;
    }
  }

  void Paragraph(const String& text, int from, int end, int width) {
    int start = from;
    for (;;) {
      int x = 0, i = start, breakAfterSpace = -1;
      int next = end;
      while (i < end) {
        const char16_t c = text[static_cast<std::size_t>(i)];
        const int units = (IsHighSurrogate(c) && i + 1 < end && IsLowSurrogate(text[static_cast<std::size_t>(i) + 1])) ? 2 : 1;
        const bool space = c == u' ' || c == u'\t';
        const int w = c == u'\t' ? (x / 8 + 1) * 8 - x : 1;
        if (width > 0 && !space && i != start && x + w > width) {
          next = breakAfterSpace > start ? breakAfterSpace : i;
          break;
        }
        x += w;
        i += units;
        if (space) breakAfterSpace = i;
      }
      starts.push_back(start);
      lengths.push_back(next - start);
      if (next >= end) return;
      start = next;
    }
  }

  int LineOf(int pos) const {
    auto it = std::upper_bound(starts.begin(), starts.end(), pos);
    return static_cast<int>(it - starts.begin()) - 1;
  }
};

String RandomInsert(std::mt19937& rng) {
  static const char16_t kPieces[][4] = {u"a", u"b", u" ", u"\t", u"\r\n", u"\r", u"\n",
                                        u"\xD83D\xDE00", u"xyz", u"\xE9", u"  "};
  String s;
  const int n = std::uniform_int_distribution<int>(0, 6)(rng);
  for (int i = 0; i < n; ++i) s += kPieces[std::uniform_int_distribution<int>(0, std::size(kPieces) - 1)(rng)];
  return s;
}

String Normalized(const String& s) {
  String out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'\r' || s[i] == u'\n') {
      out += u"\r\n";
      if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

void CheckAgainstReference(const TextModel& model, const String& text, int width, std::mt19937& rng) {
  const ReferenceLines ref(text, width);
  const int count = static_cast<int>(ref.starts.size());
  ASSERT_EQ(model.GetLineCount(), count);
  const int length = static_cast<int>(text.size());
  ASSERT_EQ(model.Length(), length);
  std::vector<int> positions{0, length, length + 1};
  for (int i = 0; i < 12; ++i) positions.push_back(std::uniform_int_distribution<int>(0, length)(rng));
  for (int pos : positions) {
    const int line = ref.LineOf(std::min(pos, length));
    ASSERT_EQ(model.LineFromChar(pos), line) << "pos " << pos;
    ASSERT_EQ(model.LineLength(pos), pos > length ? 0 : ref.lengths[static_cast<std::size_t>(line)]) << "pos " << pos;
  }
  std::vector<int> lines{0, count - 1, count};
  for (int i = 0; i < 8; ++i) lines.push_back(std::uniform_int_distribution<int>(0, count - 1)(rng));
  for (int line : lines) {
    ASSERT_EQ(model.LineIndex(line), line < count ? ref.starts[static_cast<std::size_t>(line)] : -1) << "line " << line;
  }
}

TEST(RandomEdits, LineQueriesAgreeWithAReferenceLayout) {
  std::mt19937 rng(20240611);
  ModelRig rig(12);
  int width = 12;
  rig.Wrap(true);
  String text;
  for (int step = 0; step < 4000; ++step) {
    const int length = static_cast<int>(text.size());
    const int action = std::uniform_int_distribution<int>(0, 19)(rng);
    if (action == 0) {
      // Change the width, sometimes to no wrapping at all.
      width = std::uniform_int_distribution<int>(0, 20)(rng);
      if (width == 0) {
        rig.Wrap(false);
      } else {
        rig.measure.Resize(width, 25);
        rig.Wrap(true);
        rig.model.Relayout();
      }
    } else {
      const int start = std::uniform_int_distribution<int>(0, length)(rng);
      const int len = std::uniform_int_distribution<int>(0, std::min(8, length - start))(rng);
      rig.model.SetSelStart(start);
      rig.model.SetSelLength(len);
      // The model never leaves the selection inside a pair; follow where it put it.
      const int s = rig.model.SelStart();
      const int l = rig.model.SelLength();
      const String ins = RandomInsert(rng);
      rig.model.SetSelText(ins);
      text = text.substr(0, static_cast<std::size_t>(s)) + Normalized(ins) + text.substr(static_cast<std::size_t>(s + l));
      ASSERT_EQ(rig.model.SelStart(), s + static_cast<int>(Normalized(ins).size()));
    }
    // With no wrapping the editor's margin is 10000 cells: no test line gets that long.
    CheckAgainstReference(rig.model, text, width == 0 ? 10000 : width, rng);
    if (::testing::Test::HasFatalFailure()) {
      FAIL() << "after step " << step << " text \"" << S(text) << "\"";
    }
  }
  EXPECT_EQ(rig.model.Text(), text);
}

}  // namespace
}  // namespace quilmar::testing
