#include "frm_loading.hh"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "twips.hh"
#include "window_placement.hh"

namespace quilmar {

namespace {

// The inner width the caption needs under a window manager's title bar. The window is 2520
// twips wide, enough beside a lone close button; but window managers such as openbox add an
// icon, a minimise and a maximise button whatever the window asks for, and then cut a narrow
// caption short. The window manager's own font and buttons cannot be asked, so this takes the
// platform's title font in bold, as title bars draw it, room for an icon and three buttons as
// wide as a title bar is high, and one more such width for the spaces around them.
int CaptionWidth(const QWidget* window) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const int bar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
  return QFontMetrics(font, window).horizontalAdvance(window->windowTitle()) + 5 * bar;
}

}  // namespace

FrmLoading::FrmLoading(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("frmLoading"));
  setWindowTitle(QStringLiteral("Loading..."));
  setModal(false);
  auto* label = new QLabel(QStringLiteral("Please Wait, loading file..."), this);
  label->setObjectName(QStringLiteral("lblLoading"));
  label->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(label);
  QSize size = TwipsSizeToPixels(2520, 420, owner);
  size.setWidth(std::max(size.width(), CaptionWidth(this)));
  setFixedSize(size);
}

// Under a window manager the window is mapped only once the manager has framed and placed it;
// a paint before that is lost. So: wait for the window to be exposed (the owner too, which a
// question box may have covered), paint both, and let the X server have the pixels before
// the load blocks the event loop. Nothing repaints the window during the load; the server
// keeps what was drawn as long as nothing covers it.
void FrmLoading::ShowPainted() {
  CentreOn(this, parentWidget());
  show();
  raise();
  WaitUntilExposed(this);
  CentreOn(this, parentWidget());
  if (QWidget* owner = parentWidget()) owner->repaint();
  repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace quilmar
