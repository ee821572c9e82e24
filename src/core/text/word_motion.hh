#pragma once
// Words inside one line of text: the one rule for what a word is, used by the word keys of
// both text controls (Ctrl+arrows, Ctrl+Backspace/Delete) and by a double-click in either view.
// A word is a run of letters, digits and underscores (any non-ASCII character counts as one)
// or a run of ASCII punctuation; spaces and tabs separate words.
#include <cstdint>
#include <optional>

#include "text/unit_span.hh"

namespace quilmar {

// What a unit is to the word rule: a separator, part of a word, or punctuation.
enum class WordClass { Blank, Word, Punct };
WordClass WordClassOf(char16_t c);

// The start of the next word after `offset` (past the current word and the spaces after it,
// or the paragraph's end); nothing when offset is already at the paragraph's end.
std::optional<std::int32_t> NextWordStart(UnitSpan para, std::int32_t offset);
// The start of the word before `offset` (spaces skipped first); nothing at offset 0.
std::optional<std::int32_t> PrevWordStart(UnitSpan para, std::int32_t offset);

// What a double-click at `offset` selects: the run of word characters or of blanks there, or
// the one punctuation character. `offset` == size means the character before it; nothing on
// an empty line or outside it.
struct WordSpan {
  std::int32_t start = 0;
  std::int32_t end = 0;  // one past the last unit
  friend bool operator==(const WordSpan&, const WordSpan&) = default;
};
std::optional<WordSpan> WordAround(UnitSpan line, std::int32_t offset);

}  // namespace quilmar
