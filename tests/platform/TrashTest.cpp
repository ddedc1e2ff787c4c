#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "TempTree.h"
#include "platform/FileSystem.h"

namespace {

// The trash goes into a temporary XDG_DATA_HOME on the same file system as
// the files, so nothing of the user's is touched and the move is a rename.
class TrashTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (const char *old = std::getenv("XDG_DATA_HOME")) old_ = old;
    setenv("XDG_DATA_HOME", (data_ / "").c_str(), 1);
  }
  void TearDown() override {
    if (old_) setenv("XDG_DATA_HOME", old_->c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
  }

  bool InTrash(const std::string &utf8Name) {
    return std::filesystem::exists(data_ / ("Trash/files/" + utf8Name)) &&
           std::filesystem::exists(data_ / ("Trash/info/" + utf8Name + ".trashinfo"));
  }

  TTempFolder data_;
  TTempFolder files_;
  std::optional<std::string> old_;
};

TEST_F(TrashTest, MovesFilesAndWholeFolders) {
  MakeTree(files_.Root(), {"a.txt=x", U8(u8"表.txt"), "dir/", "dir/inner=y"});
  ASSERT_TRUE(MoveToTrash(files_ / "a.txt"));
  EXPECT_FALSE(std::filesystem::exists(files_ / "a.txt"));
  EXPECT_TRUE(InTrash("a.txt"));

  ASSERT_TRUE(MoveToTrash(files_ / "表.txt"));
  EXPECT_TRUE(InTrash(U8(u8"表.txt")));

  ASSERT_TRUE(MoveToTrash(files_ / "dir/"));
  EXPECT_FALSE(std::filesystem::exists(files_ / "dir"));
  EXPECT_EQ(ReadText(data_ / "Trash/files/dir/inner"), "y");
}

// A fresh account has no ~/.local/share: the trash must still go there,
// never into files/ and info/ of the current folder.
TEST_F(TrashTest, AHomeWithoutADataFolderStillGetsItsTrash) {
  TTempFolder home;
  TTempFolder work;
  const char *oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  unsetenv("XDG_DATA_HOME");
  setenv("HOME", (home / "").c_str(), 1);
  const auto oldCwd = std::filesystem::current_path();
  std::filesystem::current_path(work.Root());
  MakeTree(files_.Root(), {"a.txt=x"});

  const bool moved = MoveToTrash(files_ / "a.txt");

  std::filesystem::current_path(oldCwd);
  if (oldHome) setenv("HOME", savedHome.c_str(), 1);
  else unsetenv("HOME");
  EXPECT_FALSE(std::filesystem::exists(work / "files"));
  EXPECT_FALSE(std::filesystem::exists(work / "info"));
  EXPECT_TRUE(moved);
  EXPECT_TRUE(std::filesystem::exists(home / ".local/share/Trash/files/a.txt"));
}

TEST_F(TrashTest, AMissingPathIsAFailure) {
  EXPECT_FALSE(MoveToTrash(files_ / "missing"));
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
