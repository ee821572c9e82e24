#pragma once
// Fast scans of code units, two-byte or one-byte (see UnitSpan), for a few values (the hot
// loops of loading and Find). A value above 0xFF is never found among one-byte units.
#include <cstddef>

namespace quilmar {

// The first unit in [p, end) equal to `unit`, or end.
const char16_t* FindUnit(const char16_t* p, const char16_t* end, char16_t unit);
// How many units in [p, end) equal `unit`.
std::size_t CountUnit(const char16_t* p, const char16_t* end, char16_t unit);
// The first unit in [p, end) equal to any of units[0..count), or end. count is 1 to 4.
const char16_t* FindAnyUnit(const char16_t* p, const char16_t* end, const char16_t* units, int count);

const unsigned char* FindUnit(const unsigned char* p, const unsigned char* end, char16_t unit);
std::size_t CountUnit(const unsigned char* p, const unsigned char* end, char16_t unit);
const unsigned char* FindAnyUnit(const unsigned char* p, const unsigned char* end, const char16_t* units, int count);

}  // namespace quilmar
