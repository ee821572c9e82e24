#include "large_pages.hh"

#include <cstdlib>
#include <string>

#if defined(__linux__) && defined(__GLIBC__)
#include <unistd.h>
#endif

namespace quilmar {

void UseLargePagesForBigBlocks([[maybe_unused]] char** argv) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
  constexpr const char* kTunable = "glibc.malloc.hugetlb";
  const char* current = std::getenv("GLIBC_TUNABLES");
  std::string tunables = current ? current : "";
  // Also marks the second start, so there is never more than one re-execution.
  if (tunables.find(kTunable) != std::string::npos) return;
  if (!tunables.empty()) tunables += ':';
  tunables += std::string(kTunable) + "=1";
  if (setenv("GLIBC_TUNABLES", tunables.c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Still here: the program goes on as it is; the setting only costs time, never behaviour.
  if (current) setenv("GLIBC_TUNABLES", current, 1);
  else unsetenv("GLIBC_TUNABLES");
#endif
}

}  // namespace quilmar
