#pragma once
// Storage for a big text: the loaded file's characters, a substitution's result. Its room is
// reserved as address space up front (a load reserves the most its file could decode to), so
// it never moves or grows by copying; only the pages written are ever backed by memory. Big
// buffers ask the kernel for huge pages where it offers them, which spares a load of 100 MB
// tens of thousands of page faults. Small ones come from the ordinary heap.
#include <cstddef>

namespace quilmar {

// Asks for huge pages for a big block from the heap, before it is first written (a save's
// bytes); nothing for a small one.
void AdviseLarge(void* data, std::size_t size);

class LargeBuffer {
 public:
  LargeBuffer() = default;
  // Room for `capacity` bytes, none of them used yet. Throws std::bad_alloc.
  explicit LargeBuffer(std::size_t capacity);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  char* data() const { return data_; }
  std::size_t capacity() const { return capacity_; }
  // Gives the room past the first `used` bytes back (the pages of it, for a big buffer).
  void Trim(std::size_t used);

 private:
  void Release();

  char* data_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t mapped_ = 0;  // bytes of a mapping of its own (0: from the heap)
};

}  // namespace quilmar
