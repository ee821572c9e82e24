#pragma once
// The word a double-click selects: a run of letters, digits and underscores, or else a run of
// blanks, or else the one character under the pointer. Pure, over one laid-out line.
#include <optional>

#include "text/ustring.hh"

namespace quilmar {

struct CharRange {
  CharPos start = 0;
  CharPos end = 0;  // one past the last character
  friend bool operator==(const CharRange&, const CharRange&) = default;
};

// The word around column `col` of `line` (columns from 0; col == size means the character
// before it). Nothing on an empty line or outside it.
std::optional<CharRange> WordAt(StringView line, CharPos col);

}  // namespace quilmar
