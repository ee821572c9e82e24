#include "in_place_write.hh"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "file_metadata.hh"
#include "files/disk_stamp.hh"
#include "kept_copies.hh"
#include "posix_files.hh"
#include "stream_writer.hh"

namespace quilmar::posix {
namespace {

// Opens the file for reading (for the copy of its old content) and writing.
int OpenForWriting(const std::string& target) {
  int fd = ::open(target.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd >= 0 || errno != EACCES) return fd;
  // A read-only file of the user's own: the mode lets its owner write only for the moment of
  // the open, as root could open it anyway; the descriptor then writes whatever the mode says.
  // So the file never shows another mode while it is being written.
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
      !(st.st_mode & S_IWUSR) && ::chmod(target.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0) {
    fd = ::open(target.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int error = errno;
    ::chmod(target.c_str(), st.st_mode & 07777);
    if (fd >= 0) return fd;
    errno = error;
  }
  // A device may allow writing only.
  return ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

// Writes the bytes over the file from its start and cuts it there, gives back the mode and
// attributes the writes dropped, then syncs.
void Overwrite(const String& path, int fd, const std::function<void(const ByteWriter&)>& produce, const FileMetadata& held) {
  off_t size = 0;
  StreamWriter stream(path, fd);
  produce([&](std::string_view piece) {
    stream.Add(piece);
    size += static_cast<off_t>(piece.size());
  });
  stream.Finish();
  if (::ftruncate(fd, size) != 0) Fail(path, errno);
  ApplyMetadata(fd, held);
  if (::fsync(fd) != 0 && errno != EINVAL) Fail(path, errno);
}

// Puts the copy's content back over the file; false if that failed too.
bool Restore(const String& path, int fd, const std::string& copy, const FileMetadata& held) {
  try {
    Descriptor in(::open(copy.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) return false;
    std::string old(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < old.size()) {
      const ssize_t n = ::read(in.get(), old.data() + done, old.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    Overwrite(path, fd, [&old](const ByteWriter& write) { write(old); }, held);
    return true;
  } catch (const FileError&) {
    return false;
  }
}

}  // namespace

void WriteInPlace(const String& path, const std::string& target, const std::function<void(const ByteWriter&)>& produce,
                  const std::function<std::string()>& copiesFolder) {
  Descriptor fd(OpenForWriting(target));
  if (fd.get() < 0) Fail(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, errno);
  if (!S_ISREG(st.st_mode)) {
    // A device or a FIFO: there is no old content to keep.
    produce([&](std::string_view piece) { WriteLoop(path, fd.get(), piece.data(), piece.size(), -1); });
    if (fd.Close() != 0) Fail(path, errno);
    return;
  }
  const FileMetadata held = ReadMetadata(target, fd.get(), st);
  std::int64_t size = 0;
  ContentHash hash;
  produce([&](std::string_view piece) {
    size += static_cast<std::int64_t>(piece.size());
    hash.Add(piece);
  });
  if (size > 0 && ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS)
    Fail(path, errno);
  std::optional<KeptCopy> copy;
  if (st.st_size > 0) copy.emplace(path, fd.get(), target, copiesFolder(), size, hash.Value());
  try {
    Overwrite(path, fd.get(), produce, held);
    if (fd.Close() != 0) Fail(path, errno);
  } catch (const FileError& e) {
    if (!copy) throw;
    if (Restore(path, fd.get(), copy->Path(), held)) {
      copy->Remove();
      throw FileError(path, e.Reason() + " (the old content was put back)");
    }
    throw FileError(path, e.Reason() + " (the old content is kept in " + copy->Path() + ")");
  }
  if (copy) copy->Remove();
}

}  // namespace quilmar::posix
