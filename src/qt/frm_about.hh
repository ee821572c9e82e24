#pragma once
// frmAbout: the program's icon, title, version and credits in a fixed dialog.
#include <QDialog>
#include <QLabel>

namespace quilmar {

class FrmAbout final : public QDialog {
  Q_OBJECT

 public:
  FrmAbout(QWidget* owner, const QString& credits);
  QLabel* lblAboutTxt() const { return lblAboutTxt_; }

 private:
  QLabel* lblAboutTxt_;
};

}  // namespace quilmar
