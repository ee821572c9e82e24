#include "font_dialog.hh"

#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt_measure.hh"

namespace quilmar {
namespace {

struct Style {
  const char* name;
  bool bold;
  bool italic;
};

constexpr Style kStyles[] = {
    {"Regular", false, false}, {"Italic", false, true}, {"Bold", true, false}, {"Bold Italic", true, true}};

QString SizeText(double points) { return QString::number(points, 'g', 6); }

QListWidget* List(const QString& name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

// A row whose text is `text`, or -1.
int RowOf(const QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchFixedString);
  return found.isEmpty() ? -1 : list->row(found.front());
}

}  // namespace

FontDialog::FontDialog(const FontSpec& current, bool screenFonts, QWidget* owner) : QDialog(owner), current_(current) {
  setObjectName(QStringLiteral("FontDialog"));
  setWindowTitle(QStringLiteral("Font"));

  families_ = List(QStringLiteral("lstFamily"), this);
  QStringList names;
  if (screenFonts)
    for (const QString& family : QFontDatabase::families())
      if (!QFontDatabase::isPrivateFamily(family)) names.push_back(family);
  const QString currentName = QString::fromStdU16String(current.name);
  if (!names.contains(currentName, Qt::CaseInsensitive)) names.push_back(currentName);
  names.sort(Qt::CaseInsensitive);
  families_->addItems(names);
  families_->setCurrentRow(RowOf(families_, currentName));

  styles_ = List(QStringLiteral("lstStyle"), this);
  for (const Style& style : kStyles) {
    styles_->addItem(QString::fromLatin1(style.name));
    if (style.bold == current.bold && style.italic == current.italic) styles_->setCurrentRow(styles_->count() - 1);
  }

  // Any size in points the settings file keeps, the usual ones listed below the box.
  size_ = new QLineEdit(SizeText(current.size), this);
  size_->setObjectName(QStringLiteral("txtSize"));
  auto* validator = new QDoubleValidator(size_);
  validator->setRange(0, kLargestFontSize);
  validator->setNotation(QDoubleValidator::StandardNotation);
  validator->setLocale(QLocale::c());
  size_->setValidator(validator);
  sizes_ = List(QStringLiteral("lstSize"), this);
  for (int points : QFontDatabase::standardSizes()) sizes_->addItem(QString::number(points));
  sizes_->setCurrentRow(RowOf(sizes_, size_->text()));

  sample_ = new QLabel(QStringLiteral("AaBbYyZz"), this);
  sample_->setObjectName(QStringLiteral("lblSample"));
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setMinimumHeight(60);
  auto* sampleBox = new QGroupBox(QStringLiteral("Sample"), this);
  (new QVBoxLayout(sampleBox))->addWidget(sample_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  const auto column = [&](int at, const QString& caption, QWidget* first, QWidget* second) {
    auto* label = new QLabel(caption, this);
    label->setBuddy(first);
    grid->addWidget(label, 0, at);
    grid->addWidget(first, 1, at, second ? 1 : 2, 1);
    if (second) grid->addWidget(second, 2, at);
  };
  column(0, QStringLiteral("&Font:"), families_, nullptr);
  column(1, QStringLiteral("Font st&yle:"), styles_, nullptr);
  column(2, QStringLiteral("&Size:"), size_, sizes_);
  grid->addWidget(sampleBox, 3, 0, 1, 3);
  grid->addWidget(buttons, 4, 0, 1, 3);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(2, 1);
  const int letter = fontMetrics().averageCharWidth();
  families_->setMinimumWidth(letter * 30);
  styles_->setFixedWidth(letter * 16);
  size_->setFixedWidth(letter * 9);
  sizes_->setFixedWidth(letter * 9);

  connect(families_, &QListWidget::currentRowChanged, this, &FontDialog::ShowChoice);
  connect(styles_, &QListWidget::currentRowChanged, this, &FontDialog::ShowChoice);
  connect(sizes_, &QListWidget::currentTextChanged, this, [this](const QString& text) {
    if (!text.isEmpty() && text != size_->text()) size_->setText(text);
  });
  connect(size_, &QLineEdit::textChanged, this, [this](const QString& text) {
    const QSignalBlocker quiet(sizes_);
    sizes_->setCurrentRow(RowOf(sizes_, text));
    ShowChoice();
  });
  ShowChoice();
  families_->setFocus();
}

FontSpec FontDialog::Chosen() const {
  FontSpec chosen = current_;
  if (const QListWidgetItem* family = families_->currentItem()) chosen.name = family->text().toStdU16String();
  if (const int row = styles_->currentRow(); row >= 0) {
    chosen.bold = kStyles[row].bold;
    chosen.italic = kStyles[row].italic;
  }
  if (const std::optional<double> size = Size()) chosen.size = *size;
  return chosen;
}

std::optional<double> FontDialog::Size() const {
  const double points = size_->text().toDouble();
  if (!size_->hasAcceptableInput() || !(points > 0)) return std::nullopt;
  return points;
}

// The sample in the font as chosen; OK only while the size is one.
void FontDialog::ShowChoice() {
  sample_->setFont(ToQFont(Chosen()));
  ok_->setEnabled(Size().has_value());
}

}  // namespace quilmar
