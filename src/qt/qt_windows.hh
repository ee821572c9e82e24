#pragma once
// The secondary windows, each at most once and owned by the main window: frmLoading during a
// load, frmHelp and frmAbout (modeless, raised when opened a second time, gone when closed).
#include <QPointer>

#include "frm_about.hh"
#include "frm_help.hh"
#include "frm_loading.hh"
#include "window_placement.hh"
#include "platform/ui_ports.hh"

namespace quilmar {

class QtWindows final : public WindowsPort {
 public:
  explicit QtWindows(QWidget* owner) : owner_(owner) {}
  ~QtWindows() override;

  void ShowLoading() override;
  void CloseLoading() override;
  bool HelpIsOpen() const override;
  void ShowHelp(const String& text) override;
  void RaiseHelp() override;
  bool AboutIsOpen() const override;
  void ShowAbout(const String& credits) override;
  void RaiseAbout() override;

  FrmHelp* Help() const { return help_; }
  FrmAbout* About() const { return about_; }
  FrmLoading* Loading() const { return loading_; }
  void CloseAll();

 private:
  QWidget* owner_;
  QPointer<FrmLoading> loading_;
  QPointer<FrmHelp> help_;
  QPointer<FrmAbout> about_;
};

}  // namespace quilmar
