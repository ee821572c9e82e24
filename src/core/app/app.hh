#pragma once
// The editor: the main window's state and handlers (frmMain), the shared state (modHeader),
// the common dialog's values, and the entry points through which a front end delivers events.
// Handlers are defined in the file of their subsystem (editor/, command/, files/, windows/).
#include <array>

#include "app/menu_items.hh"
#include "files/text_format.hh"
#include "platform/file_system.hh"
#include "platform/printer.hh"
#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

// Everything outside the core, as one bundle of references.
struct Ports {
  StatusBarPort& statusBar;
  MenuPort& menus;
  CommandBoxPort& txtCmd;
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

// Status bar panels by role.
namespace panel {
inline constexpr int Message = 1, Mode = 2, File = 3, Position = 4, Lines = 5;
}

class App {
 public:
  App(Ports ports, Measure& measure);

  Ports ports;
  TextModel txtMain;
  SharedState modHeader;
  bool CommandMode = false;
  bool PendingDelete = false;
  CommonDialogState CommonDialog1;
  TextFormat documentFormat;  // of the file the document came from

  // Menu check marks: held here, shown through the menu port.
  bool Checked(MenuItem item) const;
  void SetChecked(MenuItem item, bool checked);
  void SetPanel(int panel, const String& text);

  // ---- Entry points for a front end. Each is one event; the position panel is written once
  // at its end, however often the caret moved inside it.
  void Start(const String& commandLine);          // Form_Load
  void KeyDown(const KeyEvent& key);               // to a menu shortcut or the focused control
  void CommitText(const String& text);             // input-method commit to the focused control
  void MouseUp(int button, ShiftState shift);      // released over the document
  void MenuClick(MenuItem item);
  void CloseWindow();                              // close box, Exit, the quit commands
  bool Closed() const { return closed_; }

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

  // ---- Mode entries, used by the key handlers.
  void EnterCommandMode();
  void OpenCommandBox(const String& leader, const String& modeName);
  void LeaveCommandBox(bool clearModePanel);

 private:
  void FlushPositionPanel();
  String PositionText() const;
  friend class EventScope;
  std::array<bool, 13> checks_{};
  bool closed_ = false;
  bool positionDirty_ = false;
  bool layoutMoved_ = false;  // a relayout may have moved the caret's line or column
  String caretShown_;         // where the caret was when panel 4 was last written (or at start)
  int eventDepth_ = 0;
};

// Marks one front-end event; the outermost scope writes the position panel when it ends.
class EventScope {
 public:
  explicit EventScope(App& app) : app_(app) { ++app_.eventDepth_; }
  ~EventScope() {
    if (--app_.eventDepth_ == 0) app_.FlushPositionPanel();
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  App& app_;
};

}  // namespace quilmar
