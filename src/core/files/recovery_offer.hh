#pragma once
// Offering unsaved work back when a document is loaded.
#include <optional>

#include "files/file_context.hh"
#include "text/ustring.hh"

namespace quilmar {

// Looks for the records of the file `path` names, however it is spelled (none: of new
// documents), that no running editor holds, newest first. A record that holds what the file
// holds (or, without a path, nothing) is removed without a question. For each other one a box
// asks (PATH absolute when `path` is relative)
//   PATH has unsaved changes from TIME. Recover them?
// (adding " The file has changed on disk since then." when it has): Yes makes the recovered
// text the document (TextChanged true, "Recovered" in the message panel; the record lives on
// until the next write); No moves the record aside (to the declined records, kept for a week)
// and asks about the next. Returns whether the document was replaced.
bool OfferRecords(const FileContext& files, const std::optional<String>& path);

// The time as the question shows it (local time, to the minute).
String RecordTimeText(std::int64_t ns);

}  // namespace quilmar
