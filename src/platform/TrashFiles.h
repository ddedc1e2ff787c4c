#pragma once
// What the desktop trash holds, for putting a trashed file back.  The trash
// follows the freedesktop.org layout that MoveToTrash (through GIO) writes:
// files/NAME beside info/NAME.trashinfo, whose Path= (percent-encoded,
// relative to the mount point in a trash of another mount) names where the
// file was.

#include <map>

#include "platform/FileSystem.h"
#include <string>
#include <vector>

struct TTrashEntry {
  std::string File;          // CP932 path of the trashed file (in files/)
  std::string Info;          // CP932 path of its .trashinfo
  std::string DeletionDate;  // as written, "YYYY-MM-DDThh:mm:ss"
  std::string Original;      // the original path as the info file gives it (system bytes)
};

// Reads each trash folder's info files once, on first need.
class TTrashIndex {
public:
  // The entries whose original path is `path` (CP932), newest first: the
  // home trash of this process (the one MoveToTrash uses) and the trash
  // folders at the top of the path's mount.
  std::vector<TTrashEntry> Find(const std::string &path);
  // An entry put back since the index was read.
  void Forget(const TTrashEntry &entry);

private:
  using TByPath = std::map<std::string, std::vector<TTrashEntry>>;  // system path -> entries
  const TByPath &Index(const std::string &trashFolder, const std::string &topFolder);
  std::map<std::string, TByPath> Indexes_;
};

// Moves a trashed file or folder back to `to` (never replacing an entry:
// EEXIST) and removes its info file.  False with errno set.
bool RestoreFromTrash(const TTrashEntry &entry, const TEntryRef &to);

// True when `path` (CP932) lies in the files folder of a trash.
bool IsInTrashFiles(const std::string &path);
