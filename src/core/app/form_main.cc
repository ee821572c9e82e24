// frmMain's own handlers: start-up, shut-down, and the document's Change, SelChange and
// MouseUp.
#include "app/app.hh"

namespace quilmar {

// The front end creates the five status panels with their layouts, so nothing to add here.
void App::Form_Load(const String& commandLine) {
  files.PrepareDialogs();
  options.SetDefaults();
  files.LoadSettings();
  options.ApplyTabStops();
  options.ShowCmdStart();
  mode.Start(options.CmdStart());
  files.OpenAtStart(commandLine);
}

void App::Form_Unload() { files.SaveSettings(); }

void App::txtMain_Change() { files.txtMain_Change(); }

// The position panel is written when the event that moved the caret ends: a command that
// moves it a thousand times writes it once. Outside any event (a front end moving the caret
// on its own) it is written at once.
void App::txtMain_SelChange() {
  panels.CaretMoved();
  if (eventDepth_ == 0) panels.FlushPosition();
}

void App::txtMain_MouseUp(int button, ShiftState) {
  const bool inDocument = ports.focus.Focused() == Control::txtMain;
  if (button == mouse::Left) {
    const String selected = inDocument ? txtMain.SelText() : commandLine.Box().SelText();
    if (selected.empty()) return;
    ports.clipboard.Clear();
    ports.clipboard.SetText(selected);
  } else if (button == mouse::Right || button == mouse::Middle) {
    const String pasted = ports.clipboard.GetText();
    if (inDocument)
      txtMain.SetSelText(pasted);  // an assignment: works while Locked, raises Change
    else
      commandLine.Box().SetSelText(pasted);
  }
}

}  // namespace quilmar
