#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/ExtensionCodes.h"
#include "platform/FileSystem.h"
#include "platform/Inspect.h"
#include "platform/Sys.h"

namespace {

// Characters without a CP932 form, spelled as UTF-8 bytes: g++ refuses
// them even in u8 literals when the execution character set is CP932.
#define kEmoji "\xF0\x9F\x98\x80"
#define kEAcute "\xC3\xA9"

std::map<std::string, FindEntry> ByName(const FindResult &result) {
  std::map<std::string, FindEntry> entries;
  for (const auto &entry : result.Entries) entries[entry.Name] = entry;
  return entries;
}

std::vector<std::string> Names(const FindResult &result) {
  std::vector<std::string> names;
  for (const auto &entry : result.Entries) names.push_back(entry.Name);
  std::sort(names.begin(), names.end());
  return names;
}

class FindTest : public ::testing::Test {
protected:
  void TearDown() override { korvane::sys::ClearFaults(); }
  TTempFolder temp_;
};

TEST_F(FindTest, ListsMatchingEntriesWithTheirData) {
  MakeTree(temp_.Root(), {"a.txt=hello", "B.TXT", "noext", "sub/", U8(u8"表.txt=12"), ".hidden"});
  const FindResult all = FindFiles(temp_.Root(), "*.*");
  ASSERT_TRUE(all.Ok);
  EXPECT_EQ(Names(all), (std::vector<std::string>{".hidden", "B.TXT", "a.txt", "noext", "sub", "表.txt"}));
  EXPECT_EQ(all.Unrepresentable, 0u);

  auto entries = ByName(all);
  EXPECT_EQ(entries["a.txt"].Size, 5);
  EXPECT_EQ(entries["表.txt"].Size, 2);
  EXPECT_EQ(entries["a.txt"].Attributes, 0u);
  EXPECT_EQ(entries["sub"].Attributes, std::uint32_t(kAttrDirectory));
  EXPECT_EQ(entries["sub"].Size, 0);
  EXPECT_EQ(entries[".hidden"].Attributes, std::uint32_t(kAttrHidden));
  EXPECT_TRUE(entries["a.txt"].TimeValid);
  struct stat st {};
  ASSERT_EQ(stat((temp_ / "a.txt").c_str(), &st), 0);
  EXPECT_EQ(entries["a.txt"].Time, *FileTimeToDosDateTime(st.st_mtim));
  EXPECT_FALSE(entries["a.txt"].IsSymlink);

  // Trailing delimiter or not, same listing; the pattern narrows it.
  EXPECT_EQ(Names(FindFiles(temp_.Root() + "/", "*.txt")),
            (std::vector<std::string>{"B.TXT", "a.txt", "表.txt"}));
  EXPECT_EQ(Names(FindFiles(temp_.Root(), "?.txt")),
            (std::vector<std::string>{"B.TXT", "a.txt", "表.txt"}));
  EXPECT_TRUE(FindFiles(temp_.Root(), "").Entries.empty());
}

// Names read through a folder held open are those read by its path, each
// time from the start, whatever a listing through the same handle read
// before.
TEST_F(FindTest, FolderNamesThroughAHeldFolderAreThoseByItsPath) {
  MakeTree(temp_.Root(), {"a.txt", "sub/", U8(u8"表.txt"), ".hidden"});
  const TFolderHandle held = TFolderHandle::Open(temp_.Root());
  ASSERT_TRUE(held.Valid());
  const auto sorted = [](std::optional<std::vector<std::string>> names) {
    if (names) std::sort(names->begin(), names->end());
    return names;
  };
  const auto byPath = sorted(ReadFolderNames(temp_.Root()));
  ASSERT_TRUE(byPath.has_value());
  EXPECT_EQ(sorted(ReadFolderNames(held)), byPath);
  EXPECT_EQ(Names(FindFiles(held, "*.*")).size(), byPath->size());
  EXPECT_EQ(sorted(ReadFolderNames(held)), byPath);

  // A name given an extension code reads the same either way.
  MakeTree(temp_.Root(), {"caf" kEAcute ".txt"});
  EXPECT_EQ(sorted(ReadFolderNames(held)), sorted(ReadFolderNames(temp_.Root())));
  EXPECT_EQ(sorted(ReadFolderNames(held))->size(), byPath->size() + 1);
  EXPECT_FALSE(ReadFolderNames(TFolderHandle()).has_value());
}

// A listing that also hands over every name it read gives what
// ReadFolderNames gives, whatever its pattern keeps; names that cannot tell
// every name apart are not Whole.
TEST_F(FindTest, TheNamesAListingReadAreThoseOfTheFolder) {
  MakeTree(temp_.Root(), {"a.txt", "b.dat", "sub/", U8(u8"表.txt"), ".hidden", "caf" kEAcute ".txt"});
  const TFolderHandle held = TFolderHandle::Open(temp_.Root());
  ASSERT_TRUE(held.Valid());
  std::optional<std::vector<std::string>> expected = ReadFolderNames(held);
  ASSERT_TRUE(expected.has_value());
  std::sort(expected->begin(), expected->end());
  const auto keepAll = [](FindEntry &) { return true; };

  struct TCase {
    const char *Pattern;
    TFindScope Scope;
  };
  for (const TCase &c : {TCase{"*.*", TFindScope::Everything}, TCase{"*.dat", TFindScope::Everything},
                         TCase{"none", TFindScope::Everything}, TCase{"*", TFindScope::Folders}}) {
    TNamesRead read;
    read.Names = {"left over"};
    ASSERT_TRUE(FindEach(held, c.Pattern, c.Scope, {}, keepAll, &read).Ok) << c.Pattern;
    EXPECT_TRUE(read.Whole) << c.Pattern;
    std::sort(read.Names.begin(), read.Names.end());
    EXPECT_EQ(read.Names, *expected) << c.Pattern;
  }

  // Cut short by the taker, by the pump, or never begun.
  TNamesRead read;
  EXPECT_FALSE(FindEach(held, "*", TFindScope::Everything, {}, [](FindEntry &) { return false; }, &read).Ok);
  EXPECT_FALSE(read.Whole);
  read.Whole = true;
  FindEach(held, "*", TFindScope::Everything, [] { return false; }, keepAll, &read);
  EXPECT_TRUE(read.Whole) << "a small folder is read before the first pump";
  read.Whole = true;
  EXPECT_FALSE(FindEach(TFolderHandle(), "*", TFindScope::Everything, {}, keepAll, &read).Ok);
  EXPECT_FALSE(read.Whole);

  // A name that found no code left.
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  MakeTree(temp_.Root(), {kEmoji ".txt"});
  read.Whole = true;
  EXPECT_TRUE(FindEach(held, "*.dat", TFindScope::Everything, {}, keepAll, &read).Ok);
  EXPECT_FALSE(read.Whole);
}

TEST_F(FindTest, ReadsAttributesFromModeAndDosAttrib) {
  MakeTree(temp_.Root(), {"ro", "marked", "sys"});
  ASSERT_EQ(chmod((temp_ / "ro").c_str(), 0444), 0);
  ASSERT_EQ(setxattr((temp_ / "marked").c_str(), "user.DOSATTRIB", "0x22", 4, 0), 0);
  ASSERT_EQ(setxattr((temp_ / "sys").c_str(), "user.DOSATTRIB", "0x4\0garbage", 11, 0), 0);
  auto entries = ByName(FindFiles(temp_.Root(), "*"));
  EXPECT_EQ(entries["ro"].Attributes, std::uint32_t(kAttrReadOnly));
  EXPECT_EQ(entries["marked"].Attributes, std::uint32_t(kAttrHidden | kAttrArchive));
  EXPECT_EQ(entries["sys"].Attributes, std::uint32_t(kAttrSystem));
}

TEST_F(FindTest, SymbolicLinksReportTheirTargetAndAreMarked) {
  MakeTree(temp_.Root(), {"file=abc", "dir/", "to-file->file", "to-dir->dir", "dangling->nowhere"});
  auto entries = ByName(FindFiles(temp_.Root(), "*"));
  EXPECT_TRUE(entries["to-file"].IsSymlink);
  EXPECT_EQ(entries["to-file"].Size, 3);
  EXPECT_TRUE(entries["to-dir"].IsSymlink);
  EXPECT_EQ(entries["to-dir"].Attributes & kAttrDirectory, std::uint32_t(kAttrDirectory));
  EXPECT_TRUE(entries["dangling"].IsSymlink);
  EXPECT_EQ(entries["dangling"].Attributes & kAttrDirectory, 0u);
  EXPECT_FALSE(entries["dir"].IsSymlink);
}

TEST_F(FindTest, EveryNameIsListedAndNamesBackItsOwnFile) {
  const std::string names[] = {
      "plain.txt",
      kEmoji ".txt",              // no CP932 form
      U8(u8"a〜b.txt"),            // WAVE DASH comes back as FULLWIDTH TILDE through CP932
      "bad\xFF\xFE.txt",           // not UTF-8
      U8(u8"ソ能表.txt"),          // 0x5C trail bytes
      U8(u8"か\u3099.txt"),        // decomposed が
  };
  for (const std::string &name : names) MakeTree(temp_.Root(), {name + "=" + name});
  FindResult txt = FindFiles(temp_.Root(), "*.txt");
  ASSERT_TRUE(txt.Ok);
  EXPECT_EQ(txt.Unrepresentable, 0u);
  ASSERT_EQ(txt.Entries.size(), std::size(names));
  for (const FindEntry &entry : txt.Entries) {
    // The CP932 name converts back to the bytes on disk: each file is read
    // through its own name.
    const std::optional<std::string> onDisk = Cp932ToUtf8(entry.Name);
    ASSERT_TRUE(onDisk);
    EXPECT_EQ(ReadText(temp_ / *onDisk), *onDisk);
    EXPECT_EQ(entry.Size, static_cast<std::int64_t>(onDisk->size()));
  }
}

TEST_F(FindTest, NamesFindingNoCodeLeftAreCountedNotListed) {
  MakeTree(temp_.Root(), {"plain.txt", U8(u8"表.txt"), kEmoji ".txt", kEAcute ".txt", kEmoji ".doc"});
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  FindResult txt = FindFiles(temp_.Root(), "*.txt");
  ASSERT_TRUE(txt.Ok);
  EXPECT_EQ(Names(txt), (std::vector<std::string>{"plain.txt", "表.txt"}));
  EXPECT_EQ(txt.Unrepresentable, 2u);
  std::sort(txt.UnrepresentableNames.begin(), txt.UnrepresentableNames.end());
  EXPECT_EQ(txt.UnrepresentableNames, (std::vector<std::string>{kEAcute ".txt", kEmoji ".txt"}));
  EXPECT_EQ(FindFiles(temp_.Root(), "*.*").Unrepresentable, 3u);
  EXPECT_EQ(FindFiles(temp_.Root(), "plain.*").Unrepresentable, 0u);
}

TEST_F(FindTest, AFolderThatCannotBeListedIsReportedNotEmpty) {
  const FindResult missing = FindFiles(temp_ / "gone", "*.*");
  EXPECT_FALSE(missing.Ok);
  EXPECT_EQ(missing.Error, ENOENT);

  MakeTree(temp_.Root(), {"file"});
  const FindResult notFolder = FindFiles(temp_ / "file", "*.*");
  EXPECT_FALSE(notFolder.Ok);
  EXPECT_EQ(notFolder.Error, ENOTDIR);

  EXPECT_EQ(FindFiles("\x95", "*").Error, EILSEQ);  // a path with no UTF-8 form

  // Permission denied: for real as an ordinary user, simulated for root.
  MakeTree(temp_.Root(), {"locked/", "locked/x"});
  if (RunningAsRoot()) {
    korvane::sys::InjectFault("open", EACCES);
  } else {
    ASSERT_EQ(chmod((temp_ / "locked").c_str(), 0), 0);
  }
  const FindResult locked = FindFiles(temp_ / "locked", "*.*");
  EXPECT_FALSE(locked.Ok);
  EXPECT_EQ(locked.Error, EACCES);
  EXPECT_TRUE(locked.Entries.empty());
}

TEST_F(FindTest, EntriesThatCannotBeExaminedFailTheListing) {
  // A folder that may be read but not searched: names without their data.
  MakeTree(temp_.Root(), {"d/", "d/a"});
  if (RunningAsRoot()) {
    korvane::sys::InjectFault("fstatat", EACCES);
  } else {
    ASSERT_EQ(chmod((temp_ / "d").c_str(), 0444), 0);
  }
  const FindResult result = FindFiles(temp_ / "d", "*");
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Error, EACCES);
  EXPECT_TRUE(result.Entries.empty());
}

// The same for a folder large enough to be examined on two threads; only an
// ordinary user can be refused the search right for real.
TEST_F(FindTest, ALargeFolderWhoseEntriesCannotBeExaminedFailsTheListing) {
  if (RunningAsRoot()) GTEST_SKIP() << "root searches every folder";
  MakeTree(temp_.Root(), {"d/"});
  for (int i = 0; i < 2500; ++i) MakeTree(temp_.Root(), {"d/f" + std::to_string(i)});
  ASSERT_EQ(chmod((temp_ / "d").c_str(), 0444), 0);
  const FindResult result = FindFiles(temp_ / "d", "*");
  ASSERT_EQ(chmod((temp_ / "d").c_str(), 0755), 0);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Error, EACCES);
  EXPECT_TRUE(result.Entries.empty());
}

TEST_F(FindTest, AFolderThatVanishesWhileListedEndsTheListing) {
  MakeTree(temp_.Root(), {"d/", "d/a", "d/b", "d/c"});
  korvane::sys::InjectFault("readdir", ENOENT, 1);
  const FindResult result = FindFiles(temp_ / "d", "*");
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Error, ENOENT);
  EXPECT_EQ(result.Entries.size(), 1u);

  // A folder removed before it is read lists nothing, and says so.
  MakeTree(temp_.Root(), {"e/"});
  std::filesystem::remove(temp_ / "e");
  EXPECT_FALSE(FindFiles(temp_ / "e", "*").Ok);
}

TEST_F(FindTest, TimesOutsideTheDosRangeAreMarkedInvalid) {
  MakeTree(temp_.Root(), {"old", "future", "ok"});
  const timespec old[2] = {{0, UTIME_OMIT}, {100000000, 0}};         // 1973
  const timespec future[2] = {{0, UTIME_OMIT}, {4500000000LL, 0}};   // 2112
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "old").c_str(), old, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "future").c_str(), future, 0), 0);
  auto entries = ByName(FindFiles(temp_.Root(), "*"));
  EXPECT_FALSE(entries["old"].TimeValid);
  EXPECT_EQ(entries["old"].Time, 0u);
  EXPECT_FALSE(entries["future"].TimeValid);
  EXPECT_TRUE(entries["ok"].TimeValid);
  // Which side of the range, so a date bound can still judge them.
  EXPECT_EQ(entries["old"].TimeOutside, -1);
  EXPECT_EQ(entries["future"].TimeOutside, 1);
  EXPECT_EQ(entries["ok"].TimeOutside, 0);
}

TEST_F(FindTest, EntriesCarryTheIdentityOfWhatTheyLeadTo) {
  MakeTree(temp_.Root(), {"f", "d/", "ld->d"});
  auto entries = ByName(FindFiles(temp_.Root(), "*"));
  EXPECT_EQ(entries["f"].Id, GetFileId(temp_ / "f"));
  EXPECT_EQ(entries["d"].Id, GetFileId(temp_ / "d"));
  EXPECT_EQ(entries["ld"].Id, entries["d"].Id);
  EXPECT_NE(entries["f"].Id, entries["d"].Id);
  EXPECT_EQ(GetFileId(temp_ / "d/"), GetFileId(temp_ / "d/../d"));
  EXPECT_FALSE(GetFileId(temp_ / "missing"));
}

// The closing scan's listing: folders only, hidden ones marked, no links
// and no files, which it need not even examine.
TEST_F(FindTest, AScanForFoldersListsFoldersOnly) {
  MakeTree(temp_.Root(), {"d/", ".h/", "f", "ld->d", "lf->f"});
  const TFolderHandle folder = TFolderHandle::Open(temp_.Root());
  const FindResult found = FindFiles(folder, "*.*", TFindScope::Folders);
  ASSERT_TRUE(found.Ok);
  EXPECT_EQ(Names(found), (std::vector<std::string>{".h", "d"}));
  auto entries = ByName(found);
  EXPECT_EQ(entries[".h"].Attributes, std::uint32_t(kAttrDirectory | kAttrHidden));
  EXPECT_EQ(entries["d"].Id, GetFileId(temp_ / "d"));
}

// A large folder is listed with the front end's pump called along the way,
// whatever the filter keeps; the pump can stop the listing.
TEST_F(FindTest, TheListingOfALargeFolderPumpsAndCanBeStopped) {
  for (int i = 0; i < 2000; ++i) {
    const int fd = ::open((temp_ / ("f" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
  }
  const TFolderHandle folder = TFolderHandle::Open(temp_.Root());
  int pumps = 0;
  const FindResult narrow = FindFiles(folder, "none", TFindScope::Everything, [&] {
    ++pumps;
    return true;
  });
  EXPECT_TRUE(narrow.Ok);
  EXPECT_GE(pumps, 7);  // every 256 names read
  const FindResult stopped = FindFiles(folder, "*", TFindScope::Everything, [] { return false; });
  EXPECT_FALSE(stopped.Ok);
  EXPECT_EQ(stopped.Error, ECANCELED);
  EXPECT_LT(stopped.Entries.size(), 2000u);
}

// A large batch is handed on while the second thread still examines it: a
// sink that stops, or throws, ends the listing at that entry, with the
// second thread done with before the listing returns.
TEST_F(FindTest, ASinkThatStopsOrThrowsInALargeFolderEndsTheListingThere) {
  constexpr int kEntries = 3000;
  for (int i = 0; i < kEntries; ++i) MakeTree(temp_.Root(), {"f" + std::to_string(i)});
  const TFolderHandle folder = TFolderHandle::Open(temp_.Root());
  std::vector<std::string> whole;
  ASSERT_TRUE(FindEach(folder, "*", TFindScope::Everything, nullptr, [&](FindEntry &entry) {
                whole.push_back(entry.Name);
                return true;
              }).Ok);
  ASSERT_EQ(whole.size(), std::size_t{kEntries});
  for (const std::size_t stopAt : {std::size_t{1}, std::size_t{700}, std::size_t{kEntries - 1}}) {
    std::vector<std::string> taken;
    const FindResult stopped = FindEach(folder, "*", TFindScope::Everything, nullptr, [&](FindEntry &entry) {
      taken.push_back(entry.Name);
      return taken.size() < stopAt;
    });
    EXPECT_EQ(stopped.Error, ECANCELED) << stopAt;
    EXPECT_EQ(taken, std::vector<std::string>(whole.begin(), whole.begin() + stopAt)) << stopAt;
  }
  std::size_t before = 0;
  EXPECT_THROW(FindEach(folder, "*", TFindScope::Everything, nullptr,
                        [&](FindEntry &) -> bool {
                          if (++before == 100) throw std::runtime_error("the sink failed");
                          return true;
                        }),
               std::runtime_error);
  EXPECT_EQ(before, 100u);
}

// A large folder has its entries examined in batches, shared with a second
// thread: every kind of entry must come out as a small folder lists it, in
// the order the file system gives the names.
TEST_F(FindTest, ALargeFolderIsListedInFullAndInOrder) {
  constexpr int kEntries = 4500;  // a batch shared by two threads, and one more
  struct TExpected {
    std::uint32_t Attributes;
    bool IsSymlink;
    std::int64_t Size;
  };
  std::map<std::string, TExpected> expected;
  for (int i = 0; i < kEntries; ++i) {
    const std::string group = "g" + std::to_string(i / 9);
    const std::string name = group + "-" + std::to_string(i % 9) + (i % 9 == 8 ? kEAcute : "");
    const std::string path = temp_ / name;
    switch (i % 9) {
    case 3:
      ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
      expected[name] = {kAttrDirectory, false, 0};
      continue;
    case 4:
      ASSERT_EQ(symlink((group + "-0").c_str(), path.c_str()), 0);
      expected[name] = {0, true, 3};
      continue;
    case 5:
      ASSERT_EQ(symlink("nowhere", path.c_str()), 0);
      expected[name] = {0, true, 7};  // the link itself: "nowhere"
      continue;
    case 6:
      ASSERT_EQ(symlink((group + "-3").c_str(), path.c_str()), 0);
      expected[name] = {kAttrDirectory, true, 0};
      continue;
    default:
      break;
    }
    MakeTree(temp_.Root(), {name + "=abc"});
    std::uint32_t attributes = 0;
    if (i % 9 == 1) {
      ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", "0x2", 3, 0), 0);
      attributes = kAttrHidden;
    } else if (i % 9 == 2) {
      ASSERT_EQ(chmod(path.c_str(), 0444), 0);
      attributes = kAttrReadOnly;
    } else if (i % 9 == 7) {
      ASSERT_EQ(setxattr(path.c_str(), "user.DOSATTRIB", "0x4", 3, 0), 0);
      attributes = kAttrSystem;
    }
    expected[name] = {attributes, false, 3};
  }
  std::vector<std::string> readOrder, folderOrder;
  for (const auto &item : std::filesystem::directory_iterator(temp_.Root())) {
    readOrder.push_back(item.path().filename().string());
    if (item.is_directory() && !item.is_symlink()) folderOrder.push_back(readOrder.back());
  }

  const TFolderHandle folder = TFolderHandle::Open(temp_.Root());
  const FindResult all = FindFiles(folder, "*");
  ASSERT_TRUE(all.Ok);
  ASSERT_EQ(all.Entries.size(), std::size_t{kEntries});
  std::vector<std::string> listedOrder;
  for (const FindEntry &entry : all.Entries) {
    const std::optional<std::string> onDisk = Cp932ToUtf8(entry.Name);
    ASSERT_TRUE(onDisk);
    listedOrder.push_back(*onDisk);
    const TExpected &want = expected.at(*onDisk);
    EXPECT_EQ(entry.Attributes, want.Attributes) << *onDisk;
    EXPECT_EQ(entry.IsSymlink, want.IsSymlink) << *onDisk;
    if (!(want.Attributes & kAttrDirectory)) {
      EXPECT_EQ(entry.Size, want.Size) << *onDisk;
    }
  }
  EXPECT_EQ(listedOrder, readOrder);

  const FindResult folders = FindFiles(folder, "*", TFindScope::Folders);
  ASSERT_TRUE(folders.Ok);
  std::vector<std::string> listedFolders;
  for (const FindEntry &entry : folders.Entries) listedFolders.push_back(entry.Name);
  EXPECT_EQ(listedFolders, folderOrder);

  // A pattern narrows a large listing as it narrows a small one.
  EXPECT_EQ(FindFiles(folder, "g49?-1").Entries.size(), 10u);
}

// Newer Samba versions write a binary record after the "0xNN" text, longer
// than the text alone; the bits are still the text's.
TEST_F(FindTest, ALongDosAttributeIsStillRead) {
  MakeTree(temp_.Root(), {"f"});
  std::string value = "0x22";
  value += '\0';
  value.append(100, '\x01');
  ASSERT_EQ(setxattr((temp_ / "f").c_str(), "user.DOSATTRIB", value.data(), value.size(), 0), 0);
  EXPECT_EQ(ByName(FindFiles(temp_.Root(), "f"))["f"].Attributes, std::uint32_t(kAttrHidden | kAttrArchive));
  EXPECT_EQ(GetAttributes(temp_ / "f"), std::uint32_t(kAttrHidden | kAttrArchive));
}

}  // namespace
