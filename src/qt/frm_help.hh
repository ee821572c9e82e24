#pragma once
// frmHelp: the reference text in a read-only, light yellow box that fills the window; Escape
// closes it.
#include <QPlainTextEdit>
#include <QWidget>

namespace quilmar {

class FrmHelp final : public QWidget {
  Q_OBJECT

 public:
  FrmHelp(QWidget* owner, const QString& text);
  QPlainTextEdit* txtHelp() const { return txtHelp_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QPlainTextEdit* txtHelp_;
};

}  // namespace quilmar
