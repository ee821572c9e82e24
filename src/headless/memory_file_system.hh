#pragma once
// A file system held in memory, for tests that need files without touching the disk: files
// and folders are added up front and inspected afterwards. Paths are "/"-separated; a path
// that does not begin with "/" is taken from the current directory. Calls may come from
// several threads (the recovery record's writer): one lock guards everything.
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.hh"

namespace quilmar::headless {

class MemoryFileSystem final : public FileSystemPort {
 public:
  explicit MemoryFileSystem(String programFolder = u"/opt/quilmar",
                            String currentDirectory = u"/home/user",
                            String configFolder = u"/home/user/.config/quilmar",
                            String stateFolder = u"/home/user/.local/share/quilmar");

  // Setting up and inspecting.
  void AddFolder(const String& folder, bool writable = true);
  void AddFile(const String& path, std::string bytes, std::uint32_t permissions = 0644);
  std::optional<std::string> Bytes(const String& path) const;
  // The wall clock this file system reports (it starts at 2024-01-01 00:00 UTC).
  void SetNow(std::int64_t ns);

  bool FileExists(const String& path) const override;
  std::int64_t FileSize(const String& path) const override;
  std::unique_ptr<ByteSource> OpenRead(const String& path) const override;
  std::optional<FileStamp> Stamp(const String& path) const override;
  void CreateEmpty(const String& path) override;
  void WriteAll(const String& path, const std::string& bytes) override;
  bool IsReadOnly(const String& path) const override;
  bool FolderIsWritable(const String& folder) const override;
  String FileName(const String& path) const override;
  String CurrentDirectory() const override { return currentDirectory_; }
  String ProgramFolder() const override { return programFolder_; }
  String ConfigFolder() const override { return configFolder_; }
  String Join(const String& folder, const String& name) const override;
  String StateFolder() const override { return stateFolder_; }
  void MakeFolder(const String& folder) override;
  std::vector<String> List(const String& folder) const override;
  void Append(const String& path, std::string_view bytes) override;
  void Rename(const String& from, const String& to) override;
  void Remove(const String& path) override;
  std::unique_ptr<Hold> Lock(const String& folder) override;
  std::int64_t Now() const override;
  // It has no links: a path resolves to its absolute form with "." and ".." taken away.
  std::optional<String> Resolve(const String& path) const override;
  void RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) override;

 private:
  struct File {
    std::string bytes;
    std::uint32_t permissions;
    std::uint64_t id = 0;       // stands for the inode
    std::int64_t version = 0;   // stands for the modification time: one more on every change
  };
  // Stores a new version of a file (a new file when it was not there).
  void Put(const String& absolute, std::string bytes, std::uint32_t permissions);
  String Absolute(const String& path) const;
  static String Parent(const String& absolute);
  const File& Existing(const String& path) const;  // throws FileError when missing
  void RequireWritableFolder(const String& path) const;

  String programFolder_, currentDirectory_, configFolder_, stateFolder_;
  std::map<String, File> files_;
  std::map<String, bool> folders_;  // folder -> writable
  std::set<String> locked_;
  std::int64_t clock_ = 0;
  std::int64_t now_ = 1704067200LL * 1000000000;
  mutable std::recursive_mutex mutex_;
};

}  // namespace quilmar::headless
