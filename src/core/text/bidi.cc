#include "text/bidi.hh"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "text/grapheme.hh"

namespace quilmar {

namespace {

// What the fast path resolves: strong letters, neutrals other than brackets (separators and
// terminators are neutrals where no number is), marks, which take the class before them, and
// boundary neutrals (joiners), which the algorithm passes over.
enum class Simple : std::uint8_t { L, R, Neutral, Mark, Boundary, Other };

Simple LookUpClass(char32_t c) {
  if (c < 0x80 && ((c >= u'0' && c <= u'9') || c < 0x20 || c == 0x7F)) return Simple::Other;
  // Paired brackets are resolved as pairs (N0): not here.
  if (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_BIDI_PAIRED_BRACKET_TYPE) != U_BPT_NONE) return Simple::Other;
  switch (u_charDirection(static_cast<UChar32>(c))) {
    case U_LEFT_TO_RIGHT: return Simple::L;
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC: return Simple::R;
    case U_WHITE_SPACE_NEUTRAL:
    case U_OTHER_NEUTRAL:
    case U_COMMON_NUMBER_SEPARATOR:
    case U_EUROPEAN_NUMBER_SEPARATOR:
    case U_EUROPEAN_NUMBER_TERMINATOR: return Simple::Neutral;
    case U_DIR_NON_SPACING_MARK: return Simple::Mark;
    case U_BOUNDARY_NEUTRAL: return Simple::Boundary;
    default: return Simple::Other;
  }
}

// Per character of the Basic Multilingual Plane and the next one (most emoji): its class, and
// kRightToLeft when it makes a line need reordering (IsRightToLeftCharacter), plus one (0: not
// looked up yet). Filled as characters are met, two ICU lookups each, once: mixed text is
// looked at a character at a time every time a line of it is wrapped or laid out.
constexpr std::uint8_t kRightToLeft = 0x80;
constexpr char32_t kTabled = 0x20000;
std::atomic<std::uint8_t> table[kTabled];

std::uint8_t LookUpEntry(char32_t c) {
  const auto v = static_cast<std::uint8_t>(static_cast<std::uint8_t>(LookUpClass(c)) | (IsRightToLeftCharacter(c) ? kRightToLeft : 0));
  table[c].store(static_cast<std::uint8_t>(v + 1), std::memory_order_relaxed);
  return v;
}

inline std::uint8_t Entry(char32_t c) {
  const std::uint8_t v = table[c].load(std::memory_order_relaxed);
  return v != 0 ? static_cast<std::uint8_t>(v - 1) : LookUpEntry(c);
}

inline Simple ClassOf(char32_t c) {
  return c < kTabled ? static_cast<Simple>(Entry(c) & ~kRightToLeft) : LookUpClass(c);
}

// Whether a table entry (as stored) stops the scan between right-to-left runs: a
// right-to-left letter, Other, or not looked up yet.
constexpr bool Stops(std::uint8_t stored) {
  if (stored == 0) return true;
  const auto k = static_cast<Simple>((stored - 1) & ~kRightToLeft);
  return k == Simple::R || k == Simple::Other;
}

bool RightToLeft(char32_t c) { return c < kTabled ? (Entry(c) & kRightToLeft) != 0 : IsRightToLeftCharacter(c); }

// The character that ends at unit i of t, and where it starts.
char32_t CharBefore(StringView t, std::int32_t i, std::int32_t& at) {
  at = i - 1;
  if (at > 0 && IsLowSurrogate(t[static_cast<std::size_t>(at)]) && IsHighSurrogate(t[static_cast<std::size_t>(at - 1)])) --at;
  int units = 1;
  return CodePointAt(t, static_cast<std::size_t>(at), units);
}

}  // namespace

bool HasRightToLeft(StringView text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] < 0x590) ++i;  // no such character below U+0590
  int units = 1;
  for (; i < text.size(); i += static_cast<std::size_t>(units)) {
    units = 1;
    if (RightToLeft(CodePointAt(text, i, units))) return true;
  }
  return false;
}

// For these classes the bidirectional algorithm comes down to a few rules: a mark takes the
// direction before it (W1), a stretch of neutrals takes the direction on both its sides when
// they agree and the paragraph's (left to right) otherwise, the segment's ends counting as
// left to right (N1, N2), joiners are passed over and then take the level after them (X9,
// L1); right-to-left is level 1. ICU gives the same runs (tests/text/bidi_test.cc) at several
// times the cost, which a line of mixed scripts would pay every time it is laid out or wrapped.
//
// So a right-to-left run starts at a right-to-left letter (with the joiners just before it)
// and takes in everything up to the last right-to-left letter (or mark on one) before the
// next left-to-right letter; all else runs left to right. Between runs the scan looks only
// for the next right-to-left letter, a table lookup a character.
bool SimpleRuns(StringView t, std::vector<BidiRun>& out) {
  out.clear();
  const auto n = static_cast<std::int32_t>(t.size());
  bool sawRight = false, sawOther = false;
  std::int32_t leftFrom = 0;  // where the text after the last right-to-left run starts
  auto charAt = [&](std::int32_t i, int& units) -> char32_t {
    units = 1;
    const char16_t unit = t[static_cast<std::size_t>(i)];
    return IsHighSurrogate(unit) ? CodePointAt(t, static_cast<std::size_t>(i), units) : unit;
  };
  int units = 1;
  const char16_t* data = t.data();
  for (std::int32_t i = 0; i < n;) {
    // Left to right: up to the next right-to-left letter. Marks here take a left-to-right
    // letter or a neutral, never a right-to-left one. Units whose entry is known to be
    // neither such a letter nor Other are passed over first; pairs are looked at below.
    while (i < n && (data[i] & 0xFC00) != 0xD800 && !Stops(table[data[i]].load(std::memory_order_relaxed))) ++i;
    if (i == n) break;
    const char32_t c = charAt(i, units);
    const Simple k = ClassOf(c);
    if (k != Simple::R) {
      if (k == Simple::Other) {
        // Numbers, brackets, embeddings: only ICU resolves them among right-to-left text.
        if (sawRight || RightToLeft(c)) return false;
        sawOther = true;
      }
      i += units;
      continue;
    }
    if (sawOther) return false;
    sawRight = true;
    // The run takes the joiners just before its first letter.
    std::int32_t from = i;
    while (from > leftFrom) {
      std::int32_t at = 0;
      if (ClassOf(CharBefore(t, from, at)) != Simple::Boundary) break;
      from = at;
    }
    // Right to left: on to the next left-to-right letter; the run ends after the last
    // right-to-left letter, or mark on one, before it.
    Simple last = Simple::R;  // what a mark takes: the class before it, joiners passed over
    std::int32_t end = i + units;
    for (i = end; i < n; i += units) {
      const char32_t d = charAt(i, units);
      Simple m = ClassOf(d);
      if (m == Simple::Mark) m = last;
      if (m == Simple::Other) return false;
      if (m == Simple::L) break;
      if (m == Simple::Boundary) continue;
      last = m;
      if (m == Simple::R) end = i + units;
    }
    if (from > leftFrom) out.push_back({leftFrom, from, false});
    out.push_back({from, end, true});
    leftFrom = end;
  }
  if (leftFrom < n || out.empty()) out.push_back({leftFrom, n, false});
  return true;
}

std::int32_t RightToLeftEnd(StringView t, std::int32_t from, std::int32_t to) {
  // Backwards: a right-to-left letter, or marks whose base (joiners passed over) is one.
  std::int32_t marksEnd = -1;  // the end of the marks after the character looked at
  for (std::int32_t i = to; i > 0;) {
    std::int32_t at = 0;
    const Simple k = ClassOf(CharBefore(t, i, at));
    if (k == Simple::R) return marksEnd >= 0 ? marksEnd : i;
    if (k == Simple::Mark) {
      if (marksEnd < 0) marksEnd = i;
    } else if (k != Simple::Boundary) {
      marksEnd = -1;
    }
    // Before `from` only the base of marks at its start matters.
    if (at <= from && marksEnd < 0) break;
    i = at;
  }
  return from;
}

bool StartsRightToLeft(StringView t) {
  int units = 1;
  for (std::size_t i = 0; i < t.size(); i += static_cast<std::size_t>(units)) {
    units = 1;
    const Simple k = ClassOf(CodePointAt(t, i, units));
    if (k != Simple::Boundary) return k == Simple::R;
  }
  return false;
}

namespace {

// One ICU bidi object per thread, reused for every segment.
UBiDi* Bidi() {
  struct Holder {
    UBiDi* bidi = ubidi_open();
    ~Holder() {
      if (bidi) ubidi_close(bidi);
    }
  };
  thread_local Holder holder;
  return holder.bidi;
}

}  // namespace

void VisualRuns(StringView segment, std::vector<BidiRun>& out) {
  out.clear();
  const auto n = static_cast<std::int32_t>(segment.size());
  if (n == 0) return;
  if (!HasRightToLeft(segment)) {
    out.push_back({0, n, false});
    return;
  }
  if (SimpleRuns(segment, out)) return;
  out.clear();
  UBiDi* bidi = Bidi();
  UErrorCode status = U_ZERO_ERROR;
  if (bidi) ubidi_setPara(bidi, segment.data(), n, UBIDI_LTR, nullptr, &status);
  if (!bidi || U_FAILURE(status)) {
    out.push_back({0, n, false});
    return;
  }
  const std::int32_t count = ubidi_countRuns(bidi, &status);
  for (std::int32_t i = 0; i < count && U_SUCCESS(status); ++i) {
    std::int32_t start = 0, length = 0;
    const UBiDiDirection dir = ubidi_getVisualRun(bidi, i, &start, &length);
    out.push_back({start, start + length, dir == UBIDI_RTL});
  }
  if (U_FAILURE(status)) out.assign(1, {0, n, false});
}

}  // namespace quilmar
