// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "app/app.hh"
namespace quilmar {
void App::mnuAbout_Click() {}
void App::mnuHelpReference_Click() {}
}  // namespace quilmar
