#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Sys.h"

namespace {

std::string DosAttrib(const std::string &path) {
  char buffer[64];
  const ssize_t length = getxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer);
  return length < 0 ? "<none>" : std::string(buffer, static_cast<std::size_t>(length));
}

class AttributesTest : public ::testing::Test {
protected:
  void TearDown() override { korvane::sys::ClearFaults(); }
  TTempFolder temp_;
};

TEST_F(AttributesTest, SetThenGetGivesTheExactValue) {
  MakeTree(temp_.Root(), {"f", "dir/"});
  const std::uint32_t values[] = {
      0, kAttrReadOnly, kAttrHidden, kAttrSystem, kAttrArchive,
      kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive, kAttrHidden | kAttrArchive, 0,
  };
  for (std::uint32_t value : values) {
    ASSERT_TRUE(SetAttributes(temp_ / "f", value)) << value;
    EXPECT_EQ(GetAttributes(temp_ / "f"), value);
    ASSERT_TRUE(SetAttributes(temp_ / "dir", value)) << value;
    EXPECT_EQ(GetAttributes(temp_ / "dir"), value | kAttrDirectory);
  }
  // The directory bit is the file system's to say, not the caller's.
  EXPECT_TRUE(SetAttributes(temp_ / "f", kAttrDirectory));
  EXPECT_EQ(GetAttributes(temp_ / "f"), 0u);
}

TEST_F(AttributesTest, StorageFollowsTheSambaConvention) {
  MakeTree(temp_.Root(), {"f"});
  ASSERT_TRUE(SetAttributes(temp_ / "f", kAttrReadOnly | kAttrHidden | kAttrArchive));
  EXPECT_EQ(DosAttrib(temp_ / "f"), "0x22");
  struct stat st {};
  ASSERT_EQ(stat((temp_ / "f").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);  // nobody may write a read-only file

  ASSERT_TRUE(SetAttributes(temp_ / "f", 0));
  EXPECT_EQ(DosAttrib(temp_ / "f"), "<none>");
  ASSERT_EQ(stat((temp_ / "f").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(AttributesTest, AReadOnlyFolderStillTakesNewFiles) {
  MakeTree(temp_.Root(), {"dir/"});
  ASSERT_TRUE(SetAttributes(temp_ / "dir", kAttrReadOnly));
  EXPECT_EQ(GetAttributes(temp_ / "dir"), std::uint32_t(kAttrReadOnly | kAttrDirectory));
  EXPECT_EQ(DosAttrib(temp_ / "dir"), "0x01");
  EXPECT_TRUE(CreateFolder(temp_ / "dir/inner"));

  // A folder that really cannot be written is read-only too, until cleared.
  ASSERT_TRUE(SetAttributes(temp_ / "dir", 0));
  ASSERT_EQ(chmod((temp_ / "dir").c_str(), 0555), 0);
  EXPECT_EQ(GetAttributes(temp_ / "dir"), std::uint32_t(kAttrReadOnly | kAttrDirectory));
  ASSERT_TRUE(SetAttributes(temp_ / "dir", 0));
  EXPECT_EQ(GetAttributes(temp_ / "dir"), std::uint32_t(kAttrDirectory));
}

TEST_F(AttributesTest, ADotNameStaysHidden) {
  MakeTree(temp_.Root(), {".profile"});
  EXPECT_EQ(GetAttributes(temp_ / ".profile"), std::uint32_t(kAttrHidden));
  EXPECT_FALSE(SetAttributes(temp_ / ".profile", 0));
  EXPECT_FALSE(SetAttributes(temp_ / ".profile", kAttrArchive));
  EXPECT_EQ(GetAttributes(temp_ / ".profile"), std::uint32_t(kAttrHidden));
  EXPECT_TRUE(SetAttributes(temp_ / ".profile", kAttrHidden | kAttrSystem));
  EXPECT_EQ(GetAttributes(temp_ / ".profile"), std::uint32_t(kAttrHidden | kAttrSystem));
}

TEST_F(AttributesTest, BitsThatCannotBeStoredFailTheCall) {
  MakeTree(temp_.Root(), {"f"});
  // A file system without extended attributes (an exFAT card) says so in
  // the system's own words.
  korvane::sys::InjectFault("setxattr", ENOTSUP);
  EXPECT_FALSE(SetAttributes(temp_ / "f", kAttrHidden | kAttrReadOnly));
  EXPECT_EQ(errno, kErrorNoAttributeStore);
  EXPECT_EQ(GetAttributes(temp_ / "f"), 0u) << "nothing changed";

  // Clearing everything needs no extended attributes at all.
  ASSERT_TRUE(SetAttributes(temp_ / "f", kAttrReadOnly));
  korvane::sys::InjectFault("removexattr", ENOTSUP);
  EXPECT_TRUE(SetAttributes(temp_ / "f", 0));
  EXPECT_EQ(GetAttributes(temp_ / "f"), 0u);

  EXPECT_FALSE(SetAttributes(temp_ / "missing", 0));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(GetAttributes(temp_ / "missing"));
}

TEST_F(AttributesTest, FolderExistsAndPathExists) {
  MakeTree(temp_.Root(), {"f", "d/", "ld->d", "dangling->nowhere"});
  EXPECT_TRUE(FolderExists(temp_.Root()));
  EXPECT_TRUE(FolderExists(temp_ / "d/"));
  EXPECT_TRUE(FolderExists(temp_ / "ld"));
  EXPECT_FALSE(FolderExists(temp_ / "f"));
  EXPECT_FALSE(FolderExists(temp_ / "missing"));
  EXPECT_TRUE(PathExists(temp_ / "f"));
  EXPECT_TRUE(PathExists(temp_ / "dangling"));
  EXPECT_FALSE(PathExists(temp_ / "missing"));
}

mode_t ModeOf(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Read-only takes every write bit; clearing it gives back exactly those it
// took, whoever had them.
TEST_F(AttributesTest, ReadOnlyOffGivesBackTheWriteBitsItTook) {
  const mode_t modes[] = {0664, 0666, 0644, 0600, 0620, 0640};
  for (const mode_t mode : modes) {
    MakeTree(temp_.Root(), {"f"});
    ASSERT_EQ(chmod((temp_ / "f").c_str(), mode), 0);
    ASSERT_TRUE(SetAttributes(temp_ / "f", kAttrReadOnly | kAttrArchive)) << std::oct << mode;
    EXPECT_EQ(ModeOf(temp_ / "f"), mode & 0555) << std::oct << mode;
    // Other bits may change while the flag is on.
    ASSERT_TRUE(SetAttributes(temp_ / "f", kAttrReadOnly));
    ASSERT_TRUE(SetAttributes(temp_ / "f", 0));
    EXPECT_EQ(ModeOf(temp_ / "f"), mode) << std::oct << mode;
    std::remove((temp_ / "f").c_str());
  }

  // What one flag took is not given back by a later one that took less.
  MakeTree(temp_.Root(), {"g"});
  ASSERT_EQ(chmod((temp_ / "g").c_str(), 0666), 0);
  ASSERT_TRUE(SetAttributes(temp_ / "g", kAttrReadOnly));
  ASSERT_TRUE(SetAttributes(temp_ / "g", 0));
  ASSERT_EQ(chmod((temp_ / "g").c_str(), 0600), 0);
  ASSERT_TRUE(SetAttributes(temp_ / "g", kAttrReadOnly));
  ASSERT_TRUE(SetAttributes(temp_ / "g", 0));
  EXPECT_EQ(ModeOf(temp_ / "g"), 0600u);

  // A file made read-only elsewhere gets its owner's write bit back.
  MakeTree(temp_.Root(), {"h"});
  ASSERT_EQ(chmod((temp_ / "h").c_str(), 0444), 0);
  ASSERT_TRUE(SetAttributes(temp_ / "h", 0));
  EXPECT_EQ(ModeOf(temp_ / "h"), 0644u);
}

// A change on a symbolic link acts on the link or fails; the file or folder
// it points to keeps its mode and its marks.
TEST_F(AttributesTest, ALinkIsNeverChangedThroughItsTarget) {
  MakeTree(temp_.Root(), {"other/", "other/victim.txt", "other/vdir/", "t/",
                          "t/link.txt->../other/victim.txt", "t/linkdir->../other/vdir",
                          "t/dangling->nowhere"});
  ASSERT_EQ(chmod((temp_ / "other/victim.txt").c_str(), 0644), 0);
  const mode_t dirMode = ModeOf(temp_ / "other/vdir");
  for (const char *link : {"t/link.txt", "t/linkdir", "t/dangling"}) {
    EXPECT_FALSE(SetAttributes(temp_ / link, kAttrReadOnly)) << link;
    EXPECT_EQ(errno, kErrorLinkAttributes) << link;
    EXPECT_FALSE(SetAttributes(temp_ / link, kAttrHidden | kAttrArchive)) << link;
  }
  EXPECT_EQ(ModeOf(temp_ / "other/victim.txt"), 0644u);
  EXPECT_EQ(ModeOf(temp_ / "other/vdir"), dirMode);
  EXPECT_EQ(DosAttrib(temp_ / "other/victim.txt"), "<none>");
  EXPECT_EQ(DosAttrib(temp_ / "other/vdir"), "<none>");
  // Asking for what the link already shows changes nothing and succeeds.
  EXPECT_TRUE(SetAttributes(temp_ / "t/link.txt", 0));
  EXPECT_TRUE(SetAttributes(temp_ / "t/linkdir", kAttrDirectory));
}

}  // namespace
