#pragma once
// The POSIX pieces the file system adapter's parts share: paths as their bytes, descriptors
// closed with their scope, writes and syncs that finish what a signal interrupted.
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <optional>
#include <string>
#include <utility>

#include "platform/file_system.hh"

namespace quilmar::posix {

[[noreturn]] void Fail(const String& path, int error);

// The path's bytes on disk; nothing for "" and for a text that names no file (a lone surrogate
// that stands for no byte, a NUL).
std::optional<std::string> BytesOf(const String& path);
// The same, or FileError for a path that names no file.
std::string NativeOrThrow(const String& path);

std::optional<struct stat> StatOf(const std::string& native);
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);  // the last component

// Writes all of it, at `at` (or at the descriptor's position when `at` is negative).
void WriteLoop(const String& path, int fd, const char* data, std::size_t size, off_t at);
void SyncFolder(const std::string& folder);

// Closes a descriptor when the scope ends, unless it was closed explicitly.
class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      if (fd_ >= 0) ::close(fd_);
      fd_ = other.Release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }
  // Closing can report a late write error (NFS, say): it counts as a failed write.
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

// Removes a file when the scope ends, unless told to keep it.
class Removal {
 public:
  explicit Removal(std::string path) : path_(std::move(path)) {}
  ~Removal() {
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  Removal(const Removal&) = delete;
  Removal& operator=(const Removal&) = delete;
  void Keep() { path_.clear(); }

 private:
  std::string path_;
};

}  // namespace quilmar::posix
