#pragma once
// Turning fuzzer bytes into editor text. Most bytes pick from a small alphabet of the
// characters that the code under test treats specially, so that short inputs reach deep;
// the top sixteen byte values give characters that stress UTF-16 handling instead (surrogate
// halves, letters whose case pairs lie outside ASCII, the byte-order mark, NUL).
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text/ustring.hh"

namespace quilmar::fuzz {

inline constexpr std::array<char16_t, 16> kUnusualCharacters{
    0x00E9, 0x00C9, 0x00DF, 0x212A,  // é É ß, KELVIN SIGN (folds to k)
    0x017F, 0xD83D, 0xDE00, 0xFEFF,  // LONG S (folds to s), a surrogate pair's halves, BOM
    0x0000, 0x0130, 0x03A3, 0x03C2,  // NUL, İ, Σ, final ς
    0x1E9E, 0xFFFD, 0x00FF, 0x0178,  // ẞ, replacement character, ÿ and its capital Ÿ
};

inline char16_t CharFromByte(std::uint8_t byte, StringView alphabet) {
  if (byte >= 0xF0) return kUnusualCharacters[byte - 0xF0];
  return alphabet[byte % alphabet.size()];
}

inline String TextFromBytes(std::string_view bytes, StringView alphabet) {
  String text;
  text.reserve(bytes.size());
  for (char b : bytes) text.push_back(CharFromByte(static_cast<std::uint8_t>(b), alphabet));
  return text;
}

// A text of at most maxLength characters taken from the input.
inline String ConsumeText(FuzzedDataProvider& in, std::size_t maxLength, StringView alphabet) {
  return TextFromBytes(in.ConsumeRandomLengthString(maxLength), alphabet);
}

// What a target did so far with the current input, in a readable form: printed on failure.
inline std::string& Journal() {
  static std::string journal;
  return journal;
}

// Reports a broken property with enough context to reproduce it, then stops the run, so that
// libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "INVARIANT BROKEN: %s\n%s\n", what, detail.c_str());
  if (!Journal().empty()) std::fprintf(stderr, "events: %s\n", Journal().c_str());
  std::abort();
}

// Shows a text with its control characters escaped, for failure messages.
inline std::string Show(StringView text) {
  std::string out = "\"";
  for (char16_t c : text) {
    if (c == u'\r') out += "\\r";
    else if (c == u'\n') out += "\\n";
    else if (c == u'\t') out += "\\t";
    else if (c == u'"' || c == u'\\') out += std::string("\\") + static_cast<char>(c);
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(c));
      out += buffer;
    }
  }
  return out + "\"";
}

}  // namespace quilmar::fuzz
