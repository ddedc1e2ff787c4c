#pragma once
// What an entry is, read without opening it.  The plan of a run and the
// checks of an undo must change nothing on the disk, not even open a file
// for writing the way the time change reads its times.

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// The entry as a folder listing would give it (attributes of what a link
// points to, a dangling link as itself; Name is the last component), or
// nullopt when there is none (errno set).  An entry of a held folder is
// looked up relative to it and walks no path: the plan of a run asks about
// one new name after another in the same folder.
std::optional<FindEntry> InspectEntry(const TEntryRef &entry);

// Opens a file to read what it holds, never through a symbolic link in its
// place (ELOOP), never for writing, and without changing its access time
// where the file system allows: the descriptor, which the caller owns, or
// -1 with errno set.  An entry of a held folder is opened relative to it.
// Safe on any thread.
int OpenForReading(const TEntryRef &entry);
// The entry itself, a link as the link: what identifies it and what a copy
// or a later change would alter.  nullopt (errno set) when there is none.
struct TEntryStatus {
  TFileId Id;
  std::int64_t Size = 0;
  timespec LastWrite{};
  bool IsFolder = false;
  bool IsSymlink = false;
};
std::optional<TEntryStatus> InspectStatus(const TEntryRef &entry);

// The times the time change would read (a link's own times), read with
// statx without following a link; nullopt when the entry is missing.
std::optional<FileTimes> InspectFileTimes(const TEntryRef &entry);

// The names in a folder (CP932), read without looking at any entry;
// nullopt when the folder cannot be read or holds a name without a CP932
// form (such a list could not tell every name apart).
std::optional<std::vector<std::string>> ReadFolderNames(const std::string &folder);
// The same through a folder held open (read from its start, through its
// own descriptor: no second one is opened).
std::optional<std::vector<std::string>> ReadFolderNames(const TFolderHandle &folder);
