// Folders held open and the operations on their entries.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "TempTree.h"
#include "platform/FileSystem.h"
#include "platform/Sys.h"

namespace {

std::string DosAttrib(const std::string &path) {
  char buffer[64];
  const ssize_t length = lgetxattr(path.c_str(), "user.DOSATTRIB", buffer, sizeof buffer);
  return length < 0 ? "<none>" : std::string(buffer, static_cast<std::size_t>(length));
}

// Names, sizes, modes and times of everything below `root`, to show that
// nothing there changed.
std::string Snapshot(const std::string &root) {
  std::string text;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    text += entry.path().string() + " " + std::to_string(st.st_mode) + " " + std::to_string(st.st_size) +
            " " + std::to_string(st.st_mtim.tv_sec) + " " + DosAttrib(entry.path()) + "\n";
  }
  return text;
}

std::string WorkingFolder() { return std::filesystem::current_path().string(); }

// GIO reads XDG_DATA_HOME once per process, so the trash is asked for in a
// child process with its own data folder.
bool TrashInChild(const std::string &data, const std::function<bool()> &move) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    _exit(move() ? 0 : 1);
  }
  int status = 0;
  return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class HeldFolderTest : public ::testing::Test {
protected:
  void TearDown() override { korvane::sys::ClearFaults(); }
  TTempFolder temp_;
};

// Each operation on an entry of a held folder, and how to see that it acted
// on the folder that was opened (which then lies at `held`).
struct TOperation {
  const char *Name;
  std::function<bool(const TFolderHandle &)> Run;
  std::function<bool(const std::string &held)> Done;
};

std::vector<TOperation> Operations(const TTempFolder &temp) {
  const timespec when{1041375600, 0};
  return {
      {"rename", [](const TFolderHandle &f) { return MoveFile({f, "a"}, {f, "b"}); },
       [](const std::string &held) { return ReadText(held + "/b") == "held"; }},
      {"delete", [](const TFolderHandle &f) { return DeleteFile({f, "a"}); },
       [](const std::string &held) { return !std::filesystem::exists(held + "/a"); }},
      {"remove folder", [](const TFolderHandle &f) { return RemoveFolder({f, "e"}); },
       [](const std::string &held) { return !std::filesystem::exists(held + "/e"); }},
      {"attributes",
       [](const TFolderHandle &f) { return SetAttributes({f, "a"}, kAttrReadOnly | kAttrSystem); },
       [](const std::string &held) { return DosAttrib(held + "/a") == "0x04"; }},
      {"times", [when](const TFolderHandle &f) { return SetFileTimes({f, "a"}, std::nullopt, when, when); },
       [when](const std::string &held) {
         struct stat st {};
         return stat((held + "/a").c_str(), &st) == 0 && st.st_mtim.tv_sec == when.tv_sec;
       }},
      {"copy", [&temp](const TFolderHandle &f) { return CopyFile({f, "a"}, temp / "dst/a", true); },
       [&temp](const std::string &) { return ReadText(temp / "dst/a") == "held"; }},
      {"trash",
       [&temp](const TFolderHandle &f) {
         return TrashInChild(temp / "data", [&] { return MoveToTrash({f, "a"}); });
       },
       [&temp](const std::string &held) {
         return !std::filesystem::exists(held + "/a") && ReadText(temp / "data/Trash/files/a") == "held";
       }},
      {"subfolder",
       [](const TFolderHandle &f) { return FindFiles(f.OpenSubfolder("d"), "*").Entries.size() == 1; },
       [](const std::string &) { return true; }},
      {"listing", [](const TFolderHandle &f) { return FindFiles(f, "only-held").Entries.size() == 1; },
       [](const std::string &) { return true; }},
  };
}

// A folder swapped for a link to another folder after it was opened: the
// operations still act on the folder that was opened, wherever it is now,
// and one removed meanwhile fails them; the folder the link leads to is
// never touched.
TEST_F(HeldFolderTest, OperationsActOnTheFolderOpenedNeverOnALinkPutInItsPlace) {
  for (const bool removed : {false, true}) {
    for (const TOperation &operation : Operations(temp_)) {
      std::filesystem::remove_all(temp_.Root() + "/t");
      std::filesystem::remove_all(temp_.Root() + "/moved");
      std::filesystem::remove_all(temp_.Root() + "/out");
      std::filesystem::remove_all(temp_.Root() + "/dst");
      std::filesystem::remove_all(temp_.Root() + "/data");
      MakeTree(temp_.Root(), {"t/", "t/a=held", "t/d/", "t/d/x", "t/e/", "t/only-held", "out/",
                              "out/a=outside", "out/d/", "out/d/x", "out/d/y", "out/e/", "dst/", "data/"});
      const std::string outside = Snapshot(temp_ / "out");
      const TFolderHandle folder = TFolderHandle::Open(temp_ / "t");
      ASSERT_TRUE(folder.Valid());
      if (removed) std::filesystem::remove_all(temp_ / "t");
      else std::filesystem::rename(temp_ / "t", temp_ / "moved");
      ASSERT_EQ(symlink("out", (temp_ / "t").c_str()), 0);

      const bool ok = operation.Run(folder);
      if (removed) {
        EXPECT_FALSE(ok) << operation.Name;
      } else {
        EXPECT_TRUE(ok) << operation.Name;
        EXPECT_TRUE(operation.Done(temp_ / "moved")) << operation.Name;
      }
      EXPECT_EQ(Snapshot(temp_ / "out"), outside) << operation.Name << (removed ? " (removed)" : "");
    }
  }
}

TEST_F(HeldFolderTest, NoSubfolderIsOpenedThroughALinkNorAnEntryNamedByAPath) {
  MakeTree(temp_.Root(), {"t/", "t/d/", "t/d/x", "t/f", "t/ld->d", "t/dangling->nowhere"});
  const TFolderHandle folder = TFolderHandle::Open(temp_ / "t");
  ASSERT_TRUE(folder.Valid());
  EXPECT_TRUE(folder.OpenSubfolder("d").Valid());
  for (const char *link : {"ld", "dangling"}) {
    EXPECT_FALSE(folder.OpenSubfolder(link).Valid()) << link;
    EXPECT_TRUE(errno == ELOOP || errno == ENOTDIR) << link;
  }
  EXPECT_FALSE(folder.OpenSubfolder("f").Valid());
  EXPECT_EQ(errno, ENOTDIR);
  for (const char *name : {"d/x", "..", ".", ""}) {
    EXPECT_FALSE(folder.OpenSubfolder(name).Valid()) << name;
    EXPECT_EQ(errno, EINVAL) << name;
    EXPECT_FALSE(DeleteFile({folder, name})) << name;
    EXPECT_EQ(errno, EINVAL) << name;
  }
  EXPECT_TRUE(std::filesystem::exists(temp_ / "t/d/x"));
  EXPECT_FALSE(FindFiles(TFolderHandle(), "*").Ok);

  // The same handle lists its folder in full every time.
  EXPECT_EQ(FindFiles(folder, "*").Entries.size(), 4u);
  EXPECT_EQ(FindFiles(folder, "*").Entries.size(), 4u);
  EXPECT_EQ(folder.Id(), GetFileId(temp_ / "t"));
}

// Kernels before 6.13 have no *at calls for extended attributes (ENOSYS);
// the folder then stands in as the working folder for the moment of the
// listing or the change, and the process's own comes back afterwards.
TEST_F(HeldFolderTest, AttributesWorkWithoutTheAtCallsAndTheWorkingFolderComesBack) {
  MakeTree(temp_.Root(), {"t/", "t/h", "t/f"});
  ASSERT_EQ(setxattr((temp_ / "t/h").c_str(), "user.DOSATTRIB", "0x02", 4, 0), 0);
  const std::string before = WorkingFolder();
  const TFolderHandle folder = TFolderHandle::Open(temp_ / "t");

  korvane::sys::InjectFault("getxattr", ENOSYS);
  const FindResult found = FindFiles(folder, "h");
  ASSERT_EQ(found.Entries.size(), 1u);
  EXPECT_EQ(found.Entries[0].Attributes, std::uint32_t(kAttrHidden));
  EXPECT_EQ(WorkingFolder(), before);

  korvane::sys::InjectFault("setxattr", ENOSYS);
  EXPECT_TRUE(SetAttributes({folder, "f"}, kAttrSystem));
  EXPECT_EQ(DosAttrib(temp_ / "t/f"), "0x04");
  korvane::sys::InjectFault("removexattr", ENOSYS);
  EXPECT_TRUE(SetAttributes({folder, "f"}, 0));
  EXPECT_EQ(DosAttrib(temp_ / "t/f"), "<none>");
  EXPECT_EQ(WorkingFolder(), before);
}

// One descriptor per level: a tree deeper than the soft limit on open
// descriptors is still walked, as it was when only paths were kept.
TEST_F(HeldFolderTest, ATreeDeeperThanTheDescriptorLimitIsOpenedToItsBottom) {
  constexpr int kDepth = 80;
  rlimit limit{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 2 * kDepth) GTEST_SKIP() << "hard limit too low";
  std::string path = temp_.Root();
  for (int level = 0; level < kDepth; ++level) {
    path += "/d";
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    rlimit low = limit;
    low.rlim_cur = 32;
    if (setrlimit(RLIMIT_NOFILE, &low) != 0) _exit(2);
    std::vector<TFolderHandle> levels;
    levels.push_back(TFolderHandle::Open(temp_.Root()));
    for (int level = 0; level < kDepth; ++level) {
      levels.push_back(levels.back().OpenSubfolder("d"));
      if (!levels.back().Valid()) _exit(1);
    }
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
