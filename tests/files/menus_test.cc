// The Options and File menus, clicked and through their shortcut keys.
#include "app/options.hh"
#include "app_test_access.hh"
#include "editor_fixture.hh"

namespace quilmar {
namespace {

class MenusTest : public testing::EditorTest {
 protected:
  void SetUp() override { Start(); }
};

TEST_F(MenusTest, WordWrapAndTheCaseItemsToggle) {
  app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  EXPECT_FALSE(app().Checked(MenuItem::mnuWordWrap));
  EXPECT_FALSE(editor->menus.Checked(MenuItem::mnuWordWrap));
  EXPECT_EQ(app().Document().RightMargin(), 10000);
  app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  EXPECT_TRUE(app().Checked(MenuItem::mnuWordWrap));
  EXPECT_EQ(app().Document().RightMargin(), 0);
  for (MenuItem item : {MenuItem::mnuFindCase, MenuItem::mnuReplaceCase}) {
    app().Dispatch(MenuClickEvent{item});
    EXPECT_FALSE(app().Checked(item));
    app().Dispatch(MenuClickEvent{item});
    EXPECT_TRUE(app().Checked(item));
  }
}

TEST_F(MenusTest, StartInCommandModeChangesOnlyTheNextStart) {
  ASSERT_TRUE(app().Mode().CommandMode());
  app().Dispatch(MenuClickEvent{MenuItem::mnuStCmdMode});
  EXPECT_FALSE(app().Options().CmdStart());
  EXPECT_FALSE(app().Checked(MenuItem::mnuStCmdMode));
  EXPECT_TRUE(app().Mode().CommandMode());
  EXPECT_TRUE(app().Document().Locked());
  EXPECT_EQ(Panel(panel::Mode), u"Command");
}

TEST_F(MenusTest, TheFontDialogSetsBothFontsAndCancelKeepsTheLastChoice) {
  const FontSpec before = app().Document().Font();
  app().Dispatch(MenuClickEvent{MenuItem::mnuFonts});  // cancelled
  EXPECT_EQ(app().Document().Font(), before);
  const FontSpec chosen{u"DejaVu Serif", false, true, 14.5};
  editor->dialogs.QueueFont(chosen);
  app().Dispatch(MenuClickEvent{MenuItem::mnuFonts});
  EXPECT_EQ(app().Document().Font(), chosen);
  EXPECT_EQ(app().Options().DialogFont(), chosen);
  EXPECT_EQ(app().Options().FontFlags(), 1);
  app().Dispatch(MenuClickEvent{MenuItem::mnuFonts});  // cancelled again
  EXPECT_EQ(app().Document().Font(), chosen);
  ASSERT_EQ(editor->dialogs.FontsShown().size(), 3u);
  EXPECT_EQ(editor->dialogs.FontsShown()[2], chosen) << "the dialog opens on the current font";
  EXPECT_EQ(editor->dialogs.FontDialogsShown()[2].Flags, kFontDialogScreenFonts) << "listing the screen's fonts";
}

TEST_F(MenusTest, TabStopsAreSetEveryTabSpacesMinusOneCells) {
  for (std::int16_t tabSpaces : {0, 1, 2}) {
    Start();
    SetTabStops(AppTestAccess::Document(app()), tabSpaces);
    EXPECT_TRUE(app().Document().TabStops().empty()) << tabSpaces;
  }
  for (std::int16_t tabSpaces : {3, 9}) {
    Start();
    SetTabStops(AppTestAccess::Document(app()), tabSpaces);
    const auto& stops = app().Document().TabStops();
    ASSERT_EQ(stops.size(), 32u);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(stops[i], i * (tabSpaces - 1));
  }
}

// Close: CurrentFile and the text go, panels 1 to 4 are emptied; the caption, the line-count
// panel and the mode stay.
TEST_F(MenusTest, CloseForgetsTheFileButKeepsTheCaptionAndLineCount) {
  docs.Write("a.txt", "one\r\ntwo\r\n");
  Start(docs.UPath("a.txt"));
  editor->statusBar.SetPanelText(panel::Message, u"something");
  editor->Key(key::F9);
  EXPECT_EQ(app().Files().CurrentFile(), u"");
  EXPECT_EQ(app().Document().Text(), u"");
  EXPECT_TRUE(app().Files().TextChanged());
  EXPECT_EQ(Panel(panel::Message), u"");
  EXPECT_EQ(Panel(panel::Mode), u"");
  EXPECT_EQ(Panel(panel::File), u"");
  EXPECT_EQ(Caption(), u"Quilmar - a.txt");
  EXPECT_EQ(Panel(panel::Lines), u"2 lines");
  EXPECT_TRUE(app().Mode().CommandMode());
  EXPECT_TRUE(app().Document().Locked());
  EXPECT_EQ(app().Files().File().format, TextFormat{}) << "what is left is a new document";
}

// Emptying the text moves the caret; the position panel must still end empty, as Close
// empties it after the text.
TEST_F(MenusTest, CloseEmptiesThePositionPanelAfterTheCaretMoved) {
  docs.Write("a.txt", "one\ntwo\n");
  Start(docs.UPath("a.txt"));
  editor->Key(key::Down);
  ASSERT_NE(Panel(panel::Position), u"");
  editor->Key(key::F9);
  EXPECT_EQ(Panel(panel::Position), u"");
}

// A print that did not happen says why in the message panel, and one that did clears nothing.
TEST_F(MenusTest, PrintUsesTheFirstPrinterAndSaysWhenItCannot) {
  app().Dispatch(MenuClickEvent{MenuItem::mnuPrint});
  EXPECT_TRUE(editor->printer.Jobs().empty());
  EXPECT_EQ(Panel(panel::Message), u"No printer is installed");

  headless::EditorSetup setup;
  setup.printers = {u"first", u"second"};
  Start({}, std::move(setup));
  SetText(u"print me\r\nplease");
  AppTestAccess::Document(app()).SetFont(FontSpec{u"Mono", true, false, 11});
  editor->Key(80, shift::Ctrl);  // Ctrl+P
  ASSERT_EQ(editor->printer.Jobs().size(), 1u);
  EXPECT_EQ(editor->printer.Jobs()[0].printer, u"first");
  EXPECT_EQ(editor->printer.Jobs()[0].text, u"print me\r\nplease");
  EXPECT_EQ(editor->printer.Jobs()[0].font, (FontSpec{u"Mono", true, false, 11}));
  EXPECT_EQ(Panel(panel::Message), u"");
  editor->printer.FailNextJob();
  app().Dispatch(MenuClickEvent{MenuItem::mnuPrint});
  EXPECT_EQ(Panel(panel::Message), u"Can't print on first: The printer reported an error");
  EXPECT_EQ(app().Document().Text(), u"print me\r\nplease");
  EXPECT_FALSE(app().Closed());
}

TEST_F(MenusTest, ShortcutsWorkInInsertModeAndExitClosesAndWritesTheSettings) {
  docs.Write("a.txt", "text");
  editor->Key(73, shift::None, u"i");  // "i": Insert mode
  ASSERT_FALSE(app().Mode().CommandMode());
  editor->dialogs.QueueFile(docs.UPath("a.txt"));
  editor->Key(79, shift::Ctrl);  // Ctrl+O
  EXPECT_EQ(app().Document().Text(), u"text");
  app().Dispatch(MenuClickEvent{MenuItem::mnuExit});
  EXPECT_TRUE(editor->window.Closed());
  EXPECT_TRUE(home.Exists("quilmar.ini"));
}

}  // namespace
}  // namespace quilmar
