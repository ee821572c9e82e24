// Reading the text back after edits, systematically: whichever paragraph is edited, the text,
// its slices and searches read the same as a plain string does. Unedited stretches of the
// loaded text are read in one piece; these cases put an edited paragraph at every place in
// the tree.
#include "model_fixture.hh"

namespace quilmar::testing {
namespace {

String Lines(int count) {
  String text;
  for (int i = 0; i < count; ++i) {
    if (i) text += u"\r\n";
    text += Ascii("line " + std::to_string(i));
  }
  return text;
}

void ExpectReadsLike(const TextModel& model, const String& want) {
  ASSERT_EQ(model.Text(), want);
  const CharPos n = static_cast<CharPos>(want.size());
  for (CharPos at = 0; at < n; at += 7) {
    ASSERT_EQ(model.Slice(at, 23), want.substr(static_cast<std::size_t>(at), 23)) << "Slice " << at;
  }
}

TEST(DocumentReading, EditingAnyOneParagraphKeepsTheRestReadable) {
  const int kParagraphs = 40;
  for (int k = 0; k < kParagraphs; ++k) {
    ModelRig rig;
    String want = Lines(kParagraphs);
    rig.model.LoadText(want);
    const CharPos at = rig.model.LineIndex(k) + 2;
    rig.model.SetSelStart(at);
    rig.model.SetSelText(u"#");
    want.insert(static_cast<std::size_t>(at), u"#");
    ExpectReadsLike(rig.model, want);
    EXPECT_EQ(rig.model.Find(u"#", 0, -1, find::MatchCase | find::NoHighlight), at) << k;
    EXPECT_EQ(rig.model.Find(u"line 39", 0, -1, find::MatchCase | find::NoHighlight),
              static_cast<CharPos>(want.find(u"line 39")));
    if (::testing::Test::HasFatalFailure()) FAIL() << "edited paragraph " << k;
  }
}

TEST(DocumentReading, SplittingAndJoiningParagraphsKeepsTheRestReadable) {
  const int kParagraphs = 30;
  for (int k = 0; k + 1 < kParagraphs; ++k) {
    ModelRig rig;
    String want = Lines(kParagraphs);
    rig.model.LoadText(want);
    // Join paragraph k with the next, then split it again elsewhere.
    const CharPos end = rig.model.LineIndex(k) + rig.model.LineLength(rig.model.LineIndex(k));
    rig.model.SetSelStart(end);
    rig.model.SetSelLength(2);
    rig.model.SetSelText(u"+");
    want.replace(static_cast<std::size_t>(end), 2, u"+");
    ExpectReadsLike(rig.model, want);
    rig.model.SetSelStart(1);
    rig.model.SetSelText(u"\r\n");
    want.insert(1, u"\r\n");
    ExpectReadsLike(rig.model, want);
    if (::testing::Test::HasFatalFailure()) FAIL() << "joined paragraph " << k;
  }
}

}  // namespace
}  // namespace quilmar::testing
