#include "files/disk_stamp.hh"

#include <vector>

namespace quilmar {

void ContentHash::Add(std::string_view bytes) {
  std::uint64_t h = value_;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001B3ull;
  }
  value_ = h;
}

std::optional<DiskStamp> StampAfterWrite(const FileSystemPort& fs, const String& path, std::string_view bytes) {
  WrittenHash written;
  written.Add(bytes);
  return StampAfterWrite(fs, path, written);
}

std::optional<DiskStamp> StampAfterWrite(const FileSystemPort& fs, const String& path, const WrittenHash& written) {
  const std::optional<FileStamp> now = fs.Stamp(path);
  if (!now) return std::nullopt;
  DiskStamp stamp{path, *now, std::nullopt};
  if (now->size <= kHashedFileBytes) stamp.hash = written.Value();
  return stamp;
}

bool UnchangedOnDisk(const FileSystemPort& fs, const DiskStamp& stamp) {
  const std::optional<FileStamp> now = fs.Stamp(stamp.path);
  if (!now || !(*now == stamp.stamp)) return false;
  // A big file is not read again: its inode's change time tells a rewrite that put the file's
  // time back. It also moves with a change of mode, owner or links, which is then taken for a
  // change of content ("w!" still writes); a small file's hash tells the two apart.
  if (!stamp.hash) return now->inodeChangedNs == stamp.stamp.inodeChangedNs;
  try {
    const std::unique_ptr<ByteSource> source = fs.OpenRead(stamp.path);
    ContentHash hash;
    std::vector<char> buffer(64 * 1024);
    for (std::size_t n; (n = source->Read(buffer.data(), buffer.size())) != 0;) hash.Add(std::string_view(buffer.data(), n));
    return hash.Value() == *stamp.hash;
  } catch (const FileError&) {
    return false;  // a file that cannot be read back counts as changed
  }
}

}  // namespace quilmar
