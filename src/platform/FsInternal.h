#pragma once
// Pieces shared by the file-system sources; not part of the public API.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <ctime>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Sys.h"

namespace korvane::fs {

// The UTF-8 form of a CP932 path for the system calls; nullopt with errno
// EILSEQ when it has no such form.
std::optional<std::string> SystemPath(const std::string &cp932);

// An entry as the system calls take it: the descriptor of its folder
// (AT_FDCWD for a whole path) and its UTF-8 name relative to that.  A whole
// path too long for one system call (PATH_MAX) has its folder opened a
// stretch at a time and held here, and Name is then its last component.
struct TSysEntry {
  int Dir = AT_FDCWD;
  std::string Name;
  sys::TFd Owned;
};

// nullopt with errno set: EILSEQ for a name with no UTF-8 form, EBADF for a
// folder that is not held open, EINVAL for a name in a folder that is not
// one plain component (it would walk a path, and maybe a link, again).
std::optional<TSysEntry> SystemEntry(const TEntryRef &entry);

// The entry a whole path names (CP932), as SystemEntry gives it.
inline std::optional<TSysEntry> SystemEntry(const std::string &path) { return SystemEntry(TEntryRef(path)); }

// Opens what `entry` names with `flags` (relative to its folder); -1 with
// errno set.
int OpenEntry(const TSysEntry &entry, int flags, mode_t mode = 0);

// The path a held folder has now, as the kernel knows it, checked to still
// lead to that folder; nullopt (errno set, ENOENT for a folder removed or
// moved in the meantime) otherwise.  A path too long for the kernel to
// give is found by climbing the folders above it.
std::optional<std::string> CurrentFolderPath(int dir);

// The user's home folder ($HOME, else the user database's); empty when
// neither names one.
std::string HomeFolder();
// The home trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash.
std::string HomeTrashPath();
// The top folder of the mount of `device` that holds `path` (system bytes,
// absolute); empty when none is known.
std::string TopFolderOf(std::uint64_t device, const std::string &path);

// Extended attributes of entries named relative to one folder descriptor
// (or by whole paths, with AT_FDCWD).  The kernel has *at forms of these
// calls only since 6.13; where it lacks them, the folder becomes the working
// folder for as long as this object lives, so each name is still one
// component looked up from the folder, never a path walked again.  That is
// the cheapest way on such kernels: /proc/self/fd/N/name walks four more
// components (and checks access to the process) on every call, and opening
// each entry costs an open and a close and fails on files one may not read.
// The working folder is the process's, so nothing else may resolve a
// relative path meanwhile; the system uses whole paths everywhere else, and
// a listing reads attributes on a second thread only where the kernel has
// the *at calls (XattrAtCallsPresent).  The previous working folder is
// restored on destruction.
class TXattrAt {
public:
  explicit TXattrAt(int dir) : Dir_(dir) {}
  TXattrAt(const TXattrAt &) = delete;
  TXattrAt &operator=(const TXattrAt &) = delete;
  ~TXattrAt();

  // As getxattr, setxattr and removexattr (or their l- forms when `follow`
  // is false), for `name` in the folder.
  ssize_t Get(const char *name, const char *attribute, void *value, std::size_t size, bool follow);
  int Set(const char *name, const char *attribute, const void *value, std::size_t size,
          bool follow);
  int Remove(const char *name, const char *attribute, bool follow);
  // Gives the process its own working folder back until the next call.
  void Pause();

private:
  // True when the *at calls are to be tried (not known to be missing).
  bool TryAt() const { return Dir_ != AT_FDCWD && Saved_ < 0; }
  // After an *at call failed: true when the kernel lacks it and the working
  // folder has been set instead (errno set when that fails).
  bool FallBack();

  int Dir_;
  int Saved_ = -1;  // the previous working folder, while the folder stands in for it
};

// True once the kernel has answered one of the *at calls above, so that it
// has them and no working folder ever stands in for a folder.
bool XattrAtCallsPresent();

// The last component of a path (trailing delimiters ignored).
std::string_view LastComponent(std::string_view path);

// Windows knows one read-only flag; the owner write bit stands for it.
inline bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// Hidden, system and archive bits kept in user.DOSATTRIB ("0xNN") of `name`
// (through a link when `follow`).  A file system without user extended
// attributes sets `unsupported`, so a listing can stop asking after the
// first entry.
std::uint32_t ReadDosBits(TXattrAt &xattrs, const char *name, bool follow, bool &unsupported);

// The value of a user.DOSATTRIB attribute ("0xNN", maybe followed by
// Samba's binary form).
std::uint32_t ParseDosAttrib(std::string_view text);

// The hidden, system, archive (and a folder's read-only) bits of an open
// file: through the kernel FAT driver's own attributes with `fat`, else
// from user.DOSATTRIB.  0 when there are none.
std::uint32_t DosBitsOfFd(int fd, bool fat);
// Stores exactly those bits (hidden, system, archive) on an open file;
// false with errno set (kErrorNoAttributeStore where the file system keeps
// none).
bool StoreDosBitsFd(int fd, bool fat, std::uint32_t bits);
// The bits of `name` in `dir` through the kernel FAT driver (0 when they
// cannot be read).
std::uint32_t ReadFatBits(int dir, const char *name, bool follow);

// The attribute bits of an entry: `st` describes what it points to, `name`
// is its own name (a leading dot hides it).
std::uint32_t AttributesOf(const struct stat &st, std::string_view name, std::uint32_t dosBits);

inline TFileId FileIdOf(const struct stat &st) {
  return TFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// Which side of the 1980-2107 range of a DosDateTime a file time lies on:
// -1 before it, 1 after it (also for a time localtime cannot even express),
// 0 inside it.
int TimeOutsideDosRange(const timespec &fileTime);

// The times statx read (STATX_ATIME | STATX_MTIME | STATX_BTIME); a file
// system without birth times gives the last write as the creation.
FileTimes TimesOf(const struct statx &stx);

// The attributes, size, time and identity of an entry from its status and
// its DOSATTRIB bits, as a listing and a single look both report them.
void FillEntry(FindEntry &entry, const struct stat &st, std::string_view name, std::uint32_t dosBits);

// What the kernel of one file system has been seen to refuse in this run.
enum class TKernelFeature : unsigned {
  RenameNoReplace,  // renameat2's RENAME_NOREPLACE (EINVAL)
  TmpFile,          // O_TMPFILE
  SpaceRanOut,      // not a refusal: a copy has met a full disk here
  Clone,            // FICLONE: the file system shares no blocks between files
};

std::uint64_t DeviceOf(const struct stat &st);
// The file system of a folder held open; nullopt (errno set) when it
// cannot be examined.
std::optional<TFileSystemTraits> TraitsOfFolder(int dir);
TFileSystemTraits TraitsOfDevice(std::uint64_t device, int fdOnIt);
// The file system of an entry whose status is `st`, asked of the kernel
// only the first time its device is met.
TFileSystemTraits TraitsOfEntry(const struct stat &st, int dir, const char *name);
// True once any refusal has been noted in this run: until then no call
// needs to know which file system it is on.
bool RefusalsNoted();
bool Refuses(std::uint64_t device, TKernelFeature feature);
// Only the kernel's own answers are noted (see sys::LastCallFaked).
void NoteRefusal(std::uint64_t device, TKernelFeature feature);
std::optional<TFreeSpace> FreeSpaceAt(int dir);
TFatAttributeCalls FatCalls();

// Name rules on the UTF-8 form of a name.
bool NameFitsUtf8(const TFileSystemTraits &traits, std::string_view utf8);
// True when the name breaks a rule some file system of the FAT family or
// NTFS has: only such names need the file system looked up.
bool NameMightBeRefused(std::string_view utf8);
// False only when the file system of folder `dir` certainly cannot hold
// `utf8Name` (errno is then kErrorNameNotHeld).  Ordinary names cost no call.
bool NameHeldAt(int dir, std::string_view utf8Name);
// After a call on `utf8Name` in `dir` failed: a FAT-family or NTFS driver's
// vague answer (EINVAL, EPERM) to a name Windows refuses becomes
// kErrorNameNotHeld.  errno is kept otherwise.
void ExplainNameRefusal(int dir, std::string_view utf8Name);

// The data of the open regular file `from` (its status `st`, taken when
// the copy began) into the empty file `to`: shared where the file system
// can (FICLONE), else only the source's data ranges, so holes stay holes.
bool CopyContents(int from, int to, const struct stat &st);
// The extended attributes that travel for `purpose` (CopyMetadata.cpp);
// false with errno set, kErrorAttributeNotHeld for one the destination
// cannot hold.
bool CopyExtendedAttributes(int from, int to, TCopyPurpose purpose);
// True when the file carries a POSIX ACL beyond what its mode says.
bool HasAccessControlList(int fd);
// The ACL and the permission bits; errno as CopyExtendedAttributes sets it.
bool CopyAccessControlList(int from, int to);
// A moved file's owner and group, where the caller may give them.
bool CopyOwner(int to, const struct stat &source);

// Renames without ever replacing an entry (EEXIST).  Where the file system
// refuses RENAME_NOREPLACE, the new name is looked up first and the plain
// rename follows (see FileOps.cpp for how small that window is).
bool RenameNoReplace(int fromDir, const char *from, int toDir, const char *to);

}  // namespace korvane::fs
