#pragma once
// A file system that passes every call to another one, except the calls a test has told it
// to fail: for faults a real disk cannot produce on demand (a full disk, a file root may not
// read). A failed call throws FileError before anything reaches the wrapped file system, as an
// atomic write that failed would leave it. Calls may come from several threads (the recovery
// record's writer).
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.hh"

namespace quilmar::headless {

// The calls that can be made to fail. ReadAll is the opening of a file for reading, and
// ReadPiece the reading of each piece after the first; WriteAll stands for WriteWith too.
enum class FsCall {
  FileSize, ReadAll, CreateEmpty, WriteAll, IsReadOnly, ReadPiece,
  MakeFolder, Append, Count
};

class FaultFileSystem final : public FileSystemPort {
 public:
  explicit FaultFileSystem(FileSystemPort& real) : real_(real) {}

  // The next `times` calls of that kind (on `path` only, when given) throw FileError with
  // this reason; times < 0: every such call from now on.
  void Fail(FsCall call, std::string reason, std::optional<String> path = std::nullopt, int times = -1);
  void ClearFaults();
  // How many calls of that kind reached this wrapper, failed or not.
  int Calls(FsCall call) const;
  // From now on the wall clock reads this (nanoseconds since 1970), for texts that show a time.
  void SetNow(std::int64_t ns);
  // From now on the memory available reads this.
  void SetAvailableMemory(std::int64_t bytes) { memory_ = bytes; }

  bool FileExists(const String& path) const override { return real_.FileExists(path); }
  std::int64_t FileSize(const String& path) const override;
  std::unique_ptr<ByteSource> OpenRead(const String& path) const override;
  std::optional<FileStamp> Stamp(const String& path) const override { return real_.Stamp(path); }
  std::optional<String> LeftoverCopy(const String& path) const override { return real_.LeftoverCopy(path); }
  String ResolveShown(const String& path) const override { return real_.ResolveShown(path); }
  void CreateEmpty(const String& path) override;
  void WriteAll(const String& path, const std::string& bytes) override;
  void WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce) override;
  bool IsReadOnly(const String& path) const override;
  bool FolderIsWritable(const String& folder) const override { return real_.FolderIsWritable(folder); }
  String FileName(const String& path) const override { return real_.FileName(path); }
  String CurrentDirectory() const override { return real_.CurrentDirectory(); }
  String ProgramFolder() const override { return real_.ProgramFolder(); }
  String ConfigFolder() const override { return real_.ConfigFolder(); }
  String Join(const String& folder, const String& name) const override { return real_.Join(folder, name); }
  String StateFolder() const override { return real_.StateFolder(); }
  void MakeFolder(const String& folder) override;
  std::vector<String> List(const String& folder) const override { return real_.List(folder); }
  void Append(const String& path, std::string_view bytes) override;
  void Rename(const String& from, const String& to) override { real_.Rename(from, to); }
  void Remove(const String& path) override { real_.Remove(path); }
  std::unique_ptr<Hold> Lock(const String& folder) override { return real_.Lock(folder); }
  std::int64_t Now() const override;
  std::optional<std::int64_t> AvailableMemory() const override { return memory_ ? memory_ : real_.AvailableMemory(); }
  std::optional<String> Resolve(const String& path) const override { return real_.Resolve(path); }
  void RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) override {
    real_.RemoveOwnFolder(folder, ours);
  }
  void ClearLeftovers(const String& path) override { real_.ClearLeftovers(path); }

 private:
  struct Fault {
    FsCall call;
    std::string reason;
    std::optional<String> path;
    int remaining;
  };
  // Counts the call and throws if a fault matches it.
  void Check(FsCall call, const String& path) const;

  FileSystemPort& real_;
  mutable std::mutex mutex_;
  mutable std::vector<Fault> faults_;
  mutable std::vector<int> calls_ = std::vector<int>(static_cast<std::size_t>(FsCall::Count), 0);
  std::optional<std::int64_t> now_;
  std::optional<std::int64_t> memory_;
};

}  // namespace quilmar::headless
