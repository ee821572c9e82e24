#pragma once
// Backs the pages of a big buffer a little ahead of the code that fills it, on a thread of its
// own. A fresh page costs its first touch a fault and a zeroing (and, in a virtual machine whose
// host backs guest memory lazily, the host's fault too): a load of gigabytes otherwise spends
// as long waiting for pages as decoding its text. The warmer asks the kernel to back the pages
// (MADV_POPULATE_WRITE, which leaves their content alone, so the filler and it never race) at
// most a window ahead of the filler, so it never backs much that the text will not use.
// Advice only: where the kernel cannot do it, nothing happens and the filler faults as before.
#include <atomic>
#include <cstddef>
#include <thread>

namespace quilmar {

class PageWarmer {
 public:
  // Buffers smaller than this fill fast enough: no thread is started.
  static constexpr std::size_t kLeast = std::size_t(64) << 20;

  PageWarmer() = default;
  // Starts warming [data, data + size), never more than `window` bytes past what the filler
  // has reached; `data` must stay mapped until Stop or destruction.
  PageWarmer(char* data, std::size_t size, std::size_t window);
  ~PageWarmer() { Stop(); }
  PageWarmer(const PageWarmer&) = delete;
  PageWarmer& operator=(const PageWarmer&) = delete;

  // The filler has written the first `bytes`: the warmer may go on to `bytes` + its window.
  void Reached(std::size_t bytes) {
    if (!thread_.joinable()) return;
    reached_.store(bytes, std::memory_order_relaxed);
    reached_.notify_one();
  }
  // Waits for the thread; the buffer may go after this.
  void Stop();
  // How far it has backed the buffer (for tests); settled after Stop.
  std::size_t Warmed() const { return warmed_.load(std::memory_order_relaxed); }

 private:
  void Run(char* data, std::size_t size);

  std::atomic<std::size_t> reached_{0};
  std::atomic<std::size_t> warmed_{0};
  std::atomic<bool> stop_{false};
  std::size_t page_ = 4096;
  std::size_t window_ = 0;
  std::thread thread_;
};

}  // namespace quilmar
