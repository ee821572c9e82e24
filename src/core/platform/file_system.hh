#pragma once
// The file system as the editor needs it. One real adapter (QtCore) serves every front end;
// tests wrap it to inject faults. Failures are thrown as FileError with a reason for the user.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "text/ustring.hh"

namespace quilmar {

class FileError : public std::runtime_error {
 public:
  FileError(const String& path, const std::string& reason)
      : std::runtime_error(reason), path_(path), reason_(reason) {}
  const String& Path() const { return path_; }
  const std::string& Reason() const { return reason_; }

 private:
  String path_;
  std::string reason_;
};

class FileSystemPort {
 public:
  virtual ~FileSystemPort() = default;
  // True only for an existing regular file (a folder, a missing path or "" give false).
  virtual bool FileExists(const String& path) const = 0;
  virtual std::int64_t FileSize(const String& path) const = 0;
  // The whole file's bytes. Refuses what is not a regular file (a FIFO, a device).
  virtual std::string ReadAll(const String& path) const = 0;
  // Creates an empty file (nothing written yet).
  virtual void CreateEmpty(const String& path) = 0;
  // Replaces the file's content whole, atomically where the folder allows: on any failure
  // the old content survives. Keeps the file's permissions, symbolic and hard links.
  virtual void WriteAll(const String& path, const std::string& bytes) = 0;
  // Read-only: the owner may not write the file.
  virtual bool IsReadOnly(const String& path) const = 0;
  // Exact permission bits, to hold and restore around a forced write.
  virtual std::uint32_t Permissions(const String& path) const = 0;
  virtual void SetPermissions(const String& path, std::uint32_t permissions) = 0;
  // Could a new file be created in this folder?
  virtual bool FolderIsWritable(const String& folder) const = 0;

  virtual String FileName(const String& path) const = 0;  // last component
  virtual String CurrentDirectory() const = 0;
  virtual String ProgramFolder() const = 0;
  virtual String ConfigFolder() const = 0;  // the user's configuration folder for the editor
  virtual String Join(const String& folder, const String& name) const = 0;
};

}  // namespace quilmar
