#pragma once
// Where a paragraph breaks into laid-out lines: greedy wrapping at a width, from a measure
// and the tab stops. Wrap offsets are the paragraph offsets where each line after the first
// begins.
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/measure.hh"
#include "text/tab_stops.hh"
#include "text/ustring.hh"

namespace quilmar {

using WrapList = std::vector<std::int32_t>;

class LineBreaker {
 public:
  LineBreaker(const Measure& measure, const TabStops& tabs);

  // Takes the width to wrap at (0 or less: do not wrap) and re-reads the measure and the tab
  // stops (the breaker caches character widths). Returns whether anything that places
  // breaks changed; advances beyond ASCII are assumed to change only with the ASCII ones or
  // with the font.
  bool Configure(double width);
  double Width() const { return width_; }

  // Wrap offsets of a whole paragraph (empty when it fits on one line).
  void Wrap(StringView para, WrapList& out) const;
  // The same after an edit of a paragraph whose old wraps were `old`: [at, at+removed) of the
  // old text became [at, at+inserted) of `para`. Only the lines from just before the edit
  // are re-wrapped, until a new break lands on an old one past the edit.
  void Rewrap(StringView para, std::span<const std::int32_t> old, std::int32_t at, std::int32_t removed,
              std::int32_t inserted, WrapList& out) const;

  // Where the laid-out line that begins at `start` ends: the offset of the next line's
  // start, or para.size() when the rest of the paragraph fits.
  std::int32_t LineEnd(StringView para, std::int32_t start) const;

  // Advance of code point c placed at x (tabs depend on x).
  double Advance(char32_t c, double x) const;

 private:
  bool SurelyFits(StringView para) const;

  const Measure& measure_;
  const TabStops& tabs_;
  double width_ = 0;
  double cellWidth_ = 1;
  double maxAdvance_ = 1;
  double widestTab_ = 8;
  std::array<double, 128> ascii_{};
  int tabRevision_ = -1;
};

// Whitespace the layout lets hang past the right edge and breaks after.
inline bool IsWrapSpace(char32_t c) { return c == u' ' || c == u'\t'; }

}  // namespace quilmar
