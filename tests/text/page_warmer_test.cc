// The thread that backs a big buffer's pages ahead of its filler: it never changes a byte the
// filler wrote, it stays within its window of the filler, and it stops when told.
#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "text/large_buffer.hh"
#include "text/page_warmer.hh"

namespace quilmar {
namespace {

bool KernelWarms() {
#if defined(MADV_POPULATE_WRITE) && !defined(__SANITIZE_ADDRESS__)
  const long page = ::sysconf(_SC_PAGESIZE);
  void* p = ::mmap(nullptr, static_cast<std::size_t>(page), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  const bool ok = p != MAP_FAILED && ::madvise(p, static_cast<std::size_t>(page), MADV_POPULATE_WRITE) == 0;
  if (p != MAP_FAILED) ::munmap(p, static_cast<std::size_t>(page));
  return ok;
#else
  return false;
#endif
}

// Pages of [data, data + size) that are backed.
std::size_t Resident(char* data, std::size_t size) {
  const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const auto from = (reinterpret_cast<std::uintptr_t>(data) + page - 1) / page * page;
  const std::size_t pages = (reinterpret_cast<std::uintptr_t>(data) + size - from) / page;
  std::vector<unsigned char> in(pages);
  if (::mincore(reinterpret_cast<void*>(from), pages * page, in.data()) != 0) return 0;
  std::size_t n = 0;
  for (unsigned char c : in) n += c & 1;
  return n * page;
}

bool WaitFor(const PageWarmer& warmer, std::size_t bytes) {
  for (int k = 0; k < 2000 && warmer.Warmed() < bytes; ++k) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return warmer.Warmed() >= bytes;
}

constexpr std::size_t kWindow = std::size_t(16) << 20;
constexpr std::size_t kSize = 6 * kWindow;

TEST(PageWarmer, KeepsWithinItsWindowOfTheFillerAndChangesNothing) {
  if (!KernelWarms()) GTEST_SKIP() << "the kernel does not back pages on request here";
  LargeBuffer buffer(kSize);
  char* data = buffer.data();
  PageWarmer warmer(data, kSize, kWindow);
  ASSERT_TRUE(WaitFor(warmer, kWindow));
  // Nothing written yet: it backed its window and stopped there.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(warmer.Warmed(), kWindow);
  EXPECT_LE(Resident(data, kSize), kWindow + (std::size_t(4) << 20));
  // The filler writes while it warms; every byte is the filler's afterwards.
  constexpr std::size_t kPiece = std::size_t(1) << 20;
  for (std::size_t at = 0; at < kSize / 2; at += kPiece) {
    for (std::size_t i = at; i < at + kPiece; i += 512) data[i] = static_cast<char>(i / 512 * 7 + 1);
    warmer.Reached(at + kPiece);
  }
  ASSERT_TRUE(WaitFor(warmer, kSize / 2 + kWindow));
  warmer.Stop();
  EXPECT_EQ(warmer.Warmed(), kSize / 2 + kWindow);
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < kSize / 2; i += 512) wrong += data[i] != static_cast<char>(i / 512 * 7 + 1);
  EXPECT_EQ(wrong, 0u);
  EXPECT_EQ(data[kSize / 2 + 4096], 0);  // warmed, not written: still zero
}

TEST(PageWarmer, StopsWhileWaitingAndLeavesSmallBuffersAlone) {
  LargeBuffer small(PageWarmer::kLeast - 1);
  PageWarmer none(small.data(), PageWarmer::kLeast - 1, kWindow);
  none.Reached(PageWarmer::kLeast);
  none.Stop();
  EXPECT_EQ(none.Warmed(), 0u);
  if (!KernelWarms()) GTEST_SKIP() << "the kernel does not back pages on request here";
  LargeBuffer buffer(kSize);
  {
    PageWarmer warmer(buffer.data(), kSize, kWindow);
    ASSERT_TRUE(WaitFor(warmer, kWindow));
  }  // destroyed while it waits for the filler: it must not hang
}

}  // namespace
}  // namespace quilmar
