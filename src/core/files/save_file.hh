#pragma once
// Writes the document to disk.
#include "files/file_context.hh"
#include "text/ustring.hh"

namespace quilmar {


// Writes the document to FileName (nothing for an empty name), refusing another existing file
// without Override, a read-only file without Override, and the document's own file when it
// has vanished, and the document's own file when its encoding has no code for a character of
// the text (nothing written, TextChanged kept; another file is then written as UTF-8).
// CurrentFile changes only when a new file is created. Writing a path that ends
// in "quilmar.ini" reads the settings again; QuitAfter closes the window after a good write.
// A file-system failure shows one line in the message panel, "Can't write " FileName ": " and
// the reason; nothing later runs (no "Written", TextChanged kept, the window stays open). With
// Override a read-only file gets its exact permission bits back, whether the write worked or
// not.
void SaveFile(const FileContext& files, const String& FileName, bool Override, bool QuitAfter);

// Asks for a name with the save dialog and writes there (QuitAfter false). A cancelled dialog
// and failures to create the file or to handle its permissions end quietly; a failed write of
// the content itself is still reported as SaveFile reports it, since the user must not think
// the document is safe.
void SaveFileAs(const FileContext& files, bool Override);

}  // namespace quilmar
