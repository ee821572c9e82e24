#pragma once
// StatusBar: five panels in a QStatusBar. Panels 1, 2, 4 and 5 are as wide as their text;
// panel 3, the file's path, has a fixed width, is aligned right, shows a path too long for it
// with "…" in the middle and the whole path as its tool tip. Where the window is too narrow
// for all five in a row, panels flow onto further rows (the bar grows) rather than shrink or
// overlap.
#include <QLabel>
#include <QStatusBar>
#include <array>
#include <functional>

#include "platform/ui_ports.hh"

namespace quilmar {

class StatusPanels;

class QtStatusBar final : public StatusBarPort {
 public:
  explicit QtStatusBar(QStatusBar* bar);
  void SetPanelText(int panel, const String& text) override;
  QString PanelText(int panel) const;  // the text last written, for the batch driver and tests
  QLabel* Panel(int panel) const;

 private:
  StatusPanels* panels_;
  std::array<QString, 5> texts_;
};

}  // namespace quilmar
