#include "posix_files.hh"

#include <fcntl.h>

#include <cerrno>
#include <cstring>

namespace quilmar::posix {

void Fail(const String& path, int error) { throw FileError(path, std::strerror(error)); }

std::optional<std::string> BytesOf(const String& path) {
  if (path.empty()) return std::nullopt;
  std::optional<std::string> bytes = ToBytesEscaped(path);
  if (bytes && bytes->find('\0') != std::string::npos) return std::nullopt;
  return bytes;
}

std::string NativeOrThrow(const String& path) {
  if (path.empty()) Fail(path, ENOENT);
  std::optional<std::string> bytes = BytesOf(path);
  if (!bytes) throw FileError(path, "Not a valid file name");
  return std::move(*bytes);
}

std::optional<struct stat> StatOf(const std::string& native) {
  struct stat st {};
  if (::stat(native.c_str(), &st) != 0) return std::nullopt;
  return st;
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void WriteLoop(const String& path, int fd, const char* data, std::size_t size, off_t at) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = at >= 0 ? ::pwrite(fd, data + done, size - done, at + static_cast<off_t>(done))
                              : ::write(fd, data + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

void SyncFolder(const std::string& folder) {
  Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace quilmar::posix
