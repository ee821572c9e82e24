#pragma once
// The editor's final state as quilmar-batch prints it: one JSON object, UTF-8.
#include <string>

#include "driver.hh"

namespace quilmar::batch {

// The keys in their documented order; `text` is left out when omitText is set.
std::string SnapshotJson(const Snapshot& snapshot, bool omitText);

// A JSON string literal for the text (quotes included); lone surrogates become U+FFFD.
std::string JsonString(StringView text);

}  // namespace quilmar::batch
