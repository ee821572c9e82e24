// Placeholder so the program links while this subsystem is being built; replaced by the real code.
#include "files/settings.hh"
namespace quilmar {
void LoadSettings(App&) {}
void SaveSettings(App&) {}
}  // namespace quilmar
