#include "text/bidi.hh"

#include <unicode/ubidi.h>

#include "text/grapheme.hh"

namespace quilmar {

namespace {

bool HasRightToLeft(StringView text) {
  int units = 1;
  for (std::size_t i = 0; i < text.size(); i += static_cast<std::size_t>(units)) {
    if (text[i] < 0x590) {
      units = 1;
      continue;
    }
    if (IsRightToLeftCharacter(CodePointAt(text, i, units))) return true;
  }
  return false;
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
  UBiDi* bidi = HasRightToLeft(segment) ? Bidi() : nullptr;
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
