#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"

namespace {

class TimesTest : public ::testing::Test {
protected:
  TTempFolder temp_;
};

TEST_F(TimesTest, ReadsTheThreeTimes) {
  MakeTree(temp_.Root(), {"f"});
  const timespec set[2] = {{1000000000, 0}, {1041375600, 500}};
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "f").c_str(), set, 0), 0);
  const auto times = GetFileTimes(temp_ / "f");
  ASSERT_TRUE(times);
  EXPECT_EQ(times->LastAccess.tv_sec, 1000000000);
  EXPECT_EQ(times->LastWrite.tv_sec, 1041375600);
  EXPECT_EQ(times->LastWrite.tv_nsec, 500);
  // Birth time where the file system keeps it (ext4, tmpfs, btrfs), else
  // the last-write time; either way not later than now.
  EXPECT_LE(times->Creation.tv_sec, std::time(nullptr));
}

TEST_F(TimesTest, ReadOnlyFilesAndFoldersCannotBeOpenedForIt) {
  MakeTree(temp_.Root(), {"ro", "dir/"});
  ASSERT_EQ(chmod((temp_ / "ro").c_str(), 0444), 0);
  const timespec when{1041375600, 0};
  for (const char *name : {"ro", "dir", "missing"}) {
    EXPECT_FALSE(GetFileTimes(temp_ / name)) << name;
    EXPECT_FALSE(SetFileTimes(temp_ / name, std::nullopt, when, when)) << name;
  }
  EXPECT_FALSE(SetFileTimes(temp_ / "ro", std::nullopt, std::nullopt, when));
  EXPECT_EQ(errno, kErrorReadOnly);
  EXPECT_FALSE(SetFileTimes(temp_ / "dir", std::nullopt, std::nullopt, when));
  EXPECT_EQ(errno, EISDIR);
}

TEST_F(TimesTest, WritesOnlyTheTimesGiven) {
  MakeTree(temp_.Root(), {"f"});
  const timespec set[2] = {{1000000000, 0}, {1000000002, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "f").c_str(), set, 0), 0);

  ASSERT_TRUE(SetFileTimes(temp_ / "f", std::nullopt, std::nullopt, timespec{1041375600, 0}));
  auto times = GetFileTimes(temp_ / "f");
  EXPECT_EQ(times->LastWrite.tv_sec, 1041375600);
  EXPECT_EQ(times->LastAccess.tv_sec, 1000000000);

  ASSERT_TRUE(SetFileTimes(temp_ / "f", std::nullopt, timespec{1057010400, 0}, std::nullopt));
  times = GetFileTimes(temp_ / "f");
  EXPECT_EQ(times->LastWrite.tv_sec, 1041375600);
  EXPECT_EQ(times->LastAccess.tv_sec, 1057010400);
}

TEST_F(TimesTest, CreationTimeCanOnlyBeWrittenBackUnchanged) {
  MakeTree(temp_.Root(), {"f"});
  const auto before = GetFileTimes(temp_ / "f");
  ASSERT_TRUE(before);
  // What comes back from a DosDateTime: the same two-second slot, no
  // nanoseconds.
  timespec same{before->Creation.tv_sec - before->Creation.tv_sec % 2, 0};
  EXPECT_TRUE(SetFileTimes(temp_ / "f", same, std::nullopt, timespec{1041375600, 0}));
  EXPECT_EQ(GetFileTimes(temp_ / "f")->LastWrite.tv_sec, 1041375600);

  const auto now = GetFileTimes(temp_ / "f");
  timespec other{now->Creation.tv_sec - 86400, 0};
  EXPECT_FALSE(SetFileTimes(temp_ / "f", other, std::nullopt, timespec{1057010400, 0}));
  EXPECT_EQ(errno, EOPNOTSUPP);
  EXPECT_EQ(GetFileTimes(temp_ / "f")->LastWrite.tv_sec, 1041375600) << "nothing written";
}

timespec LinkTime(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st.st_mtim;
}

// The times of a symbolic link are the link's own: reading and writing them
// never follows it, so the file or folder it names keeps its times, and a
// dangling link is no obstacle.
TEST_F(TimesTest, ALinkIsReadAndWrittenAsItself) {
  MakeTree(temp_.Root(), {"other/", "other/victim.txt", "other/vdir/", "t/",
                          "t/link.txt->../other/victim.txt", "t/linkdir->../other/vdir",
                          "t/dangling->nowhere"});
  const timespec targetTimes[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "other/victim.txt").c_str(), targetTimes, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "other/vdir").c_str(), targetTimes, 0), 0);
  const timespec when{1041375600, 0};
  for (const char *link : {"t/link.txt", "t/linkdir", "t/dangling"}) {
    ASSERT_TRUE(SetFileTimes(temp_ / link, std::nullopt, when, when)) << link;
    EXPECT_EQ(LinkTime(temp_ / link).tv_sec, 1041375600) << link;
    const auto times = GetFileTimes(temp_ / link);
    ASSERT_TRUE(times) << link;
    EXPECT_EQ(times->LastWrite.tv_sec, 1041375600) << link;
  }
  EXPECT_EQ(LinkTime(temp_ / "other/victim.txt").tv_sec, 1000000000);
  EXPECT_EQ(LinkTime(temp_ / "other/vdir").tv_sec, 1000000000);
}

}  // namespace
