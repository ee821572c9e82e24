#pragma once
// The "/" search and its repeat: the next occurrence from SearchPos, wrapping once.
#include "text/ustring.hh"

namespace quilmar {

class App;
void FindPattern(App& app, const String& Pattern, bool CaseSensitive);

}  // namespace quilmar
