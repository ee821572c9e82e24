#include "text/find.hh"

#include <algorithm>
#include <optional>
#include <vector>

#include "text/case_fold.hh"
#include "text/unit_scan.hh"
#include "text/vector_state.hh"

namespace quilmar {

namespace {

// Reads code units from a position onwards, crossing from one run to the next.
class UnitReader {
 public:
  UnitReader(UnitSpan rest, const Document::Runs& runs) : cur_(rest), runs_(runs) {}

  bool Take(char16_t& u) {
    if (!Fill()) return false;
    u = cur_.front();
    cur_ = cur_.substr(1);
    return true;
  }
  bool Peek(char16_t& u) {
    if (!Fill()) return false;
    u = cur_.front();
    return true;
  }
  // The next code point; a lone surrogate stands for itself.
  bool TakeCodePoint(char32_t& c) {
    char16_t u;
    if (!Take(u)) return false;
    c = u;
    char16_t low;
    if (IsHighSurrogate(u) && Peek(low) && IsLowSurrogate(low)) {
      cur_ = cur_.substr(1);
      c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(low) - 0xDC00);
    }
    return true;
  }
  // Compares the next units with `s` exactly.
  bool TakeExactly(StringView s) {
    while (!s.empty()) {
      if (!Fill()) return false;
      const std::size_t m = std::min(cur_.size(), s.size());
      if (!(cur_.substr(0, m) == UnitSpan(s.substr(0, m)))) return false;
      cur_ = cur_.substr(m);
      s.remove_prefix(m);
    }
    return true;
  }

 private:
  bool Fill() {
    if (!cur_.empty()) return true;
    // The rest of the text is only walked when a candidate reaches past its run.
    if (!more_) more_.emplace(runs_);
    CharPos ignored;
    while (cur_.empty()) {
      if (!more_->Next(cur_, ignored)) return false;
    }
    return true;
  }

  UnitSpan cur_;
  const Document::Runs& runs_;
  std::optional<Document::Runs> more_;
};

// What to look for: the units that can start a match and how to confirm one.
struct Needle {
  StringView text;
  bool matchCase = true;
  std::optional<FoldedPattern> folded;  // matchCase off
  std::vector<char16_t> firstUnits;     // ascending

  Needle(StringView s, bool exact) : text(s), matchCase(exact) {
    if (matchCase) {
      firstUnits.push_back(s.front());
    } else {
      folded.emplace(s);
      firstUnits = folded->firstUnits;
    }
  }

  template <typename Unit>
  const Unit* NextCandidate(const Unit* p, const Unit* end) const {
    if (firstUnits.size() <= 4) {
      return FindAnyUnit(p, end, firstUnits.data(), static_cast<int>(firstUnits.size()));
    }
    for (; p < end; ++p) {
      if (std::binary_search(firstUnits.begin(), firstUnits.end(), *p)) return p;
    }
    return end;
  }

  bool MatchesAt(UnitSpan rest, const Document::Runs& runs) const {
    UnitReader in(rest, runs);
    if (matchCase) return in.TakeExactly(text);
    for (char32_t want : folded->folded) {
      char32_t c;
      if (!in.TakeCodePoint(c) || FoldCase(c) != want) return false;
    }
    return true;
  }
};

}  // namespace

std::optional<CharPos> FindText(const Document& doc, StringView needle, CharPos start, std::optional<CharPos> end,
                                bool matchCase) {
  const CharPos length = doc.Length();
  if (start < 0) start = 0;
  if (start > length) return std::nullopt;
  const CharPos stop = (!end || *end < 0 || *end > length) ? length : *end;
  if (needle.empty()) {
    if (start <= stop) return start;
    return std::nullopt;
  }
  if (std::int64_t((stop - start).value()) < std::int64_t(needle.size())) return std::nullopt;
  // Simple folding keeps every character's length, so a match is as long as the needle.
  const std::int64_t lastStart = std::int64_t(stop.value()) - std::int64_t(needle.size());
  const Needle what(needle, matchCase);
  ClearVectorUpperHalves();  // for the scan's SSE loop
  Document::Runs runs(doc, start);
  UnitSpan run;
  CharPos runStart = 0;
  while (runs.Next(run, runStart)) {
    const std::int64_t from = (std::max(start, runStart) - runStart).value();
    const std::int64_t to = std::min<std::int64_t>(std::int64_t(runStart.value()) + std::int64_t(run.size()), lastStart + 1) - runStart.value();
    // The candidates are scanned in the run's own units, one byte or two each.
    const std::optional<std::size_t> hit = run.Visit([&](const auto* base, std::size_t) -> std::optional<std::size_t> {
      for (auto* p = base + from; p < base + to; ++p) {
        p = what.NextCandidate(p, base + to);
        if (p == base + to) break;
        const auto offset = static_cast<std::size_t>(p - base);
        if (what.MatchesAt(run.substr(offset), runs)) return offset;
      }
      return std::nullopt;
    });
    if (hit) return runStart + static_cast<CharPos>(*hit);
    if (std::int64_t(runStart) + std::int64_t(run.size()) > lastStart) break;
  }
  return std::nullopt;
}

}  // namespace quilmar
