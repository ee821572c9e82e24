#include "qt_dialogs.hh"

#include <QFileDialog>

#include "font_dialog.hh"

namespace quilmar {
namespace {

std::optional<String> RunFileDialog(QWidget* owner, const String& startFolder, bool save) {
  QFileDialog dialog(owner, save ? QStringLiteral("Save As") : QStringLiteral("Open"),
                     QString::fromStdU16String(startFolder), QStringLiteral("All (*)"));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The editor decides what happens to an existing file ("w!"); the dialog does not ask.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdU16String();
}

}  // namespace

std::optional<String> QtDialogs::ShowOpen(const String& startFolder) {
  return RunFileDialog(owner_, startFolder, false);
}

std::optional<String> QtDialogs::ShowSave(const String& startFolder) {
  return RunFileDialog(owner_, startFolder, true);
}

std::optional<FontSpec> QtDialogs::ShowFont(const FontSpec& current) {
  FontDialog dialog(current, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace quilmar
