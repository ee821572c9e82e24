// Faults from outside the editor while a document is open: the disk fills, a write is
// refused, the folder goes away, the file becomes a folder, another program changes or
// deletes the file. For each: the file on disk is as it was after a failed write, the document
// is still in the editor, the user is told once (in the message panel, no box), and ":w" works
// again once the fault is gone. Tests run as root, so refusals come from the fault injector.
#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "reliability_fixture.hh"

namespace quilmar {
namespace {

using headless::FsCall;
namespace stdfs = std::filesystem;

const String kVanished = u"Unable to open file for write, try \":w filename\" or use SaveAs.";

struct FaultCase {
  const char* name;
  // Makes the fault happen to the open file at `path`, inside `folder`.
  void (*inject)(headless::FaultFileSystem& fs, const std::string& folder, const std::string& path);
  // Takes it away again (the file system as the user repairs it).
  void (*repair)(headless::FaultFileSystem& fs, const std::string& folder, const std::string& path);
  const char* message;  // after ":w"; "%" stands for the file's path
  bool fileKeepsOldContent;
};

void ClearFaults(headless::FaultFileSystem& fs, const std::string&, const std::string&) { fs.ClearFaults(); }
void WriteOriginal(const std::string& path) { std::ofstream(path, std::ios::binary) << "first line\nsecond\n"; }

const FaultCase kFaults[] = {
    {"disk_full",
     [](headless::FaultFileSystem& fs, const std::string&, const std::string&) {
       fs.Fail(FsCall::WriteAll, "No space left on device");
     },
     ClearFaults, "Can't write %: No space left on device", true},
    {"permission_denied_while_writing",
     [](headless::FaultFileSystem& fs, const std::string&, const std::string&) {
       fs.Fail(FsCall::WriteAll, "Permission denied");
     },
     ClearFaults, "Can't write %: Permission denied", true},
    {"attributes_unreadable",
     [](headless::FaultFileSystem& fs, const std::string&, const std::string&) {
       fs.Fail(FsCall::IsReadOnly, "Input/output error");
     },
     ClearFaults, "Can't write %: Input/output error", true},
    {"folder_removed",
     [](headless::FaultFileSystem&, const std::string& folder, const std::string&) { stdfs::remove_all(folder); },
     [](headless::FaultFileSystem&, const std::string& folder, const std::string& path) {
       stdfs::create_directories(folder);
       WriteOriginal(path);
     },
     "%vanished", false},
    {"file_replaced_by_a_folder",
     [](headless::FaultFileSystem&, const std::string&, const std::string& path) {
       stdfs::remove(path);
       stdfs::create_directory(path);
     },
     [](headless::FaultFileSystem&, const std::string&, const std::string& path) {
       stdfs::remove_all(path);
       WriteOriginal(path);
     },
     "%vanished", false},
    {"file_deleted_by_another_program",
     [](headless::FaultFileSystem&, const std::string&, const std::string& path) { stdfs::remove(path); },
     [](headless::FaultFileSystem&, const std::string&, const std::string& path) { WriteOriginal(path); },
     "%vanished", false},
};

class FileFaults : public testing::ReliabilityTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FileFaults, NothingIsLostAndWritingWorksAgain) {
  const FaultCase& fault = GetParam();
  const std::string folder = docs.Path("work");
  const std::string path = folder + "/notes.txt";
  stdfs::create_directories(folder);
  WriteOriginal(path);
  Start(FromUtf8(path));
  AppendToFirstLine(" edited");
  const String edited = u"first line edited\r\nsecond\r\n";
  ASSERT_EQ(app().Document().Text(), edited);

  fault.inject(fs, folder, path);
  Command(":w");

  String expected = FromUtf8(fault.message);
  if (expected == u"%vanished") expected = kVanished;
  if (const auto at = expected.find(u'%'); at != String::npos) expected.replace(at, 1, FromUtf8(path));
  EXPECT_EQ(Message(), expected);
  EXPECT_TRUE(editor->messageBox.Shown().empty()) << "told in a box as well";
  EXPECT_EQ(app().Document().Text(), edited);
  EXPECT_TRUE(app().Files().TextChanged());
  EXPECT_FALSE(app().Closed());
  if (fault.fileKeepsOldContent) {
    EXPECT_EQ(docs.Read("work/notes.txt"), "first line\nsecond\n");
  }

  // ":wq" with the fault still there must not close the window and lose the document.
  Command(":wq");
  EXPECT_FALSE(app().Closed());
  EXPECT_EQ(app().Document().Text(), edited);

  fault.repair(fs, folder, path);
  if (!fault.fileKeepsOldContent) {
    // The file back on disk is not the one the document was read from: only "w!" replaces it.
    Command(":w");
    EXPECT_EQ(Message(), u"File changed on disk, use \"w!\" to override.");
    EXPECT_EQ(docs.Read("work/notes.txt"), "first line\nsecond\n");
    Command(":w!");
  } else {
    Command(":w");
  }
  EXPECT_EQ(Message(), u"Written");
  EXPECT_EQ(docs.Read("work/notes.txt"), "first line edited\nsecond\n");
  EXPECT_FALSE(app().Files().TextChanged());
}

INSTANTIATE_TEST_SUITE_P(Faults, FileFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

class OtherFileFaults : public testing::ReliabilityTest {
 protected:
  void Open(const std::string& name, const std::string& bytes, mode_t mode = 0644) {
    docs.Write(name, bytes, mode);
    Start(docs.UPath(name));
  }
};

// A forced write of a read-only file that fails half way leaves it read-only and unchanged.
TEST_F(OtherFileFaults, FailedForcedWriteKeepsTheFileReadOnlyAndUnchanged) {
  Open("ro.txt", "keep\n", 0444);
  AppendToFirstLine("?");
  fs.Fail(FsCall::WriteAll, "Permission denied");
  Command(":w!");
  EXPECT_EQ(Message(), u"Can't write " + docs.UPath("ro.txt") + u": Permission denied");
  EXPECT_EQ(docs.Mode("ro.txt"), 0444u);
  EXPECT_EQ(docs.Read("ro.txt"), "keep\n");
  fs.ClearFaults();
  Command(":w!");
  EXPECT_EQ(Message(), u"Written");
  EXPECT_EQ(docs.Mode("ro.txt"), 0444u);
  EXPECT_EQ(docs.Read("ro.txt"), "keep?\n");
}

// A file another program changed since the editor read or wrote it is replaced only by an
// explicit "w!"; the editor's own text is never replaced behind the user's back. A change of
// the same size right after the read (within one tick of the file system's clock) is caught
// by the content's hash; a change of permissions alone is no change.
TEST_F(OtherFileFaults, FileChangedByAnotherProgramIsOverwrittenOnlyByAnExplicitWrite) {
  for (const std::string other : {"changed elsewhere\n", "two\n"}) {
    SCOPED_TRACE(other);
    Open("shared.txt", "one\n");
    AppendToFirstLine("1");
    docs.Write("shared.txt", other);
    EXPECT_EQ(app().Document().Text(), u"one1\r\n");
    Command(":q");
    EXPECT_FALSE(app().Closed());
    for (const char* save : {":w", ":wq"}) {
      Command(save);
      EXPECT_EQ(Message(), u"File changed on disk, use \"w!\" to override.");
      EXPECT_EQ(docs.Read("shared.txt"), other);
      EXPECT_FALSE(app().Closed());
    }
    app().Dispatch(MenuClickEvent{MenuItem::mnuSave});
    EXPECT_EQ(Message(), u"File changed on disk, use \"w!\" to override.");
    Command(":w!");
    EXPECT_EQ(Message(), u"Written");
    EXPECT_EQ(docs.Read("shared.txt"), "one1\n");
    ::chmod(docs.Path("shared.txt").c_str(), 0600);
    AppendToFirstLine("2");
    Command(":w");
    EXPECT_EQ(Message(), u"Written") << "the editor's own write and a change of permissions are no change";
    EXPECT_EQ(docs.Read("shared.txt"), "one12\n");
  }
}

// A file too big to hash again at every write, rewritten by another program in place with its
// size and its time put back, is still told apart: by its inode's change time, which nobody
// can put back.
TEST_F(OtherFileFaults, ABigFileRewrittenWithItsTimePutBackIsStillChanged) {
  const std::string path = docs.Path("big.txt");
  Open("big.txt", std::string(2 << 20, 'a'));
  AppendToFirstLine("!");
  struct stat read {};
  ASSERT_EQ(::stat(path.c_str(), &read), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // past the clock's tick
  std::ofstream(path, std::ios::binary) << std::string(2 << 20, 'b');
  const timespec times[2] = {read.st_atim, read.st_mtim};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  Command(":w");
  EXPECT_EQ(Message(), u"File changed on disk, use \"w!\" to override.");
  EXPECT_EQ(docs.Read("big.txt"), std::string(2 << 20, 'b'));
  Command(":w!");
  EXPECT_EQ(Message(), u"Written");
}

}  // namespace
}  // namespace quilmar
