// frmMain's own handlers: start-up, shut-down, the document's Change, SelChange and MouseUp,
// and the mode entries the key handlers use.
#include "app/app.hh"
#include "app/options.hh"
#include "files/open_file.hh"
#include "files/recovery_offer.hh"
#include "files/settings.hh"

namespace quilmar {

namespace {

// The dialogs' one filter. It must hide nothing: a "*.*" pattern would hide names without a
// dot on this platform, so every name matches "*".
constexpr char16_t kDialogFilter[] = u"All (*)";

}  // namespace

void App::Form_Load(const String& commandLine) {
  // The front end creates the five status panels with their layouts, so nothing to add here.
  modHeader.TextChanged = false;
  CommonDialog1.Filter = kDialogFilter;
  CommonDialog1.CancelError = true;
  options.SetDefaults();
  LoadSettings(Settings());
  options.ApplyTabStops();
  options.ShowCmdStart();
  mode.Start(options.CmdStart());
  // The argument is one path exactly as passed: not split, trimmed or unquoted.
  if (!commandLine.empty()) {
    modHeader.CurrentFile = commandLine;
    OpenFile(Files(), commandLine);
  } else {
    OfferRecords(Files(), std::nullopt);  // unsaved work of a new document, from a run that ended
  }
}

void App::Form_Unload() { SaveSettings(Settings()); }

void App::txtMain_Change() { modHeader.TextChanged = true; }

// The position panel is written when the event that moved the caret ends: a command that
// moves it a thousand times writes it once. Outside any event (a front end moving the caret
// on its own) it is written at once.
void App::txtMain_SelChange() {
  positionDirty_ = true;
  if (eventDepth_ == 0) FlushPositionPanel();
}

void App::txtMain_MouseUp(int button, ShiftState) {
  const bool inDocument = ports.focus.Focused() == Control::txtMain;
  if (button == mouse::Left) {
    const String selected = inDocument ? txtMain.SelText() : txtCmd.SelText();
    if (selected.empty()) return;
    ports.clipboard.Clear();
    ports.clipboard.SetText(selected);
  } else if (button == mouse::Right || button == mouse::Middle) {
    const String pasted = ports.clipboard.GetText();
    if (inDocument)
      txtMain.SetSelText(pasted);  // an assignment: works while Locked, raises Change
    else
      txtCmd.SetSelText(pasted);
  }
}

void App::OpenCommandBox(const String& leader, ModeText modeText) {
  mode.Show(modeText);
  txtCmd.SetText(leader);
  ports.focus.SetFocus(Control::txtCmd);
  txtCmd.SetSelStart(1);
}

void App::LeaveCommandBox(bool clearModePanel) {
  if (clearModePanel) mode.Show(ModeText::None);
  ports.focus.SetFocus(Control::txtMain);
}

}  // namespace quilmar
