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

StreamWriter::StreamWriter(const String& path, int fd, off_t directFrom)
    : path_(path), fd_(fd), directFrom_(directFrom) {}

StreamWriter::~StreamWriter() {
  // A failed save leaves its descriptor as it found it, whoever closes it.
  if (direct_) Direct(false);
}

void StreamWriter::Direct([[maybe_unused]] bool on) {
#ifdef O_DIRECT
  const int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0 && ::fcntl(fd_, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) == 0) {
    direct_ = on;
    return;
  }
#endif
  if (on) refused_ = true;
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
        Direct(false);
        if (!direct_) continue;
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
  if (!buffer_) {
    // Through the cache up to the first aligned offset past directFrom_.
    const off_t edge = (std::max(directFrom_, at_) + off_t(kAlign) - 1) / off_t(kAlign) * off_t(kAlign);
    const auto through = std::min(bytes.size(), static_cast<std::size_t>(edge - at_));
    Put(bytes.data(), through, false);
    bytes.remove_prefix(through);
    if (bytes.empty()) return;
    void* p = std::aligned_alloc(kAlign, kBuffer);
    if (!p) throw std::bad_alloc();
    buffer_.reset(static_cast<char*>(p));
  }
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), kBuffer - held_);
    std::memcpy(buffer_.get() + held_, bytes.data(), take);
    held_ += take;
    bytes.remove_prefix(take);
    if (held_ == kBuffer) {
      Put(buffer_.get(), held_, true);  // whole blocks, at an aligned offset
      held_ = 0;
    }
  }
}

void StreamWriter::Finish() {
  // The last whole blocks go as the rest did, the part block after them through the cache;
  // the descriptor is left writing through the cache.
  const std::size_t whole = held_ / kAlign * kAlign;
  if (whole > 0) Put(buffer_.get(), whole, true);
  Put(buffer_.get() + whole, held_ - whole, false);
  held_ = 0;
}

}  // namespace quilmar::posix
