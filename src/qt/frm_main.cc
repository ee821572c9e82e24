#include "frm_main.hh"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QIcon>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

#include "app/window_layout.hh"
#include "twips.hh"

// Resources of a static library are registered by hand, outside any namespace.
static void InitQuilmarResources() { Q_INIT_RESOURCE(quilmar); }

namespace quilmar {

FrmMain::FrmMain(ExternalPorts external)
    : measure_(LogicalDpiX()),
      view_(new DocumentView(measure_)),
      cmd_(new CommandBoxView),
      statusBar_(statusBar()),
      menus_(menuBar(), this),
      messageBox_(this),
      dialogs_(this),
      windows_(this) {
  InitQuilmarResources();
  setObjectName(QStringLiteral("frmMain"));
  if (QGuiApplication::windowIcon().isNull())
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quilmar/quilmar.svg")));
  setWindowIcon(QGuiApplication::windowIcon());
  setWindowTitle(QStringLiteral("Quilmar"));

  // The controls are placed by LayOut, not by a Qt layout: the window's resize rule says
  // where each one goes.
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("client"));
  view_->setParent(central);
  cmd_->setParent(central);
  setCentralWidget(central);
  // The status bar grows a row when its panels no longer fit in one: the area above it
  // shrinks without the window changing size, and is laid out again.
  central->installEventFilter(this);
  setTabOrder(view_, cmd_);
  view_->setFocus();

  focus_ = std::make_unique<QtFocus>(view_, cmd_);
  Ports ports{statusBar_,
              menus_,
              *focus_,
              *this,
              external.messageBox ? *external.messageBox : messageBox_,
              external.dialogs ? *external.dialogs : dialogs_,
              windows_,
              clipboard_,
              external.fs,
              external.printer};
  app_ = std::make_unique<App>(ports, measure_);
  const auto guarded = [this](const char16_t* doing, const std::function<void()>& work) { app_->Guarded(doing, work); };
  view_->guard.Set(guarded);
  cmd_->guard.Set(guarded);
  view_->SetModel(&app_->Document());
  view_->SetHost(this);
  cmd_->SetModel(&app_->CommandBox());
  cmd_->onKey = [this](const KeyEvent& key) { Dispatch(KeyDownEvent{key}); };
  cmd_->onCommit = [this](const String& text) { Dispatch(CommitTextEvent{text}); };
  cmd_->onSelect = [this](std::int32_t anchor, std::int32_t caret) { Dispatch(SelectInBoxEvent{anchor, caret}); };
  menus_.onClick = [this](MenuItem item) {
    Dispatch(MenuClickEvent{item});
    menus_.SetChecked(item, app_->Checked(item));
  };
  for (const MenuItemInfo& info : kMenuItems)
    if (info.checkable) menus_.SetChecked(info.item, app_->Checked(info.item));
  idle_.setSingleShot(true);
  idle_.setInterval(0);
  connect(&idle_, &QTimer::timeout, this, [this] {
    if (!app_->Document().LayoutPending()) return;
    // Slices of about kIdleSliceMs: a key that comes meanwhile waits no longer than that, and
    // text that lays out fast is not cut into many slices, each with its sync and repaint.
    QElapsedTimer took;
    took.start();
    Dispatch(IdleEvent{idleUnits_});
    const double ms = std::max<double>(0.25, static_cast<double>(took.nsecsElapsed()) / 1e6);
    idleUnits_ = std::clamp<std::int64_t>(static_cast<std::int64_t>(static_cast<double>(idleUnits_) * kIdleSliceMs / ms),
                                          std::int64_t(1) << 16, std::int64_t(1) << 26);
  });

  // The initial inner size; the menu bar sits above the inner area, as on the desktop.
  const QSize inner = TwipsSizeToPixels(window::kInitialInnerWidth, window::kInitialInnerHeight, this);
  resize(inner.width(), inner.height() + menuBar()->sizeHint().height());
  UpdateMinimumSize();
}

FrmMain::~FrmMain() {
  windows_.CloseAll();
  view_->SetModel(nullptr);
  cmd_->SetModel(nullptr);
  // The views outlive the editor by a moment (Qt deletes them with the window).
  view_->guard.Set({});
  cmd_->guard.Set({});
}

void FrmMain::Start(const String& commandLine) { Dispatch(StartEvent{commandLine}); }

void FrmMain::Dispatch(const Event& event) {
  app_->Dispatch(event);
  view_->Sync();
  if (!app_->Closed() && app_->Document().LayoutPending()) idle_.start();
}

// ---- What the view reports

void FrmMain::ViewKeyDown(const KeyEvent& key) { Dispatch(KeyDownEvent{key}); }

void FrmMain::ViewCommitText(const String& text) { Dispatch(CommitTextEvent{text}); }

void FrmMain::ViewMouseUp(int button) { Dispatch(MouseUpEvent{button}); }

void FrmMain::ViewSelect(CharPos anchor, CharPos caret) { Dispatch(SelectEvent{anchor, caret}); }

void FrmMain::ViewResized() { Dispatch(ViewResizedEvent{}); }

// ---- WindowPort

void FrmMain::SetCaption(const String& caption) { setWindowTitle(QString::fromStdU16String(caption)); }

void FrmMain::Close() {
  closing_ = true;
  windows_.CloseAll();
  close();
}

void FrmMain::closeEvent(QCloseEvent* event) {
  // The close box: the editor's unload runs first (it writes the settings), then the window
  // goes. A close the editor itself asked for has already run it.
  if (!closing_ && !app_->Closed()) Dispatch(CloseEvent{});
  windows_.CloseAll();
  event->accept();
}

// ---- Size and layout

void FrmMain::UpdateMinimumSize() {
  const int frameWidth = frameGeometry().width() - geometry().width();
  const int frameHeight = frameGeometry().height() - geometry().height();
  const int outerWidth = static_cast<int>(std::ceil(window::kMinOuterWidth * LogicalDpiX(this) / 1440.0));
  const int outerHeight = static_cast<int>(std::ceil(window::kMinOuterHeight * LogicalDpiY(this) / 1440.0));
  setMinimumSize(std::max(1, outerWidth - frameWidth), std::max(1, outerHeight - frameHeight));
}

void FrmMain::LayOut() {
  const double dpiX = LogicalDpiX(this), dpiY = LogicalDpiY(this);
  const QWidget* client = centralWidget();
  const int clientHeight = height() - menuBar()->height();  // ScaleHeight: below the menu bar
  WindowGeometry g;
  g.minimised = isMinimized();
  g.outerWidth = static_cast<float>(PixelsToTwips(frameGeometry().width(), dpiX));
  g.outerHeight = static_cast<float>(PixelsToTwips(frameGeometry().height(), dpiY));
  g.frameWidth = g.outerWidth - static_cast<float>(PixelsToTwips(width(), dpiX));
  g.frameHeight = g.outerHeight - static_cast<float>(PixelsToTwips(clientHeight, dpiY));
  g.statusBarHeight =
      static_cast<float>(PixelsToTwips(statusBar()->height(), dpiY)) / window::kTwipsPerCellY;
  g.commandBoxHeight = window::kCommandBoxHeight;
  g.documentTop = 0;
  const auto layout = Form_Resize(g);
  if (!layout) return;
  if (layout->snapped) {
    // Whole pixels at least as large as the minimum in twips.
    const int w = static_cast<int>(std::ceil((layout->outerWidth - g.frameWidth) * dpiX / 1440.0));
    const int h = static_cast<int>(std::ceil((layout->outerHeight - g.frameHeight) * dpiY / 1440.0)) +
                  menuBar()->height();
    if (w > width() || h > height()) {
      resize(std::max(w, width()), std::max(h, height()));
      return;  // the resize lays the window out again at the new size
    }
  }
  auto px = [](float cells, float twipsPerCell, double dpi) {
    return TwipsToPixels(cells * twipsPerCell, dpi);
  };
  const int docHeight = px(layout->documentHeight, window::kTwipsPerCellY, dpiY);
  const int docWidth = px(layout->documentWidth, window::kTwipsPerCellX, dpiX);
  const int cmdTop = px(layout->commandBoxTop, window::kTwipsPerCellY, dpiY);
  // The box reaches down to the status bar, whatever rounding the twips took.
  const int cmdHeight = std::max(0, client->height() - cmdTop);
  view_->setGeometry(0, 0, docWidth, docHeight);
  cmd_->setGeometry(0, cmdTop, px(layout->commandBoxWidth, window::kTwipsPerCellX, dpiX), cmdHeight);
}

void FrmMain::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The central widget gets its new size from the main window's own layout first.
  if (QLayout* own = layout()) own->activate();
  LayOut();
}

void FrmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  UpdateMinimumSize();
  if (QLayout* own = layout()) own->activate();
  LayOut();
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == centralWidget() && event->type() == QEvent::Resize) LayOut();
  return QMainWindow::eventFilter(watched, event);
}

void FrmMain::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  // Restoring from minimised lays the window out again, as a resize does.
  if (event->type() == QEvent::WindowStateChange && !isMinimized()) LayOut();
}

}  // namespace quilmar
