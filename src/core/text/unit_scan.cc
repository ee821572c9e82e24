#include "text/unit_scan.hh"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quilmar {

const char16_t* FindUnit(const char16_t* p, const char16_t* end, char16_t unit) {
  return FindAnyUnit(p, end, &unit, 1);
}

std::size_t CountUnit(const char16_t* p, const char16_t* end, char16_t unit) {
  std::size_t count = 0;
#ifdef __SSE2__
  const __m128i v = _mm_set1_epi16(static_cast<short>(unit));
  while (end - p >= 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int mask = _mm_movemask_epi8(_mm_cmpeq_epi16(block, v));
    count += static_cast<std::size_t>(__builtin_popcount(static_cast<unsigned>(mask))) / 2;
    p += 8;
  }
#endif
  for (; p < end; ++p) count += *p == unit;
  return count;
}

const char16_t* FindAnyUnit(const char16_t* p, const char16_t* end, const char16_t* units, int count) {
  const char16_t u0 = units[0];
  const char16_t u1 = count > 1 ? units[1] : u0;
  const char16_t u2 = count > 2 ? units[2] : u0;
  const char16_t u3 = count > 3 ? units[3] : u0;
#ifdef __SSE2__
  // Eight units per step; unaligned loads are fine on every x86-64.
  const __m128i v0 = _mm_set1_epi16(static_cast<short>(u0));
  const __m128i v1 = _mm_set1_epi16(static_cast<short>(u1));
  const __m128i v2 = _mm_set1_epi16(static_cast<short>(u2));
  const __m128i v3 = _mm_set1_epi16(static_cast<short>(u3));
  while (end - p >= 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i hit = _mm_cmpeq_epi16(block, v0);
    if (count > 1) {
      hit = _mm_or_si128(hit, _mm_cmpeq_epi16(block, v1));
      hit = _mm_or_si128(hit, _mm_or_si128(_mm_cmpeq_epi16(block, v2), _mm_cmpeq_epi16(block, v3)));
    }
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return p + (__builtin_ctz(static_cast<unsigned>(mask)) >> 1);
    p += 8;
  }
#endif
  for (; p < end; ++p) {
    const char16_t c = *p;
    if (c == u0 || c == u1 || c == u2 || c == u3) return p;
  }
  return end;
}

const unsigned char* FindUnit(const unsigned char* p, const unsigned char* end, char16_t unit) {
  if (unit > 0xFF || p >= end) return end;
  const void* hit = std::memchr(p, unit, static_cast<std::size_t>(end - p));
  return hit ? static_cast<const unsigned char*>(hit) : end;
}

std::size_t CountUnit(const unsigned char* p, const unsigned char* end, char16_t unit) {
  if (unit > 0xFF) return 0;
  std::size_t count = 0;
#ifdef __SSE2__
  const __m128i v = _mm_set1_epi8(static_cast<char>(unit));
  while (end - p >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    count += static_cast<std::size_t>(__builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, v)))));
    p += 16;
  }
#endif
  for (; p < end; ++p) count += *p == unit;
  return count;
}

const unsigned char* FindAnyUnit(const unsigned char* p, const unsigned char* end, const char16_t* units, int count) {
  // Values above 0xFF cannot be among the bytes: they are left out.
  unsigned char bytes[4];
  int n = 0;
  for (int i = 0; i < count; ++i)
    if (units[i] <= 0xFF) bytes[n++] = static_cast<unsigned char>(units[i]);
  if (n == 0) return end;
  if (n == 1) return FindUnit(p, end, bytes[0]);
  for (int i = n; i < 4; ++i) bytes[i] = bytes[0];
#ifdef __SSE2__
  const __m128i v0 = _mm_set1_epi8(static_cast<char>(bytes[0]));
  const __m128i v1 = _mm_set1_epi8(static_cast<char>(bytes[1]));
  const __m128i v2 = _mm_set1_epi8(static_cast<char>(bytes[2]));
  const __m128i v3 = _mm_set1_epi8(static_cast<char>(bytes[3]));
  while (end - p >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, v0), _mm_cmpeq_epi8(block, v1)),
                                     _mm_or_si128(_mm_cmpeq_epi8(block, v2), _mm_cmpeq_epi8(block, v3)));
    const int mask = _mm_movemask_epi8(hit);
    if (mask != 0) return p + __builtin_ctz(static_cast<unsigned>(mask));
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    const unsigned char c = *p;
    if (c == bytes[0] || c == bytes[1] || c == bytes[2] || c == bytes[3]) return p;
  }
  return end;
}

}  // namespace quilmar
