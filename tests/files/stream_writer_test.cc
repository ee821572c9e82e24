// A save's bytes on their way to disk: whatever the sizes of the pieces they come in, and
// whether the file system takes them past its cache or not, the file holds exactly them.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
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

// Written by a writer that goes direct past 5000 bytes (not an aligned offset): nothing, a
// byte, either side of that point and of the first aligned offset after it, about one buffer,
// and whole buffers, a whole block and a byte.
TEST(StreamWriter, EverySizeAroundItsEdgesIsWrittenExactly) {
  TempFolder dir;
  const std::string path = dir.Path("f.bin");
  const String name = dir.UPath("f.bin");
  constexpr std::size_t B = StreamWriter::kBuffer, A = StreamWriter::kAlign;
  const std::string all = Bytes(2 * B + 2 * A + 1, 1);
  const bool direct = TakesDirectWrites(dir.Path());
  for (const std::size_t size : {std::size_t(0), std::size_t(1), std::size_t(4999), std::size_t(5001), 2 * A, 3 * A - 1,
                                 3 * A, B + 2 * A - 1, B + 2 * A, 2 * B + 2 * A + 1}) {
    SCOPED_TRACE(size);
    const std::string bytes = all.substr(all.size() - size);  // a new start for each
    posix::Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    ASSERT_GE(fd.get(), 0);
    StreamWriter writer(name, fd.get(), 5000);
    Produce(bytes, [&](std::string_view piece) { writer.Add(piece); });
    writer.Finish();
    // A whole block past the first aligned offset (8192) is the least that goes direct.
    EXPECT_EQ(writer.WentDirect(), direct && size >= 3 * A);
    // The descriptor is handed back as it came: later writes to it go through the cache.
#ifdef O_DIRECT
    EXPECT_EQ(::fcntl(fd.get(), F_GETFL) & O_DIRECT, 0);
#endif
    ASSERT_EQ(fd.Close(), 0);
    const std::string back = dir.Read("f.bin");
    ASSERT_EQ(back.size(), bytes.size());
    EXPECT_TRUE(back == bytes);
  }
}

// A file system without direct writes (ramfs) takes every byte through its cache instead.
TEST(StreamWriter, AFileSystemThatRefusesDirectWritesGetsThemThroughItsCache) {
  TempFolder dir;
  const std::string at = dir.Path("ram");
  ::mkdir(at.c_str(), 0700);
  if (::mount("ramfs", at.c_str(), "ramfs", 0, nullptr) != 0) GTEST_SKIP() << "cannot mount a ramfs here";
  struct Unmount {
    std::string at;
    ~Unmount() { ::umount(at.c_str()); }
  } unmount{at};
  ASSERT_FALSE(TakesDirectWrites(at));
  const std::string path = at + "/f.bin";
  const std::string bytes = Bytes(StreamWriter::kBuffer + 3 * StreamWriter::kAlign + 5, 3);
  {
    posix::Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    ASSERT_GE(fd.get(), 0);
    StreamWriter writer(FromUtf8(path), fd.get(), 5000);
    Produce(bytes, [&](std::string_view piece) { writer.Add(piece); });
    writer.Finish();
    EXPECT_FALSE(writer.WentDirect());
    ASSERT_EQ(fd.Close(), 0);
  }
  EXPECT_TRUE(TempFolder::ReadPath(path) == bytes);
}

// A save through the adapter: its content, whole, in the file it replaced.
TEST(StreamWriter, ASaveHoldsItsBytesWhole) {
  TempFolder dir;
  QtFileSystem files{dir.UPath(), dir.UPath("config"), dir.UPath("state")};
  dir.Write("f.bin", "old");
  const std::string bytes = Bytes(3 * StreamWriter::kBuffer + 17, 7);
  files.WriteWith(dir.UPath("f.bin"), [&](const ByteWriter& write) { Produce(bytes, write); });
  EXPECT_TRUE(dir.Read("f.bin") == bytes);
}

}  // namespace
}  // namespace quilmar
