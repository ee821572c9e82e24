#pragma once
// Word boundaries inside one paragraph, for Ctrl+arrows and Ctrl+Backspace/Delete.
// A word is a run of letters and digits (any non-ASCII character counts as one) or a run of
// punctuation; spaces and tabs separate words.
#include <cstdint>
#include <optional>

#include "text/unit_span.hh"

namespace quilmar {

// The start of the next word after `offset` (past the current word and the spaces after it,
// or the paragraph's end); nothing when offset is already at the paragraph's end.
std::optional<std::int32_t> NextWordStart(UnitSpan para, std::int32_t offset);
// The start of the word before `offset` (spaces skipped first); nothing at offset 0.
std::optional<std::int32_t> PrevWordStart(UnitSpan para, std::int32_t offset);

}  // namespace quilmar
