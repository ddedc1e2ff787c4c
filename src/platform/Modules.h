#pragma once
// Parts of the system built as shared objects of their own, each holding a
// library that most runs never need, loaded on first use so that the
// programs start without it.  An installed program finds them in
// ../lib/korvane beside itself; a built one where the build left them.

#include <optional>
#include <string>
#include <string_view>

// Where module `file` (korvane-....so) lies: beside an installed program,
// else in `buildFolder`.  nullopt when it is in neither place.
std::optional<std::string> ModulePath(std::string_view file, std::string_view buildFolder);

// The address of the symbol `entry` in the module at `path`, which is loaded
// for good (modules are never unloaded).  nullptr, with the loader's reason
// in `error`, when either cannot be found.
void *ModuleEntry(const std::string &path, const char *entry, std::string &error);
