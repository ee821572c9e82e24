#pragma once
// Writing a file in place, for the files a replacement would harm: a file with several hard
// links, a device, a file in a folder that forbids new files, a file whose owner and group a
// new file could not be given. The room the new content needs is reserved first where the file
// system allows it, so a full disk is met before the old content is touched; then a complete
// copy of the old content is kept in the state folder (kept_copies.hh), the file is written and
// synced, its mode and attributes are given back, and the copy is removed. A failed write puts
// the old content back from the copy; a write the program did not live to finish leaves it.
// The new content is made twice, once to learn its size and hash (for the reservation and the
// copy's note) and once to write it, rather than held whole: a save in place of a document of
// gigabytes then needs no copy of its bytes in memory.
#include <functional>
#include <string>

#include "platform/file_system.hh"

namespace quilmar::posix {

// Writes what `produce` hands its writer over the file at `target` (links resolved), creating it
// if need be; `produce` must hand over the same bytes each time it is called.
// `copiesFolder` names (and makes) the folder for the copy, asked only when there is old
// content to keep. A read-only file is written too, its mode unchanged: whether it may be is the
// caller's decision. Throws FileError, saying what became of the old content.
void WriteInPlace(const String& path, const std::string& target, const std::function<void(const ByteWriter&)>& produce,
                  const std::function<std::string()>& copiesFolder);

}  // namespace quilmar::posix
