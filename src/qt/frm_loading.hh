#pragma once
// frmLoading: the small waiting window shown, and painted at once, while a file loads.
#include <QDialog>

namespace quilmar {

class FrmLoading final : public QDialog {
  Q_OBJECT

 public:
  explicit FrmLoading(QWidget* owner);
  // Shows the window centred on its owner and paints it before returning, so it is on the
  // screen while the load blocks the event loop.
  void ShowPainted();
};

}  // namespace quilmar
