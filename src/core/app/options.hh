#pragma once
// View settings applied to the document: word wrap and tab stops.
namespace quilmar {

class App;
void SetWordWrap(App& app, bool wrap);  // right margin 0 (wrap at the window) or 10000 cells
void SetTabStops(App& app);             // 32 stops from TabSpaces; nothing for 2 or less

}  // namespace quilmar
