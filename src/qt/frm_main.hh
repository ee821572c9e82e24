#pragma once
// frmMain: the main window. It builds the controls (txtMain, txtCmd, the status bar, the menu
// bar), wires them to the editor as its ports, and hands the user's events to the App.
#include <QMainWindow>
#include <QTimer>
#include <memory>

#include "app/app.hh"
#include "command_box_view.hh"
#include "document_view.hh"
#include "qt_clipboard.hh"
#include "qt_dialogs.hh"
#include "qt_focus.hh"
#include "qt_measure.hh"
#include "qt_menus.hh"
#include "qt_message_box.hh"
#include "qt_status_bar.hh"
#include "qt_windows.hh"

namespace quilmar {

// The ports that come from outside the window: the file system and the printer always; the
// message boxes and the dialogs only where they should not be Qt's own (quilmar-batch --qt
// answers them from its queues).
struct ExternalPorts {
  FileSystemPort& fs;
  PrinterPort& printer;
  MessageBoxPort* messageBox = nullptr;
  DialogPort* dialogs = nullptr;
};

class FrmMain final : public QMainWindow, private DocumentViewHost, private WindowPort {
  Q_OBJECT

 public:
  explicit FrmMain(ExternalPorts external);
  ~FrmMain() override;

  // Form_Load with the command line's text; call once, after show().
  void Start(const String& commandLine);
  // Hands one event to the editor, then brings the view up to date with it.
  void Dispatch(const Event& event);

  const App& app() const { return *app_; }
  DocumentView* txtMain() const { return view_; }
  CommandBoxView* txtCmd() const { return cmd_; }
  const QtStatusBar& statusBarPanels() const { return statusBar_; }
  QtStatusBar& statusBarPanels() { return statusBar_; }
  const QtMenus& menus() const { return menus_; }
  QtWindows& windows() { return windows_; }
  const QtFocus& focus() const { return *focus_; }
  QtMeasure& measure() { return measure_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // DocumentViewHost
  void ViewKeyDown(const KeyEvent& key) override;
  void ViewCommitText(const String& text) override;
  void ViewMouseUp(int button) override;
  void ViewSelect(CharPos anchor, CharPos caret) override;
  void ViewResized() override;
  // WindowPort
  void SetCaption(const String& caption) override;
  void Close() override;

  void LayOut();
  void UpdateMinimumSize();

  QtMeasure measure_;
  DocumentView* view_;
  CommandBoxView* cmd_;
  QtStatusBar statusBar_;
  QtMenus menus_;
  std::unique_ptr<QtFocus> focus_;
  QtMessageBox messageBox_;
  QtDialogs dialogs_;
  QtWindows windows_;
  QtClipboard clipboard_;
  std::unique_ptr<App> app_;
  // Goes on with a big text's layout, a slice at a time, while nothing else is to be done.
  static constexpr double kIdleSliceMs = 8;
  QTimer idle_;
  std::int64_t idleUnits_ = IdleEvent().units;
  bool closing_ = false;
};

}  // namespace quilmar
