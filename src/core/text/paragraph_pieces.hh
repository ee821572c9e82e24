#pragma once
// A paragraph of shaped text measured once per font: the pieces the line walk (line_walk.hh)
// would add up, each with the sums it would add, in logical order. Wrapping the paragraph again
// at another width (a resize) then adds these sums instead of reading its text, finding its
// pieces, resolving its directions and looking each word up among the shaped ones again.
//
// The answers are the walk's own, by the same arithmetic: every advance and edge kept is a
// whole 64th of a pixel, as Qt's are, so sums in any grouping are exact; a paragraph with one
// that is not is not measured here. Where a line's answer depends on more than the sums (a
// line that starts inside a right-to-left run after neutrals, a first word cut between
// clusters, ICU's bidi), LineEnd says nothing and the walk decides.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "text/text_metrics.hh"
#include "text/ustring.hh"

namespace quilmar {

class ParagraphPieces {
  // Left: a piece of a left-to-right run, plain or shaped (a plain word's sums are the same
  // numbers a shaped piece keeps). Lead: the Left piece before it again without the spaces it
  // starts with, where a line may begin (after a right-to-left run); it ends where that piece
  // ends and is passed over otherwise.
  enum class Kind : std::uint8_t { Tab, Left, Lead, Right };
  // What a piece adds. Left, Lead: v = advance, the furthest right edge of its clusters up to
  // the last that is not a space (-1: none), of those after it (-1: none); lead = where its
  // spaces before its word end. Right: v = advance, right edge, then the same of the piece cut
  // after its last right-to-left character.
  struct Sums {
    Kind kind = Kind::Tab;
    std::uint8_t flags = 0;
    std::uint16_t lead = 0;
    float v[4] = {0, 0, 0, 0};
  };

 public:
  // The sums of the pieces measured with one font, each kept once: natural text repeats its
  // words, so a paragraph keeps eight bytes a piece. Its owner (the line breaker) starts it
  // afresh with the font; paragraphs measured before that are measured again.
  class Table {
   public:
    void Clear() {
      sums_ = {};
      slots_ = {};
    }
    // What it holds beyond its fixed 16 KB of slots.
    std::size_t Bytes() const { return sums_.capacity() * sizeof(Sums); }

   private:
    friend class ParagraphPieces;
    std::uint32_t Intern(Kind kind, std::uint8_t flags, std::uint16_t lead, const float (&v)[4]);
    const Sums& operator[](std::uint32_t k) const { return sums_[k]; }
    std::vector<Sums> sums_;
    // By a hash of the sums, one of them each (index + 1; 0: none yet): a miss may keep a
    // second copy of some sums, never a wrong one.
    std::vector<std::uint32_t> slots_;
  };

  // What the pieces were measured with (one more than LineBreaker's count of font and measure
  // changes; 0: never), and whether the paragraph could be measured (else it is walked, and
  // not measured again with those).
  std::uint64_t generation = 0;
  bool measured = false;

  // Measures `para`, its pieces' sums kept in `table`. False when it must be walked: numbers
  // or brackets among right-to-left text, a sum that is not a whole 64th, a word of plain
  // characters with spaces inside.
  bool Build(StringView para, const TextMetrics& metrics, Table& table);
  // Where the line that begins at `start` ends at `width`, as LineWalk::LineEnd would say
  // (with the whole paragraph read); nothing where only the walk knows. `table`: the one it
  // was built with.
  std::optional<std::int32_t> LineEnd(std::int32_t start, double width, const TextMetrics& metrics,
                                      const Table& table) const;
  void Clear() {
    pieces_ = {};
    tails_ = {};
    spans_ = {};
  }
  std::size_t Bytes() const {
    return pieces_.capacity() * sizeof(Piece) + tails_.capacity() * sizeof(Tail) + spans_.capacity() * sizeof(Span);
  }

 private:
  // What a piece holds beyond its sums, by kind.
  static constexpr std::uint8_t kEndsSpace = 1;   // Left, Lead: ends with a space
  static constexpr std::uint8_t kBodyOne = 2;     // Left, Lead: a plain word of one character
  static constexpr std::uint8_t kHasLast = 8;     // Right: holds a right-to-left character,
                                                  // which a line may cut its run after
  static constexpr std::uint8_t kBreakable = 16;  // Right: ends with a space inside its run
  static constexpr std::uint8_t kRunLast = 32;    // Right: the last piece of its run
  static constexpr std::uint8_t kStartsRun = 64;  // Right: a line that began here would begin
                                                  // a right-to-left run here
  static constexpr std::uint8_t kHasTail = 128;   // Right: breakable, and what follows its run's
                                                  // last right-to-left character so far adds a
                                                  // solid edge (tails_)
  // One piece, [previous end, end), and its sums in the table.
  struct Piece {
    std::int32_t end = 0;
    std::uint32_t sums = 0;
  };
  // The solid edge that what follows a run's last right-to-left character adds, up to the
  // end of piece `piece`, from where that character's line would end.
  struct Tail {
    std::uint32_t piece = 0;
    float edge = 0;
  };

  bool AddLeftRun(StringView para, std::int32_t from, std::int32_t to, const TextMetrics& metrics);
  bool AddRightRun(StringView para, std::int32_t segment, std::int32_t from, std::int32_t to, const TextMetrics& metrics);
  // Adds a piece with these sums; false when one does not fit a float exactly.
  bool Keep(std::int32_t end, Kind kind, std::uint8_t flags, std::uint16_t lead, double v0, double v1, double v2,
            double v3 = 0);
  // The piece a line that begins at offset `start` begins with; nothing when that line is not
  // one the sums can follow.
  std::optional<std::size_t> PieceAt(std::int32_t start, const Table& table) const;
  float TailEdge(std::size_t piece) const;

  // Where the line after the last one LineEnd ended begins, and its first piece: wrapping
  // asks about that line next.
  struct Resume {
    std::int32_t at = -1;
    std::size_t piece = 0;
  };
  // What kSpan pieces in a row (from a multiple of kSpan) add to a line together, when all of
  // them are Left pieces: a line of thousands of words (Word Wrap off) then adds up a few
  // hundred of these and the pieces at its ends, not each word. Relative to the pen's x where
  // the span begins; -infinity where there is none. The same numbers in another grouping:
  // exact, as all sums here are (see above).
  static constexpr std::size_t kSpan = 32;
  struct Span {
    bool left = false;  // all kSpan pieces are Left ones (else the span is added piece by piece)
    bool solidTakesHanging = false;  // the hanging edge the span begins with reaches its solid
    bool solidTakesZero = false;     // and a hanging edge of 0 does
    bool hangingKeeps = false;       // the hanging edge it begins with hangs on after it
    bool hangingZero = false;        // and one of 0
    bool breaks = false;             // it has a place to break: the last is afterSpace, next
    double advance = 0;
    double solid = 0;    // the furthest solid edge of its pieces
    double hanging = 0;  // the furthest hanging edge after its last solid one
    std::int32_t afterSpace = -1;
    Resume next;
  };
  void MakeSpans(const Table& table);

  std::vector<Piece> pieces_;
  std::vector<Tail> tails_;  // by piece
  std::vector<Span> spans_;  // by piece / kSpan
  mutable Resume resume_;
  // While Build runs: where the pieces are gathered (a scratch kept from paragraph to
  // paragraph) and the table their sums go to.
  std::vector<Piece>* building_ = nullptr;
  std::vector<Tail>* buildingTails_ = nullptr;
  Table* table_ = nullptr;
};

}  // namespace quilmar
