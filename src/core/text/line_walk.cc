#include "text/line_walk.hh"

#include <algorithm>
#include <limits>
#include <vector>

#include "text/bidi.hh"
#include "text/grapheme.hh"
#include "text/line_breaker.hh"
#include "text/line_layout.hh"
#include "text/unit_scan.hh"

namespace quilmar {

namespace {

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// How a stretch of the walk ended: the line goes on, it ends at Walker::end, its first word
// must be cut, the text read so far does not settle it, or ICU must order it.
enum class Step { On, Ended, Cut, Further, Unresolved };

using Pen = LinePen;

// A right-to-left run's pieces laid side by side, the first one rightmost: their advance, and
// the furthest right edge of their clusters from the run's left edge.
struct RightSum {
  double advance = 0;
  double right = -kNoLimit;
  RightSum Then(double pieceAdvance, double pieceRight) const {
    // A piece later in the run goes to the left of the others, which move right.
    return {advance + pieceAdvance, std::max(right + pieceAdvance, pieceRight)};
  }
};

template <typename T>
T& Kept() {
  thread_local T kept;
  return kept;
}

class Walker {
 public:
  Walker(const TextMetrics& metrics, StringView para, std::int32_t start, std::int32_t limit, double width)
      : metrics_(metrics), para_(para), text_(para.data()), n_(static_cast<std::int32_t>(para.size())),
        start_(start), limit_(limit), width_(width), readTo_(start) {}

  Step Run();
  std::int32_t end = 0;
  bool shaped = false;  // a piece on the way had to be shaped
  std::int32_t ReadTo() const { return readTo_; }

 private:
  Step Left(std::int32_t from, std::int32_t to);
  Step Right(std::int32_t from, std::int32_t to, std::int32_t segment);
  std::int32_t AddLeft(Pen& pen, std::int32_t a, std::int32_t b, double width) {
    return AddLeftPiece(metrics_, para_, start_, pen, a, b, width, shaped);
  }
  // The piece [a, b) of a right-to-left run: its advance and furthest right edge.
  RightSum RightPiece(std::int32_t a, std::int32_t b);
  std::int32_t PieceEnd(std::int32_t a, std::int32_t to);
  Step Overflow(std::int32_t cut = -1);

  const TextMetrics& metrics_;
  StringView para_;
  const char16_t* text_;
  std::int32_t n_, start_, limit_;
  double width_;
  std::int32_t readTo_;
  Pen pen_;
  std::vector<BidiRun>& runs_ = Kept<std::vector<BidiRun>>();  // reused from line to line
};

Step Walker::Overflow(std::int32_t cut) {
  // The line ends at the last place to break that fitted; with none, inside its first word.
  if (pen_.afterSpace > start_) {
    end = pen_.afterSpace;
    return Step::Ended;
  }
  if (cut < 0) return Step::Cut;
  end = cut;
  return Step::Ended;
}

std::int32_t Walker::PieceEnd(std::int32_t a, std::int32_t to) {
  const std::int32_t b = ShapedWordEnd(para_, a, to);
  readTo_ = std::max(readTo_, b + 1);
  return b;
}

Step Walker::Run() {
  for (std::int32_t a = start_; a < limit_;) {
    if (text_[a] == u'\t') {
      pen_.x = metrics_.NextTab(pen_.x);
      pen_.hanging = std::max(pen_.hanging, pen_.x);
      pen_.afterSpace = ++a;
      continue;
    }
    const auto to = static_cast<std::int32_t>(FindUnit(text_ + a, text_ + limit_, u'\t') - text_);
    const StringView segment = para_.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(to - a));
    // The directions of the segment's text as far as the walk reads (where it stops counts as
    // the segment's end: the line breaks before it, or the walk reads further).
    if (!SimpleRuns(segment, runs_)) return Step::Unresolved;
    for (const BidiRun& run : runs_) {
      const Step s = run.rtl ? Right(a + run.from, a + run.to, a) : Left(a + run.from, a + run.to);
      if (s != Step::On) return s;
    }
    a = to;
  }
  if (limit_ < n_) return Step::Further;
  end = n_;
  return Step::Ended;
}

Step Walker::Left(std::int32_t from, std::int32_t to) {
  for (std::int32_t a = from; a < to;) {
    const std::int32_t b = PieceEnd(a, to);
    if (b == limit_ && limit_ < n_) return Step::Further;  // the piece may reach further
    const std::int32_t cut = AddLeft(pen_, a, b, width_);
    if (cut != -1) return Overflow(cut);
    a = b;
  }
  return Step::On;
}

RightSum Walker::RightPiece(std::int32_t a, std::int32_t b) {
  shaped = true;
  const TextMetrics::ShapedPiece& piece =
      metrics_.Shape(para_.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)), true);
  return RightSum{}.Then(piece.advance, std::max(piece.bodyRight, piece.tailRight));
}

Step Walker::Right(std::int32_t from, std::int32_t to, std::int32_t segment) {
  // The run starts with a right-to-left character: the spaces before it no longer hang.
  const double x0 = pen_.x;
  const double before = std::max(pen_.solid, pen_.hanging);
  RightSum all;   // every piece of the run so far
  Pen tail;       // the line were it to end here: its run cut after the last right-to-left
  std::int32_t tailAt = -1;  // character, then what follows that, left to right, from tailAt
  for (std::int32_t a = from; a < to;) {
    const std::int32_t b = PieceEnd(a, to);
    if (b == limit_ && limit_ < n_) return Step::Further;
    const RightSum piece = RightPiece(a, b);
    const StringView text = para_.substr(static_cast<std::size_t>(segment), static_cast<std::size_t>(to - segment));
    const std::int32_t last = segment + RightToLeftEnd(text, a - segment, b - segment);
    if (last > a) {
      const RightSum line = last == b ? all.Then(piece.advance, piece.right) : [&] {
        const RightSum cut = RightPiece(a, last);
        return all.Then(cut.advance, cut.right);
      }();
      tail = Pen{x0 + line.advance, std::max(before, x0 + line.right), 0, -1};
      tailAt = last;
    }
    all = all.Then(piece.advance, piece.right);
    if (b < to && IsWrapSpace(text_[b - 1])) {
      if (tailAt < 0) return Step::Unresolved;
      ExtendTail(metrics_, para_, start_, tail, tailAt, b);
      if (tail.solid > width_) return Overflow();
      pen_.afterSpace = b;
    }
    a = b;
  }
  // The run ends with a right-to-left character: laid out whole, whatever follows.
  pen_.x = x0 + all.advance;
  pen_.solid = std::max(before, x0 + all.right);
  pen_.hanging = 0;
  if (pen_.solid > width_) return Overflow();
  return Step::On;
}

}  // namespace

std::int32_t AddLeftPiece(const TextMetrics& metrics, StringView para, std::int32_t lineStart, LinePen& pen,
                          std::int32_t a, std::int32_t b, double width, bool& shaped) {
  const char16_t* text = para.data();
  {
    // A word of plain characters: placed by TextMetrics::PlainEnd, as LineLayout places them.
    // Added on a copy of the pen, kept only when every character is plain.
    Pen p = pen;
    std::int32_t i = a;
    for (; i < b; ++i) {
      const double end = metrics.PlainEnd(p.x, text[i]);
      if (end < 0) break;
      if (text[i] == u' ') {
        p.x = end;
        p.hanging = std::max(p.hanging, p.x);
        p.afterSpace = i + 1;
        continue;
      }
      // Every line takes a character at least. What reaches past the width is plain only
      // when the rest of the word is.
      if (i != lineStart && std::max({p.solid, p.hanging, end}) > width) {
        std::int32_t k = i + 1;
        while (k < b && metrics.Plain(text[k]) >= 0) ++k;
        if (k < b) break;
        pen = p;
        return i;
      }
      p.x = end;
      p.solid = std::max({p.solid, p.hanging, p.x});
      p.hanging = 0;
    }
    if (i == b) {
      pen = p;
      return -1;
    }
  }
  shaped = true;
  const TextMetrics::ShapedPiece& piece =
      metrics.Shape(para.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a)), false);
  // A piece that starts a run may start with spaces: a place to break at too.
  if (piece.leadEnd > 0 && a + piece.leadEnd < b) pen.afterSpace = a + piece.leadEnd;
  // A cluster's right edge r in the piece is x + r on the line, which grows with r: the
  // piece's own furthest edges give the line's.
  if (piece.bodyRight >= 0) {
    const double solid = std::max({pen.solid, pen.hanging, pen.x + piece.bodyRight});
    if (solid > width) return -2;
    pen.solid = solid;
    pen.hanging = piece.tailRight >= 0 ? pen.x + piece.tailRight : 0;
  } else {
    pen.hanging = std::max(pen.hanging, pen.x + piece.tailRight);
  }
  pen.x += piece.advance;
  if (IsWrapSpace(text[b - 1])) pen.afterSpace = b;  // a piece ends at a cluster boundary
  return -1;
}

void ExtendTail(const TextMetrics& metrics, StringView para, std::int32_t lineStart, LinePen& tail,
                std::int32_t& tailAt, std::int32_t b) {
  bool shaped = false;
  while (tailAt < b) {
    const std::int32_t c = ShapedWordEnd(para, tailAt, b);
    if (c == b && tailAt == b - 1) break;
    AddLeftPiece(metrics, para, lineStart, tail, tailAt, c, kNoLimit, shaped);
    tailAt = c;
  }
}

std::optional<std::int32_t> LineWalk::LineEnd(StringView para, std::int32_t start, double width, std::int32_t reach,
                                              std::int32_t& readTo) const {
  const auto n = static_cast<std::int32_t>(para.size());
  // Lines of one text are about as long as each other: reading an eighth more than the last
  // one seldom needs a second walk, and what is read past the line's end is ordered (bidi)
  // for nothing.
  for (std::int64_t ahead = std::max<std::int64_t>({reach, std::int64_t(lastLength_) * 9 / 8 + 8, 64});; ahead *= 2) {
    // Where the walk stops reading: a piece that reaches it may reach further (then it reads
    // on), so it need not be a cluster boundary, only not inside a pair.
    auto limit = static_cast<std::int32_t>(std::min<std::int64_t>(n, start + ahead));
    if (limit < n && IsLowSurrogate(para[static_cast<std::size_t>(limit)])) ++limit;
    Walker walk(metrics_, para, start, limit, width);
    const Step step = walk.Run();
    readTo = std::max(readTo, walk.ReadTo());
    sawShaped_ = walk.shaped;
    if (step == Step::Ended) {
      if (walk.end < n) lastLength_ = walk.end - start;
      return walk.end;
    }
    if (step != Step::Further) return std::nullopt;
  }
}

}  // namespace quilmar
