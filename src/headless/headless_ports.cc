#include "headless_ports.hh"

#include <stdexcept>

namespace quilmar::headless {

void StatusBar::SetPanelText(int panel, const String& text) {
  if (panel < 1 || panel > 5) throw std::out_of_range("no status panel " + std::to_string(panel));
  panels_[static_cast<std::size_t>(panel - 1)] = text;
  ++writes_;
}

const String& StatusBar::Panel(int panel) const {
  if (panel < 1 || panel > 5) throw std::out_of_range("no status panel " + std::to_string(panel));
  return panels_[static_cast<std::size_t>(panel - 1)];
}

void Menus::SetChecked(MenuItem item, bool checked) {
  checks_[static_cast<std::size_t>(item)] = checked;
}

bool Menus::Checked(MenuItem item) const { return checks_[static_cast<std::size_t>(item)]; }

bool MessageBox::AskYesNo(const String& text) {
  shown_.push_back(text);
  if (answers_.empty()) return true;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

std::optional<String> Dialogs::NextFile(const String& startFolder) {
  startFolders_.push_back(startFolder);
  if (files_.empty()) return std::nullopt;
  auto answer = std::move(files_.front());
  files_.pop_front();
  return answer;
}

std::optional<String> Dialogs::ShowOpen(const String& startFolder) { return NextFile(startFolder); }

std::optional<String> Dialogs::ShowSave(const String& startFolder) { return NextFile(startFolder); }

std::optional<FontSpec> Dialogs::ShowFont(const FontSpec& current) {
  fontsShown_.push_back(current);
  if (fonts_.empty()) return std::nullopt;
  auto answer = std::move(fonts_.front());
  fonts_.pop_front();
  return answer;
}

void Windows::ShowLoading() { ++loadingShown_; }

void Windows::CloseLoading() { ++loadingClosed_; }

void Windows::ShowHelp(const String& text) {
  helpOpen_ = true;
  helpText_ = text;
}

void Windows::ShowAbout(const String& credits) {
  aboutOpen_ = true;
  aboutCredits_ = credits;
}

void Printer::PrintText(const String& printer, const String& text, const FontSpec& font) {
  if (failNext_) {
    failNext_ = false;
    throw PrintError("The printer reported an error");
  }
  jobs_.push_back({printer, text, font});
}

}  // namespace quilmar::headless
