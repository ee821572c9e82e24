#pragma once
// The real file system, on POSIX (and QtCore for the standard folders): the one adapter every
// front end uses.
//
// Paths are bytes on disk. The core's paths hold those bytes as text, with every byte that is
// not UTF-8 as an escape (see FromBytesEscaped), so each path reaches exactly the file it came
// from; a path holding a lone surrogate that is no escape names no file and is refused.
//
// Writes never leave a half-written file: the new content goes to a temporary file beside the
// target (a piece at a time as WriteWith makes it), which then replaces it. The new file takes
// the target's owner and group, then, once written, its mode and extended attributes (POSIX
// ACLs, SELinux labels, file capabilities among them). A symbolic link is followed and stays a
// link. Some files must be written in place instead (in_place_write.hh), since replacing them
// would break something the user relies on:
//   - a file with several hard links (the links stay shared),
//   - something that is not a regular file (a device, say: it must never be replaced by a file),
//   - a file in a folder that forbids creating files,
//   - a file the user may write but whose owner and group a new file could not be given.
// A write the program did not live to finish leaves its temporary file, or in place a copy of
// the old content, which LeftoverCopy names when the file is next opened. The next save or load
// of the file removes what is no longer needed (save_leftovers.hh, kept_copies.hh).
#include "platform/file_system.hh"

namespace quilmar {

class QtFileSystem final : public FileSystemPort {
 public:
  // programFolder: where "quilmar.ini" and the help file live (the executable's folder, or
  // quilmar-batch's --home). configFolder: the user's configuration folder for the editor;
  // stateFolder: where copies of files being written in place and the recovery records of
  // unsaved work are kept. Empty means the
  // standard folder (QStandardPaths), created when first needed.
  explicit QtFileSystem(String programFolder = {}, String configFolder = {}, String stateFolder = {});

  bool FileExists(const String& path) const override;
  std::int64_t FileSize(const String& path) const override;
  std::unique_ptr<ByteSource> OpenRead(const String& path) const override;
  std::optional<FileStamp> Stamp(const String& path) const override;
  void CreateEmpty(const String& path) override;
  void WriteAll(const String& path, const std::string& bytes) override;
  void WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce) override;
  std::optional<String> LeftoverCopy(const String& path) const override;
  bool IsReadOnly(const String& path) const override;
  bool FolderIsWritable(const String& folder) const override;
  String ResolveShown(const String& path) const override;

  String FileName(const String& path) const override;
  String CurrentDirectory() const override;
  String ProgramFolder() const override;
  String ConfigFolder() const override;
  String Join(const String& folder, const String& name) const override;

  String StateFolder() const override;
  void MakeFolder(const String& folder) override;
  std::vector<String> List(const String& folder) const override;
  void Append(const String& path, std::string_view bytes) override;
  void Rename(const String& from, const String& to) override;
  void Remove(const String& path) override;
  std::unique_ptr<Hold> Lock(const String& folder) override;
  std::int64_t Now() const override;
  std::optional<std::int64_t> AvailableMemory() const override;
  void ClearLeftovers(const String& path) override;

  std::optional<String> Resolve(const String& path) const override;
  void RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) override;

 private:
  // Both writes: `produce` hands the new content to its writer (twice for a write in place).
  void Write(const String& path, const std::function<void(const ByteWriter&)>& produce);
  String StateBase() const;
  std::string CopiesFolder();  // where the copies go, made when first asked for
  std::optional<std::string> CopiesFolderPath() const;  // the same, not made

  String programFolder_;
  String configFolder_;
  String stateFolder_;
};

}  // namespace quilmar
