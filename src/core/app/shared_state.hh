#pragma once
// The editor's shared state (one copy for the whole run) and what the common dialog remembers
// between uses.
#include <cstdint>

#include "text/font.hh"
#include "text/ustring.hh"

namespace quilmar {

struct SharedState {
  String CurrentFile;        // the document's full path; empty when there is none
  bool TextChanged = false;  // unsaved changes
};

struct CommonDialogState {
  String Filter;
  bool CancelError = false;
  String InitDir;
};

}  // namespace quilmar
