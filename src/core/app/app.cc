// App's wiring and its entry points: how a front end's events reach the handlers.
#include "app/app.hh"

#include <utility>

namespace quilmar {

namespace {

// Menu items and the handler each one runs when clicked (or chosen by its shortcut).
struct MenuHandler {
  MenuItem item;
  void (App::*handler)();
};

constexpr std::array<MenuHandler, 13> kMenuHandlers{{
    {MenuItem::mnuOpen, &App::mnuOpen_Click},
    {MenuItem::mnuSave, &App::mnuSave_Click},
    {MenuItem::mnuSaveAs, &App::mnuSaveAs_Click},
    {MenuItem::mnuClose, &App::mnuClose_Click},
    {MenuItem::mnuPrint, &App::mnuPrint_Click},
    {MenuItem::mnuExit, &App::mnuExit_Click},
    {MenuItem::mnuWordWrap, &App::mnuWordWrap_Click},
    {MenuItem::mnuFindCase, &App::mnuFindCase_Click},
    {MenuItem::mnuReplaceCase, &App::mnuReplaceCase_Click},
    {MenuItem::mnuFonts, &App::mnuFonts_Click},
    {MenuItem::mnuStCmdMode, &App::mnuStCmdMode_Click},
    {MenuItem::mnuAbout, &App::mnuAbout_Click},
    {MenuItem::mnuHelpReference, &App::mnuHelpReference_Click},
}};

// The items that start out checked, before the settings file has had its say.
constexpr std::array<MenuItem, 3> kInitiallyChecked{
    MenuItem::mnuWordWrap, MenuItem::mnuFindCase, MenuItem::mnuReplaceCase};

std::size_t IndexOf(MenuItem item) { return static_cast<std::size_t>(item); }

}  // namespace

App::App(Ports ports_, Measure& measure) : ports(ports_), txtMain(measure) {
  txtMain.Change = [this] { txtMain_Change(); };
  txtMain.SelChange = [this] { txtMain_SelChange(); };
  // The control copies and pastes through the system clipboard, as the mouse shortcuts do:
  // a copy empties the clipboard first, then puts the plain text on it.
  txtMain.SetClipboard([this] { return ports.clipboard.GetText(); },
                       [this](const String& text) {
                         ports.clipboard.Clear();
                         ports.clipboard.SetText(text);
                       });
  for (MenuItem item : kInitiallyChecked) SetChecked(item, true);
}

bool App::Checked(MenuItem item) const { return checks_[IndexOf(item)]; }

void App::SetChecked(MenuItem item, bool checked) {
  checks_[IndexOf(item)] = checked;
  ports.menus.SetChecked(item, checked);
}

// A handler that writes the position panel itself (File Close empties it) has the last word
// over a caret move made earlier in the same event, as it would if each move wrote at once.
void App::SetPanel(int panel, const String& text) {
  if (panel == panel::Position) positionDirty_ = false;
  ports.statusBar.SetPanelText(panel, text);
}

// ---- Entry points. A window that has been closed takes no more events: its handlers have
// run their unload step, and a late key (a script that goes on after ":q") must not edit a
// document whose settings are already written.

void App::Start(const String& commandLine) {
  EventScope scope(*this);
  Form_Load(commandLine);
}

void App::KeyDown(const KeyEvent& key) {
  if (closed_) return;
  EventScope scope(*this);
  if (auto item = MenuItemForShortcut(key.code, key.shift)) {
    MenuClick(*item);
    return;
  }
  KeyCode code = key.code;
  if (ports.focus.Focused() == Control::txtMain) {
    txtMain_KeyDown(code, key.shift);
    if (code == key::Consumed || closed_) return;
    // A handler that replaced the key (the "x" command hands on Delete) did not mean the
    // original key's text to be typed.
    KeyEvent effective{code, key.shift, code == key.code ? key.text : String()};
    txtMain.KeyDown(effective);
  } else {
    txtCmd_KeyDown(code, key.shift);
    if (closed_) return;
    KeyEvent effective{code, key.shift, code == key.code ? key.text : String()};
    ports.txtCmd.ApplyKey(effective);
  }
}

void App::CommitText(const String& text) {
  if (closed_) return;
  EventScope scope(*this);
  if (ports.focus.Focused() == Control::txtMain) {
    // Typed text like any key: in Command mode the document is locked again first, also
    // right after "x", which leaves it unlocked for its own Delete.
    if (CommandMode) txtMain.SetLocked(true);
    txtMain.CommitText(text);  // the control ignores it while Locked
  } else {
    ports.txtCmd.SetSelText(text);
  }
}

void App::MouseUp(int button, ShiftState shift) {
  if (closed_) return;
  EventScope scope(*this);
  txtMain_MouseUp(button, shift);
}

void App::MenuClick(MenuItem item) {
  if (closed_) return;
  EventScope scope(*this);
  for (const auto& entry : kMenuHandlers)
    if (entry.item == item) {
      (this->*entry.handler)();
      return;
    }
}

void App::CloseWindow() {
  if (closed_) return;  // every route closes once: a quit inside a quit is the same close
  EventScope scope(*this);
  closed_ = true;
  Form_Unload();
  ports.window.Close();
}

void App::FlushPositionPanel() {
  // A relayout left pending by this event (word wrap, font, tab stops) is done now: when it
  // moves the caret's line it raises SelChange, and the panel shows the new line at once.
  txtMain.GetLineCount();
  if (!positionDirty_) return;
  positionDirty_ = false;
  const CharPos caret = txtMain.SelStart();
  const std::int32_t line = txtMain.LineFromChar(caret);
  const std::int32_t column = caret - txtMain.LineIndex(line);
  SetPanel(panel::Position,
           u"Ln# " + Decimal(line) + u" : Char# " + Decimal(column) + u" ");
}

}  // namespace quilmar
