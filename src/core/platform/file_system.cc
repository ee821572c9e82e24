#include "platform/file_system.hh"

namespace quilmar {

std::string FileSystemPort::ReadAll(const String& path) const {
  const std::unique_ptr<ByteSource> source = OpenRead(path);
  std::string bytes(static_cast<std::size_t>(source->Size()), '\0');
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) bytes.resize(bytes.size() + 4096);  // the file grew meanwhile
    const std::size_t n = source->Read(bytes.data() + done, bytes.size() - done);
    if (n == 0) break;
    done += n;
  }
  bytes.resize(done);
  return bytes;
}

void FileSystemPort::WriteWith(const String& path, const std::function<void(const ByteWriter&)>& produce) {
  std::string bytes;
  produce([&bytes](std::string_view piece) { bytes += piece; });
  WriteAll(path, bytes);
}

}  // namespace quilmar
