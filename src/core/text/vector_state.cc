// ClearVectorUpperHalves: VZEROUPPER, on x86 machines with AVX only (elsewhere it is not an
// instruction), hence compiled for AVX alone and called after a check of the processor.
#include "text/vector_state.hh"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace quilmar {

#if defined(__x86_64__) || defined(__i386__)
namespace {
__attribute__((target("avx"))) void ZeroUpper() { _mm256_zeroupper(); }
}  // namespace

void ClearVectorUpperHalves() {
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) ZeroUpper();
}
#else
void ClearVectorUpperHalves() {}
#endif

}  // namespace quilmar
