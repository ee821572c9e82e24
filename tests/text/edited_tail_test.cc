// A long paragraph keeps the pieces measured before its edits, and its re-wraps add up the
// lines past the edits from them instead of walking those lines. Whatever the edits, every
// break must be where wrapping the edited text anew puts it.
#include <random>
#include <vector>

#include "model_fixture.hh"
#include "text/line_breaker.hh"
#include "text/paragraph_pieces.hh"
#include "text/tab_stops.hh"

namespace quilmar::testing {
namespace {

// Words that need shaping (marks, emoji, right-to-left runs with neutrals among them), plain
// ones, a tab: a paragraph of them is measured in pieces of every kind.
const char16_t* const kWords[] = {u"hello", u"na\xEFve", u"e\x301te\x301", u"\xD83D\xDE0A", u"!", u"\x2014",
                                  u"\xD83D\xDC68\x200D\xD83D\xDC69", u"\x5E9\x5DC\x5D5\x5DD", u"\x5E1\x5B8\x5E4\x5E8",
                                  u"\x645\x64E\x631", u"\x3B5\x3BB", u"mi", u"wordsworth", u"\t"};

String Words(std::mt19937& rng, std::size_t units) {
  String text;
  while (text.size() < units) {
    text += kWords[rng() % std::size(kWords)];
    text += rng() % 8 == 0 ? u"  " : u" ";
  }
  return text;
}

// One edit: mostly typing on from the last one (a character, a space, a word), sometimes a
// deletion (of a few lines now and then) or an edit somewhere else.
struct Edit {
  std::int32_t at = 0, removed = 0;
  String inserted;
};

Edit NextEdit(std::mt19937& rng, const String& para, std::int32_t& caret) {
  const auto n = static_cast<std::int32_t>(para.size());
  if (rng() % 10 == 0) caret = static_cast<std::int32_t>(rng() % static_cast<unsigned>(n + 1));
  // Never inside a surrogate pair.
  while (caret > 0 && caret < n && IsLowSurrogate(para[static_cast<std::size_t>(caret)])) --caret;
  Edit e;
  e.at = caret;
  switch (rng() % 6) {
    case 0:
      e.removed = std::min<std::int32_t>(n - caret, 1 + static_cast<std::int32_t>(rng() % (rng() % 4 == 0 ? 300 : 12)));
      if (caret + e.removed < n && IsLowSurrogate(para[static_cast<std::size_t>(caret + e.removed)])) ++e.removed;
      break;
    case 1: e.inserted = u" "; break;
    case 2: e.inserted = kWords[rng() % std::size(kWords)]; break;
    default: e.inserted = u"x"; break;
  }
  caret += static_cast<std::int32_t>(e.inserted.size());
  return e;
}

// A breaker under test and one that walks every line, at the same random width.
struct TestedAndWalking {
  TestedAndWalking() { walking.SetMeasuredLimit(0); }
  double Configure(std::mt19937& rng) {
    const double width = 8 + static_cast<double>(rng() % 120) + (rng() % 2 ? 0.5 : 0);
    tested.Configure(width);
    walking.Configure(width);
    return width;
  }
  CellMeasure measure{10, 25};
  TabStops tabs;
  LineBreaker tested{measure, tabs};
  LineBreaker walking{measure, tabs};
};

// The breaker alone: an edited paragraph re-wrapped with the pieces measured before all its
// edits (and where its text is still theirs) breaks where walking every line breaks it.
TEST(EditedTail, ARewrapThatAddsUpTheMeasuredTailBreaksAsWalkingDoes) {
  TestedAndWalking breakers;
  LineBreaker& measuring = breakers.tested;
  LineBreaker& walking = breakers.walking;
  std::mt19937 rng(5);
  int measuredRounds = 0;
  for (int round = 0; round < 60; ++round) {
    const double width = breakers.Configure(rng);
    String para = Words(rng, 2000 + rng() % 6000);
    ParagraphPieces pieces;
    WrapList wraps;
    measuring.Wrap(para, wraps, &pieces);
    if (!measuring.Current(pieces)) continue;
    ++measuredRounds;
    MeasuredTail tail{&pieces, 0, 0};
    auto caret = static_cast<std::int32_t>(rng() % para.size());
    for (int step = 0; step < 40; ++step) {
      const Edit e = NextEdit(rng, para, caret);
      para.replace(static_cast<std::size_t>(e.at), static_cast<std::size_t>(e.removed), e.inserted);
      const auto delta = static_cast<std::int32_t>(e.inserted.size()) - e.removed;
      tail.from = std::max(e.at + e.removed, tail.from) + delta;
      tail.shift += delta;
      WrapList rewrapped, walked;
      measuring.Rewrap(para, wraps, e.at, e.removed, static_cast<std::int32_t>(e.inserted.size()), rewrapped, tail);
      walking.Wrap(para, walked);
      ASSERT_EQ(rewrapped, walked) << "round " << round << ", step " << step << ", width " << width;
      wraps = rewrapped;
    }
  }
  EXPECT_GT(measuredRounds, 30);  // most paragraphs of these words can be measured
}

// A re-wrap that is told what the last one read takes the lines before the edit from it where
// the edit lies past all they read; at a new width, or when the text was replaced without the
// reads being told, it reads them again. Every break must be where walking puts it.
TEST(EditedTail, ARewrapTakesTheLinesItReadBeforeOnlyWhereNothingTheyReadChanged) {
  TestedAndWalking breakers;
  LineBreaker& reading = breakers.tested;
  LineBreaker& walking = breakers.walking;
  std::mt19937 rng(9);
  for (int round = 0; round < 30; ++round) {
    auto configure = [&] { breakers.Configure(rng); };
    configure();
    String para = Words(rng, 2000 + rng() % 4000);
    WrapList wraps;
    reading.Wrap(para, wraps);
    LineReads reads;
    auto caret = static_cast<std::int32_t>(rng() % para.size());
    for (int step = 0; step < 80; ++step) {
      bool anew = false;
      if (rng() % 12 == 0) {
        configure();
        anew = true;
      } else if (rng() % 12 == 0) {
        para = Words(rng, para.size() + 1 + rng() % 40);  // another text, the reads not told
        anew = true;
      }
      if (anew) reading.Wrap(para, wraps);
      // Edits at the start of a line and just after it move the break before; the first of
      // the third line is where the lines read at another width or of another text would
      // be taken for the first.
      if (!wraps.empty() && (anew || rng() % 3 == 0)) {
        const std::size_t line = anew ? std::min<std::size_t>(1, wraps.size() - 1) : rng() % wraps.size();
        caret = std::min(wraps[line] + static_cast<std::int32_t>(rng() % 3), static_cast<std::int32_t>(para.size()));
      }
      const Edit e = NextEdit(rng, para, caret);
      para.replace(static_cast<std::size_t>(e.at), static_cast<std::size_t>(e.removed), e.inserted);
      WrapList rewrapped, walked;
      reading.Rewrap(para, wraps, e.at, e.removed, static_cast<std::int32_t>(e.inserted.size()), rewrapped, {}, &reads);
      walking.Wrap(para, walked);
      ASSERT_EQ(rewrapped, walked) << "round " << round << ", step " << step;
      wraps = rewrapped;
    }
  }
}

constexpr double kMargin = 60;

// Widths that follow the font's size ('m' and emoji twice as wide as the rest): pieces
// measured with one font are wrong with another.
class Scaled final : public Measure {
 public:
  double PlainAdvance(char32_t c) const override { return (c == U'm' || c >= 0x10000 ? 2 : 1) * scale_; }
  double MaxAdvance() const override { return 2 * scale_; }
  double CellWidth() const override { return 1; }
  double VisibleWidth() const override { return 40; }
  int VisibleLines() const override { return 25; }
  void SetFont(const FontSpec& font) override { scale_ = font.size / 10; }

 private:
  double scale_ = 1;
};

const FontSpec kBigFont{u"Other", false, false, 20};

// The model's lines, each as its start and length, against those of a model that gets the same
// text at once.
void ExpectLinesOfItsTextLaidOutAnew(const TextModel& model, const char* doing, const FontSpec& font = FontSpec()) {
  Scaled measure;
  TextModel anew(measure);
  anew.SetFont(font);
  anew.SetRightMargin(model.RightMargin());
  anew.SetSelText(SharedText(model.Text()));
  ASSERT_EQ(model.GetLineCount(), anew.GetLineCount()) << doing;
  for (LineNo line = 0; line < anew.GetLineCount(); line = line + 1) {
    ASSERT_EQ(model.LineIndex(line), anew.LineIndex(line)) << doing << ", line " << line.value();
    ASSERT_EQ(model.Line(line).length, anew.Line(line).length) << doing << ", line " << line.value();
  }
}

// Through the document: a long paragraph of a loaded file typed into here and there, with a new
// width among the edits, undone, and typed into again with a new font.
TEST(EditedTail, TypingInALongParagraphKeepsEveryLineAsALayoutMadeAtOnce) {
  std::mt19937 rng(9);
  const String para = Words(rng, 40000);
  String plain;  // a long paragraph with nothing to shape, never measured in pieces
  while (plain.size() < 40000) plain += rng() % 2 ? u"plain " : u"words ";
  const String text = u"first line\r\n" + para + u"\r\n" + plain + u"\r\nlast";
  Scaled measure;
  TextModel model(measure);
  model.SetRightMargin(kMargin);
  model.LoadText(SharedText(text));
  model.ContinueLayout(0);
  const auto first = static_cast<std::int32_t>(std::size(u"first line\r\n") - 1);
  auto caret = static_cast<std::int32_t>(rng() % para.size());
  String current = para;
  for (int step = 0; step < 120; ++step) {
    const Edit e = NextEdit(rng, current, caret);
    current.replace(static_cast<std::size_t>(e.at), static_cast<std::size_t>(e.removed), e.inserted);
    model.SetSelStart(first + e.at);
    model.SetSelLength(e.removed);
    model.SetSelText(StringView(e.inserted));
    if (step == 40) model.SetRightMargin(kMargin / 2 + 0.5);
    if (step % 10 == 9) ExpectLinesOfItsTextLaidOutAnew(model, "typing");
  }
  for (int k = 0; k < 30 && model.CanUndo(); ++k) model.Undo();
  ExpectLinesOfItsTextLaidOutAnew(model, "undoing");
  // Pieces measured with another font no longer count: typed into after all the edits so far,
  // where the text is still theirs.
  model.SetFont(kBigFont);
  const CharPos paraEnd = model.Find(u"\r\n", first).value();
  for (int k = 0; k < 20; ++k) {
    model.SetSelStart(paraEnd - 1500 + 31 * k);
    model.SetSelText(StringView(k % 3 == 0 ? u" " : u"z"));
  }
  ExpectLinesOfItsTextLaidOutAnew(model, "after a new font", kBigFont);
}

// Lines before an edit that removes several of them are not the measured text's: a re-wrap
// from there walks them. A paragraph joined away takes its pieces with it: a long paragraph
// edited next, where they would not hold, keeps its own lines.
TEST(EditedTail, BigDeletionsAndAJoinedParagraphLeaveNoPiecesWhereTheyDoNotHold) {
  std::mt19937 rng(21);
  String plain;  // a long paragraph with nothing to shape, never measured in pieces
  while (plain.size() < 40000) plain += rng() % 2 ? u"plain " : u"words ";
  const String text = u"first line\r\n" + Words(rng, 40000) + u"\r\n" + plain;
  Scaled measure;
  TextModel model(measure);
  model.SetRightMargin(kMargin);
  model.LoadText(SharedText(text));
  model.ContinueLayout(0);
  const CharPos first = 12;
  for (int k = 0; k < 12; ++k) {
    model.SetSelStart(first + 20000 + 400 * k);
    model.SetSelText(StringView(u"x"));
    model.SetSelLength(150 + 37 * k);
    model.SetSelText(StringView(u""));
    ExpectLinesOfItsTextLaidOutAnew(model, "deleting lines");
  }
  model.SetSelStart(first - 2);
  model.SetSelLength(2);
  model.SetSelText(StringView(u" "));
  const CharPos plainStart = model.Find(u"\r\n", first).value() + 2;
  for (int k = 0; k < 20; ++k) {
    model.SetSelStart(plainStart + 26000 + 97 * k);
    model.SetSelText(StringView(u"yyyy "));  // a word more: the breaks after it move
  }
  ExpectLinesOfItsTextLaidOutAnew(model, "after joining it to the first line and typing in the next");
}

// The same long paragraph pasted twice is one paragraph of one block shown by two nodes: the
// copy edited takes the block's pieces along, and the other is measured again when a new width
// wraps it.
TEST(EditedTail, TheOtherCopyOfAParagraphPastedTwiceWrapsAsNewAfterTheFirstIsEdited) {
  std::mt19937 rng(3);
  const SharedText pasted(Words(rng, 40000) + u"\r\n");
  Scaled measure;
  TextModel model(measure);
  model.SetRightMargin(kMargin);
  model.SetSelText(pasted);
  model.SetSelText(pasted);
  model.SetSelStart(500);
  model.SetSelText(StringView(u"typed"));
  ExpectLinesOfItsTextLaidOutAnew(model, "after the edit");
  model.SetRightMargin(kMargin / 3 + 0.5);
  ExpectLinesOfItsTextLaidOutAnew(model, "at a new width");
  model.SetRightMargin(kMargin);
  ExpectLinesOfItsTextLaidOutAnew(model, "at the first width again");
  model.SetSelStart(model.Length() - 700);
  model.SetSelText(StringView(u"more "));
  ExpectLinesOfItsTextLaidOutAnew(model, "after an edit of the other copy");
}

}  // namespace
}  // namespace quilmar::testing
