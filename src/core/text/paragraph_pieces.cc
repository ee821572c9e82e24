#include "text/paragraph_pieces.hh"

#include <algorithm>
#include <cstring>
#include <limits>

#include "text/bidi.hh"
#include "text/line_breaker.hh"
#include "text/line_layout.hh"
#include "text/line_walk.hh"
#include "text/unit_scan.hh"

namespace quilmar {

namespace {

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// Whether a sum of whole 64ths of a pixel (the advances and edges Qt hands out, checked as
// they are read or shaped) stays exact as a float: below 2^18 pixels, 2^24 64ths.
bool FitsFloat(double v) { return v > -262144.0 && v < 262144.0; }

// The sum of the plain advances of [from, to), added as TextMetrics::PlainEnd adds them;
// negative when a character there must be shaped. (Build checks that they were exact.) A
// double, not an optional: this runs for every word, and an optional comes back through memory.
double PlainSum(StringView para, std::int32_t from, std::int32_t to, const TextMetrics& metrics) {
  double x = 0;
  for (std::int32_t i = from; i < to; ++i) {
    const double advance = metrics.Plain(para[static_cast<std::size_t>(i)]);
    if (advance < 0) return -1;
    x += advance;
  }
  return x;
}

// Built here, then copied at their size into the paragraph's own.
template <typename T>
std::vector<T>& Scratch() {
  thread_local std::vector<T> scratch;
  return scratch;
}

}  // namespace

std::uint32_t ParagraphPieces::Table::Intern(Kind kind, std::uint8_t flags, std::uint16_t lead, const float (&v)[4]) {
  constexpr std::size_t kSlots = std::size_t{1} << 12;
  if (slots_.empty()) slots_.assign(kSlots, 0);
  auto bits = [](float f) {
    std::uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return std::uint64_t{b};
  };
  // From values in registers: a struct written a field at a time and read back whole stalls.
  const std::uint64_t a = static_cast<std::uint64_t>(kind) | std::uint64_t{flags} << 8 | std::uint64_t{lead} << 16 |
                          bits(v[0]) << 32;
  const std::uint64_t b = bits(v[1]) | bits(v[2]) << 32;
  std::uint64_t h = (a * 0x9E3779B97F4A7C15ull) ^ (b * 0xC2B2AE3D27D4EB4Full) ^ (bits(v[3]) * 0x165667B19E3779F9ull);
  h ^= h >> 29;
  std::uint32_t& slot = slots_[static_cast<std::size_t>(h) & (kSlots - 1)];
  if (slot != 0) {
    const Sums& kept = sums_[slot - 1];
    if (kept.kind == kind && kept.flags == flags && kept.lead == lead && kept.v[0] == v[0] && kept.v[1] == v[1] &&
        kept.v[2] == v[2] && kept.v[3] == v[3])
      return slot - 1;
  }
  Sums& sums = sums_.emplace_back();
  sums.kind = kind;
  sums.flags = flags;
  sums.lead = lead;
  std::copy(std::begin(v), std::end(v), sums.v);
  slot = static_cast<std::uint32_t>(sums_.size());
  return slot - 1;
}

bool ParagraphPieces::Keep(std::int32_t end, Kind kind, std::uint8_t flags, std::uint16_t lead, double v0, double v1,
                           double v2, double v3) {
  if (!(FitsFloat(v0) && FitsFloat(v1) && FitsFloat(v2) && FitsFloat(v3))) return false;
  const float v[4] = {static_cast<float>(v0), static_cast<float>(v1), static_cast<float>(v2), static_cast<float>(v3)};
  const std::uint32_t sums = table_->Intern(kind, flags, lead, v);
  Piece& piece = building_->emplace_back();
  piece.end = end;
  piece.sums = sums;
  return true;
}

bool ParagraphPieces::Build(StringView para, const TextMetrics& metrics, Table& table) {
  std::vector<Piece>& pieces = Scratch<Piece>();
  std::vector<Tail>& tails = Scratch<Tail>();
  building_ = &pieces;
  buildingTails_ = &tails;
  table_ = &table;
  pieces.clear();
  tails.clear();
  pieces_.clear();
  tails_.clear();
  spans_.clear();
  resume_ = Resume();
  thread_local std::vector<BidiRun> runs;
  const auto n = static_cast<std::int32_t>(para.size());
  for (std::int32_t a = 0; a < n;) {
    if (para[static_cast<std::size_t>(a)] == u'\t') {
      if (!Keep(++a, Kind::Tab, 0, 0, 0, 0, 0)) return false;
      continue;
    }
    const auto to = static_cast<std::int32_t>(FindUnit(para.data() + a, para.data() + n, u'\t') - para.data());
    if (!SimpleRuns(para.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(to - a)), runs)) return false;
    for (const BidiRun& run : runs) {
      const bool kept = run.rtl ? AddRightRun(para, a, a + run.from, a + run.to, metrics)
                                : AddLeftRun(para, a + run.from, a + run.to, metrics);
      if (!kept) return false;
    }
    a = to;
  }
  // Advances and edges are checked as they are read or shaped (all of them, not only this
  // paragraph's): the sums above are exact only if they were.
  if (!metrics.Exact()) return false;
  pieces_.assign(pieces.begin(), pieces.end());
  tails_.assign(tails.begin(), tails.end());
  MakeSpans(table);
  return true;
}

void ParagraphPieces::MakeSpans(const Table& table) {
  spans_.assign(pieces_.size() / kSpan, Span());
  const std::size_t count = pieces_.size();
  auto isLead = [&](std::size_t k) { return k < count && table[pieces_[k].sums].kind == Kind::Lead; };
  for (std::size_t s = 0; s < spans_.size(); ++s) {
    Span& span = spans_[s];
    const std::size_t first = s * kSpan;
    span.left = std::all_of(pieces_.begin() + static_cast<std::ptrdiff_t>(first),
                            pieces_.begin() + static_cast<std::ptrdiff_t>(first + kSpan),
                            [&](const Piece& p) { return table[p.sums].kind == Kind::Left; });
    if (!span.left) continue;
    // LineEnd's steps for Left pieces, with the pen's x, solid and hanging edges where the
    // span begins left open: each edge comes out as the furthest of those it was given and
    // of the span's own, which are x plus a constant.
    double x = 0, solid = -kNoLimit, hanging = -kNoLimit;
    bool solidHanging = false, solidZero = false, hangingKeeps = true, hangingZero = false;
    std::int32_t from = first == 0 ? 0 : pieces_[first - 1].end;
    for (std::size_t k = first; k < first + kSpan; from = pieces_[k++].end) {
      const std::int32_t end = pieces_[k].end;
      const Sums& p = table[pieces_[k].sums];
      if (p.lead > 0 && from + p.lead < end) {
        span.breaks = true;
        span.afterSpace = from + p.lead;
        span.next = {span.afterSpace, k + 1};
        if (!isLead(k + 1)) span.next.at = -1;
      }
      const double bodyRight = p.v[1], tailRight = p.v[2];
      if (bodyRight >= 0) {
        solid = std::max(std::max(solid, hanging), x + bodyRight);
        solidHanging = solidHanging || hangingKeeps;
        solidZero = solidZero || hangingZero;
        hangingKeeps = false;
        hanging = tailRight >= 0 ? x + tailRight : -kNoLimit;
        hangingZero = tailRight < 0;
      } else {
        hanging = std::max(hanging, x + tailRight);
      }
      x += p.v[0];
      if (p.flags & kEndsSpace) {
        span.breaks = true;
        span.afterSpace = end;
        span.next = {end, isLead(k + 1) ? k + 2 : k + 1};
      }
    }
    span.advance = x;
    span.solid = solid;
    span.hanging = hanging;
    span.solidTakesHanging = solidHanging;
    span.solidTakesZero = solidZero;
    span.hangingKeeps = hangingKeeps;
    span.hangingZero = hangingZero;
  }
}

bool ParagraphPieces::AddLeftRun(StringView para, std::int32_t from, std::int32_t to, const TextMetrics& metrics) {
  for (std::int32_t a = from; a < to;) {
    const std::int32_t b = ShapedWordEnd(para, a, to);
    std::int32_t bodyFrom = a, bodyTo = b;
    while (bodyFrom < b && para[static_cast<std::size_t>(bodyFrom)] == u' ') ++bodyFrom;
    while (bodyTo > bodyFrom && para[static_cast<std::size_t>(bodyTo - 1)] == u' ') --bodyTo;
    const double lead = PlainSum(para, a, bodyFrom, metrics);
    const double body = lead < 0 ? -1 : PlainSum(para, bodyFrom, bodyTo, metrics);
    const double trail = body < 0 ? -1 : PlainSum(para, bodyTo, b, metrics);
    const std::uint8_t endsSpace = IsWrapSpace(para[static_cast<std::size_t>(b - 1)]) ? kEndsSpace : 0;
    if (trail >= 0) {
      // The walk adds a plain word a character at a time, spaces hanging and the rest solid:
      // as a shaped piece would be added, with its body's and its tail's furthest edges where
      // the last character of each ends (advances are not negative). That holds only when no
      // space lies among the rest.
      if (std::find(para.begin() + bodyFrom, para.begin() + bodyTo, u' ') != para.begin() + bodyTo) return false;
      if (bodyFrom - a > 0xFFFF) return false;
      const bool hasBody = bodyTo > bodyFrom;
      const double advance = lead + body + trail;
      const double bodyRight = hasBody ? lead + body : -1;
      const double tailRight = b > bodyTo || !hasBody ? advance : -1;
      // The walk checks every character of the word against the width but a line's first.
      const std::uint8_t flags = endsSpace | (bodyTo == bodyFrom + 1 ? kBodyOne : 0);
      const auto leadUnits = static_cast<std::uint16_t>(bodyFrom - a);
      if (!Keep(b, Kind::Left, flags, leadUnits, advance, bodyRight, tailRight)) return false;
      if (leadUnits > 0 && hasBody &&
          !Keep(b, Kind::Lead, flags, 0, advance - lead, bodyRight - lead, tailRight < 0 ? -1 : tailRight - lead))
        return false;
    } else {
      const TextMetrics::ShapedPiece& shaped =
          metrics.Shape(para.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)), false);
      if (shaped.leadEnd > 0xFFFF || shaped.advance < 0) return false;
      const auto leadUnits = static_cast<std::uint16_t>(shaped.leadEnd);
      if (!Keep(b, Kind::Left, endsSpace, leadUnits, shaped.advance, shaped.bodyRight, shaped.tailRight)) return false;
      if (leadUnits > 0 && a + leadUnits < b) {
        // A line may begin after those spaces: the walk shapes the rest as a piece of its own.
        const std::int32_t rest = a + leadUnits;
        const TextMetrics::ShapedPiece& alone =
            metrics.Shape(para.substr(static_cast<std::size_t>(rest), static_cast<std::size_t>(b - rest)), false);
        if (alone.leadEnd == 0 && alone.advance >= 0 &&
            !Keep(b, Kind::Lead, endsSpace, 0, alone.advance, alone.bodyRight, alone.tailRight))
          return false;
      }
    }
    a = b;
  }
  return true;
}

bool ParagraphPieces::AddRightRun(StringView para, std::int32_t segment, std::int32_t from, std::int32_t to,
                                  const TextMetrics& metrics) {
  const StringView text = para.substr(static_cast<std::size_t>(segment), static_cast<std::size_t>(to - segment));
  // As the walk follows the run: where a line ending in it would cut it, and what it would
  // lay out after that cut (from tailAt, on a pen that starts at no edge at all).
  std::int32_t tailAt = -1;
  LinePen tail;
  for (std::int32_t a = from; a < to;) {
    const std::int32_t b = ShapedWordEnd(para, a, to);
    const StringView word = para.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    const TextMetrics::ShapedPiece& shaped = metrics.Shape(word, true);
    const double advance = shaped.advance;
    const double right = std::max(shaped.bodyRight, shaped.tailRight);
    if (advance < 0) return false;
    std::uint8_t flags = 0;
    double cutAdvance = advance, cutRight = right;
    const std::int32_t last = segment + RightToLeftEnd(text, a - segment, b - segment);
    if (last > a) {
      flags |= kHasLast;
      if (last < b) {
        const TextMetrics::ShapedPiece& cut =
            metrics.Shape(para.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(last - a)), true);
        cutAdvance = cut.advance;
        cutRight = std::max(cut.bodyRight, cut.tailRight);
      }
      tailAt = last;
      tail = LinePen{0, -kNoLimit, -kNoLimit, -1};
    }
    if (b == to) flags |= kRunLast;
    if (StartsRightToLeft(word)) flags |= kStartsRun;
    if (b < to && IsWrapSpace(para[static_cast<std::size_t>(b - 1)])) {
      flags |= kBreakable;
      if (tailAt >= 0) {
        ExtendTail(metrics, para, -1, tail, tailAt, b);
        if (tail.solid > -kNoLimit) {
          if (!FitsFloat(tail.solid)) return false;
          flags |= kHasTail;
          buildingTails_->push_back({static_cast<std::uint32_t>(building_->size()), static_cast<float>(tail.solid)});
        }
      }
    }
    if (!Keep(b, Kind::Right, flags, 0, advance, right, cutAdvance, cutRight)) return false;
    a = b;
  }
  return true;
}

std::optional<std::size_t> ParagraphPieces::PieceAt(std::int32_t start, const Table& table) const {
  std::size_t k = 0;
  if (resume_.at == start) {
    k = resume_.piece;
  } else {
    const auto it = std::upper_bound(pieces_.begin(), pieces_.end(), start,
                                     [](std::int32_t s, const Piece& p) { return s < p.end; });
    if (it == pieces_.end()) return std::nullopt;
    k = static_cast<std::size_t>(it - pieces_.begin());
    const std::int32_t from = k == 0 ? 0 : pieces_[k - 1].end;
    if (start != from) {
      // After a piece's spaces before its word: the walk's piece from there ends where this one
      // does, and is the Lead kept after it.
      const Sums& sums = table[it->sums];
      if (sums.kind != Kind::Left || start != from + sums.lead || k + 1 >= pieces_.size() ||
          table[pieces_[k + 1].sums].kind != Kind::Lead)
        return std::nullopt;
      ++k;
    }
  }
  // A line that begins inside a right-to-left run, at neutrals before its next right-to-left
  // letter, runs those neutrals left to right: the walk lays that out.
  if (k >= pieces_.size()) return std::nullopt;
  const Sums& sums = table[pieces_[k].sums];
  if (sums.kind == Kind::Right && !(sums.flags & kStartsRun)) return std::nullopt;
  return k;
}

float ParagraphPieces::TailEdge(std::size_t piece) const {
  const auto it = std::lower_bound(tails_.begin(), tails_.end(), piece,
                                   [](const Tail& t, std::size_t k) { return t.piece < k; });
  return it->edge;
}

std::optional<std::int32_t> ParagraphPieces::LineEnd(std::int32_t start, double width, const TextMetrics& metrics,
                                                     const Table& table) const {
  const auto first = PieceAt(start, table);
  if (!first) return std::nullopt;
  LinePen pen;
  Resume next;  // where a line after pen.afterSpace would begin
  // The right-to-left run being added, as the walk adds it: its pieces side by side, the first
  // rightmost (all), and the line were it to end after the last right-to-left character so far.
  double x0 = 0, before = 0, allAdvance = 0, allRight = -kNoLimit, tailX = 0, tailSolid = 0;
  bool inRun = false, haveTail = false;
  const std::size_t count = pieces_.size();
  auto breakAt = [&](std::int32_t at, std::size_t piece) {
    pen.afterSpace = at;
    next = {at, piece};
  };
  // Past the width: the line ends after its last spaces; with none, inside its first word,
  // where the walk finds the cluster.
  auto overflow = [&]() -> std::optional<std::int32_t> {
    if (pen.afterSpace <= start) return std::nullopt;
    resume_ = next;
    return pen.afterSpace;
  };
  std::int32_t from = *first == 0 ? 0 : pieces_[*first - 1].end;
  auto isLead = [&](std::size_t k) { return k < count && table[pieces_[k].sums].kind == Kind::Lead; };
  for (std::size_t k = *first; k < count; from = pieces_[k++].end) {
    if (k % kSpan == 0 && k != *first && !inRun && k / kSpan < spans_.size() && spans_[k / kSpan].left) {
      // A span of Left pieces that fits whole is added at once. (The line's first piece is
      // never inside one: a one-character word that begins a line is not checked.)
      const Span& s = spans_[k / kSpan];
      double solid = std::max(pen.solid, pen.x + s.solid);
      if (s.solidTakesHanging) solid = std::max(solid, pen.hanging);
      if (s.solidTakesZero) solid = std::max(solid, 0.0);
      if (solid <= width) {
        pen.solid = solid;
        double hanging = pen.x + s.hanging;
        if (s.hangingKeeps) hanging = std::max(hanging, pen.hanging);
        if (s.hangingZero) hanging = std::max(hanging, 0.0);
        pen.hanging = hanging;
        pen.x += s.advance;
        if (s.breaks) {
          pen.afterSpace = s.afterSpace;
          next = s.next;
        }
        k += kSpan - 1;
        continue;
      }
    }
    const std::int32_t end = pieces_[k].end;
    const Sums& p = table[pieces_[k].sums];
    if (p.kind == Kind::Left || (p.kind == Kind::Lead && k == *first)) {
      // (A Lead after the piece it repeats is passed over: that piece was added.)
      if (p.lead > 0 && from + p.lead < end) {
        // A line from there begins with the Lead after this piece, if there is one.
        breakAt(from + p.lead, k + 1);
        if (!isLead(k + 1)) next.at = -1;
      }
      const double bodyRight = p.v[1], tailRight = p.v[2];
      if (bodyRight >= 0) {
        const double solid = std::max(std::max(pen.solid, pen.hanging), pen.x + bodyRight);
        // A plain word of one character that begins the line is not checked.
        const bool lineFirst = p.kind == Kind::Lead || from + p.lead == start;
        if (solid > width && !((p.flags & kBodyOne) && lineFirst)) return overflow();
        pen.solid = solid;
        pen.hanging = tailRight >= 0 ? pen.x + tailRight : 0;
      } else {
        pen.hanging = std::max(pen.hanging, pen.x + tailRight);
      }
      pen.x += p.v[0];
      if (p.flags & kEndsSpace) breakAt(end, isLead(k + 1) ? k + 2 : k + 1);
    } else if (p.kind == Kind::Right) {
      if (!inRun) {
        inRun = true;
        haveTail = false;
        x0 = pen.x;
        before = std::max(pen.solid, pen.hanging);
        allAdvance = 0;
        allRight = -kNoLimit;
      }
      if (p.flags & kHasLast) {
        tailX = x0 + (allAdvance + p.v[2]);
        tailSolid = std::max(before, x0 + std::max(allRight + p.v[2], static_cast<double>(p.v[3])));
        haveTail = true;
      }
      allRight = std::max(allRight + p.v[0], static_cast<double>(p.v[1]));
      allAdvance += p.v[0];
      if (p.flags & kBreakable) {
        if (!haveTail) return std::nullopt;
        double solid = tailSolid;
        if (p.flags & kHasTail) solid = std::max(solid, tailX + TailEdge(k));
        if (solid > width) return overflow();
        breakAt(end, k + 1);
      }
      if (p.flags & kRunLast) {
        inRun = false;
        pen.x = x0 + allAdvance;
        pen.solid = std::max(before, x0 + allRight);
        pen.hanging = 0;
        if (pen.solid > width) return overflow();
      }
    } else if (p.kind == Kind::Tab) {
      pen.x = metrics.NextTab(pen.x);
      pen.hanging = std::max(pen.hanging, pen.x);
      breakAt(end, k + 1);
    }
  }
  return pieces_.empty() ? 0 : pieces_.back().end;
}

}  // namespace quilmar
