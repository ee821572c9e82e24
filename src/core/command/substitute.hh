#pragma once
// The ":start,ends/old/new/" command.
#include "text/ustring.hh"

namespace quilmar {

class App;
void SubstituteCommand(App& app, const String& line);
void ReplaceInRange(App& app, const String& OldText, const String& NewText, CharPos StartPos,
                    CharPos EndPos, bool CaseSensitive);

}  // namespace quilmar
