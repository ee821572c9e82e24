// Selection, SelText, Locked and the Change / SelChange events.
#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

class Recorder : public ModelObserver {
 public:
  void TextChanged(TextCause) override { ++text; }
  void LayoutChanged() override { ++layout; }
  void SelectionChanged() override { ++selection; }
  int text = 0, layout = 0, selection = 0;
};

TEST(Selection, SelStartIsClampedAndNeverInsideAPair) {
  ModelRig rig;
  rig.model.SetText(u"ab\r\ncd\xD83D\xDE00!");
  rig.model.SetSelStart(100);
  EXPECT_EQ(rig.model.SelStart(), 9);
  rig.model.SetSelStart(3);  // between "\r" and "\n"
  EXPECT_EQ(rig.model.SelStart(), 4);
  rig.model.SetSelStart(7);  // between the halves of a surrogate pair
  EXPECT_EQ(rig.model.SelStart(), 8);
  rig.model.SetSelStart(-5);
  EXPECT_EQ(rig.model.SelStart(), 0);
  EXPECT_EQ(rig.model.SelLength(), 0);
}

TEST(Selection, SelLengthSelectsFromSelStartAndStopsAtTheEnd) {
  ModelRig rig;
  rig.model.SetText(u"ab\r\ncd");
  rig.model.SetSelStart(1);
  rig.model.SetSelLength(2);  // would end inside the break: the end snaps past it
  EXPECT_EQ(rig.model.SelStart(), 1);
  EXPECT_EQ(rig.model.SelLength(), 3);
  EXPECT_EQ(S(rig.model.SelText()), "b\r\n");
  rig.model.SetSelLength(50);
  EXPECT_EQ(rig.model.SelLength(), 5);
  EXPECT_EQ(S(rig.model.SelText()), "b\r\ncd");
  rig.model.SetSelStart(4);  // assigning SelStart removes the selection
  EXPECT_EQ(rig.model.SelLength(), 0);
  EXPECT_EQ(S(rig.model.SelText()), "");
}

// Unedited paragraphs are read as one run; a slice ending inside such a run must stop there
// even when an edited paragraph follows.
TEST(Selection, SelTextEndsWhereTheSelectionEnds) {
  ModelRig rig;
  rig.model.LoadText(u"one\r\ntwo\r\nthree");
  rig.model.SetSelStart(10);
  rig.model.SetSelText(u"X");  // "three" is now stored apart from the rest
  rig.model.SetSelStart(1);
  rig.model.SetSelLength(6);
  EXPECT_EQ(S(rig.model.SelText()), "ne\r\ntw");
  EXPECT_EQ(S(rig.model.Slice(0, 3)), "one");
}

TEST(Selection, ABackwardSelectionReportsItsStart) {
  ModelRig rig;
  rig.model.SetText(u"abcdef");
  rig.model.Select(5, 2);
  EXPECT_EQ(rig.model.SelStart(), 2);
  EXPECT_EQ(rig.model.SelLength(), 3);
  EXPECT_EQ(rig.model.CaretPos(), 2);
  EXPECT_EQ(rig.model.AnchorPos(), 5);
  rig.model.SetSelLength(1);
  EXPECT_EQ(S(rig.model.SelText()), "c");
}

TEST(SelText, ReplacesTheSelectionAndLeavesTheCaretAfterIt) {
  ModelRig rig;
  rig.model.SetText(u"hello world");
  rig.model.SetSelStart(6);
  rig.model.SetSelLength(5);
  rig.ResetCounts();
  rig.model.SetSelText(u"there\nall");
  EXPECT_EQ(S(rig.model.Text()), "hello there\r\nall");
  EXPECT_EQ(rig.model.SelStart(), 16);
  EXPECT_EQ(rig.model.SelLength(), 0);
  EXPECT_EQ(rig.changes, 1);
  EXPECT_EQ(rig.selChanges, 1);
}

TEST(SelText, InsertsAtTheCaretAndNormalisesBreaks) {
  ModelRig rig;
  rig.model.SetText(u"ad");
  rig.model.SetSelStart(1);
  rig.model.SetSelText(u"b\rc\r\n\n");
  EXPECT_EQ(S(rig.model.Text()), "ab\r\nc\r\n\r\nd");
  EXPECT_EQ(rig.model.SelStart(), 9);
  EXPECT_EQ(rig.model.GetLineCount(), 4);
}

TEST(SelText, WorksWhileLockedAndRaisesChange) {
  ModelRig rig;
  rig.model.SetText(u"abc");
  rig.model.SetLocked(true);
  rig.model.SetSelStart(1);
  rig.model.SetSelLength(1);
  rig.ResetCounts();
  rig.model.SetSelText(u"");
  EXPECT_EQ(S(rig.model.Text()), "ac");
  EXPECT_EQ(rig.changes, 1);
  // Every assignment counts as a change, even one that inserts nothing.
  rig.model.SetSelText(u"");
  EXPECT_EQ(rig.changes, 2);
}

TEST(Events, TextAssignmentRaisesChangeAndLoadingDoesNot) {
  ModelRig rig;
  rig.model.SetText(u"abc");
  EXPECT_EQ(rig.changes, 1);
  EXPECT_EQ(rig.selChanges, 1);
  rig.model.SetSelStart(2);
  rig.ResetCounts();
  rig.model.LoadText(u"x\ny\rz");
  EXPECT_EQ(rig.changes, 0);
  EXPECT_EQ(rig.selChanges, 1);  // the caret went back to 0
  EXPECT_EQ(rig.model.SelStart(), 0);
  EXPECT_EQ(S(rig.model.Text()), "x\r\ny\r\nz");
  EXPECT_FALSE(rig.model.CanUndo());
}

TEST(Events, FormattingRaisesNoChange) {
  ModelRig rig(10);
  Recorder rec;
  rig.model.AddObserver(&rec);
  rig.model.SetText(u"a\tb c d e f g h i j k");
  rig.ResetCounts();
  rec = Recorder();
  rig.model.SetFont(FontSpec{u"Mono", true, false, 12});
  rig.model.SetRightMargin(10000);
  rig.model.SetSelTabCount(2);
  rig.model.SetSelTabs(1, 3);
  EXPECT_EQ(rig.changes, 0);
  EXPECT_EQ(rig.selChanges, 0);
  EXPECT_EQ(rec.text, 0);
  EXPECT_GE(rec.layout, 1);
  EXPECT_EQ(rig.model.Font().name, u"Mono");
  EXPECT_EQ(rig.model.TabStops(), (std::vector<double>{0, 3}));
}

TEST(Events, SelChangeOnlyWhenTheSelectionMoves) {
  ModelRig rig;
  Recorder rec;
  rig.model.AddObserver(&rec);
  rig.model.SetText(u"abc");
  rig.model.SetSelStart(1);
  rig.ResetCounts();
  rec = Recorder();
  rig.model.SetSelStart(1);
  EXPECT_EQ(rig.selChanges, 0);
  rig.model.SetSelLength(1);
  EXPECT_EQ(rig.selChanges, 1);
  EXPECT_EQ(rec.selection, 1);
}

TEST(Events, HandlersSeeTheNewState) {
  ModelRig rig;
  rig.model.SetText(u"abc");
  rig.model.SetSelStart(3);
  struct Seer : ModelObserver {
    explicit Seer(const TextModel& m) : model(m) {}
    void TextChanged(TextCause) override {
      text = model.Text();
      caret = model.SelStart();
    }
    const TextModel& model;
    String text;
    CharPos caret = -1;
  } seer(rig.model);
  rig.model.AddObserver(&seer);
  rig.model.SetSelText(u"de");
  EXPECT_EQ(S(seer.text), "abcde");
  EXPECT_EQ(seer.caret, 5);
}

TEST(TabStops, CustomStopsThenDefaultsEveryEightCells) {
  ModelRig rig;
  EXPECT_EQ(rig.model.NextTabStop(0), 8);
  EXPECT_EQ(rig.model.NextTabStop(8), 16);
  EXPECT_EQ(rig.model.NextTabStop(9.5), 16);
  rig.model.SetSelTabCount(3);
  for (int i = 0; i < 3; ++i) rig.model.SetSelTabs(i, i * 3);
  EXPECT_EQ(rig.model.NextTabStop(0), 3);
  EXPECT_EQ(rig.model.NextTabStop(4), 6);
  EXPECT_EQ(rig.model.NextTabStop(6), 8);  // past the last custom stop: the defaults
  rig.model.SetSelTabCount(1 << 30);          // at most 32 stops, like the 32 the editor sets
  EXPECT_EQ(rig.model.TabStops().size(), 32u);
  rig.model.SetSelTabs(40, 5);                // no such stop: ignored
  EXPECT_EQ(rig.model.TabStops().size(), 32u);
}

TEST(TabStops, TabsWrapAtTheirStops) {
  ModelRig rig(10);
  rig.Wrap(true);
  rig.model.SetText(u"ab\tcd\tef");  // default stops: "ab" tab to 8, "cd" to 10, tab hangs
  EXPECT_EQ(rig.model.GetLineCount(), 2);
  EXPECT_EQ(rig.model.LineIndex(1), 6);
  rig.model.SetSelTabCount(2);
  rig.model.SetSelTabs(0, 3);
  rig.model.SetSelTabs(1, 6);  // "ab" tab to 3, "cd" to 5, tab to 6, "ef" to 8
  EXPECT_EQ(rig.model.GetLineCount(), 1);
}

// Only letters beyond ASCII get wider in bold: the font change alone must re-lay out.
class BoldWideMeasure final : public Measure {
 public:
  double PlainAdvance(char32_t c) const override { return c >= 0x80 && bold_ ? 2 : 1; }
  double MaxAdvance() const override { return 2; }
  double CellWidth() const override { return 1; }
  double VisibleWidth() const override { return 4; }
  int VisibleLines() const override { return 10; }
  void SetFont(const FontSpec& font) override { bold_ = font.bold; }

 private:
  bool bold_ = false;
};

TEST(Relayout, AFontChangeReLaysOutEvenWhenAsciiWidthsStay) {
  BoldWideMeasure measure;
  TextModel model(measure);
  model.SetText(u"\xE9\xE9\xE9\xE9");
  EXPECT_EQ(model.GetLineCount(), 1);
  FontSpec bold;
  bold.bold = true;
  model.SetFont(bold);
  EXPECT_EQ(model.GetLineCount(), 2);
  model.Relayout();  // nothing changed since: the same lines
  EXPECT_EQ(model.GetLineCount(), 2);
}

TEST(RightMargin, NoVisibleWidthYetMeansNoWrapping) {
  ModelRig rig(0);
  rig.model.SetText(u"aaaa bbbb cccc");
  EXPECT_EQ(rig.model.GetLineCount(), 1);
  rig.measure.Resize(5, 25);
  rig.model.Relayout();
  EXPECT_EQ(rig.model.GetLineCount(), 3);
}

TEST(RightMargin, WrapsAtTheMarginInsteadOfTheVisibleWidth) {
  ModelRig rig(80);
  rig.model.SetText(u"aaaa bbbb cccc");
  rig.model.SetRightMargin(5);
  EXPECT_EQ(rig.model.GetLineCount(), 3);
  rig.model.SetRightMargin(0);
  EXPECT_EQ(rig.model.GetLineCount(), 1);
  // 10000 cells wraps only a paragraph longer than that.
  rig.model.SetRightMargin(10000);
  rig.model.SetText(String(10001, u'x'));
  EXPECT_EQ(rig.model.GetLineCount(), 2);
  EXPECT_EQ(rig.model.LineIndex(1), 10000);
}

}  // namespace
}  // namespace quilmar::testing
