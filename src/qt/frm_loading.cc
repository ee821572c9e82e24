#include "frm_loading.hh"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "twips.hh"
#include "window_placement.hh"

namespace quilmar {

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
  setFixedSize(TwipsSizeToPixels(2520, 420, owner));
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
