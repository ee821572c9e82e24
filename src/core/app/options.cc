#include "app/options.hh"

#include <array>
#include <optional>

namespace quilmar {

namespace {

// Right margin in cells: 0 wraps at the window's width; this many never wraps in practice.
constexpr double kNoWrapMargin = 10000;
constexpr int kTabStopCount = 32;

}  // namespace

void SetWordWrap(TextModel& txtMain, bool wrap) { txtMain.SetRightMargin(wrap ? 0 : kNoWrapMargin); }

void SetTabStops(TextModel& txtMain, std::int16_t TabSpaces) {
  if (TabSpaces <= 2) return;  // the control's default stops stay
  const auto spacing = static_cast<std::int16_t>(TabSpaces - 1);
  txtMain.SetSelTabCount(kTabStopCount);
  for (int index = 0; index < kTabStopCount; ++index) txtMain.SetSelTabs(index, index * spacing);
}

// The items that start out checked, before the settings file has had its say.
constexpr std::array<MenuItem, 3> kInitiallyChecked{
    MenuItem::mnuWordWrap, MenuItem::mnuFindCase, MenuItem::mnuReplaceCase};

EditorOptions::EditorOptions(TextModel& document, MenuPort& menus, DialogPort& dialogs)
    : txtMain_(document), dialogs_(dialogs), checks(menus) {
  for (MenuItem item : kInitiallyChecked) checks.SetChecked(item, true);
}

void EditorOptions::SetDefaults() {
  CmdStart_ = true;
  TabSpaces_ = 0;
}

void EditorOptions::SetCaseOption(MenuItem item, bool on) { checks.SetChecked(item, on); }

void EditorOptions::SetWordWrap(bool wrap) {
  quilmar::SetWordWrap(txtMain_, wrap);
  checks.SetChecked(MenuItem::mnuWordWrap, wrap);
}

// Copied field by field in the order name, bold, italic, size (the document keeps its other
// attributes), then applied at once so that the document is laid out again only once.
void EditorOptions::UseFont(const FontSpec& chosen) {
  font_ = chosen;
  FontSpec font = txtMain_.Font();
  font.name = font_.name;
  font.bold = font_.bold;
  font.italic = font_.italic;
  font.size = font_.size;
  txtMain_.SetFont(font);
}

void EditorOptions::ApplyTabStops() { SetTabStops(txtMain_, TabSpaces_); }

void EditorOptions::mnuWordWrap_Click() { SetWordWrap(!WordWrap()); }

void EditorOptions::mnuFindCase_Click() { checks.SetChecked(MenuItem::mnuFindCase, !FindCase()); }

void EditorOptions::mnuReplaceCase_Click() { checks.SetChecked(MenuItem::mnuReplaceCase, !ReplaceCase()); }

// The start mode takes effect at the next start; the running editor keeps its mode.
// The mark is toggled as shown: a settings file read again since start-up may have changed
// CmdStart under it.
void EditorOptions::mnuStCmdMode_Click() {
  const bool start = !checks.Checked(MenuItem::mnuStCmdMode);
  checks.SetChecked(MenuItem::mnuStCmdMode, start);
  CmdStart_ = start;
}

// A cancelled dialog changes neither the recorded font nor the document's; a failing one
// neither, since nothing is recorded before it answers.
void EditorOptions::mnuFonts_Click() {
  Flags_ = kFontDialogScreenFonts;
  CommonDialogState dialog;
  dialog.font = font_;
  dialog.Flags = Flags_;
  const std::optional<FontSpec> chosen = dialogs_.ShowFont(dialog);
  if (chosen) UseFont(*chosen);
}

}  // namespace quilmar
