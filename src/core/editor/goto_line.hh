#pragma once
// The ":" line-number command.
#include "text/ustring.hh"

namespace quilmar {

class App;
void GotoLine(App& app, const String& argument);

}  // namespace quilmar
