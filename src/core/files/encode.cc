// Encode: the document's text into a file's bytes (see encoding.hh).
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "files/encoding.hh"
#include "files/utf8_scan.hh"
#include "text/large_buffer.hh"

namespace quilmar {
namespace {

// Four UTF-16 units checked at once.
constexpr std::uint64_t kUnitsOnes = 0x0001000100010001ull;
constexpr std::uint64_t kUnitsHigh = 0x8000800080008000ull;

constexpr bool HasZeroUnit(std::uint64_t v) { return ((v - kUnitsOnes) & ~v & kUnitsHigh) != 0; }
constexpr bool HasUnit(std::uint64_t v, char16_t u) { return HasZeroUnit(v ^ (kUnitsOnes * u)); }

// The bytes made: kept whole, or handed on a piece at a time to a writer, reusing one buffer
// (a big save then never holds all of its bytes). A guess may watch them go by.
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
  void Watch(ReadingGuess& guess) { guess_ = &guess; }
  // After the last byte: a writer has them all, and so has the guess.
  void End() {
    if (write_) Flush();
    else if (guess_) guess_->Add(std::string_view(bytes_.data(), used_));
  }

 private:
  static constexpr std::size_t kPiece = std::size_t(1) << 20;
  std::string bytes_;
  std::size_t used_ = 0;
  const ByteWriter* write_ = nullptr;
  ReadingGuess* guess_ = nullptr;

  void Flush() {
    const std::string_view made(bytes_.data(), used_);
    if (guess_) guess_->Add(made);
    if (!made.empty()) (*write_)(made);
    used_ = 0;
  }
};

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
  std::int64_t index_ = 0;
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
// it and moves i past it. One-byte pieces are copied a stretch at a time; with `wide` at 0x80
// their bytes of 0x80 and more go to putWide.
template <typename PutWide>
void EncodeBytewise(Pieces pieces, BreakCursor breaks, std::uint64_t wide, ByteSink& out, PutWide putWide) {
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
        } else {
          putWide(text, i);
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
      } else {
        putWide(text, i);
      }
    }
  }
}

// What an encoder met beside the characters it wrote as they are.
struct Met {
  std::size_t replaced = 0;  // characters with no code in the encoding (U+FFFD in UTF-8, "?" in Latin-1)
  std::size_t escapes = 0;   // stray bytes written as themselves
};

// One byte a unit; a character above U+00FF has none and is written as "?".
void EncodeLatin1(Pieces pieces, BreakCursor breaks, ByteSink& out, Met& met) {
  constexpr std::uint64_t kWide = 0xFF00FF00FF00FF00ull;  // units above U+00FF
  EncodeBytewise(pieces, breaks, kWide, out, [&](UnitSpan text, std::size_t& i) {
    int units = 1;
    CodePointAt(text.Wide(), i, units);
    i += static_cast<std::size_t>(units);
    ++met.replaced;
    out.Put('?');
  });
}

// A lone surrogate has no UTF-8 form and is written as U+FFFD, except, with `strays`, a stray
// byte's escape, which is written as that byte.
void EncodeUtf8(Pieces pieces, BreakCursor breaks, bool bom, bool strays, ByteSink& out, Met& met) {
  out.Reserve(3);
  if (bom)
    for (char c : std::string_view("\xEF\xBB\xBF")) out.Put(static_cast<unsigned char>(c));
  constexpr std::uint64_t kWide = 0xFF80FF80FF80FF80ull;  // units above U+007F
  EncodeBytewise(pieces, breaks, kWide, out, [&](UnitSpan text, std::size_t& i) {
    out.Reserve(4);
    int units = 1;
    char32_t cp = text.IsNarrow() ? text[i] : CodePointAt(text.Wide(), i, units);
    i += static_cast<std::size_t>(units);
    if (units == 1 && (IsHighSurrogate(static_cast<char16_t>(cp)) || IsLowSurrogate(static_cast<char16_t>(cp)))) {
      if (strays && IsByteEscape(static_cast<char16_t>(cp))) {
        ++met.escapes;
        out.Put(static_cast<unsigned char>(cp - 0xDC00));
        return;
      }
      ++met.replaced;
      cp = 0xFFFD;
    }
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

// A UTF-8 text that begins with U+FEFF is written with a mark: the character would otherwise
// be taken for one.
TextFormat Written(Pieces text, TextFormat format) {
  const auto first = std::find_if(text.begin(), text.end(), [](UnitSpan piece) { return !piece.empty(); });
  const bool startsWithMark = first != text.end() && first->front() == 0xFEFF;
  if (format.encoding == Encoding::Utf8 && startsWithMark) return {Encoding::Utf8Bom, format.lineEnd};
  return format;
}

// The text in exactly this encoding (see Written), and how its bytes will read back. Only
// Latin-1 and UTF-8 with stray bytes can read back as another encoding; their bytes are watched.
ReadBack EncodeExactly(Pieces text, TextFormat format, std::span<const BreakRun> forms, ByteSink& out) {
  const TextFormat written = Written(text, format);
  const BreakCursor breaks(forms, format.lineEnd);
  const Encoding e = written.encoding;
  Met met;
  ReadingGuess guess;
  const bool watched = e == Encoding::Latin1 || e == Encoding::Utf8Stray;
  if (watched) out.Watch(guess);
  if (e == Encoding::Latin1) EncodeLatin1(text, breaks, out, met);
  else if (e == Encoding::Utf16LE || e == Encoding::Utf16BE) EncodeUtf16(text, breaks, e == Encoding::Utf16BE, out);
  else EncodeUtf8(text, breaks, e == Encoding::Utf8Bom, e == Encoding::Utf8Stray, out, met);
  out.End();
  ReadBack back{written, met.replaced == 0};
  if (!watched) return back;
  const Encoding seen = guess.Finish();
  back.format.encoding = seen;
  // Latin-1 left with ASCII alone reads back as UTF-8, the same text; UTF-8 left without stray
  // bytes reads back as UTF-8; stray bytes that now make a character together read back as it.
  if (e == Encoding::Latin1) back.sameText &= seen == Encoding::Latin1 || (seen == Encoding::Utf8 && guess.Ascii());
  else if (met.escapes == 0) back.sameText &= seen == Encoding::Utf8;
  else back.sameText &= seen == Encoding::Utf8Stray && guess.Tally().stray == met.escapes;
  return back;
}

std::size_t ExpectedBytes(Pieces text, Encoding encoding) {
  const std::size_t units = TotalSize(text);
  return encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE ? 2 * units + 2 : units + 3;
}

// By Encoding's order.
constexpr std::array<std::u16string_view, 6> kEncodingNames{
    u"UTF-8", u"UTF-8 with a byte-order mark", u"UTF-16", u"UTF-16", u"Latin-1", u"UTF-8 with stray bytes"};
static_assert(kEncodingNames.size() == static_cast<std::size_t>(kLastEncoding) + 1);

}  // namespace

std::optional<Encoding> Fallback(Encoding encoding) {
  if (encoding == Encoding::Latin1) return Encoding::Utf8;
  if (encoding == Encoding::Utf8Stray) return Encoding::Utf16LE;
  return std::nullopt;
}

Encoded Encode(UnitSpan text, TextFormat format, std::span<const BreakRun> forms) {
  return Encode(Pieces(&text, 1), format, forms);
}

Encoded Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms) {
  {
    ByteSink out(ExpectedBytes(text, format.encoding));
    const ReadBack back = EncodeExactly(text, format, forms, out);
    if (back.sameText || !Fallback(format.encoding)) return {out.Take(), back.format};
  }
  format.encoding = *Fallback(format.encoding);
  ByteSink out(ExpectedBytes(text, format.encoding));
  const ReadBack back = EncodeExactly(text, format, forms, out);
  return {out.Take(), back.format};
}

ReadBack Encode(Pieces text, TextFormat format, std::span<const BreakRun> forms, const ByteWriter& write) {
  ByteSink out(write);
  return EncodeExactly(text, format, forms, out);
}

std::optional<std::size_t> FirstUnheld(Pieces text, Encoding encoding) {
  if (encoding != Encoding::Latin1) return std::nullopt;  // the others have a code for everything
  std::size_t at = 0;
  for (UnitSpan piece : text) {
    if (!piece.IsNarrow()) {  // a one-byte piece holds nothing above U+00FF
      const char16_t* s = piece.WideData();
      for (std::size_t i = 0; i < piece.size(); ++i)
        if (s[i] > 0xFF) return at + i;
    }
    at += piece.size();
  }
  return std::nullopt;
}

std::u16string_view EncodingName(Encoding encoding) { return kEncodingNames[static_cast<std::size_t>(encoding)]; }

}  // namespace quilmar
