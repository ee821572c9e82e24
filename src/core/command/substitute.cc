#include "command/substitute.hh"

#include <algorithm>
#include <vector>

#include "app/panels.hh"
#include "app/like_match.hh"
#include "app/line_geometry.hh"
#include "command/occurrences.hh"

namespace quilmar {

namespace {

// Characters that make the start or the end text no number. The end's class also refuses
// "," and lets the "s" through, which ends it.
constexpr StringView kStartRefused = u"[A-Za-z~!@#$%^&*()`':;.<>/?\\|}{_+=-]";
constexpr StringView kEndRefused = u"[A-Za-rt-z~!@#$%^&*()`':;,.<>/?\\|}{_+=-]";
constexpr std::size_t kMaxDigits = 9;  // keeps every accepted number within 32 bits

constexpr RangeRefusal kInvalidEnd{"Invalid End position"};
constexpr RangeRefusal kInvalidStart{"Invalid start position"};

bool InClass(char16_t c, StringView cls) { return LikeMatch(StringView(&c, 1), cls); }

// Collects characters from `i` up to `stop` (not included; `i` then stands after it).
// A refused character, or no `stop` before the end of the line: nothing.
std::optional<String> ReadNumberText(StringView line, std::size_t& i, char16_t stop, StringView refused) {
  String text;
  for (; i < line.size(); ++i) {
    const char16_t c = line[i];
    if (InClass(c, refused)) return std::nullopt;
    if (c == stop) {
      ++i;
      return text;
    }
    text.push_back(c);
  }
  return std::nullopt;
}

// Reads a text from `i` up to the next unescaped "/" (or the end of the line), resolving the
// escapes; `i` then stands after that "/".
String ReadEscapedText(StringView line, std::size_t& i) {
  String text;
  while (i < line.size()) {
    const char16_t c = line[i++];
    if (c == u'/') return text;
    if (c != u'\\') {
      text.push_back(c);
      continue;
    }
    if (i == line.size()) break;  // a final backslash adds nothing
    switch (const char16_t escaped = line[i++]) {
      case u'n': text += u"\r\n"; break;
      case u't': text.push_back(u'\t'); break;
      default: text.push_back(escaped); break;  // "\/" gives "/", "\\" one backslash
    }
  }
  return text;
}

// Digits with spaces around them; anything else (nothing, a space between digits, a quote, a
// bracket, a character beyond ASCII) is no number.
std::optional<LineNo> ToLineNumber(StringView text) {
  const auto first = text.find_first_not_of(u' ');
  if (first == StringView::npos) return std::nullopt;
  const auto last = text.find_last_not_of(u' ');
  LineNo number = 0;
  for (char16_t c : text.substr(first, last - first + 1)) {
    if (c < u'0' || c > u'9') return std::nullopt;
    number = number * 10 + (c - u'0');
  }
  return number;
}

// The range of a substitution with one unit more on each side where the document has it, to
// see pairs that its ends would cut; shared with the document where it lies in one piece.
struct Stretch {
  CharPos start = 0;  // document position of text[0]
  SharedText shared;
  UnitSpan text;

  // Does text[i] lie between the two halves of a line break or a surrogate pair?
  bool SplitsPair(std::size_t i) const {
    if (i == 0 || i >= text.size()) return false;
    const char16_t before = text[i - 1], after = text[i];
    return (before == u'\r' && after == u'\n') || (IsHighSurrogate(before) && IsLowSurrogate(after));
  }
};

Stretch StretchAround(const TextModel& txtMain, CharPos start, CharPos end) {
  const std::int64_t length = txtMain.Length().value();
  const CharPos from = CharPos(std::clamp<std::int64_t>(std::int64_t(start.value()) - 1, 0, length));
  const CharPos to = CharPos(std::clamp<std::int64_t>(std::int64_t(end.value()) + 1, from.value(), length));
  Stretch stretch{from, txtMain.Share(from, to - from), {}};
  stretch.text = stretch.shared.View();
  return stretch;
}

// Replaces every occurrence by `newText` in one edit of the span from the first occurrence to
// the end of the last, so the cost is linear in the span and not occurrences x document.
// The text comes out as replacing them one by one from the top would leave it, and the caret
// stands after the last inserted text. The span is widened by a character where it would cut a
// line break or a surrogate pair, where no selection can begin or end.
void ReplaceOccurrences(TextModel& txtMain, const Stretch& stretch, const std::vector<std::size_t>& hits,
                        std::size_t oldLength, StringView newText) {
  std::size_t spanStart = hits.front();
  std::size_t spanEnd = hits.back() + oldLength;
  if (stretch.SplitsPair(spanStart)) --spanStart;
  if (stretch.SplitsPair(spanEnd)) ++spanEnd;

  // The new span is one-byte units where both the old text and the new one are, as a loaded
  // file's text usually is: a substitution over all of it then holds one byte per character.
  const UnitSpan original = stretch.text;
  const std::size_t size = spanEnd - spanStart + hits.size() * newText.size() - hits.size() * oldLength;
  SharedText replaced;
  if (original.IsNarrow() && FitsNarrow(newText)) {
    LargeBuffer bytes(size);
    Byte* out = reinterpret_cast<Byte*>(bytes.data());
    const Byte* in = original.NarrowData();
    std::size_t copied = spanStart;  // how far `original` has been used
    for (std::size_t hit : hits) {
      out = std::copy(in + copied, in + hit, out);
      out = std::copy(newText.begin(), newText.end(), out);
      copied = hit + oldLength;
    }
    std::copy(in + copied, in + spanEnd, out);
    replaced = SharedText::Narrow(std::move(bytes), size);
  } else {
    String wide;
    wide.reserve(size);
    std::size_t copied = spanStart;
    for (std::size_t hit : hits) {
      original.substr(copied, hit - copied).AppendTo(wide);
      wide.append(newText);
      copied = hit + oldLength;
    }
    original.substr(copied, spanEnd - copied).AppendTo(wide);
    replaced = SharedText(std::move(wide));
  }

  TextModel::UndoGroup group(txtMain);
  txtMain.SetSelStart(stretch.start + static_cast<CharPos>(spanStart));
  txtMain.SetSelLength(static_cast<CharPos>(spanEnd - spanStart));
  txtMain.SetSelText(std::move(replaced));
}

}  // namespace

std::optional<SubstitutionParts> ReadSubstitution(StringView line) {
  SubstitutionParts parts;
  std::size_t i = 1;  // after the ":"
  auto startText = ReadNumberText(line, i, u',', kStartRefused);
  if (!startText) return std::nullopt;
  auto endText = ReadNumberText(line, i, u's', kEndRefused);
  if (!endText) return std::nullopt;
  // The texts begin after the first "/" from here; anything before it is skipped.
  const auto slash = line.find(u'/', i);
  if (slash == StringView::npos) return std::nullopt;
  i = slash + 1;
  parts.startText = std::move(*startText);
  parts.endText = std::move(*endText);
  parts.oldText = ReadEscapedText(line, i);
  parts.newText = ReadEscapedText(line, i);  // whatever follows its "/" is ignored
  return parts;
}

std::variant<LineRange, RangeRefusal> CheckRange(const SubstitutionParts& parts, LineNo lastLine) {
  if (parts.endText.size() > kMaxDigits) return kInvalidEnd;
  if (parts.startText.size() > kMaxDigits) return kInvalidStart;
  const std::optional<LineNo> end = ToLineNumber(parts.endText);
  if (!end) return kInvalidEnd;
  const std::optional<LineNo> start = ToLineNumber(parts.startText);
  if (!start) return kInvalidStart;
  LineRange range{*start, *end};
  // Beyond the last line is brought down without a word; only an end of 0 that was not is
  // refused (so 0,5 passes in a one-line document and 0,0 does not).
  if (range.end > lastLine)
    range.end = lastLine;
  else if (range.end == 0)
    return kInvalidEnd;
  if (range.start > range.end) return kInvalidStart;
  return range;
}

void SubstituteCommand(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, bool ReplaceCase,
                       const String& line) {
  const std::optional<SubstitutionParts> parts = ReadSubstitution(line);
  if (!parts) {
    statusBar.SetPanelText(panel::Message, Ascii("Invalid command"));
    return;
  }
  const auto checked = CheckRange(*parts, GetLineCount(txtMain) - 1);
  if (const auto* refusal = std::get_if<RangeRefusal>(&checked)) {
    statusBar.SetPanelText(panel::Message, Ascii(refusal->message));
    return;
  }
  const LineRange range = std::get<LineRange>(checked);
  // CheckRange kept both lines below the line count.
  const CharPos endLineStart = LineIndex(txtMain, range.end).value();
  const CharPos EndPos = endLineStart + LineLength(txtMain, endLineStart);
  const CharPos StartPos = LineIndex(txtMain, range.start).value();
  ReplaceInRange(txtMain, SearchPos, statusBar, parts->oldText, parts->newText, StartPos, EndPos, ReplaceCase);
}

// Each replacement resumes the search after its inserted text and the range's end moves with
// the edits; in positions of the unchanged document that is: the next occurrence after the
// end of the previous one, within the original range. So all of them are found first and
// replaced in one edit, one undo step.
void ReplaceInRange(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, const String& OldText,
                    const String& NewText, CharPos StartPos, CharPos EndPos, bool CaseSensitive) {
  SearchPos = StartPos;
  if (SearchPos > EndPos) return;  // an empty range: no report, SearchPos stays

  const Stretch stretch = StretchAround(txtMain, StartPos, EndPos);
  const auto from = static_cast<std::size_t>(std::max<CharPos>(StartPos - stretch.start, 0));
  const auto to = static_cast<std::size_t>(std::max<CharPos>(EndPos - stretch.start, 0));
  const std::vector<std::size_t> hits = FindOccurrences(stretch.text, OldText, from, to, CaseSensitive);
  if (!hits.empty()) ReplaceOccurrences(txtMain, stretch, hits, OldText.size(), NewText);

  statusBar.SetPanelText(panel::Message, Decimal(static_cast<long long>(hits.size())) + Ascii(" Replacments"));
  SearchPos = 0;
}

}  // namespace quilmar
