#pragma once
// The copies of a file's old content that saves in place keep in the state folder until the
// new content is on disk. A copy is named after the file's identity, the time of the save and
// its writer: DEVICE-INODE-BORN-TIME-PID. Beside it a note, NAME.info, holds the new content's
// size and hash and the file's path; until both are complete the copy is NAME.partial.
//
// A copy belongs to a file when it has the file's identity and its note names that same file:
// any hard link of the file finds it; a new file that reuses the inode of a deleted one does not
// (its birth time differs), nor does a file that the note's path no longer names.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.hh"
#include "posix_files.hh"

namespace quilmar::posix {

// The copy a save in place keeps while it writes; its flock tells others that the save goes on.
class KeptCopy {
 public:
  // Copies the old content of the open file `fd` (the file at `target`) into `folder` and syncs
  // it with its note. Throws FileError.
  // The note names the new content by its size and hash.
  KeptCopy(const String& path, int fd, const std::string& target, const std::string& folder, std::int64_t newSize,
           std::uint64_t newHash);
  const std::string& Path() const { return copy_; }
  // Removes the copy and its note, once the new content is safe or the old one put back.
  void Remove();

 private:
  Descriptor held_;
  std::string copy_;
};

// The complete copies in `folder` that saves of the file at `target` left when they died,
// newest first.
std::vector<std::string> CopiesOf(const std::string& folder, const std::string& target);

// Removes a copy and its note.
void RemoveCopy(const std::string& copy);

// Removes what saves that died left unfinished in `folder`: copies not yet complete, notes
// whose copy is gone.
void ClearUnfinished(const std::string& folder);

// Whether the file at `target` needs the copy no more: it holds the copy's content (the save
// never touched it) or the whole new content (the save was done).
bool Redundant(const std::string& copy, const std::string& target);

}  // namespace quilmar::posix
