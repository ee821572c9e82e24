#include "files/utf8_scan.hh"

#include <algorithm>

namespace quilmar {

std::size_t PlainBytes(const Byte* p, std::size_t n, bool stopAtHigh) {
  std::size_t i = 0;
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  while (i + 16 <= n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
    if (stopAtHigh) mask |= _mm_movemask_epi8(v);
    if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    i += 16;
  }
#endif
  while (i < n && p[i] != '\r' && p[i] != '\n' && !(stopAtHigh && p[i] >= 0x80)) ++i;
  return i;
}

std::size_t ReadingGuess::Scan(const unsigned char* s, std::size_t n, bool last) {
  // A sequence of up to four bytes that starts in the last three may go on in the next piece.
  return tally_.TakeAll(s, 0, last ? n : n - std::min<std::size_t>(n, 3), n);
}

void ReadingGuess::Add(std::string_view bytes) {
  size_ += bytes.size();
  if (head_.size() < 3) head_ += bytes.substr(0, 3 - head_.size());
  if (tally_.led) return;  // Latin-1, whatever follows
  if (!carry_.empty()) {
    // The cut sequence is read with the first bytes of this piece (three complete any).
    const std::size_t carried = carry_.size();
    carry_ += bytes.substr(0, 3);
    const std::size_t stop = Scan(reinterpret_cast<const unsigned char*>(carry_.data()), carry_.size(), false);
    if (stop < carried) {  // a piece of fewer than three bytes: all of it is in the carry now
      carry_.erase(0, stop);
      return;
    }
    bytes.remove_prefix(std::min(bytes.size(), stop - carried));
    carry_.clear();
  }
  const std::size_t stop = Scan(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), false);
  if (!tally_.led) carry_.assign(bytes.substr(stop));
}

Encoding ReadingGuess::Finish() {
  if (!tally_.led) Scan(reinterpret_cast<const unsigned char*>(carry_.data()), carry_.size(), true);
  carry_.clear();
  // In Decode's order: a UTF-8 mark before valid UTF-8, a UTF-16 mark before whole units, UTF-8.
  const std::string_view head(head_);
  if (tally_.stray == 0 && head.starts_with("\xEF\xBB\xBF")) return Encoding::Utf8Bom;
  if (size_ % 2 == 0 && head.starts_with("\xFF\xFE")) return Encoding::Utf16LE;
  if (size_ % 2 == 0 && head.starts_with("\xFE\xFF")) return Encoding::Utf16BE;
  if (tally_.stray == 0) return Encoding::Utf8;
  return tally_.MostlyUtf8() ? Encoding::Utf8Stray : Encoding::Latin1;
}

}  // namespace quilmar
