#pragma once
// The ":" line-number command.
#include <optional>
#include <string_view>
#include <variant>

#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

// Why a line-number argument was refused: the text for the message panel.
struct GotoRefusal {
  std::string_view message;
};

// Reads the argument of ":" (the line without its colon) into a line number, before the
// document is consulted: refused characters first, then the length. Blanks between digits are
// skipped and reading stops at the first other character.
std::variant<LineNo, GotoRefusal> ReadLineNumber(StringView argument);

// Puts the caret at the start of the line the argument names, or says why it cannot.
void GotoLine(TextModel& txtMain, StatusBarPort& statusBar, const String& argument);

}  // namespace quilmar
