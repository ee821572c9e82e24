#include "text/line_breaker.hh"

#include <algorithm>

#include "text/unit_scan.hh"

namespace quilmar {

LineBreaker::LineBreaker(const Measure& measure, const TabStops& tabs)
    : measure_(measure), tabs_(tabs) {
  Configure(0);
}

bool LineBreaker::Configure(double width) {
  std::array<double, 128> ascii;
  for (char32_t c = 0; c < ascii.size(); ++c) ascii[c] = measure_.Advance(c);
  const double cellWidth = measure_.CellWidth();
  const bool changed = width != width_ || cellWidth != cellWidth_ || measure_.MaxAdvance() != maxAdvance_ ||
                       tabs_.Revision() != tabRevision_ || ascii != ascii_;
  width_ = width;
  cellWidth_ = cellWidth;
  maxAdvance_ = measure_.MaxAdvance();
  widestTab_ = tabs_.WidestAdvance(cellWidth_);
  tabRevision_ = tabs_.Revision();
  ascii_ = ascii;
  return changed;
}

double LineBreaker::Advance(char32_t c, double x) const {
  if (c == u'\t') return tabs_.Next(x, cellWidth_) - x;
  if (c < ascii_.size()) return ascii_[c];
  return measure_.Advance(c);
}

bool LineBreaker::SurelyFits(StringView para) const {
  // No width yet (a window not yet shown): wrapping every character onto its own line would
  // cost far more than the text itself, so nothing wraps until a real width arrives.
  if (width_ <= 0) return true;
  const double n = static_cast<double>(para.size());
  if (n * std::max(maxAdvance_, widestTab_) <= width_) return true;
  if (n * maxAdvance_ > width_) return false;
  // Only a tab could make it too wide.
  const char16_t* end = para.data() + para.size();
  return FindUnit(para.data(), end, u'\t') == end;
}

std::int32_t LineBreaker::LineEnd(StringView para, std::int32_t start) const {
  const auto n = static_cast<std::int32_t>(para.size());
  double x = 0;
  std::int32_t afterSpace = -1;  // where a break after the last space would fall
  std::int32_t i = start;
  while (i < n) {
    int units = 1;
    const char32_t c = CodePointAt(para, static_cast<std::size_t>(i), units);
    const double adv = Advance(c, x);
    const bool space = IsWrapSpace(c);
    // Spaces always stay on the line (they hang past the edge); every line takes at least
    // one character, so a character wider than the line still makes progress.
    if (space || i == start || x + adv <= width_) {
      x += adv;
      i += units;
      if (space) afterSpace = i;
      continue;
    }
    return afterSpace > start ? afterSpace : i;
  }
  return n;
}

void LineBreaker::Wrap(StringView para, WrapList& out) const {
  out.clear();
  if (SurelyFits(para)) return;
  const auto n = static_cast<std::int32_t>(para.size());
  for (std::int32_t start = 0;;) {
    start = LineEnd(para, start);
    if (start >= n) break;
    out.push_back(start);
  }
}

void LineBreaker::Rewrap(StringView para, std::span<const std::int32_t> old, std::int32_t at,
                         std::int32_t removed, std::int32_t inserted, WrapList& out) const {
  out.clear();
  if (old.empty() || SurelyFits(para)) {
    Wrap(para, out);
    return;
  }
  // A line's break depends on its own characters and on the first character of the line
  // after next at most, so an edit inside line L can move the breaks of lines L-2 onwards.
  const auto line = static_cast<std::int32_t>(std::upper_bound(old.begin(), old.end(), at) - old.begin());
  const std::int32_t first = std::max(0, line - 2);
  out.assign(old.begin(), old.begin() + first);
  std::int32_t start = first == 0 ? 0 : old[static_cast<std::size_t>(first - 1)];
  const auto n = static_cast<std::int32_t>(para.size());
  const std::int32_t delta = inserted - removed;
  const std::int32_t editEnd = at + inserted;  // in the new text
  for (;;) {
    start = LineEnd(para, start);
    if (start >= n) return;
    out.push_back(start);
    if (start >= editEnd) {
      // Past the edit the text is the old text shifted by delta, and a line's breaks depend
      // only on where it starts: once a break matches an old one, the rest match too.
      const std::int32_t oldPos = start - delta;
      auto it = std::lower_bound(old.begin(), old.end(), oldPos);
      if (it != old.end() && *it == oldPos) {
        for (++it; it != old.end(); ++it) out.push_back(*it + delta);
        return;
      }
    }
  }
}

}  // namespace quilmar
