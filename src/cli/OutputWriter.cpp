#include "cli/OutputWriter.h"

#include <time.h>

#include <cstdint>
#include <cstring>

#include "cli/BatchHost.h"

namespace {

long long NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

TOutputWriter::TOutputWriter(std::FILE *out) : Out_(out) {
  Gathered_.reserve(kHandOnBytes + 4096);
  Thread_.emplace([this] { Run(); });
}

void TOutputWriter::Add(std::string_view cp932Line, char end) {
  if (Gathered_.empty()) GatheredSinceMs_ = NowMs();
  const auto length = static_cast<std::uint32_t>(cp932Line.size());
  char header[sizeof length];
  std::memcpy(header, &length, sizeof length);
  Gathered_.append(header, sizeof header);
  Gathered_.append(cp932Line);
  Gathered_.push_back(end);
  if (Gathered_.size() >= kHandOnBytes) HandOn();
}

void TOutputWriter::HandOnWhenDue() {
  if (!Gathered_.empty() && NowMs() - GatheredSinceMs_ >= kHandOnMs) HandOn();
}

void TOutputWriter::HandOn() {
  if (Gathered_.empty()) return;
  {
    std::unique_lock lock(Lock_);
    // One block waits while the writer writes the one before.
    Taken_.wait(lock, [this] { return Handed_.empty(); });
    Handed_.swap(Gathered_);
  }
  Wake_.notify_one();
  Gathered_.clear();
}

bool TOutputWriter::Finish() {
  if (Finished_) return !Failed();
  Finished_ = true;
  HandOn();
  {
    std::unique_lock lock(Lock_);
    Taken_.wait(lock, [this] { return Handed_.empty() && !Writing_; });
    Stop_ = true;
  }
  Wake_.notify_one();
  Thread_.reset();
  return !Failed();
}

void TOutputWriter::Run() {
  std::string block, text;
  for (;;) {
    {
      std::unique_lock lock(Lock_);
      Wake_.wait(lock, [this] { return !Handed_.empty() || Stop_; });
      if (Handed_.empty()) return;
      block.swap(Handed_);
      Writing_ = true;
    }
    Taken_.notify_one();
    text.clear();
    for (std::size_t at = 0; at < block.size();) {
      std::uint32_t length = 0;
      std::memcpy(&length, block.data() + at, sizeof length);
      at += sizeof length;
      AppendTerminalText(text, std::string_view(block).substr(at, length));
      at += length;
      text.push_back(block[at++]);
    }
    block.clear();
    const bool written = std::fwrite(text.data(), 1, text.size(), Out_) == text.size() &&
                         std::fflush(Out_) == 0 && !std::ferror(Out_);
    if (!written) Failed_.store(true, std::memory_order_relaxed);
    {
      const std::lock_guard lock(Lock_);
      Writing_ = false;
    }
    Taken_.notify_one();
  }
}
