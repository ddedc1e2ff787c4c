// File times.  Windows reads and writes them through a handle opened for
// reading and writing, so a read-only file and a folder refuse both; the
// same refusal is made here before the open, because root's open would
// succeed.
//
// Linux keeps a birth time (statx) on most file systems but offers no call
// to set it.  Writing back the value a file already has is therefore a
// success and any other value a failure; "the same" is judged at the
// two-second resolution every time of the system passes through.

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

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

// Opens `path` the way the time change needs it: a file the caller may
// write, never a folder or a read-only file.
sys::TFd OpenForWriting(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return sys::TFd();
  struct stat st {};
  if (sys::Call("stat", [&] { return ::stat(utf8->c_str(), &st); }) != 0) return sys::TFd();
  if (S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return sys::TFd();
  }
  if (fs::IsReadOnlyMode(st.st_mode)) {
    errno = EACCES;
    return sys::TFd();
  }
  return sys::TFd(sys::Call("open", [&] {
    return ::open(utf8->c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  }));
}

std::optional<FileTimes> ReadTimes(int fd) {
  struct statx stx {};
  if (sys::Call("statx", [&] {
        return ::statx(fd, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &stx);
      }) != 0) {
    return std::nullopt;
  }
  FileTimes times;
  times.LastAccess = ToTimespec(stx.stx_atime);
  times.LastWrite = ToTimespec(stx.stx_mtime);
  times.Creation = (stx.stx_mask & STATX_BTIME) ? ToTimespec(stx.stx_btime) : times.LastWrite;
  return times;
}

// Seconds rounded down to even, as a DosDateTime keeps them.  Local offsets
// are whole minutes in every year a DosDateTime can hold, so rounding in UTC
// rounds the local time alike.
long long TwoSecondSlot(const timespec &time) {
  const long long seconds = time.tv_sec;
  return seconds >= 0 ? seconds / 2 : (seconds - 1) / 2;
}

}  // namespace

std::optional<FileTimes> GetFileTimes(const std::string &path) {
  const sys::TFd fd = OpenForWriting(path);
  if (!fd.Valid()) return std::nullopt;
  return ReadTimes(fd.Get());
}

bool SetFileTimes(const std::string &path, const std::optional<timespec> &creation,
                  const std::optional<timespec> &lastAccess,
                  const std::optional<timespec> &lastWrite) {
  const sys::TFd fd = OpenForWriting(path);
  if (!fd.Valid()) return false;
  if (creation) {
    const auto current = ReadTimes(fd.Get());
    if (!current) return false;
    if (TwoSecondSlot(*creation) != TwoSecondSlot(current->Creation)) {
      errno = EOPNOTSUPP;
      return false;
    }
  }
  const timespec omit{0, UTIME_OMIT};
  const timespec times[2] = {lastAccess.value_or(omit), lastWrite.value_or(omit)};
  return sys::Call("futimens", [&] { return ::futimens(fd.Get(), times); }) == 0;
}
