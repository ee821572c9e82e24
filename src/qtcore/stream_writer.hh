#pragma once
// A file's content written from its first byte to its last (a new file, or one written over).
// The first tens of megabytes go through the page cache straight from the caller's pieces, as
// any write does; past them the bytes go to the disk directly (O_DIRECT) from an aligned
// buffer: a save of gigabytes then neither copies them into as many fresh cache pages nor
// waits at the sync for those to be flushed, which costs several times the writing itself.
// Where the file system refuses direct writes they go through the cache all the same.
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/file_system.hh"

namespace quilmar::posix {

class StreamWriter {
 public:
  // Files up to this size are written through the cache whole.
  static constexpr off_t kDirectFrom = off_t(32) << 20;
  // The buffer, a multiple of every block size direct writes ask to be aligned to.
  static constexpr std::size_t kBuffer = std::size_t(8) << 20;
  static constexpr std::size_t kAlign = 4096;

  // `fd`: a regular file open for writing, written from offset 0; `path` names it in errors.
  StreamWriter(const String& path, int fd, off_t directFrom = kDirectFrom);
  ~StreamWriter();
  StreamWriter(const StreamWriter&) = delete;
  StreamWriter& operator=(const StreamWriter&) = delete;

  void Add(std::string_view bytes);
  // Writes what is still held; the caller syncs. Throws FileError as Add does.
  void Finish();
  // Whether any of it went past the cache (for tests).
  bool WentDirect() const { return wentDirect_; }

 private:
  void Put(const char* data, std::size_t size, bool direct);
  void Direct(bool on);

  const String& path_;
  int fd_;
  off_t directFrom_;
  struct Free {
    void operator()(char* p) const;
  };
  std::unique_ptr<char, Free> buffer_;  // from the first aligned offset past directFrom_ on
  std::size_t held_ = 0;
  off_t at_ = 0;            // where the next bytes written go
  bool direct_ = false;     // the descriptor writes directly now
  bool refused_ = false;    // the file system would not
  bool wentDirect_ = false;
};

}  // namespace quilmar::posix
