#pragma once
// The one seam between the platform layer and the kernel.  Every system call
// that can fail goes through Call(), which retries EINTR (close excepted: a
// retried close may close a descriptor another thread has just opened) and
// lets tests make a chosen call fail, the way a full disk or a vanished
// folder would, without needing such a disk or root's help.

#include <atomic>
#include <cerrno>
#include <functional>
#include <string_view>
#include <utility>

namespace korvane::sys {

// Makes the (skip + 1)-th next call named `call` fail with `error`; the
// fault fires once.  For tests only; not thread-safe by design.
void InjectFault(std::string_view call, int error, int skip = 0);
// Runs `action` just before the (skip + 1)-th next call named `call`, which
// then goes ahead; once.  Lets a test change the disk at an exact moment
// of an operation, as another program racing with it would.
void OnCall(std::string_view call, std::function<void()> action, int skip = 0);
void ClearFaults();
// True while a fault or an action is armed.  Code that would order its
// calls differently for speed keeps their plain order then, so a test's
// "the n-th call" means what it says.
bool FaultsArmed();

// Read on every call through the seam, so kept where the call can read it
// without a function call of its own.
namespace detail {
inline std::atomic<bool> faultsArmed{false};
inline thread_local bool lastCallFaked = false;
bool ArmedFaultFires(const char *call);
}  // namespace detail

inline bool FaultsArmed() { return detail::faultsArmed.load(std::memory_order_relaxed); }

// True (with errno set) when an injected fault for `call` fires now; runs
// an action set for it first.
inline bool FaultFires(const char *call) { return FaultsArmed() && detail::ArmedFaultFires(call); }

// True when the last call through Call() on this thread failed by an
// injected fault rather than by the kernel's answer: what the platform
// learns of a file system comes from the kernel only.
inline bool LastCallFaked() { return detail::lastCallFaked; }
inline void SetLastCallFaked(bool faked) { detail::lastCallFaked = faked; }

template <class F>
auto Call(const char *name, F &&function) -> decltype(function()) {
  using Result = decltype(function());
  if (FaultFires(name)) {
    SetLastCallFaked(true);
    return Result(-1);
  }
  SetLastCallFaked(false);
  for (;;) {
    Result result = function();
    if (result == Result(-1) && errno == EINTR) continue;
    return result;
  }
}

// Closes without retrying and without disturbing errno, so that a failure
// being reported keeps its own cause.
void CloseKeepErrno(int fd) noexcept;

// Owns one file descriptor.
class TFd {
public:
  TFd() = default;
  explicit TFd(int fd) : fd_(fd) {}
  TFd(TFd &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  TFd &operator=(TFd &&other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  TFd(const TFd &) = delete;
  TFd &operator=(const TFd &) = delete;
  ~TFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset() {
    if (fd_ >= 0) CloseKeepErrno(std::exchange(fd_, -1));
  }

private:
  int fd_ = -1;
};

}  // namespace korvane::sys
