#include "text/break_forms.hh"

#include <algorithm>

#include "text/unit_scan.hh"

namespace quilmar {

BreakForm FormAt(std::span<const BreakRun> runs, std::int64_t index) {
  const auto after = std::upper_bound(runs.begin(), runs.end(), index,
                                      [](std::int64_t i, const BreakRun& r) { return i < r.index; });
  return after == runs.begin() ? BreakForm::Native : std::prev(after)->form;
}

void AddRun(BreakRuns& runs, std::int64_t index, BreakForm form) {
  if (!runs.empty() && runs.back().index == index) runs.pop_back();
  const BreakForm before = runs.empty() ? BreakForm::Native : runs.back().form;
  if (form != before) runs.push_back({index, form});
}

void AppendRuns(BreakRuns& runs, std::span<const BreakRun> more, std::int64_t offset) {
  AddRun(runs, offset, FormAt(more, 0));
  for (const BreakRun& r : more)
    if (r.index > 0) AddRun(runs, offset + r.index, r.form);
}

std::int64_t BreakCount(UnitSpan text) {
  return text.Visit([](const auto* p, std::size_t n) { return static_cast<std::int64_t>(CountUnit(p, p + n, u'\n')); });
}

}  // namespace quilmar
