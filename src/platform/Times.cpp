// File times.  Windows reads and writes them through a handle opened for
// reading and writing, so a read-only file and a folder refuse both; the
// same refusal is made here before the open, because root's open would
// succeed.
//
// Linux keeps a birth time (statx) on most file systems but offers no call
// to set it.  Writing back the value a file already has is therefore a
// success and any other value a failure; "the same" is judged at the
// two-second resolution every time of the system passes through.
//
// A symbolic link is a target of its own: its times are read and written on
// the link itself (statx and utimensat without following it), and the file
// it names is never touched.

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <ctime>
#include <string>

#include "platform/FileSystem.h"
#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

timespec ToTimespec(const statx_timestamp &stamp) {
  timespec out{};
  out.tv_sec = stamp.tv_sec;
  out.tv_nsec = stamp.tv_nsec;
  return out;
}

constexpr unsigned kTimesMask = STATX_ATIME | STATX_MTIME | STATX_BTIME;

// The entry whose times a change reads and writes: a file opened the way
// the time change needs it (one the caller may write, never a folder or a
// read-only file), or a symbolic link, named relative to its folder without
// following it.
class TTimesTarget {
public:
  explicit TTimesTarget(const TEntryRef &entry) {
    auto target = fs::SystemEntry(entry);
    if (!target) return;
    struct stat st {};
    if (sys::Call("lstat", [&] {
          return ::fstatat(target->Dir, target->Name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
        }) != 0) {
      return;
    }
    if (S_ISLNK(st.st_mode)) {
      link_ = std::move(*target);
      valid_ = true;
      return;
    }
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return;
    }
    if (fs::IsReadOnlyMode(st.st_mode)) {
      errno = kErrorReadOnly;
      return;
    }
    // O_NOFOLLOW: a link put in the file's place since the stat is refused.
    fd_ = sys::TFd(sys::Call("open", [&] {
      return ::openat(target->Dir, target->Name.c_str(),
                      O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
    }));
    valid_ = fd_.Valid();
  }

  bool Valid() const { return valid_; }

  std::optional<FileTimes> Read() const {
    struct statx stx {};
    const int result = sys::Call("statx", [&] {
      return fd_.Valid() ? ::statx(fd_.Get(), "", AT_EMPTY_PATH, kTimesMask, &stx)
                         : ::statx(link_.Dir, link_.Name.c_str(), AT_SYMLINK_NOFOLLOW, kTimesMask, &stx);
    });
    if (result != 0) return std::nullopt;
    return fs::TimesOf(stx);
  }

  bool Write(const timespec (&times)[2]) const {
    if (fd_.Valid()) return sys::Call("futimens", [&] { return ::futimens(fd_.Get(), times); }) == 0;
    return sys::Call("utimensat", [&] {
             return ::utimensat(link_.Dir, link_.Name.c_str(), times, AT_SYMLINK_NOFOLLOW);
           }) == 0;
  }

private:
  sys::TFd fd_;
  fs::TSysEntry link_;  // a symbolic link target
  bool valid_ = false;
};

// Seconds rounded down to even, as a DosDateTime keeps them.  Local offsets
// are whole minutes in every year a DosDateTime can hold, so rounding in UTC
// rounds the local time alike.
long long TwoSecondSlot(const timespec &time) {
  const long long seconds = time.tv_sec;
  return seconds >= 0 ? seconds / 2 : (seconds - 1) / 2;
}

}  // namespace

std::optional<FileTimes> GetFileTimes(const TEntryRef &entry) {
  const TTimesTarget target(entry);
  if (!target.Valid()) return std::nullopt;
  return target.Read();
}

bool SetFileTimes(const TEntryRef &entry, const std::optional<timespec> &creation,
                  const std::optional<timespec> &lastAccess,
                  const std::optional<timespec> &lastWrite) {
  const TTimesTarget target(entry);
  if (!target.Valid()) return false;
  const auto current = target.Read();
  if (!current) return false;
  if (creation && TwoSecondSlot(*creation) != TwoSecondSlot(current->Creation)) {
    errno = EOPNOTSUPP;
    return false;
  }
  // Both times are given, the one left as it is too: a FUSE driver may
  // drop the last write when the last access is omitted (exfat-fuse does).
  const timespec times[2] = {lastAccess.value_or(current->LastAccess), lastWrite.value_or(current->LastWrite)};
  if (!target.Write(times)) return false;
  // A file system may keep another time than it was given and say nothing
  // (a FAT card holds none before 1980).
  if (lastWrite) {
    const auto written = target.Read();
    if (written && TwoSecondSlot(written->LastWrite) != TwoSecondSlot(*lastWrite)) {
      errno = kErrorTimeNotStored;
      return false;
    }
  }
  return true;
}

int korvane::fs::TimeOutsideDosRange(const timespec &fileTime) {
  std::tm local{};
  const std::time_t seconds = fileTime.tv_sec;
  if (localtime_r(&seconds, &local) == nullptr) return seconds < 0 ? -1 : 1;
  const int year = local.tm_year + 1900;
  return year < 1980 ? -1 : year > 2107 ? 1 : 0;
}

void korvane::fs::FillEntry(FindEntry &entry, const struct stat &st, std::string_view name,
                            std::uint32_t dosBits) {
  entry.Attributes = AttributesOf(st, name, dosBits);
  entry.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
  if (const auto time = FileTimeToDosDateTime(st.st_mtim)) {
    entry.Time = *time;
    entry.TimeValid = true;
  } else {
    entry.TimeOutside = TimeOutsideDosRange(st.st_mtim);
  }
  entry.Id = FileIdOf(st);
}

FileTimes korvane::fs::TimesOf(const struct statx &stx) {
  FileTimes times;
  times.LastAccess = ToTimespec(stx.stx_atime);
  times.LastWrite = ToTimespec(stx.stx_mtime);
  times.Creation = (stx.stx_mask & STATX_BTIME) ? ToTimespec(stx.stx_btime) : times.LastWrite;
  return times;
}
