#pragma once
// The document's tab stops: custom stops in cells, then default stops every 8 cells.
#include <vector>

namespace quilmar {

class TabStops {
 public:
  static constexpr double kDefaultSpacingCells = 8;
  // As many custom stops as a paragraph can hold; a larger count is taken as this.
  static constexpr int kMaxStops = 32;

  const std::vector<double>& Cells() const { return cells_; }
  // Grows with every change, so a layout can tell whether its stops are still current.
  int Revision() const { return revision_; }
  // Both return whether anything changed, so callers can skip a relayout.
  bool SetCount(int count);
  bool Set(int index, double cells);

  // The first stop strictly after x (x and the result in measure units from the line start):
  // the nearest custom stop beyond x, else the next multiple of the default spacing.
  double Next(double x, double cellWidth) const;
  // No tab advances further than this (in measure units): lets the layout skip measuring.
  double WidestAdvance(double cellWidth) const;

 private:
  std::vector<double> cells_;
  int revision_ = 0;
};

}  // namespace quilmar
