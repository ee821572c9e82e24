// Thousands of random edits and width changes, after each of which the line queries must
// agree with a slow reference computed from the plain text. The text starts as a load of
// characters up to U+00FF (stored a byte each); typing, pasting and substituting put wider
// characters into it, and undo and redo walk back and forth across those changes of storage.
#include <cmath>
#include <random>

#include "command/substitute.hh"
#include "files/encoding.hh"
#include "headless_ports.hh"
#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

// Narrow and wide letters, so that breaks depend on more than character counts.
class ProportionalMeasure final : public Measure {
 public:
  explicit ProportionalMeasure(int cols) : cols_(cols) {}
  static double Width(char32_t c) {
    if (c == U'm' || c == U'w' || c >= 0x10000) return 2;
    if (c == U'i' || c == U'l') return 0.5;
    return 1;
  }
  double PlainAdvance(char32_t c) const override { return Width(c); }
  double MaxAdvance() const override { return 2; }
  double CellWidth() const override { return 1; }
  double VisibleWidth() const override { return cols_; }
  int VisibleLines() const override { return 25; }
  void SetFont(const FontSpec&) override {}
  void Resize(int cols) { cols_ = cols; }

 private:
  int cols_;
};

double CellWidthOf(char32_t) { return 1; }

// The reference layout: line starts and lengths from the whole text, tabs to the next
// multiple of 8 cells, greedy wrapping with hanging spaces.
struct ReferenceLines {
  std::vector<int> starts;
  std::vector<int> lengths;
  double (*advance)(char32_t);

  ReferenceLines(const String& text, int width, double (*adv)(char32_t)) : advance(adv) {
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
      double x = 0;
      int i = start, breakAfterSpace = -1;
      int next = end;
      while (i < end) {
        const char16_t c = text[static_cast<std::size_t>(i)];
        const int units = (IsHighSurrogate(c) && i + 1 < end && IsLowSurrogate(text[static_cast<std::size_t>(i) + 1])) ? 2 : 1;
        const bool space = c == u' ' || c == u'\t';
        const char32_t cp = units == 2 ? 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[static_cast<std::size_t>(i) + 1]) - 0xDC00) : c;
        const double w = c == u'\t' ? (std::floor(x / 8) + 1) * 8 - x : advance(cp);
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

// Pieces of text; those after the first `kNarrowPieces` hold characters above U+00FF.
constexpr int kNarrowPieces = 13;
const char16_t kPieces[][4] = {u"a", u"b", u" ", u"\t", u"\r\n", u"\r", u"\n", u"xyz", u"\xE9", u"  ",
                               u"mw", u"il", u"m", u"i", u"\xD83D\xDE00", u"\x3A9"};

String RandomInsert(std::mt19937& rng, bool narrow = false) {
  String s;
  const int n = std::uniform_int_distribution<int>(0, 6)(rng);
  const int pieces = narrow ? kNarrowPieces : static_cast<int>(std::size(kPieces));
  for (int i = 0; i < n; ++i) s += kPieces[std::uniform_int_distribution<int>(0, pieces - 1)(rng)];
  return s;
}

// Every non-overlapping occurrence, left to right, replaced.
String ReplacedAll(String text, const String& what, const String& with) {
  for (std::size_t at = text.find(what); at != String::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
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

void CheckAgainstReference(const TextModel& model, const String& text, int width,
                           double (*adv)(char32_t), std::mt19937& rng) {
  const ReferenceLines ref(text, width, adv);
  const int count = static_cast<int>(ref.starts.size());
  ASSERT_EQ(model.GetLineCount(), count);
  const int length = static_cast<int>(text.size());
  ASSERT_EQ(model.Length(), length);
  // The caret first, as the position display asks right after an edit or a resize.
  std::vector<int> positions{static_cast<int>(model.CaretPos().value()), 0, length, length + 1};
  for (int i = 0; i < 12; ++i) positions.push_back(std::uniform_int_distribution<int>(0, length)(rng));
  for (int pos : positions) {
    const int line = ref.LineOf(std::min(pos, length));
    ASSERT_EQ(model.LineFromChar(pos), line) << "pos " << pos;
    ASSERT_EQ(model.LineLength(pos), pos > length ? 0 : ref.lengths[static_cast<std::size_t>(line)]) << "pos " << pos;
  }
  // Reading back: single characters and slices across edited and unedited paragraphs.
  for (int i = 0; i < 6 && length > 0; ++i) {
    const int at = std::uniform_int_distribution<int>(0, length - 1)(rng);
    ASSERT_EQ(model.CharAt(at), text[static_cast<std::size_t>(at)]) << "CharAt " << at;
    const int len = std::uniform_int_distribution<int>(0, 40)(rng);
    ASSERT_EQ(model.Slice(at, len), text.substr(static_cast<std::size_t>(at), static_cast<std::size_t>(len)))
        << "Slice " << at << "," << len;
  }
  std::vector<int> lines{0, count - 1, count};
  for (int i = 0; i < 8; ++i) lines.push_back(std::uniform_int_distribution<int>(0, count - 1)(rng));
  for (int line : lines) {
    ASSERT_EQ(model.LineIndex(line), Found(line < count ? ref.starts[static_cast<std::size_t>(line)] : -1)) << "line " << line;
  }
}

// Runs random edits and width changes on a model over `measure`, checking after each.
template <typename M>
void RunRandomEdits(M& measure, void (*resize)(M&, int), double (*adv)(char32_t), unsigned seed) {
  std::mt19937 rng(seed);
  TextModel model(measure);
  int width = 12;
  resize(measure, width);
  model.SetRightMargin(0);
  // Start from a loaded text, so unedited stretches of it sit between the edited paragraphs;
  // all of it up to U+00FF, as a load stores it: one byte per character.
  String text;
  for (int i = 0; i < 150; ++i) text += Normalized(RandomInsert(rng, true));
  model.LoadText(SharedText::Compact(text));
  headless::StatusBar statusBar;
  // Undo and redo walk this list of whole texts; every edit below is one step of history.
  std::vector<String> history{text};
  std::size_t now = 0;
  // A text of many lines pasted again and again shares one block of storage and layout; the
  // second is stored a byte per character.
  const String pastes[] = {u"pa\r\nst e\r\n\r\nmi ddle li ne\r\n\xD83D\xDE00\r\nend", u"o\r\nne \xE9\r\nby\r\nte"};
  for (int step = 0; step < 3000; ++step) {
    const int length = static_cast<int>(text.size());
    const int action = std::uniform_int_distribution<int>(0, 25)(rng);
    if (action == 0) {
      // Change the width, sometimes to no wrapping at all.
      width = std::uniform_int_distribution<int>(0, 20)(rng);
      if (width == 0) {
        model.SetRightMargin(10000);
      } else {
        resize(measure, width);
        model.SetRightMargin(0);
        model.Relayout();
      }
    } else if (action == 24) {
      // Look for a text, wide or narrow, from anywhere.
      const String what = kPieces[std::uniform_int_distribution<int>(7, std::size(kPieces) - 1)(rng)];
      const int from = std::uniform_int_distribution<int>(0, length)(rng);
      const std::size_t want = text.find(what, static_cast<std::size_t>(from));
      ASSERT_EQ(model.Find(what, from, std::nullopt, FindOptions::MatchCase | FindOptions::NoHighlight), Found(static_cast<long long>(want)))
          << S(what) << " from " << from;
      continue;
    } else if (action == 25) {
      // Substitute over everything, by a text that may or may not fit in a byte a character.
      static const char16_t* const kOld[] = {u"a", u"il", u"\xE9", u"xyz", u" ", u"\x3A9"};
      static const char16_t* const kNew[] = {u"b", u"\xE9", u"\xD83D\xDE00", u"", u"\x3A9q"};
      const String what = kOld[std::uniform_int_distribution<int>(0, std::size(kOld) - 1)(rng)];
      const String with = kNew[std::uniform_int_distribution<int>(0, std::size(kNew) - 1)(rng)];
      const String after = ReplacedAll(text, what, with);
      CharPos searchPos = 0;
      ReplaceInRange(model, searchPos, statusBar, what, with, 0, model.Length(), true);
      if (after == text) continue;  // nothing replaced: no step of history
      text = after;
      history.resize(now + 1);
      history.push_back(text);
      ++now;
    } else if (action <= 2) {
      const bool back = action == 1;
      if (back ? now == 0 : now + 1 == history.size()) continue;
      if (back) {
        model.Undo();
      } else {
        model.Redo();
      }
      now = back ? now - 1 : now + 1;
      text = history[now];
    } else {
      const int start = std::uniform_int_distribution<int>(0, length)(rng);
      const int len = std::uniform_int_distribution<int>(0, std::min(action == 3 ? 400 : 8, length - start))(rng);
      model.SetSelStart(start);
      model.SetSelLength(len);
      // The model never leaves the selection inside a pair; follow where it put it.
      const int s = model.SelStart().value();
      const int l = model.SelLength().value();
      const String ins = action == 3 ? pastes[step % 2] : RandomInsert(rng);
      if (action == 3) {
        model.SetSelText(SharedText::Compact(ins));
      } else {
        model.SetSelText(ins);
      }
      text = text.substr(0, static_cast<std::size_t>(s)) + Normalized(ins) + text.substr(static_cast<std::size_t>(s + l));
      ASSERT_EQ(model.SelStart(), s + static_cast<int>(Normalized(ins).size()));
      history.resize(now + 1);
      history.push_back(text);
      ++now;
    }
    // With no wrapping the editor's margin is 10000 cells: no test line gets that long.
    CheckAgainstReference(model, text, width == 0 ? 10000 : width, adv, rng);
    if (::testing::Test::HasFatalFailure()) {
      FAIL() << "after step " << step << " text \"" << S(text) << "\"";
    }
  }
  EXPECT_EQ(model.Text(), text);
  // Saved in every encoding, the pieces (one-byte and two-byte ones) give what the whole
  // text gives.
  for (Encoding encoding :
       {Encoding::Utf8, Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Latin1, Encoding::Utf8Stray}) {
    const TextFormat format{encoding, LineEnd::CRLF};
    const std::vector<UnitSpan> pieces = model.Pieces();
    const Encoded saved = Encode(pieces, format, model.BreakForms());
    const Encoded whole = Encode(text, format, model.BreakForms());
    EXPECT_EQ(saved.bytes, whole.bytes) << static_cast<int>(encoding);
    EXPECT_EQ(saved.format, whole.format) << static_cast<int>(encoding);
  }
}

// " ccl" + "m" at 4 cells: " " / "ccl" / "m". Removing the "m" at the start of line 2 lets
// the whole paragraph fit again: the edit moves a break two lines above it.
TEST(Rewrap, AnEditCanMoveTheBreakTwoLinesAbove) {
  ProportionalMeasure measure(4);
  TextModel model(measure);
  model.SetText(u" cclm");
  ASSERT_EQ(model.GetLineCount(), 3);
  ASSERT_EQ(model.LineIndex(2), 4);
  model.SetSelStart(4);
  model.SetSelLength(1);
  model.SetSelText(u"");
  EXPECT_EQ(model.GetLineCount(), 1);
}

TEST(RandomEdits, LineQueriesAgreeWithAReferenceLayoutInCells) {
  CellMeasure measure(12, 25);
  RunRandomEdits<CellMeasure>(measure, [](CellMeasure& m, int cols) { m.Resize(cols, 25); }, CellWidthOf, 20240611);
}

TEST(RandomEdits, LineQueriesAgreeWithAReferenceLayoutInProportionalWidths) {
  ProportionalMeasure measure(12);
  RunRandomEdits<ProportionalMeasure>(measure, [](ProportionalMeasure& m, int cols) { m.Resize(cols); },
                                      ProportionalMeasure::Width, 99);
}

}  // namespace
}  // namespace quilmar::testing
