// The command box's key handler: Enter runs the line, Escape abandons it, Backspace over the
// leading character leaves the box. The key code is never replaced, so the box still edits.
#include <array>

#include "app/app.hh"
#include "command/parser.hh"

namespace quilmar {

namespace {

using BoxAction = void (*)(App&);

// One key the box reacts to, in the order the codes are compared.
struct BoxKey {
  KeyCode code;
  BoxAction action;
};

void Abandon(App& app) {
  app.txtCmd.SetText(u"");
  app.LeaveCommandBox(true);
}

// Only right after the leading ":" or "/"; elsewhere Backspace just edits the box.
void BackOut(App& app) {
  if (app.txtCmd.SelStart() == 1) app.LeaveCommandBox(true);
}

// The focus goes back first, so a dialog the command opens returns it to the document.
void Run(App& app) {
  app.LeaveCommandBox(false);
  const String line = app.txtCmd.Text();
  ParseCommand(app, line);
}

constexpr std::array<BoxKey, 3> kBoxKeys{{
    {key::Escape, Abandon},
    {key::Back, BackOut},
    {key::Return, Run},
}};

}  // namespace

void App::txtCmd_KeyDown(KeyCode& keyCode, ShiftState) {
  for (const BoxKey& row : kBoxKeys) {
    if (row.code == keyCode) {
      row.action(*this);
      return;
    }
  }
}

}  // namespace quilmar
