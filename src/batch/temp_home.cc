#include "temp_home.hh"

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace quilmar::batch {

TempHome::TempHome() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quilmar-batch-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data()))
    throw std::runtime_error("cannot create a temporary folder: " + std::string(std::strerror(errno)));
  path_ = buffer.data();
}

TempHome::~TempHome() {
  std::error_code ignored;  // nothing useful to do about a folder that will not go
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace quilmar::batch
