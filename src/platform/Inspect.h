#pragma once
// What an entry is, read without opening it.  The plan of a run and the
// checks of an undo must change nothing on the disk, not even open a file
// for writing the way the time change reads its times.

#include <optional>
#include <string>

#include "platform/FileSystem.h"

// The entry at `path` as a folder listing would give it (attributes of what
// a link points to, a dangling link as itself; Name is the last component),
// or nullopt when there is none (errno set).
std::optional<FindEntry> InspectEntry(const std::string &path);

// The times the time change would read (a link's own times), read with
// statx without following a link; nullopt when the entry is missing.
std::optional<FileTimes> InspectFileTimes(const std::string &path);
