#pragma once
// The names of one folder as a plan sees them: those its listing found and
// what earlier targets of the plan put there or took away, in one table
// open-addressed by hash.  A plan looks into the folder of each target
// several times (is the new name free, the old one goes, the new one comes),
// so each look is one probe into contiguous memory, not a walk down a
// bucket's chain of nodes; a name of up to kInline bytes is held in its
// entry, so that telling it from another reads nothing else.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

#include "ops/Prediction.h"

class TPlanNames {
public:
  static constexpr std::size_t kInline = 24;

  class TName {
  public:
    std::string_view Key() const {
      return {Size_ <= kInline ? Text_.Inline : Text_.Long, Size_};
    }
    bool Listed = false;   // found by the folder's listing, and not taken away since
    bool Changed = false;  // EntryOf tells what the plan left under the name

  private:
    friend class TPlanNames;
    std::uint32_t Size_ = 0;
    std::uint32_t EntryAt_ = 0;  // place in Entries_ + 1, once changed
    union {
      char Inline[kInline];
      const char *Long;  // in the memory the table was given
    } Text_{};
  };

  // Long keys are copied into `memory`, which must outlive the table.
  explicit TPlanNames(std::pmr::memory_resource &memory) : Memory_(memory) {}

  // The name, or nullptr when the table has never held it.  A pointer
  // handed out stays good until the next Add.
  TName *Find(std::string_view key);
  // The name, added as neither listed nor changed when it is new.
  TName &Add(std::string_view key);
  // Room for `count` names in all and for `changes` more changed ones, so
  // that a folder's listing, or the new names of its targets, are taken in
  // without the table growing on the way.
  void Reserve(std::size_t count, std::size_t changes = 0);
  std::size_t Size() const { return Names_.size(); }

  // What the plan leaves under `name` from now on.
  void Change(TName &name, const TPlannedEntry &entry);
  // What the plan left there; only for a changed name.
  const TPlannedEntry &EntryOf(const TName &name) const { return Entries_[name.EntryAt_ - 1]; }

private:
  struct TSlot {
    std::uint32_t Hash = 0;
    std::uint32_t Index = 0;  // the name's place + 1; 0 is an empty slot
  };
  static std::uint32_t HashOf(std::string_view key);
  // The slot that holds `key`, or the empty one where it would go.
  std::size_t Probe(std::string_view key, std::uint32_t hash) const;
  void Rehash(std::size_t slots);

  std::pmr::memory_resource &Memory_;
  std::vector<TName> Names_;
  std::vector<TPlannedEntry> Entries_;
  std::vector<TSlot> Slots_;  // a power of two in size, at most half full
};
