// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "app/app.hh"
namespace quilmar {
void App::mnuOpen_Click() {}
void App::mnuSave_Click() {}
void App::mnuSaveAs_Click() {}
void App::mnuClose_Click() {}
void App::mnuPrint_Click() {}
void App::mnuExit_Click() { CloseWindow(); }
}  // namespace quilmar
