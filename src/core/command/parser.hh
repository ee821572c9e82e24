#pragma once
// Recognises one command line and hands it to the procedure that carries it out.
#include "text/ustring.hh"

namespace quilmar {

class App;
void ParseCommand(App& app, const String& line);

}  // namespace quilmar
