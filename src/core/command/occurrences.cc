// One pass over one copy of the range. Calling TextModel::Find once per occurrence gives the
// same answers, but each call has a set-up cost of its own (it gathers a long stretch of text
// ahead of its start), which a hundred thousand occurrences turn into seconds.
#include "command/occurrences.hh"

#include <algorithm>

#include "text/case_fold.hh"

namespace quilmar {

namespace {

// The code point at text[i] (a surrogate pair read whole, a lone surrogate as itself).
char32_t CodePointAt(StringView text, std::size_t i, std::size_t& units) {
  const char16_t u = text[i];
  if (IsHighSurrogate(u) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    units = 2;
    return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
  }
  units = 1;
  return u;
}

char16_t FirstUnitOf(char32_t c) {
  return c >= 0x10000 ? static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)) : static_cast<char16_t>(c);
}

// A text compared by simple case folding. Folding keeps every character's length in code
// units, so a match is exactly as long as the text.
class FoldedText {
 public:
  explicit FoldedText(StringView text) {
    std::size_t units = 1;
    for (std::size_t i = 0; i < text.size(); i += units) folded_.push_back(FoldCase(CodePointAt(text, i, units)));
    for (char32_t variant : CaseVariants(CodePointAt(text, 0, units))) firstUnits_.push_back(FirstUnitOf(variant));
  }

  // Could a match begin with this unit? (Cheap, ahead of the full comparison.)
  bool MayStartWith(char16_t unit) const {
    return std::find(firstUnits_.begin(), firstUnits_.end(), unit) != firstUnits_.end();
  }

  bool MatchesAt(StringView text, std::size_t i) const {
    std::size_t units = 1;
    for (char32_t want : folded_) {
      if (i >= text.size() || FoldCase(CodePointAt(text, i, units)) != want) return false;
      i += units;
    }
    return true;
  }

 private:
  std::vector<char32_t> folded_;
  std::vector<char16_t> firstUnits_;
};

}  // namespace

std::vector<std::size_t> FindOccurrences(StringView text, StringView what, std::size_t from, std::size_t to,
                                         bool caseSensitive) {
  std::vector<std::size_t> hits;
  to = std::min(to, text.size());
  if (what.empty() || from > to || to - from < what.size()) return hits;
  const std::size_t lastStart = to - what.size();

  if (caseSensitive) {
    for (std::size_t at = text.find(what, from); at != StringView::npos && at <= lastStart;
         at = text.find(what, at + what.size()))
      hits.push_back(at);
    return hits;
  }
  const FoldedText folded(what);
  for (std::size_t at = from; at <= lastStart;) {
    if (folded.MayStartWith(text[at]) && folded.MatchesAt(text, at)) {
      hits.push_back(at);
      at += what.size();
    } else {
      ++at;
    }
  }
  return hits;
}

}  // namespace quilmar
