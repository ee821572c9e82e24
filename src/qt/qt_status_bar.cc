#include "qt_status_bar.hh"

#include <QEvent>
#include <algorithm>

#include "twips.hh"

namespace quilmar {

namespace {

constexpr int kPathPanel = 3;
constexpr int kGap = 2;  // pixels between two panels

}  // namespace

// The panels' row(s): each panel at its own width, left to right, a new row where the next
// one would not fit. The height follows the rows, and the status bar with it.
class StatusPanels final : public QWidget {
 public:
  explicit StatusPanels(QStatusBar* bar) : QWidget(bar) {
    setObjectName(QStringLiteral("StatusPanels"));
    for (std::size_t i = 0; i < labels_.size(); ++i) {
      auto* label = new QLabel(this);
      label->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
      label->setFrameShape(QFrame::Panel);
      label->setFrameShadow(QFrame::Sunken);
      label->setTextFormat(Qt::PlainText);
      label->setContentsMargins(3, 0, 3, 0);
      if (i + 1 == kPathPanel) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      labels_[i] = label;
    }
    static constexpr const char* kNames[] = {"Message", "Mode", "File", "Position", "Line count"};
    for (std::size_t i = 0; i < labels_.size(); ++i)
      labels_[i]->setAccessibleName(QString::fromLatin1(kNames[i]));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Reflow();
  }

  QLabel* Label(int panel) const { return labels_[static_cast<std::size_t>(panel - 1)]; }

  // The path panel's fixed width: one inch.
  int PathWidth() const { return TwipsToPixels(1440, LogicalDpiX(this)); }

  void SetText(int panel, const QString& text) {
    QLabel* label = Label(panel);
    if (panel == kPathPanel) {
      path_ = text;
      label->setToolTip(text);
      ElidePath();
    } else {
      label->setText(text);
    }
    Reflow();
  }

  QSize sizeHint() const override { return QSize(RowWidth(), rows_ * RowHeight()); }
  QSize minimumSizeHint() const override { return QSize(0, rows_ * RowHeight()); }

 protected:
  void resizeEvent(QResizeEvent*) override { Reflow(); }
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) Reflow();
  }

 private:
  int RowHeight() const { return labels_[0]->sizeHint().height(); }
  int PanelWidth(const QLabel* label) const {
    return label == Label(kPathPanel) ? PathWidth() : label->sizeHint().width();
  }
  int RowWidth() const {
    int width = 0;
    for (const QLabel* label : labels_) width += PanelWidth(label) + kGap;
    return width;
  }

  void ElidePath() {
    QLabel* label = Label(kPathPanel);
    const int room = PathWidth() - label->contentsMargins().left() - label->contentsMargins().right() -
                     2 * label->frameWidth();
    label->setText(label->fontMetrics().elidedText(path_, Qt::ElideMiddle, std::max(0, room)));
  }

  // A panel wider than a whole row gets a row of its own and is cut at the row's end (only a
  // message longer than the window is).
  void Reflow() {
    const int available = std::max(1, width());
    const int rowHeight = RowHeight();
    int x = 0, row = 0;
    for (QLabel* label : labels_) {
      int w = PanelWidth(label);
      if (x > 0 && x + w > available) {
        x = 0;
        ++row;
      }
      if (w > available) w = available;
      label->setGeometry(x, row * rowHeight, w, rowHeight);
      x += w + kGap;
    }
    if (row + 1 != rows_) {
      rows_ = row + 1;
      setFixedHeight(rows_ * rowHeight);
      updateGeometry();
    }
  }

  std::array<QLabel*, 5> labels_{};
  QString path_;
  int rows_ = 0;
};

QtStatusBar::QtStatusBar(QStatusBar* bar) : panels_(new StatusPanels(bar)) {
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setAccessibleName(QStringLiteral("Status bar"));
  bar->setSizeGripEnabled(true);
  bar->addWidget(panels_, 1);
}

QLabel* QtStatusBar::Panel(int panel) const {
  if (panel < 1 || panel > 5) return nullptr;
  return panels_->Label(panel);
}

void QtStatusBar::SetPanelText(int panel, const String& text) {
  if (panel < 1 || panel > 5) return;
  texts_[static_cast<std::size_t>(panel - 1)] = QString::fromStdU16String(text);
  panels_->SetText(panel, texts_[static_cast<std::size_t>(panel - 1)]);
}

QString QtStatusBar::PanelText(int panel) const {
  if (panel < 1 || panel > 5) return {};
  return texts_[static_cast<std::size_t>(panel - 1)];
}

}  // namespace quilmar
