#include "text/ustring.hh"

namespace quilmar {

namespace {

// Each byte that is not part of valid UTF-8 becomes `invalid`, or, with escape, U+DC00 + byte.
String DecodeUtf8(std::string_view s, bool escape) {
  String out;
  out.reserve(s.size());
  std::size_t i = 0;
  const std::size_t n = s.size();
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  while (i < n) {
    unsigned char b = byte(i);
    char32_t cp = escape ? 0xDC00 + b : 0xFFFD;
    std::size_t len = 1;
    if (b < 0x80) {
      cp = b;
    } else if (b >= 0xC2 && b <= 0xDF && i + 1 < n && (byte(i + 1) & 0xC0) == 0x80) {
      cp = (char32_t(b & 0x1F) << 6) | (byte(i + 1) & 0x3F);
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF && i + 2 < n && (byte(i + 1) & 0xC0) == 0x80 &&
               (byte(i + 2) & 0xC0) == 0x80) {
      char32_t c = (char32_t(b & 0x0F) << 12) | (char32_t(byte(i + 1) & 0x3F) << 6) | (byte(i + 2) & 0x3F);
      if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
        cp = c;
        len = 3;
      }
    } else if (b >= 0xF0 && b <= 0xF4 && i + 3 < n && (byte(i + 1) & 0xC0) == 0x80 &&
               (byte(i + 2) & 0xC0) == 0x80 && (byte(i + 3) & 0xC0) == 0x80) {
      char32_t c = (char32_t(b & 0x07) << 18) | (char32_t(byte(i + 1) & 0x3F) << 12) |
                   (char32_t(byte(i + 2) & 0x3F) << 6) | (byte(i + 3) & 0x3F);
      if (c >= 0x10000 && c <= 0x10FFFF) {
        cp = c;
        len = 4;
      }
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += len;
  }
  return out;
}

// UTF-8 of the text; a lone surrogate is U+FFFD, or with `escaped` an escape's byte (and any
// other lone surrogate a failure).
std::optional<std::string> EncodeUtf8(StringView s, bool escaped) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (IsHighSurrogate(s[i]) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
      cp = 0x10000 + ((char32_t(s[i]) - 0xD800) << 10) + (char32_t(s[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(s[i]) || IsLowSurrogate(s[i])) {
      if (!escaped) {
        cp = 0xFFFD;
      } else if (IsByteEscape(s[i])) {
        out.push_back(static_cast<char>(s[i] - 0xDC00));
        continue;
      } else {
        return std::nullopt;
      }
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace

String FromUtf8(std::string_view utf8) { return DecodeUtf8(utf8, false); }

std::string ToUtf8(StringView text) { return *EncodeUtf8(text, false); }

String FromBytesEscaped(std::string_view bytes) { return DecodeUtf8(bytes, true); }

std::optional<std::string> ToBytesEscaped(StringView text) { return EncodeUtf8(text, true); }

String Shown(StringView text) {
  String out(text);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsHighSurrogate(out[i]) && i + 1 < out.size() && IsLowSurrogate(out[i + 1]))
      ++i;
    else if (IsHighSurrogate(out[i]) || IsLowSurrogate(out[i]))
      out[i] = 0xFFFD;
  }
  return out;
}

String Ascii(std::string_view ascii) { return String(ascii.begin(), ascii.end()); }

String Decimal(long long value) { return Ascii(std::to_string(value)); }

}  // namespace quilmar
