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

bool MoveToTrash(const std::string &path) {
  auto utf8 = fs::SystemPath(path);
  if (!utf8) return false;
  while (utf8->size() > 1 && utf8->back() == '/') utf8->pop_back();
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::lstat(utf8->c_str(), &st); }) != 0) return false;
  if (sys::FaultFires("moveToTrash")) return false;

  // The home folder GIO itself will compare against ($HOME, else the user
  // database's).
  struct stat home {};
  if (::stat(g_get_home_dir(), &home) != 0 || !S_ISDIR(home.st_mode)) {
    errno = ENOENT;
    return false;
  }

  const std::unique_ptr<GFile, TGObjectUnref> file(g_file_new_for_path(utf8->c_str()));
  GError *raw = nullptr;
  const bool moved = g_file_trash(file.get(), nullptr, &raw) != FALSE;
  const std::unique_ptr<GError, TGErrorFree> error(raw);
  if (!moved) {
    errno = ErrnoOf(error.get());
    return false;
  }
  return true;
}
