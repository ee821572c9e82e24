#pragma once
// The file system as the editor needs it. One real adapter (QtCore) serves every front end;
// tests wrap it to inject faults. Failures are thrown as FileError with a reason for the user.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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

// What tells one content of a file on disk from another: which file it is, its size and when
// its content was last modified (a change of permissions alone does not count).
struct FileStamp {
  std::uint64_t device = 0, inode = 0;
  std::int64_t size = 0, modifiedNs = 0;
  // When the file's inode last changed. Every write moves it and nobody can set it back, so it
  // tells a rewrite whose time was put back; a change of mode, owner, links or attributes moves
  // it too, so it is a hint, not part of what makes two stamps the same.
  std::int64_t inodeChangedNs = 0;
  friend bool operator==(const FileStamp& a, const FileStamp& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.modifiedNs == b.modifiedNs;
  }
};

// A file opened for reading piece by piece, so that a big file never needs its whole bytes in
// memory beside the text made of them.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Up to `size` next bytes into `into`; 0 at the end. Throws FileError.
  virtual std::size_t Read(char* into, std::size_t size) = 0;
  virtual void Rewind() = 0;            // back to the first byte
  virtual std::int64_t Size() const = 0;  // when opened
  virtual FileStamp Stamp() const = 0;    // when opened
};

// Bytes already in memory read as a file: viewed where they are, or kept as a copy (as an open
// file keeps reading the content it opened). `piece` caps each read, to hand them over a few
// at a time as a disk may.
class MemorySource final : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes, FileStamp stamp = {}, std::size_t piece = SIZE_MAX)
      : bytes_(bytes), stamp_(stamp), piece_(piece) {}
  MemorySource(std::string owned, FileStamp stamp)
      : owned_(std::move(owned)), bytes_(owned_), stamp_(stamp), piece_(SIZE_MAX) {}
  MemorySource(const MemorySource&) = delete;
  MemorySource& operator=(const MemorySource&) = delete;

  std::size_t Read(char* into, std::size_t size) override {
    const std::size_t n = std::min({size, piece_, bytes_.size() - at_});
    bytes_.copy(into, n, at_);
    at_ += n;
    return n;
  }
  void Rewind() override { at_ = 0; }
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  FileStamp Stamp() const override { return stamp_; }

 private:
  std::string owned_;
  std::string_view bytes_;
  FileStamp stamp_;
  std::size_t piece_;
  std::size_t at_ = 0;
};

// Takes the bytes of a file being written, a piece at a time.
using ByteWriter = std::function<void(std::string_view)>;

// Something held for as long as the object lives (a folder locked for this process); the
// operating system lets go of it when the process dies, however it dies.
class Hold {
 public:
  virtual ~Hold() = default;
};

class FileSystemPort {
 public:
  virtual ~FileSystemPort() = default;
  // True only for an existing regular file (a folder, a missing path or "" give false).
  virtual bool FileExists(const String& path) const = 0;
  virtual std::int64_t FileSize(const String& path) const = 0;
  // Opens a file for reading. Refuses what is not a regular file (a FIFO, a device).
  virtual std::unique_ptr<ByteSource> OpenRead(const String& path) const = 0;
  // The whole file's bytes, for the small files the editor reads itself (settings, help).
  std::string ReadAll(const String& path) const;
  // The file's stamp now; nothing when there is no such file.
  virtual std::optional<FileStamp> Stamp(const String& path) const = 0;
  // Creates an empty file (nothing written yet).
  virtual void CreateEmpty(const String& path) = 0;
  // Replaces the file's content whole, atomically where the folder allows: on any failure
  // the old content survives. Keeps the file's owner, group, permissions, attributes, symbolic
  // and hard links. Where the file must be written in place, a complete copy of the old content
  // is kept in the state folder until the new content is safely on disk. A read-only file is
  // written too, without being made writable for the write: whether it may be is the caller's call.
  virtual void WriteAll(const String& path, const std::string& bytes) = 0;
  // The same for bytes made as they are written: `produce` hands them to its writer piece by
  // piece. Unless an adapter streams them to the file, they are gathered for WriteAll.
  virtual void WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce);
  // The copy of the file's old content left by an in-place write that never finished (the
  // program died during it), if there is one.
  virtual std::optional<String> LeftoverCopy(const String& /*path*/) const { return std::nullopt; }
  // Read-only: the owner may not write the file.
  virtual bool IsReadOnly(const String& path) const = 0;
  // Could a new file be created in this folder?
  virtual bool FolderIsWritable(const String& folder) const = 0;

  // The file a dialog's answer stands for. A dialog shows (and returns) every byte of a name
  // that is not UTF-8 as U+FFFD; this finds the one entry on disk that shows so. Throws
  // FileError when several do, rather than pick one.
  virtual String ResolveShown(const String& path) const { return path; }

  virtual String FileName(const String& path) const = 0;  // last component
  virtual String CurrentDirectory() const = 0;
  virtual String ProgramFolder() const = 0;
  virtual String ConfigFolder() const = 0;  // the user's configuration folder for the editor

  // ---- The editor's own state folder, where it keeps the recovery records of unsaved work.
  // These calls (and WriteAll and OpenRead) may come from the record's writer thread while the
  // editor uses the others: an adapter must allow that.
  virtual String StateFolder() const = 0;
  // Makes the folder, and any missing folder above it, private to the user; durable once made.
  virtual void MakeFolder(const String& folder) = 0;
  // The names in a folder, without "." and ".."; none when there is no such folder.
  virtual std::vector<String> List(const String& folder) const = 0;
  // Appends the bytes to the file (made when missing) and syncs them to the disk.
  virtual void Append(const String& path, std::string_view bytes) = 0;
  // Renames a file or a folder, durably.
  virtual void Rename(const String& from, const String& to) = 0;
  // Removes a file, or a folder that is empty; nothing when there is no such entry.
  virtual void Remove(const String& path) = 0;
  // Locks a folder for this process while the hold lives; nothing when another holder (another
  // run of the editor, alive) has it.
  virtual std::unique_ptr<Hold> Lock(const String& folder) = 0;
  // The wall clock, in nanoseconds since 1970 (the time files are stamped with).
  virtual std::int64_t Now() const = 0;
  // Bytes of memory the editor could still take without pushing others out (Linux's
  // MemAvailable); nothing where it cannot be told.
  virtual std::optional<std::int64_t> AvailableMemory() const { return std::nullopt; }
  virtual String Join(const String& folder, const String& name) const = 0;

  // The path absolute, links resolved (a missing file's folder resolved); one for every spelling of a file.
  virtual std::optional<String> Resolve(const String& path) const = 0;
  // Removes a real folder of the user's and the user's own files in it that `ours` names, following no link.
  virtual void RemoveOwnFolder(const String& folder, const std::function<bool(StringView)>& ours) = 0;
  // Removes what earlier saves of the file left when they were killed (their temporary files,
  // unfinished copies) and the copies of its old content it no longer needs.
  virtual void ClearLeftovers(const String& /*path*/) {}
};

}  // namespace quilmar
