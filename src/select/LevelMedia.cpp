#include "select/LevelMedia.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <system_error>
#include <thread>

#include "select/Walk.h"

namespace {

// Entries taken at a time: few enough that the front end is pumped often
// (a header read is a fraction of a millisecond), enough that the shared
// counter is no cost.
constexpr std::size_t kChunk = 16;
// A level smaller than this is read on the walk's own thread.
constexpr std::size_t kSplitFrom = 64;

}  // namespace

void ReadLevelMedia(std::vector<TargetEntry> &entries, const TFolderHandle &held, TMediaNeed need,
                    const TMediaReader &reader, TWalkHooks &hooks) {
  std::vector<TargetEntry *> wanted;
  for (TargetEntry &entry : entries)
    if (!(entry.Attributes & kAttrDirectory) && !entry.IsSymlink && reader.Reads(entry.Name, need))
      wanted.push_back(&entry);
  if (wanted.empty()) return;

  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  // Each entry is written by the one thread that took it.
  const auto work = [&] {
    if (stop.load(std::memory_order_relaxed)) return false;
    const std::size_t from = next.fetch_add(kChunk);
    if (from >= wanted.size()) return false;
    const std::size_t to = std::min(from + kChunk, wanted.size());
    for (std::size_t i = from; i < to; ++i)
      wanted[i]->Media = reader.Read(TEntryRef(held, wanted[i]->Name), wanted[i]->Name, need);
    return true;
  };

  std::optional<std::thread> helper;
  static const bool severalProcessors = std::thread::hardware_concurrency() > 1;
  if (severalProcessors && wanted.size() >= kSplitFrom) {
    try {
      helper.emplace([&] {
        while (work()) {
        }
      });
    } catch (const std::system_error &) {
      // No thread to be had: all of it here.
    }
  }
  while (work()) {
    hooks.ProcessMessages();
    if (hooks.Aborted()) stop = true;
  }
  if (helper) helper->join();
}
