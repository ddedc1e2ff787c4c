#pragma once
// Where the default settings file lives.

#include <string>
#include <string_view>

// The running executable's path with its extension replaced by ".INI"
// (korvane.INI beside the korvane binary).  When the executable's folder is
// not writable, or it is the bin folder of an installed korvane (shared with
// every other program, even where root could write it):
// $XDG_CONFIG_HOME/korvane/<same name> (~/.config when the
// variable is unset, empty or not absolute); the folder is made by the first
// write.  Worked out anew on every call.  CP932; raises EInOutError when no
// such path can be expressed in CP932.
std::string DefaultSettingsFile();

// The rule above on given inputs (UTF-8 paths), for the tests: the result
// is UTF-8.  `folderWritable` says whether the executable's folder accepts
// new files.
std::string DefaultSettingsFileFor(std::string_view executable, bool folderWritable,
                                   std::string_view configHome, std::string_view home);

// The executable's base name with its extension (from the last '.') replaced
// by ".INI": "korvane" -> "korvane.INI", "Bunsel.exe" -> "Bunsel.INI".
std::string SettingsFileName(std::string_view executableName);

// True when `executable` (UTF-8) lies in the bin folder of an install: the
// desktop file that the install puts beside it, in ../share/applications,
// is there.
bool IsInstalledExecutable(std::string_view executable);
