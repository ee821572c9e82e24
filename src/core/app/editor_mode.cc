#include "app/editor_mode.hh"

#include "app/panels.hh"

namespace quilmar {

namespace {

String Caption(ModeText text) {
  switch (text) {
    case ModeText::Command: return u"Command";
    case ModeText::Insert: return u"Insert";
    case ModeText::Search: return u"Search";
    case ModeText::None: break;
  }
  return {};
}

}  // namespace

EditorMode::EditorMode(TextModel& document, StatusBarPort& statusBar)
    : document_(document), statusBar_(statusBar) {}

void EditorMode::Start(bool commandMode) {
  if (commandMode) EnterCommand();
  else Show(ModeText::Insert);
}

void EditorMode::EnterCommand() {
  Show(ModeText::Command);
  document_.SetLocked(true);
  commandMode_ = true;
}

void EditorMode::EnterInsert() {
  Show(ModeText::Insert);
  commandMode_ = false;
  document_.SetLocked(false);
}

void EditorMode::Show(ModeText text) { statusBar_.SetPanelText(panel::Mode, Caption(text)); }

void EditorMode::Relock() {
  if (commandMode_) document_.SetLocked(true);
}

void EditorMode::UnlockForOneEdit() { document_.SetLocked(false); }

}  // namespace quilmar
