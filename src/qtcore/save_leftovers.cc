#include "save_leftovers.hh"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cerrno>
#include <limits>

#include "posix_files.hh"

namespace quilmar::posix {
namespace {

constexpr std::string_view kTempMark = ".quilmar-";
constexpr std::size_t kRandomPart = 6;  // mkostemp's XXXXXX

// ".NAME.quilmar-": short enough for any name the target itself may have.
std::string TempPrefix(const std::string& target) {
  return "." + NameOf(target).substr(0, 200) + std::string(kTempMark);
}

// The writer of a temporary file of `prefix`: the name is the prefix, the writer's process id, "-"
// and mkostemp's six letters or digits.
std::optional<std::uint64_t> TempFileWriter(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix) return std::nullopt;
  name.remove_prefix(prefix.size());
  const auto dash = name.find('-');
  if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomPart) return std::nullopt;
  for (const char c : name.substr(dash + 1))
    if (!std::isalnum(static_cast<unsigned char>(c))) return std::nullopt;
  return Decimal(name.substr(0, dash));
}

}  // namespace

std::optional<std::uint64_t> Decimal(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : digits) {
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (c < '0' || c > '9' || value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<std::string> TempFileTargetName(std::string_view name) {
  const std::size_t mark = name.rfind(kTempMark);
  if (name.empty() || name.front() != '.' || mark == std::string_view::npos || mark < 2) return std::nullopt;
  const std::string target(name.substr(1, mark - 1));
  if (!TempFileWriter(name, "." + target + std::string(kTempMark))) return std::nullopt;
  return target;
}

std::string TempFileTemplate(const std::string& target) {
  return FolderOf(target) + "/" + TempPrefix(target) + std::to_string(::getpid()) + "-XXXXXX";
}

void MarkWriting(int fd) { ::flock(fd, LOCK_EX | LOCK_NB); }

bool WriterGone(const std::string& path, std::uint64_t pid) {
  // A running process of that id may be the writer (or one that reused its id): its files stay.
  if (pid == 0 || pid > static_cast<std::uint64_t>(std::numeric_limits<pid_t>::max())) return false;
  if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) return false;
  // Its flock tells of a writer the process id cannot (another pid namespace, a process that
  // had just made the file when it was looked at).
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0;
}

void ClearTempFiles(const std::string& target) {
  const std::string folder = FolderOf(target), prefix = TempPrefix(target);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  bool removed = false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string path = folder + "/" + entry->d_name;
    const std::optional<std::uint64_t> writer = TempFileWriter(entry->d_name, prefix);
    if (writer && WriterGone(path, *writer)) removed |= ::unlink(path.c_str()) == 0;
  }
  ::closedir(dir);
  if (removed) SyncFolder(folder);
}

}  // namespace quilmar::posix
