// SubstituteCommand against a slow reference that follows the substitution rules step by
// step, as the command was first described: the line read one character at a time, the range
// checked in its fixed order, and then one Find and one SelText per occurrence, moving the
// search position past each inserted text and the range's end by the change in length.
// Both run on their own editor, set up alike; afterwards text, selection, SearchPos, the
// message and TextChanged must agree.
#include <optional>
#include <string>

#include "app/app.hh"
#include "app_test_access.hh"
#include "app/like_match.hh"
#include "command/substitute.hh"
#include "fuzz_text.hh"
#include "headless_editor.hh"
#include "memory_file_system.hh"

namespace {

using namespace quilmar;
using quilmar::fuzz::Show;

constexpr StringView kStartRefused = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz~!@#$%^&*()`':;.<>/?\\|}{_+=-";
constexpr StringView kEndRefused = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrtuvwxyz~!@#$%^&*()`':;,.<>/?\\|}{_+=-";

bool In(StringView set, char16_t c) { return set.find(c) != StringView::npos; }

// Reads an escaped text from `i` to the next unescaped "/" or the end of the line.
String ReadText(StringView line, std::size_t& i) {
  String text;
  while (i < line.size()) {
    const char16_t c = line[i++];
    if (c == u'/') break;
    if (c != u'\\') {
      text += c;
    } else if (i < line.size()) {
      const char16_t e = line[i++];
      text += e == u'n' ? String(u"\r\n") : e == u't' ? String(u"\t") : String(1, e);
    }
  }
  return text;
}

// Spaces around the digits are ignored; anything else makes it no number.
std::optional<long long> Number(StringView text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  long long n = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  return n;
}

void Message(App& app, const char* text) { AppTestAccess::Files(app).ports.statusBar.SetPanelText(1, Ascii(text)); }

void SlowReplaceInRange(App& app, const String& oldText, const String& newText, CharPos startPos,
                        CharPos endPos, bool caseSensitive) {
  TextModel& doc = AppTestAccess::Document(app);
  long long count = 0;
  CharPos& searchPos = AppTestAccess::SearchPos(app);
  searchPos = startPos;
  for (;;) {
    if (searchPos > endPos) return;
    // Taken literally, an empty old text is found at every resume point and the loop never
    // ends; the editor counts no occurrence of it, and so does this reference.
    if (oldText.empty()) break;
    const std::optional<CharPos> found = doc.Find(oldText, searchPos, endPos, caseSensitive ? FindOptions::MatchCase : FindOptions::None);
    if (!found) break;
    searchPos = *found + static_cast<std::int32_t>(newText.size());
    ++count;
    endPos += static_cast<std::int32_t>(newText.size()) - static_cast<std::int32_t>(doc.SelText().size());
    doc.SetSelText(newText);
    if (count > 100000) fuzz::Fail("the step-by-step replacement does not end");
  }
  AppTestAccess::Files(app).ports.statusBar.SetPanelText(1, Decimal(count) + Ascii(" Replacments"));
  searchPos = 0;
}

void SlowSubstituteCommand(App& app, StringView line) {
  std::size_t i = 1;
  String startText, endText;
  for (;; ++i) {
    if (i >= line.size()) return Message(app, "Invalid command");
    if (In(kStartRefused, line[i])) return Message(app, "Invalid command");
    if (line[i] == u',') break;
    startText += line[i];
  }
  for (++i;; ++i) {
    if (i >= line.size()) return Message(app, "Invalid command");
    if (In(kEndRefused, line[i])) return Message(app, "Invalid command");
    if (line[i] == u's') break;
    endText += line[i];
  }
  std::size_t at = line.find(u'/') + 1;
  const String oldText = ReadText(line, at);
  const String newText = ReadText(line, at);

  if (endText.size() > 9) return Message(app, "Invalid End position");
  if (startText.size() > 9) return Message(app, "Invalid start position");
  const auto end = Number(endText);
  if (!end) return Message(app, "Invalid End position");
  const auto start = Number(startText);
  if (!start) return Message(app, "Invalid start position");
  long long endLine = *end;
  const long long lastLine = (app.Document().GetLineCount() - 1).value();
  if (endLine > lastLine)
    endLine = lastLine;
  else if (endLine == 0)
    return Message(app, "Invalid End position");
  if (*start > endLine) return Message(app, "Invalid start position");
  const CharPos endIndex = *app.Document().LineIndex(static_cast<std::int32_t>(endLine));
  const CharPos endPos = endIndex + app.Document().LineLength(endIndex);
  const CharPos startPos = *app.Document().LineIndex(static_cast<std::int32_t>(*start));
  SlowReplaceInRange(app, oldText, newText, startPos, endPos, app.Checked(MenuItem::mnuReplaceCase));
}

// One editor as the input sets it up.
struct Setup {
  String document;
  CharPos anchor = 0, caret = 0;
  bool replaceCase = true;
  bool wordWrap = true;
  int cols = 80;
};

struct Rig {
  headless::MemoryFileSystem fs;
  headless::HeadlessEditor editor{fs};
  App& app = editor.app;

  explicit Rig(const Setup& s) {
    app.Dispatch(StartEvent{String()});
    editor.measure.Resize(s.cols, 25);
    if (!s.wordWrap) app.Dispatch(MenuClickEvent{MenuItem::mnuWordWrap});
    AppTestAccess::Document(app).Relayout();
    AppTestAccess::Document(app).SetText(s.document);
    AppTestAccess::Document(app).Select(s.anchor, s.caret);
    AppTestAccess::Checks(app).SetChecked(MenuItem::mnuReplaceCase, s.replaceCase);
    AppTestAccess::Files(app).state.TextChanged = false;
    AppTestAccess::SearchPos(app) = 7;  // some earlier search's position
  }
};

constexpr StringView kDocumentAlphabet = u"aAbBaa \r\n\t,.s/\\xyz";
constexpr StringView kLineAlphabet = u"0123456789012 ,,sss///\\\\ntaAbBx. \r\"";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  Setup setup;
  setup.replaceCase = in.ConsumeBool();
  setup.wordWrap = in.ConsumeBool();
  setup.cols = in.ConsumeIntegralInRange(1, 12);
  setup.anchor = in.ConsumeIntegralInRange(-1, 300);
  setup.caret = in.ConsumeIntegralInRange(-1, 300);
  const String line = u":" + fuzz::ConsumeText(in, 40, kLineAlphabet);
  setup.document = fuzz::TextFromBytes(in.ConsumeRemainingBytesAsString(), kDocumentAlphabet);

  Rig real(setup), slow(setup);
  SubstituteCommand(AppTestAccess::Document(real.app), AppTestAccess::SearchPos(real.app), real.editor.statusBar,
                    real.app.Checked(MenuItem::mnuReplaceCase), line);
  // The parser hands over only lines of this form, and the command box never holds a control
  // character (a lone "\r" could otherwise be sought, half of a line break); other lines are
  // run for crashes alone.
  if (!LikeMatch(line, u":#*,#*s[/]*[/]*/")) return 0;
  for (char16_t c : line)
    if (c < 0x20) return 0;
  SlowSubstituteCommand(slow.app, line);

  const TextModel& a = real.app.Document();
  const TextModel& b = slow.app.Document();
  auto state = [](const Rig& rig) {
    const App& app = rig.app;
    return "text " + Show(app.Document().Text()) + " sel " + std::to_string(app.Document().SelStart().value()) + "+" +
           std::to_string(app.Document().SelLength().value()) + " SearchPos " + std::to_string(app.Search().SearchPos().value()) +
           " message " + Show(rig.editor.statusBar.Panel(1)) + " changed " +
           (app.Files().TextChanged() ? "yes" : "no");
  };
  const bool same = a.Text() == b.Text() && a.SelStart() == b.SelStart() && a.SelLength() == b.SelLength() &&
                    AppTestAccess::SearchPos(real.app) == slow.app.Search().SearchPos() &&
                    real.editor.statusBar.Panel(1) == slow.editor.statusBar.Panel(1) &&
                    real.app.Files().TextChanged() == slow.app.Files().TextChanged();
  if (!same)
    fuzz::Fail("SubstituteCommand differs from the step-by-step reference",
               "line " + Show(line) + "\ndocument " + Show(setup.document) + "\nreal: " + state(real) +
                   "\nslow: " + state(slow));
  return 0;
}
