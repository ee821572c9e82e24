#pragma once
// The editing mode: Command or Insert, the document's lock that goes with it, and the mode
// panel that shows it. Every change of mode is one call here, so the rule "Command mode means a
// locked document" is kept in one place and nothing else writes these three.
#include "platform/ui_ports.hh"
#include "text/text_model.hh"

namespace quilmar {

// What the mode panel shows: a mode, the search display state, or nothing.
enum class ModeText { None, Command, Insert, Search };

class EditorMode {
 public:
  EditorMode(TextModel& document, StatusBarPort& statusBar);

  bool CommandMode() const { return commandMode_; }

  // Start-up: Command mode with a locked document, or Insert mode.
  void Start(bool commandMode);
  // Escape in the document.
  void EnterCommand();
  // An insert key in Command mode; where the caret goes is the key's own business.
  void EnterInsert();
  // The panel alone: "Search" while a search is typed or repeated, "Command" when the box opens
  // with ":", nothing when the box is left or the document closed. The mode does not change.
  void Show(ModeText text);
  // Every key in the document starts here: in Command mode the document is locked again,
  // also after "x" unlocked it for its own deletion.
  void Relock();
  // "x": the document takes one deletion from the keyboard; the next key locks it again.
  void UnlockForOneEdit();

 private:
  TextModel& document_;
  StatusBarPort& statusBar_;
  bool commandMode_ = false;
};

}  // namespace quilmar
