#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "select/FolderNames.h"
#include "select/SortEntries.h"
#include "select/SplitList.h"

namespace {

using Strings = std::vector<std::string>;

TEST(SplitListTest, SeparatorsAndEmptyEntries) {
  const std::pair<std::string, Strings> cases[] = {
      {"", {""}},
      {"*.htm;*.html", {"*.htm", "*.html"}},
      {"*.htm|*.html", {"*.htm", "*.html"}},
      {"a;", {"a"}},
      {"a;;b", {"a", "", "b"}},
      {"a|;b", {"a", "", "b"}},
      {"a; b ", {"a", " b "}},
      {"\x95\x5c;x", {"\x95\x5c", "x"}},  // 表: 0x5C trail byte is no separator anyway
  };
  Strings list = {"stale"};
  for (const auto &[text, expected] : cases) {
    SplitList(text, list);
    EXPECT_EQ(list, expected) << '"' << text << '"';
  }
}

std::vector<TargetEntry> Entries(std::initializer_list<TargetEntry> entries) { return entries; }

TargetEntry Named(std::string name, std::int64_t size = 0, DosDateTime time = 0) {
  TargetEntry entry;
  entry.Name = std::move(name);
  entry.Size = size;
  entry.Time = time;
  return entry;
}

Strings Names(const std::vector<TargetEntry> &entries) {
  Strings names;
  for (const TargetEntry &entry : entries) names.push_back(entry.Name);
  return names;
}

TEST(SortEntriesTest, NamesCompareAsBytesCapitalsFirst) {
  auto entries = Entries({Named("B"), Named("a"), Named("C"), Named("\x83\x41"), Named("Ba")});
  SortEntries(entries, kSortNameAsc);
  EXPECT_EQ(Names(entries), (Strings{"B", "Ba", "C", "a", "\x83\x41"}));
  SortEntries(entries, kSortNameDesc);
  EXPECT_EQ(Names(entries), (Strings{"\x83\x41", "a", "C", "Ba", "B"}));
}

// A level large enough to be put in order a byte at a time comes out as a
// byte-wise sort puts it, each entry with what it carries: names that share
// their first eight bytes, names shorter than eight, bytes above 0x7F.
TEST(SortEntriesTest, ALargeLevelComesOutInByteOrder) {
  std::mt19937 random(7);
  const Strings stems = {"IMG_2024", "IMG_2023", "a", "\x83\x41\x83\x43", "DSC", "f0000"};
  std::vector<TargetEntry> entries;
  for (int i = 0; i < 3000; ++i) {
    const std::string &stem = stems[random() % stems.size()];
    entries.push_back(Named(stem + std::to_string(random() % 100000) + "_" + std::to_string(i), i));
  }
  entries.push_back(Named("z", 3000));
  Strings expected = Names(entries);
  std::sort(expected.begin(), expected.end(),
            [](const std::string &a, const std::string &b) { return std::string_view(a).compare(b) < 0; });
  SortEntries(entries, kSortNameAsc);
  EXPECT_EQ(Names(entries), expected);
  std::reverse(expected.begin(), expected.end());
  SortEntries(entries, kSortNameDesc);
  EXPECT_EQ(Names(entries), expected);
  for (const TargetEntry &entry : entries) {
    if (entry.Name != "z") {
      EXPECT_TRUE(entry.Name.ends_with("_" + std::to_string(entry.Size))) << entry.Name;
    }
  }
}

TEST(SortEntriesTest, SizeAndDateOrders) {
  auto entries = Entries({Named("big", 5000, 30), Named("folder", 0, 10), Named("mid", 200, 20)});
  SortEntries(entries, kSortSizeAsc);
  EXPECT_EQ(Names(entries), (Strings{"folder", "mid", "big"}));
  SortEntries(entries, kSortSizeDesc);
  EXPECT_EQ(Names(entries), (Strings{"big", "mid", "folder"}));
  SortEntries(entries, kSortDateAsc);
  EXPECT_EQ(Names(entries), (Strings{"folder", "mid", "big"}));
  SortEntries(entries, kSortDateDesc);
  EXPECT_EQ(Names(entries), (Strings{"big", "mid", "folder"}));
}

TEST(SortEntriesTest, SizesBeyondTwoGigabytesKeepTheirOrder) {
  auto entries = Entries({Named("huge", 3'000'000'000LL), Named("small", 10)});
  SortEntries(entries, kSortSizeAsc);
  EXPECT_EQ(Names(entries), (Strings{"small", "huge"}));
}

TEST(SortEntriesTest, DatesFrom2044OnSortAfterEarlierOnes) {
  const DosDateTime y2050 = (70u << 25) | (1u << 21) | (1u << 16);
  const DosDateTime y2003 = (23u << 25) | (1u << 21) | (1u << 16);
  auto entries = Entries({Named("2050", 0, y2050), Named("2003", 0, y2003)});
  SortEntries(entries, kSortDateAsc);
  EXPECT_EQ(Names(entries), (Strings{"2003", "2050"}));
}

// Equal keys come out in the order the numbering's quicksort leaves them;
// worked through by hand for three and four equal sizes.
TEST(SortEntriesTest, TiesFollowTheQuicksort) {
  auto three = Entries({Named("x"), Named("y"), Named("z")});
  SortEntries(three, kSortSizeAsc);
  EXPECT_EQ(Names(three), (Strings{"z", "y", "x"}));

  auto four = Entries({Named("a"), Named("b"), Named("c"), Named("d")});
  SortEntries(four, kSortSizeAsc);
  EXPECT_EQ(Names(four), (Strings{"c", "d", "a", "b"}));
}

// Numbers by value, full-width digits too; letters without case or width,
// kana and kanji in Japanese order; equal keys in byte order.
TEST(SortEntriesTest, NaturalOrder) {
  const Strings ascending = {"ABC", "abc", "ａｂｃ", "IMG_1", "IMG_002", "IMG_2", "img_02",
                             "IMG_10", "IMG_２０", "さくら", "サクラ", "桜", "写真2", "写真10"};
  std::vector<TargetEntry> entries;
  for (const char *name : {"写真10", "IMG_10", "サクラ", "IMG_２０", "abc", "IMG_1", "桜", "img_02",
                           "IMG_2", "ａｂｃ", "写真2", "ABC", "IMG_002", "さくら"})
    entries.push_back(Named(name));
  SortEntries(entries, kSortNaturalAsc);
  EXPECT_EQ(Names(entries), ascending);
  SortEntries(entries, kSortNaturalDesc);
  EXPECT_EQ(Names(entries), Strings(ascending.rbegin(), ascending.rend()));
  // The names of the numbering example, in the order they get their numbers.
  auto example = Entries({Named("IMG_２０"), Named("IMG_10"), Named("IMG_2"), Named("IMG_1")});
  SortEntries(example, kSortNaturalAsc);
  EXPECT_EQ(Names(example), (Strings{"IMG_1", "IMG_2", "IMG_10", "IMG_２０"}));
}

TargetEntry Shot(std::string name, std::int64_t instantMs, DosDateTime time = 0) {
  TargetEntry entry = Named(std::move(name), 0, time);
  auto facts = std::make_shared<TMediaFacts>();
  facts->Taken = TShotTime{{}, instantMs};
  entry.Media = facts;
  return entry;
}

DosDateTime Packed(int year, int month, int day, int hour, int minute) {
  return *PackDosDateTime(DateTimeParts{year, month, day, hour, minute, 0, 0});
}

// Photos copied off a card all carry the day they were copied; only their
// shooting times tell their order.  A file without one takes its place by
// its modification time.
TEST(SortEntriesTest, ShootingOrdersUseTheShootingTimeAndFallBack) {
  const DosDateTime copied = Packed(2024, 3, 1, 13, 40);
  const std::int64_t july = 1626300000000;  // 2021-07-14 22:00 UTC
  auto entries = Entries({Shot("IMG_0001", july + 3000, copied), Shot("IMG_0002", july, copied),
                          Named("notes", 0, Packed(2022, 1, 1, 0, 0)),
                          Shot("IMG_0003", july + 1500, copied), Shot("IMG_0004", july + 1501, copied)});
  SortEntries(entries, kSortShotAsc);
  EXPECT_EQ(Names(entries), (Strings{"IMG_0002", "IMG_0003", "IMG_0004", "IMG_0001", "notes"}));
  SortEntries(entries, kSortShotDesc);
  EXPECT_EQ(Names(entries), (Strings{"notes", "IMG_0001", "IMG_0004", "IMG_0003", "IMG_0002"}));
  // The date orders follow the shooting time only when it is the date source.
  SortEntries(entries, kSortDateAsc, kDateSourceShot);
  EXPECT_EQ(Names(entries), (Strings{"IMG_0002", "IMG_0003", "IMG_0004", "IMG_0001", "notes"}));
  SortEntries(entries, kSortDateDesc, kDateSourceModified);
  // All four photos were copied together: only the notes are older.
  EXPECT_EQ(Names(entries).back(), "notes");
}

TEST(SortEntriesTest, ShootingTiesFollowTheQuicksort) {
  auto three = Entries({Shot("x", 5), Shot("y", 5), Shot("z", 5)});
  SortEntries(three, kSortShotAsc);
  EXPECT_EQ(Names(three), (Strings{"z", "y", "x"}));
  auto four = Entries({Named("a"), Named("b"), Named("c"), Named("d")});
  SortEntries(four, kSortShotDesc);
  EXPECT_EQ(Names(four), (Strings{"c", "d", "a", "b"}));
}

TEST(SortEntriesTest, UnknownKindKeepsListingOrder) {
  auto entries = Entries({Named("b"), Named("a")});
  SortEntries(entries, 10);
  SortEntries(entries, -1);
  EXPECT_EQ(Names(entries), (Strings{"b", "a"}));
}


TEST(FolderNamesTest, ExactOnACaseSensitiveFileSystem) {
  TFolderNames exact(true);
  exact.Add("Dir");
  EXPECT_TRUE(exact.Contains("Dir"));
  EXPECT_FALSE(exact.Contains("dir"));

  TFolderNames folded(false);
  folded.Add("Dir");
  EXPECT_TRUE(folded.Contains("DIR"));
  // Only ASCII letters fold; 0x83 0x41 (a katakana) is not "\x83" "a".
  folded.Add("\x83\x41");
  EXPECT_FALSE(folded.Contains("\x83\x61"));
}

// The name orders come out exactly as the numbering's quicksort leaves
// them, for names that share long prefixes, are prefixes of each other or
// hold high bytes, and for lists with equal names, whose order among
// themselves is the quicksort's (the sizes tell them apart).  For the
// natural orders this also checks the collation keys against the
// collator's own comparison.
TEST(SortEntriesTest, NameOrdersAreTheQuicksortsOrder) {
  const auto quicksort = [](std::vector<TargetEntry> entries, TEntryComparer compare) {
    std::vector<TargetEntry *> list;
    for (TargetEntry &entry : entries) list.push_back(&entry);
    std::function<void(std::ptrdiff_t, std::ptrdiff_t)> sort = [&](std::ptrdiff_t l, std::ptrdiff_t r) {
      std::ptrdiff_t i, j;
      do {
        i = l;
        j = r;
        const TargetEntry *pivot = list[static_cast<std::size_t>((l + r) >> 1)];
        do {
          while (compare(*list[static_cast<std::size_t>(i)], *pivot) < 0) ++i;
          while (compare(*list[static_cast<std::size_t>(j)], *pivot) > 0) --j;
          if (i <= j) std::swap(list[static_cast<std::size_t>(i++)], list[static_cast<std::size_t>(j--)]);
        } while (i <= j);
        if (l < j) sort(l, j);
        l = i;
      } while (i < r);
    };
    if (list.size() > 1) sort(0, static_cast<std::ptrdiff_t>(list.size()) - 1);
    std::vector<std::pair<std::string, std::int64_t>> out;
    for (const TargetEntry *entry : list) out.emplace_back(entry->Name, entry->Size);
    return out;
  };
  const std::string pieces[] = {"f0000", "f00000", "a", "B", "\x83\x41", "\xFF", "1", ".",
                                "２", "10", "あ", "ｱ", "Ａ", "_"};
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::vector<TargetEntry> entries;
    const int count = 2 + static_cast<int>(random() % 60);
    for (int k = 0; k < count; ++k) {
      std::string name;
      for (std::size_t n = 1 + random() % 4; n-- > 0;) name += pieces[random() % std::size(pieces)];
      entries.push_back(Named(name, k));
    }
    if (round % 2 == 1) entries.push_back(Named(entries.front().Name, count));  // one name twice
    for (int kind : {kSortNameAsc, kSortNameDesc, kSortNaturalAsc, kSortNaturalDesc}) {
      std::vector<TargetEntry> sorted = entries;
      SortEntries(sorted, kind);
      std::vector<std::pair<std::string, std::int64_t>> got;
      for (const TargetEntry &entry : sorted) got.emplace_back(entry.Name, entry.Size);
      ASSERT_EQ(got, quicksort(entries, ComparerOfSortKind(kind))) << round << ' ' << kind;
    }
  }
}

}  // namespace
