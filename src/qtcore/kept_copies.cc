#include "kept_copies.hh"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <functional>
#include <optional>
#include <utility>

#include "files/disk_stamp.hh"
#include "save_leftovers.hh"
#include "stream_writer.hh"

namespace quilmar::posix {
namespace {

constexpr std::string_view kPartial = ".partial", kNote = ".info";

// Which file it is: its device and inode, and its birth time where the file system keeps one
// (0 elsewhere), which a new file that reuses the inode does not share.
struct FileIdentity {
  std::uint64_t device = 0, inode = 0, bornNs = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

std::optional<FileIdentity> IdentityOf(int dirfd, const char* path, int flags) {
  struct statx sx {};
  if (::statx(dirfd, path, flags, STATX_INO | STATX_BTIME, &sx) != 0) return std::nullopt;
  FileIdentity id{::makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino, 0};
  if (sx.stx_mask & STATX_BTIME)
    id.bornNs = static_cast<std::uint64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
  return id;
}

std::optional<FileIdentity> IdentityOf(const std::string& path) { return IdentityOf(AT_FDCWD, path.c_str(), 0); }

// What a copy's name tells: whose copy it is, when the save began and who wrote it.
struct CopyName {
  FileIdentity file;
  std::uint64_t timeNs = 0, writer = 0;
};

std::string NameFor(const CopyName& n) {
  std::string name;
  for (const std::uint64_t part : {n.file.device, n.file.inode, n.file.bornNs, n.timeNs, n.writer})
    name += (name.empty() ? "" : "-") + std::to_string(part);
  return name;
}

std::optional<CopyName> ParseCopyName(std::string_view name) {
  std::uint64_t parts[5];
  for (std::uint64_t& part : parts) {
    const std::size_t end = &part == &parts[4] ? name.size() : name.find('-');
    if (end == std::string_view::npos) return std::nullopt;
    const std::optional<std::uint64_t> n = Decimal(name.substr(0, end));
    if (!n) return std::nullopt;
    part = *n;
    name.remove_prefix(std::min(end + 1, name.size()));
  }
  return CopyName{{parts[0], parts[1], parts[2]}, parts[3], parts[4]};
}

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() > end.size() && s.substr(s.size() - end.size()) == end;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) names.emplace_back(entry->d_name);
    ::closedir(dir);
  }
  return names;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

Descriptor OpenToRead(const std::string& path) {
  return Descriptor(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
}

// Reads up to `size` bytes, fewer only at the end; -1 on failure.
ssize_t ReadFull(int fd, char* into, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, into + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

constexpr std::size_t kPiece = std::size_t(1) << 20;

// Hands the file's bytes to `take` a piece at a time; false when it cannot be read whole.
bool ReadPieces(const std::string& path, const std::function<void(std::string_view)>& take) {
  Descriptor fd = OpenToRead(path);
  if (fd.get() < 0) return false;
  std::string buffer(kPiece, '\0');
  for (;;) {
    const ssize_t n = ReadFull(fd.get(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (n == 0) return true;
    take(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
  }
}

bool SameContent(const std::string& a, const std::string& b) {
  Descriptor fa = OpenToRead(a), fb = OpenToRead(b);
  if (fa.get() < 0 || fb.get() < 0) return false;
  std::string x(kPiece, '\0'), y(kPiece, '\0');
  for (;;) {
    const ssize_t n = ReadFull(fa.get(), x.data(), x.size());
    if (n < 0 || ReadFull(fb.get(), y.data(), y.size()) != n) return false;
    if (n == 0) return true;
    if (x.compare(0, static_cast<std::size_t>(n), y, 0, static_cast<std::size_t>(n)) != 0) return false;
  }
}

// The note beside a copy: the size and hash of the content the save was writing, and the path
// of the file it wrote.
struct Note {
  std::uint64_t size = 0, hash = 0;
  std::string path;
};

std::optional<Note> ReadNote(const std::string& copy) {
  std::string text;
  if (!ReadPieces(copy + std::string(kNote), [&](std::string_view piece) { text += piece; })) return std::nullopt;
  const auto space = text.find(' '), line = text.find('\n');
  if (space == std::string::npos || line == std::string::npos || space > line) return std::nullopt;
  const auto size = Decimal(std::string_view(text).substr(0, space));
  const auto hash = Decimal(std::string_view(text).substr(space + 1, line - space - 1));
  if (!size || !hash) return std::nullopt;
  return Note{*size, *hash, text.substr(line + 1)};
}

// The target as a path that names it from anywhere (the note outlives the working directory).
std::string AbsolutePath(const std::string& target) {
  if (char* resolved = ::realpath(target.c_str(), nullptr)) {
    std::string path = resolved;
    std::free(resolved);
    return path;
  }
  if (!target.empty() && target.front() == '/') return target;
  std::string cwd(PATH_MAX, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return target;
  return cwd.c_str() + std::string("/") + target;
}

}  // namespace

KeptCopy::KeptCopy(const String& path, int fd, const std::string& target, const std::string& folder,
                   std::int64_t newSize, std::uint64_t newHash) {
  const std::optional<FileIdentity> file = IdentityOf(fd, "", AT_EMPTY_PATH);
  if (!file) Fail(path, errno);
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  copy_ = folder + "/" +
          NameFor({*file, static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()),
                  static_cast<std::uint64_t>(::getpid())});
  const std::string partial = copy_ + std::string(kPartial), note = copy_ + std::string(kNote);
  Descriptor out(::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (out.get() < 0) Fail(path, errno);
  Removal removePartial(partial);
  MarkWriting(out.get());
  std::vector<char> buffer(std::size_t(1) << 20);
  StreamWriter stream(path, out.get());
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail(path, errno);
    if (n == 0) break;
    stream.Add(std::string_view(buffer.data(), static_cast<std::size_t>(n)));
    at += n;
  }
  stream.Finish();
  if (::fsync(out.get()) != 0) Fail(path, errno);

  const std::string text = std::to_string(newSize) + " " + std::to_string(newHash) + "\n" + AbsolutePath(target);
  Descriptor noteFd(::open(note.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (noteFd.get() < 0) Fail(path, errno);
  Removal removeNote(note);
  WriteLoop(path, noteFd.get(), text.data(), text.size(), -1);
  if (::fsync(noteFd.get()) != 0 || noteFd.Close() != 0) Fail(path, errno);
  // Complete with its note: from here on it is a copy a later load may name.
  if (::rename(partial.c_str(), copy_.c_str()) != 0) Fail(path, errno);
  removeNote.Keep();
  removePartial.Keep();
  SyncFolder(folder);
  held_ = std::move(out);
}

void KeptCopy::Remove() {
  RemoveCopy(copy_);
  held_ = Descriptor();
}

std::vector<std::string> CopiesOf(const std::string& folder, const std::string& target) {
  const std::optional<FileIdentity> file = IdentityOf(target);
  if (!file) return {};
  std::vector<std::pair<std::uint64_t, std::string>> found;
  for (const std::string& name : Entries(folder)) {
    const std::optional<CopyName> parsed = ParseCopyName(name);
    if (!parsed || !(parsed->file == *file)) continue;
    const std::string copy = folder + "/" + name;
    const std::optional<Note> note = ReadNote(copy);
    if (note && IdentityOf(note->path) == file && WriterGone(copy, parsed->writer)) found.emplace_back(parsed->timeNs, copy);
  }
  std::sort(found.begin(), found.end(), std::greater<>());
  std::vector<std::string> copies;
  for (auto& [time, copy] : found) copies.push_back(std::move(copy));
  return copies;
}

void RemoveCopy(const std::string& copy) {
  // The copy first: a note left alone is cleared later, a copy without its note never would be.
  ::unlink(copy.c_str());
  ::unlink((copy + std::string(kNote)).c_str());
  SyncFolder(FolderOf(copy));
}

void ClearUnfinished(const std::string& folder) {
  for (const std::string& name : Entries(folder)) {
    const bool partial = EndsWith(name, kPartial);
    if (!partial && !EndsWith(name, kNote)) continue;
    const std::string base = name.substr(0, name.size() - (partial ? kPartial : kNote).size());
    const std::string copy = folder + "/" + base;
    const std::optional<CopyName> parsed = ParseCopyName(base);
    if (!parsed || !WriterGone(folder + "/" + name, parsed->writer)) continue;
    if (partial) {
      ::unlink((folder + "/" + name).c_str());
      if (!Exists(copy)) ::unlink((copy + std::string(kNote)).c_str());
    } else if (!Exists(copy) && !Exists(copy + std::string(kPartial))) {
      ::unlink((folder + "/" + name).c_str());
    }
  }
}

bool Redundant(const std::string& copy, const std::string& target) {
  const std::optional<Note> note = ReadNote(copy);
  const auto file = StatOf(target), kept = StatOf(copy);
  if (!note || !file || !kept) return false;
  if (file->st_size == kept->st_size && SameContent(copy, target)) return true;
  if (static_cast<std::uint64_t>(file->st_size) != note->size) return false;
  ContentHash hash;
  return ReadPieces(target, [&](std::string_view piece) { hash.Add(piece); }) && hash.Value() == note->hash;
}

}  // namespace quilmar::posix
