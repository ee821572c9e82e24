// A big text is laid out as far as its first screen when it is loaded, and the rest a slice at
// a time or as soon as a question needs it. Whatever asks first, every answer must be the one
// of the same text laid out whole at once.
#include <functional>
#include <random>
#include <vector>

#include "model_fixture.hh"
#include "text/document.hh"
#include "text/line_breaker.hh"
#include "text/tab_stops.hh"

namespace quilmar::testing {
namespace {

const char16_t* const kWords[] = {u"hello", u"e\x301te\x301", u"\xD83D\xDE0A", u"!", u"\x5E9\x5DC\x5D5\x5DD",
                                  u"mi", u"tab\tbed", u"\x4E2D\x6587", u"wordsworth"};

// Several first screens' worth of paragraphs, many of them long enough to wrap.
String BigText(unsigned seed) {
  std::mt19937 rng(seed);
  String text;
  while (text.size() < 3 * std::size_t(Document::kFirstLayout)) {
    if (!text.empty()) text += u"\r\n";
    for (int k = static_cast<int>(rng() % 40u); k > 0; --k) {
      text += kWords[rng() % std::size(kWords)];
      text += u" ";
    }
  }
  return text;
}

constexpr double kMargin = 30;

// The model's text put into an empty document as one paste, which lays it out whole.
void ExpectLinesOfALayoutMadeAtOnce(const TextModel& model, double margin) {
  CellMeasure measure(40, 25);
  TextModel whole(measure);
  whole.SetRightMargin(margin);
  whole.SetSelText(model.Share(0, model.Length()));
  ASSERT_FALSE(whole.LayoutPending());
  ASSERT_EQ(model.GetLineCount(), whole.GetLineCount());
  EXPECT_EQ(model.LineCountSoFar(), whole.GetLineCount());
  for (LineNo line = 0; line < whole.GetLineCount(); line = line + 1)
    ASSERT_EQ(model.LineIndex(line), whole.LineIndex(line)) << "line " << line.value();
}

TEST(DeferredLayout, WhateverAsksFirstGetsTheAnswersOfALayoutMadeAtOnce) {
  const struct {
    const char* name;
    std::function<void(TextModel&)> first;
    double margin = kMargin;
  } cases[] = {
      {"the line count", [](TextModel& m) { m.GetLineCount(); }},
      {"the last line's place", [](TextModel& m) { m.LineFromChar(m.Length()); }},
      {"a line past those laid out", [](TextModel& m) { m.Line(m.LineCountSoFar() - 2); }},
      {"the caret sent to the end", [](TextModel& m) { m.SetSelStart(m.Length()); }},
      {"a search that ends far down", [](TextModel& m) { m.Find(u"no such words", 0); }},
      {"typing near the start", [](TextModel& m) {
         m.SetSelStart(7);
         m.SetSelText(StringView(u"typed \r\n text"));
       }},
      {"the rest laid out in small slices", [](TextModel& m) {
         int slices = 0;
         while (!m.ContinueLayout(5000)) ++slices;
         EXPECT_GT(slices, 50);
       }},
      {"a new width", [](TextModel& m) {
         m.SetRightMargin(21);
         EXPECT_TRUE(m.LineIndex(3));
         EXPECT_TRUE(m.LayoutPending()) << "a relayout lays out only the first screen again";
       }, 21},
      {"a new width, then slices", [](TextModel& m) {
         m.SetRightMargin(17);
         while (!m.ContinueLayout(70000)) {}
       }, 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CellMeasure measure(40, 25);
    TextModel model(measure);
    model.SetRightMargin(kMargin);
    ASSERT_TRUE(model.LoadText(SharedText(BigText(1))));
    ASSERT_TRUE(model.LayoutPending());
    // The first screen answers without laying out more.
    for (LineNo line = 0; line < 100; line = line + 1) ASSERT_TRUE(model.LineIndex(line));
    EXPECT_EQ(model.LineFromChar(100), model.LineFromChar(100));
    ASSERT_TRUE(model.LayoutPending());
    c.first(model);
    ExpectLinesOfALayoutMadeAtOnce(model, c.margin);
  }
}

// A paragraph handed out keeps its wraps readable until the next edit, also when a later
// question finishes the layout (which grows the storage the wraps live in).
TEST(DeferredLayout, ParagraphsHandedOutStayValidWhenTheLayoutIsFinished) {
  CellMeasure measure(40, 25);
  TabStops tabs;
  LineBreaker breaker(measure, tabs);
  breaker.Configure(kMargin);
  Document doc(breaker);
  ASSERT_TRUE(doc.Assign(BigText(2)));
  ASSERT_TRUE(doc.LayoutPending());
  Document::Para para = doc.Paragraph(0);
  for (ParaNo i = 1; para.wraps.empty(); i = i + 1) para = doc.Paragraph(i);
  const std::vector<std::int32_t> wraps(para.wraps.begin(), para.wraps.end());
  ASSERT_TRUE(doc.LayoutPending());
  EXPECT_GT(doc.LineCount(), doc.ParagraphCount().value());
  ASSERT_FALSE(doc.LayoutPending());
  EXPECT_EQ(std::vector<std::int32_t>(para.wraps.begin(), para.wraps.end()), wraps);
}

}  // namespace
}  // namespace quilmar::testing
