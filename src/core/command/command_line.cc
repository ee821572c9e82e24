// The command box's key handler: Enter runs the line, Escape abandons it, Backspace over the
// leading character leaves the box. The box then acts on every key itself as well.
#include "command/command_line.hh"

#include <array>
#include <functional>

namespace quilmar {

namespace {

// What the box's keys act on.
struct BoxContext {
  LineEdit& txtCmd;
  std::function<void(bool clearModePanel)> leave;
  CommandContext commands;
};

using BoxAction = void (*)(BoxContext&);

// One key the box reacts to, in the order the codes are compared.
struct BoxKey {
  KeyCode code;
  BoxAction action;
};

void Abandon(BoxContext& box) {
  box.txtCmd.SetText(u"");
  box.leave(true);
}

// Only right after the leading ":" or "/"; elsewhere Backspace just edits the box.
void BackOut(BoxContext& box) {
  if (box.txtCmd.SelStart() == 1) box.leave(true);
}

// The focus goes back first, so a dialog the command opens returns it to the document.
void Run(BoxContext& box) {
  box.leave(false);
  const String line = box.txtCmd.Text();
  ParseCommand(box.commands, line);
}

constexpr std::array<BoxKey, 3> kBoxKeys{{
    {key::Escape, Abandon},
    {key::Back, BackOut},
    {key::Return, Run},
}};

}  // namespace

CommandLine::CommandLine(TextModel& document, StatusBarPort& statusBar, FocusPort& focus, EditorMode& mode,
                         EditorFiles& files, DocumentSearch& search, const EditorOptions& options)
    : txtMain_(document),
      statusBar_(statusBar),
      focus_(focus),
      mode_(mode),
      files_(files),
      search_(search),
      options_(options) {}

void CommandLine::OpenCommandBox(const String& leader, ModeText modeText) {
  mode_.Show(modeText);
  txtCmd.SetText(leader);
  focus_.SetFocus(Control::txtCmd);
  txtCmd.SetSelStart(1);
}

void CommandLine::LeaveCommandBox(bool clearModePanel) {
  if (clearModePanel) mode_.Show(ModeText::None);
  focus_.SetFocus(Control::txtMain);
}

void CommandLine::txtCmd_KeyDown(KeyCode keyCode, ShiftState) {
  for (const BoxKey& row : kBoxKeys) {
    if (row.code == keyCode) {
      BoxContext box{txtCmd, [this](bool clearModePanel) { LeaveCommandBox(clearModePanel); }, Commands()};
      row.action(box);
      return;
    }
  }
}

}  // namespace quilmar
