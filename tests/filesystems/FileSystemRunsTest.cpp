// korvane-batch on the file systems people keep files on, mounted for real:
// a camera card (exFAT through FUSE), a USB stick (FAT32 through FUSE), a
// Windows disk (NTFS with Windows' name rules), a small full disk, and the
// Linux file systems.  Each case skips, saying why, where the machine
// cannot mount.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "BatchProcess.h"
#include "MountedFileSystem.h"

namespace {

namespace fs = std::filesystem;

// The job options of a rename in place by one step.
Strings InPlace(std::initializer_list<std::string> more) {
  Strings args = {"--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

void WriteFile(const fs::path &path, const std::string &content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A camera's folder: `count` IMG_nnnn.JPG of distinct contents, dated 2021.
void MakeCard(const std::string &root, int count) {
  const fs::path folder = fs::path(root) / "DCIM/100TEST";
  fs::create_directories(folder);
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
    WriteFile(folder / name, "photo " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 7) * 100, 'x'));
    const timespec times[2] = {{1626343200 + i * 60, 0}, {1626343200 + i * 60, 0}};
    utimensat(AT_FDCWD, (folder / name).c_str(), times, 0);
  }
}

// Every file of a tree with its content (and last-write time), the trash
// left out: what a user would compare.  Shown in a failure by its first
// line that differs.
struct TSnapshot {
  std::string Text;
  bool operator==(const TSnapshot &) const = default;
};

void PrintTo(const TSnapshot &snapshot, std::ostream *out) {
  *out << snapshot.Text.substr(0, snapshot.Text.find('\n')) << " ... ("
       << std::count(snapshot.Text.begin(), snapshot.Text.end(), '\n') << " files)";
}

TSnapshot Snapshot(const std::string &root, bool times) {
  std::vector<std::string> lines;
  for (const auto &entry : fs::recursive_directory_iterator(root)) {
    const std::string path = entry.path().string();
    if (path.find("/.Trash") != std::string::npos || !entry.is_regular_file()) continue;
    std::string line = path.substr(root.size()) + " " + std::to_string(std::hash<std::string>{}(ReadFile(entry.path())));
    if (times) {
      struct stat st {};
      stat(path.c_str(), &st);
      line += " " + std::to_string(st.st_mtime / 2);  // FAT keeps two seconds
    }
    lines.push_back(line);
  }
  std::sort(lines.begin(), lines.end());
  TSnapshot snapshot;
  for (const std::string &line : lines) snapshot.Text += line + "\n";
  return snapshot;
}

Strings Joined(Strings a, const Strings &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct TCard {
  TFsKind Kind;
  const char *Name;
  int Photos;
  bool KeepsTimes;  // fusefat loses a file's time when it renames it
};

class CardTest : public ::testing::TestWithParam<TCard> {
protected:
  void SetUp() override {
    ::umask(022);
    Card = std::make_unique<TMountedFileSystem>(GetParam().Kind);
    if (!Card->Mounted()) GTEST_SKIP() << Card->WhyNot();
    Folder = Card->Root() + "/DCIM/100TEST";
    MakeCard(Card->Root(), GetParam().Photos);
    setenv("XDG_DATA_HOME", Work.Native("data").c_str(), 1);
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  std::string Log(const std::string &name) const { return Work.Native(name).string(); }

  // A run of `mode`, then its undo: every record succeeds, and the undo
  // gives the card back exactly.
  void RunAndUndo(const std::string &what, const Strings &job, const std::string &mode) {
    const bool times = GetParam().KeepsTimes;
    const TSnapshot before = Snapshot(Card->Root(), times);
    const TResult run = RunBatch(Joined(Joined({"--folder", Folder}, job), {"--log", Log(what + ".log"), mode}));
    EXPECT_EQ(run.Exit, 0) << what << ": " << run.Err;
    EXPECT_NE(run.Err.find(std::to_string(GetParam().Photos) + U8(u8" 件成功, 0 件失敗")), std::string::npos)
        << what << ": " << run.Err;
    EXPECT_NE(Snapshot(Card->Root(), times), before) << what << ": the run changed nothing";
    const TResult undo = RunBatch({"--log", Log(what + "-undo.log"), "undo", Log(what + ".log")});
    EXPECT_EQ(undo.Exit, 0) << what << ": " << undo.Err;
    EXPECT_EQ(Snapshot(Card->Root(), times), before) << what << ": the undo did not give the card back";
  }

  std::unique_ptr<TMountedFileSystem> Card;
  std::string Folder;
  TTempTree Work;
};

TEST_P(CardTest, EveryRenameOfTheCardSucceedsAndIsUndone) {
  RunAndUndo("lower", InPlace({"--set", U8(u8"Rename.OrderItems0=大/小文字"), "--set", "Rename.NameCase=0",
                               "--set", "Rename.ExtCase=0"}),
             "rename");
  RunAndUndo("number", InPlace({"--set", U8(u8"Rename.OrderItems0=連番"), "--set", "Rename.IfUnity=1", "--set",
                                "Rename.Unity=1", "--set", "Rename.BaseName=photo_"}),
             "rename");
  RunAndUndo("date", InPlace({"--set", U8(u8"Rename.OrderItems0=更新日付付加"), "--set", "Rename.DateFormat=yymmdd"}),
             "rename");
  const std::string out = Card->Root() + "/out";
  fs::create_directories(out);
  RunAndUndo("renamed copy",
             {"--set", "Rename.Copy=1", "--set", "Rename.OrderChecked0=1", "--set", U8(u8"Rename.OrderItems0=連番"),
              "--copy-folder", out},
             "rename");
  RunAndUndo("trash", {"--set", "Delete.Recycled=1"}, "delete");
}

// Copies from the card keep their times and take the umask for their mode,
// as cp gives them, under every same-name policy.
TEST_P(CardTest, CopiesFromTheCardKeepTheirTimesUnderEveryPolicy) {
  const fs::path into = Work.Native("copies");
  for (int same = 0; same <= 4; ++same) {
    fs::remove_all(into);
    fs::create_directories(into);
    WriteFile(into / "IMG_0002.JPG", "older");
    const TResult run = RunBatch({"--folder", Folder, "--copy-folder", into.string(), "--set",
                                  "Copy.Same=" + std::to_string(same), "--set", "Copy.OverWrite=0", "--set",
                                  "Copy.Alias=0", "copy"});
    const int photos = GetParam().Photos;
    if (same == 0) {
      EXPECT_EQ(run.Exit, 1) << run.Err;
      EXPECT_NE(run.Err.find(U8(u8"既存のファイルを残します")), std::string::npos) << run.Err;
    } else {
      EXPECT_EQ(run.Exit, 0) << same << ": " << run.Err;
    }
    const std::size_t copies = static_cast<std::size_t>(std::distance(fs::directory_iterator(into), fs::directory_iterator()));
    EXPECT_EQ(copies, static_cast<std::size_t>(photos) + (same == 2 || same == 4 ? 1 : 0)) << same;
  }
  struct stat source {}, copy {};
  ASSERT_EQ(stat((Folder + "/IMG_0001.JPG").c_str(), &source), 0);
  ASSERT_EQ(stat((into / "IMG_0001.JPG").c_str(), &copy), 0);
  if (GetParam().KeepsTimes) {
    EXPECT_EQ(copy.st_mtime / 2, source.st_mtime / 2);
  }
  EXPECT_EQ(copy.st_mode & 07777, (source.st_mode & 0777) & ~022u);
}

// Copies onto the card keep their times: the driver stamps a file's time as
// it is closed, and the time is set after.
TEST_P(CardTest, CopiesOntoTheCardKeepTheirTimes) {
  if (!GetParam().KeepsTimes) GTEST_SKIP() << GetParam().Name << " loses the time of a renamed file";
  const fs::path from = Work.Native("home");
  fs::create_directories(from);
  WriteFile(from / "letter.txt", "dear card");
  const timespec times[2] = {{1500000000, 0}, {1500000000, 0}};
  utimensat(AT_FDCWD, (from / "letter.txt").c_str(), times, 0);
  fs::create_directories(Card->Root() + "/in");
  const TResult run = RunBatch({"--folder", from.string(), "--copy-folder", Card->Root() + "/in", "copy"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  struct stat copy {};
  ASSERT_EQ(stat((Card->Root() + "/in/letter.txt").c_str(), &copy), 0);
  EXPECT_EQ(copy.st_mtime / 2, 1500000000 / 2);
}

// Names Windows refuses are predicted to fail with their own reason, and
// fail so in the run, touching nothing.
TEST_P(CardTest, NamesTheCardCannotHoldArePredictedAndRefused) {
  const fs::path from = Work.Native("names");
  fs::create_directories(from);
  for (const char *name : {"a:b.txt", "what?.txt", "fine.txt"}) WriteFile(from / name, name);
  fs::create_directories(Card->Root() + "/in");
  const Strings job = {"--folder", from.string(), "--copy-folder", Card->Root() + "/in"};
  const TResult plan = RunBatch(Joined(job, {"--dry-run", "copy"}));
  const std::string notHeld = U8(u8"理由: このファイルシステムでは使えない名前です;");
  int predicted = 0;
  for (const std::string &line : plan.OutLines()) predicted += line.find(notHeld) != std::string::npos;
  EXPECT_EQ(predicted, 2) << plan.Out;
  const TResult run = RunBatch(Joined(job, {"copy"}));
  EXPECT_EQ(run.Exit, 1);
  int failed = 0;
  for (const std::string &line : run.OutLines()) failed += line.find(notHeld) != std::string::npos;
  EXPECT_EQ(failed, 2) << run.Out;
  EXPECT_TRUE(fs::exists(Card->Root() + "/in/fine.txt"));
}

// Two targets whose new names differ in letter case alone take one name on
// a card that ignores case; the plan says so as the run meets it.
TEST_P(CardTest, NamesThatDifferInCaseAloneCollideWhereCaseIsIgnored) {
  if (GetParam().Kind == TFsKind::NtfsWindowsNames) GTEST_SKIP() << "NTFS keeps letter case apart";
  const Strings args = {"--folder", Folder, "--filter", "IMG_0001.JPG;IMG_0002.JPG", "--set", "Rename.Copy=0",
                        "--set", "Rename.OrderChecked0=1", "--set", "Rename.FromName0=^IMG_0001\\.JPG$",
                        "--set", "Rename.ToName0=Same.jpg", "--set", "Rename.FromName1=^IMG_0002\\.JPG$",
                        "--set", "Rename.ToName1=same.JPG"};
  const TResult plan = RunBatch(Joined(args, {"--dry-run", "rename"}));
  EXPECT_NE(plan.Out.find(U8(u8"理由: 同じ名前が既にあります;")), std::string::npos) << plan.Out;
  const TResult run = RunBatch(Joined(args, {"rename"}));
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Out.find(U8(u8"理由: 同じ名前が既にあります;")), std::string::npos) << run.Out;
}

// The card keeps no hidden or system bits: setting them fails with that
// reason, and the time change asked with them is not made either.
TEST_P(CardTest, BitsTheCardCannotKeepFailTheChangeWhole) {
  if (GetParam().Kind == TFsKind::NtfsWindowsNames) GTEST_SKIP() << "ntfs-3g keeps user attributes";
  struct stat before {};
  ASSERT_EQ(stat((Folder + "/IMG_0001.JPG").c_str(), &before), 0);
  const TResult run = RunBatch({"--folder", Folder, "--filter", "IMG_0001.JPG", "--set", "Change.Attr=1",
                                "--set", "Change.AttrHidden=1", "--set", "Change.IfUpDate=1", "--set",
                                "Change.UpDate=2020/01/02", "--set", "Change.UpTime=03:04:06", "change"});
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Out.find(U8(u8"理由: このファイルシステムには属性を保存できません;")), std::string::npos) << run.Out;
  struct stat after {};
  ASSERT_EQ(stat((Folder + "/IMG_0001.JPG").c_str(), &after), 0);
  EXPECT_EQ(after.st_mtime / 2, before.st_mtime / 2);
}

INSTANTIATE_TEST_SUITE_P(Cards, CardTest,
                         ::testing::Values(TCard{TFsKind::ExfatFuse, "ExfatFuse", 200, true},
                                           TCard{TFsKind::NtfsWindowsNames, "NtfsWindowsNames", 200, true},
                                           TCard{TFsKind::VfatFuse, "VfatFuse", 40, false}),
                         [](const auto &info) { return std::string(info.param.Name); });

// 40 MB onto a 16 MB file system: the plan says which copies will not fit,
// the run's records say the same, and no partial file is left.
TEST(FullDiskTest, CopiesThatCannotFitArePredictedAndSaySo) {
  const TMountedFileSystem disk(TFsKind::Ext4, 16);
  if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
  TTempTree work;
  const fs::path from = work.Native("big");
  fs::create_directories(from);
  for (int i = 1; i <= 40; ++i) WriteFile(from / ("f" + std::to_string(i) + ".bin"), std::string(1000000, 'a' + i % 26));
  fs::create_directories(disk.Root() + "/in");
  const Strings job = {"--folder", from.string(), "--copy-folder", disk.Root() + "/in"};
  const TResult plan = RunBatch(Joined(job, {"--dry-run", "copy"}));
  const std::string noSpace = U8(u8"理由: 空き容量が足りません;");
  int predicted = 0;
  for (const std::string &line : plan.OutLines()) predicted += line.find(noSpace) != std::string::npos;
  EXPECT_GT(predicted, 20) << plan.Err;
  const TResult run = RunBatch(Joined(job, {"copy"}));
  EXPECT_EQ(run.Exit, 1);
  int failed = 0;
  for (const std::string &line : run.OutLines()) failed += line.find(noSpace) != std::string::npos;
  EXPECT_EQ(failed, predicted) << run.Err;
  EXPECT_NE(run.Err.find(U8(u8"空き容量が足りません")), std::string::npos) << run.Err;
  for (const auto &entry : fs::directory_iterator(disk.Root() + "/in"))
    EXPECT_EQ(entry.file_size(), 1000000u) << entry.path() << " is a partial copy";
}

// The Linux file systems: a change of letter case in a folder of ext4 that
// ignores case, and ordinary runs on XFS and btrfs, each undone.
struct TLinuxCase {
  TFsKind Kind;
  const char *Name;
};

class LinuxFileSystemTest : public ::testing::TestWithParam<TLinuxCase> {};

TEST_P(LinuxFileSystemTest, RenamesAndCopiesAreMadeAndUndone) {
  const TMountedFileSystem disk(GetParam().Kind);
  if (!disk.Mounted()) GTEST_SKIP() << disk.WhyNot();
  if (!disk.WhyNot().empty()) GTEST_SKIP() << disk.WhyNot();
  TTempTree work;
  MakeCard(disk.Root(), 30);
  const std::string folder = disk.Root() + "/DCIM/100TEST";
  const TSnapshot before = Snapshot(disk.Root(), true);
  const TResult run = RunBatch({"--folder", folder, "--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1",
                                "--set", U8(u8"Rename.OrderItems0=大/小文字"), "--set", U8(u8"Rename.OrderItems2=文字列置換"),
                                "--set", "Rename.NameCase=0", "--set", "Rename.ExtCase=0", "--log",
                                work.Native("run.log").string(), "rename"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(fs::exists(folder + "/img_0001.jpg"));
  const TResult undo = RunBatch({"undo", work.Native("run.log").string()});
  EXPECT_EQ(undo.Exit, 0) << undo.Err;
  EXPECT_EQ(Snapshot(disk.Root(), true), before);
}

INSTANTIATE_TEST_SUITE_P(Disks, LinuxFileSystemTest,
                         ::testing::Values(TLinuxCase{TFsKind::Ext4Casefold, "Ext4Casefold"},
                                           TLinuxCase{TFsKind::Xfs, "Xfs"}, TLinuxCase{TFsKind::Btrfs, "Btrfs"}),
                         [](const auto &info) { return std::string(info.param.Name); });

}  // namespace
