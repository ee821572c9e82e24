#include "text/large_buffer.hh"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace quilmar {

namespace {

// Below this the heap serves well enough, and a mapping of its own would waste its last page.
constexpr std::size_t kMapped = std::size_t(1) << 20;
// A transparent huge page: the kernel backs an aligned stretch of this size with one page.
constexpr std::size_t kHuge = std::size_t(2) << 20;

std::size_t RoundUp(std::size_t n, std::size_t to) { return (n + to - 1) / to * to; }

}  // namespace

void AdviseLarge([[maybe_unused]] void* data, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
  if (size < kMapped) return;
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t from = RoundUp(start, kHuge);
  const std::uintptr_t to = (start + size) / kHuge * kHuge;
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

LargeBuffer::LargeBuffer(std::size_t capacity) : capacity_(capacity) {
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
  if (capacity >= kMapped) {
    // Reserve a huge page more than asked, then keep an aligned stretch: only aligned stretches
    // can be huge pages. Unwritten pages cost no memory (MAP_NORESERVE: nor commit charge).
    const std::size_t want = RoundUp(capacity, kHuge);
    void* raw = mmap(nullptr, want + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(start, kHuge);
    if (aligned > start) munmap(raw, aligned - start);
    if (aligned + want < start + want + kHuge) munmap(reinterpret_cast<void*>(aligned + want), start + kHuge - aligned);
    data_ = reinterpret_cast<char*>(aligned);
    mapped_ = want;
#ifdef MADV_HUGEPAGE
    madvise(data_, mapped_, MADV_HUGEPAGE);  // advice only: without it the text still loads
#endif
    return;
  }
#endif
  data_ = static_cast<char*>(std::malloc(capacity == 0 ? 1 : capacity));
  if (!data_) throw std::bad_alloc();
}

LargeBuffer::~LargeBuffer() { Release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void LargeBuffer::Trim(std::size_t used) {
  if (used >= capacity_) return;
  capacity_ = used;
#if defined(__linux__)
  if (mapped_ > 0) {
    // Whole huge pages past the end go back; the partly used one stays whole.
    const std::size_t kept = std::min(mapped_, RoundUp(std::max<std::size_t>(used, 1), kHuge));
    if (kept < mapped_) munmap(data_ + kept, mapped_ - kept);
    mapped_ = kept;
    return;
  }
#endif
  if (void* smaller = std::realloc(data_, used == 0 ? 1 : used)) data_ = static_cast<char*>(smaller);
}

void LargeBuffer::Release() {
  if (!data_) return;
#if defined(__linux__)
  if (mapped_ > 0) {
    munmap(data_, mapped_);
    data_ = nullptr;
    return;
  }
#endif
  std::free(data_);
  data_ = nullptr;
}

}  // namespace quilmar
