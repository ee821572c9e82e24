#pragma once
// The font dialog: the parts of a font the document applies (a family, a style of regular,
// italic, bold or both, and a size in points) and nothing it would ignore, such as underline,
// strikeout or colour.
#include <QDialog>
#include <optional>

#include "text/font.hh"

class QLineEdit;
class QListWidget;
class QLabel;
class QPushButton;

namespace quilmar {

class FontDialog final : public QDialog {
  Q_OBJECT

 public:
  // Opens on `current`: a family the system does not list is offered as it is named, so that
  // OK without a change keeps the font exactly. The other families offered are the screen's
  // when `screenFonts`, else none.
  FontDialog(const FontSpec& current, bool screenFonts, QWidget* owner);
  // The font as the dialog shows it now.
  FontSpec Chosen() const;

 private:
  // The size typed, if it is one the document can take.
  std::optional<double> Size() const;
  void ShowChoice();

  FontSpec current_;
  QListWidget* families_;
  QListWidget* styles_;
  QLineEdit* size_;
  QListWidget* sizes_;
  QLabel* sample_;
  QPushButton* ok_;
};

}  // namespace quilmar
