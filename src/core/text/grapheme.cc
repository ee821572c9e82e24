#include "text/grapheme.hh"

#include <unicode/ubrk.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace quilmar {

namespace {

// How far a lookup reads on either side of its offset before it looks for a place to start.
constexpr std::int32_t kReach = 64;

// A character that no rule joins to a neighbour of the same kind: below U+0300 every one (no
// mark, joiner, jamo or regional indicator lives there, and a paragraph holds no "\r\n"),
// beyond it those of grapheme cluster break class Other (letters, ideographs, most symbols).
// Between two of them a boundary is certain, so most text never needs the break iterator.
// Beyond U+0300 the answer is kept per unit as it is first asked for (0: not yet; 1: no; 2:
// yes): wrapping mixed text asks it of nearly every character, every time.
std::atomic<std::uint8_t> loneUnits[0x10000];

bool LookUpLone(char16_t c) {
  const bool lone = !IsHighSurrogate(c) && !IsLowSurrogate(c) && u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK) == U_GCB_OTHER;
  loneUnits[c].store(lone ? 2 : 1, std::memory_order_relaxed);
  return lone;
}

inline bool Lone(char16_t c) {
  if (c < 0x300) return true;
  const std::uint8_t known = loneUnits[c].load(std::memory_order_relaxed);
  return known != 0 ? known == 2 : LookUpLone(c);
}

// The same for the code points of the next plane (most emoji), by their pairs: a word of emoji
// after a space would otherwise send each boundary before it to the rules below.
std::atomic<std::uint8_t> lonePairs[0x10000];

inline bool LonePair(char16_t high, char16_t low) {
  const char32_t c = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
  if (c >= 0x20000) return false;
  std::atomic<std::uint8_t>& slot = lonePairs[c - 0x10000];
  std::uint8_t known = slot.load(std::memory_order_relaxed);
  if (known == 0) {
    known = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK) == U_GCB_OTHER ? 2 : 1;
    slot.store(known, std::memory_order_relaxed);
  }
  return known == 2;
}

// A boundary that no rule can remove: between two lone characters, or at an end.
bool SureBoundary(StringView t, std::int32_t i) {
  const auto n = static_cast<std::int32_t>(t.size());
  if (i <= 0 || i >= n) return true;
  const char16_t before = t[static_cast<std::size_t>(i - 1)], after = t[static_cast<std::size_t>(i)];
  if (IsLowSurrogate(before)) {
    if (i < 2 || !IsHighSurrogate(t[static_cast<std::size_t>(i - 2)]) || !LonePair(t[static_cast<std::size_t>(i - 2)], before)) return false;
  } else if (!Lone(before)) {
    return false;
  }
  if (IsHighSurrogate(after)) return i + 1 < n && IsLowSurrogate(t[static_cast<std::size_t>(i + 1)]) && LonePair(after, t[static_cast<std::size_t>(i + 1)]);
  return Lone(after);
}

bool SplitsPair(StringView t, std::int32_t i) {
  return i > 0 && i < static_cast<std::int32_t>(t.size()) && IsHighSurrogate(t[static_cast<std::size_t>(i - 1)]) &&
         IsLowSurrogate(t[static_cast<std::size_t>(i)]);
}

// ICU's character break iterator, opened once per thread. Opening one loads its rules, which
// costs far more than the lookups it then serves.
UBreakIterator* Iterator() {
  struct Holder {
    UBreakIterator* it = nullptr;
    Holder() {
      UErrorCode status = U_ZERO_ERROR;
      it = ubrk_open(UBRK_CHARACTER, "", nullptr, 0, &status);
      if (U_FAILURE(status)) it = nullptr;
    }
    ~Holder() {
      if (it) ubrk_close(it);
    }
  };
  thread_local Holder holder;
  return holder.it;
}

// Points the iterator at [lo, hi) of the text; false when ICU is unusable.
bool SetText(UBreakIterator* it, StringView t, std::int32_t lo, std::int32_t hi) {
  if (!it) return false;
  UErrorCode status = U_ZERO_ERROR;
  UText text = UTEXT_INITIALIZER;
  utext_openUChars(&text, t.data() + lo, hi - lo, &status);
  ubrk_setUText(it, &text, &status);  // keeps a shallow clone of `text`
  utext_close(&text);
  return U_SUCCESS(status);
}

// Whether a regional indicator (half of a flag: U+1F1E6..U+1F1FF) ends at i.
bool RegionalIndicatorBefore(StringView t, std::int32_t i) {
  return i >= 2 && t[static_cast<std::size_t>(i - 2)] == 0xD83C && t[static_cast<std::size_t>(i - 1)] >= 0xDDE6 &&
         t[static_cast<std::size_t>(i - 1)] <= 0xDDFF;
}

// Regional indicators pair up from the start of their run, which may lie far back.
constexpr std::int32_t kFlagRunReach = 8192;

// The stretch of text a lookup at `offset` reads: about kReach units each side, widened to
// sure boundaries where one lies within another kReach (so that ICU, which takes the window's
// ends for boundaries, sees whole clusters), and starting an even number of regional
// indicators into their run.
struct Window {
  std::int32_t lo = 0;
  std::int32_t hi = 0;

  Window(StringView t, std::int32_t offset) {
    const auto n = static_cast<std::int32_t>(t.size());
    lo = std::max(0, offset - kReach);
    for (std::int32_t i = lo, stop = std::max(0, lo - kReach); i >= stop; --i) {
      if (SureBoundary(t, i)) {
        lo = i;
        break;
      }
    }
    if (SplitsPair(t, lo)) --lo;
    std::int32_t flags = 0;
    for (std::int32_t i = lo; flags * 2 < kFlagRunReach && RegionalIndicatorBefore(t, i); i -= 2) ++flags;
    if (flags % 2 == 1) lo -= 2;
    hi = std::min(n, offset + kReach);
    for (std::int32_t i = hi, stop = std::min(n, hi + kReach); i <= stop; ++i) {
      if (SureBoundary(t, i)) {
        hi = i;
        break;
      }
    }
    if (SplitsPair(t, hi)) ++hi;
  }
};

// Without ICU (it failed to open) code points are the clusters.
std::int32_t NextCodePoint(StringView t, std::int32_t offset) {
  return offset + (SplitsPair(t, offset + 1) ? 2 : 1);
}

// The grapheme cluster break class of a code point.
int Gcb(char32_t c) { return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK); }

// Whether a boundary falls between two code points whatever surrounds them: a letter,
// symbol, emoji or spacing mark before them is joined only by an extending or spacing mark or
// a joiner after it (a mark before a letter of the Latin and other scripts below U+0900 too,
// where no Indic conjunct rule reaches). Nothing for the cases whose rules look further
// (flags, Hangul, emoji joined by ZWJ, prepended marks, conjuncts): those go to ICU.
std::optional<bool> BoundaryBetween(char32_t left, char32_t right) {
  if ((left >= 0xD800 && left <= 0xDFFF) || (right >= 0xD800 && right <= 0xDFFF)) return std::nullopt;
  const int r = Gcb(right);
  const bool joins = r == U_GCB_EXTEND || r == U_GCB_ZWJ || r == U_GCB_SPACING_MARK;
  switch (Gcb(left)) {
    case U_GCB_OTHER:
    case U_GCB_SPACING_MARK:
      return !joins;
    case U_GCB_EXTEND:
      if (joins) return false;
      if (right < 0x900) return true;
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

bool IsWideClusterBoundary(StringView t, std::int32_t offset) {
  if (SureBoundary(t, offset)) return true;
  if (SplitsPair(t, offset)) return false;
  {
    const auto at = static_cast<std::size_t>(offset);
    const std::size_t before = at >= 2 && IsLowSurrogate(t[at - 1]) && IsHighSurrogate(t[at - 2]) ? at - 2 : at - 1;
    int units = 1;
    const char32_t left = CodePointAt(t, before, units);
    if (const auto known = BoundaryBetween(left, CodePointAt(t, at, units))) return *known;
  }
  const Window w(t, offset);
  UBreakIterator* it = Iterator();
  if (!SetText(it, t, w.lo, w.hi)) return true;
  return ubrk_isBoundary(it, offset - w.lo) != 0;
}

std::int32_t NextWideClusterBoundary(StringView t, std::int32_t offset) {
  const auto n = static_cast<std::int32_t>(t.size());
  if (offset >= n) return n;
  offset = std::max(offset, 0);
  if (Lone(t[static_cast<std::size_t>(offset)]) && SureBoundary(t, offset + 1)) return offset + 1;
  int units = 1, nextUnits = 1;
  const char32_t here = CodePointAt(t, static_cast<std::size_t>(offset), units);
  const std::int32_t after = offset + units;
  if (after >= n) return n;
  if (BoundaryBetween(here, CodePointAt(t, static_cast<std::size_t>(after), nextUnits)).value_or(false)) return after;
  const Window w(t, offset);
  UBreakIterator* it = Iterator();
  if (!SetText(it, t, w.lo, w.hi)) return NextCodePoint(t, offset);
  const std::int32_t next = ubrk_following(it, offset - w.lo);
  return next == UBRK_DONE ? w.hi : w.lo + next;
}

std::int32_t PrevWideClusterBoundary(StringView t, std::int32_t offset) {
  const auto n = static_cast<std::int32_t>(t.size());
  if (offset <= 0) return 0;
  offset = std::min(offset, n);
  if (Lone(t[static_cast<std::size_t>(offset - 1)]) && SureBoundary(t, offset - 1)) return offset - 1;
  // ICU moves an offset inside a surrogate pair to the pair's start before it looks back;
  // from the pair's end it finds the same boundary without passing over the pair's start.
  if (SplitsPair(t, offset)) ++offset;
  const Window w(t, offset);
  UBreakIterator* it = Iterator();
  if (!SetText(it, t, w.lo, w.hi)) return SplitsPair(t, offset - 1) ? offset - 2 : offset - 1;
  const std::int32_t prev = ubrk_preceding(it, offset - w.lo);
  return prev == UBRK_DONE ? w.lo : w.lo + prev;
}

}  // namespace

// One-byte units are characters below U+0100, each a cluster of its own (a paragraph holds no
// "\r\n"): every offset is a boundary.
bool IsClusterBoundary(UnitSpan t, std::int32_t offset) {
  return t.IsNarrow() || IsWideClusterBoundary(t.Wide(), offset);
}

std::int32_t NextClusterBoundary(UnitSpan t, std::int32_t offset) {
  if (!t.IsNarrow()) return NextWideClusterBoundary(t.Wide(), offset);
  return std::clamp(offset + 1, 0, static_cast<std::int32_t>(t.size()));
}

std::int32_t PrevClusterBoundary(UnitSpan t, std::int32_t offset) {
  if (!t.IsNarrow()) return PrevWideClusterBoundary(t.Wide(), offset);
  return std::clamp(offset - 1, 0, static_cast<std::int32_t>(t.size()));
}

void ClusterEnds(StringView t, std::vector<std::int32_t>& out) {
  out.clear();
  const auto n = static_cast<std::int32_t>(t.size());
  UBreakIterator* it = Iterator();
  for (std::int32_t i = 0; i < n;) {
    if (SureBoundary(t, i + 1)) {
      out.push_back(++i);
      continue;
    }
    // A stretch without sure boundaries inside goes to ICU whole; it starts at a boundary
    // and ends at a sure one.
    std::int32_t end = i + 2;
    while (end < n && !SureBoundary(t, end)) ++end;
    if (!SetText(it, t, i, end)) {
      for (std::int32_t j = i; j < end;) out.push_back(j = std::min(end, NextCodePoint(t, j)));
    } else {
      ubrk_first(it);
      for (std::int32_t b = ubrk_next(it); b != UBRK_DONE; b = ubrk_next(it)) out.push_back(i + b);
    }
    i = end;
  }
}

bool IsSimpleCharacter(char32_t c) {
  if (c < 0x80) return c >= 0x20 && c < 0x7F;
  if (c < 0xA0 || c == 0xAD) return false;  // C1 controls, the soft hyphen
  if (c < 0x300) return true;
  if (c >= 0xD800 && c <= 0xDFFF) return false;  // a half of a pair, read as a unit
  if (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK) != U_GCB_OTHER) return false;
  switch (u_charDirection(static_cast<UChar32>(c))) {
    case U_LEFT_TO_RIGHT:
    case U_EUROPEAN_NUMBER:
    case U_EUROPEAN_NUMBER_SEPARATOR:
    case U_EUROPEAN_NUMBER_TERMINATOR:
    case U_COMMON_NUMBER_SEPARATOR:
    case U_OTHER_NEUTRAL:
    case U_WHITE_SPACE_NEUTRAL:
      return true;
    default:
      return false;
  }
}

bool IsRightToLeftCharacter(char32_t c) {
  if (c < 0x590) return false;
  switch (u_charDirection(static_cast<UChar32>(c))) {
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_ARABIC_NUMBER:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
    case U_RIGHT_TO_LEFT_ISOLATE:
    case U_FIRST_STRONG_ISOLATE:
      return true;
    default:
      return false;
  }
}

}  // namespace quilmar
