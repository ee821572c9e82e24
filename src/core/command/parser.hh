#pragma once
// The command box's line language: a line is recognised first, by a fixed list of tests made in
// order, into the command it asks for; then that command runs.
#include <optional>
#include <variant>

#include "editor/search.hh"
#include "files/editor_files.hh"
#include "text/line_edit.hh"
#include "text/ustring.hh"

namespace quilmar {

// A write: to the document's own file (no name), or to the name after the first space.
struct WriteCommand {
  std::optional<String> name;
  bool override_ = false;
  bool quitAfter = false;
};
struct QuitCommand {
  bool force = false;
};
struct SearchCommand {
  String pattern;
};
// The whole line: the substitution reads its range and texts itself.
struct SubstituteLine {
  String line;
};
// The line without its ":": the go-to-line command judges it itself.
struct GoToLineCommand {
  String text;
};
struct InvalidCommand {};

using Command = std::variant<WriteCommand, QuitCommand, SearchCommand, SubstituteLine, GoToLineCommand,
                             InvalidCommand>;

// Pure: what the line asks for. Nothing is trimmed and letters are never folded.
Command RecogniseCommand(StringView line);

// What the commands work on: the box the line came from, the document, the components that carry
// the commands out (the files' writes and quit, the searches) and the case options.
struct CommandContext {
  LineEdit& txtCmd;
  TextModel& txtMain;
  StatusBarPort& statusBar;
  EditorFiles& files;
  DocumentSearch& search;
  const EditorOptions& options;
};

// Empties the box, then runs what the line asks for.
void ParseCommand(const CommandContext& context, const String& line);

}  // namespace quilmar
