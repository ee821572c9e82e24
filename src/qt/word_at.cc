#include "word_at.hh"

#include <QChar>

namespace quilmar {
namespace {

enum class Kind { Word, Blank, Other };

Kind KindOf(char16_t c) {
  const QChar q(c);
  if (q.isLetterOrNumber() || q.isMark() || c == u'_' || IsHighSurrogate(c) || IsLowSurrogate(c))
    return Kind::Word;
  if (c == u' ' || c == u'\t') return Kind::Blank;
  return Kind::Other;
}

}  // namespace

std::optional<CharRange> WordAt(StringView line, CharPos col) {
  const auto size = static_cast<CharPos>(line.size());
  if (size == 0 || col < 0 || col > size) return std::nullopt;
  if (col == size) --col;
  const Kind kind = KindOf(line[static_cast<std::size_t>(col)]);
  if (kind == Kind::Other) return CharRange{col, col + 1};
  CharPos start = col;
  while (start > 0 && KindOf(line[static_cast<std::size_t>(start - 1)]) == kind) --start;
  CharPos end = col + 1;
  while (end < size && KindOf(line[static_cast<std::size_t>(end)]) == kind) ++end;
  return CharRange{start, end};
}

}  // namespace quilmar
