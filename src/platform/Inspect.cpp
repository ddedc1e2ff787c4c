// Reading an entry's kind, attributes and times by its path alone: lstat,
// stat for what a link points to, the DOS bits, and statx for the times.

#include "platform/Inspect.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "platform/Cp932.h"
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

}  // namespace

std::optional<FindEntry> InspectEntry(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return std::nullopt;
  struct stat st {};
  if (sys::Call("lstat", [&] { return ::lstat(utf8->c_str(), &st); }) != 0) return std::nullopt;
  FindEntry found;
  if (S_ISLNK(st.st_mode)) {
    found.IsSymlink = true;
    struct stat target {};
    if (sys::Call("stat", [&] { return ::stat(utf8->c_str(), &target); }) == 0) st = target;
  }
  bool unsupported = false;
  const std::uint32_t dosBits = fs::ReadDosBits(utf8->c_str(), unsupported);
  const std::string_view name = fs::LastComponent(*utf8);
  found.Attributes = fs::AttributesOf(st, name, dosBits);
  found.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
  if (const auto time = FileTimeToDosDateTime(st.st_mtim)) {
    found.Time = *time;
    found.TimeValid = true;
  } else {
    found.TimeOutside = fs::TimeOutsideDosRange(st.st_mtim);
  }
  found.Id = fs::FileIdOf(st);
  found.Name = Utf8ToCp932(name).value_or(std::string());
  return found;
}

std::optional<FileTimes> InspectFileTimes(const std::string &path) {
  const auto utf8 = fs::SystemPath(path);
  if (!utf8) return std::nullopt;
  struct statx stx {};
  constexpr unsigned mask = STATX_ATIME | STATX_MTIME | STATX_BTIME;
  if (sys::Call("statx", [&] {
        return ::statx(AT_FDCWD, utf8->c_str(), AT_SYMLINK_NOFOLLOW, mask, &stx);
      }) != 0) {
    return std::nullopt;
  }
  FileTimes times;
  times.LastAccess = ToTimespec(stx.stx_atime);
  times.LastWrite = ToTimespec(stx.stx_mtime);
  times.Creation = (stx.stx_mask & STATX_BTIME) ? ToTimespec(stx.stx_btime) : times.LastWrite;
  return times;
}
