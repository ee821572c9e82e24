#pragma once
// Text as the editor holds it: UTF-16 code units, the unit of every position.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/units.hh"

namespace quilmar {

using String = std::u16string;
using StringView = std::u16string_view;


// Conversions at the edges (key scripts, JSON, file names on disk). Invalid input never throws:
// ill-formed UTF-8 bytes become U+FFFD, lone surrogates are written as U+FFFD.
String FromUtf8(std::string_view utf8);
std::string ToUtf8(StringView text);
// Bytes that need not be UTF-8 (file names are bytes) as text, losslessly: each byte that is
// not part of valid UTF-8 becomes the lone surrogate U+DC00 + byte (U+DC80 to U+DCFF), an
// "escape" no valid UTF-8 can produce. ToBytesEscaped gives the exact bytes back; it fails only
// for a lone surrogate that is no escape (it stands for no byte).
String FromBytesEscaped(std::string_view bytes);
std::optional<std::string> ToBytesEscaped(StringView text);
// The text for showing: every lone surrogate (an escape too) as U+FFFD.
String Shown(StringView text);
// ASCII literal helper for messages: every message of the editor is ASCII.
String Ascii(std::string_view ascii);
// Decimal digits of a number, as the panels and messages show it.
String Decimal(long long value);
template <typename Tag>
String Decimal(Counted<Tag> value) {
  return Decimal(value.value());
}

inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
inline bool IsByteEscape(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }
inline char16_t ByteEscape(unsigned char byte) { return static_cast<char16_t>(0xDC00 + byte); }

// The code point at s[i] and how many code units it takes (a lone surrogate is one unit).
inline char32_t CodePointAt(StringView s, std::size_t i, int& units) {
  const char16_t c = s[i];
  if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
    units = 2;
    return 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00);
  }
  units = 1;
  return c;
}

}  // namespace quilmar
