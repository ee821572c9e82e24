#pragma once
// StatusBar: five panels in one row of a QStatusBar, whose height never changes. Panels 1, 2,
// 4 and 5 are as wide as their text; panel 3, the file's path, has a fixed width and is
// aligned right. Where the row is too narrow, panels give up width (the path down to its file's
// name, then the message) and show their text elided with "…" (the path from its left, so the
// name stays in view); a panel's whole text is its tool tip and its accessible name.
#include <QLabel>
#include <QStatusBar>

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
};

}  // namespace quilmar
