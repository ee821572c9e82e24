#include "frm_about.hh"

#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>

#include "twips.hh"

namespace quilmar {

FrmAbout::FrmAbout(QWidget* owner, const QString& credits)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      lblAboutTxt_(new QLabel(this)) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  auto* image = new QLabel(this);
  image->setObjectName(QStringLiteral("Image1"));
  const int side = TwipsToPixels(480, LogicalDpiX(owner));
  image->setPixmap(QGuiApplication::windowIcon().pixmap(side, side));
  image->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* title = new QLabel(QStringLiteral("Quilmar"), this);
  title->setObjectName(QStringLiteral("lblTitle"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  title->setFont(big);
  auto* version = new QLabel(QStringLiteral("Ver. 0.3a beta"), this);
  version->setObjectName(QStringLiteral("lblVer"));
  lblAboutTxt_->setObjectName(QStringLiteral("lblAboutTxt"));
  lblAboutTxt_->setTextFormat(Qt::PlainText);
  lblAboutTxt_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  // The credits keep their "\r\n" line breaks as the user sees them.
  QString shown = credits;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lblAboutTxt_->setText(shown);
  lblAboutTxt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  auto* grid = new QGridLayout(this);
  grid->addWidget(image, 0, 0, 3, 1, Qt::AlignLeft | Qt::AlignTop);
  grid->addWidget(title, 0, 1);
  grid->addWidget(version, 1, 1);
  grid->addWidget(lblAboutTxt_, 2, 1);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(2, 1);
  setFixedSize(TwipsSizeToPixels(4785, 2340, owner));
}

}  // namespace quilmar
