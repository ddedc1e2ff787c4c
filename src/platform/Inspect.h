#pragma once
// What an entry is, read without opening it.  The plan of a run and the
// checks of an undo must change nothing on the disk, not even open a file
// for writing the way the time change reads its times.

#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// The entry at `path` as a folder listing would give it (attributes of what
// a link points to, a dangling link as itself; Name is the last component),
// or nullopt when there is none (errno set).
std::optional<FindEntry> InspectEntry(const std::string &path);

// The times the time change would read (a link's own times), read with
// statx without following a link; nullopt when the entry is missing.
std::optional<FileTimes> InspectFileTimes(const std::string &path);


// A folder held open while entries in it are looked up by name, so that a
// lookup walks no path.  For the plan of a run, which asks about one new
// name after another in the same folder.
// The names in a folder (CP932), read without looking at any entry;
// nullopt when the folder cannot be read or holds a name without a CP932
// form (such a list could not tell every name apart).
std::optional<std::vector<std::string>> ReadFolderNames(const std::string &folder);

class TFolderHandle {
public:
  TFolderHandle() = default;
  ~TFolderHandle();
  TFolderHandle(const TFolderHandle &) = delete;
  TFolderHandle &operator=(const TFolderHandle &) = delete;

  // Opens `folder` (CP932, with or without its trailing delimiter) in place
  // of the folder held so far; false when it cannot be opened.
  bool Open(const std::string &folder);
  bool IsOpen() const { return Fd_ >= 0; }

  // What InspectEntry gives for the entry `name` of the folder.
  std::optional<FindEntry> Inspect(std::string_view name) const;

private:
  int Fd_ = -1;
  std::string Utf8_;  // the folder, for the one call that has no *at form
};
