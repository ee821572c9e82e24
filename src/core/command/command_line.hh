#pragma once
// The command line: the box (txtCmd) and its keys, entered from the document's keys with ":"
// or "/" and left by its own; Enter hands the line to the parser, which runs it on the components
// that carry commands out (the files, the searches).
#include "app/editor_mode.hh"
#include "command/parser.hh"
#include "text/line_edit.hh"

namespace quilmar {

class CommandLine {
 public:
  CommandLine(TextModel& document, StatusBarPort& statusBar, FocusPort& focus, EditorMode& mode, EditorFiles& files,
              DocumentSearch& search, const EditorOptions& options);

  // The box, for the events the editor hands it (keys, typed text, selections, pastes).
  LineEdit& Box() { return txtCmd; }
  const LineEdit& Box() const { return txtCmd; }

  // Puts the leading ":" or "/" in the box, the caret after it, and the focus there.
  void OpenCommandBox(const String& leader, ModeText modeText);
  // The focus back to the document; the mode panel emptied when asked.
  void LeaveCommandBox(bool clearModePanel);
  // Enter, Escape and Backspace; the box itself acts on every key afterwards.
  void txtCmd_KeyDown(KeyCode keyCode, ShiftState shift);

 private:
  friend struct AppTestAccess;
  CommandContext Commands() { return CommandContext{txtCmd, txtMain_, statusBar_, files_, search_, options_}; }

  LineEdit txtCmd;
  TextModel& txtMain_;
  StatusBarPort& statusBar_;
  FocusPort& focus_;
  EditorMode& mode_;
  EditorFiles& files_;
  DocumentSearch& search_;
  const EditorOptions& options_;
};

}  // namespace quilmar
