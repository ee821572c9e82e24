#include "files/encoding.hh"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quilmar {
namespace {

// ---- Word-at-a-time tests: eight bytes or four UTF-16 units checked at once. --------------

constexpr std::uint64_t kBytesOnes = 0x0101010101010101ull;
constexpr std::uint64_t kBytesHigh = 0x8080808080808080ull;
constexpr std::uint64_t kUnitsOnes = 0x0001000100010001ull;
constexpr std::uint64_t kUnitsHigh = 0x8000800080008000ull;

constexpr bool HasZeroByte(std::uint64_t v) { return ((v - kBytesOnes) & ~v & kBytesHigh) != 0; }
constexpr bool HasByte(std::uint64_t v, unsigned char b) { return HasZeroByte(v ^ (kBytesOnes * b)); }
constexpr bool HasZeroUnit(std::uint64_t v) { return ((v - kUnitsOnes) & ~v & kUnitsHigh) != 0; }
constexpr bool HasUnit(std::uint64_t v, char16_t u) { return HasZeroUnit(v ^ (kUnitsOnes * u)); }

inline std::uint64_t Load8(const void* p) {
  std::uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

struct LineEndCounts {
  std::size_t lf = 0, crlf = 0, cr = 0;
};

// The most used style; ties go to the first of LF, CRLF, CR (no line end at all: LF).
LineEnd MostUsed(const LineEndCounts& c) {
  if (c.lf >= c.crlf && c.lf >= c.cr) return LineEnd::LF;
  if (c.crlf >= c.cr) return LineEnd::CRLF;
  return LineEnd::CR;
}

// A growable run of UTF-16 units written through a raw pointer. Decoders make at most two
// units per input byte, and usually one, so the first guess rarely needs to grow.
class UnitSink {
 public:
  explicit UnitSink(std::size_t expected) { text_.resize(expected + expected / 16 + 64); }
  // Room for at least `count` more units.
  void Reserve(std::size_t count) {
    if (text_.size() - used_ < count) text_.resize((text_.size() + count) * 3 / 2);
  }
  void Put(char16_t u) { text_[used_++] = u; }
  void PutBreak() {
    text_[used_++] = u'\r';
    text_[used_++] = u'\n';
  }
  char16_t* Cursor() { return text_.data() + used_; }
  void Advance(std::size_t count) { used_ += count; }
  String Take() {
    text_.resize(used_);
    return std::move(text_);
  }

 private:
  String text_;
  std::size_t used_ = 0;
};

// Bytes are appended the same way when encoding.
class ByteSink {
 public:
  explicit ByteSink(std::size_t expected) { bytes_.resize(expected + expected / 16 + 64); }
  void Reserve(std::size_t count) {
    if (bytes_.size() - used_ < count) bytes_.resize((bytes_.size() + count) * 3 / 2);
  }
  void Put(unsigned char b) { bytes_[used_++] = static_cast<char>(b); }
  char* Cursor() { return bytes_.data() + used_; }
  void Advance(std::size_t count) { used_ += count; }
  std::string Take() {
    bytes_.resize(used_);
    return std::move(bytes_);
  }

 private:
  std::string bytes_;
  std::size_t used_ = 0;
};

// ---- Decoding. Line ends are counted and turned into "\r\n" on the way. -----------------

// Handles a CR or LF at s[i]; returns the number of bytes it took.
inline std::size_t TakeLineEnd(const unsigned char* s, std::size_t i, std::size_t n, UnitSink& out,
                               LineEndCounts& counts) {
  out.PutBreak();
  if (s[i] == '\n') {
    ++counts.lf;
    return 1;
  }
  if (i + 1 < n && s[i + 1] == '\n') {
    ++counts.crlf;
    return 2;
  }
  ++counts.cr;
  return 1;
}

// Writes one unit per byte while the bytes are narrow (no bit of `wide` set), turns line ends
// into breaks, and hands every other byte to `takeWide(i)`, which decodes what starts there
// and moves i past it, or returns false to give up (then so does this).
template <typename TakeWide>
bool DecodeBytewise(const unsigned char* s, std::size_t n, std::uint64_t wide, UnitSink& out, LineEndCounts& counts,
                    TakeWide takeWide) {
  std::size_t i = 0;
  while (i < n) {
    out.Reserve(16);
    // Eight bytes at a time while none is wide or a line-end byte.
    while (i + 8 <= n) {
      const std::uint64_t v = Load8(s + i);
      if ((v & wide) || HasByte(v, '\n') || HasByte(v, '\r')) break;
      char16_t* o = out.Cursor();
      for (int k = 0; k < 8; ++k) o[k] = s[i + k];
      out.Advance(8);
      i += 8;
      out.Reserve(16);
    }
    if (i >= n) break;
    const unsigned char b = s[i];
    if (b == '\r' || b == '\n') {
      i += TakeLineEnd(s, i, n, out, counts);
    } else if ((b & wide) == 0) {
      out.Put(b);
      ++i;
    } else if (!takeWide(i)) {
      return false;
    }
  }
  return true;
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

// Validates and decodes in one pass. False at the first ill-formed sequence.
bool DecodeUtf8(const unsigned char* s, std::size_t n, UnitSink& out, LineEndCounts& counts) {
  return DecodeBytewise(s, n, kBytesHigh, out, counts, [&](std::size_t& i) {
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

void DecodeLatin1(const unsigned char* s, std::size_t n, UnitSink& out, LineEndCounts& counts) {
  // Every byte is narrow: the character of the same number.
  DecodeBytewise(s, n, 0, out, counts, [](std::size_t&) { return false; });
}

void DecodeUtf16(const unsigned char* s, std::size_t n, bool bigEndian, UnitSink& out,
                 LineEndCounts& counts) {
  const std::size_t units = n / 2;
  auto unit = [&](std::size_t k) -> char16_t {
    return bigEndian ? static_cast<char16_t>((s[2 * k] << 8) | s[2 * k + 1])
                     : static_cast<char16_t>(s[2 * k] | (s[2 * k + 1] << 8));
  };
  for (std::size_t k = 0; k < units;) {
    out.Reserve(2);
    const char16_t u = unit(k);
    if (u == u'\n') {
      ++counts.lf;
      out.PutBreak();
      ++k;
    } else if (u == u'\r') {
      out.PutBreak();
      if (k + 1 < units && unit(k + 1) == u'\n') {
        ++counts.crlf;
        k += 2;
      } else {
        ++counts.cr;
        ++k;
      }
    } else {
      out.Put(u);
      ++k;
    }
  }
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
void ForEachUnit(StringView text, Put put, PutBreak putBreak) {
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

// The text's pieces hold every line break and surrogate pair whole, so each is encoded on
// its own into one output.
std::size_t TotalSize(Pieces pieces) {
  std::size_t n = 0;
  for (StringView piece : pieces) n += piece.size();
  return n;
}

// Writes every piece one byte per unit while the units are narrow (no bit of `wide` set), line
// breaks in the style asked for, and hands each other unit to `putWide(s, n, i)`, which writes
// it and moves i past it, or returns false to give up (then so does this).
template <typename PutWide>
bool EncodeBytewise(Pieces pieces, LineEnd style, std::uint64_t wide, ByteSink& out, PutWide putWide) {
  const std::string_view lineEnd = LineEndBytes(style);
  for (StringView text : pieces) {
    const char16_t* s = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
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
        for (char c : lineEnd) out.Put(static_cast<unsigned char>(c));
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
bool EncodeLatin1(Pieces pieces, LineEnd style, std::string& result) {
  ByteSink out(TotalSize(pieces));
  const auto above255 = [](StringView, std::size_t) { return false; };
  constexpr std::uint64_t kWide = 0xFF00FF00FF00FF00ull;  // units above U+00FF
  if (!EncodeBytewise(pieces, style, kWide, out, above255)) return false;
  result = out.Take();
  return true;
}

std::string EncodeUtf8(Pieces pieces, LineEnd style, bool bom) {
  ByteSink out(TotalSize(pieces) + 3);
  if (bom)
    for (char c : kUtf8Bom) out.Put(static_cast<unsigned char>(c));
  constexpr std::uint64_t kWide = 0xFF80FF80FF80FF80ull;  // units above U+007F
  EncodeBytewise(pieces, style, kWide, out, [&out](StringView text, std::size_t& i) {
    int units = 1;
    char32_t cp = CodePointAt(text, i, units);
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
  return out.Take();
}

std::string EncodeUtf16(Pieces pieces, LineEnd style, bool bigEndian) {
  ByteSink out(2 * TotalSize(pieces) + 2);
  auto put = [&](char16_t u, std::size_t = 0) {
    out.Reserve(4);
    const auto hi = static_cast<unsigned char>(u >> 8), lo = static_cast<unsigned char>(u & 0xFF);
    out.Put(bigEndian ? hi : lo);
    out.Put(bigEndian ? lo : hi);
  };
  put(0xFEFF);
  for (StringView text : pieces) {
    ForEachUnit(text, put, [&] {
      if (style != LineEnd::LF) put(u'\r');
      if (style != LineEnd::CR) put(u'\n');
    });
  }
  return out.Take();
}

}  // namespace

Decoded Decode(std::string_view bytes) {
  auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  LineEndCounts counts;
  auto finish = [&](UnitSink& out, Encoding encoding) {
    return Decoded{out.Take(), TextFormat{encoding, MostUsed(counts)}};
  };

  if (StartsWith(bytes, kUtf8Bom)) {
    UnitSink out(n);
    if (DecodeUtf8(s + 3, n - 3, out, counts)) return finish(out, Encoding::Utf8Bom);
    counts = {};
  }
  // A UTF-16 mark counts only before an even number of bytes: an odd count cannot come back.
  if (n % 2 == 0 && (StartsWith(bytes, kUtf16LEBom) || StartsWith(bytes, kUtf16BEBom))) {
    const bool bigEndian = StartsWith(bytes, kUtf16BEBom);
    UnitSink out(n / 2);
    DecodeUtf16(s + 2, n - 2, bigEndian, out, counts);
    return finish(out, bigEndian ? Encoding::Utf16BE : Encoding::Utf16LE);
  }
  {
    UnitSink out(n);
    if (DecodeUtf8(s, n, out, counts)) return finish(out, Encoding::Utf8);
  }
  counts = {};
  UnitSink out(n);
  DecodeLatin1(s, n, out, counts);
  return finish(out, Encoding::Latin1);
}

Encoded Encode(StringView text, TextFormat format) { return Encode(Pieces(&text, 1), format); }

Encoded Encode(Pieces text, TextFormat format) {
  const auto first = std::find_if(text.begin(), text.end(), [](StringView piece) { return !piece.empty(); });
  const bool startsWithMark = first != text.end() && first->front() == 0xFEFF;
  switch (format.encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
      return {EncodeUtf16(text, format.lineEnd, format.encoding == Encoding::Utf16BE), format};
    case Encoding::Latin1: {
      std::string bytes;
      if (EncodeLatin1(text, format.lineEnd, bytes)) {
        const Encoding seen = Detect(bytes);
        // Pure ASCII reads back as UTF-8 with the same text; anything else read as something
        // other than Latin-1 would change the text, so it is written as UTF-8 instead.
        if (seen == Encoding::Latin1) return {std::move(bytes), format};
        if (IsAscii(bytes)) return {std::move(bytes), TextFormat{Encoding::Utf8, format.lineEnd}};
      }
      const Encoding utf8 = startsWithMark ? Encoding::Utf8Bom : Encoding::Utf8;
      return {EncodeUtf8(text, format.lineEnd, startsWithMark), TextFormat{utf8, format.lineEnd}};
    }
    case Encoding::Utf8Bom:
      return {EncodeUtf8(text, format.lineEnd, true), format};
    case Encoding::Utf8:
      break;
  }
  if (startsWithMark) return {EncodeUtf8(text, format.lineEnd, true), TextFormat{Encoding::Utf8Bom, format.lineEnd}};
  return {EncodeUtf8(text, format.lineEnd, false), format};
}

}  // namespace quilmar
