#include "select/SortEntries.h"

#include <cstddef>
#include <string_view>
#include <utility>

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

// The quicksort over pointers: the pivot is the item that sat in the middle
// when the partition started and stays that item while others move around it.
void QuickSort(std::vector<TargetEntry *> &list, std::ptrdiff_t l, std::ptrdiff_t r,
               TEntryComparer compare) {
  std::ptrdiff_t i, j;
  do {
    i = l;
    j = r;
    const TargetEntry *pivot = list[static_cast<std::size_t>((l + r) >> 1)];
    do {
      while (compare(*list[static_cast<std::size_t>(i)], *pivot) < 0) ++i;
      while (compare(*list[static_cast<std::size_t>(j)], *pivot) > 0) --j;
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

}  // namespace

int CompareNameAsc(const TargetEntry &a, const TargetEntry &b) { return CompareBytes(a.Name, b.Name); }
int CompareNameDesc(const TargetEntry &a, const TargetEntry &b) { return -CompareBytes(a.Name, b.Name); }
int CompareSizeAsc(const TargetEntry &a, const TargetEntry &b) { return Sign(a.Size, b.Size); }
int CompareSizeDesc(const TargetEntry &a, const TargetEntry &b) { return -Sign(a.Size, b.Size); }
int CompareDateAsc(const TargetEntry &a, const TargetEntry &b) { return Sign(a.Time, b.Time); }
int CompareDateDesc(const TargetEntry &a, const TargetEntry &b) { return -Sign(a.Time, b.Time); }

TEntryComparer ComparerOfSortKind(int sortKind) {
  switch (sortKind) {
    case kSortNameAsc: return CompareNameAsc;
    case kSortSizeAsc: return CompareSizeAsc;
    case kSortDateAsc: return CompareDateAsc;
    case kSortNameDesc: return CompareNameDesc;
    case kSortSizeDesc: return CompareSizeDesc;
    case kSortDateDesc: return CompareDateDesc;
    default: return nullptr;
  }
}

void SortEntries(std::vector<TargetEntry> &entries, int sortKind) {
  TEntryComparer compare = ComparerOfSortKind(sortKind);
  if (compare == nullptr || entries.size() < 2) return;
  std::vector<TargetEntry *> order;
  order.reserve(entries.size());
  for (TargetEntry &entry : entries) order.push_back(&entry);
  QuickSort(order, 0, static_cast<std::ptrdiff_t>(order.size()) - 1, compare);
  std::vector<TargetEntry> sorted;
  sorted.reserve(entries.size());
  for (TargetEntry *entry : order) sorted.push_back(std::move(*entry));
  entries = std::move(sorted);
}
