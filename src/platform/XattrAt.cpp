// Extended attributes relative to a folder descriptor (see TXattrAt in
// FsInternal.h for why the working folder stands in on older kernels).
//
// The *at calls keep the seam names of the plain calls, so a fault injected
// into "getxattr" fails whichever form the kernel offers; a fault of ENOSYS
// makes a test walk the older kernels' way.

#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "platform/FsInternal.h"
#include "platform/Sys.h"

namespace korvane::fs {
namespace {

// The numbers of Linux 6.13, the same on every architecture whose table was
// unified; elsewhere the calls are taken as missing.
#if defined(SYS_getxattrat)
constexpr long kSetXattrAt = SYS_setxattrat;
constexpr long kGetXattrAt = SYS_getxattrat;
constexpr long kRemoveXattrAt = SYS_removexattrat;
#elif (defined(__x86_64__) && !defined(__ILP32__)) || defined(__aarch64__)
constexpr long kSetXattrAt = 463;
constexpr long kGetXattrAt = 464;
constexpr long kRemoveXattrAt = 466;
#else
constexpr long kSetXattrAt = -1;
constexpr long kGetXattrAt = -1;
constexpr long kRemoveXattrAt = -1;
#endif

// struct xattr_args of <linux/xattr.h>, which older headers lack.
struct TXattrArgs {
  std::uint64_t Value;
  std::uint32_t Size;
  std::uint32_t Flags;
};

// Set by the first real answer of the kernel, never by an injected fault.
std::atomic<bool> atCallsAnswered{false};

unsigned AtFlags(bool follow) { return follow ? 0u : static_cast<unsigned>(AT_SYMLINK_NOFOLLOW); }

}  // namespace

bool XattrAtCallsPresent() { return atCallsAnswered.load(std::memory_order_relaxed); }

TXattrAt::~TXattrAt() { Pause(); }

void TXattrAt::Pause() {
  if (Saved_ < 0) return;
  // Back to where the process was.  This cannot fail for a descriptor of a
  // folder that was the working folder a moment ago, short of its search
  // right being taken away in between; there is no one to tell then.
  const int saved = errno;
  if (::fchdir(Saved_) != 0) errno = saved;
  sys::CloseKeepErrno(Saved_);
  Saved_ = -1;
  errno = saved;
}

bool TXattrAt::FallBack() {
  if (errno != ENOSYS) return false;
  const int fd = sys::Call("open", [] { return ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC); });
  if (fd < 0) return false;
  if (sys::Call("fchdir", [&] { return ::fchdir(Dir_); }) != 0) {
    sys::CloseKeepErrno(fd);
    return false;
  }
  Saved_ = fd;
  return true;
}

ssize_t TXattrAt::Get(const char *name, const char *attribute, void *value, std::size_t size,
                      bool follow) {
  if (TryAt()) {
    TXattrArgs args{reinterpret_cast<std::uintptr_t>(value), static_cast<std::uint32_t>(size), 0};
    const long result = sys::Call("getxattr", [&] {
      const long answer =
          ::syscall(kGetXattrAt, Dir_, name, AtFlags(follow), attribute, &args, sizeof args);
      if (answer >= 0 || errno != ENOSYS) atCallsAnswered.store(true, std::memory_order_relaxed);
      return answer;
    });
    if (result >= 0) return result;
    if (!FallBack()) return -1;
  }
  return sys::Call("getxattr", [&] {
    return follow ? ::getxattr(name, attribute, value, size) : ::lgetxattr(name, attribute, value, size);
  });
}

int TXattrAt::Set(const char *name, const char *attribute, const void *value, std::size_t size,
                  bool follow) {
  if (TryAt()) {
    const TXattrArgs args{reinterpret_cast<std::uintptr_t>(value), static_cast<std::uint32_t>(size), 0};
    const long result = sys::Call("setxattr", [&] {
      return ::syscall(kSetXattrAt, Dir_, name, AtFlags(follow), attribute, &args, sizeof args);
    });
    if (result >= 0) return 0;
    if (!FallBack()) return -1;
  }
  return sys::Call("setxattr", [&] {
    return follow ? ::setxattr(name, attribute, value, size, 0)
                  : ::lsetxattr(name, attribute, value, size, 0);
  });
}

int TXattrAt::Remove(const char *name, const char *attribute, bool follow) {
  if (TryAt()) {
    const long result = sys::Call("removexattr", [&] {
      return ::syscall(kRemoveXattrAt, Dir_, name, AtFlags(follow), attribute);
    });
    if (result >= 0) return 0;
    if (!FallBack()) return -1;
  }
  return sys::Call("removexattr", [&] {
    return follow ? ::removexattr(name, attribute) : ::lremovexattr(name, attribute);
  });
}

}  // namespace korvane::fs
