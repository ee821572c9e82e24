#include "text/case_fold.hh"

#include <algorithm>
#include <array>
#include <utility>

namespace quilmar {

namespace {

struct FoldPair {
  char32_t from;
  char32_t to;
};

constexpr FoldPair kFolds[] = {
#include "text/case_fold_table.inc"
};

// The table read backwards: folded form to the characters that fold to it.
const std::vector<FoldPair>& Unfolds() {
  static const std::vector<FoldPair> table = [] {
    std::vector<FoldPair> t;
    t.reserve(std::size(kFolds));
    for (const FoldPair& p : kFolds) t.push_back({p.to, p.from});
    std::sort(t.begin(), t.end(), [](const FoldPair& a, const FoldPair& b) {
      return a.from != b.from ? a.from < b.from : a.to < b.to;
    });
    return t;
  }();
  return table;
}

}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  const auto* end = std::end(kFolds);
  const auto* it = std::lower_bound(std::begin(kFolds), end, c,
                                    [](const FoldPair& p, char32_t v) { return p.from < v; });
  return (it != end && it->from == c) ? it->to : c;
}

std::vector<char32_t> CaseVariants(char32_t c) {
  const char32_t folded = FoldCase(c);
  std::vector<char32_t> out{folded};
  const auto& t = Unfolds();
  auto it = std::lower_bound(t.begin(), t.end(), folded,
                             [](const FoldPair& p, char32_t v) { return p.from < v; });
  for (; it != t.end() && it->from == folded; ++it) out.push_back(it->to);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

FoldedPattern::FoldedPattern(StringView text) {
  int units = 1;
  for (std::size_t i = 0; i < text.size(); i += static_cast<std::size_t>(units)) {
    folded.push_back(FoldCase(CodePointAt(text, i, units)));
  }
  for (char32_t v : CaseVariants(CodePointAt(text, 0, units))) {
    firstUnits.push_back(v >= 0x10000 ? char16_t(0xD800 + ((v - 0x10000) >> 10)) : char16_t(v));
  }
  std::sort(firstUnits.begin(), firstUnits.end());
  firstUnits.erase(std::unique(firstUnits.begin(), firstUnits.end()), firstUnits.end());
}

bool FoldedPattern::MayStartWith(char16_t unit) const {
  return std::binary_search(firstUnits.begin(), firstUnits.end(), unit);
}

bool FoldedPattern::MatchesAt(UnitSpan units, std::size_t i) const {
  if (units.IsNarrow()) {
    // Each one-byte unit is a code point of its own.
    if (i > units.size() || units.size() - i < folded.size()) return false;
    for (char32_t want : folded)
      if (FoldCase(units[i++]) != want) return false;
    return true;
  }
  const StringView text = units.Wide();
  int count = 1;
  for (char32_t want : folded) {
    if (i >= text.size() || FoldCase(CodePointAt(text, i, count)) != want) return false;
    i += static_cast<std::size_t>(count);
  }
  return true;
}

}  // namespace quilmar
