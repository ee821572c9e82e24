#pragma once
// Grapheme clusters: what a reader takes for one character (a letter with its accents, an
// emoji sequence, a flag, a Hangul syllable). The caret stops, and single-character deletions
// act, only at cluster boundaries. Offsets are UTF-16 units into one paragraph's text (which
// holds no line break); every lookup reads a bounded window around its offset, so a
// paragraph of millions of characters costs no more than a short one. A cluster longer than
// that window (hundreds of stacked marks) is cut where the window ends.
#include <cstdint>
#include <vector>

#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

// Whether a cluster boundary falls at offset (0 and text.size() always are).
bool IsClusterBoundary(UnitSpan text, std::int32_t offset);
// The first boundary after offset (text.size() at most), and the last one before it (0 at least).
std::int32_t NextClusterBoundary(UnitSpan text, std::int32_t offset);
std::int32_t PrevClusterBoundary(UnitSpan text, std::int32_t offset);
// The boundaries of a piece whose ends are boundaries, after 0, in order: the last is
// text.size(). Reads the whole piece; for pieces of a laid-out line.
void ClusterEnds(StringView text, std::vector<std::int32_t>& out);

// A code point that is a cluster of its own whatever its neighbours, and runs left to right
// in any line without right-to-left characters: its place and width never depend on shaping
// context (the layout may measure it alone). False for marks, joiners, Hangul jamo, regional
// indicators, control and format characters, and right-to-left letters and numbers.
bool IsSimpleCharacter(char32_t c);
// A code point that makes its line need bidirectional reordering.
bool IsRightToLeftCharacter(char32_t c);

}  // namespace quilmar
