#pragma once
// The bytes each line break had in its file. The document holds every break as "\r\n"; beside
// the text it keeps the form to write each break back in, so that what was not edited is saved
// byte for byte. Most files use one form throughout and every typed break takes the document's
// own style, so forms are kept as runs over break numbers, and a text all in the document's
// style has no run at all.
#include <cstdint>
#include <span>
#include <vector>

#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

// Native: the document's own style (the one its file used most, LF for a new document).
enum class BreakForm : std::uint8_t { Native, LF, CRLF, CR };

// From break `index` on (a break is numbered by the paragraph it ends) breaks take `form`, up to
// the next run. Breaks before the first run are Native. Indices increase strictly and two
// neighbours never have the same form.
struct BreakRun {
  std::int64_t index = 0;
  BreakForm form = BreakForm::Native;
  friend bool operator==(const BreakRun&, const BreakRun&) = default;
};
using BreakRuns = std::vector<BreakRun>;

// The form of one break: a binary search.
BreakForm FormAt(std::span<const BreakRun> runs, std::int64_t index);
// Sets the form from `index` on, for an index at or after the last run's.
void AddRun(BreakRuns& runs, std::int64_t index, BreakForm form);
// Appends the runs of a text that follows `runs`' text, whose first break is number `offset`.
void AppendRuns(BreakRuns& runs, std::span<const BreakRun> more, std::int64_t offset);
// The number of breaks in a text holding "\r\n" breaks only.
std::int64_t BreakCount(UnitSpan text);

}  // namespace quilmar
