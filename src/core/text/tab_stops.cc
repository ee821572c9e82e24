#include "text/tab_stops.hh"

#include <algorithm>
#include <cmath>

namespace quilmar {

bool TabStops::SetCount(int count) {
  const auto n = static_cast<std::size_t>(std::clamp(count, 0, kMaxStops));
  if (n == cells_.size()) return false;
  cells_.resize(n, 0.0);
  ++revision_;
  return true;
}

bool TabStops::Set(int index, double cells) {
  if (index < 0 || static_cast<std::size_t>(index) >= cells_.size()) return false;
  if (cells_[static_cast<std::size_t>(index)] == cells) return false;
  cells_[static_cast<std::size_t>(index)] = cells;
  ++revision_;
  return true;
}

double TabStops::Next(double x, double cellWidth) const {
  // The stops are not required to be sorted (they are set one by one), so take the nearest.
  double best = -1;
  for (double c : cells_) {
    const double stop = c * cellWidth;
    if (stop > x && (best < 0 || stop < best)) best = stop;
  }
  if (best >= 0) return best;
  const double spacing = kDefaultSpacingCells * cellWidth;
  if (spacing <= 0) return x;
  return (std::floor(x / spacing) + 1) * spacing;
}

double TabStops::WidestAdvance(double cellWidth) const {
  // A tab either reaches a custom stop (never further than the largest one) or a default
  // stop (never further than one spacing).
  double widest = kDefaultSpacingCells * cellWidth;
  for (double c : cells_) widest = std::max(widest, c * cellWidth);
  return widest;
}

}  // namespace quilmar
