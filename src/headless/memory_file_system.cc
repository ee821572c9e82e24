#include "memory_file_system.hh"

#include <algorithm>

namespace quilmar::headless {

MemoryFileSystem::MemoryFileSystem(String programFolder, String currentDirectory,
                                   String configFolder, String stateFolder)
    : programFolder_(std::move(programFolder)),
      currentDirectory_(std::move(currentDirectory)),
      configFolder_(std::move(configFolder)),
      stateFolder_(std::move(stateFolder)) {
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
  const std::lock_guard lock(mutex_);
  folders_[Absolute(folder)] = writable;
}

void MemoryFileSystem::AddFile(const String& path, std::string bytes, std::uint32_t permissions) {
  const std::lock_guard lock(mutex_);
  const String absolute = Absolute(path);
  if (!folders_.count(Parent(absolute))) AddFolder(Parent(absolute));
  Put(absolute, std::move(bytes), permissions);
}

void MemoryFileSystem::Put(const String& absolute, std::string bytes, std::uint32_t permissions) {
  File& file = files_[absolute];
  if (file.id == 0) file.id = static_cast<std::uint64_t>(++clock_);
  file.bytes = std::move(bytes);
  file.permissions = permissions;
}

std::optional<std::string> MemoryFileSystem::Bytes(const String& path) const {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) return std::nullopt;
  return it->second.bytes;
}


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
  const std::lock_guard lock(mutex_);
  return !path.empty() && files_.count(Absolute(path)) > 0;
}

std::int64_t MemoryFileSystem::FileSize(const String& path) const {
  const std::lock_guard lock(mutex_);
  return static_cast<std::int64_t>(Existing(path).bytes.size());
}

std::unique_ptr<ByteSource> MemoryFileSystem::OpenRead(const String& path) const {
  const std::lock_guard lock(mutex_);
  // Reads a copy, as a file's descriptor keeps reading the content it opened.
  return std::make_unique<MemorySource>(std::string(Existing(path).bytes), *Stamp(path));
}

std::optional<FileStamp> MemoryFileSystem::Stamp(const String& path) const {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Absolute(path));
  if (path.empty() || it == files_.end()) return std::nullopt;
  const File& f = it->second;
  return FileStamp{0, f.id, static_cast<std::int64_t>(f.bytes.size()), f.version, f.version};
}

void MemoryFileSystem::CreateEmpty(const String& path) {
  const std::lock_guard lock(mutex_);
  RequireWritableFolder(path);
  Put(Absolute(path), std::string(), 0644);
}

void MemoryFileSystem::WriteAll(const String& path, const std::string& bytes) {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) {
    RequireWritableFolder(path);
    Put(Absolute(path), bytes, 0644);
    return;
  }
  Put(it->first, bytes, it->second.permissions);  // a read-only file too, as the real one does
}

bool MemoryFileSystem::IsReadOnly(const String& path) const {
  const std::lock_guard lock(mutex_);
  return !(Existing(path).permissions & 0200);
}

bool MemoryFileSystem::FolderIsWritable(const String& folder) const {
  const std::lock_guard lock(mutex_);
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

void MemoryFileSystem::SetNow(std::int64_t ns) {
  const std::lock_guard lock(mutex_);
  now_ = ns;
}

std::int64_t MemoryFileSystem::Now() const {
  const std::lock_guard lock(mutex_);
  return now_;
}

void MemoryFileSystem::MakeFolder(const String& folder) {
  const std::lock_guard lock(mutex_);
  for (String at = Absolute(folder); !folders_.count(at); at = Parent(at)) folders_[at] = true;
}

std::vector<String> MemoryFileSystem::List(const String& folder) const {
  const std::lock_guard lock(mutex_);
  const String absolute = Absolute(folder);
  std::vector<String> names;
  auto take = [&](const String& path) {
    if (path != absolute && Parent(path) == absolute) names.push_back(FileName(path));
  };
  for (const auto& [path, file] : files_) take(path);
  for (const auto& [path, writable] : folders_) take(path);
  return names;
}

void MemoryFileSystem::Append(const String& path, std::string_view bytes) {
  const std::lock_guard lock(mutex_);
  const auto it = files_.find(Absolute(path));
  if (it == files_.end()) {
    RequireWritableFolder(path);
    Put(Absolute(path), std::string(bytes), 0600);
    return;
  }
  it->second.bytes.append(bytes);
}

void MemoryFileSystem::Rename(const String& from, const String& to) {
  const std::lock_guard lock(mutex_);
  const String source = Absolute(from), target = Absolute(to);
  if (const auto file = files_.find(source); file != files_.end()) {
    RequireWritableFolder(target);
    File moved = file->second;
    files_.erase(file);
    files_[target] = std::move(moved);
    return;
  }
  if (!folders_.count(source)) throw FileError(from, "No such file or directory");
  // A folder moves with everything below it.
  auto move = [&](auto& entries) {
    std::remove_reference_t<decltype(entries)> kept;
    for (auto& [path, value] : entries) {
      const bool below = path == source || path.rfind(source + u'/', 0) == 0;
      kept[below ? target + path.substr(source.size()) : path] = value;
    }
    entries = std::move(kept);
  };
  move(files_);
  move(folders_);
}

void MemoryFileSystem::Remove(const String& path) {
  const std::lock_guard lock(mutex_);
  const String absolute = Absolute(path);
  if (files_.erase(absolute)) return;
  if (!folders_.count(absolute)) return;
  for (const auto& [p, file] : files_)
    if (Parent(p) == absolute) throw FileError(path, "Directory not empty");
  for (const auto& [p, writable] : folders_)
    if (p != absolute && Parent(p) == absolute) throw FileError(path, "Directory not empty");
  folders_.erase(absolute);
}

std::unique_ptr<Hold> MemoryFileSystem::Lock(const String& folder) {
  class FolderHold final : public Hold {
   public:
    FolderHold(MemoryFileSystem& fs, String folder) : fs_(fs), folder_(std::move(folder)) {}
    ~FolderHold() override {
      const std::lock_guard lock(fs_.mutex_);
      fs_.locked_.erase(folder_);
    }

   private:
    MemoryFileSystem& fs_;
    String folder_;
  };
  const std::lock_guard lock(mutex_);
  const String absolute = Absolute(folder);
  if (!folders_.count(absolute)) throw FileError(folder, "No such file or directory");
  if (!locked_.insert(absolute).second) return nullptr;
  return std::make_unique<FolderHold>(*this, absolute);
}

std::optional<String> MemoryFileSystem::Resolve(const String& path) const {
  const std::lock_guard lock(mutex_);
  if (path.empty()) return std::nullopt;
  std::vector<String> parts;
  const String absolute = Absolute(path);
  for (std::size_t at = 1; at <= absolute.size();) {
    const std::size_t end = std::min(absolute.find(u'/', at), absolute.size());
    const String part = absolute.substr(at, end - at);
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    at = end + 1;
  }
  String resolved;
  for (const String& part : parts) resolved += u"/" + part;
  return resolved.empty() ? String(u"/") : resolved;
}

void MemoryFileSystem::RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) {
  const std::lock_guard lock(mutex_);
  const String absolute = Absolute(folder);
  if (!folders_.count(absolute)) return;
  std::erase_if(files_, [&](const auto& entry) { return Parent(entry.first) == absolute && ours(FileName(entry.first)); });
  if (List(absolute).empty()) folders_.erase(absolute);  // unless something else is left in it
}

}  // namespace quilmar::headless
