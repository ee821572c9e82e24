#pragma once
// Where a line of shaped text ends, found from the very pieces and sums LineLayout will lay it
// out in, without building the layout: the line breaker's exact path for lines with a
// character to shape, right-to-left text among them.
//
// A line's runs depend on where it ends: neutrals between two right-to-left words run right
// to left, but at the end of a line they run left to right. So the walk resolves the
// directions of the text ahead once (bidi.hh), adds each run's pieces up in logical order (a
// line's width does not depend on the order its runs are shown in), and at each place the line
// could break inside a right-to-left run measures the line as it would be laid out if it ended
// there: that run cut after its last right-to-left character, what follows it left to right.
#include <cstdint>
#include <optional>

#include "text/text_metrics.hh"
#include "text/ustring.hh"

namespace quilmar {

// Where a line's clusters reach, as LineLayout::Fit measures them: x is where the next
// piece starts, `solid` the furthest right edge up to the last cluster that is not a space or
// tab, `hanging` the furthest of those after it (they may hang past the width).
struct LinePen {
  double x = 0;
  double solid = 0;
  double hanging = 0;
  std::int32_t afterSpace = -1;  // where a break after the last spaces would fall
};

// Adds [a, b) of `para`, a piece of a left-to-right run, to a line that began at lineStart,
// as LineLayout lays it out. Returns -1, or when a cluster would reach past `width`: its
// offset for a plain one, -2 for a shaped piece. Sets `shaped` when the piece had to be shaped.
std::int32_t AddLeftPiece(const TextMetrics& metrics, StringView para, std::int32_t lineStart, LinePen& pen,
                          std::int32_t a, std::int32_t b, double width, bool& shaped);
// A line that would end after the last right-to-left character of a run, at tailAt, lays out
// what follows that character up to b (a place to break after spaces) left to right: adds it
// to `tail`, a piece at a time, and moves tailAt on. A lone space that would start a longer
// piece only hangs there, so it is left for the next such place.
void ExtendTail(const TextMetrics& metrics, StringView para, std::int32_t lineStart, LinePen& tail,
                std::int32_t& tailAt, std::int32_t b);

class LineWalk {
 public:
  explicit LineWalk(const TextMetrics& metrics) : metrics_(metrics) {}

  // The end of the line that begins at `start` of `para` when lines wrap at `width`: after
  // the last spaces or tab where the line, as laid out, still fits (LineLayout::FitWidth), or
  // para.size() when the rest fits. `reach`: how many units to read ahead at least (more
  // are read when the line is longer). readTo: how far the answer depends on the text. Nothing
  // when the line's first word must be cut between clusters, or when its directions take the
  // full bidirectional algorithm (numbers or brackets among right-to-left text): then the
  // line's own layout decides.
  std::optional<std::int32_t> LineEnd(StringView para, std::int32_t start, double width, std::int32_t reach,
                                      std::int32_t& readTo) const;
  // Whether the last line LineEnd ended held a piece that had to be shaped.
  bool SawShaped() const { return sawShaped_; }

 private:
  const TextMetrics& metrics_;
  mutable std::int32_t lastLength_ = 0;  // of the last line that ended before its paragraph's end
  mutable bool sawShaped_ = false;
};

}  // namespace quilmar
