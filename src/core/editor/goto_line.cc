#include "editor/goto_line.hh"

#include "app/panels.hh"
#include "app/like_match.hh"
#include "app/line_geometry.hh"

namespace quilmar {

namespace {

// Letters and the marks that make an argument no line number at all.
constexpr StringView kRefusedClass = u"[A-Za-z~!@#$%^&*()`':;.<>/?\\|}{_+=-]";
constexpr std::size_t kMaxDigits = 9;  // keeps every accepted number within 32 bits

constexpr GotoRefusal kInvalidCommand{"Invalid command"};
constexpr GotoRefusal kInvalidLineNumber{"Invalid line number"};

bool IsRefused(char16_t c) { return LikeMatch(StringView(&c, 1), kRefusedClass); }

}  // namespace

std::variant<LineNo, GotoRefusal> ReadLineNumber(StringView argument) {
  for (char16_t c : argument)
    if (IsRefused(c)) return kInvalidCommand;
  if (argument.size() > kMaxDigits) return kInvalidLineNumber;
  LineNo number = 0;
  for (char16_t c : argument) {
    if (c == u' ' || c == u'\t') continue;
    if (c < u'0' || c > u'9') break;
    number = number * 10 + (c - u'0');
  }
  return number;
}

void GotoLine(TextModel& txtMain, StatusBarPort& statusBar, const String& argument) {
  const auto read = ReadLineNumber(argument);
  if (const auto* refusal = std::get_if<GotoRefusal>(&read)) {
    statusBar.SetPanelText(panel::Message, Ascii(refusal->message));
    return;
  }
  const LineNo line = std::get<LineNo>(read);
  if (line < 0 || line > GetLineCount(txtMain) - 1) {
    statusBar.SetPanelText(panel::Message, Ascii(kInvalidLineNumber.message));
    return;
  }
  txtMain.SetSelStart(LineIndex(txtMain, line).value());
}

}  // namespace quilmar
