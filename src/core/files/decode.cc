// Decode: a file's bytes into the document's text, read a piece at a time (see encoding.hh).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "files/encoding.hh"
#include "files/utf8_blocks.hh"
#include "files/utf8_scan.hh"
#include "text/large_buffer.hh"
#include "text/page_warmer.hh"
#include "text/vector_state.hh"

namespace quilmar {
namespace {

// A file is read in pieces of this size: large enough that reading costs few calls, small
// enough that the buffer (freed before the text goes into the document) leaves no mark on the
// program's peak memory.
constexpr std::size_t kPiece = std::size_t(1) << 18;

// The line ends met so far: how many of each style, and where the style changes.
struct LineEndCounts {
  std::size_t lf = 0, crlf = 0, cr = 0;
  BreakRuns runs;  // in file forms; Native only once the most used style is known
  BreakForm last = BreakForm::Native;

  void Take(BreakForm form) {
    if (form != last) {
      runs.push_back({static_cast<std::int64_t>(lf + crlf + cr), form});
      last = form;
    }
    ++(form == BreakForm::LF ? lf : form == BreakForm::CRLF ? crlf : cr);
  }
};

// The most used style; ties go to the first of LF, CRLF, CR (no line end at all: LF).
LineEnd MostUsed(const LineEndCounts& c) {
  if (c.lf >= c.crlf && c.lf >= c.cr) return LineEnd::LF;
  if (c.crlf >= c.cr) return LineEnd::CRLF;
  return LineEnd::CR;
}

// The runs of the breaks not in the document's own style.
BreakRuns Exceptions(const LineEndCounts& c, LineEnd style) {
  BreakRuns out;
  const BreakForm native = FormOf(style);
  for (const BreakRun& r : c.runs) AddRun(out, r.index, r.form == native ? BreakForm::Native : r.form);
  return out;
}

// Stops the decoding of a text that grows past what the caller can hold.
struct TextTooLong {};

// The decoded text, written through raw pointers: one byte per unit while every character fits
// in one (most files), two from the first that does not (what came before is widened then,
// once). Its room is reserved up front for the most the file could decode to (two units per
// byte), as address space that costs memory only where it is written, so the text is written
// once, into the place it is kept in.
class UnitSink {
 public:
  UnitSink(std::size_t expected, std::size_t limit) : expected_(expected), limit_(limit) {
    const std::size_t most = expected > (std::size_t(-1) - kSlack) / 2 ? std::size_t(-1) : 2 * expected + kSlack;
    cap_ = std::min(most, limit > std::size_t(-1) - kSlack ? limit : limit + kSlack);
    Replace(LargeBuffer(cap_));
  }
  // Room for at least `count` more units. Throws TextTooLong past the limit (`count` is the
  // most a step of a decoder adds, so at most that many past it are ever written).
  void Reserve(std::size_t count) {
    if (used_ > limit_) throw TextTooLong();
    if (cap_ - used_ < count) Grow(count);
  }
  bool Narrow() const { return narrow_; }
  void Put(char16_t u) {
    if (narrow_ && u > 0xFF) Widen();
    if (narrow_) reinterpret_cast<Byte*>(buffer_.data())[used_++] = static_cast<Byte>(u);
    else reinterpret_cast<char16_t*>(buffer_.data())[used_++] = u;
  }
  // Bytes that are characters of their own number.
  void PutBytes(const Byte* p, std::size_t count) {
    if (narrow_) {
      std::memcpy(buffer_.data() + used_, p, count);
    } else {
      char16_t* o = reinterpret_cast<char16_t*>(buffer_.data()) + used_;
      for (std::size_t k = 0; k < count; ++k) o[k] = p[k];
    }
    used_ += count;
  }
  void PutBreak() {
    Put(u'\r');
    Put(u'\n');
  }
  // Two-byte units written straight in by a decoder's loop (a wide sink only): where the next
  // goes, after Reserve; then where the last one went.
  char16_t* WideEnd() { return reinterpret_cast<char16_t*>(buffer_.data()) + used_; }
  void WroteTo(const char16_t* end) { used_ = static_cast<std::size_t>(end - reinterpret_cast<char16_t*>(buffer_.data())); }
  // Empty again, and narrow: a guess that failed after a wide character leaves no wide
  // storage to the next.
  void Clear() {
    used_ = 0;
    if (!narrow_) {
      narrow_ = true;
      Replace(LargeBuffer(cap_));
    }
  }
  // A piece of the file is in: the pages ahead of it may be backed.
  void Progress() {
    if (warmer_) warmer_->Reached(used_ * (narrow_ ? 1 : 2));
  }
  SharedText Take() {
    warmer_.reset();
    if (used_ > limit_) throw TextTooLong();
    const std::size_t unit = narrow_ ? 1 : 2;
    buffer_.Trim(used_ * unit);
    return SharedText::FromBuffer(std::move(buffer_), used_, narrow_);
  }

 private:
  static constexpr std::size_t kSlack = 8192;

  void Widen() {
    LargeBuffer wide(2 * cap_);
    const Byte* from = reinterpret_cast<const Byte*>(buffer_.data());
    std::copy(from, from + used_, reinterpret_cast<char16_t*>(wide.data()));
    narrow_ = false;
    Replace(std::move(wide));
  }
  void Grow(std::size_t count) {
    // The file grew while it was read: more room, copied once.
    const std::size_t unit = narrow_ ? 1 : 2;
    const std::size_t cap = std::max(cap_ + cap_ / 2, used_ + count);
    LargeBuffer bigger(cap * unit);
    std::memcpy(bigger.data(), buffer_.data(), used_ * unit);
    Replace(std::move(bigger));
    cap_ = cap;
  }

  void Replace(LargeBuffer buffer) {
    warmer_.reset();  // before the pages it warms go
    buffer_ = std::move(buffer);
    // What the text will fill: a unit a byte of the file at most. The warmer keeps an eighth
    // of that ahead (but no more than 128 MB), so a load's peak memory stays near the text's.
    const std::size_t unit = narrow_ ? 1 : 2;
    const std::size_t fill = std::min(buffer_.capacity(), expected_ > buffer_.capacity() / unit ? buffer_.capacity() : expected_ * unit);
    warmer_ = std::make_unique<PageWarmer>(buffer_.data(), fill, std::clamp(fill / 8, std::size_t(8) << 20, std::size_t(128) << 20));
    Progress();
  }

  LargeBuffer buffer_;
  std::unique_ptr<PageWarmer> warmer_;  // declared after the buffer: gone before it
  std::size_t used_ = 0;
  std::size_t cap_ = 0;  // in units
  std::size_t expected_;  // the file's size
  std::size_t limit_;
  bool narrow_ = true;
};

// Bytes are appended the same way when encoding: kept whole, or handed on a piece at a time
// to a writer, reusing one buffer (a big save then never holds all of its bytes).

// ---- Line ends are counted and turned into "\r\n" on the way. ----------------------------

// Handles a CR or LF at s[i]; returns the number of bytes it took.
inline std::size_t TakeLineEnd(const unsigned char* s, std::size_t i, std::size_t n, UnitSink& out,
                               LineEndCounts& counts) {
  out.PutBreak();
  if (s[i] == '\n') {
    counts.Take(BreakForm::LF);
    return 1;
  }
  if (i + 1 < n && s[i + 1] == '\n') {
    counts.Take(BreakForm::CRLF);
    return 2;
  }
  counts.Take(BreakForm::CR);
  return 1;
}

// Decoders work on one piece of the file at a time: they stop before `stop` (the piece's end
// for the last piece, some bytes before it otherwise, so that a sequence or a "\r\n" is never
// cut) and report how far they got; what is left goes in front of the next piece.
constexpr std::size_t kLookahead = 4;

// Writes one unit per byte while the bytes are narrow (below 0x80 with `highIsWide`, any
// otherwise), turns line ends into breaks, and hands every other byte to `takeWide(i)`, which
// decodes what starts there and moves i past it, or returns false to give up (then so does
// this). Returns the bytes taken, or nothing when it gave up.
template <typename TakeWide>
std::optional<std::size_t> DecodeBytewise(const unsigned char* s, std::size_t n, std::size_t stop, bool highIsWide,
                                          UnitSink& out, LineEndCounts& counts, TakeWide takeWide) {
  // A plain stretch is taken a slice at a time, so that the sink's limit is checked often.
  constexpr std::size_t kSlice = 4096;
  std::size_t i = 0;
  while (i < stop) {
    const std::size_t plain = PlainBytes(s + i, std::min(n - i, kSlice), highIsWide);
    out.Reserve(plain + 16);
    out.PutBytes(s + i, plain);
    i += plain;
    if (i >= stop) break;
    const unsigned char b = s[i];
    if (b == '\r' || b == '\n') {
      i += TakeLineEnd(s, i, n, out, counts);
    } else if (!highIsWide || b < 0x80) {
      if (plain == kSlice) continue;  // the slice ended, not the stretch
      out.Put(b);
      ++i;
    } else if (!takeWide(i)) {
      return std::nullopt;
    }
  }
  return i;
}

// What the UTF-8 decoder does with a stray byte: gives up, keeps it (as the escape U+DC00 +
// byte) while there are no more stray bytes than multi-byte characters so far, or keeps it.
enum class Strays { Refuse, KeepWhileFew, Keep };

// Decodes the text at s[i] into a wide sink for as long as it is well-formed characters other
// than line ends (most text that is not Latin), counting its sequences as the tally would;
// stops before `stop` and before anything else (a line end, a stray byte), which the caller
// then takes.
void DecodeUtf8Wide(const unsigned char* s, std::size_t n, std::size_t stop, std::size_t& i, UnitSink& out,
                    Utf8Tally& tally) {
  constexpr std::size_t kSlice = 4096;  // the sink's limit is checked this often
  static const bool blocks = HaveUtf8Blocks();
  while (i < stop) {
    const std::size_t end = std::min(stop, i + kSlice);
    out.Reserve(end - i);
    char16_t* o = out.WideEnd();
    const std::size_t from = i;
    std::size_t multi = 0;
    while (i < end) {
      const unsigned char b = s[i];
      // Characters of mixed lengths go sixteen bytes at a time where the machine can; a run of
      // three-byte characters (CJK) goes faster one at a time, its branches all alike.
      if (blocks && (b & 0xF0) != 0xE0 && b != '\n' && b != '\r' && i + 16 <= end) {
        const Utf8Run run = DecodeUtf8Blocks(s + i, end - i, o);
        if (run.bytes != 0) {
          i += run.bytes;
          o += run.units;
          multi += run.multi;
          continue;
        }
      }
      if (b < 0x80) {
#ifdef __SSE2__
        // A stretch of ASCII (words between other scripts' words) sixteen bytes at a time:
        // all sixteen are widened, and the output moves past those before the first byte that
        // is not plain ASCII (there is room for sixteen: a unit a byte up to `end`).
        if (i + 16 <= end && s[i + 1] < 0x80) {  // not a lone space between words
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
          const __m128i ends = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n')));
          const int stops = _mm_movemask_epi8(_mm_or_si128(v, ends));
          const int plain = stops == 0 ? 16 : __builtin_ctz(static_cast<unsigned>(stops));
          if (plain > 0) {
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
            o += plain;
            i += static_cast<std::size_t>(plain);
            continue;
          }
        }
#endif
        if (b == '\r' || b == '\n') break;
        *o++ = b;
        ++i;
      } else if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (s[i + 1] & 0xC0) == 0x80) {
#ifdef __SSE2__
        // A word of two-byte characters (Cyrillic, Greek, Hebrew, Arabic) eight at a time: each
        // 16-bit lane holds a lead (low byte, 110xxxxx and no overlong C0 or C1) and its
        // continuation (high byte, 10xxxxxx); the output moves past the lanes before the first
        // that is not such a pair.
        if (i + 16 <= end && (s[i + 2] & 0xE0) == 0xC0) {  // not a lone accented letter
          const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
          const __m128i pair = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(static_cast<short>(0xC0E0))),
                                               _mm_set1_epi16(static_cast<short>(0x80C0)));
          const __m128i overlong = _mm_cmpeq_epi16(_mm_and_si128(v, _mm_set1_epi16(0x001E)), _mm_setzero_si128());
          const unsigned good = static_cast<unsigned>(_mm_movemask_epi8(_mm_andnot_si128(overlong, pair)));
          const int pairs = good == 0xFFFF ? 8 : __builtin_ctz(~good) / 2;
          const __m128i units = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, _mm_set1_epi16(0x001F)), 6),
                                             _mm_and_si128(_mm_srli_epi16(v, 8), _mm_set1_epi16(0x003F)));
          _mm_storeu_si128(reinterpret_cast<__m128i*>(o), units);
          o += pairs;
          i += 2 * static_cast<std::size_t>(pairs);
          multi += static_cast<std::size_t>(pairs);
          continue;
        }
#endif
        *o++ = static_cast<char16_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F));
        i += 2;
        ++multi;
      } else if ((b & 0xF0) == 0xE0 && i + 2 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
                 [](char16_t u) { return u >= 0x800 && (u < 0xD800 || u > 0xDFFF); }(static_cast<char16_t>(
                     ((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)))) {
        // Three bytes (most of the world's scripts): well-formed when they make no overlong
        // form and no surrogate, checked on the character itself.
        *o++ = static_cast<char16_t>(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F));
        i += 3;
        ++multi;
      } else if ((b & 0xF8) == 0xF0 && i + 3 < n && (s[i + 1] & 0xC0) == 0x80 && (s[i + 2] & 0xC0) == 0x80 &&
                 (s[i + 3] & 0xC0) == 0x80 &&
                 [](char32_t c) { return c >= 0x10000 && c <= 0x10FFFF; }(
                     (char32_t(b & 0x07) << 18) | (char32_t(s[i + 1] & 0x3F) << 12) | (char32_t(s[i + 2] & 0x3F) << 6) |
                     (s[i + 3] & 0x3F))) {
        // Four bytes (emoji, historic scripts): well-formed when their character is past the
        // basic plane (no overlong form) and within Unicode, checked on the character itself.
        const char32_t cp = (char32_t(b & 0x07) << 18) | (char32_t(s[i + 1] & 0x3F) << 12) |
                            (char32_t(s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
        *o++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        *o++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        i += 4;
        ++multi;
      } else {
        break;
      }
    }
    out.WroteTo(o);
    tally.multi += multi;
    if (i < end || i == from) return;
  }
}

// Decodes and tallies in one pass. Nothing when it gives up on a stray byte; `after` is then
// just past it.
std::optional<std::size_t> DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t stop, UnitSink& out,
                                      LineEndCounts& counts, Utf8Tally& tally, Strays strays, std::size_t& after) {
  return DecodeBytewise(s, n, stop, true, out, counts, [&](std::size_t& i) {
    if (!out.Narrow()) {
      const std::size_t from = i;
      DecodeUtf8Wide(s, n, stop, i, out, tally);
      if (i != from) return true;
    }
    const unsigned char b = s[i];
    switch (tally.Take(s, i, n)) {
      case 2:
        out.Put(static_cast<char16_t>(((b & 0x1F) << 6) | (s[i + 1] & 0x3F)));
        i += 2;
        return true;
      case 3:
        out.Put(static_cast<char16_t>(((b & 0x0F) << 12) | ((s[i + 1] & 0x3F) << 6) | (s[i + 2] & 0x3F)));
        i += 3;
        return true;
      case 4: {
        const char32_t cp = (char32_t(b & 0x07) << 18) | (char32_t(s[i + 1] & 0x3F) << 12) |
                            (char32_t(s[i + 2] & 0x3F) << 6) | (s[i + 3] & 0x3F);
        out.Put(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
        out.Put(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        i += 4;
        return true;
      }
    }
    after = ++i;
    if (strays == Strays::Refuse || (strays == Strays::KeepWhileFew && tally.stray > tally.multi)) return false;
    out.Put(ByteEscape(b));
    return true;
  });
}

std::optional<std::size_t> DecodeLatin1(const unsigned char* s, std::size_t n, std::size_t stop, UnitSink& out,
                                        LineEndCounts& counts) {
  // Every byte is narrow: the character of the same number.
  return DecodeBytewise(s, n, stop, false, out, counts, [](std::size_t&) { return false; });
}

// Whole units only; the last piece gives up on an odd byte at its end.
std::optional<std::size_t> DecodeUtf16(const unsigned char* s, std::size_t n, std::size_t stop, bool bigEndian,
                                       UnitSink& out, LineEndCounts& counts) {
  auto unit = [&](std::size_t i) -> char16_t {
    return bigEndian ? static_cast<char16_t>((s[i] << 8) | s[i + 1]) : static_cast<char16_t>(s[i] | (s[i + 1] << 8));
  };
  std::size_t i = 0;
  for (; i < stop && i + 2 <= n;) {
    out.Reserve(2);
    const char16_t u = unit(i);
    if (u == u'\n') {
      counts.Take(BreakForm::LF);
      out.PutBreak();
      i += 2;
    } else if (u == u'\r') {
      out.PutBreak();
      if (i + 4 <= n && unit(i + 2) == u'\n') {
        counts.Take(BreakForm::CRLF);
        i += 4;
      } else {
        counts.Take(BreakForm::CR);
        i += 2;
      }
    } else {
      out.Put(u);
      i += 2;
    }
  }
  if (stop == n && i != n) return std::nullopt;
  return i;
}

Decoded DecodeSource(ByteSource& source, const std::function<void(std::string_view)>& onBytes, std::size_t maxUnits) {
  ClearVectorUpperHalves();  // for the SSE loops below
  std::vector<unsigned char> buffer(kPiece + kLookahead);
  UnitSink out(static_cast<std::size_t>(std::max<std::int64_t>(source.Size(), 0)), maxUnits);
  LineEndCounts counts;
  Utf8Tally tally;

  // Feeds the file, from its start, through `decode(s, n, stop)`, which takes what it can of
  // s[0, n) before `stop` and says how much, or gives up. False when it gave up.
  auto run = [&](std::size_t skip, auto decode) {
    out.Clear();
    counts = {};
    tally = {};
    source.Rewind();
    if (onBytes) onBytes(std::string_view());
    std::size_t held = 0;
    for (;;) {
      std::size_t got = 0;
      while (held + got < buffer.size()) {
        const std::size_t n = source.Read(reinterpret_cast<char*>(buffer.data()) + held + got, buffer.size() - held - got);
        if (n == 0) break;
        if (onBytes) onBytes(std::string_view(reinterpret_cast<const char*>(buffer.data()) + held + got, n));
        got += n;
      }
      const bool last = held + got < buffer.size();
      const unsigned char* s = buffer.data() + skip;
      const std::size_t n = held + got - skip;
      skip = 0;
      const std::optional<std::size_t> took = decode(s, n, last ? n : n - kLookahead);
      out.Progress();
      if (!took) return false;
      if (last) return true;
      held = n - *took;
      std::memmove(buffer.data(), s + *took, held);
    }
  };
  auto finish = [&](Encoding encoding) {
    const LineEnd style = MostUsed(counts);
    return Decoded{out.Take(), TextFormat{encoding, style}, Exceptions(counts, style)};
  };
  std::size_t after = 0;
  auto utf8 = [&](Strays strays) {
    return [&, strays](const unsigned char* s, std::size_t n, std::size_t stop) {
      return DecodeUtf8(s, n, stop, out, counts, tally, strays, after);
    };
  };
  // UTF-8 that keeps its stray bytes while they are no more than its multi-byte characters so
  // far. Past that its text is most likely Latin-1 and is no longer decoded: the rest is only
  // tallied, to learn whether the whole file is mostly UTF-8 all the same. `tallied` is how far
  // the tally has got past a piece's bytes (a sequence that began before their end).
  bool tallyOnly = false;
  std::size_t tallied = 0;
  auto utf8ThenTally = [&](const unsigned char* s, std::size_t n, std::size_t stop) -> std::optional<std::size_t> {
    if (!tallyOnly) {
      if (const std::optional<std::size_t> took = utf8(Strays::KeepWhileFew)(s, n, stop)) return took;
      tallyOnly = true;
      tallied = after;
    }
    tallied = tally.TakeAll(s, std::min(tallied, stop), stop, n);
    if (tally.led) return std::nullopt;
    tallied -= stop;
    return stop;
  };

  char head[3] = {};
  std::size_t headSize = 0;
  for (std::size_t got; headSize < 3 && (got = source.Read(head + headSize, 3 - headSize)) != 0;) headSize += got;
  const std::string_view start(head, headSize);

  if (start.starts_with("\xEF\xBB\xBF") && run(3, utf8(Strays::Refuse))) return finish(Encoding::Utf8Bom);
  // A UTF-16 mark counts only before an even number of bytes: an odd count cannot come back.
  if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
    const bool bigEndian = start.starts_with("\xFE\xFF");
    auto utf16 = [&](const unsigned char* s, std::size_t n, std::size_t stop) {
      return DecodeUtf16(s, n, stop, bigEndian, out, counts);
    };
    if (run(2, utf16)) return finish(bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE);
  }
  // Most files are decided in this one pass: valid UTF-8, or UTF-8 whose stray bytes never
  // outnumber its multi-byte characters, or Latin-1 whose stray bytes soon lead.
  if (run(0, utf8ThenTally)) {
    if (!tallyOnly) return finish(tally.stray == 0 ? Encoding::Utf8 : Encoding::Utf8Stray);
    if (tally.MostlyUtf8()) {
      run(0, utf8(Strays::Keep));
      return finish(Encoding::Utf8Stray);
    }
  }
  run(0, [&](const unsigned char* s, std::size_t n, std::size_t stop) { return DecodeLatin1(s, n, stop, out, counts); });
  return finish(Encoding::Latin1);
}

}  // namespace

BreakForm FormOf(LineEnd style) {
  switch (style) {
    case LineEnd::CRLF: return BreakForm::CRLF;
    case LineEnd::CR: return BreakForm::CR;
    case LineEnd::LF: break;
  }
  return BreakForm::LF;
}

Decoded Decode(std::string_view bytes) {
  MemorySource memory(bytes);  // viewed, not copied
  return std::move(*Decode(memory));
}

std::optional<Decoded> Decode(ByteSource& source, const std::function<void(std::string_view)>& onBytes,
                              std::size_t maxUnits) {
  try {
    return DecodeSource(source, onBytes, maxUnits);
  } catch (const TextTooLong&) {
    return std::nullopt;  // the sink's limit, reached deep inside a decoder's loop
  }
}

}  // namespace quilmar
