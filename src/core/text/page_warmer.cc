#include "text/page_warmer.hh"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace quilmar {

namespace {

// Backed in steps of this (four huge pages): few calls, and the filler is soon behind none.
constexpr std::size_t kStep = std::size_t(8) << 20;

}  // namespace

PageWarmer::PageWarmer([[maybe_unused]] char* data, [[maybe_unused]] std::size_t size,
                       [[maybe_unused]] std::size_t window) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE) && !defined(__SANITIZE_ADDRESS__)
  if (size < kLeast) return;
  // The advice takes whole pages: those that lie wholly in the buffer.
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t from = (start + page - 1) / page * page;
  if (from >= start + size) return;
  const std::size_t length = (start + size - from) / page * page;
  if (length == 0) return;
  page_ = page;
  window_ = window;
  thread_ = std::thread([this, from, length] { Run(reinterpret_cast<char*>(from), length); });
#endif
}

void PageWarmer::Stop() {
  if (!thread_.joinable()) return;
  stop_.store(true);
  reached_.fetch_add(1);  // wakes a wait on it
  reached_.notify_one();
  thread_.join();
}

void PageWarmer::Run([[maybe_unused]] char* data, [[maybe_unused]] std::size_t size) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  std::size_t done = 0;
  while (!stop_.load() && done < size) {
    const std::size_t reached = reached_.load();
    const std::size_t target = std::min(size, reached + window_);
    if (done >= target) {
      reached_.wait(reached);
      continue;
    }
    // In whole pages (the buffer's stretch is whole pages too): the filler is at most a page ahead.
    const std::size_t step = std::min(kStep, (target - done + page_ - 1) / page_ * page_);
    if (::madvise(data + done, step, MADV_POPULATE_WRITE) != 0) break;  // not here, or not now
    done += step;
    warmed_.store(done, std::memory_order_relaxed);
  }
#endif
}

}  // namespace quilmar
