#pragma once
// A thread with a stack of a chosen size, joined when it goes.  A helper
// thread that needs little stack should not reserve the default (8 MB
// here), which counts against a process's data limit.

#include <pthread.h>

#include <cstddef>
#include <functional>

class TThread {
public:
#if defined(__SANITIZE_ADDRESS__)
  static constexpr std::size_t kSmallStack = std::size_t{4} << 20;  // the sanitizer's frames are larger
#else
  static constexpr std::size_t kSmallStack = std::size_t{256} << 10;
#endif

  // Starts `body` on a thread of its own.  Throws std::system_error when no
  // thread can be had.  An exception that leaves `body` ends the process,
  // as one that leaves a std::thread does.
  explicit TThread(std::function<void()> body, std::size_t stackBytes = kSmallStack);
  ~TThread() { Join(); }
  TThread(const TThread &) = delete;
  TThread &operator=(const TThread &) = delete;

  // Waits for the body to end; once.
  void Join();

private:
  static void *Run(void *self);

  std::function<void()> Body_;
  pthread_t Thread_{};
  bool Joinable_ = false;
};
