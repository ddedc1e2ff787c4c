#pragma once
// A run's lines written to a stream by a thread of their own: the run's
// thread only gathers each line, and the writer converts the gathered
// lines to the terminal's text and writes them.  Lines are handed on when
// a good block has gathered and at least every kHandOnMs, so a reader
// (`| tee`) still sees them live.  A write that fails is told at the next
// line, not at once: only a plan, which changes nothing on the disk, has
// its lines written so.

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/Threads.h"

class TOutputWriter {
public:
  static constexpr std::size_t kHandOnBytes = 64 * 1024;
  static constexpr long long kHandOnMs = 100;

  // Throws std::system_error when no thread can be had.
  explicit TOutputWriter(std::FILE *out);
  ~TOutputWriter() { Finish(); }
  TOutputWriter(const TOutputWriter &) = delete;
  TOutputWriter &operator=(const TOutputWriter &) = delete;

  // Gathers one CP932 line and the byte that ends it.
  void Add(std::string_view cp932Line, char end);
  // Hands on what has waited kHandOnMs or more.
  void HandOnWhenDue();
  // True once a write failed.
  bool Failed() const { return Failed_.load(std::memory_order_relaxed); }
  // Writes out all that was gathered, flushes the stream and ends the
  // thread; false when any write failed.  The writer takes no lines after.
  bool Finish();

private:
  void HandOn();
  void Run();

  std::FILE *Out_;
  // The run's side: lines, each as its length, its bytes and its end.
  std::string Gathered_;
  long long GatheredSinceMs_ = 0;
  // Shared under Lock_: lines handed on and not yet taken by the writer.
  std::mutex Lock_;
  std::condition_variable Wake_, Taken_;
  std::string Handed_;
  bool Writing_ = false;
  bool Stop_ = false;
  std::atomic<bool> Failed_{false};
  bool Finished_ = false;
  std::optional<TThread> Thread_;  // last: it starts once the rest is there
};
