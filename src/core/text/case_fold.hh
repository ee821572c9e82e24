#pragma once
// Unicode simple case folding (CaseFolding.txt, statuses C and S), one code point at a time.
// Folding never changes whether a character needs a surrogate pair.
#include <vector>

#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

char32_t FoldCase(char32_t c);
// Every code point that folds like c (c itself included), in ascending order.
std::vector<char32_t> CaseVariants(char32_t c);

// A non-empty text to find by simple case folding: its folded code points, and the code units
// a match may begin with (the first unit of each case variant of its first character).
// Folding keeps every character's length, so a match is exactly as long as the text.
struct FoldedPattern {
  explicit FoldedPattern(StringView text);
  bool MayStartWith(char16_t unit) const;
  // Whether the code points of text from i fold to the pattern's.
  bool MatchesAt(UnitSpan text, std::size_t i) const;

  std::vector<char32_t> folded;
  std::vector<char16_t> firstUnits;  // ascending, without repeats
};

}  // namespace quilmar
