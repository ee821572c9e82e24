// Decoding well-formed UTF-8 into UTF-16 sixteen bytes at a time, whatever the mix of
// character lengths (text that mixes scripts and emoji).
#pragma once

#include <cstddef>

namespace quilmar {

// What a run of blocks decoded: the bytes taken (whole characters), the units written and how
// many of the characters were two to four bytes long.
struct Utf8Run {
  std::size_t bytes = 0;
  std::size_t units = 0;
  std::size_t multi = 0;
};

// Whether this machine runs DecodeUtf8Blocks (x86 with SSSE3); elsewhere it takes nothing.
bool HaveUtf8Blocks();

// Decodes s[0, n) from its start, which must be the start of a character, for as long as the
// bytes are well-formed characters other than line ends, in blocks of sixteen: it stops at
// the block holding anything else (a line end, a stray byte, a broken or overlong sequence,
// a surrogate) a character before it, or fewer than sixteen bytes before n, and leaves the
// rest to a decoder that takes one character at a time. It also stops after a block of
// three-byte characters alone, which that decoder takes faster. Reads no byte at or past n. Writes
// to o[0, bytes + 16): the caller has room for a unit a byte and sixteen more.
Utf8Run DecodeUtf8Blocks(const unsigned char* s, std::size_t n, char16_t* o);

}  // namespace quilmar
