#include "qt_dialogs.hh"

#include <QFileDialog>

#include "font_dialog.hh"

namespace quilmar {
namespace {

std::optional<String> RunFileDialog(QWidget* owner, const CommonDialogState& state, bool save) {
  QFileDialog dialog(owner, save ? QStringLiteral("Save As") : QStringLiteral("Open"),
                     QString::fromStdU16String(state.InitDir), QString::fromStdU16String(state.Filter));
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  // The editor decides what happens to an existing file ("w!"); the dialog does not ask.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    if (state.CancelError) return std::nullopt;
    return String();  // without CancelError a cancel answers an empty name
  }
  return dialog.selectedFiles().constFirst().toStdU16String();
}

}  // namespace

std::optional<String> QtDialogs::ShowOpen(const CommonDialogState& dialog) {
  return RunFileDialog(owner_, dialog, false);
}

std::optional<String> QtDialogs::ShowSave(const CommonDialogState& dialog) {
  return RunFileDialog(owner_, dialog, true);
}

std::optional<FontSpec> QtDialogs::ShowFont(const CommonDialogState& state) {
  FontDialog dialog(state.font, (state.Flags & kFontDialogScreenFonts) != 0, owner_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Chosen();
}

}  // namespace quilmar
