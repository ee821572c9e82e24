// A document of mixed scripts keeps what wrapping measured of its paragraphs from one width to
// the next, through edits, pastes, undo and loads: laid out again at any width, it must break
// every line where a document freshly loaded with the same text at that width does.
#include <random>

#include "model_fixture.hh"
#include "text/document.hh"

namespace quilmar::testing {
namespace {

// Words whose lines need shaping: marks, emoji, right-to-left words with neutrals between.
const char16_t* const kWords[] = {u"hello", u"e\x301te\x301", u"\xD83D\xDE0A", u"!", u"\x5E9\x5DC\x5D5\x5DD",
                                  u"\x645\x64E\x631", u"\x5E1\x5B8\x5E4\x5E8", u"mi", u"\x3B5\x3BB\x3BB"};

String Paragraph(std::mt19937& rng) {
  String para;
  for (int k = 1 + static_cast<int>(rng() % 40u); k > 0; --k) {
    para += kWords[rng() % std::size(kWords)];
    para += rng() % 6 == 0 ? u"  " : u" ";
  }
  return para;
}

String Paragraphs(std::mt19937& rng, int count) {
  String text;
  for (int i = 0; i < count; ++i) {
    if (i) text += u"\r\n";
    text += Paragraph(rng);
  }
  return text;
}

void ExpectLaidOutAsFresh(const TextModel& model, double margin) {
  CellMeasure measure(40, 25);
  TextModel fresh(measure);
  fresh.SetRightMargin(margin);
  fresh.LoadText(model.Text());
  ASSERT_EQ(model.GetLineCount(), fresh.GetLineCount()) << "margin " << margin;
  for (LineNo line = 0; line < fresh.GetLineCount(); line = line + 1)
    ASSERT_EQ(model.LineIndex(line), fresh.LineIndex(line)) << "line " << line.value() << ", margin " << margin;
}

TEST(MeasuredLayout, EditedAndRewrappedAtManyWidthsBreaksAsAFreshLoad) {
  std::mt19937 rng(5);
  CellMeasure measure(40, 25);
  TextModel model(measure);
  model.SetRightMargin(30);
  ASSERT_TRUE(model.LoadText(SharedText(Paragraphs(rng, 60))));
  for (int step = 0; step < 300; ++step) {
    const auto length = static_cast<int>(model.Length().value());
    const int action = static_cast<int>(rng() % 6u);
    if (action <= 1) {
      // A width not laid out at just before (or one that was: the block's previous layout).
      model.SetRightMargin(3 + static_cast<double>(rng() % 40u));
    } else if (action == 2) {
      // A paste of several paragraphs: a block of its own, measured as it is laid out.
      model.SetSelStart(std::uniform_int_distribution<int>(0, length)(rng));
      model.SetSelLength(0);
      model.SetSelText(SharedText(u"\r\n" + Paragraphs(rng, 3) + u"\r\n"));
    } else if (action == 3) {
      // Typing or deleting inside a paragraph of a block.
      model.SetSelStart(std::uniform_int_distribution<int>(0, length)(rng));
      model.SetSelLength(static_cast<int>(rng() % 3u));
      model.SetSelText(StringView(kWords[rng() % std::size(kWords)]));
    } else if (action == 4) {
      model.Undo();
    } else if (step % 50 == 0) {
      ASSERT_TRUE(model.LoadText(SharedText(Paragraphs(rng, 40))));
    }
    if (step % 5 == 0) ExpectLaidOutAsFresh(model, model.RightMargin());
  }
}

// What a document keeps of its measured paragraphs stays within the breaker's limit, for
// paragraphs that can be measured and for ones that cannot (numbers among right-to-left words
// take ICU's bidi, so nothing is kept of them, not even that they could not be measured, past
// the limit); and it lays out as it would with nothing measured.
TEST(MeasuredLayout, WhatADocumentKeepsStaysWithinTheLimit) {
  std::mt19937 rng(9);
  const String measurable = Paragraphs(rng, 2000);
  String unmeasurable;
  for (int i = 0; i < 2000; ++i) unmeasurable += u"\x5E9\x5DC\x5D5\x5DD 12 \xD83D\xDE0A e\x301te\x301 \x645\x64E\x631 mi\r\n";
  CellMeasure measure(40, 25);
  TabStops tabs;
  constexpr std::size_t kLimit = 20000;
  const String* const texts[] = {&measurable, &unmeasurable};
  for (const String* text : texts) {
    LineBreaker walking(measure, tabs), measuring(measure, tabs);
    walking.SetMeasuredLimit(0);
    measuring.SetMeasuredLimit(kLimit);
    walking.Configure(30);
    measuring.Configure(30);
    Document walked(walking), measured(measuring);
    ASSERT_TRUE(walked.Assign(*text));
    ASSERT_TRUE(measured.Assign(*text));
    ASSERT_EQ(measured.LineCount(), walked.LineCount());
    // The last paragraph measured may pass the limit by its own size (a few kilobytes here).
    EXPECT_LE(measured.MemoryUse(), walked.MemoryUse() + kLimit + 4096);
    if (text == &measurable) {
      EXPECT_GT(measured.MemoryUse(), walked.MemoryUse() + kLimit / 2);
    }
    // Another width: what was measured serves it, and nothing more is kept (both keep their
    // previous layout besides).
    const std::size_t walkedBefore = walked.MemoryUse(), measuredBefore = measured.MemoryUse();
    walking.Configure(23);
    measuring.Configure(23);
    walked.Relayout();
    measured.Relayout();
    ASSERT_EQ(measured.LineCount(), walked.LineCount());
    for (LineNo line = 0; line < walked.LineCount(); line = line + 1) ASSERT_EQ(measured.LineStart(line), walked.LineStart(line));
    EXPECT_LE(measured.MemoryUse() - measuredBefore, walked.MemoryUse() - walkedBefore + 1024);
  }
}

}  // namespace
}  // namespace quilmar::testing
