#pragma once
// Marked text: the tests' one way of writing a text with its caret and selection, read and
// written here for the document, the command box and the case files alike.
//
//   "|" the caret (at the start when left out), "^" the anchor of a selection (left out when nothing is selected);
//   a line break, or "\n", stands for the document's "\r\n" (a "\r\n" pair is one break too);
//   "\r" a carriage return on its own, "\l" a line feed on its own, "\t" a tab; "\" before
//   any other character takes it as it is ("\|", "\^", "\\").
// Other characters are UTF-8.
#include <algorithm>
#include <string>
#include <string_view>

#include "text/units.hh"
#include "text/ustring.hh"

namespace quilmar::testing {

struct Marked {
  String text;
  CharPos anchor = 0;
  CharPos caret = 0;
  CharPos SelStart() const { return std::min(anchor, caret); }
  CharPos SelLength() const { return std::max(anchor, caret) - SelStart(); }
};

inline Marked ParseMarked(std::string_view marked) {
  std::string plain;
  std::size_t caret = std::string::npos, anchor = std::string::npos;
  const auto here = [&] { return FromUtf8(plain).size(); };
  for (std::size_t i = 0; i < marked.size(); ++i) {
    const char c = marked[i];
    if (c == '|') {
      caret = here();
    } else if (c == '^') {
      anchor = here();
    } else if (c == '\\' && i + 1 < marked.size()) {
      const char next = marked[++i];
      switch (next) {
        case 'n': plain += "\r\n"; break;
        case 'r': plain += '\r'; break;
        case 'l': plain += '\n'; break;
        case 't': plain += '\t'; break;
        default: plain += next;
      }
    } else if (c == '\n') {
      plain += "\r\n";
    } else if (c == '\r' && i + 1 < marked.size() && marked[i + 1] == '\n') {
      plain += "\r\n";
      ++i;
    } else {
      plain += c;
    }
  }
  if (caret == std::string::npos) caret = 0;
  Marked out;
  out.text = FromUtf8(plain);
  out.caret = static_cast<std::int64_t>(caret);
  out.anchor = static_cast<std::int64_t>(anchor == std::string::npos ? caret : anchor);
  return out;
}

// The text in the same notation, line breaks as "\n" when `breaksAsNewlines` is false, so a
// case prints on one line.
inline std::string RenderMarked(StringView text, CharPos anchor, CharPos caret, bool breaksAsNewlines = true) {
  const auto caretAt = static_cast<std::size_t>(caret.value()), anchorAt = static_cast<std::size_t>(anchor.value());
  std::string out;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i == anchorAt && anchorAt != caretAt) out += '^';
    if (i == caretAt) out += '|';
    if (i == text.size()) break;
    const char16_t c = text[i];
    const bool markInsidePair = i + 1 == caretAt || (i + 1 == anchorAt && anchorAt != caretAt);
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' && !markInsidePair) {
      out += breaksAsNewlines ? "\n" : "\\n";
      ++i;
    } else if (c == u'\r' || c == u'\n') {
      out += c == u'\r' ? "\\r" : "\\l";
    } else if (c == u'|' || c == u'^' || c == u'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == u'\t' && !breaksAsNewlines) {
      out += "\\t";
    } else {
      // A surrogate pair goes out whole; a mark between its halves is shown between them.
      const bool pair = c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                        text[i + 1] < 0xE000 && i + 1 != caretAt && i + 1 != anchorAt;
      out += ToUtf8(text.substr(i, pair ? 2 : 1));
      if (pair) ++i;
    }
  }
  return out;
}

// A control (TextModel, LineEdit) in the notation.
template <typename Control>
std::string Render(const Control& control) {
  return RenderMarked(control.Text(), CharPos(control.AnchorPos()), CharPos(control.CaretPos()));
}

}  // namespace quilmar::testing
