// Writing the document: every refusal and outcome, read-only files, the settings re-read.
// (File-system faults on a real disk are the reliability tests'; byte-exact round trips the
// round-trip fuzzer's and corpus check's.)
#include <sys/mount.h>

#include <filesystem>

#include "editor_fixture.hh"
#include "app_test_access.hh"
#include "files/save_file.hh"

namespace quilmar {
namespace {

using headless::FsCall;
namespace stdfs = std::filesystem;

const String kExists = u"File exists, use \"w!\" to override.";
const String kVanished = u"Unable to open file for write, try \":w filename\" or use SaveAs.";
const String kReadOnly = u"File is read only";

class SaveFileTest : public testing::EditorTest {
 protected:
  void SetUp() override { Start(); }
  // A document that came from `name` and was then edited to `text`.
  void Edit(const std::string& name, const String& text) {
    docs.Write(name, "original");
    Start(docs.UPath(name));
    SetText(text);
  }
  void ExpectWrittenState(const String& path, const String& currentFile) {
    EXPECT_EQ(Panel(panel::Message), u"Written");
    EXPECT_EQ(Panel(panel::File), path);
    EXPECT_EQ(Caption(), u"Quilmar - " + real.FileName(path));
    EXPECT_EQ(Panel(panel::Lines), Decimal(app().Document().GetLineCount() - 1) + u" lines");
    EXPECT_EQ(app().Files().CurrentFile(), currentFile);
    EXPECT_FALSE(app().Files().TextChanged());
    EXPECT_EQ(app().Files().CommonDialog().InitDir, real.CurrentDirectory());
  }
};

TEST_F(SaveFileTest, AnEmptyNameDoesNothing) {
  SetText(u"x");
  SaveFile(AppTestAccess::Files(app()), u"", true, true);
  EXPECT_EQ(Panel(panel::Message), u"");
  EXPECT_TRUE(app().Files().TextChanged());
  EXPECT_FALSE(app().Closed());
}

TEST_F(SaveFileTest, ANewNameIsCreatedAndBecomesTheDocumentsFile) {
  SetText(u"hello\r\nworld");
  SaveFile(AppTestAccess::Files(app()), docs.UPath("new.txt"), false, false);
  EXPECT_EQ(docs.Read("new.txt"), "hello\nworld");
  ExpectWrittenState(docs.UPath("new.txt"), docs.UPath("new.txt"));
}

TEST_F(SaveFileTest, TheDocumentsOwnFileIsWritten) {
  Edit("own.txt", u"changed\r\n");
  SaveFile(AppTestAccess::Files(app()), app().Files().CurrentFile(), false, false);
  EXPECT_EQ(docs.Read("own.txt"), "changed\n");
  ExpectWrittenState(docs.UPath("own.txt"), docs.UPath("own.txt"));
}

// Another existing file needs Override; with it the file is written but stays not the
// document's file (a name differing only in letter case is another file).
TEST_F(SaveFileTest, AnotherExistingFileNeedsOverrideAndDoesNotBecomeCurrent) {
  Edit("own.txt", u"mine");
  for (const std::string other : {"other.txt", "OWN.txt"}) {
    SCOPED_TRACE(other);
    docs.Write(other, "theirs");
    AppTestAccess::Files(app()).state.TextChanged = true;
    SaveFile(AppTestAccess::Files(app()), docs.UPath(other), false, true);
    EXPECT_EQ(Panel(panel::Message), kExists);
    EXPECT_EQ(docs.Read(other), "theirs");
    EXPECT_TRUE(app().Files().TextChanged());
    EXPECT_FALSE(app().Closed()) << "a refused write does not quit";
    SaveFile(AppTestAccess::Files(app()), docs.UPath(other), true, false);
    EXPECT_EQ(docs.Read(other), "mine");
    ExpectWrittenState(docs.UPath(other), docs.UPath("own.txt"));
  }
  Start();
  docs.Write("x.txt", "theirs");
  SaveFile(AppTestAccess::Files(app()), docs.UPath("x.txt"), true, false);
  EXPECT_EQ(app().Files().CurrentFile(), u"") << "a document without a file keeps none";
}

TEST_F(SaveFileTest, AVanishedOwnFileIsRefusedAndNotCreated) {
  Start(docs.UPath("never.txt"));  // named on the command line, never existed
  SetText(u"text");
  SaveFile(AppTestAccess::Files(app()), docs.UPath("never.txt"), true, false);
  EXPECT_EQ(Panel(panel::Message), kVanished);
  EXPECT_FALSE(docs.Exists("never.txt"));
  EXPECT_TRUE(app().Files().TextChanged());
}

// Read-only: the owner may not write. With Override the exact bits come back afterwards.
TEST_F(SaveFileTest, ReadOnlyFilesNeedOverrideAndKeepTheirExactBits) {
  Edit("ro.txt", u"new");
  stdfs::permissions(docs.Path("ro.txt"), static_cast<stdfs::perms>(04454));
  SaveFile(AppTestAccess::Files(app()), docs.UPath("ro.txt"), false, false);
  EXPECT_EQ(Panel(panel::Message), kReadOnly);
  EXPECT_EQ(docs.Read("ro.txt"), "original");
  SaveFile(AppTestAccess::Files(app()), docs.UPath("ro.txt"), true, false);
  EXPECT_EQ(docs.Read("ro.txt"), "new");
  EXPECT_EQ(docs.Mode("ro.txt"), 04454u);
  EXPECT_EQ(Panel(panel::Message), u"Written");
}

TEST_F(SaveFileTest, QuitAfterClosesTheWindowAfterAGoodWrite) {
  SetText(u"bye");
  SaveFile(AppTestAccess::Files(app()), docs.UPath("last.txt"), false, true);
  EXPECT_TRUE(app().Closed());
  EXPECT_TRUE(editor->window.Closed());
  EXPECT_TRUE(home.Exists("quilmar.ini")) << "closing writes the settings";
}

// Writing a path that ends in "quilmar.ini" reads the program's own settings file again.
TEST_F(SaveFileTest, WritingAQuilmarIniRereadsTheSettings) {
  home.Write("quilmar.ini", "FindCase=False\r\n");
  Start();
  AppTestAccess::Checks(app()).SetChecked(MenuItem::mnuFindCase, true);
  SaveFile(AppTestAccess::Files(app()), docs.UPath("Quilmar.INI"), false, false);
  EXPECT_TRUE(app().Checked(MenuItem::mnuFindCase)) << "another letter case is no settings file";
  SaveFile(AppTestAccess::Files(app()), docs.UPath("myquilmar.ini"), false, false);
  EXPECT_FALSE(app().Checked(MenuItem::mnuFindCase));

  // Editing the settings file itself applies what was written.
  SetText(u"WordWrap=False\r\nTabSpaces=5\r\n");
  SaveFile(AppTestAccess::Files(app()), home.UPath("quilmar.ini"), true, false);
  EXPECT_FALSE(app().Checked(MenuItem::mnuWordWrap));
  EXPECT_EQ(app().Document().RightMargin(), 10000);
  EXPECT_EQ(app().Options().TabSpaces(), 5);
  EXPECT_EQ(Panel(panel::Message), u"Written");
}

TEST_F(SaveFileTest, AFullDiskKeepsTheDocumentsOldContent) {
  stdfs::create_directory(docs.Path("small"));
  // Room for the first megabyte the save streams out but not the rest.
  if (::mount("tmpfs", docs.Path("small").c_str(), "tmpfs", 0, "size=1536k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{docs.Path("small")};
  Edit("small/doc.txt", String(3000000, u'x'));
  SaveFile(AppTestAccess::Files(app()), app().Files().CurrentFile(), false, false);
  EXPECT_EQ(docs.Read("small/doc.txt"), "original");
  EXPECT_EQ(Panel(panel::Message), u"Can't write " + docs.UPath("small/doc.txt") + u": No space left on device");
}

// Through the dialog: refusals show; failures to create the file end quietly; a failed
// write of the content is still reported.
TEST_F(SaveFileTest, SaveAsIsQuietExceptForRefusalsAndFailedWrites) {
  docs.Write("exists.txt", "theirs");
  SetText(u"mine");
  app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});  // cancelled
  EXPECT_EQ(Panel(panel::Message), u"");
  editor->dialogs.QueueFile(docs.UPath("exists.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});
  EXPECT_EQ(Panel(panel::Message), kExists);

  editor->statusBar.SetPanelText(panel::Message, u"");
  fs.Fail(FsCall::CreateEmpty, "Permission denied", std::nullopt, 1);
  editor->dialogs.QueueFile(docs.UPath("new.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});
  EXPECT_EQ(Panel(panel::Message), u"");

  fs.Fail(FsCall::WriteAll, "Input/output error", std::nullopt, 1);
  editor->dialogs.QueueFile(docs.UPath("new.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuSaveAs});
  EXPECT_EQ(Panel(panel::Message), u"Can't write " + docs.UPath("new.txt") + u": Input/output error");
  EXPECT_TRUE(app().Files().TextChanged());
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("new.txt")) << "the created file is the document's";
}

// Save without a file goes through the dialog with Override: an existing file is replaced
// silently, and the document still has no file of its own afterwards.
TEST_F(SaveFileTest, SaveWithoutAFileAsksEveryTimeAndOverridesSilently) {
  docs.Write("exists.txt", "theirs");
  SetText(u"mine");
  editor->dialogs.QueueFile(docs.UPath("exists.txt"));
  editor->Key(83, shift::Ctrl);  // Ctrl+S
  EXPECT_EQ(docs.Read("exists.txt"), "mine");
  EXPECT_EQ(app().Files().CurrentFile(), u"");
  editor->dialogs.QueueFile(docs.UPath("fresh.txt"));
  app().Dispatch(MenuClickEvent{MenuItem::mnuSave});
  EXPECT_EQ(editor->dialogs.StartFolders().size(), 2u);
  EXPECT_EQ(app().Files().CurrentFile(), docs.UPath("fresh.txt"));
  stdfs::permissions(docs.Path("fresh.txt"), static_cast<stdfs::perms>(0444));
  app().Dispatch(MenuClickEvent{MenuItem::mnuSave});
  EXPECT_EQ(Panel(panel::Message), kReadOnly) << "Save on the document's own file does not override";
}

}  // namespace
}  // namespace quilmar
