#include "qt_windows.hh"

namespace quilmar {

QtWindows::~QtWindows() { CloseAll(); }

void QtWindows::CloseAll() {
  delete loading_.data();
  if (help_) help_->close();
  if (about_) about_->close();
}

void QtWindows::ShowLoading() {
  CloseLoading();
  loading_ = new FrmLoading(owner_);
  loading_->ShowPainted();
}

void QtWindows::CloseLoading() {
  if (!loading_) return;
  loading_->close();
  delete loading_.data();
}

bool QtWindows::HelpIsOpen() const { return help_ && help_->isVisible(); }

void QtWindows::ShowHelp(const String& text) {
  if (help_) help_->close();
  help_ = new FrmHelp(owner_, QString::fromStdU16String(text));
  CentreOn(help_, owner_);
  help_->show();
}

void QtWindows::RaiseHelp() {
  if (!help_) return;
  help_->showNormal();
  help_->raise();
  help_->activateWindow();
}

bool QtWindows::AboutIsOpen() const { return about_ && about_->isVisible(); }

void QtWindows::ShowAbout(const String& credits) {
  if (about_) about_->close();
  about_ = new FrmAbout(owner_, QString::fromStdU16String(credits));
  CentreOn(about_, owner_);
  about_->show();
}

void QtWindows::RaiseAbout() {
  if (!about_) return;
  about_->raise();
  about_->activateWindow();
}

}  // namespace quilmar
