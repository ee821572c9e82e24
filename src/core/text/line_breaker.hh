#pragma once
// Where a paragraph breaks into laid-out lines: greedy wrapping at a width, after spaces and
// tabs where one fits, else between clusters. Wrap offsets are the paragraph offsets where
// each line after the first begins. A line never reaches past the width (its trailing spaces
// aside) as its own shaped layout measures it, since that layout is what is painted.
#include <cstdint>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "platform/measure.hh"
#include "text/tab_stops.hh"
#include "text/line_walk.hh"
#include "text/paragraph_pieces.hh"
#include "text/text_metrics.hh"
#include "text/unit_span.hh"
#include "text/ustring.hh"

namespace quilmar {

class LineLayout;
using WrapList = std::vector<std::int32_t>;

// A paragraph's text known from an earlier measure of it: from `from` on, the paragraph holds
// the measured text from `from - shift` on (its edits all lie before), so a line that begins
// there ends where the pieces say, shifted, as walking it would.
struct MeasuredTail {
  const ParagraphPieces* pieces = nullptr;
  std::int32_t from = 0;
  std::int32_t shift = 0;
};

// What re-wrapping one paragraph last read to end its lines: a line that began at `start`
// ended at `end`, and only the text before `readTo` decided it. After a later edit at or past
// `readTo` the line ends where it did, unread. (The line before the edited one seldom reads
// more of the edited line than its first word; with Word Wrap off it is thousands of units.)
struct LineReads {
  struct Line {
    std::int32_t start = 0, end = 0, readTo = 0;
  };
  std::vector<Line> lines;
  std::size_t size = 0;  // the paragraph's length when they were read
  std::optional<std::uint64_t> metrics;  // the breaker's setting they were read with
  double width = 0;
};

class LineBreaker {
 public:
  LineBreaker(const Measure& measure, const TabStops& tabs);

  // Takes the width to wrap at (0 or less: do not wrap) and re-reads the measure and the tab
  // stops. Returns whether anything that places breaks changed (a font change is told
  // separately, by FontChanged).
  bool Configure(double width);
  void FontChanged();
  double Width() const { return width_; }
  const TextMetrics& Metrics() const { return metrics_; }
  // Everything besides the text that places breaks: equal settings, equal wraps.
  struct Setting {
    double width = 0;
    std::uint64_t metrics = 0;  // counts changes of the font, the measure's sizes, the tab stops
    friend bool operator==(const Setting&, const Setting&) = default;
  };
  Setting CurrentSetting() const { return {width_, metricsGeneration_}; }

  // How many bytes of measured paragraphs (ParagraphPieces, with their owners' records)
  // wrapping may make for the font and sizes in use; past that, paragraphs are walked. 0:
  // none are measured. 64 MB unless set.
  void SetMeasuredLimit(std::size_t bytes);

  // Wrap offsets of a whole paragraph (empty when it fits on one line). `kept`: where this
  // paragraph's measured pieces stay between wraps, for a paragraph whose text stays as it is
  // as long as they do (a document block's); a wrap at another width then adds their sums.
  void Wrap(UnitSpan para, WrapList& out, ParagraphPieces* kept = nullptr) const;
  // The same after an edit of a paragraph whose old wraps were `old`: [at, at+removed) of the
  // old text became [at, at+inserted) of `para`. Only the lines from just before the edit
  // are re-wrapped, until a new break lands on an old one past the edit; lines in `tail` are
  // added up from its pieces instead of walked (an edit in a long line can move the breaks
  // of many lines after it). `reads`: what the last re-wrap of this paragraph read, if it is
  // known; updated.
  void Rewrap(StringView para, std::span<const std::int32_t> old, std::int32_t at, std::int32_t removed,
              std::int32_t inserted, WrapList& out, const MeasuredTail& tail = {}, LineReads* reads = nullptr) const;
  // Whether pieces measured before are still good for this breaker's font and sizes.
  bool Current(const ParagraphPieces& pieces) const {
    return pieces.measured && pieces.generation == metricsGeneration_ + 1;
  }

  // Where the laid-out line that begins at `start` ends: the offset of the next line's
  // start, or para.size() when the rest of the paragraph fits.
  // remember: keep the answer by the text that decides it whatever the line's length (an
  // edit re-wraps until its breaks meet the old ones, which in text of one phrase repeated
  // can take thousands of lines of the same few texts).
  // readTo, if asked for: how far the answer depends on the text; -1 when not known.
  std::int32_t LineEnd(StringView para, std::int32_t start, bool remember = false, std::int32_t* readTo = nullptr) const;

 private:
  bool SurelyFits(UnitSpan para) const;
  void WrapWide(StringView para, ParagraphPieces* kept, WrapList& out) const;
  // Measures para into `kept`: its pieces, or nothing when it cannot be measured or the
  // pieces measured since the font last changed hold too much already.
  const ParagraphPieces* MeasurePieces(StringView para, ParagraphPieces& kept) const;
  // The end from advances alone; nothing when a character on the way needs shaping.
  template <typename Unit>
  std::optional<std::int32_t> PlainLineEnd(const Unit* para, std::int32_t n, std::int32_t start) const;
  // The same for one-byte text in a fixed-pitch font, without adding advances up one by one:
  // nothing where the line holds anything but printable ASCII (then PlainLineEnd decides).
  std::optional<std::int32_t> FixedLineEnd(const Byte* para, std::int32_t n, std::int32_t start) const;
  std::optional<std::int32_t> FixedLineEnd(const char16_t* para, std::int32_t n, std::int32_t start) const;
  bool FixedPitch() const;
  // The fixed-pitch and plain paths' answer: nothing when the line has a character to shape.
  std::optional<std::int32_t> PlainPathsEnd(StringView para, std::int32_t start) const;
  // The line that begins at `start` and ends at the guess, or at the break before or after it,
  // until the line's own layout is the longest that fits. readTo: how far it read.
  std::int32_t Verified(StringView para, std::int32_t start, std::int32_t guess, std::int32_t& readTo) const;
  // Where the text that decides the end of a line starting at `start` ends, about: some
  // MemoUnits on, at a cluster boundary.
  std::int32_t MemoWindow(StringView para, std::int32_t start) const;
  std::int32_t MemoUnits() const;
  std::int32_t ShapedLineEnd(StringView para, std::int32_t start) const;
  // Where the greedy rule would end the line from the widths of its words laid out one by
  // one, words cut at `window`; readTo: how far it read.
  std::int32_t GuessLineEnd(StringView para, std::int32_t start, std::int32_t window, std::int32_t& readTo) const;
  double WordWidth(StringView word, LineLayout& scratch) const;
  double SpaceAdvance() const;
  void Remember(std::size_t units) const;
  void ForgetShaped() const;

  TextMetrics metrics_;
  LineWalk walk_;
  double width_ = 0;
  std::uint64_t metricsGeneration_ = 0;
  // Ends of shaped lines by the text of the window that decides them (the line and the
  // word after it), and widths of shaped words: text that repeats is shaped once. A paragraph
  // of one sentence over and over, where an edit can shift every later break, re-wraps from
  // the memo.
  mutable std::unordered_map<String, std::int32_t, TextMetrics::Hash, TextMetrics::Equal> shapedEnds_;
  mutable std::unordered_map<String, double, TextMetrics::Hash, TextMetrics::Equal> wordWidths_;
  mutable std::size_t memoUnits_ = 0;
  mutable double spaceAdvance_ = -1;  // of one space, read on first use
  // Bytes of pieces measured since the font or the measure's sizes last changed, and the sums
  // they share.
  mutable std::size_t measuredBytes_ = 0;
  mutable ParagraphPieces::Table pieceSums_;
  std::size_t measuredLimit_;
  mutable bool plainFirst_ = true;    // the last line needed no shaping: try the plain paths
  // Where printable ASCII has one advance: x after k characters from a line's start, summed
  // as PlainLineEnd sums it, up to the first x past the width. Read on first use.
  enum class Pitch : std::uint8_t { Unknown, Fixed, Varied };
  mutable Pitch pitch_ = Pitch::Unknown;
  mutable std::vector<double> fixedX_;
  // Per code unit: 1 when it is a character of that one advance, 0 when not, 2 not yet known.
  mutable std::vector<std::uint8_t> fixedUnits_;
};

// Whitespace the layout lets hang past the right edge and breaks after.
inline bool IsWrapSpace(char32_t c) { return c == u' ' || c == u'\t'; }

}  // namespace quilmar
