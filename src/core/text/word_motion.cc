#include "text/word_motion.hh"

#include <algorithm>

namespace quilmar {

// Every unit of a non-ASCII character is a word unit, so a surrogate pair, a combining mark
// or a letter of any script never splits a word, with no character database consulted.
WordClass WordClassOf(char16_t c) {
  if (c == u' ' || c == u'\t') return WordClass::Blank;
  if (c >= 0x80 || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
      (c >= u'A' && c <= u'Z')) {
    return WordClass::Word;
  }
  return WordClass::Punct;
}

std::optional<std::int32_t> NextWordStart(UnitSpan para, std::int32_t offset) {
  const auto n = static_cast<std::int32_t>(para.size());
  if (offset >= n) return std::nullopt;
  auto at = [&](std::int32_t i) { return WordClassOf(para[static_cast<std::size_t>(i)]); };
  std::int32_t i = offset;
  const WordClass first = at(i);
  if (first != WordClass::Blank) {
    while (i < n && at(i) == first) ++i;
  }
  while (i < n && at(i) == WordClass::Blank) ++i;
  return i;
}

std::optional<std::int32_t> PrevWordStart(UnitSpan para, std::int32_t offset) {
  if (offset <= 0) return std::nullopt;
  auto at = [&](std::int32_t i) { return WordClassOf(para[static_cast<std::size_t>(i)]); };
  std::int32_t i = std::min<std::int32_t>(offset, static_cast<std::int32_t>(para.size()));
  while (i > 0 && at(i - 1) == WordClass::Blank) --i;
  if (i > 0) {
    const WordClass cls = at(i - 1);
    while (i > 0 && at(i - 1) == cls) --i;
  }
  return i;
}

std::optional<WordSpan> WordAround(UnitSpan line, std::int32_t offset) {
  const auto size = static_cast<std::int32_t>(line.size());
  if (size == 0 || offset < 0 || offset > size) return std::nullopt;
  if (offset == size) --offset;
  auto at = [&](std::int32_t i) { return WordClassOf(line[static_cast<std::size_t>(i)]); };
  const WordClass cls = at(offset);
  if (cls == WordClass::Punct) return WordSpan{offset, offset + 1};
  std::int32_t start = offset, end = offset + 1;
  while (start > 0 && at(start - 1) == cls) --start;
  while (end < size && at(end) == cls) ++end;
  return WordSpan{start, end};
}

}  // namespace quilmar
