// What the layout keeps (shaped words by text and direction, line layouts by their text, a
// block's layout at the setting before) never outlives what it depends on: after a font
// change, a tab stop, a width and back, Word Wrap off and on, a word met in another
// direction and random edits, every line and caret place is what a new model lays out.
#include <cmath>
#include <random>

#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

// Shaped clusters as wide as the font is big; right-to-left ones half again as wide, so that
// a word's width depends on the direction it runs in.
class SizedMeasure final : public Measure {
 public:
  double PlainAdvance(char32_t c) const override { return c == U'w' ? 2 : 1; }
  double Shape(StringView piece, bool rtl, ClusterEndsFn ends, std::vector<ClusterBox>& boxes) const override {
    thread_local std::vector<std::int32_t> cut;
    ends(piece, cut);
    const double w = size_ * (rtl ? 1.5 : 1);
    const double advance = w * static_cast<double>(cut.size());
    for (std::size_t k = 0; k < cut.size(); ++k) {
      const double left = rtl ? advance - w * static_cast<double>(k + 1) : w * static_cast<double>(k);
      boxes.push_back({cut[k], left, left + w});
    }
    return advance;
  }
  double MaxAdvance() const override { return 8; }
  double CellWidth() const override { return 1; }
  double VisibleWidth() const override { return width_; }
  int VisibleLines() const override { return 25; }
  void SetFont(const FontSpec& font) override { size_ = font.size / 10; }
  double width_ = 12;

 private:
  double size_ = 1;
};

struct Rig {
  SizedMeasure measure;
  TextModel model{measure};
};

// The same text and settings in a model that has laid out nothing before.
void ExpectAsNew(const Rig& old) {
  Rig fresh;
  fresh.measure.width_ = old.measure.width_;
  fresh.model.SetFont(old.model.Font());
  fresh.model.SetRightMargin(old.model.RightMargin());
  const std::vector<double>& stops = old.model.TabStops();
  fresh.model.SetSelTabCount(static_cast<int>(stops.size()));
  for (std::size_t i = 0; i < stops.size(); ++i) fresh.model.SetSelTabs(static_cast<int>(i), stops[i]);
  fresh.model.SetText(old.model.Text());
  ASSERT_EQ(old.model.GetLineCount(), fresh.model.GetLineCount());
  for (LineNo line = 0; line < fresh.model.GetLineCount(); ++line)
    ASSERT_EQ(old.model.LineIndex(line), fresh.model.LineIndex(line)) << "line " << line.value();
  for (CharPos pos = 0; pos <= fresh.model.Length(); ++pos)
    ASSERT_EQ(old.model.XOf(pos), fresh.model.XOf(pos)) << "pos " << pos.value();
}

const char* const kText =
    "w\xF0\x9F\x98\x80w \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D !! \xD7\xA2\xD7\x95\xD7\x9C\xD7\x9D\tab e\xCC\x81t\xC3\xA9 !! w "
    "\xE4\xB8\xAD\xE6\x96\x87\r\n!! ww\t\xF0\x9F\x98\x80 caf\xC3\xA9 w\xCC\x81 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D";

// While typing goes on in one long line, every key lays that line out anew and keeps it; the
// lines the window shows, asked for after every key, stay kept however many keys there are,
// and are not laid out again.
TEST(LayoutCache, LinesAskedForAfterEveryKeyStayKeptWhileALongLineIsTyped) {
  Rig rig;
  String text;
  for (int line = 0; line < 10; ++line) text += U("\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D line ") + U(std::to_string(line).c_str()) + u"\r\n";
  String longLine;
  while (longLine.size() < 20000) longLine += U("w\xD7\xA9 ");
  text += longLine;
  rig.model.SetRightMargin(100000);  // Word Wrap off: the long line is one line
  rig.model.SetText(text);
  std::vector<std::shared_ptr<const LineLayout>> window;
  for (LineNo line = 0; line < 10; ++line) window.push_back(rig.model.Layout(line));
  rig.model.SetSelStart(rig.model.Length() - 5);
  // Far more keys than the kept layouts hold copies of the long line.
  for (int key = 0; key < 120; ++key) {
    rig.model.SetSelText(u"x");
    ASSERT_NE(rig.model.Layout(10), nullptr);
    for (LineNo line = 0; line < 10; ++line)
      ASSERT_EQ(rig.model.Layout(line), window[static_cast<std::size_t>(line.value())]) << "line " << line.value() << ", key " << key;
  }
}

TEST(LayoutCache, SettingsChangedAndChangedBackLayOutAsNew) {
  Rig rig;
  rig.model.SetText(U(kText));
  for (LineNo line = 0; line < rig.model.GetLineCount(); ++line) rig.model.Layout(line);
  FontSpec font = rig.model.Font();
  font.size = 20;
  rig.model.SetFont(font);
  ExpectAsNew(rig);
  rig.model.SetSelTabCount(1);
  rig.model.SetSelTabs(0, 5);
  ExpectAsNew(rig);
  rig.measure.width_ = 7;
  rig.model.Relayout();
  ExpectAsNew(rig);
  rig.model.SetRightMargin(10000);  // Word Wrap off
  ExpectAsNew(rig);
  font.size = 10;
  rig.model.SetFont(font);
  rig.model.SetRightMargin(0);  // on again, in another font than when it was last on
  ExpectAsNew(rig);
  rig.measure.width_ = 12;
  rig.model.Relayout();
  rig.measure.width_ = 7;
  rig.model.Relayout();  // back to a width laid out before, in the same font
  ExpectAsNew(rig);
}

TEST(LayoutCache, AWordMetInOneDirectionKeepsItsWidthInTheOther) {
  // The emoji (at 2) runs right to left between Hebrew words, left to right between Latin
  // ones: one cell wide there, one and a half here, whichever line is laid out first.
  for (const char* text : {"\xD7\xA9 \xF0\x9F\x98\x80 \xD7\xA9\r\na \xF0\x9F\x98\x80 b",
                           "a \xF0\x9F\x98\x80 b\r\n\xD7\xA9 \xF0\x9F\x98\x80 \xD7\xA9"}) {
    Rig rig;
    rig.model.SetText(U(text));
    for (LineNo line : {LineNo(1), LineNo(0)}) {
      const CharPos emoji = *rig.model.LineIndex(line) + 2;
      const bool rtl = rig.model.Slice(*rig.model.LineIndex(line), 1) != u"a";
      EXPECT_EQ(std::abs(rig.model.XOf(emoji + 2) - rig.model.XOf(emoji)), rtl ? 1.5 : 1) << text << ", line " << line.value();
    }
  }
}

TEST(LayoutCache, EditedLinesAreLaidOutAgainAndTheOthersAsBefore) {
  Rig rig;
  rig.model.SetText(U(kText));
  std::mt19937 rng(5);
  const char* const inserts[] = {"w", " ", "\xD7\xA9", "\xF0\x9F\x98\x80", "\t", "\r\n", "!!"};
  for (int step = 0; step < 60; ++step) {
    const CharPos at = static_cast<std::int32_t>(rng() % static_cast<unsigned>(rig.model.Length().value() + 1));
    rig.model.Select(at, at);
    rig.model.SetSelText(U(inserts[rng() % std::size(inserts)]));
    if (step % 3 == 0) rig.model.Undo();
    ExpectAsNew(rig);
  }
}

}  // namespace
}  // namespace quilmar::testing
