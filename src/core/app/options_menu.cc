// The Options menu and the two view settings it shares with start-up and the loader.
#include "app/app.hh"
#include "app/options.hh"

namespace quilmar {

namespace {

// Right margin in cells: 0 wraps at the window's width; this many never wraps in practice.
constexpr double kNoWrapMargin = 10000;
constexpr int kTabStopCount = 32;
// The font dialog lists the screen fonts and offers no effects.
constexpr int kFontDialogScreenFonts = 1;

}  // namespace

void SetWordWrap(TextModel& txtMain, bool wrap) { txtMain.SetRightMargin(wrap ? 0 : kNoWrapMargin); }

void SetTabStops(TextModel& txtMain, std::int16_t TabSpaces) {
  if (TabSpaces <= 2) return;  // the control's default stops stay
  const auto spacing = static_cast<std::int16_t>(TabSpaces - 1);
  txtMain.SetSelTabCount(kTabStopCount);
  for (int index = 0; index < kTabStopCount; ++index) txtMain.SetSelTabs(index, index * spacing);
}

void App::mnuWordWrap_Click() {
  const bool wrap = !checks.Checked(MenuItem::mnuWordWrap);
  SetWordWrap(txtMain, wrap);
  checks.SetChecked(MenuItem::mnuWordWrap, wrap);
}

void App::mnuFindCase_Click() { checks.SetChecked(MenuItem::mnuFindCase, !checks.Checked(MenuItem::mnuFindCase)); }

void App::mnuReplaceCase_Click() { checks.SetChecked(MenuItem::mnuReplaceCase, !checks.Checked(MenuItem::mnuReplaceCase)); }

// The start mode takes effect at the next start; the running editor keeps its mode.
void App::mnuStCmdMode_Click() {
  const bool start = !checks.Checked(MenuItem::mnuStCmdMode);
  checks.SetChecked(MenuItem::mnuStCmdMode, start);
  modHeader.CmdStart = start;
}

// A cancelled dialog changes neither the recorded font nor the document's; a failing one
// neither, since nothing is recorded before it answers.
void App::mnuFonts_Click() {
  CommonDialog1.Flags = kFontDialogScreenFonts;
  const std::optional<FontSpec> chosen = ports.dialogs.ShowFont(CommonDialog1.font);
  if (!chosen) return;
  CommonDialog1.font = *chosen;
  // Copied field by field in the order name, bold, italic, size, then applied at once so
  // that the document is laid out again only once.
  FontSpec font = txtMain.Font();
  font.name = CommonDialog1.font.name;
  font.bold = CommonDialog1.font.bold;
  font.italic = CommonDialog1.font.italic;
  font.size = CommonDialog1.font.size;
  txtMain.SetFont(font);
}

}  // namespace quilmar
