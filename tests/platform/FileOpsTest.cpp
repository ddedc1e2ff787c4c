#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/Sys.h"

namespace {

class FileOpsTest : public ::testing::Test {
protected:
  void TearDown() override { korvane::sys::ClearFaults(); }

  mode_t Mode(const std::string &name) {
    struct stat st {};
    EXPECT_EQ(stat((temp_ / name).c_str(), &st), 0) << name;
    return st.st_mode & 07777;
  }
  timespec MTime(const std::string &name) {
    struct stat st {};
    EXPECT_EQ(stat((temp_ / name).c_str(), &st), 0) << name;
    return st.st_mtim;
  }
  void SetMTime(const std::string &name, time_t seconds) {
    const timespec times[2] = {{0, UTIME_OMIT}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / name).c_str(), times, 0), 0);
  }
  // Names left in the folder besides the ones expected (temporary files).
  std::size_t EntryCount() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(temp_.Root()),
                                                  std::filesystem::directory_iterator()));
  }

  TTempFolder temp_;
};

TEST_F(FileOpsTest, RenameNeverReplaces) {
  MakeTree(temp_.Root(), {"a=A", "b=B", "dir/", "dir/x"});
  EXPECT_FALSE(MoveFile(temp_ / "a", temp_ / "b"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadText(temp_ / "b"), "B");
  EXPECT_FALSE(MoveFile(temp_ / "a", temp_ / "dir"));

  EXPECT_TRUE(MoveFile(temp_ / "a", temp_ / "表"));
  EXPECT_EQ(ReadText(temp_ / U8(u8"表")), "A");
  EXPECT_TRUE(MoveFile(temp_ / "dir", temp_ / "folder"));  // folders too
  EXPECT_EQ(ReadText(temp_ / "folder/x"), "");
  EXPECT_FALSE(MoveFile(temp_ / "missing", temp_ / "c"));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileOpsTest, RenameOfLetterCaseOnly) {
  MakeTree(temp_.Root(), {"A.TXT=x"});
  EXPECT_TRUE(MoveFile(temp_ / "A.TXT", temp_ / "a.txt"));
  EXPECT_EQ(ReadText(temp_ / "a.txt"), "x");
  EXPECT_FALSE(std::filesystem::exists(temp_ / "A.TXT"));
}

TEST_F(FileOpsTest, CopyKeepsContentModeAndLastWriteTime) {
  MakeTree(temp_.Root(), {"src=content", "sub/"});
  ASSERT_EQ(chmod((temp_ / "src").c_str(), 0640), 0);
  SetMTime("src", 1041375600);
  ASSERT_TRUE(CopyFile(temp_ / "src", temp_ / "sub/表.txt", true));
  EXPECT_EQ(ReadText(temp_ / U8(u8"sub/表.txt")), "content");
  EXPECT_EQ(Mode(U8(u8"sub/表.txt")), 0640u);
  EXPECT_EQ(MTime(U8(u8"sub/表.txt")).tv_sec, 1041375600);
  EXPECT_EQ(ReadText(temp_ / "src"), "content");

  // A read-only source gives a read-only copy, as Windows copies attributes.
  ASSERT_EQ(chmod((temp_ / "src").c_str(), 0444), 0);
  ASSERT_TRUE(CopyFile(temp_ / "src", temp_ / "ro-copy", true));
  EXPECT_EQ(Mode("ro-copy"), 0444u);
}

TEST_F(FileOpsTest, CopyReplacesOnlyWhenAllowedAndWritable) {
  MakeTree(temp_.Root(), {"src=new", "old=old", "ro=ro", "dir/", "other=other"});
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "old", true));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(ReadText(temp_ / "old"), "old");

  EXPECT_TRUE(CopyFile(temp_ / "src", temp_ / "old", false));
  EXPECT_EQ(ReadText(temp_ / "old"), "new");

  ASSERT_EQ(chmod((temp_ / "ro").c_str(), 0444), 0);
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "ro", false));
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(ReadText(temp_ / "ro"), "ro");

  // A file the caller may not write (another user's) is not replaced either;
  // simulated, because only a second user could make one.
  korvane::sys::InjectFault("access", EACCES);
  EXPECT_FALSE(CopyFile(temp_ / "other", temp_ / "old", false));
  EXPECT_EQ(ReadText(temp_ / "old"), "new");

  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "dir", false));  // a folder is never replaced
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "src", false));  // nor a file by itself
  EXPECT_EQ(ReadText(temp_ / "src"), "new");
  EXPECT_FALSE(CopyFile(temp_ / "dir", temp_ / "dir2", true));  // folders are not copied
  EXPECT_FALSE(CopyFile(temp_ / "missing", temp_ / "x", true));
  EXPECT_EQ(EntryCount(), 5u);
}

TEST_F(FileOpsTest, AFailedCopyLeavesNeitherHalfAFileNorATemporaryOne) {
  MakeTree(temp_.Root(), {"src=new content", "old=old"});
  for (const char *call : {"copy_file_range", "fchmod", "futimens", "renameat2", "mkstemp"}) {
    korvane::sys::InjectFault(call, ENOSPC);
    EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "old", false)) << call;
    EXPECT_EQ(errno, ENOSPC) << call;
    EXPECT_EQ(ReadText(temp_ / "old"), "old") << call;
    korvane::sys::InjectFault(call, ENOSPC);
    EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "fresh", true)) << call;
    EXPECT_FALSE(std::filesystem::exists(temp_ / "fresh")) << call;
    EXPECT_EQ(EntryCount(), 2u) << call;
    korvane::sys::ClearFaults();
  }
}

TEST_F(FileOpsTest, CopyFallsBackToReadAndWrite) {
  MakeTree(temp_.Root(), {"src=by read and write"});
  korvane::sys::InjectFault("copy_file_range", EXDEV);
  EXPECT_TRUE(CopyFile(temp_ / "src", temp_ / "dst", true));
  EXPECT_EQ(ReadText(temp_ / "dst"), "by read and write");

  korvane::sys::InjectFault("copy_file_range", EXDEV);
  korvane::sys::InjectFault("write", EIO);
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "dst2", true));
  EXPECT_FALSE(std::filesystem::exists(temp_ / "dst2"));
  EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(FileOpsTest, CreateAndRemoveFolders) {
  EXPECT_TRUE(CreateFolder(temp_ / "表"));
  EXPECT_TRUE(FolderExists(temp_ / "表"));
  EXPECT_FALSE(CreateFolder(temp_ / "表"));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(CreateFolder(temp_ / "a/b"));  // one level only

  MakeTree(temp_.Root(), {"full/", "full/x"});
  EXPECT_FALSE(RemoveFolder(temp_ / "full"));
  EXPECT_TRUE(FolderExists(temp_ / "full"));
  EXPECT_TRUE(RemoveFolder(temp_ / "表"));
  EXPECT_FALSE(PathExists(temp_ / "表"));
  EXPECT_FALSE(RemoveFolder(temp_ / "full/x"));
}

TEST_F(FileOpsTest, DeleteRefusesFoldersAndReadOnlyFiles) {
  MakeTree(temp_.Root(), {"plain", "ro", "dir/", "link->ro", "dangling->nowhere"});
  ASSERT_EQ(chmod((temp_ / "ro").c_str(), 0444), 0);
  EXPECT_FALSE(DeleteFile(temp_ / "dir"));
  EXPECT_EQ(errno, EISDIR);
  EXPECT_FALSE(DeleteFile(temp_ / "ro"));
  EXPECT_EQ(errno, EACCES);
  EXPECT_TRUE(PathExists(temp_ / "ro"));
  EXPECT_TRUE(DeleteFile(temp_ / "plain"));
  EXPECT_FALSE(PathExists(temp_ / "plain"));
  EXPECT_FALSE(DeleteFile(temp_ / "plain"));
  EXPECT_EQ(errno, ENOENT);

  EXPECT_TRUE(PathExists(temp_ / "dangling"));
  EXPECT_TRUE(DeleteFile(temp_ / "link"));  // the link goes, its target stays
  EXPECT_TRUE(PathExists(temp_ / "ro"));
  EXPECT_TRUE(DeleteFile(temp_ / "dangling"));
}

TEST_F(FileOpsTest, FileSize) {
  MakeTree(temp_.Root(), {"five=12345", "empty", "dir/"});
  EXPECT_EQ(GetFileSize(temp_ / "five"), 5);
  EXPECT_EQ(GetFileSize(temp_ / "empty"), 0);
  EXPECT_FALSE(GetFileSize(temp_ / "dir"));
  EXPECT_FALSE(GetFileSize(temp_ / "missing"));

  // Sizes beyond 32 bits are kept whole (a sparse file costs no space).
  const int fd = open((temp_ / "big").c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 5LL << 30), 0);
  close(fd);
  EXPECT_EQ(GetFileSize(temp_ / "big"), 5LL << 30);
}

TEST_F(FileOpsTest, PathsWithoutAUtf8FormFailWithEilseq) {
  EXPECT_FALSE(CreateFolder(temp_ / "\x85\x40"));
  EXPECT_EQ(errno, EILSEQ);
  EXPECT_FALSE(PathExists(temp_ / "\x95"));
  EXPECT_FALSE(DeleteFile(temp_ / "\x95"));
  EXPECT_EQ(errno, EILSEQ);
}

}  // namespace
