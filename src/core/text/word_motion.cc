#include "text/word_motion.hh"

#include <algorithm>

namespace quilmar {

namespace {

enum class CharClass { Space, Word, Punct };

CharClass ClassOf(char16_t c) {
  if (c == u' ' || c == u'\t') return CharClass::Space;
  if (c >= 0x80 || c == u'_' || (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') ||
      (c >= u'A' && c <= u'Z')) {
    return CharClass::Word;
  }
  return CharClass::Punct;
}

}  // namespace

std::optional<std::int32_t> NextWordStart(UnitSpan para, std::int32_t offset) {
  const auto n = static_cast<std::int32_t>(para.size());
  if (offset >= n) return std::nullopt;
  auto at = [&](std::int32_t i) { return ClassOf(para[static_cast<std::size_t>(i)]); };
  std::int32_t i = offset;
  const CharClass first = at(i);
  if (first != CharClass::Space) {
    while (i < n && at(i) == first) ++i;
  }
  while (i < n && at(i) == CharClass::Space) ++i;
  return i;
}

std::optional<std::int32_t> PrevWordStart(UnitSpan para, std::int32_t offset) {
  if (offset <= 0) return std::nullopt;
  auto at = [&](std::int32_t i) { return ClassOf(para[static_cast<std::size_t>(i)]); };
  std::int32_t i = std::min<std::int32_t>(offset, static_cast<std::int32_t>(para.size()));
  while (i > 0 && at(i - 1) == CharClass::Space) --i;
  if (i > 0) {
    const CharClass cls = at(i - 1);
    while (i > 0 && at(i - 1) == cls) --i;
  }
  return i;
}

}  // namespace quilmar
