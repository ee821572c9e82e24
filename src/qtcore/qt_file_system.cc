#include "qt_file_system.hh"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

#include "file_metadata.hh"
#include "in_place_write.hh"
#include "kept_copies.hh"
#include "posix_files.hh"
#include "save_leftovers.hh"
#include "stream_writer.hh"

namespace quilmar {
namespace {

using namespace posix;

QString ToQt(const String& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

String FromQt(const QString& s) { return String(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

struct stat StatOrThrow(const String& path) {
  struct stat st {};
  if (::stat(NativeOrThrow(path).c_str(), &st) != 0) Fail(path, errno);
  return st;
}

FileStamp StampOf(const struct stat& st) {
  constexpr std::int64_t kNs = 1000000000;
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino), st.st_size,
          st.st_mtim.tv_sec * kNs + st.st_mtim.tv_nsec, st.st_ctim.tv_sec * kNs + st.st_ctim.tv_nsec};
}

class FileSource final : public ByteSource {
 public:
  FileSource(String path, int fd, const struct stat& st) : path_(std::move(path)), fd_(fd), stat_(st) {}
  std::size_t Read(char* into, std::size_t size) override {
    for (;;) {
      const ssize_t n = ::read(fd_.get(), into, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) Fail(path_, errno);
    }
  }
  void Rewind() override {
    if (::lseek(fd_.get(), 0, SEEK_SET) != 0) Fail(path_, errno);
  }
  std::int64_t Size() const override { return stat_.st_size; }
  FileStamp Stamp() const override { return StampOf(stat_); }

 private:
  String path_;
  Descriptor fd_;
  struct stat stat_;
};

// Follows a chain of symbolic links to the path a write really goes to. A dangling link
// resolves to where its target would be, so the link stays and the target is created.
std::string ResolveLinks(std::string path) {
  for (int depth = 0; depth < 40; ++depth) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
    if (n <= 0) return path;
    target.resize(static_cast<std::size_t>(n));
    path = target.front() == '/' ? target : FolderOf(path) + "/" + target;
  }
  return path;  // a loop: let the write report it
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Replaces the file through a temporary one beside it; the old content survives any failure.
// `produce` hands the new content to its writer. The new file is given the old one's owner and
// group before anything is written, and its mode and attributes once the content is (a write
// would drop set-id bits and capabilities); false, with nothing written, when this user may not
// give it that owner and group: replacing would make someone else's file the user's own.
bool WriteReplacing(const String& path, const std::string& target, const std::function<void(const ByteWriter&)>& produce,
                    const std::optional<struct stat>& old) {
  std::string temp = TempFileTemplate(target);
  Descriptor fd(::mkostemp(temp.data(), O_CLOEXEC));
  if (fd.get() < 0) Fail(path, errno);
  Removal removal(temp);
  MarkWriting(fd.get());
  std::optional<FileMetadata> held;
  if (old) {
    held = ReadMetadata(target, -1, *old);
    if (!TakeOwnership(fd.get(), *held)) return false;
  }
  StreamWriter stream(path, fd.get());
  produce([&](std::string_view piece) { stream.Add(piece); });
  stream.Finish();
  if (held)
    ApplyMetadata(fd.get(), *held);
  else
    ::fchmod(fd.get(), NewFileMode());
  if (::fsync(fd.get()) != 0 && errno != EINVAL) Fail(path, errno);
  if (fd.Close() != 0) Fail(path, errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) Fail(path, errno);
  removal.Keep();
  SyncFolder(FolderOf(target));
  return true;
}

constexpr const char* kUnfinished = "unfinished-saves";

// realpath for a path whose last components may not exist yet: the part that exists resolved,
// the rest as named. A dangling link stands for the file it would make.
std::optional<std::string> ResolvedPath(const std::string& path, int depth) {
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    std::string resolved = real;
    std::free(real);
    return resolved;
  }
  if (errno != ENOENT || depth > 40) return std::nullopt;
  const std::string target = ResolveLinks(path);
  const std::string name = target.substr(target.find_last_of('/') + 1);
  if (name.empty() || name == "." || name == "..") return std::nullopt;
  const std::optional<std::string> folder = ResolvedPath(FolderOf(target), depth + 1);
  if (!folder) return std::nullopt;
  return (*folder == "/" ? "" : *folder) + "/" + name;
}

// A temporary file a save made for one of these names and left behind (the writer was killed).
bool IsTemporaryOf(const std::string& name, const std::function<bool(StringView)>& ours) {
  const std::optional<std::string> target = posix::TempFileTargetName(name);
  return target && ours(FromBytesEscaped(*target));
}

}  // namespace

QtFileSystem::QtFileSystem(String programFolder, String configFolder, String stateFolder)
    : programFolder_(std::move(programFolder)),
      configFolder_(std::move(configFolder)),
      stateFolder_(std::move(stateFolder)) {}

bool QtFileSystem::FileExists(const String& path) const {
  const std::optional<std::string> native = BytesOf(path);
  if (!native) return false;
  const auto st = StatOf(*native);
  return st && S_ISREG(st->st_mode);
}

std::int64_t QtFileSystem::FileSize(const String& path) const { return StatOrThrow(path).st_size; }

std::unique_ptr<ByteSource> QtFileSystem::OpenRead(const String& path) const {
  // Non-blocking, so that a FIFO without a writer cannot hang the editor before it is refused.
  Descriptor fd(::open(NativeOrThrow(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) Fail(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, errno);
  if (S_ISDIR(st.st_mode)) Fail(path, EISDIR);
  if (!S_ISREG(st.st_mode)) throw FileError(path, "Not a regular file");
  return std::make_unique<FileSource>(path, fd.Release(), st);
}

std::optional<FileStamp> QtFileSystem::Stamp(const String& path) const {
  const std::optional<std::string> native = BytesOf(path);
  if (!native) return std::nullopt;
  const auto st = StatOf(*native);
  if (!st) return std::nullopt;
  return StampOf(*st);
}

void QtFileSystem::CreateEmpty(const String& path) {
  Descriptor fd(::open(NativeOrThrow(path).c_str(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (fd.get() < 0) Fail(path, errno);
  if (fd.Close() != 0) Fail(path, errno);
}

void QtFileSystem::WriteAll(const String& path, const std::string& bytes) {
  Write(path, [&bytes](const ByteWriter& write) { write(bytes); });
}

void QtFileSystem::WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce) {
  Write(path, produce);
}

void QtFileSystem::Write(const String& path, const std::function<void(const ByteWriter&)>& produce) {
  const std::string target = ResolveLinks(NativeOrThrow(path));
  const auto old = StatOf(target);
  if (old && S_ISDIR(old->st_mode)) Fail(path, EISDIR);
  ClearTempFiles(target);
  const std::optional<std::string> copies = CopiesFolderPath();
  if (copies) ClearUnfinished(*copies);
  // The copies that dead saves of this file left: once it is written whole they are no longer
  // needed. Found first, while the file still has the identity they were kept under.
  const std::vector<std::string> earlier = old && copies ? CopiesOf(*copies, target) : std::vector<std::string>();

  const bool replace = !(old && (!S_ISREG(old->st_mode) || old->st_nlink > 1)) &&
                       ::access(FolderOf(target).c_str(), W_OK | X_OK) == 0;
  if (!replace || !WriteReplacing(path, target, produce, old)) {
    // In place the new size is reserved before anything is touched: the bytes are made once to
    // count them and again to write them (see WriteInPlace).
    WriteInPlace(path, target, produce, [this] { return CopiesFolder(); });
  }
  for (const std::string& copy : earlier) RemoveCopy(copy);
}

std::optional<String> QtFileSystem::LeftoverCopy(const String& path) const {
  const std::optional<std::string> native = BytesOf(path), copies = CopiesFolderPath();
  if (!native || !copies) return std::nullopt;
  const std::vector<std::string> found = CopiesOf(*copies, ResolveLinks(*native));
  if (found.empty()) return std::nullopt;
  return FromBytesEscaped(found.front());
}

void QtFileSystem::ClearLeftovers(const String& path) {
  const std::optional<std::string> native = BytesOf(path), copies = CopiesFolderPath();
  if (!native) return;
  const std::string target = ResolveLinks(*native);
  ClearTempFiles(target);
  if (!copies) return;
  ClearUnfinished(*copies);
  for (const std::string& copy : CopiesOf(*copies, target))
    if (Redundant(copy, target)) RemoveCopy(copy);
}

bool QtFileSystem::IsReadOnly(const String& path) const { return (StatOrThrow(path).st_mode & S_IWUSR) == 0; }

bool QtFileSystem::FolderIsWritable(const String& folder) const {
  const std::optional<std::string> native = folder.empty() ? std::optional<std::string>(".") : BytesOf(folder);
  if (!native) return false;
  const auto st = StatOf(*native);
  return st && S_ISDIR(st->st_mode) && ::access(native->c_str(), W_OK | X_OK) == 0;
}

String QtFileSystem::ResolveShown(const String& path) const {
  // Component by component: one that shows U+FFFD may stand for any name with bytes that are
  // not UTF-8, so the folder's entries are listed and decoded as the dialog decoded them.
  std::string resolved;
  std::size_t at = 0;
  if (!path.empty() && path.front() == u'/') {
    resolved = "/";
    at = 1;
  }
  while (at <= path.size()) {
    std::size_t end = path.find(u'/', at);
    if (end == String::npos) end = path.size();
    const String part = path.substr(at, end - at);
    std::string bytes = ToBytesEscaped(part).value_or(ToUtf8(part));
    if (part.find(u'\uFFFD') != String::npos) {
      const std::string folder = resolved.empty() ? "." : resolved;
      std::vector<std::string> matches;
      if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
          const char* name = entry->d_name;
          if (QFile::decodeName(QByteArray(name)) == ToQt(part)) matches.emplace_back(name);
        }
        ::closedir(dir);
      }
      if (matches.size() > 1) throw FileError(path, "Several files show as this name");
      if (matches.size() == 1) bytes = matches.front();
    }
    if (!resolved.empty() && resolved.back() != '/') resolved += '/';
    resolved += bytes;
    if (end == path.size()) break;
    at = end + 1;
  }
  return FromBytesEscaped(resolved);
}

String QtFileSystem::FileName(const String& path) const {
  const auto slash = path.find_last_of(u'/');
  return slash == String::npos ? path : path.substr(slash + 1);
}

String QtFileSystem::CurrentDirectory() const {
  std::string cwd(PATH_MAX, '\0');
  if (!::getcwd(cwd.data(), cwd.size())) return FromQt(QDir::currentPath());
  cwd.resize(std::strlen(cwd.c_str()));
  return FromBytesEscaped(cwd);
}

String QtFileSystem::ProgramFolder() const { return programFolder_; }

String QtFileSystem::ConfigFolder() const {
  QString folder = configFolder_.empty()
                       ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/quilmar"
                       : ToQt(configFolder_);
  QDir().mkpath(folder);  // a folder that cannot be made shows up as a failed read or write
  return FromQt(folder);
}

String QtFileSystem::StateBase() const {
  if (!stateFolder_.empty()) return stateFolder_;
  return FromQt(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/quilmar");
}

std::optional<std::string> QtFileSystem::CopiesFolderPath() const { return BytesOf(Join(StateBase(), Ascii(kUnfinished))); }

std::string QtFileSystem::CopiesFolder() {
  const String folder = Join(StateBase(), Ascii(kUnfinished));
  MakeFolder(folder);
  return NativeOrThrow(folder);
}

String QtFileSystem::Join(const String& folder, const String& name) const {
  if (folder.empty()) return name;
  if (folder.back() == u'/') return folder + name;
  return folder + u'/' + name;
}

// ---- The state folder

String QtFileSystem::StateFolder() const { return StateBase(); }

void QtFileSystem::MakeFolder(const String& folder) {
  const std::string native = NativeOrThrow(folder);
  // Made step by step, private to the user: the state folder holds the user's texts. A folder
  // made here is synced into its parent, so a record in it survives a power cut.
  for (std::size_t slash = native.find('/', 1);; slash = native.find('/', slash + 1)) {
    const std::string part = native.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) == 0)
      SyncFolder(FolderOf(part));
    else if (errno != EEXIST)
      Fail(folder, errno);
    if (slash == std::string::npos) break;
  }
}

std::vector<String> QtFileSystem::List(const String& folder) const {
  std::vector<String> names;
  const std::optional<std::string> native = BytesOf(folder);
  if (!native) return names;
  DIR* dir = ::opendir(native->c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(FromBytesEscaped(name));
  }
  ::closedir(dir);
  return names;
}

void QtFileSystem::Append(const String& path, std::string_view bytes) {
  const std::string native = NativeOrThrow(path);
  const bool existed = StatOf(native).has_value();
  Descriptor fd(::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600));
  if (fd.get() < 0) Fail(path, errno);
  WriteLoop(path, fd.get(), bytes.data(), bytes.size(), -1);
  if (::fdatasync(fd.get()) != 0) Fail(path, errno);
  if (fd.Close() != 0) Fail(path, errno);
  if (!existed) SyncFolder(FolderOf(native));
}

void QtFileSystem::Rename(const String& from, const String& to) {
  const std::string source = NativeOrThrow(from), target = NativeOrThrow(to);
  if (::rename(source.c_str(), target.c_str()) != 0) Fail(from, errno);
  SyncFolder(FolderOf(target));
  if (FolderOf(source) != FolderOf(target)) SyncFolder(FolderOf(source));
}

void QtFileSystem::Remove(const String& path) {
  const std::string native = NativeOrThrow(path);
  if (::unlink(native.c_str()) != 0) {
    if (errno == ENOENT) return;
    if ((errno != EISDIR && errno != EPERM) || ::rmdir(native.c_str()) != 0) {
      if (errno == ENOENT) return;
      Fail(path, errno);
    }
  }
  SyncFolder(FolderOf(native));
}

std::unique_ptr<Hold> QtFileSystem::Lock(const String& folder) {
  // flock on the folder itself: held by this open descriptor, released by the kernel when the
  // descriptor is closed, also when the process is killed; another descriptor on the same
  // folder, in this process or another, is refused meanwhile.
  class FolderHold final : public Hold {
   public:
    explicit FolderHold(int fd) : fd_(fd) {}

   private:
    Descriptor fd_;
  };
  const std::string native = NativeOrThrow(folder);
  Descriptor fd(::open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) Fail(folder, errno);
  if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return nullptr;
    Fail(folder, errno);
  }
  return std::make_unique<FolderHold>(fd.Release());
}

std::int64_t QtFileSystem::Now() const {
  timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
}

std::optional<std::int64_t> QtFileSystem::AvailableMemory() const {
  // What the kernel counts as available (free, and caches it can drop), within the process's
  // own address-space limit where one is set.
  std::optional<std::int64_t> bytes;
  std::ifstream meminfo("/proc/meminfo");
  for (std::string key; meminfo >> key;) {
    std::int64_t kib = 0;
    if (!(meminfo >> kib)) break;
    if (key == "MemAvailable:") {
      bytes = kib * 1024;
      break;
    }
    meminfo.ignore(INT_MAX, '\n');
  }
  rlimit limit{};
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    const auto cap = static_cast<std::int64_t>(limit.rlim_cur);
    bytes = bytes ? std::min(*bytes, cap) : cap;
  }
  return bytes;
}

std::optional<String> QtFileSystem::Resolve(const String& path) const {
  const std::optional<std::string> native = BytesOf(path);
  if (!native) return std::nullopt;
  const std::optional<std::string> resolved = ResolvedPath(*native, 0);
  if (!resolved) return std::nullopt;
  return FromBytesEscaped(*resolved);
}

void QtFileSystem::RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) {
  // Everything is reached through descriptors opened without following links, so a link put
  // in place of the folder (or of anything in it), before or during the removal, is never
  // followed; whatever is not the user's own stays, and so does the folder that holds it.
  const std::string native = NativeOrThrow(folder);
  const std::size_t slash = native.find_last_of('/');
  const std::string name = native.substr(slash + 1);
  const std::string parentPath = slash == std::string::npos ? "." : slash == 0 ? "/" : native.substr(0, slash);
  auto notOurs = [](int error) { return error == ENOENT || error == ELOOP || error == ENOTDIR; };
  Descriptor parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (parent.get() < 0) {
    if (notOurs(errno)) return;
    Fail(folder, errno);
  }
  Descriptor dir(::openat(parent.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (dir.get() < 0) {
    if (notOurs(errno)) return;
    Fail(folder, errno);
  }
  struct stat st {};
  if (::fstat(dir.get(), &st) != 0) Fail(folder, errno);
  if (st.st_uid != ::geteuid()) return;
  Descriptor listed(::dup(dir.get()));
  const std::unique_ptr<DIR, int (*)(DIR*)> entries(listed.get() >= 0 ? ::fdopendir(listed.get()) : nullptr, ::closedir);
  if (!entries) Fail(folder, errno);
  listed.Release();  // closed with the listing
  bool kept = false;
  int failed = 0;
  while (const dirent* entry = ::readdir(entries.get())) {
    const std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    struct stat es {};
    const bool own = ::fstatat(dir.get(), entryName.c_str(), &es, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(es.st_mode) &&
                     es.st_uid == ::geteuid() && (ours(FromBytesEscaped(entryName)) || IsTemporaryOf(entryName, ours));
    if (!own)
      kept = true;
    else if (::unlinkat(dir.get(), entryName.c_str(), 0) != 0 && errno != ENOENT)
      failed = errno;
  }
  ::fsync(dir.get());
  if (failed) Fail(folder, failed);
  if (kept) return;
  // Only the folder that was emptied: not whatever may have taken its name meanwhile.
  struct stat now {};
  if (::fstatat(parent.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0 || now.st_dev != st.st_dev ||
      now.st_ino != st.st_ino)
    return;
  if (::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT && errno != ENOTEMPTY) Fail(folder, errno);
  ::fsync(parent.get());
}

}  // namespace quilmar
