// A save's bytes on their way to disk: whatever the sizes of the pieces they come in, and
// whether the file system takes them past its cache or not, the file holds exactly them.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "posix_files.hh"
#include "qt_file_system.hh"
#include "stream_writer.hh"
#include "temp_folder.hh"

namespace quilmar {
namespace {

using posix::StreamWriter;
using testing::TempFolder;

std::string Bytes(std::size_t size, std::uint32_t seed) {
  std::string s(size, '\0');
  for (char& c : s) {
    seed = seed * 1664525u + 1013904223u;
    c = static_cast<char>(seed >> 24);
  }
  return s;
}

// Hands `bytes` over in pieces of uneven sizes, some bigger than the writer's buffer.
void Produce(const std::string& bytes, const ByteWriter& write) {
  const std::size_t sizes[] = {1, 4095, 4097, 65537, 3 * StreamWriter::kBuffer / 2, 7, StreamWriter::kBuffer};
  std::size_t at = 0;
  for (int k = 0; at < bytes.size(); ++k) {
    const std::size_t take = std::min(sizes[k % std::size(sizes)], bytes.size() - at);
    write(std::string_view(bytes).substr(at, take));
    at += take;
  }
}

bool TakesDirectWrites(const std::string& folder) {
#ifdef O_DIRECT
  const std::string probe = folder + "/probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_DIRECT, 0600);
  ::unlink(probe.c_str());
  if (fd < 0) return false;
  ::close(fd);
  return true;
#else
  (void)folder;
  return false;
#endif
}

TEST(StreamWriter, EverySizeAroundItsBufferIsWrittenExactly) {
  TempFolder dir;
  QtFileSystem files{dir.UPath(), dir.UPath("config"), dir.UPath("state")};
  constexpr std::size_t B = StreamWriter::kBuffer;
  const std::string all = Bytes(2 * B + 4097, 1);
  // Nothing, a byte, about one buffer, and whole buffers, a whole block and a byte.
  for (const std::size_t size : {std::size_t(0), std::size_t(1), B - 1, B, B + 1, 2 * B + 4097}) {
    SCOPED_TRACE(size);
    const std::string bytes = all.substr(all.size() - size);  // a new start for each
    files.WriteWith(dir.UPath("f.bin"), [&](const ByteWriter& write) { Produce(bytes, write); });
    const std::string back = dir.Read("f.bin");
    ASSERT_EQ(back.size(), bytes.size());
    EXPECT_TRUE(back == bytes);
  }
}

TEST(StreamWriter, BigFilesGoPastTheCacheWhereTheFileSystemAllowsIt) {
  TempFolder dir;
  const std::string path = dir.Path("f.bin");
  const String name = dir.UPath("f.bin");
  const std::string bytes = Bytes(2 * StreamWriter::kBuffer + 12345, 7);
  for (const bool big : {false, true}) {
    posix::Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    ASSERT_GE(fd.get(), 0);
    StreamWriter writer(name, fd.get());
    const std::string_view part = big ? std::string_view(bytes) : std::string_view(bytes).substr(0, 100000);
    Produce(std::string(part), [&](std::string_view piece) { writer.Add(piece); });
    writer.Finish();
    // The descriptor is handed back as it came: later writes to it go through the cache.
    EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_ACCMODE, O_WRONLY);
#ifdef O_DIRECT
    EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_DIRECT, 0);
#endif
    EXPECT_EQ(writer.WentDirect(), big && TakesDirectWrites(dir.Path()));
    ASSERT_EQ(fd.Close(), 0);
    EXPECT_TRUE(dir.Read("f.bin") == part);
  }
}

}  // namespace
}  // namespace quilmar
