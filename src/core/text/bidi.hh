#pragma once
// Right-to-left text inside the editor's left-to-right lines: the order in which the runs of
// one segment of a line (the text between two tabs) are shown, by the Unicode bidirectional
// algorithm with a left-to-right paragraph level. A tab ends every run, as the algorithm's
// segment separators do, so segments can be ordered one at a time.
#include <cstdint>
#include <vector>

#include "text/ustring.hh"

namespace quilmar {

// A stretch of one direction, by its logical offsets in the segment.
struct BidiRun {
  std::int32_t from = 0;
  std::int32_t to = 0;
  bool rtl = false;
};

// The runs of `segment` (no tab, no line break) from left to right as displayed. Text without
// right-to-left characters is one left-to-right run, found without running the algorithm.
void VisualRuns(StringView segment, std::vector<BidiRun>& out);

// Whether the text holds a character that makes its line need reordering.
bool HasRightToLeft(StringView text);

// The same for a segment of letters, marks, joiners and neutrals only, or any segment without
// right-to-left text: the few rules the algorithm comes down to there, in one pass. False when
// right-to-left text meets numbers, brackets, embeddings or controls, which only the full
// algorithm (ICU) resolves. The runs' logical order is also their visual order there.
bool SimpleRuns(StringView segment, std::vector<BidiRun>& out);
// Where the last character of [from, to) that runs right to left by its own class ends (a
// right-to-left letter, or a mark on one): a line that ended after `to`, with only neutrals
// and joiners after that character, ends its right-to-left run there. `from` when none does.
std::int32_t RightToLeftEnd(StringView segment, std::int32_t from, std::int32_t to);
// Whether SimpleRuns of a segment that began with `text` would start it with a right-to-left
// run: its first right-to-left letter comes after joiners only.
bool StartsRightToLeft(StringView text);

}  // namespace quilmar
