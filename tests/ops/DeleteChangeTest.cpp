// TDeleteCn and TChangeCn on real folders.

#include <stdlib.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"

namespace {

TEST(DeleteTarget, ForGood) {
  TTempTree tree("a.txt ro.txt! sub/ sub/in.txt");
  TDeleteCn cn;
  cn.Recycled = false;
  EXPECT_TRUE(cn.DeleteTarget(tree / "a.txt"));
  EXPECT_FALSE(cn.DeleteTarget(tree / "ro.txt"));
  EXPECT_FALSE(cn.DeleteTarget(tree / "sub"));
  EXPECT_FALSE(cn.DeleteTarget(tree / "gone.txt"));
  EXPECT_EQ(TTempTree::List(tree.Root()), "ro.txt sub");
  EXPECT_TRUE(TTempTree::Exists(tree / "sub/in.txt"));
}

// The trash lives under XDG_DATA_HOME, pointed into a folder of the test's
// own.  GIO reads it once per process, so every test shares that folder.
class TrashTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static TTempTree data("");
    setenv("XDG_DATA_HOME", (data / "data").c_str(), 1);
  }
  TTempTree tree{"a.txt sub/ sub/in.txt"};
};

TEST_F(TrashTest, FilesAndFoldersGoToTheTrash) {
  TDeleteCn cn;
  ASSERT_TRUE(cn.Recycled);  // the default
  EXPECT_TRUE(cn.DeleteTarget(tree / "a.txt"));
  EXPECT_TRUE(cn.DeleteTarget(tree / "sub"));
  EXPECT_EQ(TTempTree::List(tree.Root()), "");
}

TEST_F(TrashTest, AMissingTargetIsNotReportedAsDeleted) {
  TDeleteCn cn;
  EXPECT_FALSE(cn.DeleteTarget(tree / "gone.txt"));
}

class ChangeTargetTest : public ::testing::Test {
protected:
  TTempTree tree{"a.txt ro.txt! sub/"};
  TChangeCn cn;
};


struct TStatTimes {
  timespec Access, Write;
};
TStatTimes Times(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(stat(Cp932ToUtf8(path)->c_str(), &st), 0);
  return {st.st_atim, st.st_mtim};
}

void SetRawTimes(const std::string &path, timespec access, timespec write) {
  const timespec times[2] = {access, write};
  ASSERT_EQ(utimensat(AT_FDCWD, Cp932ToUtf8(path)->c_str(), times, 0), 0);
}

TEST_F(ChangeTargetTest, ModificationTimeOnly) {
  const DosDateTime value = Dos(2003, 5, 1, 12, 0, 0);
  EXPECT_EQ(value, 782327808u);
  TTempTree::SetTime(tree / "a.txt", Dos(2020, 2, 3, 4, 5, 6));
  cn.IfUpDate = true;
  cn.UpDateValue = static_cast<std::int32_t>(value);
  EXPECT_TRUE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(TTempTree::Time(tree / "a.txt"), value);
  EXPECT_EQ(cn.UpDateOld, static_cast<std::int32_t>(Dos(2020, 2, 3, 4, 5, 6)));
  EXPECT_EQ(cn.AcDateOld, static_cast<std::int32_t>(Dos(2020, 2, 3, 4, 5, 6)));
  EXPECT_NE(cn.NwDateOld, 0);
  EXPECT_EQ(cn.UpDateDone, static_cast<std::int32_t>(value));
  EXPECT_EQ(cn.NwDateDone, 0);
  EXPECT_EQ(cn.AcDateDone, 0);
  EXPECT_EQ(cn.AttrDone, 0);
}

TEST_F(ChangeTargetTest, TimesNotAskedForAreWrittenBackAtTwoSecondResolution) {
  const auto odd = DosDateTimeToFileTime(Dos(2021, 6, 7, 8, 9, 10));
  ASSERT_TRUE(odd);
  timespec write = *odd, access = *odd;
  write.tv_sec += 1;
  write.tv_nsec = 123456789;
  access.tv_sec += 61;
  access.tv_nsec = 5;
  SetRawTimes(tree / "a.txt", access, write);
  cn.IfAcDate = true;
  cn.AcDateValue = static_cast<std::int32_t>(Dos(2010, 1, 1, 0, 0, 2));
  EXPECT_TRUE(cn.ChangeTarget(tree / "a.txt"));
  const TStatTimes after = Times(tree / "a.txt");
  EXPECT_EQ(after.Write.tv_sec, odd->tv_sec);
  EXPECT_EQ(after.Write.tv_nsec, 0);
  EXPECT_EQ(after.Access.tv_sec, DosDateTimeToFileTime(Dos(2010, 1, 1, 0, 0, 2))->tv_sec);
  EXPECT_EQ(cn.UpDateOld, static_cast<std::int32_t>(Dos(2021, 6, 7, 8, 9, 10)));
  EXPECT_EQ(cn.AcDateDone, cn.AcDateValue);
  EXPECT_EQ(cn.UpDateDone, 0);
}

// The creation time cannot be stored on Linux: the same value (at the
// system's resolution) is no change, another value fails the time change.
TEST_F(ChangeTargetTest, CreationTime) {
  cn.IfNwDate = true;
  cn.NwDateValue = static_cast<std::int32_t>(Dos(2001, 1, 1));
  EXPECT_FALSE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(cn.NwDateDone, 0);
  ASSERT_NE(cn.NwDateOld, 0);

  cn.NwDateValue = cn.NwDateOld;
  EXPECT_TRUE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(cn.NwDateDone, cn.NwDateValue);
}

// A change is all or nothing: a read-only file that stays read-only takes
// no time, and then no attributes either.
TEST_F(ChangeTargetTest, AReadOnlyFileThatStaysSoFailsAndKeepsEverything) {
  const DosDateTime before = TTempTree::Time(tree / "ro.txt");
  cn.IfUpDate = true;
  cn.UpDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1, 12, 0, 0));
  cn.Attr = true;
  cn.AttrValue = kAttrReadOnly | kAttrArchive;
  EXPECT_FALSE(cn.ChangeTarget(tree / "ro.txt"));
  EXPECT_EQ(cn.Failure.Reason, TFailReason::ReadOnly);
  EXPECT_EQ(cn.UpDateDone, 0);
  EXPECT_EQ(cn.AttrDone, 0);
  EXPECT_EQ(GetAttributes(tree / "ro.txt"), std::optional<std::uint32_t>(kAttrReadOnly));
  EXPECT_EQ(TTempTree::Time(tree / "ro.txt"), before);
}

// A change that clears the read-only flag clears it first, so the times it
// asks for can be written in the same change.
TEST_F(ChangeTargetTest, AChangeThatClearsReadOnlyTakesItsTimesToo) {
  cn.IfUpDate = true;
  cn.UpDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1, 12, 0, 0));
  cn.Attr = true;
  cn.AttrValue = kAttrArchive;
  EXPECT_TRUE(cn.ChangeTarget(tree / "ro.txt"));
  EXPECT_EQ(cn.AttrDone, kAttrArchive);
  EXPECT_EQ(GetAttributes(tree / "ro.txt"), std::optional<std::uint32_t>(kAttrArchive));
  EXPECT_EQ(TTempTree::Time(tree / "ro.txt"), Dos(2003, 5, 1, 12, 0, 0));
  EXPECT_NE(cn.UpDateOld, 0);
}

TEST_F(ChangeTargetTest, AFolderTakesNoTimesAndSoNothing) {
  cn.IfUpDate = true;
  cn.UpDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1, 12, 0, 0));
  cn.Attr = true;
  cn.AttrValue = kAttrReadOnly;
  EXPECT_FALSE(cn.ChangeTarget(tree / "sub"));
  EXPECT_EQ(cn.Failure.Reason, TFailReason::Folder);
  EXPECT_EQ(cn.AttrDone, 0);
  EXPECT_EQ(GetAttributes(tree / "sub"), std::optional<std::uint32_t>(kAttrDirectory));
}

TEST_F(ChangeTargetTest, AttributesOnly) {
  cn.Attr = true;
  cn.AttrValue = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;
  EXPECT_TRUE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(GetAttributes(tree / "a.txt"),
            std::optional<std::uint32_t>(static_cast<std::uint32_t>(cn.AttrValue)));
  EXPECT_EQ(cn.UpDateOld, 0);
  EXPECT_EQ(cn.UpDateDone, 0);
  cn.AttrValue = 0;  // clears all four
  EXPECT_TRUE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(GetAttributes(tree / "a.txt"), std::optional<std::uint32_t>(0u));
}

TEST_F(ChangeTargetTest, BadValuesAndMissingTargetsFail) {
  cn.IfUpDate = true;
  cn.UpDateValue = 0;  // no valid packed time
  EXPECT_FALSE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_NE(cn.UpDateOld, 0);
  EXPECT_EQ(cn.UpDateDone, 0);

  cn.UpDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1));
  cn.Attr = true;
  EXPECT_FALSE(cn.ChangeTarget(tree / "gone.txt"));
  EXPECT_EQ(cn.UpDateOld, 0);
  EXPECT_EQ(cn.AttrDone, 0);
}

TEST_F(ChangeTargetTest, AnExistingTimeOutsideThePackedRangeFailsTheWriteBack) {
  SetRawTimes(tree / "a.txt", timespec{0, 0}, timespec{0, 0});  // 1970
  cn.IfAcDate = true;
  cn.AcDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1));
  EXPECT_FALSE(cn.ChangeTarget(tree / "a.txt"));
  EXPECT_EQ(cn.UpDateOld, 0);
  EXPECT_EQ(Times(tree / "a.txt").Write.tv_sec, 0);
}

// A change on a symbolic link sets the link's own times, fails what Linux
// cannot store on a link (its attributes), and never reaches the file or
// folder it points to.
TEST_F(ChangeTargetTest, ALinkIsChangedAsItselfNeverThroughIt) {
  tree.Add("other/ other/victim.txt other/vdir/ t/");
  const auto link = [&](const std::string &name, const std::string &target) {
    ASSERT_EQ(symlink(target.c_str(), Cp932ToUtf8(tree / name)->c_str()), 0);
  };
  link("t/link.txt", "../other/victim.txt");
  link("t/linkdir", "../other/vdir");
  const DosDateTime before = Dos(2001, 1, 1);
  TTempTree::SetTime(tree / "other/victim.txt", before);
  TTempTree::SetTime(tree / "other/vdir", before);

  cn.IfUpDate = true;
  cn.UpDateValue = static_cast<std::int32_t>(Dos(2003, 5, 1, 12, 0, 0));
  for (const char *name : {"t/link.txt", "t/linkdir"}) {
    EXPECT_TRUE(cn.ChangeTarget(tree / name)) << name;
    struct stat st {};
    ASSERT_EQ(lstat(Cp932ToUtf8(tree / name)->c_str(), &st), 0);
    EXPECT_EQ(FileTimeToDosDateTime(st.st_mtim), Dos(2003, 5, 1, 12, 0, 0)) << name;
  }
  cn.IfUpDate = false;
  cn.Attr = true;
  cn.AttrValue = kAttrReadOnly | kAttrHidden;
  EXPECT_FALSE(cn.ChangeTarget(tree / "t/link.txt"));
  EXPECT_FALSE(cn.ChangeTarget(tree / "t/linkdir"));

  EXPECT_EQ(TTempTree::Time(tree / "other/victim.txt"), before);
  EXPECT_EQ(TTempTree::Time(tree / "other/vdir"), before);
  EXPECT_EQ(GetAttributes(tree / "other/victim.txt"), 0u);
  EXPECT_EQ(GetAttributes(tree / "other/vdir"), std::uint32_t(kAttrDirectory));
}

}  // namespace
