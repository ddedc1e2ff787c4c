#include "platform/ExtensionCodes.h"

namespace {

constexpr unsigned char kFirstLead = 0xF0;
constexpr int kTrailsPerLead = 188;  // 0x40-0x7E and 0x80-0xFC

}  // namespace

TExtensionCodes *&TExtensionCodes::Current() {
  static TExtensionCodes table;
  static TExtensionCodes *current = &table;
  return current;
}

TExtensionCodes &TExtensionCodes::Instance() { return *Current(); }

int TExtensionCodes::FreeCount() const {
  std::lock_guard lock(mutex_);
  return kCount - assigned_;
}

void TScopedExtensionCodes::FillUntil(int left) {
  // Characters of a plane no test name uses.
  for (char32_t key = 0xF0000; table_.FreeCount() > left; ++key) table_.CodeOf(key);
}

// New codes are handed out from the top of the area down: user-defined
// characters of Shift-JIS files start at the bottom (0xF040), so the two
// meet as late as possible.
TExtensionCodes::TExtensionCodes()
    : keyOfCode_(std::make_unique<std::atomic<char32_t>[]>(kCount)),
      codeOfKey_(std::make_unique<std::atomic<std::uint64_t>[]>(kSlots)), nextFree_(kCount - 1) {
  std::lock_guard lock(mutex_);
  int code = kCount - 1;
  for (char32_t key : kReserved) Assign(code--, key);
}

namespace {

std::size_t SlotOf(char32_t key, std::size_t slots) {
  return (static_cast<std::uint32_t>(key) * 0x9E3779B1u) >> 20 & (slots - 1);
}

}  // namespace

// Called with the lock held.  A key is never 0, so no filled slot is 0.
bool TExtensionCodes::Assign(int code, char32_t key) {
  if (keyOfCode_[code].load(std::memory_order_relaxed) != 0) return false;
  keyOfCode_[code].store(key, std::memory_order_release);
  std::size_t slot = SlotOf(key, kSlots);
  while (codeOfKey_[slot].load(std::memory_order_relaxed) != 0) slot = (slot + 1) & (kSlots - 1);
  codeOfKey_[slot].store(std::uint64_t{key} << 32 | static_cast<std::uint32_t>(code),
                         std::memory_order_release);
  ++assigned_;
  return true;
}

std::optional<int> TExtensionCodes::FindCode(char32_t key) const {
  for (std::size_t slot = SlotOf(key, kSlots);; slot = (slot + 1) & (kSlots - 1)) {
    const std::uint64_t entry = codeOfKey_[slot].load(std::memory_order_acquire);
    if (entry == 0) return std::nullopt;
    if (entry >> 32 == key) return static_cast<int>(entry & 0xFFFFFFFFu);
  }
}

std::optional<int> TExtensionCodes::CodeOf(char32_t key) {
  if (const std::optional<int> found = FindCode(key)) return found;
  std::lock_guard lock(mutex_);
  if (const std::optional<int> found = FindCode(key)) return found;
  if (key >= kPrivateUseFirst && key < kPrivateUseFirst + kCount) {
    const int natural = static_cast<int>(key - kPrivateUseFirst);
    if (Assign(natural, key)) return natural;
  }
  // Every code above nextFree_ is taken, so one downward pass over the area
  // serves the whole process.
  while (nextFree_ >= 0 && keyOfCode_[nextFree_].load(std::memory_order_relaxed) != 0) --nextFree_;
  if (nextFree_ < 0) return std::nullopt;
  Assign(nextFree_, key);
  return nextFree_;
}

std::optional<char32_t> TExtensionCodes::KeyOf(int code) {
  if (const char32_t key = keyOfCode_[code].load(std::memory_order_acquire)) return key;
  std::lock_guard lock(mutex_);
  if (const char32_t key = keyOfCode_[code].load(std::memory_order_relaxed)) return key;
  const char32_t natural = kPrivateUseFirst + static_cast<char32_t>(code);
  if (FindCode(natural)) return std::nullopt;
  Assign(code, natural);
  return natural;
}

bool TExtensionCodes::StandsForOther(int code) const {
  const char32_t key = keyOfCode_[code].load(std::memory_order_acquire);
  return key != 0 && key != kPrivateUseFirst + static_cast<char32_t>(code);
}

void TExtensionCodes::BytesOf(int code, unsigned char &lead, unsigned char &trail) {
  lead = static_cast<unsigned char>(kFirstLead + code / kTrailsPerLead);
  const int index = code % kTrailsPerLead;
  trail = static_cast<unsigned char>(index < 63 ? 0x40 + index : 0x80 + (index - 63));
}

std::optional<int> TExtensionCodes::CodeAt(unsigned char lead, unsigned char trail) {
  if (lead < kFirstLead || lead > 0xF9) return std::nullopt;
  int index;
  if (trail >= 0x40 && trail <= 0x7E) {
    index = trail - 0x40;
  } else if (trail >= 0x80 && trail <= 0xFC) {
    index = 63 + (trail - 0x80);
  } else {
    return std::nullopt;
  }
  return (lead - kFirstLead) * kTrailsPerLead + index;
}
