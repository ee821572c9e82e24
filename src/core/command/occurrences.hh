#pragma once
// Every occurrence of a text in a stretch of text, for the substitute command.
#include <cstddef>
#include <vector>

#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

// Where `what` occurs lying wholly in [from, to) of `text`, left to right, each search going on
// after the previous occurrence, so that occurrences never overlap: the positions at which
// TextModel::Find, called again from each resume point, would land, with the same case rule
// (code units exactly, or Unicode simple case folding). `text` may go on past `to`, so that a
// surrogate pair that straddles `to` is read whole. An empty `what` occurs nowhere.
std::vector<std::size_t> FindOccurrences(UnitSpan text, StringView what, std::size_t from, std::size_t to,
                                         bool caseSensitive);

}  // namespace quilmar
