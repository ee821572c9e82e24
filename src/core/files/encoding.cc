#include "files/encoding.hh"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/large_buffer.hh"

namespace quilmar {
namespace {

// ---- Word-at-a-time tests: eight bytes or four UTF-16 units checked at once. --------------

// A file is read in pieces of this size: large enough that reading costs few calls, small
// enough that the buffer (freed before the text goes into the document) leaves no mark on the
// program's peak memory.
constexpr std::size_t kPiece = std::size_t(1) << 18;

constexpr std::uint64_t kBytesHigh = 0x8080808080808080ull;
constexpr std::uint64_t kUnitsOnes = 0x0001000100010001ull;
constexpr std::uint64_t kUnitsHigh = 0x8000800080008000ull;

constexpr bool HasZeroUnit(std::uint64_t v) { return ((v - kUnitsOnes) & ~v & kUnitsHigh) != 0; }
constexpr bool HasUnit(std::uint64_t v, char16_t u) { return HasZeroUnit(v ^ (kUnitsOnes * u)); }

inline std::uint64_t Load8(const void* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// The line ends met so far: how many of each style, and where the style changes.
struct LineEndCounts {
  std::size_t lf = 0, crlf = 0, cr = 0;
  BreakRuns runs;  // in file forms; Native only once the most used style is known
  BreakForm last = BreakForm::Native;

  void Take(BreakForm form) {
    if (form != last) {
      runs.push_back({static_cast<std::int32_t>(lf + crlf + cr), form});
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
  UnitSink(std::size_t expected, std::size_t limit) : limit_(limit) {
    const std::size_t most = expected > (std::size_t(-1) - kSlack) / 2 ? std::size_t(-1) : 2 * expected + kSlack;
    cap_ = std::min(most, limit > std::size_t(-1) - kSlack ? limit : limit + kSlack);
    buffer_ = LargeBuffer(cap_);
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
  void Clear() { used_ = 0; }
  SharedText Take() {
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
    buffer_ = std::move(wide);
    narrow_ = false;
  }
  void Grow(std::size_t count) {
    // The file grew while it was read: more room, copied once.
    const std::size_t unit = narrow_ ? 1 : 2;
    const std::size_t cap = std::max(cap_ + cap_ / 2, used_ + count);
    LargeBuffer bigger(cap * unit);
    std::memcpy(bigger.data(), buffer_.data(), used_ * unit);
    buffer_ = std::move(bigger);
    cap_ = cap;
  }

  LargeBuffer buffer_;
  std::size_t used_ = 0;
  std::size_t cap_ = 0;  // in units
  std::size_t limit_;
  bool narrow_ = true;
};

// Bytes are appended the same way when encoding: kept whole, or handed on a piece at a time
// to a writer, reusing one buffer (a big save then never holds all of its bytes).
class ByteSink {
 public:
  explicit ByteSink(std::size_t expected) {
    bytes_.reserve(expected + expected / 16 + 64);
    AdviseLarge(bytes_.data(), bytes_.capacity());
    bytes_.resize(bytes_.capacity());
  }
  explicit ByteSink(const ByteWriter& write) : write_(&write) { bytes_.resize(kPiece + 64); }
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;
  void Reserve(std::size_t count) {
    if (bytes_.size() - used_ >= count) return;
    if (write_ && used_ > 0) {
      Flush();
      if (bytes_.size() >= count) return;
    }
    bytes_.resize((bytes_.size() + count) * 3 / 2);
  }
  void Put(unsigned char b) { bytes_[used_++] = static_cast<char>(b); }
  char* Cursor() { return bytes_.data() + used_; }
  void Advance(std::size_t count) { used_ += count; }
  std::string Take() {
    bytes_.resize(used_);
    return std::move(bytes_);
  }
  void Flush() {
    if (used_ > 0) (*write_)(std::string_view(bytes_.data(), used_));
    used_ = 0;
  }

 private:
  static constexpr std::size_t kPiece = std::size_t(1) << 20;
  std::string bytes_;
  std::size_t used_ = 0;
  const ByteWriter* write_ = nullptr;
};

// ---- Decoding. Line ends are counted and turned into "\r\n" on the way. -----------------

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

// The length of the stretch at p (of n bytes at most) holding no line-end byte and, with
// `stopAtHigh`, no byte of 0x80 or more: bytes that decode to the character of their number.
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

// The length of the well-formed UTF-8 sequence that starts with a byte of 0x80 or more at s[i]
// (no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short), or 0.
std::size_t Utf8SequenceAt(const unsigned char* s, std::size_t i, std::size_t n) {
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

// Validates and decodes in one pass. Nothing at the first ill-formed sequence.
std::optional<std::size_t> DecodeUtf8(const unsigned char* s, std::size_t n, std::size_t stop, UnitSink& out,
                                      LineEndCounts& counts) {
  return DecodeBytewise(s, n, stop, true, out, counts, [&](std::size_t& i) {
    const unsigned char b = s[i];
    switch (Utf8SequenceAt(s, i, n)) {
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
    return false;
  });
}

bool IsValidUtf8(const unsigned char* s, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    while (i + 8 <= n && !(Load8(s + i) & kBytesHigh)) i += 8;
    if (i >= n) break;
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceAt(s, i, n);
    if (length == 0) return false;
    i += length;
  }
  return true;
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

bool IsAscii(std::string_view bytes) {
  for (char c : bytes)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() && bytes.substr(0, prefix.size()) == prefix;
}

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEBom = "\xFF\xFE";
constexpr std::string_view kUtf16BEBom = "\xFE\xFF";

// What Decode would take these bytes for, without decoding them.
Encoding Detect(std::string_view bytes) {
  auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  if (StartsWith(bytes, kUtf8Bom) && IsValidUtf8(s + 3, bytes.size() - 3)) return Encoding::Utf8Bom;
  if (bytes.size() % 2 == 0 && StartsWith(bytes, kUtf16LEBom)) return Encoding::Utf16LE;
  if (bytes.size() % 2 == 0 && StartsWith(bytes, kUtf16BEBom)) return Encoding::Utf16BE;
  return IsValidUtf8(s, bytes.size()) ? Encoding::Utf8 : Encoding::Latin1;
}

// ---- Encoding. -------------------------------------------------------------------------

// Calls put(unit) for every unit of the text that is not part of a line break, and
// putBreak() for every break ("\r\n", or a lone "\r" or "\n").
template <typename Put, typename PutBreak>
void ForEachUnit(UnitSpan text, Put put, PutBreak putBreak) {
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = text[i];
    if (u == u'\r') {
      if (i + 1 < n && text[i + 1] == u'\n') ++i;
      putBreak();
    } else if (u == u'\n') {
      putBreak();
    } else {
      put(u, i);
    }
  }
}

std::string_view LineEndBytes(LineEnd style) {
  switch (style) {
    case LineEnd::CRLF: return "\r\n";
    case LineEnd::CR: return "\r";
    case LineEnd::LF: break;
  }
  return "\n";
}

// Walks the breaks of a text in order, giving each its style: its own form, or the document's.
class BreakCursor {
 public:
  BreakCursor(std::span<const BreakRun> forms, LineEnd native) : forms_(forms), native_(native), current_(native) {}
  LineEnd Next() {
    if (next_ < forms_.size() && forms_[next_].index == index_) current_ = StyleOf(forms_[next_++].form);
    ++index_;
    return current_;
  }

 private:
  LineEnd StyleOf(BreakForm form) const {
    switch (form) {
      case BreakForm::LF: return LineEnd::LF;
      case BreakForm::CRLF: return LineEnd::CRLF;
      case BreakForm::CR: return LineEnd::CR;
      case BreakForm::Native: break;
    }
    return native_;
  }

  std::span<const BreakRun> forms_;
  LineEnd native_, current_;
  std::size_t next_ = 0;
  std::int32_t index_ = 0;
};

// The text's pieces hold every line break and surrogate pair whole, so each is encoded on
// its own into one output.
std::size_t TotalSize(Pieces pieces) {
  std::size_t n = 0;
  for (UnitSpan piece : pieces) n += piece.size();
  return n;
}

// Writes every piece one byte per unit while the units are narrow (no bit of `wide` set), line
// breaks in the style asked for, and hands each other unit to `putWide(text, i)`, which writes
// it and moves i past it, or returns false to give up (then so does this). One-byte pieces are
// copied a stretch at a time; with `wide` at 0x80 their bytes of 0x80 and more go to putWide.
template <typename PutWide>
bool EncodeBytewise(Pieces pieces, BreakCursor breaks, std::uint64_t wide, ByteSink& out, PutWide putWide) {
  const bool highIsWide = (wide & 0x80) != 0;
  for (UnitSpan text : pieces) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    if (text.IsNarrow()) {
      // A plain stretch is copied a slice at a time, so that a streamed save's buffer stays
      // one piece long even for a line of many megabytes.
      constexpr std::size_t kSlice = std::size_t(1) << 16;
      const Byte* s = text.NarrowData();
      while (i < n) {
        const std::size_t plain = PlainBytes(s + i, std::min(n - i, kSlice), highIsWide);
        out.Reserve(plain + 16);
        std::memcpy(out.Cursor(), s + i, plain);
        out.Advance(plain);
        i += plain;
        if (i >= n) break;
        if (plain == kSlice) continue;  // the slice ended, not the stretch
        const Byte b = s[i];
        if (b == '\r' || b == '\n') {
          if (b == '\r' && i + 1 < n && s[i + 1] == '\n') ++i;
          for (char c : LineEndBytes(breaks.Next())) out.Put(static_cast<unsigned char>(c));
          ++i;
        } else if (!putWide(text, i)) {
          return false;
        }
      }
      continue;
    }
    const char16_t* s = text.WideData();
    while (i < n) {
      out.Reserve(16);
      // Four units at a time while none is wide or a line-end character.
      while (i + 4 <= n) {
        const std::uint64_t v = Load8(s + i);
        if ((v & wide) || HasUnit(v, u'\r') || HasUnit(v, u'\n')) break;
        char* o = out.Cursor();
        for (int k = 0; k < 4; ++k) o[k] = static_cast<char>(s[i + k]);
        out.Advance(4);
        i += 4;
        out.Reserve(16);
      }
      if (i >= n) break;
      const char16_t u = s[i];
      if (u == u'\r' || u == u'\n') {
        if (u == u'\r' && i + 1 < n && s[i + 1] == u'\n') ++i;
        for (char c : LineEndBytes(breaks.Next())) out.Put(static_cast<unsigned char>(c));
        ++i;
      } else if ((u & wide) == 0) {
        out.Put(static_cast<unsigned char>(u));
        ++i;
      } else if (!putWide(text, i)) {
        return false;
      }
    }
  }
  return true;
}

// Latin-1 bytes of the text; false if a character does not fit in one byte.
bool EncodeLatin1(Pieces pieces, BreakCursor style, std::string& result) {
  ByteSink out(TotalSize(pieces));
  const auto above255 = [](UnitSpan, std::size_t) { return false; };
  constexpr std::uint64_t kWide = 0xFF00FF00FF00FF00ull;  // units above U+00FF
  if (!EncodeBytewise(pieces, style, kWide, out, above255)) return false;
  result = out.Take();
  return true;
}

void EncodeUtf8(Pieces pieces, BreakCursor style, bool bom, ByteSink& out) {
  out.Reserve(3);
  if (bom)
    for (char c : kUtf8Bom) out.Put(static_cast<unsigned char>(c));
  constexpr std::uint64_t kWide = 0xFF80FF80FF80FF80ull;  // units above U+007F
  EncodeBytewise(pieces, style, kWide, out, [&out](UnitSpan text, std::size_t& i) {
    out.Reserve(4);
    int units = 1;
    char32_t cp = text.IsNarrow() ? text[i] : CodePointAt(text.Wide(), i, units);
    if (units == 1 && (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i]))) cp = 0xFFFD;  // no UTF-8 form
    i += static_cast<std::size_t>(units);
    if (cp < 0x800) {
      out.Put(static_cast<unsigned char>(0xC0 | (cp >> 6)));
      out.Put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.Put(static_cast<unsigned char>(0xE0 | (cp >> 12)));
      out.Put(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)));
      out.Put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    } else {
      out.Put(static_cast<unsigned char>(0xF0 | (cp >> 18)));
      out.Put(static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F)));
      out.Put(static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F)));
      out.Put(static_cast<unsigned char>(0x80 | (cp & 0x3F)));
    }
    return true;
  });
}

void EncodeUtf16(Pieces pieces, BreakCursor breaks, bool bigEndian, ByteSink& out) {
  auto put = [&](char16_t u, std::size_t = 0) {
    out.Reserve(4);
    const auto hi = static_cast<unsigned char>(u >> 8), lo = static_cast<unsigned char>(u & 0xFF);
    out.Put(bigEndian ? hi : lo);
    out.Put(bigEndian ? lo : hi);
  };
  put(0xFEFF);
  for (UnitSpan text : pieces) {
    ForEachUnit(text, put, [&] {
      const LineEnd style = breaks.Next();
      if (style != LineEnd::LF) put(u'\r');
      if (style != LineEnd::CR) put(u'\n');
    });
  }
}

Decoded DecodeSource(ByteSource& source, const std::function<void(std::string_view)>& onBytes, std::size_t maxUnits);

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

namespace {

Decoded DecodeSource(ByteSource& source, const std::function<void(std::string_view)>& onBytes, std::size_t maxUnits) {
  std::vector<unsigned char> buffer(kPiece + kLookahead);
  UnitSink out(static_cast<std::size_t>(std::max<std::int64_t>(source.Size(), 0)), maxUnits);
  LineEndCounts counts;

  // Feeds the file through `decode(s, n, stop)`, which takes what it can of s[0, n) before
  // `stop` and says how much, or gives up. False when it gave up.
  auto stream = [&](std::size_t skip, auto decode) {
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
      if (!took) return false;
      if (last) return true;
      held = n - *took;
      std::memmove(buffer.data(), s + *took, held);
    }
  };

  char head[3] = {};
  std::size_t headSize = 0;
  for (std::size_t got; headSize < 3 && (got = source.Read(head + headSize, 3 - headSize)) != 0;) headSize += got;
  const std::string_view start(head, headSize);

  auto attempt = [&](Encoding encoding, std::size_t skip, auto decode) -> std::optional<Decoded> {
    out.Clear();
    counts = {};
    if (!stream(skip, decode)) return std::nullopt;
    const LineEnd style = MostUsed(counts);
    return Decoded{out.Take(), TextFormat{encoding, style}, Exceptions(counts, style)};
  };
  auto utf8 = [&](const unsigned char* s, std::size_t n, std::size_t stop) { return DecodeUtf8(s, n, stop, out, counts); };

  if (StartsWith(start, kUtf8Bom))
    if (auto d = attempt(Encoding::Utf8Bom, 3, utf8)) return std::move(*d);
  // A UTF-16 mark counts only before an even number of bytes: an odd count cannot come back.
  if (StartsWith(start, kUtf16LEBom) || StartsWith(start, kUtf16BEBom)) {
    const bool bigEndian = StartsWith(start, kUtf16BEBom);
    auto utf16 = [&](const unsigned char* s, std::size_t n, std::size_t stop) {
      return DecodeUtf16(s, n, stop, bigEndian, out, counts);
    };
    if (auto d = attempt(bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE, 2, utf16)) return std::move(*d);
  }
  if (auto d = attempt(Encoding::Utf8, 0, utf8)) return std::move(*d);
  auto latin1 = [&](const unsigned char* s, std::size_t n, std::size_t stop) { return DecodeLatin1(s, n, stop, out, counts); };
  return std::move(*attempt(Encoding::Latin1, 0, latin1));
}

}  // namespace

Encoded Encode(UnitSpan text, TextFormat format, std::span<const BreakRun> forms) {
  return Encode(Pieces(&text, 1), format, forms);
}

namespace {

// The format a text is written in, for the encodings decided without its bytes (see Encode).
TextFormat Written(Pieces text, TextFormat format) {
  const auto first = std::find_if(text.begin(), text.end(), [](UnitSpan piece) { return !piece.empty(); });
  const bool startsWithMark = first != text.end() && first->front() == 0xFEFF;
  if (format.encoding == Encoding::Utf8 && startsWithMark) return {Encoding::Utf8Bom, format.lineEnd};
  return format;
}

// Encodes in a format other than Latin-1 (which depends on the bytes made) into `out`.
void EncodeInto(Pieces text, TextFormat written, BreakCursor breaks, ByteSink& out) {
  switch (written.encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
      return EncodeUtf16(text, breaks, written.encoding == Encoding::Utf16BE, out);
    case Encoding::Utf8Bom:
    case Encoding::Utf8:
    case Encoding::Latin1:
      break;
  }
  EncodeUtf8(text, breaks, written.encoding == Encoding::Utf8Bom, out);
}

}  // namespace

Encoded Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms) {
  const BreakCursor breaks(forms, format.lineEnd);
  if (format.encoding == Encoding::Latin1) {
    std::string bytes;
    if (EncodeLatin1(text, breaks, bytes)) {
      const Encoding seen = Detect(bytes);
      // Pure ASCII reads back as UTF-8 with the same text; anything else read as something
      // other than Latin-1 would change the text, so it is written as UTF-8 instead.
      if (seen == Encoding::Latin1) return {std::move(bytes), format};
      if (IsAscii(bytes)) return {std::move(bytes), TextFormat{Encoding::Utf8, format.lineEnd}};
    }
    format.encoding = Encoding::Utf8;
  }
  const TextFormat written = Written(text, format);
  const std::size_t units = TotalSize(text);
  ByteSink out(written.encoding == Encoding::Utf16LE || written.encoding == Encoding::Utf16BE ? 2 * units + 2 : units + 3);
  EncodeInto(text, written, breaks, out);
  return {out.Take(), written};
}

TextFormat Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms, const ByteWriter& write) {
  if (format.encoding == Encoding::Latin1) {
    Encoded whole = Encode(text, format, forms);
    write(whole.bytes);
    return whole.format;
  }
  const TextFormat written = Written(text, format);
  ByteSink out(write);
  EncodeInto(text, written, BreakCursor(forms, format.lineEnd), out);
  out.Flush();
  return written;
}

}  // namespace quilmar
