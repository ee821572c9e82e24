#include "frm_help.hh"

#include <QFontDatabase>
#include <QVBoxLayout>

#include "twips.hh"

namespace quilmar {

FrmHelp::FrmHelp(QWidget* owner, const QString& text)
    : QWidget(owner, Qt::Window), txtHelp_(new QPlainTextEdit(this)) {
  setObjectName(QStringLiteral("frmHelp"));
  setWindowTitle(QStringLiteral("Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  txtHelp_->setObjectName(QStringLiteral("txtHelp"));
  txtHelp_->setReadOnly(true);
  txtHelp_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  txtHelp_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  // The help text is laid out in columns with spaces: a fixed-pitch font keeps them aligned,
  // and rows are not wrapped (a wrapped row would continue under the first column); the box
  // scrolls sideways for the longest rows instead.
  txtHelp_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  txtHelp_->setLineWrapMode(QPlainTextEdit::NoWrap);
  txtHelp_->setAccessibleName(QStringLiteral("Help text"));
  QPalette pal = txtHelp_->palette();
  pal.setColor(QPalette::Base, QColor(255, 255, 192));
  pal.setColor(QPalette::Text, Qt::black);
  txtHelp_->setPalette(pal);
  // The file's "\r\n" breaks are shown as line breaks, nothing else is changed.
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  txtHelp_->setPlainText(shown);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(txtHelp_);
  resize(TwipsSizeToPixels(6705, 3195, owner));
}

}  // namespace quilmar
