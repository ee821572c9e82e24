#include "file_metadata.hh"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <set>

namespace quilmar::posix {
namespace {

constexpr const char* kCapability = "security.capability";

// The names of a file's extended attributes.
std::vector<std::string> AttributeNames(const std::string& path, int fd) {
  for (;;) {
    const ssize_t size = fd >= 0 ? ::flistxattr(fd, nullptr, 0) : ::listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) return {};
    std::string list(static_cast<std::size_t>(size), '\0');
    const ssize_t got = fd >= 0 ? ::flistxattr(fd, list.data(), list.size()) : ::listxattr(path.c_str(), list.data(), list.size());
    if (got < 0 && errno == ERANGE) continue;  // it grew meanwhile
    if (got <= 0) return {};
    std::vector<std::string> names;
    for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
      const std::size_t end = list.find('\0', at);
      names.push_back(list.substr(at, end - at));
      at = end + 1;
    }
    return names;
  }
}

std::optional<std::string> AttributeValue(const std::string& path, int fd, const std::string& name) {
  for (;;) {
    const ssize_t size = fd >= 0 ? ::fgetxattr(fd, name.c_str(), nullptr, 0) : ::getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = fd >= 0 ? ::fgetxattr(fd, name.c_str(), value.data(), value.size())
                                : ::getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    if (got < 0 && errno == ERANGE) continue;
    if (got < 0) return std::nullopt;
    value.resize(static_cast<std::size_t>(got));
    return value;
  }
}

}  // namespace

FileMetadata ReadMetadata(const std::string& path, int fd, const struct stat& st) {
  FileMetadata m{st.st_uid, st.st_gid, static_cast<mode_t>(st.st_mode & 07777), {}, AttributeNames(path, fd)};
  for (const std::string& name : m.names)
    if (std::optional<std::string> value = AttributeValue(path, fd, name)) m.attributes.emplace_back(name, std::move(*value));
  // The capability last: it is the attribute a change of the file drops.
  std::stable_partition(m.attributes.begin(), m.attributes.end(), [](const auto& a) { return a.first != kCapability; });
  return m;
}

bool TakeOwnership(int fd, const FileMetadata& m) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  return (st.st_uid == m.owner && st.st_gid == m.group) || ::fchown(fd, m.owner, m.group) == 0;
}

void ApplyMetadata(int fd, const FileMetadata& m) {
  const std::set<std::string> wanted(m.names.begin(), m.names.end());
  for (const std::string& name : AttributeNames({}, fd))
    if (!wanted.count(name)) ::fremovexattr(fd, name.c_str());
  for (const auto& [name, value] : m.attributes)
    if (AttributeValue({}, fd, name) != value) ::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0);
  // The mode last: an ACL given above sets the group bits to its mask, which the mode held too.
  struct stat st {};
  if (::fstat(fd, &st) == 0 && (st.st_mode & 07777) != m.mode) ::fchmod(fd, m.mode);
}

}  // namespace quilmar::posix
