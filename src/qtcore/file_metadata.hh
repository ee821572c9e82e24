#pragma once
// What a save keeps of a file besides its bytes: owner, group, mode (set-id bits included) and
// every extended attribute (user attributes, POSIX ACLs, SELinux labels, file capabilities).
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

namespace quilmar::posix {

// A file's owner, group, mode and attributes, held to be given back after a write.
struct FileMetadata {
  uid_t owner = 0;
  gid_t group = 0;
  mode_t mode = 0;  // permission and set-id bits
  std::vector<std::pair<std::string, std::string>> attributes;  // name and value
  std::vector<std::string> names;  // of every attribute, also those this user may not read
};

// The file's metadata; its attributes are read through `fd` when it is open (>= 0), else
// through the path with links followed.
FileMetadata ReadMetadata(const std::string& path, int fd, const struct stat& st);

// Gives the open file the owner and group of `m`; false when this user may not.
bool TakeOwnership(int fd, const FileMetadata& m);

// Gives the open file the attributes and mode of `m`, each where allowed. Done once the content
// is written: a write drops the set-id bits (unless root writes) and file capabilities (even
// when root does), as changing the owner does. Attributes the file has and `m` lacks (an ACL
// inherited from the folder) are removed; one it could not read is left alone.
void ApplyMetadata(int fd, const FileMetadata& m);

}  // namespace quilmar::posix
