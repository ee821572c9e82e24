#pragma once
// The settings file "quilmar.ini": read at start-up, written at every exit.
namespace quilmar {

class App;
void LoadSettings(App& app);
void SaveSettings(App& app);

}  // namespace quilmar
