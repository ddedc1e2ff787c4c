// The data of a copy.  Three ways, cheapest first:
//
//   FICLONE         the copy shares the source's blocks (btrfs, XFS): no data
//                   is read or written and the copy takes no data blocks
//                   until one of the two files is changed.
//   copy_file_range over the source's data only, found with SEEK_DATA and
//                   SEEK_HOLE: a hole stays a hole, so a sparse disk image
//                   or database file takes no more room as a copy than as
//                   itself.  The kernel may share or copy on the server.
//   pread/pwrite    the same ranges where the kernel cannot copy between the
//                   two files (most pairs of different file systems).
//
// A file system that refuses FICLONE is remembered for the run, as every
// other refusal is, so the many small files of a run pay for the question
// once.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/FsInternal.h"
#include "platform/Sys.h"

using namespace korvane;

namespace {

// The kernel's ways of saying that two files cannot share blocks: not
// this file system, not this pair, not this kind of file.
bool CloneRefused(int error) {
  return error == EOPNOTSUPP || error == ENOTTY || error == EINVAL || error == EXDEV ||
         error == ENOSYS || error == EBADF || error == EPERM || error == ETXTBSY;
}

// The ways of saying that copy_file_range cannot copy between these two.
bool RangeRefused(int error) {
  return error == EXDEV || error == ENOSYS || error == EINVAL || error == EOPNOTSUPP ||
         error == EBADF;
}

// Copies `length` bytes at `offset` of one file to the same offset of the
// other.  Fewer bytes are copied only when the source ends sooner (it
// shrank meanwhile); `copied` says how many.
class TRangeCopier {
public:
  TRangeCopier(int from, int to) : From_(from), To_(to) {}

  bool Copy(off_t offset, off_t length, off_t &copied) {
    copied = 0;
    while (copied < length) {
      const off_t at = offset + copied;
      const std::size_t want = static_cast<std::size_t>(std::min<off_t>(length - copied, off_t{1} << 30));
      ssize_t done;
      if (UseRange_) {
        loff_t in = at, out = at;
        done = sys::Call("copy_file_range", [&] { return ::copy_file_range(From_, &in, To_, &out, want, 0); });
        if (done < 0 && RangeRefused(errno) && copied == 0 && !Started_) {
          UseRange_ = false;
          continue;
        }
      } else {
        done = Plain(at, want);
      }
      if (done < 0) return false;
      if (done == 0) return true;
      Started_ = true;
      copied += done;
    }
    return true;
  }

private:
  ssize_t Plain(off_t at, std::size_t want) {
    static thread_local std::vector<char> buffer(1 << 17);
    const std::size_t chunk = std::min(want, buffer.size());
    const ssize_t got = sys::Call("read", [&] { return ::pread(From_, buffer.data(), chunk, at); });
    if (got <= 0) return got;
    for (ssize_t put = 0; put < got;) {
      const ssize_t n = sys::Call("write", [&] {
        return ::pwrite(To_, buffer.data() + put, static_cast<std::size_t>(got - put), at + put);
      });
      if (n < 0) return -1;
      put += n;
    }
    return got;
  }

  int From_, To_;
  bool UseRange_ = true;
  bool Started_ = false;  // once bytes went one way, a refusal is a real error
};

enum class TClone { Cloned, NotCloned, Failed };

// Not judged by the devices: the subvolumes of one btrfs have devices of
// their own and share blocks all the same.
TClone TryClone(int from, int to) {
  struct stat target {};
  if (::fstat(to, &target) != 0) return TClone::NotCloned;
  const std::uint64_t device = fs::DeviceOf(target);
  if (fs::RefusalsNoted() && fs::Refuses(device, fs::TKernelFeature::Clone)) return TClone::NotCloned;
  if (sys::Call("ficlone", [&] { return ::ioctl(to, FICLONE, from); }) == 0) return TClone::Cloned;
  const int error = errno;
  if (!CloneRefused(error)) return TClone::Failed;
  if (!sys::LastCallFaked() && (error == EOPNOTSUPP || error == ENOTTY || error == ENOSYS))
    fs::NoteRefusal(device, fs::TKernelFeature::Clone);
  return TClone::NotCloned;
}

}  // namespace

namespace korvane::fs {

bool CopyContents(int from, int to, const struct stat &st) {
  switch (TryClone(from, to)) {
  case TClone::Cloned: return true;
  case TClone::Failed: return false;
  case TClone::NotCloned: break;
  }

  TRangeCopier copier(from, to);
  off_t offset = 0;
  bool shrank = false;
  for (;;) {
    const off_t data = sys::Call("lseek", [&] { return ::lseek(from, offset, SEEK_DATA); });
    if (data < 0) {
      if (errno == ENXIO) break;  // no data after offset: the rest is a hole, or nothing
      // A file system that cannot tell data from holes: everything is data.
      if (errno != EINVAL && errno != EOPNOTSUPP && errno != ENOSYS) return false;
      for (off_t copied = 1; copied != 0; offset += copied)
        if (!copier.Copy(offset, off_t{1} << 30, copied)) return false;
      return true;
    }
    off_t hole = sys::Call("lseek", [&] { return ::lseek(from, data, SEEK_HOLE); });
    if (hole < 0) return false;
    off_t copied = 0;
    if (!copier.Copy(data, hole - data, copied)) return false;
    offset = data + copied;
    if (copied < hole - data) {  // the source ended sooner: it shrank
      shrank = true;
      break;
    }
  }
  // A hole at the end is made by the size alone.  The size is the one the
  // copy began with, or what it found beyond it: data written after the
  // last look is not the copy's.
  const off_t size = shrank ? offset : std::max<off_t>(offset, st.st_size);
  // The new file is already as long as what went into it; only a hole at
  // the end needs its size set.  A FAT card through FUSE refuses ftruncate
  // (EPERM): there one zero byte at the end makes the size, as the hole
  // would have read.
  if (size == offset) return true;
  if (sys::Call("ftruncate", [&] { return ::ftruncate(to, size); }) == 0) return true;
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return false;
  const char zero = 0;
  return sys::Call("pwrite", [&] { return ::pwrite(to, &zero, 1, size - 1); }) == 1;
}

}  // namespace korvane::fs
