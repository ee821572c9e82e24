#pragma once
// What the window shows about the document's file after a load or a write.
#include "files/file_context.hh"
#include "text/ustring.hh"

namespace quilmar {


// The file panel gets the path as given, the caption "Quilmar - " and the path's last
// component, the line-count panel GetLineCount() - 1 and " lines".
void ShowDocumentFile(const FileContext& files, const String& path);
// The line-count panel alone. While the text is still being laid out (a big load) the panel
// is empty and the count is due (FileState::LineCountDue): it is written when the layout is
// done, before any other event can change the text.
void ShowLineCount(const FileContext& files);

}  // namespace quilmar
