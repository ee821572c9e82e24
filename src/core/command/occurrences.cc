// One pass over the range. Calling TextModel::Find once per occurrence gives the same answers,
// but each call has a set-up cost of its own (it gathers a long stretch of text ahead of its
// start), which a hundred thousand occurrences turn into seconds.
#include "command/occurrences.hh"

#include <algorithm>

#include "text/case_fold.hh"

namespace quilmar {

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
