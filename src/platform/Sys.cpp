#include "platform/Sys.h"

#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

namespace korvane::sys {
namespace {

struct Fault {
  std::string Call;
  int Error = 0;  // 0: no failure, only the action
  int Skip = 0;
  std::function<void()> Action;
};

// The list behind the flag, touched only by tests.
std::vector<Fault> &Faults() {
  static std::vector<Fault> faults;
  return faults;
}

}  // namespace

using detail::faultsArmed;

void InjectFault(std::string_view call, int error, int skip) {
  Faults().push_back({std::string(call), error, skip, {}});
  faultsArmed.store(true, std::memory_order_relaxed);
}

void OnCall(std::string_view call, std::function<void()> action, int skip) {
  Faults().push_back({std::string(call), 0, skip, std::move(action)});
  faultsArmed.store(true, std::memory_order_relaxed);
}

void ClearFaults() {
  Faults().clear();
  faultsArmed.store(false, std::memory_order_relaxed);
}

bool detail::ArmedFaultFires(const char *call) {
  auto &faults = Faults();
  for (auto it = faults.begin(); it != faults.end(); ++it) {
    if (it->Call != call) continue;
    if (it->Skip > 0) {
      --it->Skip;
      return false;
    }
    // Taken off the list before the action runs, which may itself go
    // through the seam.
    Fault fired = std::move(*it);
    faults.erase(it);
    if (faults.empty()) faultsArmed.store(false, std::memory_order_relaxed);
    if (fired.Action) fired.Action();
    if (fired.Error == 0) return false;
    errno = fired.Error;
    return true;
  }
  return false;
}

void CloseKeepErrno(int fd) noexcept {
  const int saved = errno;
  ::close(fd);
  errno = saved;
}

}  // namespace korvane::sys
