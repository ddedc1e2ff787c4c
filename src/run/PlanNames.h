#pragma once
// The names of one folder as a plan sees them: those its listing found and
// what earlier targets of the plan put there or took away, in one table
// open-addressed by hash.  A plan looks into the folder of each target
// several times (is the new name free, the old one goes, the new one comes),
// so each look is one probe into contiguous memory, not a walk down a
// bucket's chain of nodes.

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

#include "ops/Prediction.h"

class TPlanNames {
public:
  struct TName {
    std::string_view Key;  // in the memory the table was given
    bool Listed = false;   // found by the folder's listing, and not taken away since
    bool Changed = false;  // Entry is what the plan left under the name
    TPlannedEntry Entry;
  };

  // Keys are copied into `memory`, which must outlive the table.
  explicit TPlanNames(std::pmr::memory_resource &memory) : Memory_(memory) {}

  // The name, or nullptr when the table has never held it.  A pointer
  // handed out stays good until the next Add.
  TName *Find(std::string_view key);
  // The name, added as neither listed nor changed when it is new.
  TName &Add(std::string_view key);
  // Room for `count` names in all, so that a folder's listing is taken in
  // without the table growing on the way.
  void Reserve(std::size_t count);
  std::size_t Size() const { return Names_.size(); }

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
  std::vector<TSlot> Slots_;  // a power of two in size, at most half full
};
