#include "select/SortEntries.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <string>
#include <utility>

#include "platform/JapaneseText.h"

namespace {

template <class T>
int Sign(const T &a, const T &b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareBytes(std::string_view a, std::string_view b) {
  // std::string_view::compare uses char_traits<char>, which compares as
  // unsigned char, as the numbering order requires.
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The quicksort over pointers (or keyed pointers): the pivot is the item
// that sat in the middle when the partition started and stays that item
// while others move around it.
template <class T, class Compare>
void QuickSort(std::vector<T> &list, std::ptrdiff_t l, std::ptrdiff_t r, Compare compare) {
  std::ptrdiff_t i, j;
  do {
    i = l;
    j = r;
    const T pivot = list[static_cast<std::size_t>((l + r) >> 1)];
    do {
      while (compare(list[static_cast<std::size_t>(i)], pivot) < 0) ++i;
      while (compare(list[static_cast<std::size_t>(j)], pivot) > 0) --j;
      if (i <= j) {
        std::swap(list[static_cast<std::size_t>(i)], list[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);
    if (l < j) QuickSort(list, l, j, compare);
    l = i;
  } while (i < r);
}

// A name's first eight bytes as one number that orders as the bytes do
// (missing bytes count as zero, below every byte a name can hold).
std::uint64_t NamePrefix(std::string_view name) {
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < 8; ++i)
    prefix = prefix << 8 | (i < name.size() ? static_cast<unsigned char>(name[i]) : 0u);
  return prefix;
}

// The names of one folder are all different, and different keys have one
// order only, whichever algorithm finds it.  So a name order is found by
// std::sort over the names' prefixes, most comparisons done on one number
// held beside the entry's pointer, and the quicksort is run only when two
// names turn out equal after all (its order of equal keys is the one the
// numbering follows).
struct TKeyedEntry {
  std::uint64_t Prefix;
  TargetEntry *Entry;
};

// A large level is put in the order of its prefixes a byte at a time, the
// last byte first (each pass keeps the order of the one before), so that a
// folder of many thousand names costs a few passes over one list rather
// than a comparison sort; a byte all the names share is passed over.
void SortByPrefix(std::vector<TKeyedEntry> &keyed) {
  std::vector<TKeyedEntry> other(keyed.size());
  for (int shift = 0; shift < 64; shift += 8) {
    std::array<std::size_t, 257> count{};
    for (const TKeyedEntry &item : keyed) ++count[((item.Prefix >> shift) & 0xFF) + 1];
    if (std::find(count.begin() + 1, count.end(), keyed.size()) != count.end()) continue;
    for (std::size_t digit = 1; digit < count.size(); ++digit) count[digit] += count[digit - 1];
    for (const TKeyedEntry &item : keyed) other[count[(item.Prefix >> shift) & 0xFF]++] = item;
    keyed.swap(other);
  }
}

bool SortByDistinctNames(std::vector<TargetEntry *> &order, bool descending) {
  std::vector<TKeyedEntry> keyed;
  keyed.reserve(order.size());
  for (TargetEntry *entry : order) keyed.push_back({NamePrefix(entry->Name), entry});
  const auto before = [](const TKeyedEntry &a, const TKeyedEntry &b) {
    if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
    return CompareBytes(a.Entry->Name, b.Entry->Name) < 0;
  };
  // Below this many, a comparison sort costs less than the passes.
  constexpr std::size_t kPassesFrom = 512;
  if (keyed.size() < kPassesFrom) {
    std::sort(keyed.begin(), keyed.end(), before);
  } else {
    SortByPrefix(keyed);
    // Names that share their first eight bytes are put in order among
    // themselves.
    for (auto run = keyed.begin(); run != keyed.end();) {
      const auto end = std::find_if(run + 1, keyed.end(),
                                    [&](const TKeyedEntry &item) { return item.Prefix != run->Prefix; });
      if (end - run > 1) std::sort(run, end, before);
      run = end;
    }
  }
  // The names are distinct (checked below), so the descending order is the
  // ascending one reversed.
  if (descending) std::reverse(keyed.begin(), keyed.end());
  for (std::size_t i = 1; i < keyed.size(); ++i) {
    if (keyed[i].Prefix == keyed[i - 1].Prefix && keyed[i].Entry->Name == keyed[i - 1].Entry->Name)
      return false;
  }
  for (std::size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].Entry;
  return true;
}

// The natural order from keys made once per name (the collator's keys
// order as its own comparison does), the bytes deciding between equal keys;
// names that are equal after all go through the quicksort as other ties do.
void SortNaturally(std::vector<TargetEntry *> &order, bool descending) {
  struct TKeyed {
    std::string Key;
    TargetEntry *Entry;
  };
  std::vector<TKeyed> keyed;
  keyed.reserve(order.size());
  for (TargetEntry *entry : order) keyed.push_back({NaturalSortKey(entry->Name), entry});
  const int sign = descending ? -1 : 1;
  const auto compare = [sign](const TKeyed &a, const TKeyed &b) {
    const int c = CompareBytes(a.Key, b.Key);
    return sign * (c != 0 ? c : CompareBytes(a.Entry->Name, b.Entry->Name));
  };
  std::vector<TKeyed *> sorted;
  sorted.reserve(keyed.size());
  for (TKeyed &item : keyed) sorted.push_back(&item);
  std::sort(sorted.begin(), sorted.end(),
            [&](const TKeyed *a, const TKeyed *b) { return compare(*a, *b) < 0; });
  bool tie = false;
  for (std::size_t i = 1; i < sorted.size() && !tie; ++i) tie = compare(*sorted[i - 1], *sorted[i]) == 0;
  if (tie) {
    // The quicksort starts from the listing order, as it does for the others.
    for (std::size_t i = 0; i < keyed.size(); ++i) sorted[i] = &keyed[i];
    QuickSort(sorted, 0, static_cast<std::ptrdiff_t>(sorted.size()) - 1,
              [&compare](const TKeyed *a, const TKeyed *b) { return compare(*a, *b); });
  }
  for (std::size_t i = 0; i < sorted.size(); ++i) order[i] = sorted[i]->Entry;
}

}  // namespace

int CompareNameAsc(const TargetEntry &a, const TargetEntry &b) { return CompareBytes(a.Name, b.Name); }
int CompareNameDesc(const TargetEntry &a, const TargetEntry &b) { return -CompareBytes(a.Name, b.Name); }
int CompareSizeAsc(const TargetEntry &a, const TargetEntry &b) { return Sign(a.Size, b.Size); }
int CompareSizeDesc(const TargetEntry &a, const TargetEntry &b) { return -Sign(a.Size, b.Size); }
int CompareDateAsc(const TargetEntry &a, const TargetEntry &b) { return Sign(a.Time, b.Time); }
int CompareDateDesc(const TargetEntry &a, const TargetEntry &b) { return -Sign(a.Time, b.Time); }
int CompareNaturalAsc(const TargetEntry &a, const TargetEntry &b) {
  const int c = CompareNatural(a.Name, b.Name);
  return c != 0 ? c : CompareBytes(a.Name, b.Name);
}
int CompareNaturalDesc(const TargetEntry &a, const TargetEntry &b) { return -CompareNaturalAsc(a, b); }

std::int64_t ShotOrderKey(const TargetEntry &entry) {
  if (entry.Media && entry.Media->Taken) return entry.Media->Taken->Instant;
  // A packed time outside the file-time range sorts first, as 0 would.
  const std::optional<timespec> time = DosDateTimeToFileTime(entry.Time);
  return time ? static_cast<std::int64_t>(time->tv_sec) * 1000 : 0;
}

int CompareShotAsc(const TargetEntry &a, const TargetEntry &b) {
  return Sign(ShotOrderKey(a), ShotOrderKey(b));
}
int CompareShotDesc(const TargetEntry &a, const TargetEntry &b) {
  return -Sign(ShotOrderKey(a), ShotOrderKey(b));
}

bool SortsByShot(int sortKind, int dateSource) {
  if (sortKind == kSortShotAsc || sortKind == kSortShotDesc) return true;
  return dateSource == kDateSourceShot && (sortKind == kSortDateAsc || sortKind == kSortDateDesc);
}

TEntryComparer ComparerOfSortKind(int sortKind, int dateSource) {
  const bool shot = dateSource == kDateSourceShot;
  switch (sortKind) {
    case kSortNameAsc: return CompareNameAsc;
    case kSortSizeAsc: return CompareSizeAsc;
    case kSortDateAsc: return shot ? CompareShotAsc : CompareDateAsc;
    case kSortNameDesc: return CompareNameDesc;
    case kSortSizeDesc: return CompareSizeDesc;
    case kSortDateDesc: return shot ? CompareShotDesc : CompareDateDesc;
    case kSortNaturalAsc: return CompareNaturalAsc;
    case kSortNaturalDesc: return CompareNaturalDesc;
    case kSortShotAsc: return CompareShotAsc;
    case kSortShotDesc: return CompareShotDesc;
    default: return nullptr;
  }
}

namespace {

// The shooting orders compare one number per entry, worked out once
// (a file without a shooting time needs its packed time converted).
void SortByShot(std::vector<TargetEntry *> &order, bool descending) {
  struct TKeyed {
    std::int64_t Key;
    TargetEntry *Entry;
  };
  std::vector<TKeyed> keyed;
  keyed.reserve(order.size());
  for (TargetEntry *entry : order) keyed.push_back({ShotOrderKey(*entry), entry});
  const int sign = descending ? -1 : 1;
  QuickSort(keyed, 0, static_cast<std::ptrdiff_t>(keyed.size()) - 1,
            [sign](const TKeyed &a, const TKeyed &b) { return sign * Sign(a.Key, b.Key); });
  for (std::size_t i = 0; i < keyed.size(); ++i) order[i] = keyed[i].Entry;
}

}  // namespace

void SortEntries(std::vector<TargetEntry> &entries, int sortKind, int dateSource) {
  TEntryComparer compare = ComparerOfSortKind(sortKind, dateSource);
  if (compare == nullptr || entries.size() < 2) return;
  std::vector<TargetEntry *> order;
  order.reserve(entries.size());
  for (TargetEntry &entry : entries) order.push_back(&entry);
  const bool byName = sortKind == kSortNameAsc || sortKind == kSortNameDesc;
  if (SortsByShot(sortKind, dateSource)) {
    SortByShot(order, compare == CompareShotDesc);
  } else if (sortKind == kSortNaturalAsc || sortKind == kSortNaturalDesc) {
    SortNaturally(order, sortKind == kSortNaturalDesc);
  } else if (!byName || !SortByDistinctNames(order, sortKind == kSortNameDesc)) {
    QuickSort(order, 0, static_cast<std::ptrdiff_t>(order.size()) - 1,
              [compare](const TargetEntry *a, const TargetEntry *b) { return compare(*a, *b); });
  }
  // The order is applied in place, a cycle of the permutation at a time:
  // no second list of a large level's entries is made and dropped.
  std::vector<std::size_t> from(order.size());
  for (std::size_t at = 0; at < order.size(); ++at)
    from[at] = static_cast<std::size_t>(order[at] - entries.data());
  constexpr std::size_t kPlaced = static_cast<std::size_t>(-1);
  for (std::size_t start = 0; start < from.size(); ++start) {
    if (from[start] == kPlaced || from[start] == start) continue;
    TargetEntry first = std::move(entries[start]);
    std::size_t at = start;
    while (from[at] != start) {
      const std::size_t next = from[at];
      entries[at] = std::move(entries[next]);
      from[at] = kPlaced;
      at = next;
    }
    entries[at] = std::move(first);
    from[at] = kPlaced;
  }
}
