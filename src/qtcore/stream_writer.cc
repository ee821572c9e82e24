#include "stream_writer.hh"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "posix_files.hh"

namespace quilmar::posix {

void StreamWriter::Free::operator()(char* p) const { std::free(p); }

StreamWriter::StreamWriter(const String& path, int fd) : path_(path), fd_(fd) {}

StreamWriter::~StreamWriter() {
  // A failed save leaves its descriptor as it found it, whoever closes it.
  if (direct_) Direct(false);
}

bool StreamWriter::Direct([[maybe_unused]] bool on) {
#ifdef O_DIRECT
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0 && ::fcntl(fd_, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0) {
    direct_ = on;
    return true;
  }
  if (on) refused_ = true;
  return false;
#else
  refused_ = true;
  return false;
#endif
}

void StreamWriter::Put(const char* data, std::size_t size, bool direct) {
  if (direct != direct_ && !(direct && refused_)) Direct(direct);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pwrite(fd_, data + done, size - done, at_);
    if (n < 0) {
      if (errno == EINTR) continue;
      // A file system may take the flag and still refuse the write: the cache takes it.
      if (errno == EINVAL && direct_) {
        refused_ = true;
        if (Direct(false)) continue;
      }
      Fail(path_, errno);
    }
    if (direct_) wentDirect_ = true;
    done += static_cast<std::size_t>(n);
    at_ += static_cast<off_t>(n);
    // What a short direct write left may not be aligned: the rest goes through the cache.
    if (done < size && direct_) {
      refused_ = true;
      Direct(false);
    }
  }
}

void StreamWriter::Add(std::string_view bytes) {
  while (!bytes.empty()) {
    if (!buffer_) {
      void* p = std::aligned_alloc(kAlign, kBuffer);
      if (!p) throw std::bad_alloc();
      buffer_.reset(static_cast<char*>(p));
    }
    const std::size_t take = std::min(bytes.size(), kBuffer - held_);
    std::memcpy(buffer_.get() + held_, bytes.data(), take);
    held_ += take;
    bytes.remove_prefix(take);
    if (held_ == kBuffer) {
      // A whole buffer: the file is big, and the buffer lands on an aligned offset.
      Put(buffer_.get(), held_, true);
      held_ = 0;
    }
  }
}

void StreamWriter::Finish() {
  if (held_ == 0) return;
  // A big file's last whole blocks go as the rest did, the part block after them through the
  // cache; a small file goes through the cache whole.
  const std::size_t whole = at_ > 0 ? held_ / kAlign * kAlign : 0;
  if (whole > 0) Put(buffer_.get(), whole, true);
  Put(buffer_.get() + whole, held_ - whole, false);
  held_ = 0;
}

}  // namespace quilmar::posix
