#include "platform/measure.hh"

#include <algorithm>

namespace quilmar {

namespace {

// Boxes from the clusters' widths: left to right, or from the right edge leftwards.
template <typename WidthOf>
double PlaceClusters(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes,
                     WidthOf widthOf) {
  thread_local std::vector<std::int32_t> ends;
  clusterEnds(piece, ends);
  const std::size_t first = boxes.size();
  double x = 0;
  std::int32_t from = 0;
  for (std::int32_t to : ends) {
    const double w = widthOf(from, to);
    boxes.push_back({to, x, x + w});
    x += w;
    from = to;
  }
  if (rtl) {
    for (std::size_t i = first; i < boxes.size(); ++i) boxes[i] = {boxes[i].end, x - boxes[i].right, x - boxes[i].left};
  }
  return x;
}

}  // namespace

double Measure::Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const {
  return PlaceClusters(piece, rtl, clusterEnds, boxes, [&](std::int32_t from, std::int32_t to) {
    double w = 0;
    int units = 1;
    for (auto i = static_cast<std::size_t>(from); i < static_cast<std::size_t>(to); i += static_cast<std::size_t>(units))
      w += std::max(0.0, PlainAdvance(CodePointAt(piece, i, units)));
    return w;
  });
}

double CellMeasure::Shape(StringView piece, bool rtl, ClusterEndsFn clusterEnds, std::vector<ClusterBox>& boxes) const {
  return PlaceClusters(piece, rtl, clusterEnds, boxes, [](std::int32_t, std::int32_t) { return 1.0; });
}

}  // namespace quilmar
