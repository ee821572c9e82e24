#pragma once
// Makes a file on disk the document.
#include "files/file_context.hh"
#include "text/ustring.hh"

namespace quilmar {


// The caller has already made `path` CurrentFile; `previousFile` is what CurrentFile held
// before. The file replaces the document (no Change is raised), the tab stops are set again,
// and the file panel, the caption and the line-count panel show the file.
// A missing path (or a folder) shows "Err: " path " couldn't be opened" and keeps `path` as
// CurrentFile. When the user declines a large file, the file is too big for a document
// (refused with a box, from its size before it is read where possible), or it cannot be read,
// CurrentFile goes back to `previousFile` and the document, caption and panels are left as
// they were, so that a plain write never replaces a file the document did not come from; a
// read failure is then thrown (FileError). After a load a box names the copy of the file's
// old content that an unfinished save in place left, if any. In every case the dialogs start
// in the working directory afterwards.
void OpenFile(const FileContext& files, const String& path, const String& previousFile);

// The start-up form: no file was open before, and a file that cannot be read is reported
// with the same box as a missing one instead of being thrown. Running out of memory is not
// caught: the event's dispatcher reports it.
void OpenFile(const FileContext& files, const String& path);

// Above this many bytes the user is asked before the load.
inline constexpr long long kLargeFileBytes = 10000000;

}  // namespace quilmar
