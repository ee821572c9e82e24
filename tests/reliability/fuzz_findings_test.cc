// Faults the fuzz targets found, kept as cases through the public interfaces: each failed
// before its fix. (The inputs themselves stay in fuzz/regressions/<target>/.)
#include <gtest/gtest.h>

#include "app/app.hh"
#include "app_test_access.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace quilmar {
namespace {

// Found by the substitute target: after an edit, a selection that ended inside one stretch of
// stored text read on into the next one, so SelText (and the substitution's moving range end)
// came out too long.
TEST(FuzzFindings, SelTextAfterAnEditHoldsExactlyTheSelection) {
  CellMeasure measure(12, 5);
  TextModel doc(measure);
  doc.SetText(u"aaa\r\na");
  doc.Select(0, 1);
  doc.SetSelText(u"aa");
  doc.Select(2, 3);
  EXPECT_EQ(doc.SelText(), u"a");
  EXPECT_EQ(doc.Slice(1, 4), u"aaa\r");
  EXPECT_EQ(doc.Text(), u"aaaa\r\na");
}

TEST(FuzzFindings, SubstitutionThatGrowsTheTextReachesTheRangeEnd) {
  headless::MemoryFileSystem fs;
  headless::HeadlessEditor editor(fs);
  editor.app.Dispatch(StartEvent{String()});
  AppTestAccess::Document(editor.app).SetText(u"aaa\r\na");
  editor.Type(":0,1s/a/aa/");
  editor.Key(key::Return);
  EXPECT_EQ(editor.app.Document().Text(), u"aaaaaa\r\naa");
  EXPECT_EQ(editor.statusBar.Panel(1), u"4 Replacments");
}

// Found by the settings target: a tiny font size was written as "1e-07", which the reader
// refuses; the next start then stopped at the font line and lost every setting after it.
TEST(FuzzFindings, TinyFontSizeSurvivesExitAndRestart) {
  headless::MemoryFileSystem fs;
  fs.AddFile(u"/opt/quilmar/quilmar.ini", "Font=Tiny,0,0,0.0000001\r\nTabSpaces=7\r\nWordWrap=False\r\nFindCase=False\r\n");
  {
    headless::HeadlessEditor first(fs);
    first.app.Dispatch(StartEvent{String()});
    first.app.Dispatch(CloseEvent{});
  }
  headless::HeadlessEditor second(fs);
  second.app.Dispatch(StartEvent{String()});
  EXPECT_EQ(second.app.CommonDialog().font.size, 0.0000001);
  EXPECT_EQ(second.app.Shared().TabSpaces, 7);
  EXPECT_FALSE(second.app.Checked(MenuItem::mnuWordWrap));
  EXPECT_FALSE(second.app.Checked(MenuItem::mnuFindCase));
  EXPECT_NE(fs.Bytes(u"/opt/quilmar/quilmar.ini")->find("Font=Tiny,False,False,0.0000001\r\n"), std::string::npos);
}

}  // namespace
}  // namespace quilmar

namespace quilmar {
namespace {

// Found by the key-script target: "x" unlocks the document for its own Delete until the next
// key; text from an input method in that moment was typed into the Command-mode document.
TEST(FuzzFindings, InputMethodTextAfterXIsNotTypedInCommandMode) {
  headless::MemoryFileSystem fs;
  headless::HeadlessEditor editor(fs);
  editor.app.Dispatch(StartEvent{String()});
  AppTestAccess::Document(editor.app).SetText(u"abc");
  editor.Type("x");
  editor.app.Dispatch(CommitTextEvent{u"zz"});
  EXPECT_EQ(editor.app.Document().Text(), u"bc");
  EXPECT_TRUE(editor.app.Mode().CommandMode());
  editor.Type("i");
  editor.app.Dispatch(CommitTextEvent{u"zz"});
  EXPECT_EQ(editor.app.Document().Text(), u"zzbc");
}

}  // namespace
}  // namespace quilmar
