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

// A cancel is the empty optional queued, or nothing queued; without CancelError the dialog
// answers it with an empty name, as the window's does.
std::optional<String> Dialogs::NextFile(const CommonDialogState& dialog) {
  fileDialogs_.push_back(dialog);
  std::optional<String> answer;
  if (!files_.empty()) {
    answer = std::move(files_.front());
    files_.pop_front();
  }
  if (!answer && !dialog.CancelError) return String();
  return answer;
}

std::optional<String> Dialogs::ShowOpen(const CommonDialogState& dialog) { return NextFile(dialog); }

std::optional<String> Dialogs::ShowSave(const CommonDialogState& dialog) { return NextFile(dialog); }

std::optional<FontSpec> Dialogs::ShowFont(const CommonDialogState& dialog) {
  fontDialogs_.push_back(dialog);
  if (fonts_.empty()) return std::nullopt;
  auto answer = std::move(fonts_.front());
  fonts_.pop_front();
  return answer;
}

std::vector<String> Dialogs::StartFolders() const {
  std::vector<String> folders;
  for (const CommonDialogState& dialog : fileDialogs_) folders.push_back(dialog.InitDir);
  return folders;
}

std::vector<FontSpec> Dialogs::FontsShown() const {
  std::vector<FontSpec> fonts;
  for (const CommonDialogState& dialog : fontDialogs_) fonts.push_back(dialog.font);
  return fonts;
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
