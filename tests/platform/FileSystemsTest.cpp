// What the platform does on file systems other than the machine's own:
// names a FAT card cannot hold, a kernel that refuses renameat2's flag, the
// real attribute bits of the kernel's FAT driver, paths longer than one
// system call takes.  The file systems are stood in for through the seams
// (OverrideFileSystem, injected faults, the FAT calls); the real ones are
// mounted by the tests of tests/filesystems where the machine allows it.

#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <map>
#include <string>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Sys.h"
#include "platform/TrashFiles.h"

namespace {

std::uint64_t DeviceOf(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return static_cast<std::uint64_t>(st.st_dev);
}

TFileSystemTraits ExfatTraits() {
  TFileSystemTraits traits;
  traits.Type = "exfat";
  traits.ReservedCharacters = traits.Utf16Names = traits.CaseInsensitive = true;
  return traits;
}

TFileSystemTraits WindowsNamesTraits() {
  TFileSystemTraits traits;
  traits.Type = "ntfs";
  traits.ReservedCharacters = traits.TrailingDot = traits.TrailingSpace = traits.DeviceNames = true;
  traits.Utf16Names = true;
  return traits;
}

class FileSystemsTest : public ::testing::Test {
protected:
  void TearDown() override {
    korvane::sys::ClearFaults();
    ClearFileSystemOverrides();
    ForgetFileSystems();
    SetFatAttributeCalls({});
  }
  // The temporary folder's file system is to be taken for `traits` (the
  // override lasts until the test's end: every test folder lies on it).
  void PretendFileSystem(const TFileSystemTraits &traits) {
    OverrideFileSystem(DeviceOf(temp_.Root()), traits);
  }

  TTempFolder temp_;
};

TEST(NameFitsTest, EachFileSystemRefusesWhatItsDriverRefuses) {
  const TFileSystemTraits posix;
  const TFileSystemTraits exfat = ExfatTraits();
  const TFileSystemTraits windows = WindowsNamesTraits();
  TFileSystemTraits kernelFat = ExfatTraits();
  kernelFat.TrailingDot = true;
  const std::string longUtf16(256, 'a');
  struct TCase {
    std::string Name;
    bool Posix, Exfat, KernelFat, Windows;
  } const cases[] = {
      {"IMG_0001.JPG", true, true, true, true},
      {"a:b.txt", true, false, false, false},
      {"what?.txt", true, false, false, false},
      {"\"quoted\"", true, false, false, false},
      {"a*b", true, false, false, false},
      {"a<b>c", true, false, false, false},
      {"pipe|name", true, false, false, false},
      {"back\\slash", true, false, false, false},
      {"tab\tname", true, false, false, false},
      {"trailing.", true, true, false, false},
      {"trailing ", true, true, true, false},
      {"CON", true, true, true, false},
      {"con.txt", true, true, true, false},
      {"COM1.log", true, true, true, false},
      {"CONSOLE.txt", true, true, true, true},
      {"lpt9", true, true, true, false},
      {"Aux .tar.gz", true, true, true, false},
      {"COM0.txt", true, true, true, true},
      {"NU.txt", true, true, true, true},
      {"表.txt", true, true, true, true},  // 0x5C as a second byte is no backslash
      {longUtf16, true, false, false, false},
  };
  for (const TCase &c : cases) {
    EXPECT_EQ(NameFits(posix, c.Name) == TNameFit::Fits, c.Posix) << c.Name;
    EXPECT_EQ(NameFits(exfat, c.Name) == TNameFit::Fits, c.Exfat) << c.Name;
    EXPECT_EQ(NameFits(kernelFat, c.Name) == TNameFit::Fits, c.KernelFat) << c.Name;
    EXPECT_EQ(NameFits(windows, c.Name) == TNameFit::Fits, c.Windows) << c.Name;
  }
}

TEST(NameFitsTest, LettersFoldWhereTheFileSystemIgnoresCase) {
  const TFileSystemTraits posix;
  const TFileSystemTraits exfat = ExfatTraits();
  EXPECT_NE(NameKey(posix, "IMG_0001.JPG"), NameKey(posix, "img_0001.jpg"));
  EXPECT_EQ(NameKey(exfat, "IMG_0001.JPG"), NameKey(exfat, "img_0001.jpg"));
  EXPECT_EQ(NameKey(exfat, "ＡＢＣ"), NameKey(exfat, "ａｂｃ"));  // full-width letters too
  EXPECT_NE(NameKey(exfat, "\x83\x41"), NameKey(exfat, "\x83\x61"));  // a trail byte is no letter
}

// Where renameat2 refuses RENAME_NOREPLACE (NFS, SMB, FUSE drivers answer
// EINVAL), the rename still never replaces an entry.
TEST_F(FileSystemsTest, ARenameWithoutTheFlagStillNeverReplaces) {
  MakeTree(temp_.Root(), {"a=A", "b=B", "c=C"});
  korvane::sys::InjectFault("renameat2", EINVAL);
  EXPECT_TRUE(MoveFile(temp_ / "a", temp_ / "new"));
  EXPECT_EQ(ReadText(temp_ / "new"), "A");

  korvane::sys::InjectFault("renameat2", EINVAL);
  EXPECT_FALSE(MoveFile(temp_ / "b", temp_ / "c"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadText(temp_ / "b"), "B");
  EXPECT_EQ(ReadText(temp_ / "c"), "C");

  // A held folder's entries alike.
  const TFolderHandle held = TFolderHandle::Open(temp_.Root());
  korvane::sys::InjectFault("renameat2", EINVAL);
  EXPECT_TRUE(MoveFile(TEntryRef(held, "b"), TEntryRef(held, "d")));
  EXPECT_EQ(ReadText(temp_ / "d"), "B");
}

// A rename the kernel refuses whatever the flags (a folder into itself)
// answers EINVAL again without the flag, and nothing moves.
TEST_F(FileSystemsTest, ARenameRefusedWithoutTheFlagTooIsAFailure) {
  MakeTree(temp_.Root(), {"dir/", "dir/inner/"});
  EXPECT_FALSE(MoveFile(temp_ / "dir", temp_ / "dir/inner/dir"));
  EXPECT_EQ(errno, EINVAL);
  EXPECT_TRUE(FolderExists(temp_ / "dir/inner"));
}

// A copy whose temporary file must be named (no O_TMPFILE) and renamed
// without the flag.
TEST_F(FileSystemsTest, ACopyWithoutTheKernelsFlagsNeverReplacesEither) {
  MakeTree(temp_.Root(), {"src=new", "old=old"});
  korvane::sys::InjectFault("open_tmpfile", EOPNOTSUPP);
  korvane::sys::InjectFault("renameat2", EINVAL);
  EXPECT_TRUE(CopyFile(temp_ / "src", temp_ / "copy", true));
  EXPECT_EQ(ReadText(temp_ / "copy"), "new");
  korvane::sys::InjectFault("open_tmpfile", EOPNOTSUPP);
  korvane::sys::InjectFault("renameat2", EINVAL);
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "old", true));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadText(temp_ / "old"), "old");
  std::size_t entries = 0;
  for (const FindEntry &entry : FindFiles(temp_.Root(), "*").Entries) entries += entry.Name.empty() ? 0 : 1;
  EXPECT_EQ(entries, 3u) << "no temporary file is left";
}

// Names the card's driver refuses fail before the driver is asked, with a
// reason of their own (exfat-fuse would answer ENOENT), and nothing moves.
TEST_F(FileSystemsTest, NamesTheFileSystemCannotHoldFailWithTheirOwnReason) {
  MakeTree(temp_.Root(), {"IMG_0001.JPG=x", "dst/"});
  PretendFileSystem(ExfatTraits());
  EXPECT_FALSE(MoveFile(temp_ / "IMG_0001.JPG", temp_ / "a:b.JPG"));
  EXPECT_EQ(errno, kErrorNameNotHeld);
  EXPECT_FALSE(CopyFile(temp_ / "IMG_0001.JPG", temp_ / "dst/what?.JPG", true));
  EXPECT_EQ(errno, kErrorNameNotHeld);
  EXPECT_FALSE(CreateFolder(temp_ / "dst/a|b"));
  EXPECT_EQ(errno, kErrorNameNotHeld);
  EXPECT_EQ(ReadText(temp_ / "IMG_0001.JPG"), "x");
  EXPECT_TRUE(FindFiles(temp_ / "dst", "*").Entries.empty());
  // What exFAT through FUSE takes as given.
  EXPECT_TRUE(MoveFile(temp_ / "IMG_0001.JPG", temp_ / "trailing. "));
}

// The kernel's FAT driver keeps hidden, system, archive and a folder's
// read-only flag as the card's own attributes; the platform reads and sets
// them there, in the listing too.
TEST_F(FileSystemsTest, TheKernelFatDriversAttributesAreTheCardsOwn) {
  static std::map<ino_t, std::uint32_t> card;
  card.clear();
  const auto inode = [](int fd) {
    struct stat st {};
    ::fstat(fd, &st);
    return st.st_ino;
  };
  static ino_t (*inodeOf)(int) = +inode;
  SetFatAttributeCalls({[](int fd, std::uint32_t &bits) {
                          bits = card[inodeOf(fd)];
                          return 0;
                        },
                        [](int fd, std::uint32_t bits) {
                          card[inodeOf(fd)] = bits;
                          return 0;
                        }});
  TFileSystemTraits fat = ExfatTraits();
  fat.Type = "vfat";
  fat.DosAttributeIoctl = true;
  MakeTree(temp_.Root(), {"photo.jpg=x", "DCIM/"});
  PretendFileSystem(fat);

  ASSERT_TRUE(SetAttributes(temp_ / "photo.jpg", kAttrHidden | kAttrSystem));
  ASSERT_TRUE(SetAttributes(temp_ / "DCIM", kAttrReadOnly | kAttrArchive));
  EXPECT_EQ(GetAttributes(temp_ / "photo.jpg"), std::uint32_t(kAttrHidden | kAttrSystem));
  EXPECT_EQ(GetAttributes(temp_ / "DCIM"), std::uint32_t(kAttrDirectory | kAttrReadOnly | kAttrArchive));
  std::map<std::string, std::uint32_t> listed;
  for (const FindEntry &entry : FindFiles(temp_.Root(), "*").Entries) listed[entry.Name] = entry.Attributes;
  EXPECT_EQ(listed["photo.jpg"], std::uint32_t(kAttrHidden | kAttrSystem));
  EXPECT_EQ(listed["DCIM"], std::uint32_t(kAttrDirectory | kAttrReadOnly | kAttrArchive));
  EXPECT_EQ(InspectEntry(temp_ / "photo.jpg")->Attributes, std::uint32_t(kAttrHidden | kAttrSystem));
  ASSERT_TRUE(SetAttributes(temp_ / "photo.jpg", 0));
  EXPECT_EQ(GetAttributes(temp_ / "photo.jpg"), 0u);

  // The driver's refusal (the system bit needs a capability) is the call's.
  SetFatAttributeCalls({[](int, std::uint32_t &bits) {
                          bits = 0;
                          return 0;
                        },
                        [](int, std::uint32_t) {
                          errno = EPERM;
                          return -1;
                        }});
  EXPECT_FALSE(SetAttributes(temp_ / "photo.jpg", kAttrSystem));
  EXPECT_EQ(errno, EPERM);
}

// Paths longer than one system call takes (PATH_MAX): a tree of 40 levels of
// 120-byte names, as a deep archive of long Japanese titles makes.
class LongPathTest : public FileSystemsTest {
protected:
  void SetUp() override {
    int at = open(temp_.Root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(at, 0);
    deep_ = temp_.Root();
    for (int level = 0; level < 40; ++level) {
      const std::string name = std::string(118, 'a' + level % 26) + std::to_string(level % 10) + "d";
      ASSERT_EQ(mkdirat(at, name.c_str(), 0755), 0);
      const int next = openat(at, name.c_str(), O_RDONLY | O_DIRECTORY);
      close(at);
      at = next;
      deep_ += "/" + name;
    }
    const int file = openat(at, "a.txt", O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(write(file, "A", 1), 1);
    close(file);
    close(at);
    ASSERT_GT(deep_.size(), static_cast<std::size_t>(PATH_MAX));
  }
  void TearDown() override {
    RemoveTree(AT_FDCWD, temp_.Root().c_str(), false);
    FileSystemsTest::TearDown();
  }
  // What std::filesystem cannot remove: it walks whole paths.
  static void RemoveTree(int at, const char *name, bool self) {
    const int fd = openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd < 0) return;
    DIR *dir = fdopendir(fd);
    while (const dirent *entry = readdir(dir)) {
      const std::string child = entry->d_name;
      if (child == "." || child == "..") continue;
      if (unlinkat(fd, child.c_str(), 0) != 0) RemoveTree(fd, child.c_str(), true);
    }
    closedir(dir);
    if (self) unlinkat(at, name, AT_REMOVEDIR);
  }

  std::string deep_;  // the bottom folder's path
};

TEST_F(LongPathTest, EveryServiceWorksAtAnyPathLength) {
  EXPECT_TRUE(FolderExists(deep_));
  EXPECT_TRUE(PathExists(deep_ + "/a.txt"));
  EXPECT_TRUE(GetFileId(deep_).has_value());
  EXPECT_TRUE(TFolderHandle::Open(deep_).Valid());
  EXPECT_EQ(FindFiles(deep_, "*.txt").Entries.size(), 1u);
  EXPECT_EQ(GetFileSize(deep_ + "/a.txt"), 1);
  EXPECT_TRUE(InspectEntry(deep_ + "/a.txt").has_value());
  EXPECT_TRUE(InspectFileTimes(deep_ + "/a.txt").has_value());
  ASSERT_TRUE(ReadFolderNames(deep_).has_value());

  EXPECT_TRUE(MoveFile(deep_ + "/a.txt", deep_ + "/b.txt"));
  EXPECT_TRUE(CopyFile(deep_ + "/b.txt", deep_ + "/c.txt", true));
  EXPECT_TRUE(CreateFolder(deep_ + "/made"));
  EXPECT_TRUE(SetAttributes(deep_ + "/c.txt", kAttrReadOnly));
  EXPECT_EQ(GetAttributes(deep_ + "/c.txt"), std::uint32_t(kAttrReadOnly));
  EXPECT_TRUE(SetAttributes(deep_ + "/c.txt", 0));
  EXPECT_TRUE(SetFileTimes(deep_ + "/c.txt", std::nullopt, std::nullopt, timespec{1600000000, 0}));
  EXPECT_TRUE(DeleteFile(deep_ + "/c.txt"));
  EXPECT_TRUE(RemoveFolder(deep_ + "/made"));
  EXPECT_EQ(*ReadFolderNames(deep_), std::vector<std::string>{"b.txt"});
}

TEST_F(LongPathTest, ADeepEntryGoesToTheTrashAndComesBack) {
  MakeTree(temp_.Root(), {"home/", "data/"});
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("HOME", (temp_ / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (temp_ / "data").c_str(), 1);
    const TFolderHandle held = TFolderHandle::Open(deep_);
    TTrashedEntry made;
    bool ok = MoveToTrash(TEntryRef(held, "a.txt"), &made) && !PathExists(deep_ + "/a.txt") &&
              made.Info.ends_with("/info/a.txt.trashinfo");
    TTrashIndex index;
    const std::vector<TTrashEntry> found = index.Find(deep_ + "/a.txt");
    ok = ok && found.size() == 1 && found.front().File == made.File &&
         RestoreFromTrash(found.front(), deep_ + "/a.txt") && PathExists(deep_ + "/a.txt");
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
