#pragma once
// The editor as one: it owns the components, each the only keeper of its own state (the document,
// the mode, the searches, the options and menu marks, the files, the command line, the status
// line), wires them to the ports, and hands each event to the component whose handler it is, under
// the one failure policy. What is left here is frmMain's own: start-up and shut-down, the
// document's keys and mouse, the Help menu and the close.

#include "app/editor_mode.hh"
#include "app/event.hh"
#include "app/failure_policy.hh"
#include "app/options.hh"
#include "app/menu_items.hh"
#include "app/panels.hh"
#include "app/status_line.hh"
#include "command/command_line.hh"
#include "editor/search.hh"
#include "files/editor_files.hh"
#include "platform/file_system.hh"
#include "platform/printer.hh"
#include "platform/ui_ports.hh"
#include "text/line_edit.hh"
#include "text/text_model.hh"

namespace quilmar {

// Everything outside the core, as one bundle of references.
struct Ports {
  StatusBarPort& statusBar;
  MenuPort& menus;
  FocusPort& focus;
  WindowPort& window;
  MessageBoxPort& messageBox;
  DialogPort& dialogs;
  WindowsPort& windows;
  ClipboardPort& clipboard;
  FileSystemPort& fs;
  PrinterPort& printer;
};

class App : private ModelObserver {
 public:
  App(Ports ports, Measure& measure);

  // ---- The one way in for a front end: every event enters here and runs under the failure
  // policy (app/failure_policy.hh): a failure undoes the event's edits and shows "Err: " and its
  // reason in the message panel. The position panel is written once, when the outermost event
  // ends.
  void Dispatch(const Event& event);
  // A front end's own work on the models (a repaint, a scroll to the caret) under the same
  // policy, so that it fails as an event does and never into the toolkit's event loop.
  void Guarded(const char16_t* doing, const std::function<void()>& work) { policy_.Run(doing, work); }
  bool Closed() const { return closed_; }

  // What the front ends show. Views observe these; they change them only through events.
  const TextModel& Document() const { return txtMain; }
  const LineEdit& CommandBox() const { return commandLine.Box(); }
  // The editor's state as it stands, read-only (for quilmar-batch's report and for tests).
  const EditorMode& Mode() const { return mode; }
  const EditorFiles& Files() const { return files; }
  const DocumentSearch& Search() const { return search; }
  bool DeletePending() const { return PendingDelete; }
  bool Checked(MenuItem item) const { return options.Checked(item); }
  const EditorOptions& Options() const { return options; }

 private:
  // ---- Handlers of frmMain (by control and event).
  void Form_Load(const String& commandLine);
  void Form_Unload();
  void txtMain_Change();
  void txtMain_SelChange();
  // What the document tells its observers, turned into the handlers above and the record.
  void TextChanged(TextCause cause) override;
  void SelectionChanged() override { txtMain_SelChange(); }
  void LayoutChanged() override;
  void TextEdited(CharPos start, const SharedText& removed, const SharedText& inserted, const BreakRuns& forms) override;
  void TextReplaced(TextCause cause, CharPos removed) override;
  // The key the document then acts on (the "x" command hands on Delete); none when used up.
  std::optional<KeyCode> txtMain_KeyDown(KeyCode keyCode, ShiftState shift);   // editor/key_handler.cc
  void txtMain_MouseUp(int button, ShiftState shift);
  void mnuExit_Click() { CloseWindow(); }
  void mnuAbout_Click();                                      // windows/help_menu.cc
  void mnuHelpReference_Click();

  // Closes the main window: the unload handler runs, then the window goes. Every route
  // (the close box, Exit, the quit commands, a write that quits) ends here, once.
  void CloseWindow();

  friend struct MenuHandlerTable;
  // Tests set a state up directly (a document with a selection, a flag) through this door;
  // nothing in the editor or its front ends uses it.
  friend struct AppTestAccess;

  void Handle(const StartEvent& e);
  void Handle(const KeyDownEvent& e);
  void Handle(const CommitTextEvent& e);
  void Handle(const MouseUpEvent& e);
  void Handle(const SelectEvent& e);
  void Handle(const SelectInBoxEvent& e);
  void Handle(const MenuClickEvent& e);
  void Handle(const ViewResizedEvent& e);
  void Handle(const CloseEvent& e);
  void Handle(const IdleEvent& e);
  // Lays out what a load left for later, and shows what waited for it.
  void FinishLayout();
  void MenuClick(MenuItem item);
  // The components, in the order they are built: each takes the ones above it by reference.
  Ports ports;
  TextModel txtMain;
  StatusLine panels;  // every component writes the status bar through it
  FailurePolicy policy_;
  EditorMode mode;
  DocumentSearch search;
  EditorOptions options;
  EditorFiles files;
  CommandLine commandLine;
  bool PendingDelete = false;  // the first "d" of "dd"
  bool closed_ = false;
  int eventDepth_ = 0;
};

}  // namespace quilmar
