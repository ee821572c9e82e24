// quilmar-batch --qt: the key script goes through the real window as Qt key events, so the
// key translation, the shortcut map and the widgets' routing all take part; the answer is
// read back from the widgets the user would look at.
#include "qt_driver.hh"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEventLoop>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>

#include "frm_main.hh"
#include "headless_ports.hh"
#include "key_translation.hh"
#include "model_state.hh"
#include "qt_file_system.hh"
#include "twips.hh"

namespace quilmar::batch {
namespace {

Qt::MouseButton QtButton(int button) {
  switch (button) {
    case mouse::Left: return Qt::LeftButton;
    case mouse::Right: return Qt::RightButton;
    case mouse::Middle: return Qt::MiddleButton;
    default: return Qt::NoButton;
  }
}

class QtDriver final : public Driver {
 public:
  explicit QtDriver(const RunOptions& options)
      : fs_(FromBytesEscaped(options.home), {}, FromBytesEscaped(options.home) + u"/state"),
        messageBox_(options.answers),
        dialogs_(options.dialogs, options.fontDialogs),
        window_(ExternalPorts{fs_, printer_, &messageBox_, &dialogs_}),
        omitText_(options.omitText) {
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(options.clipboard));
  }

  void Start(const String& commandLine) override {
    window_.show();
    window_.activateWindow();
    Settle();
    window_.Start(commandLine);
    Settle();
    FinishLayout();
  }

  // The events a user causes reach the widgets as Qt's own events, so the window's routing
  // takes part; the rest go to the window as the core's events.
  void Send(const Event& event) override {
    if (const auto* key = std::get_if<KeyDownEvent>(&event)) Key(key->key);
    else if (const auto* up = std::get_if<MouseUpEvent>(&event)) MouseUp(up->button);
    else if (const auto* click = std::get_if<MenuClickEvent>(&event)) window_.menus().Action(click->item)->trigger();
    else if (std::holds_alternative<CloseEvent>(event)) window_.close();
    else window_.Dispatch(event);
    Settle();
    FinishLayout();
  }

  void Resize(int widthTwips, int heightTwips) override {
    const int frameWidth = window_.frameGeometry().width() - window_.width();
    const int frameHeight = window_.frameGeometry().height() - window_.height();
    window_.resize(TwipsToPixels(widthTwips, LogicalDpiX(&window_)) - frameWidth,
                   TwipsToPixels(heightTwips, LogicalDpiY(&window_)) - frameHeight);
    Settle();
    FinishLayout();
  }

  void Wait(int milliseconds) override {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
  }

  Snapshot Read() override {
    Settle();
    Snapshot s = ModelState(window_.app(), !omitText_);
    for (int panel = 1; panel <= 5; ++panel)
      s.panels.push_back(window_.statusBarPanels().PanelText(panel).toStdU16String());
    s.caption = window_.windowTitle().toStdU16String();
    for (MenuItem item : kReportedChecks)
      s.checks[std::string(InfoOf(item).name)] = window_.menus().Action(item)->isChecked();
    s.focus = window_.focusWidget() == window_.txtCmd() ? "txtCmd" : "txtMain";
    s.clipboard = QGuiApplication::clipboard()->text().toStdU16String();
    s.messageBoxes = messageBox_.Shown();
    s.closed = !window_.isVisible();
    if (window_.windows().HelpIsOpen()) {
      // The box shows line breaks as its own paragraphs; read them back as the editor's "\r\n".
      QString shown = window_.windows().Help()->txtHelp()->toPlainText();
      shown.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
      s.helpText = shown.toStdU16String();
    }
    return s;
  }

 private:
  // As the headless driver: the next step finds a big text wholly laid out.
  void FinishLayout() {
    if (window_.app().Closed() || !window_.app().Document().LayoutPending()) return;
    window_.Dispatch(IdleEvent{0});
    Settle();
  }

  void Key(const KeyEvent& key) {
    // The focused widget gets the key as the keyboard would send it; menu shortcuts are the
    // editor's own business, so they need no help from Qt's shortcut map.
    const QtKeyInput in = KeyPressFor(key);
    QKeyEvent press(QEvent::KeyPress, in.qtKey, in.modifiers, in.scanCode, 0, 0, in.text);
    QApplication::sendEvent(Target(), &press);
    QKeyEvent release(QEvent::KeyRelease, in.qtKey, in.modifiers, in.scanCode, 0, 0, in.text);
    QApplication::sendEvent(Target(), &release);
  }

  void MouseUp(int button) {
    QWidget* viewport = window_.txtMain()->viewport();
    const QPointF at = window_.txtMain()->CaretRect().center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), QtButton(button),
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
  }

  // The widget a key press reaches: the focused one, or (window inactive or closed) the one
  // the window would give the focus to.
  QWidget* Target() {
    if (QWidget* focused = QApplication::focusWidget()) return focused;
    if (QWidget* focused = window_.focusWidget()) return focused;
    return window_.txtMain();
  }

  // Lets posted work (resizes, repaints, deferred scrolling, closed windows) happen.
  static void Settle() { QCoreApplication::processEvents(); }

  QtFileSystem fs_;
  headless::Printer printer_;
  headless::MessageBox messageBox_;
  headless::Dialogs dialogs_;
  FrmMain window_;
  bool omitText_;
};

}  // namespace

std::unique_ptr<Driver> MakeQtDriver(const RunOptions& options) {
  return std::make_unique<QtDriver>(options);
}

}  // namespace quilmar::batch
