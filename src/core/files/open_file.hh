#pragma once
// Makes a file on disk the document.
#include "text/ustring.hh"

namespace quilmar {

class App;
void OpenFile(App& app, const String& path);

}  // namespace quilmar
