// Files no one should have to open, opened anyway: each opens or is refused with the "couldn't
// be opened" box, and never blocks. Every case runs in a child process with a generous limit
// (60 s), so a hang fails the test instead of stopping the suite; the times measured are
// printed (see docs/reliability.md), not asserted.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "reliability_fixture.hh"
#include "app_test_access.hh"

namespace quilmar {
namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kLimitSeconds = 60;

// Runs `check` in a child process; fails if it does not finish within the limit. The child's
// gtest failures are reported through its exit status and its own output.
void InChild(const std::function<void()>& check) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    check();
    std::fflush(nullptr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  const auto deadline = Clock::now() + std::chrono::seconds(kLimitSeconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      FAIL() << "still busy after " << kLimitSeconds << " s: the editor blocked";
    }
    usleep(10000);
  }
  ASSERT_TRUE(WIFEXITED(status)) << "the child died (signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0) << ")";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the checks failed in the child (see above)";
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

class BadInputFiles : public testing::ReliabilityTest {
 protected:
  // Opens the path from the command line as the editor's start does; prints the time taken.
  void Open(const std::string& path, const char* what) {
    const auto start = Clock::now();
    Start(FromUtf8(path));
    std::printf("[ timing   ] %s: opened in %.3f s\n", what, Seconds(start));
  }
  // One key at the end of the document and one in the middle: printed, for responsiveness.
  void TimeKeys(const char* what) {
    const auto start = Clock::now();
    editor->Key(key::End, shift::Ctrl);
    editor->Type("x");
    AppTestAccess::Document(app()).SetSelStart(app().Document().Length() / 2);
    editor->Type("x");
    std::printf("[ timing   ] %s: two keys, a move and a redraw of the status in %.3f s\n", what, Seconds(start));
  }
  void ExpectRefused(const std::string& path) {
    ASSERT_EQ(editor->messageBox.Shown().size(), 1u);
    EXPECT_EQ(editor->messageBox.Shown()[0], u"Err: " + FromUtf8(path) + u" couldn't be opened");
    EXPECT_EQ(app().Document().Text(), u"");
    EXPECT_FALSE(editor->windows.LoadingOpen());
  }
  // ":w" writes back exactly the bytes that were read.
  void ExpectWrittenBack(const std::string& name, const std::string& bytes) {
    editor->Type(":w");
    editor->Key(key::Return);
    EXPECT_EQ(Message(), u"Written");
    EXPECT_TRUE(docs.Read(name) == bytes) << "the file changed on a load and save";
  }
};

TEST_F(BadInputFiles, FiveMillionCharactersOnOneLine) {
  const std::string bytes(5'000'000, 'a');
  docs.Write("long.txt", bytes);
  InChild([&] {
    Open(docs.Path("long.txt"), "5,000,000 characters on one line");
    EXPECT_EQ(app().Document().Length(), 5'000'000);
    EXPECT_EQ(app().Document().GetLineCount(), 5'000'000 / 80);  // wrapped at 80 cells
    const auto start = Clock::now();
    ExpectWrittenBack("long.txt", bytes);
    std::printf("[ timing   ] 5,000,000 characters on one line: written in %.3f s\n", Seconds(start));
    TimeKeys("5,000,000 characters on one line");
  });
}

TEST_F(BadInputFiles, OneMillionEmptyLines) {
  const std::string bytes(1'000'000, '\n');
  docs.Write("empty-lines.txt", bytes);
  InChild([&] {
    Open(docs.Path("empty-lines.txt"), "1,000,000 empty lines");
    EXPECT_EQ(app().Document().GetLineCount(), 1'000'001);
    ExpectWrittenBack("empty-lines.txt", bytes);
    TimeKeys("1,000,000 empty lines");
  });
}

TEST_F(BadInputFiles, FifoWithoutWriterIsRefusedWithoutBlocking) {
  const std::string path = docs.Path("pipe");
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  InChild([&] {
    Open(path, "a FIFO with no writer");
    ExpectRefused(path);
    // Opening it through the File menu is refused the same way.
    editor->dialogs.QueueFile(FromUtf8(path));
    app().Dispatch(MenuClickEvent{MenuItem::mnuOpen});
    EXPECT_EQ(editor->messageBox.Shown().size(), 2u);
  });
}

TEST_F(BadInputFiles, PathOfFourThousandCharacters) {
  // Folders of 199 characters each, under the limit of one name, down to 4,000 in all.
  std::string path = docs.Path();
  while (path.size() + 200 < 4000 - 12) path += "/" + std::string(199, 'd');
  stdfs::create_directories(path);
  path += "/" + std::string(4000 - path.size() - 1, 'f');
  ASSERT_EQ(path.size(), 4000u);
  { std::ofstream(path) << "deep\n"; }
  InChild([&] {
    Open(path, "a path of 4,000 characters");
    EXPECT_EQ(app().Document().Text(), u"deep\r\n");
    editor->Type("A!");
    editor->Key(key::Escape);
    editor->Type(":w");
    editor->Key(key::Return);
    EXPECT_EQ(Message(), u"Written");
  });
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "deep!");
}

TEST_F(BadInputFiles, NameTooLongForTheFileSystem) {
  const std::string path = docs.Path(std::string(4000, 'n'));
  InChild([&] {
    Open(path, "a name of 4,000 characters");
    ExpectRefused(path);
    editor->Type("ihi");
    editor->Key(key::Escape);
    editor->Type(":w");
    editor->Key(key::Return);
    // The name is the document's own and no such file exists: refused before any write.
    EXPECT_EQ(Message(), u"Unable to open file for write, try \":w filename\" or use SaveAs.");
    EXPECT_EQ(app().Document().Text(), u"hi");
  });
}

}  // namespace
}  // namespace quilmar
