#pragma once
// The small ports through which the core reaches the window: each front end (the Qt window,
// the headless adapters of quilmar-batch and the tests) implements them.
#include <optional>
#include <vector>

#include "app/menu_items.hh"
#include "platform/keys.hh"
#include "text/font.hh"
#include "text/ustring.hh"

namespace quilmar {

// The five panels of the status bar, numbered from 1: messages, mode, file, position, lines.
class StatusBarPort {
 public:
  virtual ~StatusBarPort() = default;
  virtual void SetPanelText(int panel, const String& text) = 0;
};

// Check marks of the menu items (the core holds the state and pushes it here).
class MenuPort {
 public:
  virtual ~MenuPort() = default;
  virtual void SetChecked(MenuItem item, bool checked) = 0;
};

enum class Control { txtMain, txtCmd };

// Which control has the keyboard focus.
class FocusPort {
 public:
  virtual ~FocusPort() = default;
  virtual Control Focused() const = 0;
  virtual void SetFocus(Control control) = 0;
};

// The main window itself.
class WindowPort {
 public:
  virtual ~WindowPort() = default;
  virtual void SetCaption(const String& caption) = 0;
  // The window goes away; called once, after the unload handler ran.
  virtual void Close() = 0;
};

// Modal message boxes titled "Quilmar", without an icon.
class MessageBoxPort {
 public:
  virtual ~MessageBoxPort() = default;
  virtual void ShowOk(const String& text) = 0;
  virtual bool AskYesNo(const String& text) = 0;  // true for Yes
};

// What the common dialog remembers between uses; each dialog is shown as it says.
struct CommonDialogState {
  String Filter;             // the file dialogs' filter, "Name (patterns)"
  bool CancelError = false;  // a cancelled file dialog answers nothing (else an empty name)
  String InitDir;            // the file dialogs' start folder
  FontSpec font;             // the font dialog's font: FontName, FontBold, FontItalic, FontSize
  int Flags = 0;             // the font dialog's kFontDialog... bits
};

// The font dialog lists the screen's fonts (without it, only the font it opens on).
inline constexpr int kFontDialogScreenFonts = 1;

// The common dialogs, shown as the state says. An empty optional is a cancelled dialog.
class DialogPort {
 public:
  virtual ~DialogPort() = default;
  virtual std::optional<String> ShowOpen(const CommonDialogState& dialog) = 0;
  virtual std::optional<String> ShowSave(const CommonDialogState& dialog) = 0;
  virtual std::optional<FontSpec> ShowFont(const CommonDialogState& dialog) = 0;
};

// The secondary windows: the waiting window of a load, Help and About.
class WindowsPort {
 public:
  virtual ~WindowsPort() = default;
  virtual void ShowLoading() = 0;   // shown and painted before the load blocks
  virtual void CloseLoading() = 0;
  virtual bool HelpIsOpen() const = 0;
  virtual void ShowHelp(const String& text) = 0;  // a new Help window with this text
  virtual void RaiseHelp() = 0;
  virtual bool AboutIsOpen() const = 0;
  virtual void ShowAbout(const String& credits) = 0;
  virtual void RaiseAbout() = 0;
};

// The system clipboard, plain text only.
class ClipboardPort {
 public:
  virtual ~ClipboardPort() = default;
  virtual void Clear() = 0;
  virtual void SetText(const String& text) = 0;
  virtual String GetText() const = 0;  // empty when it holds no text
};

}  // namespace quilmar
