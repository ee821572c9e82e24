// LikeMatch against a slow matcher written straight from the pattern rules: the pattern is
// cut into elements one way, the text is matched by a table over every (text, element)
// position, so neither the greedy star nor the list reader of the real one is shared.
#include <vector>

#include "app/like_match.hh"
#include "fuzz_text.hh"

namespace {

using quilmar::String;
using quilmar::StringView;

struct Element {
  enum class Kind { Star, Any, Digit, List, Literal };
  Kind kind = Kind::Literal;
  char16_t literal = 0;
  bool negated = false;
  std::vector<std::pair<char16_t, char16_t>> members;  // single characters as (c, c)
};

Element Of(Element::Kind kind) {
  Element e;
  e.kind = kind;
  return e;
}

// "[" starts a list only when a "]" closes it; an optional "!" negates; inside, a "-" between
// two members joins them into a range, and one first or last is a member itself.
std::vector<Element> Elements(StringView pattern) {
  std::vector<Element> out;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char16_t c = pattern[i];
    if (c == u'*') { out.push_back(Of(Element::Kind::Star)); continue; }
    if (c == u'?') { out.push_back(Of(Element::Kind::Any)); continue; }
    if (c == u'#') { out.push_back(Of(Element::Kind::Digit)); continue; }
    if (c == u'[') {
      std::size_t from = i + 1;
      const bool negated = from < pattern.size() && pattern[from] == u'!';
      if (negated) ++from;
      const std::size_t close = pattern.find(u']', from);
      if (close != StringView::npos) {
        Element list = Of(Element::Kind::List);
        list.negated = negated;
        const StringView content = pattern.substr(from, close - from);
        for (std::size_t k = 0; k < content.size();) {
          if (k + 2 < content.size() && content[k + 1] == u'-') {
            const char16_t a = content[k], b = content[k + 2];
            list.members.push_back({std::min(a, b), std::max(a, b)});
            k += 3;
          } else {
            list.members.push_back({content[k], content[k]});
            ++k;
          }
        }
        out.push_back(list);
        i = close;
        continue;
      }
    }
    Element literal = Of(Element::Kind::Literal);
    literal.literal = c;
    out.push_back(literal);
  }
  return out;
}

bool TakesOne(const Element& e, char16_t c) {
  switch (e.kind) {
    case Element::Kind::Any: return true;
    case Element::Kind::Digit: return c >= u'0' && c <= u'9';
    case Element::Kind::Literal: return c == e.literal;
    case Element::Kind::List: {
      bool in = false;
      for (auto [low, high] : e.members) in = in || (c >= low && c <= high);
      return in != e.negated;
    }
    case Element::Kind::Star: return false;
  }
  return false;
}

// can[t][p]: the text from t on matches the elements from p on.
bool SlowMatch(StringView text, StringView pattern) {
  const std::vector<Element> elements = Elements(pattern);
  const std::size_t n = text.size(), m = elements.size();
  std::vector<std::vector<char>> can(n + 1, std::vector<char>(m + 1, 0));
  can[n][m] = 1;
  for (std::size_t t = n + 1; t-- > 0;) {
    for (std::size_t p = m; p-- > 0;) {
      const Element& e = elements[p];
      if (e.kind == Element::Kind::Star)
        can[t][p] = can[t][p + 1] || (t < n && can[t + 1][p]);
      else
        can[t][p] = t < n && TakesOne(e, text[t]) && can[t + 1][p + 1];
    }
  }
  return can[0][0] != 0;
}

constexpr StringView kPatternAlphabet = u"*?#[]!-abcAB09/\\:,. ws";
constexpr StringView kTextAlphabet = u"abcAB019-/[]!*?#:,. ws";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const String pattern = quilmar::fuzz::ConsumeText(in, 64, kPatternAlphabet);
  const String text = quilmar::fuzz::ConsumeText(in, 256, kTextAlphabet);
  const bool fast = quilmar::LikeMatch(text, pattern);
  if (fast != SlowMatch(text, pattern))
    quilmar::fuzz::Fail("LikeMatch differs from the slow matcher",
                        "text " + quilmar::fuzz::Show(text) + " pattern " + quilmar::fuzz::Show(pattern) +
                            " LikeMatch says " + (fast ? "true" : "false"));
  return 0;
}
