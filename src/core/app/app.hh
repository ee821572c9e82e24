#pragma once
// The editor: the main window's state and handlers (frmMain), the shared state (modHeader),
// the common dialog's values, and the entry points through which a front end delivers events.
// Handlers are defined in the file of their subsystem (editor/, command/, files/, windows/).
#include <array>
#include <exception>

#include "app/editor_mode.hh"
#include "app/event.hh"
#include "app/menu_items.hh"
#include "app/panels.hh"
#include "files/disk_stamp.hh"
#include "files/text_format.hh"
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

// The shared editor state, one copy for the whole run.
struct SharedState {
  String CurrentFile;
  bool TextChanged = false;
  std::int16_t TabSpaces = 0;
  bool CmdStart = false;
  String LastPattern;
  CharPos SearchPos = 0;
};

// What the common dialog remembers between uses.
struct CommonDialogState {
  String Filter;
  bool CancelError = false;
  String InitDir;
  FontSpec font;  // FontName, FontBold, FontItalic, FontSize
  int Flags = 0;
};

class App {
 public:
  App(Ports ports, Measure& measure);

  // ---- The one way in for a front end: every event enters here, and here alone it is
  // decided what a failure does. A failure that a handler lets through shows "Err: " and its
  // reason in the message panel; running out of memory also puts back the document as it was
  // before the event. The position panel is written once, when the outermost event ends.
  void Dispatch(const Event& event);
  bool Closed() const { return closed_; }

  // What the front ends show. Views observe these; they change them only through events.
  const TextModel& Document() const { return txtMain; }
  const LineEdit& CommandBox() const { return txtCmd; }

  Ports ports;
  TextModel txtMain;
  LineEdit txtCmd;
  EditorMode mode;
  SharedState modHeader;
  bool PendingDelete = false;
  CommonDialogState CommonDialog1;
  TextFormat documentFormat;  // of the file the document came from
  std::optional<DiskStamp> diskStamp;  // of CurrentFile as last read or written

  // Menu check marks: held here, shown through the menu port.
  bool Checked(MenuItem item) const;
  void SetChecked(MenuItem item, bool checked);
  void SetPanel(int panel, const String& text);

  // Closes the main window: the unload handler runs, then the window goes. Every route
  // (the close box, Exit, the quit commands, a write that quits) ends here, once.
  void CloseWindow();

  // Names what the running event is doing, for the message when memory runs out
  // ("the paste", "the substitution"). Left by a failure, the innermost one is remembered.
  class Doing {
   public:
    Doing(App& app, const char16_t* what)
        : app_(app), what_(what), unwinding_(std::uncaught_exceptions()) {}
    ~Doing() {
      if (std::uncaught_exceptions() > unwinding_ && !app_.failedDoing_) app_.failedDoing_ = what_;
    }
    Doing(const Doing&) = delete;
    Doing& operator=(const Doing&) = delete;

   private:
    App& app_;
    const char16_t* what_;
    int unwinding_;
  };

  // ---- Handlers of frmMain (by control and event).
  void Form_Load(const String& commandLine);
  void Form_Unload();
  void txtMain_Change();
  void txtMain_SelChange();
  void txtMain_KeyDown(KeyCode& keyCode, ShiftState shift);   // editor/key_handler.cc
  void txtMain_MouseUp(int button, ShiftState shift);
  void txtCmd_KeyDown(KeyCode& keyCode, ShiftState shift);    // command/command_box.cc
  void mnuOpen_Click();                                       // files/file_menu.cc
  void mnuSave_Click();
  void mnuSaveAs_Click();
  void mnuClose_Click();
  void mnuPrint_Click();
  void mnuExit_Click();
  void mnuWordWrap_Click();                                   // app/options_menu.cc
  void mnuFindCase_Click();
  void mnuReplaceCase_Click();
  void mnuFonts_Click();
  void mnuStCmdMode_Click();
  void mnuAbout_Click();                                      // windows/help_menu.cc
  void mnuHelpReference_Click();

  // ---- The command box, entered from the document and left by its keys.
  void OpenCommandBox(const String& leader, ModeText modeText);
  void LeaveCommandBox(bool clearModePanel);

 private:
  void Handle(const StartEvent& e);
  void Handle(const KeyDownEvent& e);
  void Handle(const CommitTextEvent& e);
  void Handle(const MouseUpEvent& e);
  void Handle(const SelectEvent& e);
  void Handle(const SelectInBoxEvent& e);
  void Handle(const MenuClickEvent& e);
  void Handle(const ViewResizedEvent& e);
  void Handle(const CloseEvent& e);
  void MenuClick(MenuItem item);
  void FlushPositionPanel();
  String PositionText() const;
  std::array<bool, kMenuItems.size()> checks_{};
  bool closed_ = false;
  bool positionDirty_ = false;
  bool layoutMoved_ = false;  // a relayout may have moved the caret's line or column
  String caretShown_;         // where the caret was when panel 4 was last written (or at start)
  int eventDepth_ = 0;
  const char16_t* failedDoing_ = nullptr;
};

}  // namespace quilmar
