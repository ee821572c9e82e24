#pragma once
// Runs the built quilmar-batch program as a user would, for the tests of the program as a
// whole: its exit status and what it printed.
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "temp_folder.hh"

namespace quilmar::testing {

struct BatchProcess {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string ShellQuote(const std::string& arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Runs the program in `folder` (its working directory) when one is given; its temporary
// files go to tempDir when one is given.
inline BatchProcess RunBatchProgram(const std::vector<std::string>& args, const std::string& folder = "",
                                    const std::string& tempDir = "") {
  TempFolder io;
  std::string command = folder.empty() ? "" : "cd " + ShellQuote(folder) + " && ";
  if (!tempDir.empty()) command += "TMPDIR=" + ShellQuote(tempDir) + " ";
  command += ShellQuote(std::string(QUILMAR_BIN_DIR) + "/quilmar-batch");
  for (const auto& arg : args) command += " " + ShellQuote(arg);
  command += " >" + ShellQuote(io.Path("out")) + " 2>" + ShellQuote(io.Path("err")) + " </dev/null";
  BatchProcess run;
  const int raw = std::system(command.c_str());
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = io.Read("out");
  run.err = io.Read("err");
  return run;
}

}  // namespace quilmar::testing
