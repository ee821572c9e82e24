#pragma once
// Writes the document to disk.
#include "text/ustring.hh"

namespace quilmar {

class App;
void SaveFile(App& app, const String& FileName, bool Override, bool QuitAfter);
void SaveFileAs(App& app, bool Override);

}  // namespace quilmar
