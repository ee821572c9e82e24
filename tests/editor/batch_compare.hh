#pragma once
// Key scripts through the quilmar-batch program, once headless and once through the real
// window (--qt): the two JSON outputs must be equal, and the headless one must hold the
// expected fragments. Skipped when the program has not been built. Header-only, shared by the
// editor and command tests.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quilmar::testing {

struct ProcessResult {
  int status = -1;
  std::string out;
};

// Runs a program with these arguments (no shell), its standard output captured.
inline ProcessResult RunProcess(const std::vector<std::string>& args) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::freopen("/dev/null", "w", stderr);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  ProcessResult result;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) result.out.append(buffer, static_cast<std::size_t>(n));
  close(pipeFds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string BatchProgram() { return std::string(QUILMAR_BIN_DIR) + "/quilmar-batch"; }

// One script: the options besides --keys, the keys, and fragments of the expected output.
struct BatchCase {
  std::string_view name;
  std::vector<std::string> options;
  std::string keys;
  std::vector<std::string> expected;  // JSON fragments, such as "\"text\":\"ab\""
};

inline void PrintTo(const BatchCase& c, std::ostream* os) { *os << c.name; }

// Runs the script headless; checks the fragments; then through the window, which must agree.
// `between` runs before the window's run (to reset files the first run wrote).
template <typename Between = void (*)()>
void RunBatchCase(const BatchCase& c, Between between = [] {}) {
  SCOPED_TRACE(std::string(c.name) + ": " + c.keys);
  const std::string program = BatchProgram();
  if (!std::filesystem::exists(program)) GTEST_SKIP() << "quilmar-batch not built";
  std::vector<std::string> args{program};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.push_back("--keys");
  args.push_back(c.keys);

  const ProcessResult headless = RunProcess(args);
  ASSERT_EQ(headless.status, 0) << headless.out;
  for (const std::string& fragment : c.expected)
    EXPECT_NE(headless.out.find(fragment), std::string::npos) << "missing " << fragment << "\nin " << headless.out;

  between();
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  args.insert(args.begin() + 1, "--qt");
  const ProcessResult window = RunProcess(args);
  ASSERT_EQ(window.status, 0) << window.out;
  EXPECT_EQ(window.out, headless.out) << "the window disagrees with the headless run";
}

}  // namespace quilmar::testing
