#include "run/PlanNames.h"

#include <bit>
#include <cstring>

// Names are short and differ in a few bytes (a counter in the middle), so
// eight bytes are mixed in at a time and the result is stirred once at the
// end; a general hash of bytes costs several times as much per name, and a
// plan hashes each name three or four times.
std::uint32_t TPlanNames::HashOf(std::string_view key) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15u;
  std::uint64_t hash = key.size() * kMultiplier;
  const char *at = key.data();
  std::size_t left = key.size();
  for (; left >= 8; at += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, at, 8);
    hash = std::rotl(hash ^ word, 29) * kMultiplier;
  }
  if (left > 0) {
    // The last eight bytes of a longer key, overlapping the words before.
    std::uint64_t word = 0;
    if (key.size() >= 8) {
      std::memcpy(&word, key.data() + key.size() - 8, 8);
    } else {
      for (std::size_t i = 0; i < left; ++i) word |= std::uint64_t{static_cast<unsigned char>(at[i])} << (8 * i);
    }
    hash = std::rotl(hash ^ word, 29) * kMultiplier;
  }
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDu;
  hash ^= hash >> 33;
  return static_cast<std::uint32_t>(hash);
}

std::size_t TPlanNames::Probe(std::string_view key, std::uint32_t hash) const {
  const std::size_t mask = Slots_.size() - 1;
  for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
    const TSlot &slot = Slots_[at];
    if (slot.Index == 0) return at;
    if (slot.Hash == hash && Names_[slot.Index - 1].Key() == key) return at;
  }
}

TPlanNames::TName *TPlanNames::Find(std::string_view key) {
  if (Names_.empty()) return nullptr;
  const TSlot &slot = Slots_[Probe(key, HashOf(key))];
  return slot.Index == 0 ? nullptr : &Names_[slot.Index - 1];
}

TPlanNames::TName &TPlanNames::Add(std::string_view key) {
  if ((Names_.size() + 1) * 2 > Slots_.size()) Rehash(Slots_.empty() ? 16 : Slots_.size() * 2);
  const std::uint32_t hash = HashOf(key);
  TSlot &slot = Slots_[Probe(key, hash)];
  if (slot.Index != 0) return Names_[slot.Index - 1];
  TName &name = Names_.emplace_back();
  name.Size_ = static_cast<std::uint32_t>(key.size());
  if (key.size() <= kInline) {
    if (!key.empty()) std::memcpy(name.Text_.Inline, key.data(), key.size());
  } else {
    char *text = static_cast<char *>(Memory_.allocate(key.size(), 1));
    std::memcpy(text, key.data(), key.size());
    name.Text_.Long = text;
  }
  slot.Hash = hash;
  slot.Index = static_cast<std::uint32_t>(Names_.size());
  return name;
}

void TPlanNames::Change(TName &name, const TPlannedEntry &entry) {
  name.Changed = true;
  if (name.EntryAt_ == 0) {
    Entries_.push_back(entry);
    name.EntryAt_ = static_cast<std::uint32_t>(Entries_.size());
  } else {
    Entries_[name.EntryAt_ - 1] = entry;
  }
}

void TPlanNames::Reserve(std::size_t count, std::size_t changes) {
  Names_.reserve(count);
  Entries_.reserve(Entries_.size() + changes);
  std::size_t slots = Slots_.empty() ? 16 : Slots_.size();
  while (count * 2 > slots) slots *= 2;
  if (slots != Slots_.size()) Rehash(slots);
}

void TPlanNames::Rehash(std::size_t slots) {
  std::vector<TSlot> old(slots);
  old.swap(Slots_);
  const std::size_t mask = Slots_.size() - 1;
  for (const TSlot &slot : old) {
    if (slot.Index == 0) continue;
    std::size_t at = slot.Hash & mask;
    while (Slots_[at].Index != 0) at = (at + 1) & mask;
    Slots_[at] = slot;
  }
}
