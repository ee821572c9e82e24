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

}  // namespace quilmar
