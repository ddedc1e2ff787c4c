// An undo a careful user can trust with a photo library: after the run was
// killed at any moment, after the tree changed under it, with a log edited
// or written by hand, with links put where folders were.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>

#include "BatchProcess.h"

namespace {

namespace fs = std::filesystem;

// Seconds on the monotonic clock (no <chrono> here: its literals do not
// survive the narrow character set this project compiles to).
double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr int kScale = 10;  // the sanitizers' build is some ten times slower
#else
constexpr int kScale = 1;
#endif

class UndoTrustTest : public BatchTest {
protected:
  void SetUp() override {
    // The trash of this test's own, never the user's.
    setenv("XDG_DATA_HOME", P("data").c_str(), 1);
    fs::create_directories(P("data"));
  }
  void TearDown() override { unsetenv("XDG_DATA_HOME"); }

  // Many files, made fast: name NNNNN with `content` and the number.
  void MakeFiles(const std::string &folder, int count, const std::string &prefix = "f",
                 std::size_t size = 0) {
    fs::create_directories(folder);
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "%s%05d", prefix.c_str(), i);
      const int fd = openat(dir, name, O_WRONLY | O_CREAT | O_EXCL, 0644);
      const std::string content = std::string(name) + std::string(size, 'x');
      [[maybe_unused]] const ssize_t put = write(fd, content.data(), content.size());
      close(fd);
    }
    close(dir);
  }

  // Every entry of a tree with its content: what a user would compare.
  static std::string Snapshot(const std::string &root) {
    std::vector<std::string> lines;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
      std::string line = entry.path().string().substr(root.size());
      if (entry.is_symlink()) {
        line += " -> " + fs::read_symlink(entry.path()).string();
      } else if (entry.is_regular_file()) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        line += " " + std::to_string(std::hash<std::string>{}(text.str()));
      }
      lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    return text;
  }

  // The entries only one of two snapshots has, for a failure's message.
  static std::string Difference(const std::string &before, const std::string &after) {
    auto lines = [](const std::string &text) {
      std::vector<std::string> all;
      std::istringstream in(text);
      for (std::string line; std::getline(in, line);) all.push_back(line);
      return all;
    };
    const std::vector<std::string> a = lines(before), b = lines(after);
    std::vector<std::string> gone, added;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(gone));
    std::set_difference(b.begin(), b.end(), a.begin(), a.end(), std::back_inserter(added));
    std::string text;
    for (std::size_t i = 0; i < gone.size() && i < 5; ++i) text += "  gone:  " + gone[i] + "\n";
    for (std::size_t i = 0; i < added.size() && i < 5; ++i) text += "  added: " + added[i] + "\n";
    return text;
  }

  void Write(const std::string &relative, const std::string &content) {
    fs::create_directories(fs::path(P(relative)).parent_path());
    std::ofstream(P(relative), std::ios::binary) << content;
  }

  static bool HasTemporaryNames(const std::string &root) {
    for (const auto &entry : fs::recursive_directory_iterator(root))
      if (entry.path().filename().string().starts_with(".korvane-")) return true;
    return false;
  }
};

// kill -9 at random moments of a run, then the undo: the tree is as it was
// before the run, names and contents, and no temporary name is left.
struct TKillCase {
  const char *Name;
  int Files;
  std::function<Strings(const std::string &tree, const std::string &out)> Job;
  bool TwoFolders;  // the files start in tree/src, the run writes into tree/out
};

TEST_F(UndoTrustTest, AKilledRunIsTakenBackWhole) {
  const std::vector<TKillCase> cases = {
      {"rename", 10000 / kScale,
       [](const std::string &tree, const std::string &) {
         return Strings{"--folder", tree, "--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1",
                        "--set", "Rename.FromName0=^f", "--set", "Rename.ToName0=renamed_", "rename"};
       },
       false},
      // Every a-file takes a b-file's name and back: each pair goes through
      // a temporary name.
      {"swap", 3000 / kScale,
       [](const std::string &tree, const std::string &) {
         return Strings{"--folder", tree, "--set", "Rename.Copy=0", "--set", "Rename.ResolveChains=1",
                        "--set", "Rename.OrderChecked0=1", "--set", "Rename.FromName0=^a",
                        "--set", "Rename.ToName0=c", "--set", "Rename.FromName1=^b", "--set",
                        "Rename.ToName1=a", "--set", "Rename.FromName2=^c", "--set", "Rename.ToName2=b",
                        "rename"};
       },
       false},
      {"move", 1500 / kScale,
       [](const std::string &tree, const std::string &out) {
         return Strings{"--folder", tree, "--copy-folder", out, "--set", "Copy.Delete=2", "copy"};
       },
       true},
  };
  std::mt19937 random(20261209);
  for (const TKillCase &c : cases) {
    // How long a whole run takes, to kill it somewhere inside.
    double whole = 0;
    for (int attempt = 0; attempt < 7; ++attempt) {
      const std::string root = P(std::string(c.Name) + std::to_string(attempt));
      const std::string tree = c.TwoFolders ? root + "/src" : root;
      const std::string out = root + "/out";
      if (c.TwoFolders) fs::create_directories(out);
      if (std::string(c.Name) == "swap") {
        MakeFiles(tree, c.Files / 2, "a", 3);
        MakeFiles(tree, c.Files / 2, "b", 5);
      } else {
        MakeFiles(tree, c.Files, "f", c.TwoFolders ? 4096 : 0);
      }
      const std::string before = Snapshot(root);
      Strings args = c.Job(tree, out);
      args.insert(args.begin(), {"--log", root + ".log"});
      const double start = Now();
      TBatchProcess run(args);
      if (attempt == 0) {
        const TResult done = run.Finish();
        ASSERT_EQ(done.Exit, 0) << c.Name << ": " << done.Err;
        whole = Now() - start;
      } else {
        std::uniform_real_distribution<double> moment(0.0, whole);
        run.ReadFor(moment(random));
        run.Signal(SIGKILL);
        run.Finish();
      }
      const TResult undo = RunBatch({"undo", root + ".log"});
      std::string refused;  // the undo's records that are no success, for a failure's message
      for (const std::string &line : undo.OutLines())
        if (line.find(U8(u8"結果: 成功")) == std::string::npos) refused += "  " + line + "\n";
      EXPECT_TRUE(undo.Exit == 0 || undo.Exit == 2) << c.Name << " " << attempt << ": " << undo.Err << refused;
      const std::string after = Snapshot(root);
      EXPECT_TRUE(after == before) << c.Name << " killed at attempt " << attempt << ": " << undo.Err
                                   << refused << Difference(before, after);
      EXPECT_FALSE(HasTemporaryNames(root)) << c.Name << " " << attempt;
      fs::remove_all(root);
    }
  }
}

// A folder of the run swapped for a link to a folder outside it: the undo
// reaches nothing through the link.
TEST_F(UndoTrustTest, TheUndoNeverFollowsALinkOutOfTheRun) {
  Tree.Add("t/sub/a.txt\noutside/b.txt");
  const Strings job = {"--folder", P("t"), "--set", "FindFile.SubFolder=1", "--set", "Rename.Copy=0",
                       "--set", "Rename.OrderChecked0=1", "--set", "Rename.FromName0=a", "--set",
                       "Rename.ToName0=b", "--log", P("run.log"), "rename"};
  ASSERT_EQ(RunBatch(job).Exit, 0);
  ASSERT_TRUE(Tree.Exists("t/sub/b.txt"));
  fs::remove_all(P("t/sub"));
  fs::create_directory_symlink(P("outside"), P("t/sub"));
  const std::string outside = Snapshot(P("outside"));
  const TResult undo = RunBatch({"undo", P("run.log")});
  EXPECT_EQ(undo.Exit, 1) << undo.Err;
  EXPECT_EQ(Snapshot(P("outside")), outside);
  EXPECT_TRUE(Tree.Exists("outside/b.txt"));
}

// A log written by hand moves nothing: no run journaled those acts.
TEST_F(UndoTrustTest, AHandWrittenLogTouchesNothing) {
  Write("etc/passwd", "p");
  Write("etc/shadow", "s");
  Write("etc/group", "g");
  Tree.Add("x/");
  const std::string log = std::string("開始\r\n") +
                          std::string("処理: リネーム; 結果: 成功; 処理ファイル: ") + P("etc/passwd0") +
                          std::string("; リネーム先ファイル: ") + P("etc/passwd") + ";\r\n" +
                          std::string("処理: コピー; 結果: 成功; 処理ファイル: ") + P("x/shadow") +
                          std::string("; コピー先ファイル: ") + P("etc/shadow") + ";\r\n" +
                          std::string("処理: 削除; 結果: 成功; 処理ファイル: ") + P("etc/group") + ";\r\n" +
                          std::string("終了\r\n");
  // Written in the log's own encoding, as the program writes it.
  std::ofstream(P("hand.log"), std::ios::binary) << log;
  const std::string before = Snapshot(P("etc"));
  const TResult undo = RunBatch({"undo", P("hand.log")});
  EXPECT_EQ(undo.Exit, 1) << undo.Err;
  EXPECT_EQ(Snapshot(P("etc")), before);
  EXPECT_NE(undo.Out.find(U8(u8"元に戻すための記録")), std::string::npos) << undo.Out;
}

// A file that took the run's new name after the run is not the run's: it
// stays, and its record says why.
TEST_F(UndoTrustTest, AFileThatTookTheNewNameSinceIsLeftAlone) {
  Write("t/a.txt", "run's");
  const Strings job = {"--folder", P("t"), "--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1",
                       "--set", "Rename.FromName0=a", "--set", "Rename.ToName0=b", "--log", P("run.log"),
                       "rename"};
  ASSERT_EQ(RunBatch(job).Exit, 0);
  fs::remove(P("t/b.txt"));
  std::ofstream(P("t/b.txt")) << "someone else's file";
  const TResult undo = RunBatch({"undo", P("run.log")});
  EXPECT_EQ(undo.Exit, 1);
  EXPECT_TRUE(Tree.Exists("t/b.txt"));
  EXPECT_FALSE(Tree.Exists("t/a.txt"));
  EXPECT_NE(undo.Out.find(U8(u8"別のファイル")), std::string::npos) << undo.Out;
}

// Two versions of one name in the trash: the undo of the first run brings
// back the version that run trashed.
TEST_F(UndoTrustTest, TheTrashEntryTheRunMadeComesBack) {
  Write("t/y.txt", "v3");
  const Strings job = {"--folder", P("t"), "--set", "Delete.Recycled=1", "delete"};
  Strings first = job;
  first.insert(first.begin(), {"--log", P("v3.log")});
  ASSERT_EQ(RunBatch(first).Exit, 0);
  Write("t/y.txt", "v4");
  Strings second = job;
  second.insert(second.begin(), {"--log", P("v4.log")});
  ASSERT_EQ(RunBatch(second).Exit, 0);
  const TResult undo = RunBatch({"undo", P("v3.log")});
  EXPECT_EQ(undo.Exit, 0) << undo.Err;
  EXPECT_EQ(Tree.Read("t/y.txt"), "v3");
}

// What is no regular file is refused at once, as nothing an undo reads or
// a log is written to.
TEST_F(UndoTrustTest, NoRegularFileIsRefusedAtOnce) {
  ASSERT_EQ(mkfifo(P("fifo").c_str(), 0600), 0);
  Tree.Add("t/a");
  const double start = Now();
  EXPECT_EQ(RunBatch({"undo", P("fifo")}).Exit, 2);
  EXPECT_EQ(RunBatch({"undo", "/dev/zero"}).Exit, 2);
  EXPECT_EQ(RunBatch({"--folder", P("t"), "--log", P("fifo"), "rename"}).Exit, 2);
  EXPECT_LT(Now() - start, 3.0);
  EXPECT_TRUE(Tree.Exists("t/a"));
}

// The run's own log is never one of its targets, wherever it is written.
TEST_F(UndoTrustTest, TheRunsOwnLogIsNoTarget) {
  Tree.Add("t/a\nt/b");
  const TResult run = RunBatch({"--folder", P("t"), "--log", P("t/run.log"), "--set", "Delete.Recycled=0", "delete"});
  EXPECT_EQ(run.Exit, 0) << run.Err;
  EXPECT_TRUE(Tree.Exists("t/run.log"));
  EXPECT_FALSE(Tree.Exists("t/a") || Tree.Exists("t/b"));
}

// The window's default makes renamed copies; taking that run back leaves
// the photos as they were, the copies in the trash.
TEST_F(UndoTrustTest, RenamedCopiesAreTakenBack) {
  MakeFiles(P("photos"), 13, "IMG_");
  const std::string before = Snapshot(P("photos"));
  const TResult run = RunBatch({"--folder", P("photos"), "--set", "Rename.Copy=1", "--set",
                                U8(u8"Rename.OrderItems0=大/小文字"), "--set", U8(u8"Rename.OrderItems2=文字列置換"),
                                "--set", "Rename.OrderChecked0=1", "--log", P("run.log"), "rename"});
  ASSERT_EQ(run.Exit, 0) << run.Err;
  ASSERT_EQ(std::distance(fs::directory_iterator(P("photos")), fs::directory_iterator()), 26);
  const TResult undo = RunBatch({"undo", P("run.log")});
  EXPECT_EQ(undo.Exit, 0) << undo.Err;
  EXPECT_EQ(Snapshot(P("photos")), before);
}

// The undo's plan says what it would do and does nothing.
TEST_F(UndoTrustTest, TheUndosPlanChangesNothing) {
  Tree.Add("t/a.txt");
  ASSERT_EQ(RunBatch({"--folder", P("t"), "--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1", "--set",
                      "Rename.FromName0=a", "--set", "Rename.ToName0=b", "--log", P("run.log"), "rename"})
                .Exit,
            0);
  const TResult plan = RunBatch({"--dry-run", "undo", P("run.log")});
  EXPECT_EQ(plan.Exit, 0) << plan.Err;
  EXPECT_NE(plan.Out.find(U8(u8"結果: 予定")), std::string::npos) << plan.Out;
  EXPECT_TRUE(Tree.Exists("t/b.txt"));
  EXPECT_EQ(RunBatch({"undo", P("run.log")}).Exit, 0);
  EXPECT_TRUE(Tree.Exists("t/a.txt"));
}

// A closed terminal stops a run in order: its log ends with the abort line,
// and every act it made is recorded.
TEST_F(UndoTrustTest, AHangUpStopsTheRunInOrder) {
  MakeFiles(P("t"), 20000 / kScale);
  TBatchProcess run({"--folder", P("t"), "--set", "Rename.Copy=0", "--set", "Rename.OrderChecked0=1", "--set",
                     "Rename.FromName0=^f", "--set", "Rename.ToName0=g", "--log", P("run.log"), "rename"});
  run.ReadOutAtLeast(2000);
  run.Signal(SIGHUP);
  const TResult result = run.Finish();
  EXPECT_EQ(result.Exit, 130) << result.Err;
  EXPECT_NE(result.Out.find(U8(u8"中断")), std::string::npos);
  EXPECT_NE(result.Err.find(U8(u8"件成功")), std::string::npos) << result.Err;
  EXPECT_EQ(RunBatch({"undo", P("run.log")}).Exit, 0);
  EXPECT_EQ(std::distance(fs::directory_iterator(P("t")), fs::directory_iterator()), 20000 / kScale);
  EXPECT_TRUE(Tree.Exists("t/f00000"));
}

}  // namespace
