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

// Several first screens' worth of paragraphs, many of them long enough to wrap (all of them
// with `fewestWords` past a line's worth).
String BigText(unsigned seed, unsigned fewestWords = 0) {
  std::mt19937 rng(seed);
  String text;
  while (text.size() < 3 * std::size_t(Document::kFirstLayout)) {
    if (!text.empty()) text += u"\r\n";
    for (int k = static_cast<int>(fewestWords + rng() % 40u); k > 0; --k) {
      text += kWords[rng() % std::size(kWords)];
      text += u" ";
    }
  }
  return text;
}

constexpr double kMargin = 30;

// A model on the text, laid out at kMargin cells: loaded (which leaves most of the layout for
// later), or put into an empty document as one paste (which lays it out whole at once).
struct Loaded {
  explicit Loaded(const String& text, bool load) : measure(40, 25), model(measure) {
    model.SetRightMargin(kMargin);
    if (load) model.LoadText(SharedText(text));
    else model.SetSelText(SharedText(text));
  }
  CellMeasure measure;
  TextModel model;
};

void ExpectSameLines(const TextModel& model, const TextModel& whole) {
  ASSERT_EQ(model.GetLineCount(), whole.GetLineCount());
  EXPECT_EQ(model.LineCountSoFar(), whole.GetLineCount());
  for (LineNo line = 0; line < whole.GetLineCount(); line = line + 1)
    ASSERT_EQ(model.LineIndex(line), whole.LineIndex(line)) << "line " << line.value();
}

// Each question is asked of a loaded model while its layout is pending and of one laid out
// whole: the answers, and then every line, must agree.
TEST(DeferredLayout, WhateverAsksFirstGetsTheAnswersOfALayoutMadeAtOnce) {
  const String text = BigText(1) + u" zebra";
  const LineNo lines = Loaded(text, false).model.GetLineCount();  // at kMargin
  const struct {
    const char* name;
    std::function<std::int64_t(TextModel&)> ask;
  } cases[] = {
      {"the line count", [](TextModel& m) { return m.GetLineCount().value(); }},
      {"the last line's place", [](TextModel& m) { return m.LineFromChar(m.Length()).value(); }},
      {"a line past those laid out", [&](TextModel& m) { return m.Line(lines - 30).start.value(); }},
      {"a line's length past those laid out", [](TextModel& m) { return m.LineLength(m.Length() - 40).value(); }},
      {"the caret sent to the end", [](TextModel& m) {
         m.SetSelStart(m.Length());
         return m.LineFromChar(kSelectionPos).value();
       }},
      {"a word found far down", [](TextModel& m) {
         const std::optional<CharPos> found = m.Find(u"zebra", 0);
         return found ? m.LineFromChar(*found).value() : -1;
       }},
      {"typing near the start", [](TextModel& m) {
         m.SetSelStart(7);
         m.SetSelText(StringView(u"typed \r\n text"));
         return m.LineFromChar(m.Length()).value();
       }},
      {"the rest laid out in small slices", [](TextModel& m) {
         const bool pending = m.LayoutPending();
         int slices = 0;
         while (!m.ContinueLayout(2000)) ++slices;
         if (pending) {
           EXPECT_GT(slices, 50);
         }
         return m.LineFromChar(m.Length()).value();
       }},
      {"typing near the start, then a new width", [](TextModel& m) {
         m.SetSelStart(3);
         m.SetSelText(StringView(u"\xD83D\xDE0A "));
         m.SetRightMargin(19);
         return m.LineFromChar(m.Length()).value();
       }},
      {"a new width", [](TextModel& m) {
         m.SetRightMargin(21);
         const std::int64_t third = m.LineIndex(3)->value();
         const bool pending = m.LayoutPending();
         const LineNo soFar = m.LineCountSoFar();
         EXPECT_EQ(pending, soFar != m.GetLineCount()) << "a relayout lays out only the first screen again";
         return third;
       }},
      {"a new width, then slices and a line far down", [&](TextModel& m) {
         m.SetRightMargin(17);
         while (!m.ContinueLayout(30000)) {}
         return m.Line(lines - 300).start.value();
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded(text, true), whole(text, false);
    ASSERT_FALSE(whole.model.LayoutPending());
    ASSERT_TRUE(loaded.model.LayoutPending());
    // The first screen answers without laying out more.
    for (LineNo line = 0; line < 100; line = line + 1) ASSERT_EQ(loaded.model.LineIndex(line), whole.model.LineIndex(line));
    EXPECT_EQ(loaded.model.LineFromChar(100), whole.model.LineFromChar(100));
    ASSERT_TRUE(loaded.model.LayoutPending());
    EXPECT_EQ(c.ask(loaded.model), c.ask(whole.model));
    ExpectSameLines(loaded.model, whole.model);
  }
}

// The document alone, asked by line, by paragraph and by position: the first line past those
// laid out, a line and a paragraph far down, each as the first question after the load.
TEST(DeferredLayout, LinesAndParagraphsPastThoseLaidOutAreWhereALayoutMadeAtOnceHasThem) {
  CellMeasure measure(40, 25);
  TabStops tabs;
  LineBreaker breaker(measure, tabs);
  breaker.Configure(kMargin);
  for (const String& text : {BigText(4), BigText(5, 20)}) {
    Document whole(breaker);
    ASSERT_TRUE(whole.Assign(text));
    ASSERT_TRUE(whole.LayOutMore(0));
    const LineNo lines = whole.LineCount();
    const struct {
      const char* name;
      std::function<std::int64_t(const Document&)> ask;
    } cases[] = {
        {"every line in order", [&](const Document& d) {
           std::uint64_t sum = 0;  // a hash of every line's start and length
           for (LineNo line = 0; line < lines; line = line + 1)
             sum = sum * 31 + std::uint64_t(d.LineStart(line).value()) * 7 + std::uint64_t(d.LineLength(line).value());
           return static_cast<std::int64_t>(sum);
         }},
        {"a line far down", [&](const Document& d) { return d.LineStart(lines - 5).value(); }},
        {"a paragraph far down", [&](const Document& d) { return d.Paragraph(d.ParagraphCount() - 3).firstLine.value(); }},
        {"the line of a position far down", [&](const Document& d) { return d.LineOf(d.Length() - 50).value(); }},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      Document pending(breaker);
      ASSERT_TRUE(pending.Assign(text));
      ASSERT_TRUE(pending.LayoutPending());
      EXPECT_EQ(c.ask(pending), c.ask(whole));
      EXPECT_FALSE(pending.LayoutPending());
    }
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
