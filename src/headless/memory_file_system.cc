#include "memory_file_system.hh"

namespace quilmar::headless {

MemoryFileSystem::MemoryFileSystem(String programFolder, String currentDirectory,
                                   String configFolder)
    : programFolder_(std::move(programFolder)),
      currentDirectory_(std::move(currentDirectory)),
      configFolder_(std::move(configFolder)) {
  AddFolder(u"/");
  AddFolder(programFolder_);
  AddFolder(currentDirectory_);
  AddFolder(configFolder_);
}

String MemoryFileSystem::Absolute(const String& path) const {
  if (!path.empty() && path.front() == u'/') return path;
  return Join(currentDirectory_, path);
}

String MemoryFileSystem::Parent(const String& absolute) {
  const auto slash = absolute.rfind(u'/');
  if (slash == String::npos || slash == 0) return u"/";
  return absolute.substr(0, slash);
}

void MemoryFileSystem::AddFolder(const String& folder, bool writable) {
  folders_[Absolute(folder)] = writable;
}

void MemoryFileSystem::AddFile(const String& path, std::string bytes, std::uint32_t permissions) {
  const String absolute = Absolute(path);
  if (!folders_.count(Parent(absolute))) AddFolder(Parent(absolute));
  files_[absolute] = File{std::move(bytes), permissions};
}

std::optional<std::string> MemoryFileSystem::Bytes(const String& path) const {
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes;
}

void MemoryFileSystem::Remove(const String& path) { files_.erase(Absolute(path)); }

const MemoryFileSystem::File& MemoryFileSystem::Existing(const String& path) const {
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) throw FileError(path, "No such file or directory");
  return it->second;
}

void MemoryFileSystem::RequireWritableFolder(const String& path) const {
  const auto folder = folders_.find(Parent(Absolute(path)));
  if (folder == folders_.end()) throw FileError(path, "No such file or directory");
  if (!folder->second) throw FileError(path, "Permission denied");
}

bool MemoryFileSystem::FileExists(const String& path) const {
  return !path.empty() && files_.count(Absolute(path)) > 0;
}

std::int64_t MemoryFileSystem::FileSize(const String& path) const {
  return static_cast<std::int64_t>(Existing(path).bytes.size());
}

std::string MemoryFileSystem::ReadAll(const String& path) const { return Existing(path).bytes; }

void MemoryFileSystem::CreateEmpty(const String& path) {
  RequireWritableFolder(path);
  files_[Absolute(path)] = File{std::string(), 0644};
}

void MemoryFileSystem::WriteAll(const String& path, const std::string& bytes) {
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) {
    RequireWritableFolder(path);
    files_[Absolute(path)] = File{bytes, 0644};
    return;
  }
  if (!(it->second.permissions & 0200)) throw FileError(path, "Permission denied");
  it->second.bytes = bytes;
}

bool MemoryFileSystem::IsReadOnly(const String& path) const {
  return !(Existing(path).permissions & 0200);
}

std::uint32_t MemoryFileSystem::Permissions(const String& path) const {
  return Existing(path).permissions;
}

void MemoryFileSystem::SetPermissions(const String& path, std::uint32_t permissions) {
  Existing(path);
  files_[Absolute(path)].permissions = permissions;
}

bool MemoryFileSystem::FolderIsWritable(const String& folder) const {
  const auto it = folders_.find(Absolute(folder));
  return it != folders_.end() && it->second;
}

String MemoryFileSystem::FileName(const String& path) const {
  const auto slash = path.rfind(u'/');
  return slash == String::npos ? path : path.substr(slash + 1);
}

String MemoryFileSystem::Join(const String& folder, const String& name) const {
  if (folder.empty()) return name;
  if (folder.back() == u'/') return folder + name;
  return folder + u"/" + name;
}

}  // namespace quilmar::headless
