#pragma once
// The editor's invariants, checked after every event of a fuzzed session:
//   - Command mode implies a locked document (except right after "x", which unlocks it for
//     its own Delete until the next key);
//   - the document holds line breaks only as "\r\n";
//   - anchor and caret lie within the text and never between "\r" and "\n";
//   - GetLineCount is at least 1, and the four line queries agree with a slow reference
//     computed from the text: lines tile the text, each ends at a break or a wrap, every
//     paragraph starts a line; without wrap (and with short paragraphs) the lines are exactly
//     the paragraphs; with it, the lines are those of a new model laid out from scratch.
#include <string>
#include <vector>

#include "app/app.hh"
#include "fuzz_text.hh"
#include "headless_editor.hh"

namespace quilmar::fuzz {

struct EventFacts {
  bool unlockedByX = false;
};

inline void Require(bool holds, const char* what, const TextModel& doc, const std::string& detail = {}) {
  if (holds) return;
  Fail(what, detail + "\ntext " + Show(doc.Text()) + "\nanchor " + std::to_string(doc.AnchorPos().value()) + " caret " +
                 std::to_string(doc.CaretPos().value()));
}

inline bool BetweenCrLf(const String& text, CharPos at) {
  const std::size_t pos = static_cast<std::size_t>(at.value());
  return at > 0 && pos < text.size() && text[pos - 1] == u'\r' && text[pos] == u'\n';
}

// The laid-out lines as the model reports them: (start, length) pairs.
inline std::vector<LineSpan> LinesOf(const TextModel& doc) {
  std::vector<LineSpan> lines;
  const LineNo count = doc.GetLineCount();
  for (LineNo i = 0; i < count; ++i) lines.push_back({*doc.LineIndex(i), doc.LineLength(*doc.LineIndex(i))});
  return lines;
}

inline void CheckLines(const TextModel& doc, const Measure& measure) {
  const String text = doc.Text();
  const auto length = CharPos(text.size());
  const std::int32_t count = doc.GetLineCount().value();
  Require(count >= 1, "GetLineCount below 1", doc);
  const std::vector<LineSpan> lines = LinesOf(doc);
  Require(lines[0].start == 0, "the first line does not start at 0", doc);
  Require(!doc.LineIndex(count), "LineIndex past the last line finds a line", doc);

  // The lines tile the text: each ends at a break (two characters skipped) or a wrap (none).
  std::vector<std::int32_t> lineOf(std::size_t(length) + 1, -1);
  for (std::int32_t i = 0; i < count; ++i) {
    const LineSpan l = lines[std::size_t(i)];
    const CharPos end = l.start + l.length;
    const CharPos next = i + 1 < count ? lines[std::size_t(i) + 1].start : length;
    const std::string where = "line " + std::to_string(i);
    Require(l.length >= 0 && end <= length, "a line reaches past the text", doc, where);
    for (CharPos p = l.start; p < end; ++p)
      Require(text[std::size_t(p)] != u'\r' && text[std::size_t(p)] != u'\n', "a line holds a break", doc, where);
    if (i + 1 < count) {
      const bool isBreak = next == end + 2 && text[std::size_t(end)] == u'\r';
      const bool isWrap = next == end && l.length > 0;
      Require(isBreak || isWrap, "lines do not tile the text", doc, where);
    } else {
      Require(end == length, "the last line does not end the text", doc, where);
    }
    for (CharPos p = l.start; p < next || (i + 1 == count && p <= length); ++p) lineOf[std::size_t(p)] = i;
  }
  for (CharPos p = 0; p <= length; ++p) {
    const std::int32_t line = lineOf[std::size_t(p)];
    if (p > 0 && p - 2 >= 0 && text[std::size_t(p) - 2] == u'\r' && text[std::size_t(p) - 1] == u'\n')
      Require(lines[std::size_t(line)].start == p, "a paragraph does not start a line", doc, std::to_string(p.value()));
    Require(doc.LineFromChar(p) == line, "LineFromChar differs from the reference", doc, "position " + std::to_string(p.value()));
    Require(doc.LineLength(p) == lines[std::size_t(line)].length, "LineLength differs from the reference", doc,
            "position " + std::to_string(p.value()));
  }
  Require(doc.LineLength(length + 1) == 0, "LineLength past the end is not 0", doc);

  // The -1 forms: the caret's line, the selection start's line, the unselected characters.
  const CharPos selStart = doc.SelStart(), selEnd = doc.SelStart() + doc.SelLength();
  Require(doc.LineIndex(kCaretLine) == lines[std::size_t(lineOf[std::size_t(doc.CaretPos())])].start, "LineIndex(kCaretLine)", doc);
  Require(doc.LineFromChar(kSelectionPos) == lineOf[std::size_t(selStart)], "LineFromChar(kSelectionPos)", doc);
  const std::int32_t first = lineOf[std::size_t(selStart)];
  const std::int32_t last = selEnd > selStart ? lineOf[std::size_t(selEnd) - 1] : first;
  const CharPos lastEnd = lines[std::size_t(last)].start + lines[std::size_t(last)].length;
  const CharPos unselected = (selStart - lines[std::size_t(first)].start) + std::max<CharPos>(0, lastEnd - selEnd);
  Require(doc.LineLength(kSelectionPos) == unselected, "LineLength(kSelectionPos)", doc);

  // Without wrap the lines are the paragraphs, as long as none reaches the 10000-cell margin.
  std::vector<LineSpan> paragraphs;
  for (CharPos start = 0;;) {
    const auto br = text.find(u"\r\n", std::size_t(start));
    const CharPos end = br == String::npos ? length : CharPos(br);
    paragraphs.push_back({start, end - start});
    if (br == String::npos) break;
    start = end + 2;
  }
  bool shortParagraphs = true;
  for (const LineSpan& p : paragraphs) shortParagraphs = shortParagraphs && p.length < 1000;
  if (doc.RightMargin() >= 10000 && shortParagraphs) {
    Require(lines.size() == paragraphs.size(), "without wrap the lines are not the paragraphs", doc);
    for (std::size_t i = 0; i < lines.size(); ++i)
      Require(lines[i].start == paragraphs[i].start && lines[i].length == paragraphs[i].length,
              "without wrap the lines are not the paragraphs", doc, "line " + std::to_string(i));
  }

  // However the text got here, laying it out anew gives the same lines.
  TextModel fresh(const_cast<Measure&>(measure));
  fresh.SetRightMargin(doc.RightMargin());
  const std::vector<double>& stops = doc.TabStops();
  if (!stops.empty()) {
    fresh.SetSelTabCount(int(stops.size()));
    for (std::size_t i = 0; i < stops.size(); ++i) fresh.SetSelTabs(int(i), stops[i]);
  }
  fresh.SetText(text);
  const std::vector<LineSpan> anew = LinesOf(fresh);
  bool same = anew.size() == lines.size();
  for (std::size_t i = 0; same && i < lines.size(); ++i)
    same = anew[i].start == lines[i].start && anew[i].length == lines[i].length;
  Require(same, "the lines differ from a layout made from scratch", doc,
          std::to_string(lines.size()) + " lines, anew " + std::to_string(anew.size()));
}

inline void CheckEditor(headless::HeadlessEditor& editor, const EventFacts& facts) {
  const App& app = editor.app;
  const TextModel& doc = app.Document();
  if (app.Mode().CommandMode() && !facts.unlockedByX) Require(doc.Locked(), "Command mode with an unlocked document", doc);

  const String text = doc.Text();
  Require(CharPos(text.size()) == doc.Length(), "Length differs from the text", doc);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') Require(i + 1 < text.size() && text[i + 1] == u'\n', "a lone \\r in the document", doc);
    if (text[i] == u'\n') Require(i > 0 && text[i - 1] == u'\r', "a lone \\n in the document", doc);
  }
  for (CharPos pos : {doc.AnchorPos(), doc.CaretPos()}) {
    Require(pos >= 0 && pos <= doc.Length(), "the caret or anchor outside the text", doc);
    Require(!BetweenCrLf(text, pos), "the caret or anchor inside \"\\r\\n\"", doc);
  }
  Require(doc.SelStart() == std::min(doc.AnchorPos(), doc.CaretPos()) &&
              doc.SelLength() == std::max(doc.AnchorPos(), doc.CaretPos()) - doc.SelStart(),
          "SelStart and SelLength disagree with anchor and caret", doc);
  CheckLines(doc, editor.measure);
}

}  // namespace quilmar::fuzz
