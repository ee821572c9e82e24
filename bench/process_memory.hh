#pragma once
// The process's resident memory as Linux reports it, for benchmarks that measure peak use.
#include <fstream>
#include <string>

namespace quilmar::bench {

// A "Vm...:" line of /proc/self/status, in kB (0 where there is none).
inline long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::string(key).size()));
  return 0;
}

// Resets the peak resident size to the current one (Linux: clear_refs 5).
inline void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

}  // namespace quilmar::bench
