// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "app/app.hh"
#include "app/options.hh"
namespace quilmar {
void SetWordWrap(App&, bool) {}
void SetTabStops(App&) {}
void App::mnuWordWrap_Click() {}
void App::mnuFindCase_Click() {}
void App::mnuReplaceCase_Click() {}
void App::mnuFonts_Click() {}
void App::mnuStCmdMode_Click() {}
}  // namespace quilmar
