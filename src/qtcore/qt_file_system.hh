#pragma once
// The real file system, on QtCore and POSIX: the one adapter every front end uses.
//
// Writes never leave a half-written file: the new content goes to a temporary file beside the
// target, which then replaces it (QSaveFile). The target keeps its permission bits and, where
// allowed, its owner. A symbolic link is followed and stays a link. Some files must be written
// in place instead, since replacing them would break something the user relies on:
//   - a file with several hard links (the links stay shared),
//   - something that is not a regular file (a device, say: it must never be replaced by a file),
//   - a file in a folder that forbids creating files.
// In place, the room the new content needs is reserved first where the file system allows it,
// so a full disk is met before the old content is touched.
#include "platform/file_system.hh"

namespace quilmar {

class QtFileSystem final : public FileSystemPort {
 public:
  // programFolder: where "quilmar.ini" and the help file live (the executable's folder, or
  // quilmar-batch's --home). configFolder: the user's configuration folder for the editor;
  // empty means the standard one (QStandardPaths), created when first asked for.
  explicit QtFileSystem(String programFolder, String configFolder = {});

  bool FileExists(const String& path) const override;
  std::int64_t FileSize(const String& path) const override;
  std::string ReadAll(const String& path) const override;
  void CreateEmpty(const String& path) override;
  void WriteAll(const String& path, const std::string& bytes) override;
  bool IsReadOnly(const String& path) const override;
  std::uint32_t Permissions(const String& path) const override;
  void SetPermissions(const String& path, std::uint32_t permissions) override;
  bool FolderIsWritable(const String& folder) const override;

  String FileName(const String& path) const override;
  String CurrentDirectory() const override;
  String ProgramFolder() const override;
  String ConfigFolder() const override;
  String Join(const String& folder, const String& name) const override;

 private:
  String programFolder_;
  String configFolder_;
};

}  // namespace quilmar
