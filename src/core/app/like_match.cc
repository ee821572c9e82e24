// LikeMatch: the pattern is read into elements first, then matched with the greedy-star
// method. Every element but "*" takes exactly one character, so on a mismatch only the last
// star needs to take one more character: no element is ever retried twice for the same
// starting point of that star, which bounds the work by text length times pattern length.
#include "app/like_match.hh"

#include <cstddef>
#include <optional>
#include <vector>

namespace quilmar {

namespace {

struct CharRange {
  char16_t low;
  char16_t high;
};

// One element of a pattern.
struct Element {
  enum class Kind { Star, AnyChar, Digit, List, Literal } kind;
  char16_t literal = 0;
  bool negated = false;     // "[!...]"
  std::size_t first = 0;    // the list's ranges: [first, first + count) of the shared table
  std::size_t count = 0;
};

// A pattern read into its elements; consecutive stars collapse into one.
struct CompiledPattern {
  std::vector<Element> elements;
  std::vector<CharRange> ranges;

  bool Matches(const Element& e, char16_t c) const {
    switch (e.kind) {
      case Element::Kind::AnyChar: return true;
      case Element::Kind::Digit: return c >= u'0' && c <= u'9';
      case Element::Kind::Literal: return c == e.literal;
      case Element::Kind::List: {
        bool inList = false;
        for (std::size_t i = e.first; i < e.first + e.count && !inList; ++i)
          inList = c >= ranges[i].low && c <= ranges[i].high;
        return inList != e.negated;
      }
      case Element::Kind::Star: break;
    }
    return false;
  }
};

// Reads "[...]" starting at pattern[open] == '['. Returns the index after the closing "]",
// or nothing when the list is never closed (the "[" is then an ordinary character).
std::optional<std::size_t> ReadList(StringView pattern, std::size_t open, CompiledPattern& out,
                                    Element& element) {
  std::size_t i = open + 1;
  element.kind = Element::Kind::List;
  element.first = out.ranges.size();
  if (i < pattern.size() && pattern[i] == u'!') {
    element.negated = true;
    ++i;
  }
  while (i < pattern.size() && pattern[i] != u']') {
    const char16_t low = pattern[i];
    // A "-" joins two members into a range unless it stands last in the list.
    if (i + 2 < pattern.size() && pattern[i + 1] == u'-' && pattern[i + 2] != u']') {
      const char16_t high = pattern[i + 2];
      out.ranges.push_back(low <= high ? CharRange{low, high} : CharRange{high, low});
      i += 3;
    } else {
      out.ranges.push_back({low, low});
      ++i;
    }
  }
  if (i >= pattern.size()) {
    out.ranges.resize(element.first);
    return std::nullopt;
  }
  element.count = out.ranges.size() - element.first;
  return i + 1;
}

CompiledPattern Compile(StringView pattern) {
  CompiledPattern out;
  out.elements.reserve(pattern.size());
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char16_t c = pattern[i];
    Element element{Element::Kind::Literal};
    element.literal = c;
    std::size_t next = i + 1;
    if (c == u'*') {
      element.kind = Element::Kind::Star;
    } else if (c == u'?') {
      element.kind = Element::Kind::AnyChar;
    } else if (c == u'#') {
      element.kind = Element::Kind::Digit;
    } else if (c == u'[') {
      Element list{Element::Kind::List};
      if (auto after = ReadList(pattern, i, out, list)) {
        element = list;
        next = *after;
      }
    }
    const bool repeatedStar = element.kind == Element::Kind::Star && !out.elements.empty() &&
                              out.elements.back().kind == Element::Kind::Star;
    if (!repeatedStar) out.elements.push_back(element);
    i = next;
  }
  return out;
}

}  // namespace

bool LikeMatch(StringView text, StringView pattern) {
  const CompiledPattern compiled = Compile(pattern);
  const auto& elements = compiled.elements;
  const auto isStar = [&](std::size_t p) {
    return p < elements.size() && elements[p].kind == Element::Kind::Star;
  };

  std::size_t t = 0, p = 0;
  std::optional<std::size_t> starElement;  // the last star passed, and where its run ends
  std::size_t starTextEnd = 0;
  while (t < text.size()) {
    if (isStar(p)) {
      starElement = p++;
      starTextEnd = t;
    } else if (p < elements.size() && compiled.Matches(elements[p], text[t])) {
      ++p;
      ++t;
    } else if (starElement) {
      p = *starElement + 1;
      t = ++starTextEnd;
    } else {
      return false;
    }
  }
  while (isStar(p)) ++p;
  return p == elements.size();
}

}  // namespace quilmar
