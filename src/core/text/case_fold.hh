#pragma once
// Unicode simple case folding (CaseFolding.txt, statuses C and S), one code point at a time.
// Folding never changes whether a character needs a surrogate pair.
#include <vector>

namespace quilmar {

char32_t FoldCase(char32_t c);
// Every code point that folds like c (c itself included), in ascending order.
std::vector<char32_t> CaseVariants(char32_t c);

}  // namespace quilmar
