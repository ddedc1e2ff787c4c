#pragma once
// Sort orders for numbering.  A Rename run that numbers its targets puts
// each folder's entries in the chosen order first.  The sort is the
// unstable in-place quicksort the numbering has always used; entries with
// equal keys come out in the order that algorithm leaves them, and the
// numbers follow that order, so no other algorithm may stand in for it
// where keys can be equal.  Names of one folder differ: their order is
// found by a faster sort, which hands over to the quicksort when two names
// are equal after all.

#include <cstdint>
#include <vector>

#include "select/TargetEntry.h"

// SortKind values (the items of the sort choice list).
enum TSortKind : int {
  kSortNameAsc = 0,
  kSortSizeAsc = 1,
  kSortDateAsc = 2,
  kSortNameDesc = 3,
  kSortSizeDesc = 4,
  kSortDateDesc = 5,
  kSortNaturalAsc = 6,
  kSortNaturalDesc = 7,
  kSortShotAsc = 8,
  kSortShotDesc = 9,
};

// Rename.DateSource: the time the date orders (2 and 5) compare.
enum TDateSource : int {
  kDateSourceModified = 0,
  kDateSourceShot = 1,
};

// -1: a first, 0: equal keys, 1: b first.
using TEntryComparer = int (*)(const TargetEntry &a, const TargetEntry &b);

// Names as unsigned bytes (capitals before small letters, double-byte
// characters after single-byte ones; a prefix before the longer name).
int CompareNameAsc(const TargetEntry &a, const TargetEntry &b);
int CompareNameDesc(const TargetEntry &a, const TargetEntry &b);
int CompareSizeAsc(const TargetEntry &a, const TargetEntry &b);
int CompareSizeDesc(const TargetEntry &a, const TargetEntry &b);
// Packed times compared as unsigned numbers: chronological for every date a
// DosDateTime can hold (a signed comparison would put 2044 and later first).
int CompareDateAsc(const TargetEntry &a, const TargetEntry &b);
int CompareDateDesc(const TargetEntry &a, const TargetEntry &b);
// Natural order (NaturalSortKey), then the bytes as CompareNameAsc.  Each
// call asks the collator; SortEntries works on keys made once per name.
int CompareNaturalAsc(const TargetEntry &a, const TargetEntry &b);
int CompareNaturalDesc(const TargetEntry &a, const TargetEntry &b);

// The shooting orders: the instant a photo was taken or a video recorded
// (TargetEntry::Media), and for a file without one its modification time,
// to the millisecond where the file says so.
int CompareShotAsc(const TargetEntry &a, const TargetEntry &b);
int CompareShotDesc(const TargetEntry &a, const TargetEntry &b);
// The instant the shooting orders compare, in milliseconds since 1970.
std::int64_t ShotOrderKey(const TargetEntry &entry);

// True when a SortKind, with this date source, orders by shooting time.
bool SortsByShot(int sortKind, int dateSource);

// The comparer of a SortKind, or nullptr for a value outside 0..9.
TEntryComparer ComparerOfSortKind(int sortKind, int dateSource = kDateSourceModified);

// Sorts in place by `sortKind`; any other value leaves the listing order.
// With the shooting time as date source the date orders compare as the
// shooting orders do.
void SortEntries(std::vector<TargetEntry> &entries, int sortKind,
                 int dateSource = kDateSourceModified);
