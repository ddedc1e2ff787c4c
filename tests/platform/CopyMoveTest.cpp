// What a copy and a move carry, on the file system of /tmp: holes, extended
// attributes, the ACL of a moved file; a move that is a rename, and one
// across file systems (forced with EXDEV, as renameat2 answers between two)
// whose source goes only while it is unchanged.  The reflinks of btrfs and
// XFS and the limits of other file systems are tested on mounted images in
// tests/filesystems.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Sys.h"

namespace {

namespace sys = korvane::sys;

constexpr off_t kGiB = off_t{1} << 30;

struct stat Status(const std::string &path) {
  struct stat st {};
  EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
  return st;
}

// The bytes a file takes on the disk.
off_t DiskUse(const std::string &path) { return Status(path).st_blocks * off_t{512}; }

void WriteAt(const std::string &path, off_t offset, const std::string &data) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(pwrite(fd, data.data(), data.size(), offset), static_cast<ssize_t>(data.size()));
  close(fd);
}

std::string ReadAt(const std::string &path, off_t offset, std::size_t length) {
  std::string data(length, '\0');
  const int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return "<missing>";
  const ssize_t got = pread(fd, data.data(), length, offset);
  close(fd);
  data.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
  return data;
}

void Append(const std::string &path, const std::string &data) {
  std::ofstream(path, std::ios::binary | std::ios::app) << data;
}

std::string Attribute(const std::string &path, const char *name) {
  char value[70000];
  const ssize_t length = lgetxattr(path.c_str(), name, value, sizeof value);
  return length < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(length));
}

bool SetAttribute(const std::string &path, const char *name, const std::string &value) {
  return lsetxattr(path.c_str(), name, value.data(), value.size(), 0) == 0;
}

class CopyMoveTest : public ::testing::Test {
protected:
  void TearDown() override { sys::ClearFaults(); }
  // The next move meets another file system.
  static void AcrossFileSystems() { sys::InjectFault("renameat2", EXDEV); }

  std::string P(const std::string &name) const { return temp_ / name; }
  TTempFolder temp_;
};

// A 1 GiB file with 8 KiB of data in it: its copy keeps the holes, the data
// where it was, the size, and takes no more room than the source.
TEST_F(CopyMoveTest, ASparseFileStaysSparse) {
  const std::string source = P("sparse.img");
  WriteAt(source, 4096, std::string(4096, 'a'));
  WriteAt(source, kGiB / 2, std::string(4096, 'b'));
  ASSERT_EQ(truncate(source.c_str(), kGiB), 0);  // a hole at the end, too
  ASSERT_LT(DiskUse(source), 1 << 20) << "the file system of /tmp keeps no holes";

  const struct TWay {
    const char *Name;
    std::function<void()> Arm;
  } ways[] = {
      {"copy_file_range", [] {}},
      {"read and write", [] { sys::InjectFault("copy_file_range", EXDEV); }},
  };
  for (const TWay &way : ways) {
    SCOPED_TRACE(way.Name);
    const std::string copy = P(std::string("copy-") + way.Name);
    way.Arm();
    ASSERT_TRUE(CopyFile(source, copy, true));
    sys::ClearFaults();
    EXPECT_EQ(Status(copy).st_size, kGiB);
    EXPECT_LE(DiskUse(copy), 4 << 20);
    EXPECT_EQ(ReadAt(copy, 4096, 4096), std::string(4096, 'a'));
    EXPECT_EQ(ReadAt(copy, kGiB / 2, 4096), std::string(4096, 'b'));
    EXPECT_EQ(ReadAt(copy, kGiB / 4, 16), std::string(16, '\0'));
  }
}

// A FAT card through FUSE refuses to set a file's size (EPERM).  A copy
// needs that only for a hole at its end, and makes that one by writing its
// last byte instead: both files copy, whole and of their size.
TEST_F(CopyMoveTest, AFileSystemThatRefusesToSetTheSizeStillTakesCopies) {
  const std::string full = P("full"), holeAtEnd = P("hole-at-end");
  WriteAt(full, 0, std::string(10000, 'f'));
  WriteAt(holeAtEnd, 0, std::string(5000, 'h'));
  ASSERT_EQ(truncate(holeAtEnd.c_str(), 1 << 20), 0);
  for (const std::string &source : {full, holeAtEnd}) {
    SCOPED_TRACE(source);
    const std::string copy = source + ".copy";
    sys::InjectFault("ftruncate", EPERM);
    ASSERT_TRUE(CopyFile(source, copy, true)) << std::strerror(errno);
    sys::ClearFaults();
    const off_t size = Status(source).st_size;
    EXPECT_EQ(Status(copy).st_size, size);
    EXPECT_EQ(ReadAt(copy, 0, static_cast<std::size_t>(size) + 1), ReadAt(source, 0, static_cast<std::size_t>(size) + 1));
  }
}

// Where the file system cannot tell holes, or cannot share blocks, the copy
// is whole all the same; a clone that fails for any other reason fails the
// copy instead of being taken for a refusal.
TEST_F(CopyMoveTest, EveryWayOfCopyingGivesTheSameBytes) {
  const std::string source = P("data");
  std::string content;
  for (int i = 0; i < 70000; ++i) content += static_cast<char>('a' + i % 26);
  WriteAt(source, 0, content);
  const struct {
    const char *Name;
    const char *Call;
    int Error;
    bool Ok;
  } cases[] = {
      {"no holes known", "lseek", EINVAL, true},
      {"no clones", "ficlone", EOPNOTSUPP, true},
      {"clone fails", "ficlone", EIO, false},
      {"range fails midway", "copy_file_range", EIO, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string copy = P(std::string("copy-") + c.Name);
    // /tmp may well refuse clones before the call is made: the fault is
    // then armed for a call that never comes, and the case proves nothing.
    sys::InjectFault(c.Call, c.Error);
    const bool ok = CopyFile(source, copy, true);
    const bool fired = !sys::FaultsArmed();
    sys::ClearFaults();
    if (!fired) continue;
    EXPECT_EQ(ok, c.Ok);
    if (ok) {
      EXPECT_EQ(ReadAt(copy, 0, content.size() + 1), content);
    } else {
      EXPECT_FALSE(std::filesystem::exists(copy));
    }
  }
}

// A copy is a new file of the caller's: its user.* attributes go with it
// (a desktop's tags, a download's origin), nothing else.  A move takes
// every attribute and the ACL.
TEST_F(CopyMoveTest, AttributesTravelByPurpose) {
  MakeTree(temp_.Root(), {"src=data", "dst/"});
  const std::string source = P("src");
  if (!SetAttribute(source, "user.xdg.tags", "holiday,2024")) GTEST_SKIP() << "no user attributes on /tmp";
  ASSERT_TRUE(SetAttribute(source, "user.empty", ""));
  const bool trusted = RunningAsRoot() && SetAttribute(source, "trusted.origin", "card");

  ASSERT_TRUE(CopyFile(source, P("dst/copy"), true));
  EXPECT_EQ(Attribute(P("dst/copy"), "user.xdg.tags"), "holiday,2024");
  EXPECT_EQ(Attribute(P("dst/copy"), "user.empty"), "");
  EXPECT_EQ(Attribute(P("dst/copy"), "trusted.origin"), "<none>");

  AcrossFileSystems();
  ASSERT_TRUE(MoveFileEx(source, P("dst/moved"), false));
  EXPECT_EQ(Attribute(P("dst/moved"), "user.xdg.tags"), "holiday,2024");
  if (trusted) {
    EXPECT_EQ(Attribute(P("dst/moved"), "trusted.origin"), "card");
  }
  EXPECT_FALSE(std::filesystem::exists(source));
}

TEST_F(CopyMoveTest, AMovedFileKeepsItsAclAndACopyFollowsTheUmask) {
  MakeTree(temp_.Root(), {"src=data", "dst/"});
  const std::string source = P("src");
  ASSERT_EQ(chmod(source.c_str(), 0640), 0);
  if (system(("setfacl -m u:nobody:rw " + source + " 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "no setfacl, or no ACLs on /tmp";
  const std::string acl = Attribute(source, "system.posix_acl_access");
  ASSERT_NE(acl, "<none>");

  ASSERT_TRUE(CopyFile(source, P("dst/copy"), true));
  EXPECT_EQ(Attribute(P("dst/copy"), "system.posix_acl_access"), "<none>");

  AcrossFileSystems();
  ASSERT_TRUE(MoveFileEx(source, P("dst/moved"), false));
  EXPECT_EQ(Attribute(P("dst/moved"), "system.posix_acl_access"), acl);
  EXPECT_EQ(Status(P("dst/moved")).st_mode & 07777, 0660u) << "the mask shows as the group's bits";
}

// On one file system a move is a rename: the same file, not a copy of it.
TEST_F(CopyMoveTest, AMoveOnOneFileSystemKeepsTheFile) {
  MakeTree(temp_.Root(), {"src=data", "link->src", "dst/", "dst/taken=old", "dst/ro=ro"});
  ASSERT_EQ(chmod(P("dst/ro").c_str(), 0444), 0);
  const ino_t inode = Status(P("src")).st_ino;

  EXPECT_FALSE(MoveFileEx(P("src"), P("dst/taken"), false));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_FALSE(MoveFileEx(P("src"), P("dst/ro"), true));
  EXPECT_EQ(errno, kErrorReadOnly);
  EXPECT_FALSE(MoveFileEx(P("dst"), P("elsewhere"), true));
  EXPECT_EQ(errno, EISDIR);

  ASSERT_TRUE(MoveFileEx(P("src"), P("dst/taken"), true));
  EXPECT_EQ(Status(P("dst/taken")).st_ino, inode);
  EXPECT_EQ(ReadText(P("dst/taken")), "data");
  ASSERT_TRUE(MoveFileEx(P("link"), P("dst/link"), false));
  EXPECT_TRUE(S_ISLNK(Status(P("dst/link")).st_mode));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(P("link"))));
}

// Across file systems the source goes only while it is the file copied:
// whatever changes it between the start of the copy and its removal keeps
// it, and the copy stays beside it.
TEST_F(CopyMoveTest, AMoveAcrossFileSystemsNeverRemovesAChangedSource) {
  const struct TCase {
    const char *Name;
    const char *Call;  // when the change comes
    std::function<void(const std::string &source)> Change;
    bool Moved;
  } cases[] = {
      {"untouched", "fsync", [](const std::string &) {}, true},
      {"appended to", "fsync", [](const std::string &source) { Append(source, " and more"); }, false},
      {"written in place", "fsync",
       [](const std::string &source) {
         WriteAt(source, 0, "D");
         const timespec later[2] = {{0, UTIME_OMIT}, {2000000000, 0}};
         utimensat(AT_FDCWD, source.c_str(), later, 0);
       },
       false},
      {"saved anew under its name", "fsync",
       [](const std::string &source) {
         std::ofstream(source + ".new") << "data";
         rename((source + ".new").c_str(), source.c_str());
       },
       false},
      {"attributes changed", "fsync", [](const std::string &source) { chmod(source.c_str(), 0600); }, false},
      // In the instant between the last look and the removal: the data
      // written then is put back under the source's name.
      {"appended to as it goes", "unlink", [](const std::string &source) { Append(source, " and more"); },
       false},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder temp;
    MakeTree(temp.Root(), {"src=data", "dst/"});
    const std::string source = temp / "src";
    AcrossFileSystems();
    sys::OnCall(c.Call, [&] { c.Change(source); });
    bool copyStays = true;
    const bool moved = MoveFileEx(source, temp / "dst/src", false, &copyStays);
    sys::ClearFaults();
    EXPECT_EQ(moved, c.Moved);
    EXPECT_EQ(copyStays, !c.Moved);
    EXPECT_EQ(ReadText(temp / "dst/src"), "data");
    if (c.Moved) {
      EXPECT_FALSE(std::filesystem::exists(source));
      continue;
    }
    EXPECT_EQ(errno, kErrorSourceChanged);
    EXPECT_TRUE(std::filesystem::exists(source)) << "a changed source was removed";
    if (std::string(c.Name).starts_with("appended")) {
      EXPECT_EQ(ReadText(source), "data and more");
    }
  }
}

// A failure before the copy is complete keeps the source and leaves
// nothing; one after (the source cannot be removed) says the copy stays.
TEST_F(CopyMoveTest, AMoveThatFailsSaysWhetherItsCopyStays) {
  MakeTree(temp_.Root(), {"a=data", "b=data", "dst/"});
  AcrossFileSystems();
  sys::InjectFault("fsync", EIO);
  bool copyStays = true;
  EXPECT_FALSE(MoveFileEx(P("a"), P("dst/a"), false, &copyStays));
  EXPECT_FALSE(copyStays);
  EXPECT_TRUE(std::filesystem::exists(P("a")));
  EXPECT_FALSE(std::filesystem::exists(P("dst/a")));

  AcrossFileSystems();
  sys::InjectFault("unlink", EACCES);
  EXPECT_FALSE(MoveFileEx(P("b"), P("dst/b"), false, &copyStays));
  EXPECT_EQ(errno, EACCES);
  EXPECT_TRUE(copyStays);
  EXPECT_TRUE(std::filesystem::exists(P("b")));
  EXPECT_EQ(ReadText(P("dst/b")), "data");
}

// An attribute the destination cannot hold fails the copy with that reason.
TEST_F(CopyMoveTest, AnAttributeTheDestinationCannotHoldFailsTheCopy) {
  MakeTree(temp_.Root(), {"src=data"});
  sys::InjectFault("attr_copy_fd", kErrorAttributeNotHeld);
  EXPECT_FALSE(CopyFile(P("src"), P("copy"), true));
  EXPECT_EQ(errno, kErrorAttributeNotHeld);
  EXPECT_FALSE(std::filesystem::exists(P("copy")));
}

}  // namespace
