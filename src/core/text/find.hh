#pragma once
// Searching the document where it lies, without copying it.
#include <optional>

#include "text/document.hh"

namespace quilmar {

// The position of the first occurrence of `needle` lying wholly inside [start, end) (no
// `end`, or one outside the text, means the end of the text). Matches may span breaks: the
// needle may hold "\r\n". Without matchCase, characters compare by simple case folding.
// An empty needle is found at `start` when start is not past `end`. A start past the end of
// the text finds nothing; a negative start counts as 0.
std::optional<CharPos> FindText(const Document& doc, StringView needle, CharPos start, std::optional<CharPos> end,
                                bool matchCase);

}  // namespace quilmar
