#pragma once
// The editor's shared state (one copy for the whole run); what the common dialog remembers
// between uses is CommonDialogState (platform/ui_ports.hh).
#include <cstdint>

#include "platform/ui_ports.hh"
#include "text/ustring.hh"

namespace quilmar {

struct SharedState {
  String CurrentFile;        // the document's full path; empty when there is none
  bool TextChanged = false;  // unsaved changes
  std::int16_t TabSpaces = 0;
  bool CmdStart = false;     // start the next run in Command mode
  String LastPattern;        // the last "/" pattern, for the repeat keys
  CharPos SearchPos = 0;     // where the next search begins
};


}  // namespace quilmar
