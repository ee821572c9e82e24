#include "text/bidi.hh"

#include <unicode/ubidi.h>
#include <unicode/uchar.h>

#include <algorithm>
#include <array>
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

// Per unit of the Basic Multilingual Plane: its class, and kRightToLeft when it makes a line
// need reordering (IsRightToLeftCharacter). Made once, when right-to-left text is first met.
constexpr std::uint8_t kRightToLeft = 0x80;
const std::array<std::uint8_t, 0x10000>& Table() {
  static const std::array<std::uint8_t, 0x10000> table = [] {
    std::array<std::uint8_t, 0x10000> t{};
    for (char32_t c = 0; c < 0x10000; ++c)
      t[c] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(LookUpClass(c)) | (IsRightToLeftCharacter(c) ? kRightToLeft : 0));
    return t;
  }();
  return table;
}

Simple ClassOf(char32_t c) {
  if (c >= 0x10000) return LookUpClass(c);
  return static_cast<Simple>(Table()[c] & ~kRightToLeft);
}

bool HasRightToLeft(StringView text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] < 0x590) ++i;  // no such character below U+0590
  if (i == text.size()) return false;
  const auto& table = Table();
  int units = 1;
  for (; i < text.size(); i += static_cast<std::size_t>(units)) {
    units = 1;
    const char16_t c = text[i];
    if (!IsHighSurrogate(c) && !IsLowSurrogate(c)) {
      if (table[c] & kRightToLeft) return true;
    } else if (IsRightToLeftCharacter(CodePointAt(text, i, units))) {
      return true;
    }
  }
  return false;
}

// The bidirectional algorithm for a segment of letters, marks, joiners and neutrals only (no
// numbers, brackets, explicit embeddings or isolates), where it comes down to a few rules: a
// mark takes the direction before it (W1), a stretch of neutrals takes the direction on both
// its sides when they agree and the paragraph's (left to right) otherwise, the segment's ends
// counting as left to right (N1, N2), joiners are passed over and then take the level after
// them; right-to-left is level 1, and the runs, in logical order, are also the visual order
// at a left-to-right paragraph level. ICU gives the same runs (tests/text/bidi_test.cc) at
// several times the cost, which a line of mixed scripts pays every time it is laid out or
// wrapped. False for any other class.
bool SimpleRuns(StringView t, std::vector<BidiRun>& out) {
  thread_local std::vector<std::uint8_t> rtl;  // per unit: 0 left to right, 1 right to left, 2 neutral, 3 joiner
  const auto n = static_cast<std::int32_t>(t.size());
  rtl.assign(static_cast<std::size_t>(n), 0);
  std::uint8_t last = 0;  // the class before: sos is left to right
  int units = 1;
  for (std::int32_t i = 0; i < n; i += units) {
    const char16_t c = t[static_cast<std::size_t>(i)];
    units = 1;
    const Simple k = IsHighSurrogate(c) ? ClassOf(CodePointAt(t, static_cast<std::size_t>(i), units)) : ClassOf(c);
    std::uint8_t v;
    switch (k) {
      case Simple::L: v = 0; break;
      case Simple::R: v = 1; break;
      case Simple::Neutral: v = 2; break;
      case Simple::Mark: v = last; break;
      case Simple::Boundary: v = 3; break;
      default: return false;
    }
    for (int u = 0; u < units; ++u) rtl[static_cast<std::size_t>(i + u)] = v;
    if (v != 3) last = v;
  }
  // Neutrals between two right-to-left characters are right to left; all others left to right.
  auto at = [&](std::int32_t k) { return rtl[static_cast<std::size_t>(k)]; };
  for (std::int32_t i = 0; i < n;) {
    if (at(i) != 2) {
      ++i;
      continue;
    }
    // Boundary neutrals (joiners) are passed over, as if removed (X9).
    std::int32_t j = i;
    while (j < n && (at(j) == 2 || at(j) == 3)) ++j;
    std::int32_t before = i - 1;
    while (before >= 0 && at(before) == 3) --before;
    const bool between = before >= 0 && at(before) == 1 && j < n && at(j) == 1;
    for (std::int32_t k = i; k < j; ++k)
      if (at(k) == 2) rtl[static_cast<std::size_t>(k)] = between ? 1 : 0;
    i = j;
  }
  // A boundary neutral takes the level after it; at the end, the paragraph's (L1).
  for (std::int32_t i = 0; i < n; ++i) {
    if (at(i) != 3) continue;
    std::int32_t k = i;
    while (k < n && at(k) == 3) ++k;
    const std::uint8_t v = k < n ? at(k) : 0;
    std::fill(rtl.begin() + i, rtl.begin() + k, v);
    i = k - 1;
  }
  for (std::int32_t i = 0; i < n;) {
    std::int32_t j = i + 1;
    while (j < n && rtl[static_cast<std::size_t>(j)] == rtl[static_cast<std::size_t>(i)]) ++j;
    out.push_back({i, j, rtl[static_cast<std::size_t>(i)] == 1});
    i = j;
  }
  return true;
}

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
