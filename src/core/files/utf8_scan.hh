#pragma once
// Reading bytes as UTF-8, shared by the decoders and the encoders (inline where their loops
// run on every byte): the stretches that need no decoding, the well-formed multi-byte
// sequences, the "stray" bytes (0x80 and up) that belong to none, and which encoding Decode
// takes a file's bytes for.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "files/text_format.hh"
#include "text/unit_span.hh"

namespace quilmar {

// Eight bytes (or four UTF-16 units) read at once.
inline std::uint64_t Load8(const void* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The length of the stretch at p (of n bytes at most) holding no line-end byte and, with
// `stopAtHigh`, no byte of 0x80 or more: bytes that decode to the character of their number.
std::size_t PlainBytes(const Byte* p, std::size_t n, bool stopAtHigh);

// The length of the well-formed UTF-8 sequence that starts with a byte of 0x80 or more at s[i]
// (no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short), or 0.
inline std::size_t Utf8SequenceAt(const unsigned char* s, std::size_t i, std::size_t n) {
  const unsigned char b = s[i];
  auto cont = [&](std::size_t k, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
    return i + k < n && s[i + k] >= lo && s[i + k] <= hi;
  };
  if (b >= 0xC2 && b <= 0xDF) return cont(1) ? 2 : 0;
  if (b >= 0xE0 && b <= 0xEF) return cont(1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) && cont(2) ? 3 : 0;
  if (b >= 0xF0 && b <= 0xF4)
    return cont(1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) && cont(2) && cont(3) ? 4 : 0;
  return 0;
}

// What a UTF-8 reading of some bytes met. A file that is not valid UTF-8 is read as UTF-8 with
// its stray bytes kept when it has no more stray bytes than multi-byte characters, and reading
// from its start they were never more than kLead ahead of the characters before them; as
// Latin-1 otherwise. Latin-1 text has next to no byte pairs that happen to be well-formed
// UTF-8, and random bytes have far more stray bytes than such pairs. The lead lets a few stray
// bytes come first, and tells most Latin-1 files within their first lines.
struct Utf8Tally {
  static constexpr std::size_t kLead = 16;
  std::size_t multi = 0;  // well-formed sequences of two to four bytes
  std::size_t stray = 0;  // bytes of 0x80 or more in none of them
  bool led = false;       // the stray bytes were once more than kLead ahead

  bool MostlyUtf8() const { return !led && stray <= multi; }
  // Counts what starts with the byte of 0x80 or more at s[i]; returns its length (1: stray).
  std::size_t Take(const unsigned char* s, std::size_t i, std::size_t n) {
    const std::size_t length = Utf8SequenceAt(s, i, n);
    if (length != 0) {
      ++multi;
      return length;
    }
    led = led || ++stray > multi + kLead;
    return 1;
  }
  // Counts what starts in s[from, to) (s holds n bytes, so a sequence may end past `to`);
  // returns where the last one ended, or stops early once the stray bytes led. A high byte
  // before a byte below 0x80 is a stray byte whatever it is, so sixteen bytes whose high bytes
  // are all followed so are counted at once.
  std::size_t TakeAll(const unsigned char* s, std::size_t from, std::size_t to, std::size_t n) {
    std::size_t i = from;
    while (i < to && !led) {
#ifdef __SSE2__
      if (i + 16 < std::min(to + 1, n)) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const auto high = static_cast<unsigned>(_mm_movemask_epi8(v));
        const unsigned nextHigh = s[i + 16] >> 7;
        if ((high & ((high >> 1) | (nextHigh << 15))) == 0) {
          for (unsigned bits = high; bits != 0; bits &= bits - 1) ++stray;  // few: no popcnt needed
          led = stray > multi + kLead;
          i += 16;
          continue;
        }
        const std::size_t end = i + 16;
        for (i += static_cast<std::size_t>(__builtin_ctz(high)); i < end;) i += s[i] < 0x80 ? 1 : Take(s, i, n);
        continue;
      }
#endif
      i += s[i] < 0x80 ? 1 : Take(s, i, n);
    }
    return i;
  }
};

// Which encoding Decode takes a file for, from its bytes handed over in order, a piece at a
// time (as a save writes them), without holding them.
class ReadingGuess {
 public:
  void Add(std::string_view bytes);
  // After the last piece.
  Encoding Finish();
  // After Finish: what a UTF-8 reading met (once the stray bytes led, no more is counted).
  const Utf8Tally& Tally() const { return tally_; }
  bool Ascii() const { return tally_.multi == 0 && tally_.stray == 0; }

 private:
  // Tallies s[0, n) but for the sequences the piece may cut (unless `last`); returns where it
  // stopped.
  std::size_t Scan(const unsigned char* s, std::size_t n, bool last);

  std::string head_;   // the first three bytes (a byte-order mark)
  std::string carry_;  // the bytes of a sequence the last piece may have cut
  std::uint64_t size_ = 0;
  Utf8Tally tally_;
};

}  // namespace quilmar
