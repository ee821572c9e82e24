// Storage shared between the loaded text, a replacement and the edit history. (Reading back
// after random edits, pastes of one shared text, undo, redo and relayouts is the random model
// test's, against a plain string.)
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
  ExpectReadsLike(rig.model, loaded.substr(0, 4) + u"!" + loaded.substr(4));
  EXPECT_EQ(rig.model.GetLineCount(), 30);
  rig.model.Undo();
  ExpectReadsLike(rig.model, loaded);
}

}  // namespace
}  // namespace quilmar::testing
