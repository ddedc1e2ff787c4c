// Reading an entry's kind, attributes and times by its path alone: lstat,
// stat for what a link points to, the DOS bits, and statx for the times.

#include "platform/Inspect.h"

#include <cerrno>
#include <memory>


#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>


#include "platform/Cp932.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;


namespace {

// The entry `statName` (relative to `dirFd`), whose last component is
// `component`.
std::optional<FindEntry> InspectAt(int dirFd, const char *statName, std::string_view component) {
  struct stat st {};
  if (sys::Call("fstatat", [&] { return ::fstatat(dirFd, statName, &st, AT_SYMLINK_NOFOLLOW); }) != 0)
    return std::nullopt;
  FindEntry found;
  if (S_ISLNK(st.st_mode)) {
    found.IsSymlink = true;
    struct stat target {};
    if (sys::Call("fstatat", [&] { return ::fstatat(dirFd, statName, &target, 0); }) == 0) st = target;
  }
  std::uint32_t dosBits = 0;
  if (fs::TraitsOfEntry(st, dirFd, statName).DosAttributeIoctl) {
    dosBits = fs::ReadFatBits(dirFd, statName, found.IsSymlink);
  } else {
    fs::TXattrAt xattrs(dirFd);
    bool unsupported = false;
    dosBits = fs::ReadDosBits(xattrs, statName, found.IsSymlink, unsupported);
  }
  fs::FillEntry(found, st, component, dosBits);
  found.Name = Utf8ToCp932(component).value_or(std::string());
  return found;
}

}  // namespace

std::optional<FindEntry> InspectEntry(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return std::nullopt;
  return InspectAt(target->Dir, target->Name.c_str(), fs::LastComponent(target->Name));
}

int OpenForReading(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return -1;
  // Non-blocking: a FIFO among the targets must not hang the run.  Reading
  // a header is no use of the file: its access time stays as it was (and
  // no inode is written back for each photo of a folder), where the file
  // system lets its owner ask for that.
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK;
  const int fd = sys::Call("openat", [&] {
    return ::openat(target->Dir, target->Name.c_str(), kFlags | O_NOATIME);
  });
  if (fd >= 0 || errno != EPERM) return fd;
  return sys::Call("openat", [&] { return ::openat(target->Dir, target->Name.c_str(), kFlags); });
}

std::optional<TEntryStatus> InspectStatus(const TEntryRef &entry) {
  const auto target = fs::SystemEntry(entry);
  if (!target) return std::nullopt;
  struct stat st {};
  if (sys::Call("fstatat", [&] {
        return ::fstatat(target->Dir, target->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
      }) != 0)
    return std::nullopt;
  TEntryStatus status;
  status.Id = fs::FileIdOf(st);
  status.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
  status.LastWrite = st.st_mtim;
  status.IsFolder = S_ISDIR(st.st_mode);
  status.IsSymlink = S_ISLNK(st.st_mode);
  return status;
}

std::optional<FileTimes> InspectFileTimes(const TEntryRef &ref) {
  const auto entry = fs::SystemEntry(ref);
  if (!entry) return std::nullopt;
  struct statx stx {};
  constexpr unsigned mask = STATX_ATIME | STATX_MTIME | STATX_BTIME;
  if (sys::Call("statx", [&] {
        return ::statx(entry->Dir, entry->Name.c_str(), AT_SYMLINK_NOFOLLOW, mask, &stx);
      }) != 0) {
    return std::nullopt;
  }
  return fs::TimesOf(stx);
}


std::optional<std::vector<std::string>> ReadFolderNames(const std::string &folder) {
  const TFolderHandle held = TFolderHandle::Open(folder);
  if (!held.Valid()) return std::nullopt;
  return ReadFolderNames(held);
}
