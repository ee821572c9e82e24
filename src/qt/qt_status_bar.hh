#pragma once
// StatusBar: five labels in a QStatusBar. Panels 1, 2, 4 and 5 are as wide as their text;
// panel 3, the file's path, has a fixed width and is aligned right.
#include <QLabel>
#include <QStatusBar>
#include <array>

#include "platform/ui_ports.hh"

namespace quilmar {

class QtStatusBar final : public StatusBarPort {
 public:
  explicit QtStatusBar(QStatusBar* bar);
  void SetPanelText(int panel, const String& text) override;
  QString PanelText(int panel) const;  // what the user sees, for the batch driver and tests
  QLabel* Panel(int panel) const;

 private:
  std::array<QLabel*, 5> labels_{};
};

}  // namespace quilmar
