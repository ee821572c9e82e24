// Reading the text back after edits, systematically: whichever paragraph is edited, the text,
// its slices and searches read the same as a plain string does. Unedited stretches of the
// loaded text are read in one piece; these cases put an edited paragraph at every place in
// the tree. Texts shared between copies of a paste and the edit history come last.
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
    const CharPos at = *rig.model.LineIndex(k) + 2;
    rig.model.SetSelStart(at);
    rig.model.SetSelText(u"#");
    want.insert(static_cast<std::size_t>(at), u"#");
    ExpectReadsLike(rig.model, want);
    EXPECT_EQ(rig.model.Find(u"#", 0, std::nullopt, FindOptions::MatchCase | FindOptions::NoHighlight), at) << k;
    EXPECT_EQ(rig.model.Find(u"line 39", 0, std::nullopt, FindOptions::MatchCase | FindOptions::NoHighlight),
              Found(static_cast<long long>(want.find(u"line 39"))));
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
    const CharPos end = *rig.model.LineIndex(k) + rig.model.LineLength(*rig.model.LineIndex(k));
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

// The same text of several lines pasted again shares its storage with the earlier copies and
// with the edit history: an edit inside one copy, an undo, or a re-layout must not show
// through in the others.
TEST(SharedStorage, CopiesOfOnePasteStayIndependent) {
  ModelRig rig(8);
  rig.Wrap(true);
  const String paste = u"one two three\r\nfour\r\nfive six seven\r\nend";
  String want = Lines(5);
  rig.model.LoadText(want);
  for (CharPos at : {3, 20, 0}) {
    rig.model.SetSelStart(at);
    rig.model.SetSelText(SharedText(paste));
    want.insert(static_cast<std::size_t>(at), paste);
  }
  ExpectReadsLike(rig.model, want);
  // Change "four" in the middle copy only.
  const auto middle = want.find(u"four", want.find(u"four") + 1);
  rig.model.SetSelStart(static_cast<CharPos>(middle));
  rig.model.SetSelLength(4);
  rig.model.SetSelText(u"4");
  want.replace(middle, 4, u"4");
  ExpectReadsLike(rig.model, want);
  rig.Wrap(false);
  ExpectReadsLike(rig.model, want);
  EXPECT_EQ(rig.model.GetLineCount(), 5 + 3 * 3);
  rig.model.Undo();
  rig.model.Undo();
  want.replace(middle, 1, u"four");
  want.erase(static_cast<std::size_t>(0), paste.size());
  ExpectReadsLike(rig.model, want);
  rig.model.Redo();
  want.insert(0, paste);
  ExpectReadsLike(rig.model, want);
}

// Undoing a replacement of the whole loaded text brings it back whole, after edits on both
// sides of the old text's storage and a change of layout in between.
TEST(SharedStorage, UndoOfAWholeReplacementRestoresTheLoadedText) {
  ModelRig rig(6);
  rig.Wrap(true);
  const String loaded = Lines(30);
  rig.model.LoadText(loaded);
  rig.model.SetSelStart(4);
  rig.model.SetSelText(u"!");
  rig.model.SetSelStart(0);
  rig.model.SetSelLength(rig.model.Length());
  rig.model.SetSelText(SharedText(String(u"a\r\nb\r\nc")));
  ExpectReadsLike(rig.model, u"a\r\nb\r\nc");
  rig.Wrap(false);
  rig.model.Undo();
  String want = loaded;
  want.insert(4, u"!");
  ExpectReadsLike(rig.model, want);
  EXPECT_EQ(rig.model.GetLineCount(), 30);
  rig.model.Undo();
  ExpectReadsLike(rig.model, loaded);
}

}  // namespace
}  // namespace quilmar::testing
