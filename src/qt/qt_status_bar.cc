#include "qt_status_bar.hh"

#include <QEvent>
#include <algorithm>
#include <cmath>
#include <array>

#include "twips.hh"

namespace quilmar {

namespace {

constexpr int kPanels = 5;
constexpr int kPathPanel = 3;
constexpr int kGap = 2;  // pixels between two panels

// Each panel's role, told to assistive technologies beside its text.
constexpr std::array<const char*, kPanels> kRoles{"Message", "Mode", "File", "Position", "Line count"};
// The order in which panels give up width when the row is too narrow: the path down to the
// file's name, then the message (read once, and whole in its tool tip), then the rest of the
// path; the mode and the caret position last.
struct Narrowing {
  int panel;
  bool keepName;  // the path keeps "…" and the file's name
};
constexpr std::array<Narrowing, 6> kNarrowing{{{3, true}, {1, false}, {3, false}, {5, false}, {2, false}, {4, false}}};

}  // namespace

// The panels' row: each panel at its own width, left to right, as long as the row is wide
// enough; otherwise some are narrowed and elide their text. The row is always one line high.
class StatusPanels final : public QWidget {
 public:
  explicit StatusPanels(QStatusBar* bar) : QWidget(bar) {
    setObjectName(QStringLiteral("StatusPanels"));
    for (int panel = 1; panel <= kPanels; ++panel) {
      auto* label = new QLabel(this);
      label->setObjectName(QStringLiteral("Panel%1").arg(panel));
      label->setFrameShape(QFrame::Panel);
      label->setFrameShadow(QFrame::Sunken);
      label->setTextFormat(Qt::PlainText);
      label->setContentsMargins(3, 0, 3, 0);
      label->setAccessibleDescription(QString::fromLatin1(kRoles[Index(panel)]));
      if (panel == kPathPanel) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      labels_[Index(panel)] = label;
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(RowHeight());
    for (int panel = 1; panel <= kPanels; ++panel) MeasureText(panel);
  }

  QLabel* Label(int panel) const { return labels_[Index(panel)]; }
  const QString& Text(int panel) const { return texts_[Index(panel)]; }

  void SetText(int panel, const QString& text) {
    if (text == texts_[Index(panel)]) return;
    texts_[Index(panel)] = text;
    MeasureText(panel);
    // Screen readers read the whole text, whatever is shown of it.
    Label(panel)->setAccessibleName(text);
    Place();
  }

  QSize sizeHint() const override {
    int width = 0;
    for (int panel = 1; panel <= kPanels; ++panel) width += NaturalWidth(panel) + kGap;
    return QSize(width, RowHeight());
  }
  QSize minimumSizeHint() const override { return QSize(0, RowHeight()); }

 protected:
  void resizeEvent(QResizeEvent*) override { Place(); }
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
      setFixedHeight(RowHeight());
      for (int panel = 1; panel <= kPanels; ++panel) MeasureText(panel);
      Place();
    }
  }

 private:
  static std::size_t Index(int panel) { return static_cast<std::size_t>(panel - 1); }

  // One line of text in a framed label, whatever the text (an empty label is as high).
  int RowHeight() const {
    const QLabel* label = labels_[0];
    return label->fontMetrics().height() + label->contentsMargins().top() + label->contentsMargins().bottom() +
           2 * label->frameWidth();
  }
  int Chrome(int panel) const {
    const QLabel* label = Label(panel);
    return label->contentsMargins().left() + label->contentsMargins().right() + 2 * label->frameWidth();
  }
  // The width a panel takes when the row has room: the path panel's is one inch.
  int NaturalWidth(int panel) const {
    if (panel == kPathPanel) return TwipsToPixels(1440, LogicalDpiX(this));
    return widths_[Index(panel)].text + Chrome(panel);
  }

  // The least a panel is narrowed to: room for "…" alone, or for "…" and the file's name
  // with the separator before it.
  int NarrowestWidth(int panel, bool keepName) const {
    const Widths& w = widths_[Index(panel)];
    return std::min(NaturalWidth(panel), (keepName ? w.name : w.ellipsis) + Chrome(panel));
  }
  // The widths a panel's text is placed by, measured when it is set (the caret's position
  // after every key) or the font changes, not each time the row is placed.
  void MeasureText(int panel) {
    const QString& text = Text(panel);
    Widths& w = widths_[Index(panel)];
    w.text = TextWidth(panel, text);
    w.ellipsis = TextWidth(panel, QString(QChar(0x2026)));
    w.name = TextWidth(panel, QChar(0x2026) + text.mid(std::max<qsizetype>(0, text.lastIndexOf(QLatin1Char('/')))));
  }
  int TextWidth(int panel, const QString& text) const {
    // Rounded up: a width the text only nearly fits would have it elided.
    return static_cast<int>(std::ceil(QFontMetricsF(Label(panel)->font()).horizontalAdvance(text)));
  }

  void Place() {
    std::array<int, kPanels> widths{};
    int total = 0;
    for (int panel = 1; panel <= kPanels; ++panel) total += (widths[Index(panel)] = NaturalWidth(panel)) + kGap;
    int excess = total - kGap - std::max(0, width());
    for (const Narrowing& step : kNarrowing) {
      if (excess <= 0) break;
      int& w = widths[Index(step.panel)];
      const int taken = std::min(excess, std::max(0, w - NarrowestWidth(step.panel, step.keepName)));
      w -= taken;
      excess -= taken;
    }
    int x = 0;
    for (int panel = 1; panel <= kPanels; ++panel) {
      QLabel* label = Label(panel);
      const int w = widths[Index(panel)];
      label->setGeometry(x, 0, w, height());
      const QString& text = Text(panel);
      // A panel at its natural width shows its whole text (the caret's position after every
      // key, without asking the font again).
      const int room = std::max(0, w - Chrome(panel));
      const QString shown = room >= widths_[Index(panel)].text
                                ? text
                                : label->fontMetrics().elidedText(text, panel == kPathPanel ? Qt::ElideLeft : Qt::ElideRight, room);
      label->setText(shown);
      label->setToolTip(shown != text || panel == kPathPanel ? text : QString());
      x += w + kGap;
    }
  }

  std::array<QLabel*, kPanels> labels_{};
  std::array<QString, kPanels> texts_;
  struct Widths {
    int text = 0;      // the whole text
    int ellipsis = 0;  // "…"
    int name = 0;      // "…" and the file's name
  };
  std::array<Widths, kPanels> widths_{};
};

QtStatusBar::QtStatusBar(QStatusBar* bar) : panels_(new StatusPanels(bar)) {
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setAccessibleName(QStringLiteral("Status bar"));
  bar->setSizeGripEnabled(true);
  bar->addWidget(panels_, 1);
}

QLabel* QtStatusBar::Panel(int panel) const {
  if (panel < 1 || panel > kPanels) return nullptr;
  return panels_->Label(panel);
}

void QtStatusBar::SetPanelText(int panel, const String& text) {
  if (panel < 1 || panel > kPanels) return;
  panels_->SetText(panel, QString::fromStdU16String(text));
}

QString QtStatusBar::PanelText(int panel) const {
  if (panel < 1 || panel > kPanels) return {};
  return panels_->Text(panel);
}

}  // namespace quilmar
