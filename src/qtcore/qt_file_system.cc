#include "qt_file_system.hh"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <cerrno>
#include <cstring>
#include <optional>

namespace quilmar {
namespace {

QString ToQt(const String& s) { return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())); }

String FromQt(const QString& s) { return String(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

QByteArray Native(const String& path) { return QFile::encodeName(ToQt(path)); }

std::string ErrnoText(int error) { return std::strerror(error); }

[[noreturn]] void Fail(const String& path, int error) { throw FileError(path, ErrnoText(error)); }

std::optional<struct stat> StatOf(const QByteArray& native) {
  struct stat st {};
  if (native.isEmpty() || ::stat(native.constData(), &st) != 0) return std::nullopt;
  return st;
}

struct stat StatOrThrow(const String& path) {
  struct stat st {};
  const QByteArray native = Native(path);
  if (native.isEmpty()) Fail(path, ENOENT);
  if (::stat(native.constData(), &st) != 0) Fail(path, errno);
  return st;
}

// Closes a descriptor when the scope ends, unless it was closed explicitly.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  // Closing can report a late write error (NFS, say): it counts as a failed write.
  int Close() {
    const int r = ::close(fd_);
    fd_ = -1;
    return r;
  }

 private:
  int fd_;
};

// Follows a chain of symbolic links to the path a write really goes to. A dangling link
// resolves to where its target would be, so the link stays and the target is created.
QString ResolveLinks(const QString& path) {
  QString current = path;
  for (int depth = 0; depth < 40; ++depth) {
    const QFileInfo info(current);
    if (!info.isSymLink()) return current;
    current = info.symLinkTarget();
  }
  return current;  // a loop: let the write report it
}

void WriteLoop(const String& path, int fd, const std::string& bytes, bool positioned) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = positioned ? ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done))
                                 : ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

// Overwrites the file where it is: for hard-linked files, devices and folders that forbid
// new files. Not atomic, so the room is reserved before the first byte is changed.
void WriteInPlace(const String& path, const QByteArray& target, const std::string& bytes) {
  Descriptor fd(::open(target.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (fd.get() < 0) Fail(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, errno);
  if (!S_ISREG(st.st_mode)) {
    WriteLoop(path, fd.get(), bytes, false);
    if (fd.Close() != 0) Fail(path, errno);
    return;
  }
  if (!bytes.empty() &&
      ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(bytes.size())) != 0 &&
      errno != EOPNOTSUPP && errno != ENOSYS)
    Fail(path, errno);
  WriteLoop(path, fd.get(), bytes, true);
  if (::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) != 0) Fail(path, errno);
  if (::fdatasync(fd.get()) != 0 && errno != EINVAL) Fail(path, errno);
  if (fd.Close() != 0) Fail(path, errno);
}

bool FolderAllowsNewFiles(const QString& file) {
  const QByteArray folder = QFile::encodeName(QFileInfo(file).absolutePath());
  return ::access(folder.constData(), W_OK | X_OK) == 0;
}

// Replaces the file through a temporary one beside it; the old content survives any failure.
void WriteReplacing(const String& path, const QString& target, const std::string& bytes,
                    const std::optional<struct stat>& old) {
  QSaveFile file(target);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) throw FileError(path, file.errorString().toStdString());
  if (old) {
    // The new file takes the old one's exact mode bits and, where allowed, its owner.
    ::fchmod(file.handle(), old->st_mode & 07777);
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid()) {
      if (::fchown(file.handle(), old->st_uid, old->st_gid) != 0) {
        // Not allowed to give it away: keep at least the group where we may.
        [[maybe_unused]] int ignored = ::fchown(file.handle(), static_cast<uid_t>(-1), old->st_gid);
      }
      ::fchmod(file.handle(), old->st_mode & 07777);  // chown clears set-id bits
    }
  }
  // Written through the descriptor, so a failure keeps its reason ("No space left on device")
  // and is met here rather than at a late flush.
  try {
    WriteLoop(path, file.handle(), bytes, false);
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL) Fail(path, errno);
  } catch (const FileError&) {
    file.cancelWriting();
    throw;
  }
  if (!file.commit()) {
    const int error = errno;
    std::string reason = file.errorString().toStdString();
    if (reason.empty() || reason == "Unknown error") reason = ErrnoText(error);
    throw FileError(path, reason);
  }
}

}  // namespace

QtFileSystem::QtFileSystem(String programFolder, String configFolder)
    : programFolder_(std::move(programFolder)), configFolder_(std::move(configFolder)) {}

bool QtFileSystem::FileExists(const String& path) const {
  const auto st = StatOf(Native(path));
  return st && S_ISREG(st->st_mode);
}

std::int64_t QtFileSystem::FileSize(const String& path) const { return StatOrThrow(path).st_size; }

std::string QtFileSystem::ReadAll(const String& path) const {
  const QByteArray native = Native(path);
  if (native.isEmpty()) Fail(path, ENOENT);
  // Non-blocking, so that a FIFO without a writer cannot hang the editor before it is refused.
  Descriptor fd(::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) Fail(path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) Fail(path, errno);
  if (S_ISDIR(st.st_mode)) Fail(path, EISDIR);
  if (!S_ISREG(st.st_mode)) throw FileError(path, "Not a regular file");
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 65536);  // the file grew meanwhile
    const ssize_t n = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

void QtFileSystem::CreateEmpty(const String& path) {
  const QByteArray native = Native(path);
  if (native.isEmpty()) Fail(path, ENOENT);
  Descriptor fd(::open(native.constData(), O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666));
  if (fd.get() < 0) Fail(path, errno);
  if (fd.Close() != 0) Fail(path, errno);
}

void QtFileSystem::WriteAll(const String& path, const std::string& bytes) {
  if (path.empty()) Fail(path, ENOENT);
  const QString target = ResolveLinks(ToQt(path));
  const QByteArray native = QFile::encodeName(target);
  const auto old = StatOf(native);
  if (old && S_ISDIR(old->st_mode)) Fail(path, EISDIR);
  const bool inPlace = (old && (!S_ISREG(old->st_mode) || old->st_nlink > 1)) || !FolderAllowsNewFiles(target);
  if (inPlace)
    WriteInPlace(path, native, bytes);
  else
    WriteReplacing(path, target, bytes, old);
}

bool QtFileSystem::IsReadOnly(const String& path) const { return (StatOrThrow(path).st_mode & S_IWUSR) == 0; }

std::uint32_t QtFileSystem::Permissions(const String& path) const { return StatOrThrow(path).st_mode & 07777; }

void QtFileSystem::SetPermissions(const String& path, std::uint32_t permissions) {
  const QByteArray native = Native(path);
  if (native.isEmpty()) Fail(path, ENOENT);
  if (::chmod(native.constData(), static_cast<mode_t>(permissions & 07777)) != 0) Fail(path, errno);
}

bool QtFileSystem::FolderIsWritable(const String& folder) const {
  const QByteArray native = folder.empty() ? QByteArray(".") : Native(folder);
  const auto st = StatOf(native);
  return st && S_ISDIR(st->st_mode) && ::access(native.constData(), W_OK | X_OK) == 0;
}

String QtFileSystem::FileName(const String& path) const {
  const auto slash = path.find_last_of(u'/');
  return slash == String::npos ? path : path.substr(slash + 1);
}

String QtFileSystem::CurrentDirectory() const { return FromQt(QDir::currentPath()); }

String QtFileSystem::ProgramFolder() const { return programFolder_; }

String QtFileSystem::ConfigFolder() const {
  QString folder = configFolder_.empty()
                       ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/quilmar"
                       : ToQt(configFolder_);
  QDir().mkpath(folder);  // a folder that cannot be made shows up as a failed read or write
  return FromQt(folder);
}

String QtFileSystem::Join(const String& folder, const String& name) const {
  if (folder.empty()) return name;
  if (folder.back() == u'/') return folder + name;
  return folder + u'/' + name;
}

}  // namespace quilmar
