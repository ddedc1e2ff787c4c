#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
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
  EXPECT_EQ(errno, kErrorReadOnly);
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
  // With an unnamed temporary file, and with a named one where the file
  // system has no O_TMPFILE.
  // The named one gets its time once it is closed (some drivers stamp the
  // time at the close), through its name.
  for (const bool unnamed : {true, false}) {
    const auto calls = unnamed ? std::vector<const char *>{"copy_file_range", "fchmod", "futimens",
                                                           "linkat", "open_tmpfile", "renameat"}
                               : std::vector<const char *>{"copy_file_range", "fchmod", "utimensat",
                                                           "renameat", "renameat2", "mkstemp"};
    for (const char *call : calls) {
      for (const bool replace : {true, false}) {
        // An unnamed file that may not replace is linked, never renamed; a
        // named one is renamed with RENAME_NOREPLACE exactly then.
        if (unnamed && !replace && std::string(call) == "renameat") continue;
        if (!unnamed && std::string(call) == (replace ? "renameat2" : "renameat")) continue;
        if (!unnamed) korvane::sys::InjectFault("open_tmpfile", EOPNOTSUPP);
        korvane::sys::InjectFault(call, ENOSPC);
        // A link fault must hit both ways of linking.
        if (std::string(call) == "linkat") korvane::sys::InjectFault(call, ENOSPC);
        const std::string target = replace ? "old" : "fresh";
        EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / target, !replace)) << call << replace;
        EXPECT_EQ(errno, ENOSPC) << call << replace;
        if (replace) EXPECT_EQ(ReadText(temp_ / "old"), "old") << call;
        else EXPECT_FALSE(std::filesystem::exists(temp_ / "fresh")) << call;
        EXPECT_EQ(EntryCount(), 2u) << call << replace;
        korvane::sys::ClearFaults();
      }
    }
  }
}

// A copy killed in mid-write (here by the file-size limit, whose signal ends
// the process as kill -9 would) leaves nothing in the destination folder.
TEST_F(FileOpsTest, AKilledCopyLeavesNoTemporaryFile) {
  MakeTree(temp_.Root(), {"dst/"});
  {
    std::ofstream big(temp_ / "big", std::ios::binary);
    big << std::string(1 << 20, 'x');
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    signal(SIGXFSZ, SIG_DFL);
    korvane::sys::InjectFault("copy_file_range", EXDEV);  // write by write, as on any file system
    CopyFile(temp_ / "big", temp_ / "dst/copy", true);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the copy was not cut off";
  EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
  EXPECT_TRUE(std::filesystem::is_empty(temp_ / "dst"));
}

// hidden, system and archive travel with the copy, as on Windows, and so
// does the memory of the write bits a read-only flag took.
TEST_F(FileOpsTest, CopyCarriesTheAttributeBits) {
  MakeTree(temp_.Root(), {"src=x", "old=old"});
  ASSERT_EQ(setxattr((temp_ / "src").c_str(), "user.DOSATTRIB", "0x26", 4, 0), 0);
  ASSERT_TRUE(CopyFile(temp_ / "src", temp_ / "copy", true));
  EXPECT_EQ(GetAttributes(temp_ / "copy"), GetAttributes(temp_ / "src"));
  EXPECT_EQ(GetAttributes(temp_ / "copy"), std::uint32_t(kAttrHidden | kAttrSystem | kAttrArchive));
  ASSERT_TRUE(CopyFile(temp_ / "src", temp_ / "old", false));  // replacing, too
  EXPECT_EQ(GetAttributes(temp_ / "old"), GetAttributes(temp_ / "src"));

  ASSERT_EQ(chmod((temp_ / "src").c_str(), 0664), 0);
  ASSERT_TRUE(SetAttributes(temp_ / "src", kAttrReadOnly | kAttrArchive));
  ASSERT_TRUE(CopyFile(temp_ / "src", temp_ / "ro-copy", true));
  EXPECT_EQ(Mode("ro-copy"), 0444u);
  ASSERT_TRUE(SetAttributes(temp_ / "ro-copy", kAttrArchive));
  EXPECT_EQ(Mode("ro-copy"), 0664u);

  // A destination that cannot take the hidden or system bit (an exFAT
  // card) fails the copy rather than losing it unseen.  The archive bit
  // alone, which Windows sets on every copy anyway, is let go.
  korvane::sys::InjectFault("fsetxattr", ENOTSUP);
  EXPECT_TRUE(CopyFile(temp_ / "src", temp_ / "archived", true));
  ASSERT_TRUE(SetAttributes(temp_ / "src", kAttrHidden | kAttrReadOnly));
  korvane::sys::InjectFault("fsetxattr", ENOTSUP);
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "lost", true));
  EXPECT_EQ(errno, kErrorNoAttributeStore);
  EXPECT_FALSE(std::filesystem::exists(temp_ / "lost"));
}

// A copy that is to be durable syncs the file and then its folder; either
// failing fails the copy (the caller then keeps the source).  A lazy copy
// does not sync at all.
TEST_F(FileOpsTest, AFlushedCopySyncsTheFileAndItsFolder) {
  MakeTree(temp_.Root(), {"src=data", "old=old"});
  korvane::sys::InjectFault("fsync", EIO);
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "old", false, TCopyPurpose::Move));
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(ReadText(temp_ / "old"), "old") << "an unsynced copy is not put in place";
  EXPECT_EQ(EntryCount(), 2u);

  korvane::sys::InjectFault("fsync", EIO, 1);  // the folder's
  EXPECT_FALSE(CopyFile(temp_ / "src", temp_ / "new", true, TCopyPurpose::Move));
  EXPECT_EQ(errno, EIO);
  korvane::sys::ClearFaults();

  korvane::sys::InjectFault("fsync", EIO);
  EXPECT_TRUE(CopyFile(temp_ / "src", temp_ / "lazy", true));
  EXPECT_EQ(ReadText(temp_ / "lazy"), "data");
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

// A link is copied as the link it is, its text and time kept: the file it
// names is never read, however far outside the tree it lies.
TEST_F(FileOpsTest, ALinkIsCopiedAsALink) {
  MakeTree(temp_.Root(), {"secret=outside", "t/", "t/link->../secret", "t/dangling->nowhere", "dst/",
                          "dst/old=old"});
  const timespec times[2] = {{0, UTIME_OMIT}, {1041375600, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, (temp_ / "t/link").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  const auto linkText = [&](const std::string &name) {
    char buffer[64];
    const ssize_t length = readlink((temp_ / name).c_str(), buffer, sizeof buffer);
    return length < 0 ? std::string("<no link>") : std::string(buffer, static_cast<std::size_t>(length));
  };

  ASSERT_TRUE(CopyFile(temp_ / "t/link", temp_ / "dst/link", true));
  EXPECT_EQ(linkText("dst/link"), "../secret");
  struct stat st {};
  ASSERT_EQ(lstat((temp_ / "dst/link").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtim.tv_sec, 1041375600);
  ASSERT_TRUE(CopyFile(temp_ / "t/dangling", temp_ / "dst/dangling", true, TCopyPurpose::Move));
  EXPECT_EQ(linkText("dst/dangling"), "nowhere");

  EXPECT_FALSE(CopyFile(temp_ / "t/link", temp_ / "dst/old", true));  // never replaces
  EXPECT_EQ(errno, EEXIST);
  ASSERT_TRUE(CopyFile(temp_ / "t/link", temp_ / "dst/old", false));   // overwrites when asked
  EXPECT_EQ(linkText("dst/old"), "../secret");
  EXPECT_EQ(ReadText(temp_ / "secret"), "outside");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_ / "dst"),
                          std::filesystem::directory_iterator()), 3);
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
  EXPECT_EQ(errno, kErrorReadOnly);
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
