// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "app/app.hh"
namespace quilmar {
void App::txtMain_KeyDown(KeyCode&, ShiftState) {}
}  // namespace quilmar
