#include "frm_loading.hh"

#include <QCoreApplication>
#include <QLabel>
#include <QVBoxLayout>

#include "twips.hh"

namespace quilmar {

void CentreOn(QWidget* window, const QWidget* owner) {
  if (!owner) return;
  const QRect area = owner->frameGeometry();
  QRect frame = window->frameGeometry();
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

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

void FrmLoading::ShowPainted() {
  CentreOn(this, parentWidget());
  show();
  raise();
  repaint();
  // Let the window system map and expose it; no input is taken meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

}  // namespace quilmar
