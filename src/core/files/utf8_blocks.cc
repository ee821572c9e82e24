// DecodeUtf8Blocks: every byte of a block is classed from its high nibble, each position gets
// the unit it would end if a character ended there, and a table shuffles the units of the
// positions that do end one together. Branches then depend only on what ends a run, not on
// each character's length, which in mixed text changes every two or three characters and
// costs a one-character-at-a-time decoder a mispredicted branch each time.
#include "files/utf8_blocks.hh"

#include <algorithm>
#include <array>
#include <cstdint>

#include "text/vector_state.hh"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUILMAR_UTF8_BLOCKS 1
#endif

namespace quilmar {

#ifdef QUILMAR_UTF8_BLOCKS
namespace {

// A byte's class, from its high nibble: ASCII 0, continuation, or the lead of a sequence of two,
// three or four bytes (F8 to FF class as four-byte leads; they are refused by value).
constexpr std::uint8_t kCont = 0x01, kLead2 = 0x02, kLead3 = 0x04, kLead4 = 0x08;

// For each set of eight 16-bit lanes to keep: the shuffle that moves them, in order, to the
// front, and how many they are.
struct Compaction {
  std::array<std::array<std::uint8_t, 16>, 256> shuffle{};
  std::array<std::uint8_t, 256> count{};
};

constexpr Compaction MakeCompaction() {
  Compaction c;
  for (unsigned mask = 0; mask < 256; ++mask) {
    unsigned k = 0;
    for (unsigned lane = 0; lane < 8; ++lane) {
      if ((mask >> lane & 1) == 0) continue;
      c.shuffle[mask][2 * k] = static_cast<std::uint8_t>(2 * lane);
      c.shuffle[mask][2 * k + 1] = static_cast<std::uint8_t>(2 * lane + 1);
      ++k;
    }
    for (unsigned rest = 2 * k; rest < 16; ++rest) c.shuffle[mask][rest] = 0x80;  // zero
    c.count[mask] = static_cast<std::uint8_t>(k);
  }
  return c;
}

constexpr Compaction kCompaction = MakeCompaction();

#define QUILMAR_SSSE3 __attribute__((target("ssse3")))

QUILMAR_SSSE3 inline __m128i Byte(int b) { return _mm_set1_epi8(static_cast<char>(b)); }
QUILMAR_SSSE3 inline __m128i Lanes(int u) { return _mm_set1_epi16(static_cast<short>(u)); }
// Bytes a <= b and a >= b, unsigned.
QUILMAR_SSSE3 inline __m128i AtMost(__m128i a, int b) { return _mm_cmpeq_epi8(_mm_min_epu8(a, Byte(b)), a); }
QUILMAR_SSSE3 inline __m128i AtLeast(__m128i a, int b) { return _mm_cmpeq_epi8(_mm_max_epu8(a, Byte(b)), a); }

// The highest set bit of a nonzero mask.
inline int Highest(unsigned mask) { return 31 - __builtin_clz(mask); }

// The units of the eight positions of one half (`Unpack` picks it) of the block.
template <bool kHigh>
QUILMAR_SSSE3 inline __m128i Unpack(__m128i v) {
  return kHigh ? _mm_unpackhi_epi8(v, _mm_setzero_si128()) : _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
template <bool kHigh>
QUILMAR_SSSE3 inline __m128i Spread(__m128i m) {  // a byte mask to a 16-bit lane mask
  return kHigh ? _mm_unpackhi_epi8(m, m) : _mm_unpacklo_epi8(m, m);
}

template <bool kHigh>
QUILMAR_SSSE3 inline __m128i HalfUnits(__m128i v, __m128i v1, __m128i v2, __m128i ascii, __m128i end2, __m128i end3,
                                       __m128i high4, __m128i low4) {
  const __m128i b = Unpack<kHigh>(v), p1 = Unpack<kHigh>(v1), p2 = Unpack<kHigh>(v2);
  // Ending a two- or three-byte character: the last two bytes' bits (a two-byte lead's sixth
  // bit is zero, so it masks alike); a three-byte one adds its lead's four.
  const __m128i tail = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(p1, Lanes(0x3F)), 6), _mm_and_si128(b, Lanes(0x3F)));
  const __m128i three = _mm_or_si128(tail, _mm_slli_epi16(p2, 12));
  // A four-byte character's code point minus 0x10000, shifted right ten, at its third byte,
  // and its low ten bits at its fourth.
  const __m128i top = _mm_or_si128(
      _mm_or_si128(_mm_slli_epi16(_mm_and_si128(p2, Lanes(0x07)), 8), _mm_slli_epi16(_mm_and_si128(p1, Lanes(0x3F)), 2)),
      _mm_and_si128(_mm_srli_epi16(b, 4), Lanes(0x03)));
  const __m128i high = _mm_add_epi16(top, Lanes(0xD800 - 0x40));
  const __m128i low = _mm_or_si128(_mm_and_si128(tail, Lanes(0x03FF)), Lanes(0xDC00));
  __m128i u = _mm_and_si128(b, Spread<kHigh>(ascii));
  u = _mm_or_si128(u, _mm_and_si128(tail, Spread<kHigh>(end2)));
  u = _mm_or_si128(u, _mm_and_si128(three, Spread<kHigh>(end3)));
  u = _mm_or_si128(u, _mm_and_si128(high, Spread<kHigh>(high4)));
  return _mm_or_si128(u, _mm_and_si128(low, Spread<kHigh>(low4)));
}

}  // namespace

bool HaveUtf8Blocks() {
  static const bool have = __builtin_cpu_supports("ssse3");
  return have;
}

QUILMAR_SSSE3 Utf8Run DecodeUtf8Blocks(const unsigned char* s, std::size_t n, char16_t* o) {
  Utf8Run run;
  if (!HaveUtf8Blocks()) return run;
  ClearVectorUpperHalves();
  const __m128i classes = _mm_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, kCont, kCont, kCont, kCont, kLead2, kLead2, kLead3, kLead4);
  while (run.bytes + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + run.bytes));
    // The block starts a character, so what comes before it counts as ASCII (zero).
    const __m128i v1 = _mm_slli_si128(v, 1), v2 = _mm_slli_si128(v, 2);
    const __m128i c = _mm_shuffle_epi8(classes, _mm_and_si128(_mm_srli_epi16(v, 4), Byte(0x0F)));
    const __m128i c1 = _mm_slli_si128(c, 1), c2 = _mm_slli_si128(c, 2), c3 = _mm_slli_si128(c, 3);
    const __m128i zero = _mm_setzero_si128();
    const __m128i cont = _mm_cmpeq_epi8(c, Byte(kCont));
    // A continuation is right exactly where a lead one to three bytes before asks for one.
    const __m128i asked = _mm_or_si128(_mm_or_si128(_mm_and_si128(c1, Byte(kLead2 | kLead3 | kLead4)),
                                                    _mm_and_si128(c2, Byte(kLead3 | kLead4))),
                                       _mm_and_si128(c3, Byte(kLead4)));
    __m128i bad = _mm_cmpeq_epi8(cont, _mm_cmpeq_epi8(asked, zero));
    // Bytes UTF-8 never holds (C0, C1, F5 to FF), and second bytes that make an overlong form, a
    // surrogate or a code point past U+10FFFF.
    bad = _mm_or_si128(bad, _mm_cmpeq_epi8(_mm_and_si128(v, Byte(0xFE)), Byte(0xC0)));
    bad = _mm_or_si128(bad, AtLeast(v, 0xF5));
    bad = _mm_or_si128(bad, _mm_and_si128(_mm_cmpeq_epi8(v1, Byte(0xE0)), AtMost(v, 0x9F)));
    bad = _mm_or_si128(bad, _mm_and_si128(_mm_cmpeq_epi8(v1, Byte(0xED)), AtLeast(v, 0xA0)));
    bad = _mm_or_si128(bad, _mm_and_si128(_mm_cmpeq_epi8(v1, Byte(0xF0)), AtMost(v, 0x8F)));
    bad = _mm_or_si128(bad, _mm_and_si128(_mm_cmpeq_epi8(v1, Byte(0xF4)), AtLeast(v, 0x90)));
    const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(v, Byte('\r')), _mm_cmpeq_epi8(v, Byte('\n')));

    // The characters taken: those before the last one that starts in the block (it may go on
    // past it), before the first line end, and before the character of the first fault.
    const unsigned starts = ~static_cast<unsigned>(_mm_movemask_epi8(cont)) & 0xFFFF;
    int take = Highest(starts | 1);
    if (const unsigned e = static_cast<unsigned>(_mm_movemask_epi8(ends))) take = std::min(take, __builtin_ctz(e));
    if (const unsigned f = static_cast<unsigned>(_mm_movemask_epi8(bad)) & ((2u << take) - 1)) {
      const unsigned before = starts & ((1u << __builtin_ctz(f)) - 1);
      take = before == 0 ? 0 : Highest(before);
    }
    if (take == 0) break;
    const unsigned taken = (1u << take) - 1;

    const __m128i ascii = _mm_cmpeq_epi8(c, zero);
    const __m128i end2 = _mm_cmpeq_epi8(c1, Byte(kLead2));
    const __m128i end3 = _mm_cmpeq_epi8(c2, Byte(kLead3));
    const __m128i high4 = _mm_cmpeq_epi8(c2, Byte(kLead4));
    const __m128i low4 = _mm_cmpeq_epi8(c3, Byte(kLead4));
    const unsigned emit =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_or_si128(ascii, end2), end3),
                                                             _mm_or_si128(high4, low4)))) &
        taken;
    const unsigned low = emit & 0xFF, high = emit >> 8;
    char16_t* out = o + run.units;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_shuffle_epi8(HalfUnits<false>(v, v1, v2, ascii, end2, end3, high4, low4),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kCompaction.shuffle[low].data()))));
    out += kCompaction.count[low];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_shuffle_epi8(HalfUnits<true>(v, v1, v2, ascii, end2, end3, high4, low4),
                                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(kCompaction.shuffle[high].data()))));
    run.units += kCompaction.count[low] + kCompaction.count[high];
    const unsigned leads = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(c, Byte(kCont)))) & taken;
    run.multi += kCompaction.count[leads & 0xFF] + kCompaction.count[leads >> 8];
    run.bytes += static_cast<std::size_t>(take);
    if (emit == (static_cast<unsigned>(_mm_movemask_epi8(end3)) & taken)) break;  // three-byte characters only
  }
  return run;
}

#else

bool HaveUtf8Blocks() { return false; }
Utf8Run DecodeUtf8Blocks(const unsigned char*, std::size_t, char16_t*) { return {}; }

#endif

}  // namespace quilmar
