#pragma once
// The ":start,ends/old/new/" command.
#include <optional>
#include <string_view>
#include <variant>

#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

// The pieces of a substitution line: the two line numbers as typed, the two texts with their
// escapes resolved.
struct SubstitutionParts {
  String startText;
  String endText;
  String oldText;
  String newText;
};

// Reads a line of the form ":start,ends/old/new/". A letter or mark in either number, or a line
// that lacks the ",", the "s" or the "/": std::nullopt ("Invalid command").
std::optional<SubstitutionParts> ReadSubstitution(StringView line);

// The lines a substitution works on, both included.
struct LineRange {
  LineNo start = 0;
  LineNo end = 0;
};

// Why a range was refused: the text for the message panel.
struct RangeRefusal {
  std::string_view message;
};

// Checks the two numbers against a document whose last line is `lastLine`; an end beyond it
// is brought down to it.
std::variant<LineRange, RangeRefusal> CheckRange(const SubstitutionParts& parts, LineNo lastLine);

// Reads the line, checks its range and replaces in it; SearchPos is the search's shared position,
// which the replacing uses as its own and leaves at 0.
void SubstituteCommand(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, bool ReplaceCase,
                       const String& line);
void ReplaceInRange(TextModel& txtMain, CharPos& SearchPos, StatusBarPort& statusBar, const String& OldText,
                    const String& NewText, CharPos StartPos, CharPos EndPos, bool CaseSensitive);

}  // namespace quilmar
