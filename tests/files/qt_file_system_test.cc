// The real file system adapter on real temporary folders: what it reports, and that a write
// never damages the file it replaces.
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>

#include "qt_file_system.hh"
#include "temp_folder.hh"

namespace quilmar {
namespace {

using testing::RunningAsRoot;
using testing::TempFolder;
namespace fs = std::filesystem;
using namespace std::string_literals;

std::string ReasonOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const FileError& e) {
    return e.Reason();
  }
  return "(no failure)";
}

ino_t Inode(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_ino;
}

class QtFileSystemTest : public ::testing::Test {
 protected:
  TempFolder dir;
  QtFileSystem files{dir.UPath(), dir.UPath("config"), dir.UPath("state")};
};

TEST_F(QtFileSystemTest, ExistsOnlyForRegularFiles) {
  dir.Write("a.txt", "x");
  fs::create_directory(dir.Path("folder"));
  fs::create_symlink(dir.Path("a.txt"), dir.Path("link"));
  fs::create_symlink("/dev/null", dir.Path("device"));
  EXPECT_TRUE(files.FileExists(dir.UPath("a.txt")));
  EXPECT_TRUE(files.FileExists(dir.UPath("link")));
  EXPECT_FALSE(files.FileExists(dir.UPath("folder")));
  EXPECT_FALSE(files.FileExists(dir.UPath("device")));
  EXPECT_FALSE(files.FileExists(dir.UPath("missing")));
  EXPECT_FALSE(files.FileExists(u""));
}

TEST_F(QtFileSystemTest, ReadsWholeFilesAndRefusesOtherThingsWithAReason) {
  dir.Write("a.txt", std::string("bytes\0and\r\nmore", 15));
  EXPECT_EQ(files.ReadAll(dir.UPath("a.txt")), std::string("bytes\0and\r\nmore", 15));
  EXPECT_EQ(files.FileSize(dir.UPath("a.txt")), 15);
  dir.Sized("big", 3000000);
  EXPECT_EQ(files.ReadAll(dir.UPath("big")).size(), 3000000u);

  EXPECT_EQ(ReasonOf([&] { files.ReadAll(dir.UPath("missing")); }), "No such file or directory");
  fs::create_directory(dir.Path("folder"));
  EXPECT_EQ(ReasonOf([&] { files.ReadAll(dir.UPath("folder")); }), "Is a directory");
  EXPECT_EQ(ReasonOf([&] { files.FileSize(dir.UPath("missing")); }), "No such file or directory");
}

TEST_F(QtFileSystemTest, AWriteReplacesTheFileKeepingItsModeAndLeavesNoTemporaryFile) {
  dir.Write("a.txt", "old", 0754);
  const ino_t before = Inode(dir.Path("a.txt"));
  files.WriteAll(dir.UPath("a.txt"), "new content");
  EXPECT_EQ(dir.Read("a.txt"), "new content");
  EXPECT_EQ(dir.Mode("a.txt"), 0754u);
  EXPECT_NE(Inode(dir.Path("a.txt")), before) << "expected a replacement, not an overwrite";
  int entries = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(QtFileSystemTest, SymbolicLinksAreFollowedAndStayLinks) {
  fs::create_directory(dir.Path("sub"));
  dir.Write("sub/target.txt", "old", 0600);
  fs::create_symlink("sub/target.txt", dir.Path("relative"));  // relative to the link's folder
  fs::create_symlink(dir.Path("relative"), dir.Path("chain"));
  files.WriteAll(dir.UPath("chain"), "through the chain");
  EXPECT_TRUE(fs::is_symlink(dir.Path("chain")));
  EXPECT_TRUE(fs::is_symlink(dir.Path("relative")));
  EXPECT_EQ(dir.Read("sub/target.txt"), "through the chain");
  EXPECT_EQ(dir.Mode("sub/target.txt"), 0600u);
}

TEST_F(QtFileSystemTest, HardLinkedFilesAreWrittenInPlaceSoTheLinksStayShared) {
  dir.Write("a.txt", "a much longer old content than the new one");
  fs::create_hard_link(dir.Path("a.txt"), dir.Path("b.txt"));
  files.WriteAll(dir.UPath("a.txt"), "short");
  EXPECT_EQ(dir.Read("a.txt"), "short");
  EXPECT_EQ(dir.Read("b.txt"), "short");
  EXPECT_EQ(Inode(dir.Path("a.txt")), Inode(dir.Path("b.txt")));
  files.WriteWith(dir.UPath("b.txt"), [](const ByteWriter& write) {
    write("in ");
    write("pieces");
  });
  EXPECT_EQ(dir.Read("a.txt"), "in pieces");
  EXPECT_EQ(Inode(dir.Path("a.txt")), Inode(dir.Path("b.txt")));
}

TEST_F(QtFileSystemTest, AFullDeviceBehindALinkReportsNoSpaceAndStaysADevice) {
  fs::create_symlink("/dev/full", dir.Path("full"));
  EXPECT_EQ(ReasonOf([&] { files.WriteAll(dir.UPath("full"), "text"); }), "No space left on device");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
  EXPECT_TRUE(fs::is_symlink(dir.Path("full")));
}

TEST_F(QtFileSystemTest, AVanishedFolderReportsItsReason) {
  fs::create_directory(dir.Path("gone"));
  const String path = dir.UPath("gone/a.txt");
  fs::remove(dir.Path("gone"));
  EXPECT_EQ(ReasonOf([&] { files.WriteAll(path, "x"); }), "No such file or directory");
  EXPECT_EQ(ReasonOf([&] { files.CreateEmpty(path); }), "No such file or directory");
}

// A file system too small for the new content: the write fails and the old file is intact,
// whether it is replaced or, hard-linked, written in place; and whether the bytes come whole or
// a piece at a time, the failure met after some pieces went to the temporary file.
TEST_F(QtFileSystemTest, AFullDiskLeavesTheOldContentIntact) {
  fs::create_directory(dir.Path("small"));
  if (::mount("tmpfs", dir.Path("small").c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{dir.Path("small")};
  dir.Write("small/a.txt", "old content");
  dir.Write("small/linked.txt", "old linked content");
  fs::create_hard_link(dir.Path("small/linked.txt"), dir.Path("small/other-link.txt"));
  const std::string tooBig(256 * 1024, 'x');
  const std::function<void(const String&)> writes[] = {
      [&](const String& path) { files.WriteAll(path, tooBig); },
      [&](const String& path) {
        files.WriteWith(path, [&](const ByteWriter& write) {
          for (std::size_t at = 0; at < tooBig.size(); at += 4096) write(std::string_view(tooBig).substr(at, 4096));
        });
      },
  };
  for (const auto& write : writes) {
    EXPECT_EQ(ReasonOf([&] { write(dir.UPath("small/a.txt")); }), "No space left on device");
    EXPECT_EQ(dir.Read("small/a.txt"), "old content");
    EXPECT_EQ(ReasonOf([&] { write(dir.UPath("small/linked.txt")); }), "No space left on device");
    EXPECT_EQ(dir.Read("small/linked.txt"), "old linked content");
    int entries = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.Path("small"))) ++entries;
    EXPECT_EQ(entries, 3) << "a temporary file was left behind";
  }
}

TEST_F(QtFileSystemTest, AFolderThatForbidsNewFilesIsWrittenInPlace) {
  if (RunningAsRoot()) GTEST_SKIP() << "root may create files in any folder";
  fs::create_directory(dir.Path("locked"));
  dir.Write("locked/a.txt", "old");
  ::chmod(dir.Path("locked").c_str(), 0555);
  EXPECT_FALSE(files.FolderIsWritable(dir.UPath("locked")));
  files.WriteAll(dir.UPath("locked/a.txt"), "new");
  EXPECT_EQ(dir.Read("locked/a.txt"), "new");
}

TEST_F(QtFileSystemTest, CreatesEmptyFilesAndKeepsAnExistingOne) {
  files.CreateEmpty(dir.UPath("new.txt"));
  EXPECT_TRUE(dir.Exists("new.txt"));
  EXPECT_EQ(dir.Read("new.txt"), "");
  dir.Write("old.txt", "kept");
  files.CreateEmpty(dir.UPath("old.txt"));
  EXPECT_EQ(dir.Read("old.txt"), "kept");
}

TEST_F(QtFileSystemTest, ReadOnlyMeansTheOwnerMayNotWrite) {
  const struct {
    mode_t mode;
    bool readOnly;
  } cases[] = {{0644, false}, {0444, true}, {0466, true}, {0200, false}, {04755, false}, {0, true}};
  for (const auto& c : cases) {
    dir.Write("f", "", c.mode);
    EXPECT_EQ(files.IsReadOnly(dir.UPath("f")), c.readOnly) << std::oct << c.mode;
  }
  EXPECT_EQ(ReasonOf([&] { files.IsReadOnly(dir.UPath("missing")); }), "No such file or directory");
}

// In place, a complete copy of the old content is kept until the new content is on disk: a
// write that fails half way (the file size limit here) puts the old content back and removes
// the copy. (A writer killed half way leaves it: tests/scripts/save_leftovers.sh.)
TEST_F(QtFileSystemTest, AnInPlaceWriteThatFailsPutsTheOldContentBack) {
  const std::string old(5000, 'o'), longer(50000, 'n');
  dir.Write("a.txt", old);
  fs::create_hard_link(dir.Path("a.txt"), dir.Path("b.txt"));
  auto writeWithASizeLimit = [&] {
    const rlimit limit{20000, 20000};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, SIG_IGN);
    std::fputs(ReasonOf([&] { files.WriteAll(dir.UPath("a.txt"), longer); }).c_str(), stderr);
    std::exit(0);
  };
  EXPECT_EXIT(writeWithASizeLimit(), ::testing::ExitedWithCode(0), "File too large \\(the old content was put back\\)");
  EXPECT_EQ(dir.Read("b.txt"), old);
  EXPECT_TRUE(fs::is_empty(dir.Path("state/unfinished-saves")));
}

// Names are bytes: each name that is not UTF-8 reaches its own file, never the decoy whose
// UTF-8 name shows the same (U+FFFD in place of the bytes).
// Names in files are the editor's file_names tests' (command line, ":w", dialogs, settings);
// here what only the adapter sees: a folder's bytes on the way, and names no file can have.
TEST_F(QtFileSystemTest, NamesThatAreNotUtf8ReachTheirOwnFiles) {
  fs::create_directory(dir.Path("d\xE9"));
  fs::create_directory(dir.Path("d\xEF\xBF\xBD"));
  dir.Write("d\xE9/in.txt", "real");
  dir.Write("d\xEF\xBF\xBD/in.txt", "decoy");
  const String path = FromBytesEscaped(dir.Path("d\xE9/in.txt"));
  EXPECT_EQ(files.ReadAll(path), "real");
  files.WriteAll(path, "written");
  EXPECT_EQ(dir.Read("d\xE9/in.txt"), "written");
  EXPECT_EQ(dir.Read("d\xEF\xBF\xBD/in.txt"), "decoy");
  EXPECT_EQ(ReasonOf([&] { files.ResolveShown(Shown(path)); }), "Several files show as this name");
  fs::remove_all(dir.Path("d\xEF\xBF\xBD"));
  EXPECT_EQ(files.ResolveShown(Shown(path)), path);
  EXPECT_EQ(ReasonOf([&] { files.WriteAll(u"/tmp/\xD800x"s, "x"); }), "Not a valid file name");
  EXPECT_FALSE(files.FileExists(u"/tmp/\xD800x"s));
  const fs::path cwd = fs::current_path();
  fs::current_path(dir.Path("d\xE9"));
  EXPECT_EQ(files.CurrentDirectory(), FromBytesEscaped(dir.Path("d\xE9")));
  fs::current_path(cwd);
}

TEST_F(QtFileSystemTest, FoldersNamesAndPaths) {
  EXPECT_TRUE(files.FolderIsWritable(dir.UPath()));
  EXPECT_FALSE(files.FolderIsWritable(dir.UPath("missing")));
  dir.Write("file", "");
  EXPECT_FALSE(files.FolderIsWritable(dir.UPath("file")));

  EXPECT_EQ(files.FileName(u"/a/b/notes.txt"), u"notes.txt");
  EXPECT_EQ(files.FileName(u"notes.txt"), u"notes.txt");
  EXPECT_EQ(files.Join(u"/a", u"b"), u"/a/b");
  EXPECT_EQ(files.Join(u"/a/", u"b"), u"/a/b");
  EXPECT_EQ(files.ProgramFolder(), dir.UPath());
  EXPECT_EQ(files.CurrentDirectory(), FromUtf8(fs::current_path().string()));

  EXPECT_FALSE(dir.Exists("config"));
  EXPECT_EQ(files.ConfigFolder(), dir.UPath("config"));
  EXPECT_TRUE(fs::is_directory(dir.Path("config"))) << "asking for the folder makes it";
}

}  // namespace
}  // namespace quilmar
