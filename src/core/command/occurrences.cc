// One pass over the range. Calling TextModel::Find once per occurrence gives the same answers,
// but each call has a set-up cost of its own (it gathers a long stretch of text ahead of its
// start), which a hundred thousand occurrences turn into seconds.
#include "command/occurrences.hh"

#include <algorithm>
#include <string>
#include <string_view>

#include "text/case_fold.hh"
#include "text/shared_text.hh"

namespace quilmar {

namespace {

// Exact occurrences in units of one kind, the text to find given in the same kind.
template <typename Unit>
void FindExactly(std::basic_string_view<Unit> text, std::basic_string_view<Unit> what, std::size_t from,
                 std::size_t lastStart, std::vector<std::size_t>& hits) {
  for (std::size_t at = text.find(what, from); at != text.npos && at <= lastStart; at = text.find(what, at + what.size()))
    hits.push_back(at);
}

}  // namespace

std::vector<std::size_t> FindOccurrences(UnitSpan text, StringView what, std::size_t from, std::size_t to,
                                         bool caseSensitive) {
  std::vector<std::size_t> hits;
  to = std::min(to, text.size());
  if (what.empty() || from > to || to - from < what.size()) return hits;
  const std::size_t lastStart = to - what.size();

  if (caseSensitive) {
    if (!text.IsNarrow()) {
      FindExactly(text.Wide(), what, from, lastStart, hits);
    } else if (FitsNarrow(what)) {
      // One-byte text: the bytes are searched for the bytes of `what` (a character above
      // U+00FF cannot occur in it).
      std::string bytes(what.begin(), what.end());
      const std::string_view narrow(reinterpret_cast<const char*>(text.NarrowData()), text.size());
      FindExactly(narrow, std::string_view(bytes), from, lastStart, hits);
    }
    return hits;
  }
  const FoldedPattern folded(what);
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
