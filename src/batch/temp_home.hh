#pragma once
// A new empty folder for one run, removed with everything in it when the run ends.
#include <filesystem>
#include <string>

namespace quilmar::batch {

class TempHome {
 public:
  TempHome();  // throws std::runtime_error when no folder can be made
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace quilmar::batch
