#include "text/line_layout.hh"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/bidi.hh"
#include "text/grapheme.hh"
#include "text/line_breaker.hh"
#include "text/text_metrics.hh"
#include "text/unit_scan.hh"

namespace quilmar {

namespace {

// Plain text is drawn in pieces this long, so a line far wider than the window costs only the
// pieces that show. Plain advances add up exactly, so where the cuts fall changes nothing.
constexpr std::int32_t kPlainPiece = 256;
// Shaped runs are cut only when longer than this (shaping across a cut, kerning or joining,
// is lost there), after a space within the last kSpaceSearch units where there is one.
constexpr std::int32_t kShapedPiece = 4096;
constexpr std::int32_t kSpaceSearch = 512;

// Where a run longer than kShapedPiece is cut: after a space near the limit, else at the
// cluster boundary at or before it (after it if the first cluster is that long).
std::int32_t CutPoint(StringView seg, std::int32_t from, std::int32_t limit) {
  for (std::int32_t j = limit; j > std::max(from, limit - kSpaceSearch); --j) {
    if (seg[static_cast<std::size_t>(j - 1)] == u' ' && IsClusterBoundary(seg, j)) return j;
  }
  const std::int32_t b = IsClusterBoundary(seg, limit) ? limit : PrevClusterBoundary(seg, limit);
  return b > from ? b : NextClusterBoundary(seg, limit);
}

}  // namespace

void LineLayout::Build(StringView line, const TextMetrics& metrics) {
  clusters_.clear();
  pieces_.clear();
  length_ = static_cast<std::int32_t>(line.size());
  double x = 0;
  for (std::int32_t i = 0; i < length_;) {
    if (line[static_cast<std::size_t>(i)] == u'\t') {
      const double next = metrics.NextTab(x);
      clusters_.push_back({i, x, next, false});
      pieces_.push_back({i, i + 1, x, next - x, true, false});
      x = next;
      ++i;
      continue;
    }
    const auto end = static_cast<std::int32_t>(FindUnit(line.data() + i, line.data() + length_, u'\t') - line.data());
    AddSegment(line, i, end, x, metrics);
    i = end;
  }
  width_ = x;
  // Trailing spaces and tabs hang; everything before them must fit.
  std::size_t k = clusters_.size();
  while (k > 0) {
    const std::int32_t start = clusters_[k - 1].start;
    const std::int32_t end = k < clusters_.size() ? clusters_[k].start : length_;
    if (end - start != 1 || !IsWrapSpace(line[static_cast<std::size_t>(start)])) break;
    --k;
  }
  fitClusters_ = k;
  fitWidth_ = 0;
  for (std::size_t j = 0; j < k; ++j) fitWidth_ = std::max(fitWidth_, clusters_[j].right);
}

void LineLayout::AddSegment(StringView line, std::int32_t from, std::int32_t to, double& x,
                            const TextMetrics& metrics) {
  if (AddPlain(line, from, to, x, metrics)) return;
  const StringView seg = line.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  thread_local std::vector<BidiRun> runs;
  thread_local std::vector<std::pair<std::int32_t, std::int32_t>> parts;
  VisualRuns(seg, runs);
  const std::size_t mark = clusters_.size();
  for (const BidiRun& run : runs) {
    parts.clear();
    std::int32_t a = run.from;
    while (run.to - a > kShapedPiece) {
      const std::int32_t b = CutPoint(seg, a, a + kShapedPiece);
      parts.emplace_back(a, b);
      a = b;
    }
    parts.emplace_back(a, run.to);
    // The parts of a right-to-left run show from its logical end leftwards.
    if (run.rtl) std::reverse(parts.begin(), parts.end());
    for (const auto& [p, q] : parts) {
      AddShaped(seg.substr(static_cast<std::size_t>(p), static_cast<std::size_t>(q - p)), from + p, run.rtl, x, metrics);
    }
  }
  std::sort(clusters_.begin() + static_cast<std::ptrdiff_t>(mark), clusters_.end(),
            [](const Cluster& a, const Cluster& b) { return a.start < b.start; });
}

bool LineLayout::AddPlain(StringView line, std::int32_t from, std::int32_t to, double& x, const TextMetrics& metrics) {
  const std::size_t clusterMark = clusters_.size();
  const std::size_t pieceMark = pieces_.size();
  const double startX = x;
  std::int32_t pieceStart = from;
  double pieceX = x;
  for (std::int32_t i = from; i < to;) {
    // Plain characters all lie in the Basic Multilingual Plane: a surrogate is never plain.
    const double adv = metrics.Plain(line[static_cast<std::size_t>(i)]);
    if (adv < 0) {
      clusters_.resize(clusterMark);
      pieces_.resize(pieceMark);
      x = startX;
      return false;
    }
    clusters_.push_back({i, x, x + adv, false});
    x += adv;
    ++i;
    if (i - pieceStart == kPlainPiece || i == to) {
      pieces_.push_back({pieceStart, i, pieceX, x - pieceX, false, false});
      pieceStart = i;
      pieceX = x;
    }
  }
  return true;
}

void LineLayout::AddShaped(StringView text, std::int32_t base, bool rtl, double& x, const TextMetrics& metrics) {
  thread_local std::vector<std::int32_t> ends;
  thread_local std::vector<ClusterBox> boxes;
  ClusterEnds(text, ends);
  boxes.clear();
  const double advance = metrics.GetMeasure().Shape(text, rtl, ends, boxes);
  std::int32_t start = 0;
  for (std::size_t k = 0; k < ends.size() && k < boxes.size(); ++k) {
    clusters_.push_back({base + start, x + boxes[k].left, x + boxes[k].right, rtl});
    start = ends[k];
  }
  pieces_.push_back({base, base + static_cast<std::int32_t>(text.size()), x, advance, false, rtl});
  x += advance;
}

std::size_t LineLayout::IndexOf(std::int32_t offset) const {
  auto it = std::upper_bound(clusters_.begin(), clusters_.end(), offset,
                             [](std::int32_t o, const Cluster& c) { return o < c.start; });
  return it == clusters_.begin() ? 0 : static_cast<std::size_t>(it - clusters_.begin()) - 1;
}

double LineLayout::CaretX(std::int32_t offset) const {
  if (clusters_.empty()) return 0;
  if (offset >= length_) {
    const Cluster& last = clusters_.back();
    return last.rtl ? last.left : last.right;
  }
  const Cluster& c = clusters_[IndexOf(offset)];
  return c.rtl ? c.right : c.left;
}

std::int32_t LineLayout::OffsetAt(double x, bool endAllowed) const {
  if (clusters_.empty()) return 0;
  // The cluster drawn under x (or nearest to it), then the end of it on x's side.
  std::size_t k = 0;
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < clusters_.size() && nearest > 0; ++i) {
    const Cluster& c = clusters_[i];
    const double d = x < c.left ? c.left - x : x > c.right ? x - c.right : 0;
    if (d < nearest) {
      nearest = d;
      k = i;
    }
  }
  const Cluster& c = clusters_[k];
  const double middle = (c.left + c.right) / 2;
  // On the middle itself the caret goes after the cluster.
  if (c.rtl ? x > middle : x < middle) return c.start;
  if (k + 1 < clusters_.size()) return clusters_[k + 1].start;
  return endAllowed ? length_ : c.start;
}

LineLayout::Span LineLayout::ClusterAt(std::int32_t offset) const {
  if (clusters_.empty() || offset >= length_) {
    const double x = CaretX(offset);
    return {x, x};
  }
  const Cluster& c = clusters_[IndexOf(offset)];
  return {c.left, c.right};
}

void LineLayout::Highlight(std::int32_t from, std::int32_t to, std::vector<Span>& out) const {
  out.clear();
  auto first = std::lower_bound(clusters_.begin(), clusters_.end(), from,
                                [](const Cluster& c, std::int32_t o) { return c.start < o; });
  for (auto it = first; it != clusters_.end() && it->start < to; ++it) out.push_back({it->left, it->right});
  std::sort(out.begin(), out.end(), [](const Span& a, const Span& b) { return a.left < b.left; });
  std::size_t kept = 0;
  for (const Span& s : out) {
    if (kept > 0 && s.left <= out[kept - 1].right + 1e-6) {
      out[kept - 1].right = std::max(out[kept - 1].right, s.right);
    } else {
      out[kept++] = s;
    }
  }
  out.resize(kept);
}

}  // namespace quilmar
