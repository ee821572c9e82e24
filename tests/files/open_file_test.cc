// Loading a file: at start-up and from File > Open, the size question, and what a declined
// or failed load leaves behind.
#include <filesystem>

#include "editor_fixture.hh"
#include "app_test_access.hh"
#include "files/open_file.hh"

namespace quilmar {
namespace {

using headless::FsCall;

class OpenFileTest : public testing::EditorTest {};

TEST_F(OpenFileTest, AFileOnTheCommandLineBecomesTheDocument) {
  docs.Write("notes.txt", "one\ntwo\n\tthree\n");
  home.Write("quilmar.ini", "TabSpaces=4\r\n");
  Start(docs.UPath("notes.txt"));
  EXPECT_EQ(app().Document().Text(), u"one\r\ntwo\r\n\tthree\r\n");
  EXPECT_EQ(app().Files().File().format, (TextFormat{Encoding::Utf8, LineEnd::LF}));
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("notes.txt"));
  EXPECT_FALSE(app().Files().TextChanged()) << "loading is no change";
  EXPECT_EQ(Panel(panel::File), docs.UPath("notes.txt"));
  EXPECT_EQ(Caption(), u"Quilmar - notes.txt");
  EXPECT_EQ(Panel(panel::Lines), u"3 lines");
  EXPECT_EQ(app().Files().CommonDialog().InitDir, FromUtf8(std::filesystem::current_path().string()));
  EXPECT_EQ(editor->windows.LoadingShown(), 1);
  EXPECT_FALSE(editor->windows.LoadingOpen());
  EXPECT_EQ(app().Document().TabStops().size(), 32u) << "tab stops are set again after the load";
  EXPECT_TRUE(editor->messageBox.Shown().empty());
}

TEST_F(OpenFileTest, TheLineCountPanelShowsOneLessThanTheControlsLineCount) {
  const struct {
    const char* bytes;
    const char16_t* panel;
  } cases[] = {{"", u"0 lines"}, {"a\nb", u"1 lines"}, {"a\nb\n", u"2 lines"}, {"a", u"0 lines"}};
  for (const auto& c : cases) {
    docs.Write("f.txt", c.bytes);
    Start(docs.UPath("f.txt"));
    EXPECT_EQ(Panel(panel::Lines), c.panel) << c.bytes;
  }
}

// A file of several screens is laid out only as far as its first screen when it is loaded;
// the line-count panel waits for the rest, and then counts the text as it was loaded, also
// when a command that changes the count comes before the layout is done.
TEST_F(OpenFileTest, ABigFilesLineCountShowsWhenItsLayoutIsDoneAsTheFileWasLoaded) {
  std::string bytes;
  for (int i = 0; bytes.size() < 800000; ++i) {
    for (int w = i % 9 * 7; w > 0; --w) bytes += "words ";
    bytes += "end\n";
  }
  docs.Write("big.txt", bytes);
  Start(docs.UPath("big.txt"));
  ASSERT_TRUE(app().Document().LayoutPending());
  EXPECT_EQ(Panel(panel::Lines), u"") << "no count of lines not yet laid out";
  int slices = 0;
  for (; app().Document().LayoutPending(); ++slices) app().Dispatch(IdleEvent{});
  EXPECT_GT(slices, 1);
  const String loaded = Panel(panel::Lines);
  EXPECT_EQ(loaded, Decimal(app().Document().GetLineCount() - 1) + u" lines");

  Start(docs.UPath("big.txt"));
  ASSERT_TRUE(app().Document().LayoutPending());
  app().Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
  EXPECT_FALSE(app().Document().LayoutPending());
  EXPECT_EQ(Panel(panel::Lines), loaded);
  EXPECT_NE(Decimal(app().Document().GetLineCount() - 1) + u" lines", loaded) << "Word Wrap changed the count";
}

// Files above 10000000 bytes are loaded only after Yes; a declined file leaves the document,
// CurrentFile, the caption and the panels as they were.
TEST_F(OpenFileTest, TheSizeQuestionAsksOnlyAboveTenMillionBytes) {
  const struct {
    std::uintmax_t size;
    std::optional<bool> answer;  // none: no question expected
    bool loaded;
  } cases[] = {{10000000, std::nullopt, true}, {10000001, true, true}, {10000001, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    docs.Sized("big.txt", c.size);
    headless::EditorSetup setup;
    if (c.answer) setup.answers.push_back(*c.answer);
    Start({}, std::move(setup));
    AppTestAccess::Files(app()).state.CurrentFile = docs.UPath("big.txt");
    OpenFile(AppTestAccess::Files(app()), docs.UPath("big.txt"));
    const auto& asked = editor->messageBox.Shown();
    if (c.answer) {
      ASSERT_EQ(asked.size(), 1u);
      EXPECT_EQ(asked[0], u"This file is 10000001 bytes, (10000000 bytes = 10 Megabytes) and may take a very "
                          u"long time to load, or may crash Quilmar. Do you want to continue?");
    } else {
      EXPECT_TRUE(asked.empty());
    }
    EXPECT_EQ(app().Document().Length(), c.loaded ? static_cast<CharPos>(c.size) : 0);
    EXPECT_EQ(editor->windows.LoadingShown(), c.loaded ? 1 : 0);
    EXPECT_EQ(app().Files().CurrentFile(), c.loaded ? docs.UPath("big.txt") : u"");
    EXPECT_EQ(Caption(), c.loaded ? u"Quilmar - big.txt" : u"Quilmar");
    EXPECT_EQ(Panel(panel::File), c.loaded ? docs.UPath("big.txt") : u"");
    EXPECT_FALSE(app().Files().CommonDialog().InitDir.empty());
  }
}

TEST_F(OpenFileTest, AMissingFileOrAFolderShowsTheErrorBoxAndStaysCurrentFile) {
  std::filesystem::create_directory(docs.Path("folder"));
  for (const std::string name : {"missing.txt", "folder"}) {
    Start(docs.UPath(name));
    ASSERT_EQ(editor->messageBox.Shown().size(), 1u);
    EXPECT_EQ(editor->messageBox.Shown()[0], u"Err: " + docs.UPath(name) + u" couldn't be opened");
    EXPECT_EQ(app().Files().CurrentFile(), docs.UPath(name));
    EXPECT_EQ(Caption(), u"Quilmar");
    EXPECT_EQ(editor->windows.LoadingShown(), 0);
  }
}

// Read failures come from the fault injector: tests run as root, who may read anything.
TEST_F(OpenFileTest, AnUnreadableFileAtStartUpShowsTheErrorBoxAndIsNotCurrentFile) {
  docs.Write("locked.txt", "secret");
  fs.Fail(FsCall::ReadAll, "Permission denied");
  Start(docs.UPath("locked.txt"));
  ASSERT_EQ(editor->messageBox.Shown().size(), 1u);
  EXPECT_EQ(editor->messageBox.Shown()[0], u"Err: " + docs.UPath("locked.txt") + u" couldn't be opened");
  EXPECT_EQ(app().Files().CurrentFile(), u"");
  EXPECT_EQ(app().Document().Text(), u"");
  EXPECT_EQ(Caption(), u"Quilmar");
  EXPECT_EQ(editor->windows.LoadingShown(), 1);
  EXPECT_FALSE(editor->windows.LoadingOpen()) << "the waiting window goes away after a failure";
}

TEST_F(OpenFileTest, OpenFromTheMenuReplacesTheDocumentAndKeepsTextChangedAsItWas) {
  docs.Write("first.txt", "first");
  docs.Write("second.txt", "second\r\n");
  Start(docs.UPath("first.txt"));
  SetText(u"edited");
  editor->dialogs.QueueFile(docs.UPath("second.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  EXPECT_EQ(app().Document().Text(), u"second\r\n");
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("second.txt"));
  EXPECT_EQ(Caption(), u"Quilmar - second.txt");
  EXPECT_TRUE(app().Files().TextChanged()) << "the load neither sets nor clears it";
  EXPECT_EQ(editor->dialogs.StartFolders().back(), app().Files().CommonDialog().InitDir);
}

TEST_F(OpenFileTest, ThePositionPanelShowsTheStartOfTheLoadedFile) {
  docs.Write("first.txt", "one\ntwo\n");
  docs.Write("second.txt", "other");
  Start(docs.UPath("first.txt"));
  EXPECT_EQ(Panel(panel::Position), u"Ln# 0 : Char# 0 ");
  app().Dispatch(KeyDownEvent{KeyEvent{key::Down, shift::None, {}}});
  EXPECT_EQ(Panel(panel::Position), u"Ln# 1 : Char# 0 ");
  editor->dialogs.QueueFile(docs.UPath("second.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  EXPECT_EQ(Panel(panel::Position), u"Ln# 0 : Char# 0 ");
}

TEST_F(OpenFileTest, ACancelledOrFailedOpenFromTheMenuChangesNothingAndSaysNothing) {
  docs.Write("first.txt", "first");
  docs.Write("locked.txt", "locked");
  Start(docs.UPath("first.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});  // nothing queued: cancelled
  fs.Fail(FsCall::ReadAll, "Permission denied", docs.UPath("locked.txt"));
  editor->dialogs.QueueFile(docs.UPath("locked.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  // A disk that fails after the first piece of a file (256 KiB) leaves the document as well.
  docs.Write("fails-late.txt", std::string(3 << 20, 'x'));
  fs.Fail(FsCall::ReadPiece, "Input/output error", docs.UPath("fails-late.txt"));
  editor->dialogs.QueueFile(docs.UPath("fails-late.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  EXPECT_EQ(app().Document().Text(), u"first");
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("first.txt"));
  EXPECT_EQ(Caption(), u"Quilmar - first.txt");
  EXPECT_EQ(Panel(panel::File), docs.UPath("first.txt"));
  EXPECT_TRUE(editor->messageBox.Shown().empty());
  EXPECT_FALSE(editor->windows.LoadingOpen());
}

// A sparse file bigger than the memory still available is refused before it is read or asked
// about; one that might fit gets the size question.
TEST_F(OpenFileTest, AFileBiggerThanTheFreeMemoryIsRefusedUnread) {
  docs.Write("small.txt", "kept");
  docs.Sized("huge.txt", 6500000000ull);
  fs.SetAvailableMemory(6000000000);
  Start(docs.UPath("small.txt"));
  editor->dialogs.QueueFile(docs.UPath("huge.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  EXPECT_EQ(fs.Calls(FsCall::ReadAll), 1) << "only the first file was read";
  EXPECT_EQ(app().Document().Text(), u"kept");
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("small.txt"));
  EXPECT_EQ(editor->messageBox.Shown(),
            std::vector<String>{u"This file is 6500000000 bytes, too big for Quilmar: this computer has 6000000000 "
                                u"bytes of memory free. The file was not opened."})
      << "no size question first";
  fs.SetAvailableMemory(6500000000);
  editor->messageBox.QueueAnswer(false);
  editor->dialogs.QueueFile(docs.UPath("huge.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
  ASSERT_EQ(editor->messageBox.Shown().size(), 2u);
  EXPECT_EQ(editor->messageBox.Shown()[1].substr(0, 32), u"This file is 6500000000 bytes, (");
  EXPECT_EQ(app().Document().Text(), u"kept");
}

}  // namespace
}  // namespace quilmar
