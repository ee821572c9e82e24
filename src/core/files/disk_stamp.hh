#pragma once
// What the editor knows of its document's file as it last read or wrote it, to tell whether
// another program changed the file since: its identity, size and times, and for a small file
// a hash of its content as well (a file system with coarse times can miss a quick change).
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/file_system.hh"

namespace quilmar {

// Files up to this size are hashed when read or written, and read again when checked.
inline constexpr std::int64_t kHashedFileBytes = 1 << 20;

// FNV-1a over bytes given in pieces.
class ContentHash {
 public:
  void Add(std::string_view bytes);
  std::uint64_t Value() const { return value_; }

 private:
  std::uint64_t value_ = 0xCBF29CE484222325ull;
};

// The hash of a file's bytes taken as they are written, piece by piece: nothing once they
// are more than a hashed file holds.
class WrittenHash {
 public:
  void Add(std::string_view bytes) {
    seen_ += static_cast<std::int64_t>(bytes.size());
    if (seen_ <= kHashedFileBytes) hash_.Add(bytes);
  }
  std::optional<std::uint64_t> Value() const {
    if (seen_ > kHashedFileBytes) return std::nullopt;
    return hash_.Value();
  }

 private:
  ContentHash hash_;
  std::int64_t seen_ = 0;
};

struct DiskStamp {
  String path;  // the file it was taken of, as the editor names it
  FileStamp stamp;
  std::optional<std::uint64_t> hash;
};

// The stamp of a file just written with these bytes; nothing if it cannot be read back.
std::optional<DiskStamp> StampAfterWrite(const FileSystemPort& fs, const String& path, std::string_view bytes);
std::optional<DiskStamp> StampAfterWrite(const FileSystemPort& fs, const String& path, const WrittenHash& written);
// Whether the file is still as stamped. A file that cannot be checked counts as changed.
bool UnchangedOnDisk(const FileSystemPort& fs, const DiskStamp& stamp);

}  // namespace quilmar
