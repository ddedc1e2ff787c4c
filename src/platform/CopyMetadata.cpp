// What travels with a copy besides its data: extended attributes through
// libattr, a POSIX ACL through libacl, and a moved file's owner.  This file
// is the only one that sees either library.
//
// A copy is a new file of the caller's and takes the user.* attributes
// only (a desktop's tags and comments, a download's origin).  A move is
// the same file in another place and takes every attribute the caller may
// set: security.* and trusted.* too, and the ACL.  What the caller may not
// set (a label only the system sets, trusted.* for an ordinary user) is let
// go, as the permission to keep it was never the caller's.  What the
// destination cannot hold at all (no extended attributes on a FAT card, a
// 64 KiB value on ext4) fails the copy with kErrorAttributeNotHeld: the
// caller then keeps the source of a move, and says so in its record.
//
// libattr's attr_copy_fd walks the names and consults /etc/xattr.conf
// (which names are the ACL's, which are never to be copied); its error
// callback is where each failure's errno is judged, against the name the
// check callback saw last.  The hidden, system and archive bits and the
// remembered write bits have rules of their own (see CopyAttributes in
// FileOps.cpp) and are left out here.

#include <acl/libacl.h>
#include <attr/error_context.h>
#include <attr/libattr.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

constexpr std::string_view kUserPrefix = "user.";

// The attributes CopyAttributes carries under rules of its own.
bool CarriedElsewhere(std::string_view name) {
  return name == "user.DOSATTRIB" || name == "user.korvane.writebits";
}

// The state of one copy as libattr's and libacl's callbacks see it.  The
// context is what the libraries hand back, so it comes first.
struct TCopyContext {
  error_context Context;
  TCopyPurpose Purpose;
  const char *Current = nullptr;  // the attribute being copied
  int Error = 0;                  // the first failure, as errno
};

TCopyContext &Of(error_context *context) {
  // Standard layout with the context as the first member.
  return *reinterpret_cast<TCopyContext *>(context);
}

// The destination cannot hold what it is given: no extended attributes at
// all, or not one this large.
bool NotHeld(int error) {
  return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS || error == ENOSPC ||
         error == E2BIG || error == ERANGE;
}

void Report(error_context *context, const char *, ...) {
  const int error = errno;
  TCopyContext &copy = Of(context);
  if (copy.Error != 0) return;
  // security.* and trusted.* travel where the caller may set them.
  const bool user = copy.Current != nullptr && std::string_view(copy.Current).starts_with(kUserPrefix);
  if ((error == EPERM || error == EACCES) && copy.Current != nullptr && !user) return;
  copy.Error = NotHeld(error) ? kErrorAttributeNotHeld : error == 0 ? EIO : error;
}

int Travels(const char *name, error_context *context) {
  TCopyContext &copy = Of(context);
  copy.Current = name;
  const std::string_view view(name);
  if (CarriedElsewhere(view)) return 0;
  if (copy.Purpose == TCopyPurpose::Copy && !view.starts_with(kUserPrefix)) return 0;
  // The ACL's own names go with perm_copy_fd; some are never copied.
  return attr_copy_check_permissions(name, context);
}

}  // namespace

namespace korvane::fs {

bool CopyExtendedAttributes(int from, int to, TCopyPurpose purpose) {
  if (sys::FaultFires("attr_copy_fd")) return false;
  TCopyContext copy{{Report, nullptr, nullptr}, purpose};
  // The paths only name the files in messages, which Report does not make.
  attr_copy_fd("", from, "", to, Travels, &copy.Context);
  if (copy.Error == 0) return true;
  errno = copy.Error;
  return false;
}

bool HasAccessControlList(int fd) {
  // -1 (no ACLs on this file system) is none.
  return acl_extended_fd(fd) == 1;
}

bool CopyAccessControlList(int from, int to) {
  if (sys::FaultFires("perm_copy_fd")) return false;
  TCopyContext copy{{Report, nullptr, nullptr}, TCopyPurpose::Move};
  if (perm_copy_fd("", from, "", to, &copy.Context) == 0) return true;
  errno = copy.Error != 0 ? copy.Error : EIO;
  return false;
}

bool CopyOwner(int to, const struct stat &source) {
  if (sys::Call("fchown", [&] { return ::fchown(to, source.st_uid, source.st_gid); }) == 0) return true;
  // Giving a file away takes a privilege the caller may lack, and FAT keeps
  // no owners: the copy is then the caller's, as any copy would be.
  return errno == EPERM || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
}

}  // namespace korvane::fs
