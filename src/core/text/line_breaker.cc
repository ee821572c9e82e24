#include "text/line_breaker.hh"

#include <algorithm>

#include "text/grapheme.hh"
#include "text/line_layout.hh"
#include "text/unit_scan.hh"

namespace quilmar {

LineBreaker::LineBreaker(const Measure& measure, const TabStops& tabs) : metrics_(measure, tabs) {}

bool LineBreaker::Configure(double width) {
  const bool changed = metrics_.Refresh() || width != width_;
  width_ = width;
  return changed;
}

bool LineBreaker::SurelyFits(StringView para) const {
  // No width yet (a window not yet shown): wrapping every character onto its own line would
  // cost far more than the text itself, so nothing wraps until a real width arrives.
  if (width_ <= 0) return true;
  const double n = static_cast<double>(para.size());
  const double maxAdvance = metrics_.MaxAdvance();
  if (n * std::max(maxAdvance, metrics_.WidestTab()) <= width_) return true;
  if (n * maxAdvance > width_) return false;
  // Only a tab could make it too wide.
  const char16_t* end = para.data() + para.size();
  return FindUnit(para.data(), end, u'\t') == end;
}

std::int32_t LineBreaker::LineEnd(StringView para, std::int32_t start) const {
  if (const auto end = PlainLineEnd(para, start)) return *end;
  return ShapedLineEnd(para, start);
}

std::optional<std::int32_t> LineBreaker::PlainLineEnd(StringView para, std::int32_t start) const {
  // The same sums, in the same order, as LineLayout makes for plain text: the line this
  // accepts measures the same when it is painted.
  const auto n = static_cast<std::int32_t>(para.size());
  double x = 0;
  std::int32_t afterSpace = -1;  // where a break after the last space would fall
  for (std::int32_t i = start; i < n;) {
    const char16_t c = para[static_cast<std::size_t>(i)];
    if (c == u'\t') {
      x = metrics_.NextTab(x);
      afterSpace = ++i;
      continue;
    }
    const double adv = metrics_.Plain(c);
    if (adv < 0) return std::nullopt;
    // Spaces always stay on the line (they hang past the edge); every line takes at least
    // one character, so a character wider than the line still makes progress.
    if (c == u' ' || i == start || x + adv <= width_) {
      x += adv;
      ++i;
      if (c == u' ') afterSpace = i;
      continue;
    }
    return afterSpace > start ? afterSpace : i;
  }
  return n;
}

std::int32_t LineBreaker::ShapedLineEnd(StringView para, std::int32_t start) const {
  const auto n = static_cast<std::int32_t>(para.size());
  auto lineOf = [&](std::int32_t end, LineLayout& layout) {
    layout.Build(para.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), metrics_);
  };
  // A guess from a probe: the text ahead laid out as one line, a good deal longer than can
  // fit, its clusters' advances added up in logical order as the plain rule does.
  LineLayout probe;
  std::int32_t guess = n;
  auto units = static_cast<std::int32_t>(std::clamp(2 * width_ / metrics_.CellWidth() + 16, 16.0, 8192.0));
  for (;;) {
    std::int32_t probeEnd = std::min<std::int64_t>(n, std::int64_t(start) + units);
    if (!IsClusterBoundary(para, probeEnd)) probeEnd = NextClusterBoundary(para, probeEnd);
    lineOf(probeEnd, probe);
    double x = 0;
    std::int32_t afterSpace = -1;
    std::int32_t previous = -1;  // the cluster before, waiting for its end
    double previousAdvance = 0;
    std::optional<std::int32_t> end;
    // Each cluster is judged when the next one starts (or the probe ends): then its end is known.
    auto judge = [&](std::int32_t next) {
      if (previous < 0 || end) return;
      const std::int32_t at = start + previous;
      const char16_t c = para[static_cast<std::size_t>(at)];
      const bool space = next - previous == 1 && IsWrapSpace(c);
      if (c == u'\t' && next - previous == 1) {
        x = metrics_.NextTab(x);
      } else if (!space && at != start && x + previousAdvance > width_) {
        end = afterSpace > start ? afterSpace : at;
        return;
      } else {
        x += previousAdvance;
      }
      if (space) afterSpace = start + next;
    };
    probe.ForEachCluster([&](const LineLayout::Cluster& c) {
      judge(c.start);
      previous = c.start;
      previousAdvance = c.right - c.left;
    });
    judge(probe.Length());
    if (end) {
      guess = *end;
      break;
    }
    if (probeEnd >= n) break;  // all the rest fits, by the probe's measure
    units *= 2;
  }
  // The line is what gets painted: verify it, and while it reaches too far, give up the last
  // word (or, within a word, the last cluster). One cluster wider than the line keeps a line
  // of its own.
  LineLayout line;
  const std::int32_t first = NextClusterBoundary(para, start);
  for (std::int32_t end = guess;;) {
    lineOf(end, line);
    if (line.FitWidth() <= width_ || line.FitIsOneCluster() || end <= first) return end;
    std::int32_t back = -1;
    for (std::int32_t j = end - 1; j > start; --j) {
      if (IsWrapSpace(para[static_cast<std::size_t>(j - 1)]) && IsClusterBoundary(para, j)) {
        back = j;
        break;
      }
    }
    end = back > start ? back : std::max(first, PrevClusterBoundary(para, end));
  }
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
  // (With shaping, the probe that guesses a break reads a little further ahead; the check of
  // every line against the width holds either way.)
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
