#pragma once
// What a save makes on its way and removes when it is done: the temporary file beside the
// target that replaces it, the copy of the old content that a save in place keeps. A save that
// is killed leaves them behind. Each such file's name holds its writer's process id, and the
// writer holds an flock on it while it works, so a later save or load can prove that a file is
// the editor's own and that its writer is gone before it removes it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quilmar::posix {

// The template (for mkostemp) of the temporary file that replaces `target`: hidden, beside it,
// named after it and after this process.
std::string TempFileTemplate(const std::string& target);

// Marks the open file as being written by this process: an flock, which the kernel releases
// when the descriptor is closed, also when the process is killed.
void MarkWriting(int fd);

// Whether the writer of the file at `path`, the process `pid`, is gone: there is no such
// process and nobody holds the file's flock. False for anything but a regular file (a link is
// never followed).
bool WriterGone(const std::string& path, std::uint64_t pid);

// The name of the file that a temporary file of this name was made to replace, if it is one.
std::optional<std::string> TempFileTargetName(std::string_view name);

// Removes the temporary files that saves of `target` left beside it when they died.
void ClearTempFiles(const std::string& target);

// A number written in decimal digits only.
std::optional<std::uint64_t> Decimal(std::string_view digits);

}  // namespace quilmar::posix
