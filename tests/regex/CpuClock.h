#pragma once
// CPU time of this process, for tests that bound how long something takes:
// the bound is about work, and the wall clock also counts whatever else
// the machine is running.  (<chrono> cannot be compiled with CP932
// literals.)

#include <time.h>

inline double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// How much slower the sanitizer build runs.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr double kSanitizerSlowdown = 20;
#else
inline constexpr double kSanitizerSlowdown = 1;
#endif
