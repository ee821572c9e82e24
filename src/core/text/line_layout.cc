#include "text/line_layout.hh"

#include <algorithm>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/bidi.hh"
#include "text/grapheme.hh"
#include "text/line_breaker.hh"
#include "text/unit_scan.hh"

namespace quilmar {

namespace {

// Plain text is drawn in pieces this long, so a line far wider than the window costs only the
// pieces that show. Plain advances add up exactly, so where the cuts fall changes nothing.
constexpr std::int32_t kPlainPiece = 256;
// Shaped runs are cut into words, each with the spaces after it: shaping never joins or
// kerns across a space that matters, and a word met again is a layout the measure already
// has, so wrapping and painting text that must be shaped costs little more than lookups. A
// word longer than this (a script without spaces) is cut between clusters.
constexpr std::int32_t kShapedPiece = 1024;

double Leading(const LineLayout::Cluster& c) { return c.rtl ? c.right : c.left; }
double Trailing(const LineLayout::Cluster& c) { return c.rtl ? c.left : c.right; }

}  // namespace

std::int32_t ShapedWordEnd(StringView seg, std::int32_t from, std::int32_t to) {
  const char16_t* begin = seg.data();
  const char16_t* limit = begin + std::min(to, from + kShapedPiece);
  const char16_t* p = begin + from + 1;
#ifdef __SSE2__
  // Most words end within eight units: one block looked at here, the rest by FindUnit.
  int hit = 0;
  if (limit - p >= 8) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    hit = _mm_movemask_epi8(_mm_cmpeq_epi16(block, _mm_set1_epi16(static_cast<short>(u' '))));
  }
  p = hit != 0 ? p + (__builtin_ctz(static_cast<unsigned>(hit)) >> 1) : FindUnit(p, limit, u' ');
#else
  p = FindUnit(p, limit, u' ');
#endif
  while (p < limit && *p == u' ') ++p;
  auto end = static_cast<std::int32_t>(p - begin);
  // After a space, a character below U+0300 (no mark or joiner among them) starts a cluster.
  if (end < to && !(begin[end] < 0x300 && begin[end - 1] == u' ') && !IsClusterBoundary(seg, end)) {
    // A mark on the last space, or a word cut at the limit: to a cluster boundary.
    const std::int32_t before = PrevClusterBoundary(seg, end);
    end = before > from ? before : NextClusterBoundary(seg, end);
  }
  return end;
}

void LineLayout::Build(UnitSpan units, const TextMetrics& metrics) {
  if (units.IsNarrow()) {
    own_ = units.ToString();
    text_ = own_;
  } else {
    own_.clear();
    text_ = units.Wide();
  }
  const StringView line = text_;
  metrics_ = &metrics;
  pieces_.clear();
  shaped_.clear();
  const auto n = static_cast<std::int32_t>(line.size());
  double x = 0;
  for (std::int32_t i = 0; i < n;) {
    if (line[static_cast<std::size_t>(i)] == u'\t') {
      const double next = metrics.PlainEnd(x, u'\t');
      pieces_.push_back({i, i + 1, x, next - x, true, false, false, 0, 0});
      x = next;
      ++i;
      continue;
    }
    const auto end = static_cast<std::int32_t>(FindUnit(line.data() + i, line.data() + n, u'\t') - line.data());
    AddSegment(i, end, x);
    i = end;
  }
  width_ = x;
  order_.resize(pieces_.size());
  for (std::uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return pieces_[a].from < pieces_[b].from; });
  Fit();
}

void LineLayout::KeepText() {
  if (text_.data() == own_.data()) return;
  own_.assign(text_);
  text_ = own_;
}

void LineLayout::AddSegment(std::int32_t from, std::int32_t to, double& x) {
  if (AddPlain(from, to, x)) return;
  const StringView seg = text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  thread_local std::vector<BidiRun> runs;
  thread_local std::vector<std::pair<std::int32_t, std::int32_t>> parts;
  VisualRuns(seg, runs);
  for (const BidiRun& run : runs) {
    parts.clear();
    for (std::int32_t a = run.from; a < run.to;) {
      const std::int32_t b = ShapedWordEnd(seg, a, run.to);
      parts.emplace_back(a, b);
      a = b;
    }
    // The words of a right-to-left run show from its logical end leftwards.
    if (run.rtl) std::reverse(parts.begin(), parts.end());
    // A word of plain characters in a left-to-right run adds their advances, as it would
    // in a line of plain text: the line breaker counts on these sums.
    for (const auto& [p, q] : parts)
      if (run.rtl || !AddPlain(from + p, from + q, x)) AddShaped(from + p, from + q, run.rtl, x);
  }
}

bool LineLayout::AddPlain(std::int32_t from, std::int32_t to, double& x) {
  const std::size_t mark = pieces_.size();
  const double startX = x;
  std::int32_t pieceStart = from;
  double pieceX = x;
  for (std::int32_t i = from; i < to;) {
    // Plain characters all lie in the Basic Multilingual Plane: a surrogate is never plain.
    const double end = metrics_->PlainEnd(x, text_[static_cast<std::size_t>(i)]);
    if (end < 0) {
      pieces_.resize(mark);
      x = startX;
      return false;
    }
    x = end;
    ++i;
    if (i - pieceStart == kPlainPiece || i == to) {
      pieces_.push_back({pieceStart, i, pieceX, x - pieceX, false, false, false, 0, 0});
      pieceStart = i;
      pieceX = x;
    }
  }
  return true;
}

void LineLayout::AddShaped(std::int32_t from, std::int32_t to, bool rtl, double& x) {
  const StringView text = text_.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
  const TextMetrics::ShapedPiece& piece = metrics_->Shape(text, rtl);
  const double advance = piece.advance;
  const auto first = static_cast<std::uint32_t>(shaped_.size());
  std::int32_t start = 0;
  for (const ClusterBox& box : piece.boxes) {
    shaped_.push_back({from + start, x + box.left, x + box.right, rtl});
    start = box.end;
  }
  pieces_.push_back({from, to, x, advance, false, rtl, true, first, static_cast<std::uint32_t>(shaped_.size()) - first});
  x += advance;
}

void LineLayout::Fit() {
  // Trailing spaces and tabs hang: everything before them must fit. They sit at the end of
  // a left-to-right line, so what reaches furthest is what comes before them.
  std::int32_t fitEnd = Length();
  while (fitEnd > 0 && IsWrapSpace(text_[static_cast<std::size_t>(fitEnd - 1)])) --fitEnd;
  fitWidth_ = 0;
  std::int64_t clusters = 0;
  // The right edges as the pieces were built (x + advance, not p.x + p.width, which may
  // round apart): the line breaker compares the same numbers.
  for (const Piece& p : pieces_) {
    if (p.from >= fitEnd) continue;
    if (p.tab) {
      fitWidth_ = std::max(fitWidth_, metrics_->NextTab(p.x));
      ++clusters;
    } else if (!p.shaped) {
      const std::int32_t end = std::min(p.to, fitEnd);
      fitWidth_ = std::max(fitWidth_, PlainX(p, end));
      clusters += end - p.from;
    } else {
      for (std::uint32_t k = p.first; k < p.first + p.count && shaped_[k].start < fitEnd; ++k) {
        fitWidth_ = std::max(fitWidth_, shaped_[k].right);
        ++clusters;
      }
    }
  }
  fitIsOneCluster_ = clusters <= 1;
}

const LineLayout::Piece& LineLayout::PieceAt(std::int32_t offset) const {
  auto it = std::upper_bound(order_.begin(), order_.end(), offset,
                             [&](std::int32_t o, std::uint32_t i) { return o < pieces_[i].from; });
  return pieces_[it == order_.begin() ? order_.front() : *(it - 1)];
}

double LineLayout::PlainX(const Piece& p, std::int32_t offset) const {
  double x = p.x;
  for (std::int32_t u = p.from; u < offset && u < p.to; ++u) x = metrics_->PlainEnd(x, text_[static_cast<std::size_t>(u)]);
  return x;
}

LineLayout::Cluster LineLayout::ClusterIn(const Piece& p, std::int32_t offset) const {
  if (p.tab) return {p.from, p.x, p.x + p.width, false};
  if (!p.shaped) {
    const double left = PlainX(p, offset);
    return {offset, left, metrics_->PlainEnd(left, text_[static_cast<std::size_t>(offset)]), false};
  }
  const Cluster* begin = shaped_.data() + p.first;
  const Cluster* end = begin + p.count;
  const Cluster* it = std::upper_bound(begin, end, offset, [](std::int32_t o, const Cluster& c) { return o < c.start; });
  return it == begin ? *begin : *(it - 1);
}

double LineLayout::CaretX(std::int32_t offset) const {
  if (pieces_.empty()) return 0;
  if (offset >= Length()) {
    const Piece& last = pieces_[order_.back()];
    return Trailing(ClusterIn(last, last.to - 1));
  }
  return Leading(ClusterIn(PieceAt(std::max(offset, 0)), std::max(offset, 0)));
}

std::int32_t LineLayout::OffsetAt(double x, bool endAllowed) const {
  if (pieces_.empty()) return 0;
  // The piece drawn under x (or nearest to it), the cluster in it, then the end of the
  // cluster on x's side.
  const Piece* piece = &pieces_.front();
  for (const Piece& p : pieces_) {
    piece = &p;
    if (x < p.x + p.width) break;
  }
  const Piece& p = *piece;
  Cluster c;
  std::int32_t after = p.to;  // where the cluster under x ends
  if (p.tab) {
    c = ClusterIn(p, p.from);
  } else if (!p.shaped) {
    double left = p.x;
    for (std::int32_t u = p.from;; ++u) {
      const double right = metrics_->PlainEnd(left, text_[static_cast<std::size_t>(u)]);
      if (x < right || u + 1 == p.to) {
        c = {u, left, right, false};
        after = u + 1;
        break;
      }
      left = right;
    }
  } else {
    double nearest = std::numeric_limits<double>::infinity();
    for (std::uint32_t k = p.first; k < p.first + p.count; ++k) {
      const Cluster& s = shaped_[k];
      const double d = x < s.left ? s.left - x : x > s.right ? x - s.right : 0;
      if (d < nearest) {
        nearest = d;
        c = s;
        after = k + 1 < p.first + p.count ? shaped_[k + 1].start : p.to;
      }
    }
  }
  const double middle = (c.left + c.right) / 2;
  // On the middle itself the caret goes after the cluster.
  if (c.rtl ? x > middle : x < middle) return c.start;
  return after < Length() || endAllowed ? after : c.start;
}

LineLayout::Span LineLayout::ClusterAt(std::int32_t offset) const {
  if (pieces_.empty() || offset >= Length()) {
    const double x = CaretX(offset);
    return {x, x};
  }
  const Cluster c = ClusterIn(PieceAt(std::max(offset, 0)), std::max(offset, 0));
  return {c.left, c.right};
}

void LineLayout::Highlight(std::int32_t from, std::int32_t to, std::vector<Span>& out) const {
  out.clear();
  // A piece has one direction, so the part of a logical range inside it is one stretch.
  for (const Piece& p : pieces_) {
    const std::int32_t lo = std::max(from, p.from);
    const std::int32_t hi = std::min(to, p.to);
    if (lo >= hi) continue;
    Span s{p.x, p.x + p.width};
    if (!p.tab && !p.shaped) {
      s = {PlainX(p, lo), PlainX(p, hi)};
    } else if (p.shaped) {
      s = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
      for (std::uint32_t k = p.first; k < p.first + p.count; ++k) {
        const Cluster& c = shaped_[k];
        if (c.start < lo || c.start >= hi) continue;
        s.left = std::min(s.left, c.left);
        s.right = std::max(s.right, c.right);
      }
      if (s.left > s.right) continue;
    }
    if (!out.empty() && s.left <= out.back().right + 1e-6) {
      out.back().right = std::max(out.back().right, s.right);
    } else {
      out.push_back(s);
    }
  }
}

}  // namespace quilmar
