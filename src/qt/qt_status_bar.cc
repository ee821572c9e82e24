#include "qt_status_bar.hh"

#include "twips.hh"

namespace quilmar {

QtStatusBar::QtStatusBar(QStatusBar* bar) {
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < 5; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    label->setContentsMargins(3, 0, 3, 0);
    if (i == 2) {
      // The file panel: a fixed width (one inch), the end of a long path in view.
      label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      label->setFixedWidth(TwipsToPixels(1440, LogicalDpiX(bar)));
    } else {
      label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    }
    bar->addWidget(label);
    labels_[static_cast<std::size_t>(i)] = label;
  }
  // Whatever width is left over stays empty at the right, as with fitted panels.
  bar->addWidget(new QWidget(bar), 1);
}

QLabel* QtStatusBar::Panel(int panel) const {
  if (panel < 1 || panel > 5) return nullptr;
  return labels_[static_cast<std::size_t>(panel - 1)];
}

void QtStatusBar::SetPanelText(int panel, const String& text) {
  if (QLabel* label = Panel(panel)) label->setText(QString::fromStdU16String(text));
}

QString QtStatusBar::PanelText(int panel) const {
  const QLabel* label = Panel(panel);
  return label ? label->text() : QString();
}

}  // namespace quilmar
