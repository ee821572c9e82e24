#pragma once
// The options: the menu items' check marks (Word Wrap, Find Case, Replace Case, the start
// mode), the tab spacing, and the font the font dialog last chose, with the Options menu's
// handlers. The settings file reads into and writes from them through this interface; nothing
// else changes them.
#include <cstdint>

#include "app/menu_checks.hh"
#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

void SetWordWrap(TextModel& txtMain, bool wrap);  // right margin 0 (wrap at the window) or 10000 cells
void SetTabStops(TextModel& txtMain, std::int16_t TabSpaces);  // 32 stops; nothing for 2 or less

class EditorOptions {
 public:
  EditorOptions(TextModel& document, MenuPort& menus, DialogPort& dialogs);

  bool Checked(MenuItem item) const { return checks.Checked(item); }
  bool FindCase() const { return checks.Checked(MenuItem::mnuFindCase); }
  bool ReplaceCase() const { return checks.Checked(MenuItem::mnuReplaceCase); }
  bool WordWrap() const { return checks.Checked(MenuItem::mnuWordWrap); }
  std::int16_t TabSpaces() const { return TabSpaces_; }
  bool CmdStart() const { return CmdStart_; }  // start the next run in Command mode
  const FontSpec& DialogFont() const { return font_; }
  int FontFlags() const { return Flags_; }

  // ---- What start-up and the settings file set.
  // The values that stand when the settings file is missing or lacks the key.
  void SetDefaults();
  void SetCaseOption(MenuItem item, bool on);  // mnuFindCase or mnuReplaceCase
  void SetWordWrap(bool wrap);                 // the check mark and the document's margin
  void SetTabSpaces(std::int16_t spaces) { TabSpaces_ = spaces; }
  void SetCmdStart(bool start) { CmdStart_ = start; }
  // The font dialog's fields; UseFont also gives them to the document, laid out once.
  void RememberFont(const FontSpec& font) { font_ = font; }
  void UseFont(const FontSpec& font);
  // The document's tab stops from TabSpaces (after start-up and every load); the start mode's
  // check mark from CmdStart.
  void ApplyTabStops();
  void ShowCmdStart() { checks.SetChecked(MenuItem::mnuStCmdMode, CmdStart_); }

  // ---- The Options menu.
  void mnuWordWrap_Click();
  void mnuFindCase_Click();
  void mnuReplaceCase_Click();
  void mnuFonts_Click();
  void mnuStCmdMode_Click();

 private:
  friend struct AppTestAccess;
  TextModel& txtMain_;
  DialogPort& dialogs_;
  MenuChecks checks;
  std::int16_t TabSpaces_ = 0;
  bool CmdStart_ = false;
  FontSpec font_;
  int Flags_ = 0;
};

}  // namespace quilmar
