// The desktop trash through GIO's g_file_trash, which file managers use and
// which follows the freedesktop.org layout: the home trash for files on the
// home folder's file system, $topdir/.Trash-$uid on other mounts, and a
// .trashinfo whose Path= is percent-encoded, so a file can be restored by
// any of them.  Unlike the shell call of the Windows original, whose result
// nobody looked at, the result here is what really happened.
//
// GIO picks the home trash by comparing the file's device with that of the
// home folder, but does not check that the home folder exists: with HOME
// naming a missing folder a file on the root file system would land in
// /.Trash-$uid and be reported as trashed.  So a home folder that cannot be
// found refuses the move instead.
//
// GIO takes only paths.  An entry of a held folder is handed over under the
// path that folder has now, checked to still lead to it; a folder removed
// since fails the move, and one swapped for a link is not followed.  What
// remains is the moment between that check and GIO's own rename.

#include <gio/gio.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <string>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

struct TGObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct TGErrorFree {
  void operator()(GError *error) const { g_error_free(error); }
};

int ErrnoOf(const GError *error) {
  if (error == nullptr || error->domain != G_IO_ERROR) return EIO;
  switch (error->code) {
  case G_IO_ERROR_NOT_FOUND: return ENOENT;
  case G_IO_ERROR_PERMISSION_DENIED: return EACCES;
  case G_IO_ERROR_NOT_SUPPORTED: return EOPNOTSUPP;
  case G_IO_ERROR_NO_SPACE: return ENOSPC;
  case G_IO_ERROR_NOT_DIRECTORY: return ENOTDIR;
  case G_IO_ERROR_READ_ONLY: return EROFS;
  case G_IO_ERROR_EXISTS: return EEXIST;
  default: return EIO;
  }
}

}  // namespace

bool MoveToTrash(const TEntryRef &entry) {
  auto target = fs::SystemEntry(entry);
  if (!target) return false;
  std::string &name = target->Name;
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::fstatat(target->Dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW); }) != 0)
    return false;
  if (sys::FaultFires("moveToTrash")) return false;

  // The home folder GIO itself will compare against ($HOME, else the user
  // database's).
  struct stat home {};
  if (::stat(g_get_home_dir(), &home) != 0 || !S_ISDIR(home.st_mode)) {
    errno = ENOENT;
    return false;
  }

  // The held folder's path is looked up last, to leave GIO as short a
  // moment as can be.
  std::string path;
  if (target->Dir == AT_FDCWD) {
    path = std::move(name);
  } else {
    const auto folder = fs::CurrentFolderPath(target->Dir);
    if (!folder) return false;
    path = *folder + (folder->back() == '/' ? "" : "/") + name;
  }
  const std::unique_ptr<GFile, TGObjectUnref> file(g_file_new_for_path(path.c_str()));
  GError *raw = nullptr;
  const bool moved = g_file_trash(file.get(), nullptr, &raw) != FALSE;
  const std::unique_ptr<GError, TGErrorFree> error(raw);
  if (!moved) {
    errno = ErrnoOf(error.get());
    return false;
  }
  return true;
}
