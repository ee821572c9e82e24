// App's wiring and its one entry point: how a front end's events reach the handlers.
#include "app/app.hh"
#include "text/vector_state.hh"

#include <optional>
#include <utility>

namespace quilmar {

namespace {

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
    const char16_t* operator()(const IdleEvent&) const { return u"the layout"; }
  };
  return std::visit(Names{}, event);
}

// Counts an event as over however it ends.
struct DepthExit {
  int& depth;
  ~DepthExit() { --depth; }
};

}  // namespace

// Each menu item and the handler it runs when clicked (or chosen by its shortcut), one row per
// item in the order of the menu table; the compiler checks that they line up.
struct MenuHandlerTable {
  using Handler = void (*)(App&);
  struct Row {
    MenuItem item;
    Handler handler;
  };
  static constexpr std::array<Row, kMenuItems.size()> kRows{{
      {MenuItem::mnuOpen, [](App& app) { app.files.mnuOpen_Click(); }},
      {MenuItem::mnuSave, [](App& app) { app.files.mnuSave_Click(); }},
      {MenuItem::mnuSaveAs, [](App& app) { app.files.mnuSaveAs_Click(); }},
      {MenuItem::mnuClose, [](App& app) { app.files.mnuClose_Click(); }},
      {MenuItem::mnuPrint, [](App& app) { app.files.mnuPrint_Click(); }},
      {MenuItem::mnuExit, [](App& app) { app.mnuExit_Click(); }},
      {MenuItem::mnuWordWrap, [](App& app) { app.options.mnuWordWrap_Click(); }},
      {MenuItem::mnuFindCase, [](App& app) { app.options.mnuFindCase_Click(); }},
      {MenuItem::mnuReplaceCase, [](App& app) { app.options.mnuReplaceCase_Click(); }},
      {MenuItem::mnuFonts, [](App& app) { app.options.mnuFonts_Click(); }},
      {MenuItem::mnuStCmdMode, [](App& app) { app.options.mnuStCmdMode_Click(); }},
      {MenuItem::mnuAbout, [](App& app) { app.mnuAbout_Click(); }},
      {MenuItem::mnuHelpReference, [](App& app) { app.mnuHelpReference_Click(); }},
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
    : ports(ports_),
      txtMain(measure),
      panels(txtMain, ports_.statusBar),
      policy_(txtMain, [this](const String& message) { panels.SetPanelText(panel::Message, message); }),
      mode(txtMain, panels),
      search(txtMain, panels),
      options(txtMain, ports_.menus, ports_.dialogs),
      files(txtMain,
            FilePorts{ports_.fs, ports_.messageBox, ports_.dialogs, ports_.windows, panels, ports_.window,
                      ports_.printer},
            options, mode, [this] { CloseWindow(); }),
      commandLine(txtMain, panels, ports_.focus, mode, files, search, options) {
  txtMain.AddObserver(this);
  // Both controls copy and paste through the system clipboard, as the mouse shortcuts do:
  // a copy empties the clipboard first, then puts the plain text on it.
  auto get = [this] { return ports.clipboard.GetText(); };
  auto set = [this](const String& text) {
    ports.clipboard.Clear();
    ports.clipboard.SetText(text);
  };
  txtMain.SetClipboard(get, set);
  commandLine.Box().SetClipboard(get, set);
}

// Loads are no edits of the user's: they leave no unsaved change.
void App::TextChanged(TextCause cause) {
  if (cause == TextCause::Edit) txtMain_Change();
}

// A relayout (Word Wrap, a font, a new width) can move the caret to another laid-out line
// without moving it in the text: the position panel follows, once per event.
void App::LayoutChanged() {
  panels.LayoutMoved();
  if (eventDepth_ == 0) panels.FlushPosition();
}

void App::TextEdited(CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms) {
  files.Edited(start, CharPos(removed.size()), inserted, forms);
}

// An assignment of the whole text is logged as one edit of all of it; a load is no edit.
void App::TextReplaced(TextCause cause, CharPos removed) {
  if (cause == TextCause::Edit) files.Edited(0, removed, txtMain.Share(0, txtMain.Length()), {});
}

// ---- The entry point. A window that has been closed takes no more events: its handlers have
// run their unload step, and a late key (a script that goes on after ":q") must not edit a
// document whose settings are already written.

void App::Dispatch(const Event& event) {
  if (closed_) return;
  // The event counts as running until its failure, if any, has been dealt with: the caret a
  // rollback moves is shown by the settling below, not written on its own.
  ++eventDepth_;
  const DepthExit leave{eventDepth_};
  const bool outermost = eventDepth_ == 1;
  // Code in the window's libraries leaves the vector registers' upper halves dirty between
  // events; the core's SSE loops would run slower for the whole event (see vector_state.hh).
  if (outermost) ClearVectorUpperHalves();
  const auto handle = [&] {
    // A resize lays the first screen out again and leaves the rest for later, as a load does;
    // closing changes no text and asks about no line.
    if (outermost && !std::holds_alternative<IdleEvent>(event) && !std::holds_alternative<ViewResizedEvent>(event) &&
        !std::holds_alternative<CloseEvent>(event))
      FinishLayout();
    std::visit([this](const auto& e) { Handle(e); }, event);
  };
  // What is due when the outermost event is over, also after a failure.
  const auto settle = [&] {
    if (!outermost) return;
    panels.FlushPosition();
    if (!closed_)
      if (std::optional<String> failed = files.AfterEvent()) panels.SetPanelText(panel::Message, *failed);
  };
  policy_.Run(DefaultDoing(event), handle, settle);
}

void App::Handle(const StartEvent& e) { Form_Load(e.commandLine); }

void App::Handle(const IdleEvent& e) {
  if (txtMain.ContinueLayout(e.units)) files.LaidOut();
}

void App::FinishLayout() {
  if (txtMain.LayoutPending()) txtMain.ContinueLayout(0);
  files.LaidOut();
}

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
    commandLine.txtCmd_KeyDown(key.code, key.shift);
    if (closed_) return;
    commandLine.Box().KeyDown(key);
  }
}

void App::Handle(const CommitTextEvent& e) {
  if (ports.focus.Focused() == Control::txtMain) {
    // Typed text like any key: in Command mode the document is locked again first, also
    // right after "x", which leaves it unlocked for its own Delete.
    mode.Relock();
    txtMain.CommitText(e.text);  // the control ignores it while Locked
  } else {
    commandLine.Box().SetSelText(e.text);
  }
}

void App::Handle(const MouseUpEvent& e) { txtMain_MouseUp(e.button, e.shift); }

void App::Handle(const SelectEvent& e) { txtMain.Select(e.anchor, e.caret); }

void App::Handle(const SelectInBoxEvent& e) { commandLine.Box().Select(e.anchor, e.caret); }

void App::Handle(const MenuClickEvent& e) { MenuClick(e.item); }

void App::Handle(const ViewResizedEvent&) { txtMain.Relayout(); }

void App::Handle(const CloseEvent&) { CloseWindow(); }

void App::MenuClick(MenuItem item) { MenuHandlerTable::For(item)(*this); }

void App::CloseWindow() {
  if (closed_) return;  // every route closes once: a quit inside a quit is the same close
  closed_ = true;
  // A close that fails on the way (its failure is the event's) leaves the window open and
  // taking events, to be closed again.
  struct Reopen {
    bool& closed;
    bool done = false;
    ~Reopen() {
      if (!done) closed = false;
    }
  } reopen{closed_};
  Form_Unload();
  // Unsaved work is on disk before the window goes (":q!" cleared it first).
  files.FlushRecord();
  ports.window.Close();
  reopen.done = true;
}

}  // namespace quilmar
