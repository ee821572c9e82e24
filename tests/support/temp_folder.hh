#pragma once
// A real, empty folder for one test, removed with everything in it when the test ends.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "text/ustring.hh"

namespace quilmar::testing {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quilmar-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string Path(const std::string& name = {}) const { return name.empty() ? path_ : path_ + "/" + name; }
  String UPath(const std::string& name = {}) const { return FromUtf8(Path(name)); }

  void Write(const std::string& name, const std::string& bytes, mode_t mode = 0644) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    ::chmod(Path(name).c_str(), mode);
  }
  std::string Read(const std::string& name) const { return ReadPath(Path(name)); }
  static std::string ReadPath(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
  mode_t Mode(const std::string& name) const {
    struct stat st {};
    ::stat(Path(name).c_str(), &st);
    return st.st_mode & 07777;
  }
  // A sparse file of exactly this many bytes.
  void Sized(const std::string& name, std::uintmax_t size) const {
    std::ofstream(Path(name), std::ios::binary);
    std::filesystem::resize_file(Path(name), size);
  }

 private:
  std::string path_;
};

inline bool RunningAsRoot() { return ::geteuid() == 0; }

}  // namespace quilmar::testing
