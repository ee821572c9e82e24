#pragma once
// The settings file "quilmar.ini": read at start-up and after the editor writes a file whose
// path ends in "quilmar.ini", written at every exit.
#include <optional>

#include "files/file_context.hh"
#include "text/ustring.hh"

namespace quilmar {

// Reads the file and applies each recognised line at once; stops quietly at the first failure
// (no file, an unreadable one, a value that does not convert), keeping what was applied.
void LoadSettings(const SettingsContext& settings);
// Writes the seven lines, atomically; fails quietly.
void SaveSettings(const SettingsContext& settings);

// Where the file is: "quilmar.ini" in the program's folder, unless that folder can hold no
// such file (not writable, and no file there already); then the same name in the user's
// configuration folder, so options are kept also for an installed copy.
String SettingsPath(FileSystemPort& fs);

// The value conversions of the file, exposed for their tests.
// "True" or "False" in any letter case, or a decimal number (0 false, anything else true).
std::optional<bool> ToBoolean(StringView text);
// A decimal number, possibly with a fraction ("10", "-2", "9.75", ".5").
std::optional<double> ToNumber(StringView text);
// A number in its shortest form that reads back the same ("10", "9.75").
String ShortestNumber(double value);

}  // namespace quilmar
