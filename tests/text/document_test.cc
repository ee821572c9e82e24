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

// A substitution all along a huge line of one-byte text: the line stays one byte per character,
// keeps its break's form and lays out as the same text loaded; typing in it and undoing both
// edits give the text back as it was loaded, forms included. The edited line is first, in the
// middle and last (the one without a break).
TEST(SharedStorage, ReplacingMostOfAHugeOneByteLine) {
  auto words = [](std::size_t size, char first) {
    std::string out;
    while (out.size() < size) out += std::string(1 + out.size() % 7, static_cast<char>(first + out.size() % 5)) + ' ';
    out.resize(size);
    return Ascii(out);
  };
  const String huge = words(200000, 'a');
  const String with = words(150000, 'p') + U("\u00e9");  // é fits one byte
  const BreakRuns forms = {{0, BreakForm::LF}, {1, BreakForm::CR}};
  for (int edited : {0, 1, 2}) {
    SCOPED_TRACE("line " + std::to_string(edited));
    std::vector<String> lines = {u"head", u"middle", u"tail"};
    lines[static_cast<std::size_t>(edited)] = huge;
    const String loaded = lines[0] + u"\r\n" + lines[1] + u"\r\n" + lines[2];
    ModelRig rig(6);
    rig.Wrap(true);
    rig.model.LoadText(SharedText::Compact(loaded), forms);
    CharPos start = 0;
    for (int i = 0; i < edited; ++i) start += static_cast<CharPos>(lines[static_cast<std::size_t>(i)].size() + 2);
    rig.model.SetSelStart(start + 10);
    rig.model.SetSelLength(static_cast<CharPos>(huge.size() - 20));
    rig.model.SetSelText(SharedText::Compact(with));

    lines[static_cast<std::size_t>(edited)] = huge.substr(0, 10) + with + huge.substr(huge.size() - 10);
    const String replaced = lines[0] + u"\r\n" + lines[1] + u"\r\n" + lines[2];
    ExpectReadsLike(rig.model, replaced);
    EXPECT_EQ(rig.model.BreakForms(), forms);
    EXPECT_TRUE(rig.model.Share(start, 1000).View().IsNarrow());
    ModelRig fresh(6);
    fresh.Wrap(true);
    fresh.model.LoadText(replaced);
    EXPECT_EQ(rig.model.GetLineCount(), fresh.model.GetLineCount());
    EXPECT_EQ(rig.model.Line(rig.model.GetLineCount() - 1).start, fresh.model.Line(fresh.model.GetLineCount() - 1).start);

    rig.model.SetSelStart(start + 5000);
    rig.model.SetSelText(u"Z");
    ExpectReadsLike(rig.model, replaced.substr(0, static_cast<std::size_t>(start + 5000)) + u"Z" +
                                   replaced.substr(static_cast<std::size_t>(start + 5000)));
    rig.model.Undo();
    rig.model.Undo();
    ExpectReadsLike(rig.model, loaded);
    EXPECT_EQ(rig.model.BreakForms(), forms);
  }
}

// A long edited line is kept with room to grow, and copied into more when pastes outgrow it:
// whatever the growth, the text reads as the same edits made on a plain string, its lines are
// those of the same text loaded, and undoing every edit gives the loaded text back.
TEST(SharedStorage, ALongEditedLineGrowsPastItsRoomAndShrinks) {
  String line;
  while (line.size() < 40000) line += Ascii("word" + std::to_string(line.size() % 97) + " ");
  const String loaded = u"head\r\n" + line + u"\r\ntail";
  ModelRig rig(60);
  rig.Wrap(true);
  rig.model.LoadText(SharedText::Compact(loaded));
  String want = loaded;
  std::uint32_t seed = 5;
  auto next = [&seed](std::uint32_t below) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 8) % below;
  };
  for (int edit = 0; edit < 24; ++edit) {
    // Within the long line: pastes of up to 15,000 units (several outgrow its room), typing,
    // and deletions of up to 20,000 units.
    const std::size_t lineEnd = want.size() - 6;
    const std::size_t at = 6 + next(static_cast<std::uint32_t>(lineEnd - 6));
    const std::size_t removed = edit % 3 == 2 ? std::min<std::size_t>(next(20000), lineEnd - at) : 0;
    const String text = edit % 3 == 0 ? String(1 + next(15000), static_cast<char16_t>(u'a' + edit)) + u" " : u"x";
    rig.model.SetSelStart(static_cast<CharPos>(at));
    rig.model.SetSelLength(static_cast<CharPos>(removed));
    rig.model.SetSelText(text);
    want.replace(at, removed, text);
    SCOPED_TRACE("edit " + std::to_string(edit));
    ExpectReadsLike(rig.model, want);
  }
  ModelRig fresh(60);
  fresh.Wrap(true);
  fresh.model.LoadText(want);
  ASSERT_EQ(rig.model.GetLineCount(), fresh.model.GetLineCount());
  for (LineNo l = 0; l < fresh.model.GetLineCount(); ++l) ASSERT_EQ(rig.model.LineIndex(l), fresh.model.LineIndex(l));
  for (int edit = 0; edit < 24; ++edit) rig.model.Undo();
  ExpectReadsLike(rig.model, loaded);
}

// A document past 2^31 characters without the memory: one text of 10,000 lines pasted 2,300
// times shares a single block (the same paste made again), so positions, lines and the edits
// at its end run past what 32 bits count while the text is held once.
TEST(SharedStorage, PositionsAndLinesPast2To31) {
  String lines;
  for (int i = 0; i < 10000; ++i) lines += u"\r\n" + Ascii(std::string(90, static_cast<char>('a' + i % 26)) + " line");
  const SharedText paste = SharedText::Compact(lines);
  const auto size = static_cast<std::int64_t>(lines.size());
  constexpr int kPastes = 2300;
  ModelRig rig;
  rig.Wrap(false);
  rig.model.LoadText(String(u"head"));
  for (int i = 0; i < kPastes; ++i) {
    rig.model.SetSelStart(rig.model.Length());
    rig.model.SetSelText(paste);
  }
  ASSERT_EQ(rig.model.Length(), 4 + kPastes * size);
  ASSERT_GT(rig.model.Length().value(), std::int64_t(1) << 31);
  EXPECT_EQ(rig.model.GetLineCount(), 1 + kPastes * 10000);
  // Line n (n >= 1) of the pasted text starts after "head" and n - 1 lines of 97 units.
  for (const std::int64_t line : {std::int64_t(22200000), std::int64_t(kPastes) * 10000 - 1, std::int64_t(kPastes) * 10000}) {
    SCOPED_TRACE(line);
    const CharPos start = 4 + 2 + (line - 1) * 97;
    ASSERT_EQ(rig.model.LineIndex(line), start);
    EXPECT_EQ(rig.model.LineFromChar(start + 50), line);
    EXPECT_EQ(rig.model.Slice(start - 7, 9), u" line\r\n" + String(2, static_cast<char16_t>(u'a' + (line - 1) % 10000 % 26)));
  }
  rig.model.SetSelStart(rig.model.Length());
  rig.model.SetSelText(u"END");
  const CharPos end = rig.model.Length();
  EXPECT_EQ(rig.model.Find(u"END", end - 200), end - 3);
  EXPECT_EQ(rig.model.LineFromChar(end), kPastes * 10000);
  rig.Wrap(true);  // the shared block is laid out once, its lines counted once for each paste
  EXPECT_EQ(rig.model.GetLineCount(), 1 + kPastes * 10000 * 2);
  rig.model.Undo();
  EXPECT_EQ(rig.model.Length(), 4 + kPastes * size);
}

}  // namespace
}  // namespace quilmar::testing
