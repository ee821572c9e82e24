#include "text/line_breaker.hh"

#include <algorithm>
#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "text/grapheme.hh"
#include "text/line_layout.hh"
#include "text/unit_scan.hh"

namespace quilmar {

namespace {

// The memo of line ends, and of the widths of words that must be shaped, holds this many
// units of text at most before it starts afresh.
constexpr std::size_t kMemoUnits = 1 << 20;
// A word longer than this is measured in parts.
constexpr std::int32_t kWordUnits = 4096;
// Line ends laid out from pieces are remembered from windows this long on.
constexpr std::int32_t kMemoFrom = 1024;
// Measured paragraphs (some 24 bytes a word) are made up to this many bytes per font: a resize
// of ten megabytes of shaped text is quick, and a gigabyte of it costs no more than this.
constexpr std::size_t kMeasuredBytes = std::size_t{64} << 20;

}  // namespace

LineBreaker::LineBreaker(const Measure& measure, const TabStops& tabs)
    : metrics_(measure, tabs), walk_(metrics_), measuredLimit_(kMeasuredBytes) {}

bool LineBreaker::Configure(double width) {
  const bool metricsChanged = metrics_.Refresh();
  if (metricsChanged) {
    ++metricsGeneration_;
    measuredBytes_ = 0;
    pieceSums_.Clear();
  }
  const bool changed = metricsChanged || width != width_;
  width_ = width;
  pitch_ = Pitch::Unknown;
  if (changed) ForgetShaped();
  return changed;
}

void LineBreaker::FontChanged() {
  ++metricsGeneration_;
  metrics_.FontChanged();
  pitch_ = Pitch::Unknown;
  ForgetShaped();
  measuredBytes_ = 0;
  pieceSums_.Clear();
  spaceAdvance_ = -1;
}

void LineBreaker::ForgetShaped() const {
  shapedEnds_.clear();
  wordWidths_.clear();
  memoUnits_ = 0;
}

void LineBreaker::SetMeasuredLimit(std::size_t bytes) { measuredLimit_ = bytes; }

const ParagraphPieces* LineBreaker::MeasurePieces(StringView para, ParagraphPieces& kept) const {
  if (measuredBytes_ >= measuredLimit_) {
    // Past the cap nothing more is kept, not even that a paragraph could not be measured (a
    // gigabyte of such paragraphs would keep that for each one), and what was measured with
    // an older font goes: such paragraphs are walked.
    kept.Clear();
    return nullptr;
  }
  kept.generation = metricsGeneration_ + 1;
  const std::size_t shared = pieceSums_.Bytes();
  kept.measured = kept.Build(para, metrics_, pieceSums_);
  if (!kept.measured) kept.Clear();
  // Its owner keeps a record of it besides (Document's Block::Measured).
  measuredBytes_ += kept.Bytes() + (pieceSums_.Bytes() - shared) + sizeof(ParagraphPieces) + sizeof(std::int64_t);
  return kept.measured ? &kept : nullptr;
}

void LineBreaker::Remember(std::size_t units) const {
  memoUnits_ += units;
  if (memoUnits_ > kMemoUnits) ForgetShaped();
}

double LineBreaker::WordWidth(StringView word, LineLayout& scratch) const {
  double x = 0;
  for (char16_t c : word) {
    const double end = metrics_.PlainEnd(x, c);
    if (end < 0) {
      // Shaped: a word met again (most of them, in any text) costs a lookup.
      if (auto it = wordWidths_.find(word); it != wordWidths_.end()) return it->second;
      scratch.Build(word, metrics_);
      Remember(word.size());
      return wordWidths_.emplace(String(word), scratch.Width()).first->second;
    }
    x = end;
  }
  return x;
}

bool LineBreaker::SurelyFits(UnitSpan para) const {
  // No width yet (a window not yet shown): wrapping every character onto its own line would
  // cost far more than the text itself, so nothing wraps until a real width arrives.
  if (width_ <= 0) return true;
  const double n = static_cast<double>(para.size());
  const double maxAdvance = metrics_.MaxAdvance();
  if (n * std::max(maxAdvance, metrics_.WidestTab()) <= width_) return true;
  if (n * maxAdvance > width_) return false;
  // Only a tab could make it too wide.
  return para.Visit([](const auto* p, std::size_t size) { return FindUnit(p, p + size, u'\t') == p + size; });
}

std::int32_t LineBreaker::LineEnd(StringView para, std::int32_t start, bool remember, std::int32_t* readUpTo) const {
  const auto n = static_cast<std::int32_t>(para.size());
  if (readUpTo) *readUpTo = -1;
  // The plain paths give up at the first character to shape, having added the advances up to
  // it for nothing: after a line with a piece to shape the next one goes to the walk at once
  // (which places plain words as they do).
  if (plainFirst_) {
    if (const auto end = PlainPathsEnd(para, start)) return *end;
  }
  plainFirst_ = true;
  // A line thousands of units long (word wrap off wraps at a far margin) costs less to look
  // up than to lay out again, and a key re-wraps the lines before its own, unchanged.
  const std::int32_t units = MemoUnits();
  const bool memo = remember || std::min(n - start, units) >= kMemoFrom;
  const std::int32_t window = memo ? MemoWindow(para, start) : start;
  const StringView key = para.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(window - start));
  if (memo) {
    if (auto it = shapedEnds_.find(key); it != shapedEnds_.end()) {
      if (readUpTo) *readUpTo = window;  // the memo's key: what the walk it keeps read, and more
      return start + it->second;
    }
  }
  std::int32_t readTo = start;
  // The walk reads little ahead at first; after a line, about as far as that line was long
  // (LineWalk::LineEnd), and further only when the line turns out longer.
  if (const auto end = walk_.LineEnd(para, start, width_, 32, readTo)) {
    if (readUpTo) *readUpTo = readTo;
    plainFirst_ = !walk_.SawShaped();
    if (memo && readTo < window) {
      Remember(key.size());
      shapedEnds_.emplace(String(key), *end - start);
    }
    return *end;
  }
  return ShapedLineEnd(para, start);
}

std::optional<std::int32_t> LineBreaker::PlainPathsEnd(StringView para, std::int32_t start) const {
  const auto n = static_cast<std::int32_t>(para.size());
  if (FixedPitch()) {
    if (const auto end = FixedLineEnd(para.data(), n, start)) return end;
  }
  return PlainLineEnd(para.data(), n, start);
}

std::int32_t LineBreaker::MemoUnits() const {
  // A line's end depends on its own text and the word after it: within a window of about two
  // lines' worth of cells.
  return static_cast<std::int32_t>(std::clamp(2 * width_ / metrics_.CellWidth() + 16, 16.0, 32768.0));
}

std::int32_t LineBreaker::MemoWindow(StringView para, std::int32_t start) const {
  std::int32_t window = std::min<std::int64_t>(static_cast<std::int64_t>(para.size()), std::int64_t(start) + MemoUnits());
  if (!IsClusterBoundary(para, window)) window = NextClusterBoundary(para, window);
  return window;
}

template <typename Unit>
std::optional<std::int32_t> LineBreaker::PlainLineEnd(const Unit* para, std::int32_t n, std::int32_t start) const {
  // Widths from TextMetrics::PlainEnd, as LineLayout places plain text.
  double x = 0;
  std::int32_t afterSpace = -1;  // where a break after the last space would fall
  for (std::int32_t i = start; i < n;) {
    const char16_t c = para[i];
    const double end = metrics_.PlainEnd(x, c);
    if (end < 0) return std::nullopt;
    if (c == u'\t') {
      x = end;
      afterSpace = ++i;
      continue;
    }
    // Spaces always stay on the line (they hang past the edge); every line takes at least
    // one character, so a character wider than the line still makes progress.
    if (c == u' ' || i == start || end <= width_) {
      x = end;
      ++i;
      if (c == u' ') afterSpace = i;
      continue;
    }
    return afterSpace > start ? afterSpace : i;
  }
  return n;
}

bool LineBreaker::FixedPitch() const {
  if (pitch_ != Pitch::Unknown) return pitch_ == Pitch::Fixed;
  pitch_ = Pitch::Varied;
  const double a = metrics_.Plain(u' ');
  if (width_ <= 0 || a <= 0 || width_ / a > 65536) return false;
  for (char16_t c = 0x21; c < 0x7F; ++c)
    if (metrics_.Plain(c) != a) return false;
  fixedX_.assign(1, 0.0);
  while (fixedX_.back() <= width_) fixedX_.push_back(fixedX_.back() + a);
  fixedUnits_.assign(0x10000, 2);
  pitch_ = Pitch::Fixed;
  return true;
}

namespace {

// Whether every byte of [p, end) is printable ASCII (a space to a tilde).
bool AllPrintableAscii(const Byte* p, const Byte* end) {
#ifdef __SSE2__
  // Shifted down by 0x20, a printable byte is below 0x5F: unsigned, min(v, 0x5E) == v.
  const __m128i low = _mm_set1_epi8(0x20), top = _mm_set1_epi8(0x5E);
  while (end - p >= 16) {
    const __m128i v = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), low);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, top), v)) != 0xFFFF) return false;
    p += 16;
  }
#endif
  for (; p < end; ++p)
    if (*p < 0x20 || *p > 0x7E) return false;
  return true;
}

}  // namespace

std::optional<std::int32_t> LineBreaker::FixedLineEnd(const Byte* para, std::int32_t n, std::int32_t start) const {
  // Every character adds the same advance, so the line's first `fit` characters fit (one at
  // least) and the next one, unless a space, does not: the same answer as PlainLineEnd's.
  const auto fit = std::max<std::int32_t>(static_cast<std::int32_t>(fixedX_.size()) - 2, 1);
  const std::int32_t past = fit >= n - start ? n : start + fit;  // the first that does not fit
  if (!AllPrintableAscii(para + start, para + std::min(n, past + 1))) return std::nullopt;
  if (past >= n) return n;
  if (para[past] == ' ') {
    // Spaces hang past the edge; the line ends after them.
    std::int32_t k = past;
    while (k < n && para[k] == ' ') ++k;
    if (k < n && (para[k] < 0x20 || para[k] > 0x7E)) return std::nullopt;
    return k;
  }
  for (std::int32_t k = past; k > start; --k)
    if (para[k - 1] == ' ') return k;
  return past;
}

std::optional<std::int32_t> LineBreaker::FixedLineEnd(const char16_t* para, std::int32_t n, std::int32_t start) const {
  // The same for two-byte text where every character up to the line's end has the one
  // advance (Cyrillic or Greek in a fixed-pitch font that has them): checked, not added up.
  auto fixed = [this](char16_t c) {
    std::uint8_t& known = fixedUnits_[c];
    if (known == 2) known = c != u'\t' && metrics_.Plain(c) == fixedX_[1];
    return known == 1;
  };
  const auto fit = std::max<std::int32_t>(static_cast<std::int32_t>(fixedX_.size()) - 2, 1);
  const std::int32_t past = fit >= n - start ? n : start + fit;
  if (!std::all_of(para + start, para + std::min(n, past + 1), fixed)) return std::nullopt;
  if (past >= n) return n;
  if (para[past] == u' ') {
    std::int32_t k = past;
    while (k < n && para[k] == u' ') ++k;
    if (k < n && !fixed(para[k])) return std::nullopt;
    return k;
  }
  for (std::int32_t k = past; k > start; --k)
    if (para[k - 1] == u' ') return k;
  return past;
}

double LineBreaker::SpaceAdvance() const {
  if (spaceAdvance_ < 0) {
    LineLayout space;
    space.Build(u" ", metrics_);
    spaceAdvance_ = space.Width();
  }
  return spaceAdvance_;
}

std::int32_t LineBreaker::GuessLineEnd(StringView para, std::int32_t start, std::int32_t window,
                                       std::int32_t& readTo) const {
  const auto n = static_cast<std::int32_t>(para.size());
  double x = 0;
  std::int32_t afterSpace = -1;  // where a break after the last space would fall
  LineLayout word;
  for (std::int32_t i = start; i < n;) {
    const char16_t c = para[static_cast<std::size_t>(i)];
    if (c == u'\t') {
      x = metrics_.NextTab(x);
      readTo = afterSpace = ++i;
      continue;
    }
    if (c == u' ' && IsClusterBoundary(para, i + 1)) {  // not a space that carries a mark
      x += SpaceAdvance();
      readTo = afterSpace = ++i;
      continue;
    }
    // A word: up to the next space or tab, a shaped piece at most, and not past the window
    // while inside it (a line cut inside a long word reads no further than it must).
    const char16_t* p = para.data() + i + 1;
    std::int64_t wordLimit = std::min<std::int64_t>(n, std::int64_t(i) + kWordUnits);
    if (i + 1 < window) wordLimit = std::min<std::int64_t>(wordLimit, window);
    const char16_t* limit = para.data() + wordLimit;
    const char16_t breaks[] = {u' ', u'\t'};
    auto j = static_cast<std::int32_t>(FindAnyUnit(p, limit, breaks, 2) - para.data());
    if (!IsClusterBoundary(para, j)) j = NextClusterBoundary(para, j);
    readTo = j;
    const StringView text = para.substr(static_cast<std::size_t>(i), static_cast<std::size_t>(j - i));
    const double width = WordWidth(text, word);
    if (x + width <= width_) {
      x += width;
      i = j;
      continue;
    }
    if (afterSpace > start) return afterSpace;
    // The line's first word is too wide for it: cut between clusters, one at least.
    word.Build(text, metrics_);
    std::optional<std::int32_t> cut;
    word.ForEachCluster([&](const LineLayout::Cluster& cluster) {
      if (cut) return;
      const std::int32_t at = i + cluster.start;
      if (at != start && x + (cluster.right - cluster.left) > width_) cut = at;
      else x += cluster.right - cluster.left;
    });
    if (cut) return *cut;
    i = j;
  }
  readTo = n;
  return n;
}

std::int32_t LineBreaker::ShapedLineEnd(StringView para, std::int32_t start) const {
  const std::int32_t window = MemoWindow(para, start);
  const StringView key = para.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(window - start));
  if (auto it = shapedEnds_.find(key); it != shapedEnds_.end()) return start + it->second;
  std::int32_t readTo = start;
  const std::int32_t end = Verified(para, start, GuessLineEnd(para, start, window, readTo), readTo);
  if (readTo <= window) {
    Remember(key.size());
    shapedEnds_.emplace(String(key), end - start);
  }
  return end;
}

std::int32_t LineBreaker::Verified(StringView para, std::int32_t start, std::int32_t guess, std::int32_t& readTo) const {
  // The line is what gets painted: verify it, and while it reaches too far (shaping across
  // words can differ from the words shaped apart), give up the last word (or, within a word,
  // the last cluster). One cluster wider than the line keeps a line of its own. A guess that
  // fits may fall short for the same reason: then take the next words while they fit.
  thread_local LineLayout line;
  const auto n = static_cast<std::int32_t>(para.size());
  const std::int32_t first = NextClusterBoundary(para, start);
  auto fits = [&](std::int32_t end) {
    line.Build(para.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)), metrics_);
    return line.FitWidth() <= width_ || line.FitIsOneCluster() || end <= first;
  };
  std::int32_t end = guess;
  if (fits(end)) {
    while (end < n) {
      // The next place to break: after the next spaces, or the next cluster while the line
      // has no spaces to break after.
      bool spaced = false;
      for (std::int32_t j = start + 1; j <= end && !spaced; ++j)
        spaced = IsWrapSpace(para[static_cast<std::size_t>(j - 1)]) && IsClusterBoundary(para, j);
      std::int32_t next = NextClusterBoundary(para, end);
      while (spaced && next < n && !(IsWrapSpace(para[static_cast<std::size_t>(next - 1)]) && IsClusterBoundary(para, next)))
        next = NextClusterBoundary(para, next);
      while (next < n && IsWrapSpace(para[static_cast<std::size_t>(next)]) && IsClusterBoundary(para, next + 1)) ++next;
      readTo = std::max(readTo, next + 1);
      if (!fits(next)) break;
      end = next;
    }
    return end;
  }
  for (;;) {
    std::int32_t back = -1;
    for (std::int32_t j = end - 1; j > start; --j) {
      if (IsWrapSpace(para[static_cast<std::size_t>(j - 1)]) && IsClusterBoundary(para, j)) {
        back = j;
        break;
      }
    }
    end = back > start ? back : std::max(first, PrevClusterBoundary(para, end));
    if (fits(end)) return end;
  }
}

void LineBreaker::Wrap(UnitSpan para, WrapList& out, ParagraphPieces* kept) const {
  out.clear();
  if (SurelyFits(para)) return;
  const auto n = static_cast<std::int32_t>(para.size());
  if (para.IsNarrow()) {
    // One-byte text is wrapped on its bytes while every line is plain; a paragraph with a
    // character to shape (a font that kerns, say) is wrapped from a two-byte copy of it.
    const Byte* units = para.NarrowData();
    const bool fixed = FixedPitch();
    for (std::int32_t start = 0;;) {
      std::optional<std::int32_t> end;
      if (fixed) end = FixedLineEnd(units, n, start);
      if (!end) end = PlainLineEnd(units, n, start);
      if (!end) break;
      if (*end >= n) return;
      out.push_back(start = *end);
    }
    out.clear();
    WrapWide(para.ToString(), nullptr, out);
    return;
  }
  WrapWide(para.Wide(), kept, out);
}

void LineBreaker::WrapWide(StringView para, ParagraphPieces* kept, WrapList& out) const {
  const auto n = static_cast<std::int32_t>(para.size());
  plainFirst_ = true;
  // A paragraph wrapped before (at another width) adds up its pieces' sums. Else the first
  // line that needs shaping has it measured, for the next time.
  if (measuredLimit_ == 0) kept = nullptr;
  const bool known = kept && kept->generation == metricsGeneration_ + 1;
  const ParagraphPieces* pieces = known && kept->measured ? kept : nullptr;
  bool tried = known || !kept;
  for (std::int32_t start = 0;;) {
    std::optional<std::int32_t> end;
    if (!tried) {
      // Plain lines are added up as they are; the first line to shape measures the paragraph.
      end = PlainPathsEnd(para, start);
      if (!end) {
        tried = true;
        pieces = MeasurePieces(para, *kept);
      }
    }
    if (!end && pieces) end = pieces->LineEnd(start, width_, metrics_, pieceSums_);
    if (!end) end = LineEnd(para, start);
    start = *end;
    if (start >= n) break;
    out.push_back(start);
  }
}

void LineBreaker::Rewrap(StringView para, std::span<const std::int32_t> old, std::int32_t at,
                         std::int32_t removed, std::int32_t inserted, WrapList& out, const MeasuredTail& tail,
                         LineReads* reads) const {
  out.clear();
  // The last re-wrap's reads hold for the text before this edit if they were read from it,
  // with this setting; this re-wrap's replace them (none when it is cut short).
  thread_local std::vector<LineReads::Line> before, now;
  before.clear();
  now.clear();
  if (reads) {
    if (reads->metrics == metricsGeneration_ && reads->width == width_ &&
        reads->size == para.size() + static_cast<std::size_t>(removed) - static_cast<std::size_t>(inserted))
      before.swap(reads->lines);
    reads->lines.clear();
    reads->metrics.reset();
  }
  auto done = [&] {
    if (!reads) return;
    reads->lines.assign(now.begin(), now.end());
    reads->size = para.size();
    reads->metrics = metricsGeneration_;
    reads->width = width_;
  };
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
  plainFirst_ = true;
  const bool known = tail.pieces && Current(*tail.pieces);
  for (;;) {
    std::optional<std::int32_t> end;
    std::int32_t readTo = -1;
    if (known && start >= tail.from) {
      if (const auto e = tail.pieces->LineEnd(start - tail.shift, width_, metrics_, pieceSums_)) end = *e + tail.shift;
    }
    if (!end && start < at) {
      for (const LineReads::Line& line : before) {
        if (line.start == start && line.readTo <= at) {
          end = line.end;
          readTo = line.readTo;
          break;
        }
      }
    }
    if (!end) end = LineEnd(para, start, true, &readTo);
    // The lines up to the edited one: the next key is most likely in it or just after it.
    if (readTo >= 0 && start <= editEnd) now.push_back({start, *end, readTo});
    start = *end;
    if (start >= n) return done();
    out.push_back(start);
    if (start >= editEnd) {
      // Past the edit the text is the old text shifted by delta, and a line's breaks depend
      // only on where it starts: once a break matches an old one, the rest match too.
      const std::int32_t oldPos = start - delta;
      auto it = std::lower_bound(old.begin(), old.end(), oldPos);
      if (it != old.end() && *it == oldPos) {
        for (++it; it != old.end(); ++it) out.push_back(*it + delta);
        return done();
      }
    }
  }
}

}  // namespace quilmar
