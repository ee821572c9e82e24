#pragma once
// Whole-text wildcard matching: "*" any run, "?" one character, "#" one digit, "[...]" and
// "[!...]" character lists with ranges. Case-sensitive, no escape character.
#include "text/ustring.hh"

namespace quilmar {

bool LikeMatch(StringView text, StringView pattern);

}  // namespace quilmar
