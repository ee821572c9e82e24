// App's wiring and its one entry point: how a front end's events reach the handlers, and what
// a failure does.
#include "app/app.hh"

#include "app/doing.hh"

#include <exception>
#include <new>
#include <optional>
#include <utility>

namespace quilmar {

namespace {

// The items that start out checked, before the settings file has had its say.
constexpr std::array<MenuItem, 3> kInitiallyChecked{
    MenuItem::mnuWordWrap, MenuItem::mnuFindCase, MenuItem::mnuReplaceCase};

// What an event was doing when memory ran out, unless a handler said more precisely.
const char16_t* DefaultDoing(const Event& event) {
  struct Names {
    const char16_t* operator()(const StartEvent&) const { return u"the start"; }
    const char16_t* operator()(const KeyDownEvent&) const { return u"this key"; }
    const char16_t* operator()(const CommitTextEvent&) const { return u"the typed text"; }
    const char16_t* operator()(const MouseUpEvent&) const { return u"the paste"; }
    const char16_t* operator()(const SelectEvent&) const { return u"the selection"; }
    const char16_t* operator()(const SelectInBoxEvent&) const { return u"the selection"; }
    const char16_t* operator()(const MenuClickEvent&) const { return u"this command"; }
    const char16_t* operator()(const ViewResizedEvent&) const { return u"the layout"; }
    const char16_t* operator()(const CloseEvent&) const { return u"closing"; }
  };
  return std::visit(Names{}, event);
}

}  // namespace

// Each menu item and the handler it runs when clicked (or chosen by its shortcut), one row per
// item in the order of the menu table; the compiler checks that they line up.
struct MenuHandlerTable {
  using Handler = void (App::*)();
  struct Row {
    MenuItem item;
    Handler handler;
  };
  static constexpr std::array<Row, kMenuItems.size()> kRows{{
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
  static constexpr bool InItemOrder() {
    for (std::size_t i = 0; i < kRows.size(); ++i)
      if (kRows[i].item != kMenuItems[i].item) return false;
    return true;
  }
  static Handler For(MenuItem item) { return kRows[static_cast<std::size_t>(item)].handler; }
};
static_assert(MenuHandlerTable::InItemOrder());

App::App(Ports ports_, Measure& measure)
    : ports(ports_), txtMain(measure), mode(txtMain, ports_.statusBar), checks(ports_.menus), recovery(ports_.fs) {
  txtMain.AddObserver(this);
  // Both controls copy and paste through the system clipboard, as the mouse shortcuts do:
  // a copy empties the clipboard first, then puts the plain text on it.
  auto get = [this] { return ports.clipboard.GetText(); };
  auto set = [this](const String& text) {
    ports.clipboard.Clear();
    ports.clipboard.SetText(text);
  };
  txtMain.SetClipboard(get, set);
  txtCmd.SetClipboard(get, set);
  for (MenuItem item : kInitiallyChecked) checks.SetChecked(item, true);
  caretShown_ = PositionText();
}

// Loads are no edits of the user's: they leave no unsaved change.
void App::TextChanged(TextCause cause) {
  if (cause == TextCause::Edit) txtMain_Change();
}

// A relayout (Word Wrap, a font, a new width) can move the caret to another laid-out line
// without moving it in the text: the position panel follows, once per event.
void App::LayoutChanged() {
  layoutMoved_ = true;
  if (eventDepth_ == 0) FlushPositionPanel();
}

void App::TextEdited(CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms) {
  recovery.Edited(RecordSource(), start, CharPos(removed.size()), inserted, forms);
}

// An assignment of the whole text is logged as one edit of all of it; a load is no edit.
void App::TextReplaced(TextCause cause, CharPos removed) {
  if (cause == TextCause::Edit) recovery.Edited(RecordSource(), 0, removed, txtMain.Share(0, txtMain.Length()), {});
}

SettingsContext App::Settings() { return SettingsContext{ports.fs, checks, CommonDialog1, txtMain, modHeader}; }

FileContext App::Files() {
  return FileContext{ports.fs,   ports.messageBox, ports.dialogs, ports.windows, ports.statusBar,
                     ports.window, txtMain,        modHeader,     CommonDialog1, file,
                     recovery,   Settings(),       [this] { CloseWindow(); }};
}

CommandContext App::Commands() { return CommandContext{txtCmd, Files(), checks}; }

// A handler that writes the position panel itself (File Close empties it) has the last word
// over a caret move made earlier in the same event, as it would if each move wrote at once.
void App::SetPanel(int panel, const String& text) {
  if (panel == panel::Position) {
    positionDirty_ = false;
    caretShown_ = PositionText();
  }
  ports.statusBar.SetPanelText(panel, text);
}

// ---- The entry point. A window that has been closed takes no more events: its handlers have
// run their unload step, and a late key (a script that goes on after ":q") must not edit a
// document whose settings are already written.

void App::Dispatch(const Event& event) {
  if (closed_) return;
  ++eventDepth_;
  const TextModel::Checkpoint before = txtMain.MakeCheckpoint();
  Doing::TakeFailed();
  try {
    std::visit([this](const auto& e) { Handle(e); }, event);
  } catch (const std::bad_alloc&) {
    // What the event was doing is dropped whole: its edits are undone and forgotten, so the
    // document is as it was before the key, the paste or the substitution.
    const char16_t* failed = Doing::TakeFailed();
    const char16_t* what = failed ? failed : DefaultDoing(event);
    try {
      txtMain.RollBack(before);
      SetPanel(panel::Message, u"Err: not enough memory for " + String(what));
    } catch (...) {
      // Nothing more can be done without memory; the next event finds the state as it is.
    }
  } catch (const std::exception& error) {
    SetPanel(panel::Message, u"Err: " + FromUtf8(error.what()));
  }
  if (--eventDepth_ == 0) {
    try {
      FlushPositionPanel();
      if (!closed_)
        if (std::optional<String> failed = recovery.AfterEvent(RecordSource())) SetPanel(panel::Message, *failed);
    } catch (const std::exception&) {
    }
  }
}

void App::Handle(const StartEvent& e) { Form_Load(e.commandLine); }

void App::Handle(const KeyDownEvent& e) {
  const KeyEvent& key = e.key;
  if (auto item = MenuItemForShortcut(key.code, key.shift)) {
    MenuClick(*item);
    return;
  }
  if (ports.focus.Focused() == Control::txtMain) {
    // A command is one step of the document's history, however many edits it makes ("dd"
    // deletes the line, then its break; "p" puts a break, then the text; each "x" is a step
    // of its own although it acts as Delete). Keys typed in Insert mode merge as the control
    // merges them.
    std::optional<TextModel::UndoGroup> command;
    if (mode.CommandMode()) command.emplace(txtMain);
    const std::optional<KeyCode> code = txtMain_KeyDown(key.code, key.shift);
    if (!code || closed_) return;
    // A handler that replaced the key did not mean the original key's text to be typed.
    txtMain.KeyDown(*code == key.code ? key : KeyEvent{*code, key.shift, String()});
  } else {
    // The box's handler never replaces the key: the box always acts on it as well, also on
    // the key that made the focus leave it.
    txtCmd_KeyDown(key.code, key.shift);
    if (closed_) return;
    txtCmd.KeyDown(key);
  }
}

void App::Handle(const CommitTextEvent& e) {
  if (ports.focus.Focused() == Control::txtMain) {
    // Typed text like any key: in Command mode the document is locked again first, also
    // right after "x", which leaves it unlocked for its own Delete.
    mode.Relock();
    txtMain.CommitText(e.text);  // the control ignores it while Locked
  } else {
    txtCmd.SetSelText(e.text);
  }
}

void App::Handle(const MouseUpEvent& e) { txtMain_MouseUp(e.button, e.shift); }

void App::Handle(const SelectEvent& e) { txtMain.Select(e.anchor, e.caret); }

void App::Handle(const SelectInBoxEvent& e) { txtCmd.Select(e.anchor, e.caret); }

void App::Handle(const MenuClickEvent& e) { MenuClick(e.item); }

void App::Handle(const ViewResizedEvent&) { txtMain.Relayout(); }

void App::Handle(const CloseEvent&) { CloseWindow(); }

void App::MenuClick(MenuItem item) { (this->*MenuHandlerTable::For(item))(); }

void App::CloseWindow() {
  if (closed_) return;  // every route closes once: a quit inside a quit is the same close
  closed_ = true;
  Form_Unload();
  // Unsaved work is on disk before the window goes (":q!" cleared it first).
  recovery.Flush(RecordSource());
  ports.window.Close();
}

String App::PositionText() const {
  const CharPos caret = txtMain.SelStart();
  const LineNo line = txtMain.LineFromChar(caret);
  const CharPos column = caret - txtMain.LineIndex(line).value_or(0);
  return u"Ln# " + Decimal(line) + u" : Char# " + Decimal(column) + u" ";
}

// A caret move always writes the panel; a relayout only when it moved the caret's line or
// column (so a panel File Close emptied stays empty through a resize).
void App::FlushPositionPanel() {
  // A relayout left pending by the event (word wrap, a font, tab stops) is done first; when it
  // moves the caret's line it tells SelectionChanged, which is then counted here, not flushed apart.
  ++eventDepth_;
  txtMain.UpdateLayout();
  --eventDepth_;
  if (!positionDirty_ && !layoutMoved_) return;
  const bool caretMoved = positionDirty_;
  positionDirty_ = layoutMoved_ = false;
  const String text = PositionText();
  if (!caretMoved && text == caretShown_) return;
  SetPanel(panel::Position, text);
}

}  // namespace quilmar
