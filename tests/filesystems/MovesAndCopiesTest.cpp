// Moves and copies through korvane-batch between real file systems mounted
// from images: what a move carries (a 64 KiB attribute, an ACL), what it
// refuses to lose (a source still being written, an attribute the
// destination cannot hold), and copies that share their data on btrfs and
// XFS.  Each case skips where the machine cannot mount.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "BatchProcess.h"
#include "MountedFileSystem.h"

namespace {

namespace fs = std::filesystem;

// A folder on a mounted file system of `kind`, or the reason there is none.
struct TDisk {
  explicit TDisk(TFsKind kind, int megabytes = 64) : Mount(std::make_unique<TMountedFileSystem>(kind, megabytes)) {}
  bool Ready() const { return Mount->Mounted() && Mount->WhyNot().empty(); }
  std::string Why() const { return Mount->WhyNot().empty() ? "not mounted" : Mount->WhyNot(); }
  std::string operator/(const std::string &name) const { return Mount->Root() + "/" + name; }
  std::unique_ptr<TMountedFileSystem> Mount;
};

#define REQUIRE_DISK(disk) \
  if (!(disk).Ready()) GTEST_SKIP() << (disk).Why()

std::string Out(const std::string &command) {
  std::string out;
  Shell(command, &out);
  return out;
}

// Moves `folder` into `into` (every file, the source deleted when the copy
// succeeded).
TResult Move(const std::string &folder, const std::string &into) {
  return RunBatch({"--folder", folder, "--copy-folder", into, "--set", "Copy.Delete=2", "copy"});
}

void WriteFile(const std::string &path, const std::string &content) {
  std::ofstream(path, std::ios::binary) << content;
}

// The attribute and the ACL as a user would look at them.
struct TCarried {
  std::string Attribute;  // the length of user.big's value as getfattr dumps it
  std::string Acl;        // getfacl's entries
};

TCarried Carried(const std::string &path) {
  TCarried carried;
  carried.Attribute = Out("getfattr --absolute-names --only-values -n user.big " + path + " 2>/dev/null | wc -c");
  carried.Acl = Out("getfacl --omit-header --absolute-names " + path + " 2>/dev/null");
  return carried;
}

// A moved file keeps a 64 KiB user attribute and a POSIX ACL, whether the
// move is a rename (one XFS) or a copy (from one XFS to another).
TEST(MovesAndCopiesTest, AMovedFileKeepsA64KiBAttributeAndAnAcl) {
  if (!Shell("command -v getfattr >/dev/null && command -v setfacl >/dev/null"))
    GTEST_SKIP() << "getfattr or setfacl is not installed";
  const TDisk from(TFsKind::Xfs), to(TFsKind::Xfs);
  REQUIRE_DISK(from);
  REQUIRE_DISK(to);
  for (const std::string &into : {from / "here", to / "there"}) {
    SCOPED_TRACE(into);
    fs::remove_all(from / "src");
    fs::create_directories(from / "src");
    fs::create_directories(into);
    const std::string photo = from / "src/photo.jpg";
    WriteFile(photo, "jpeg");
    ASSERT_TRUE(Shell("setfattr -n user.big -v '\"" + std::string(65536, 'a') + "\"' " + photo));
    ASSERT_TRUE(Shell("setfacl -m u:65534:rw,g:1:r " + photo));
    const TCarried before = Carried(photo);
    ASSERT_EQ(before.Attribute, "65536\n");
    ASSERT_NE(before.Acl.find("rw-"), std::string::npos) << before.Acl;

    const TResult run = Move(from / "src", into);
    EXPECT_EQ(run.Exit, 0) << run.Out << run.Err;
    EXPECT_FALSE(fs::exists(photo));
    const TCarried after = Carried(into + "/photo.jpg");
    EXPECT_EQ(after.Attribute, before.Attribute);
    EXPECT_EQ(after.Acl, before.Acl);
  }
}

// A file whose attribute the destination cannot hold (exFAT holds none) is
// not moved: the record says why and the source stays, attribute and all.
TEST(MovesAndCopiesTest, AnAttributeTheDestinationCannotHoldKeepsTheSource) {
  const TDisk home(TFsKind::Ext4), card(TFsKind::ExfatFuse);
  REQUIRE_DISK(home);
  REQUIRE_DISK(card);
  fs::create_directories(home / "src");
  fs::create_directories(card / "in");
  WriteFile(home / "src/tagged.txt", "tagged");
  WriteFile(home / "src/plain.txt", "plain");
  ASSERT_TRUE(Shell("setfattr -n user.xdg.tags -v holiday " + (home / "src/tagged.txt")));

  const TResult run = Move(home / "src", card / "in");
  EXPECT_EQ(run.Exit, 1) << run.Err;
  EXPECT_NE(run.Out.find(U8(u8"tagged.txt; 理由: コピー先に保存できない属性があります;")), std::string::npos)
      << run.Out;
  EXPECT_TRUE(fs::exists(home / "src/tagged.txt"));
  EXPECT_EQ(Out("getfattr --absolute-names --only-values -n user.xdg.tags " + (home / "src/tagged.txt")), "holiday");
  EXPECT_FALSE(fs::exists(card / "in/tagged.txt")) << "no copy without its attribute";
  EXPECT_FALSE(fs::exists(home / "src/plain.txt"));
  EXPECT_TRUE(fs::exists(card / "in/plain.txt"));
}

// A writer appends to a file while it is moved to another file system: the
// source is never removed while changed, so no append is lost.
TEST(MovesAndCopiesTest, AFileAppendedToDuringItsMoveIsNeverRemoved) {
  const TDisk from(TFsKind::Ext4, 400), to(TFsKind::Ext4, 400);
  REQUIRE_DISK(from);
  REQUIRE_DISK(to);
  fs::create_directories(from / "src");
  fs::create_directories(to / "in");
  const std::string log = from / "src/big.log";
  {
    std::ofstream out(log, std::ios::binary);
    const std::string block(1 << 20, 'x');
    for (int i = 0; i < 150; ++i) out << block;
  }
  std::atomic<bool> stop{false};
  std::atomic<long> appends{0};
  const std::string line = "one more line\n";
  std::thread writer([&] {
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND);
    while (fd >= 0 && !stop) {
      if (write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size())) ++appends;
      usleep(200);
    }
    if (fd >= 0) close(fd);
  });
  const TResult run = Move(from / "src", to / "in");
  stop = true;
  writer.join();
  ASSERT_GT(appends.load(), 0);
  EXPECT_EQ(run.Exit, 1) << run.Out << run.Err;
  EXPECT_NE(run.Out.find(U8(u8"理由: コピー中に元のファイルが変更されました;")), std::string::npos) << run.Out;
  ASSERT_TRUE(fs::exists(log)) << "the source was removed while it was being written";
  EXPECT_EQ(fs::file_size(log), (150u << 20) + static_cast<std::uintmax_t>(appends.load()) * line.size())
      << "appends were lost";
}

// On btrfs and XFS a copy shares its data with the source: a 64 MiB file
// copied takes no data blocks, and a move on the disk keeps the file.
TEST(MovesAndCopiesTest, CopiesOnBtrfsAndXfsTakeNoDataBlocks) {
  for (const TFsKind kind : {TFsKind::Btrfs, TFsKind::Xfs}) {
    const TDisk disk(kind, 400);
    if (!disk.Ready()) {
      std::printf("skipped: %s\n", disk.Why().c_str());
      continue;
    }
    fs::create_directories(disk / "src");
    fs::create_directories(disk / "out");
    {
      std::ofstream out(disk / "src/video.mp4", std::ios::binary);
      std::string block(1 << 20, '\0');
      for (int i = 0; i < 64; ++i) {
        block.assign(block.size(), static_cast<char>('a' + i % 26));
        out << block;
      }
    }
    Shell("sync");
    struct statvfs before {}, after {};
    ASSERT_EQ(statvfs(disk.Mount->Root().c_str(), &before), 0);
    const TResult run = RunBatch({"--folder", disk / "src", "--copy-folder", disk / "out", "copy"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    Shell("sync");
    ASSERT_EQ(statvfs(disk.Mount->Root().c_str(), &after), 0);
    const double used = static_cast<double>(before.f_bfree - after.f_bfree) * static_cast<double>(after.f_frsize);
    EXPECT_LT(used, 4.0 * (1 << 20)) << "the copy took its own blocks";
    EXPECT_EQ(fs::file_size(disk / "out/video.mp4"), 64u << 20);

    struct stat source {}, moved {};
    ASSERT_EQ(stat((disk / "src/video.mp4").c_str(), &source), 0);
    fs::create_directories(disk / "moved");
    EXPECT_EQ(Move(disk / "src", disk / "moved").Exit, 0);
    ASSERT_EQ(stat((disk / "moved/video.mp4").c_str(), &moved), 0);
    EXPECT_EQ(moved.st_ino, source.st_ino);
  }
}

}  // namespace
