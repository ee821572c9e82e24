#pragma once
// quilmar-batch's command line, read into plain values before anything runs.
#include <optional>
#include <string>
#include <vector>

#include "driver.hh"

namespace quilmar::batch {

// One --keys or --keys-file, in the order given.
struct ScriptSource {
  bool isFile = false;
  std::string value;  // the script itself, or the path of a file holding it
};

struct BatchOptions {
  RunOptions run;
  std::vector<ScriptSource> scripts;
  bool omitText = false;
  bool qt = false;
  bool help = false;
  std::string progress;  // a file that learns how far the script got at each <wait:MS>
  String commandLine;  // the FILE words joined by single spaces
};

struct ParsedOptions {
  BatchOptions options;
  std::optional<std::string> error;  // one line, for a bad option
};

// Reads the arguments after the program name.
ParsedOptions ParseBatchOptions(const std::vector<std::string>& args);

extern const char* const kBatchUsage;

}  // namespace quilmar::batch
