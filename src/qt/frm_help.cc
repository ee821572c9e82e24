#include "frm_help.hh"

#include <QFontDatabase>
#include <QKeyEvent>
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
  // The help text is laid out in columns with spaces, so a fixed-pitch font keeps them
  // aligned; its lines are written to fit the window's first width in the usual fixed font.
  // Wrapping is only the fallback for a larger font: a row that breaks still reads better than
  // a box the reader must scroll sideways.
  txtHelp_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  txtHelp_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
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

// The box takes the keys it uses (moving, selecting, copying) and passes Escape on to here.
void FrmHelp::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) close();
  else QWidget::keyPressEvent(event);
}

}  // namespace quilmar
