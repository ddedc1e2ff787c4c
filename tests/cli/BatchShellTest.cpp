// korvane-batch among other shell tools: settings files it cannot read,
// pipes that close, signals, the option conventions, the summary and the
// progress line.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>

#include "BatchProcess.h"
#include "cli/BatchProgress.h"
#include "platform/Cp932.h"

namespace {

std::size_t Count(const std::string &text, const std::string &part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

std::string Files(int count) {
  std::string files;
  for (int i = 0; i < count; ++i) files += "t/file-with-a-long-name-" + std::to_string(i) + "\n";
  return files;
}

// Every file is renamed: "file" becomes "done".
const char kRenameAll[] = "[Rename]\r\nOrderChecked0=1\r\nFromName0=file\r\nToName0=done\r\nCopy=0\r\n";

Strings With(Strings arguments, const Strings &more) {
  arguments.insert(arguments.end(), more.begin(), more.end());
  return arguments;
}

std::size_t RenamedOnDisk(const TTempTree &tree) {
  std::size_t renamed = 0;
  for (const auto &entry : std::filesystem::directory_iterator(tree.Native("t")))
    renamed += entry.path().filename().string().rfind("done", 0) == 0;
  return renamed;
}

// --- Settings files that cannot be read whole ---------------------------

TEST_F(BatchTest, SettingsFileThatCannotBeReadWholeIsRefused) {
  Tree.Add("t/a.txt\nfolder.ini/\n@dangling.ini -> nothing.ini");
  ASSERT_EQ(mkfifo(P("fifo.ini").c_str(), 0600), 0);
  const struct {
    const char *Name;
    std::string Reason;
  } cases[] = {
      {"fifo.ini", U8(u8"FIFO で、ファイルではありません")},
      {"dangling.ini", U8(u8"リンク先のないシンボリックリンク")},
      {"folder.ini", U8(u8"フォルダです")},
      {"missing.ini", U8(u8"設定ファイルが見つかりません")},
  };
  for (const auto &c : cases) {
    // Read as no file, the job would be the default one: every file of
    // the folder a target, where the job meant something else.
    TResult result = RunBatch({"--settings", P(c.Name), "--folder", P("t"), "list"});
    EXPECT_EQ(result.Exit, 2) << c.Name;
    EXPECT_NE(result.Err.find(P(c.Name)), std::string::npos) << result.Err;
    EXPECT_NE(result.Err.find(c.Reason), std::string::npos) << result.Err;
    EXPECT_TRUE(result.Out.empty()) << c.Name;
  }
}

TEST_F(BatchTest, SettingsFileWithoutReadPermissionIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads a file of mode 000";
  Tree.Add("t/a.txt");
  const std::string job = Settings("[FindFile]\r\nFilter=*.none\r\n");
  ASSERT_EQ(chmod(job.c_str(), 0), 0);
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "list"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find(U8(u8"権限がありません")), std::string::npos) << result.Err;
  EXPECT_TRUE(Tree.Exists("t/a.txt"));
}

// A file that holds no job is refused, where it once ran the default job
// (every file of the folder, into the trash or gone).
TEST_F(BatchTest, ASettingsFileWithoutAJobRunsNothing) {
  const struct {
    const char *Name;
    std::string Text;
  } cases[] = {
      {"empty", ""},
      {"binary garbage", std::string("\x7f" "ELF\x02\x01\x01\0\0\0\r\n\xff\xfe[\x01]", 17)},
      {"UTF-16 without a mark", std::string("[\0D\0e\0l\0e\0t\0e\0]\0\r\0\n\0", 20)},
      {"histories only", "[Folder]\r\n0=/tmp\r\n[Settings]\r\nSuccess=1\r\n"},
      {"keys before any section", "Recycled=0\r\nFilter=*.*\r\n"},
  };
  for (const auto &c : cases) {
    Tree.Add("t/a.txt\nt/b.dat");
    const std::string job = Settings(c.Text);
    for (const char *mode : {"delete", "list"}) {
      TResult result = RunBatch({"--settings", job, "--folder", P("t"), mode});
      EXPECT_EQ(result.Exit, 2) << c.Name << " " << mode;
      EXPECT_NE(result.Err.find(U8(u8"設定ファイルにジョブが見つかりません")), std::string::npos)
          << c.Name << ": " << result.Err;
      EXPECT_NE(result.Err.find(job), std::string::npos) << result.Err;
      EXPECT_TRUE(result.Out.empty()) << c.Name;
    }
    EXPECT_TRUE(Tree.Exists("t/a.txt")) << c.Name;
    EXPECT_TRUE(Tree.Exists("t/b.dat")) << c.Name;
  }
}

// Files as other editors save them: CR line ends, a CR left inside a CR LF
// file, UTF-16 with a byte-order mark in either byte order.
TEST_F(BatchTest, SettingsFilesWithCrLineEndsOrInUtf16AreRead) {
  const auto utf16 = [](std::u16string_view text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
      bytes += static_cast<char>(little ? unit & 0xFF : unit >> 8);
      bytes += static_cast<char>(little ? unit >> 8 : unit & 0xFF);
    }
    return bytes;
  };
  const std::u16string text = u"[FindFile]\r\nFilter=*.txt\r\n[Delete]\r\nRecycled=0\r\n";
  const struct {
    const char *Name;
    std::string Bytes;
  } cases[] = {
      {"CR line ends", "[FindFile]\rFilter=*.txt\r[Delete]\rRecycled=0\r"},
      {"a bare CR in a CR LF file", "[FindFile]\r\nFilter=*.txt\r[Delete]\r\nRecycled=0\r\n"},
      {"UTF-16, little end first", utf16(text, true)},
      {"UTF-16, big end first", utf16(text, false)},
  };
  for (const auto &c : cases) {
    Tree.Add("t/a.txt\nt/b.dat");
    TResult result = RunBatch({"--settings", Settings(c.Bytes), "--folder", P("t"), "delete"});
    EXPECT_EQ(result.Exit, 0) << c.Name << ": " << result.Err;
    EXPECT_FALSE(Tree.Exists("t/a.txt")) << c.Name;
    EXPECT_TRUE(Tree.Exists("t/b.dat")) << c.Name << ": the filter was not read";
    EXPECT_EQ(Count(result.Out, "\n"), 3u) << c.Name << ": " << result.Out;
  }
}

// --- Pipes and signals ---------------------------------------------------

TEST_F(BatchTest, AReaderThatGoesAwayStopsTheRunWithItsLogComplete) {
  Tree.Add(Files(3000));
  TBatchProcess process({"--settings", Settings(kRenameAll), "--folder", P("t"), "--log", P("pp.log"), "rename"});
  process.ReadOutAtLeast(1);
  process.CloseOut();
  TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 3) << result.Err;
  EXPECT_NE(result.Err.find(U8(u8"出力を書き込めないため、実行を中止しました")), std::string::npos) << result.Err;
  const std::string log = Tree.Read("pp.log");
  EXPECT_EQ(log.substr(log.size() - 6), "\x92\x86\x92\x66\r\n");  // 中断
  // Every file changed on disk has its record.
  EXPECT_EQ(Count(log, "\x90\xac\x8c\xf7"), RenamedOnDisk(Tree));  // 成功
  EXPECT_LT(RenamedOnDisk(Tree), 3000u);
}

// A plan's lines are written by a thread of their own; a reader that goes
// away still stops the plan, and says so.
TEST_F(BatchTest, AReaderThatGoesAwayStopsAPlan) {
  Tree.Add(Files(20000));
  TBatchProcess process({"--settings", Settings(kRenameAll), "--folder", P("t"), "--dry-run", "rename"});
  process.ReadOutAtLeast(1);
  process.CloseOut();
  TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 3) << result.Err;
  EXPECT_NE(result.Err.find(U8(u8"出力を書き込めないため、実行を中止しました")), std::string::npos) << result.Err;
  EXPECT_EQ(RenamedOnDisk(Tree), 0u);
}

// Output into a pipe is gathered, yet handed on while the run goes on: a
// reader sees the first records long before the run ends.
TEST_F(BatchTest, AReaderOfAPipeSeesTheRecordsWhileTheRunGoesOn) {
  constexpr std::size_t kFiles = 20000;
  Tree.Add(Files(kFiles));
  TBatchProcess process({"--settings", Settings(kRenameAll), "--folder", P("t"), "rename"});
  process.ReadOutAtLeast(1);
  EXPECT_LT(RenamedOnDisk(Tree), kFiles) << "the first record came only at the end";
  const TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_EQ(result.OutLines().size(), kFiles + 2);
}

TEST_F(BatchTest, InterruptWhileTheReaderGoesAwayExitsWith130) {
  Tree.Add(Files(3000));
  TBatchProcess process({"--settings", Settings(kRenameAll), "--folder", P("t"), "--log", P("pp.log"), "rename"});
  // The output is larger than a pipe holds: the run blocks on it, as it
  // does behind a `tee` that stopped reading; Ctrl-C then ends both.
  process.ReadOutAtLeast(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  process.Signal(SIGINT);
  process.CloseOut();
  TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 130) << result.Err;
  const std::string log = Tree.Read("pp.log");
  EXPECT_EQ(log.substr(log.size() - 6), "\x92\x86\x92\x66\r\n");
}

TEST_F(BatchTest, TheLogFileHoldsEveryRecordEvenWhenTheProcessIsKilled) {
  Tree.Add(Files(3000));
  TBatchProcess process({"--settings", Settings(kRenameAll), "--folder", P("t"), "--log", P("pp.log"), "rename"});
  process.ReadOutAtLeast(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  process.Signal(SIGKILL);
  TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 128 + SIGKILL);
  const std::size_t records = Count(Tree.Read("pp.log"), "\x90\xac\x8c\xf7");
  // At most the target being written out when the kill came lacks its line.
  EXPECT_GE(records + 1, RenamedOnDisk(Tree));
  EXPECT_GT(records, 0u);
}

// --- Option conventions --------------------------------------------------

TEST_F(BatchTest, VersionDoubleDashAndUnknownOptions) {
  TResult result = RunBatch({"--version"});
  EXPECT_EQ(result.Exit, 0);
  EXPECT_EQ(result.Out.rfind("korvane-batch ", 0), 0u) << result.Out;

  Tree.Add("a.txt");
  result = RunBatch({"--folder", P(), "--", "list"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_EQ(result.OutLines(), (Strings{P("a.txt")}));

  const struct {
    Strings Arguments;
    std::string Said;
  } refused[] = {
      {{"-x", "list"}, U8(u8"不明なオプションです: -x")},
      {{"--bogus", "list"}, U8(u8"不明なオプションです: --bogus")},
      {{"--", "--folder"}, U8(u8"不明なモードです: --folder")},
      {{"--help=yes"}, U8(u8"--help には値を指定できません")},
      {{"--folder", P(), "--log", P("l.txt"), "list"}, U8(u8"--log は list と共には指定できません")},
      {{"--folder", P(), "-0", "delete"}, U8(u8"-0/--null は list 専用です")},
  };
  for (const auto &c : refused) {
    result = RunBatch(c.Arguments);
    EXPECT_EQ(result.Exit, 2) << c.Said;
    EXPECT_NE(result.Err.find(c.Said), std::string::npos) << result.Err;
    EXPECT_TRUE(result.Out.empty()) << c.Said;
  }
  EXPECT_FALSE(Tree.Exists("l.txt"));
}

TEST_F(BatchTest, NullEndsEveryListedPath) {
  Tree.Add("a\nline\nb.txt");
  std::filesystem::rename(Tree.Native("a"), Tree.Native("a b.txt"));
  std::filesystem::rename(Tree.Native("line"), Tree.Native("li\nne"));
  TResult result = RunBatch({"--folder", P(), "--null", "list"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  Strings paths;
  for (std::size_t start = 0, end; (end = result.Out.find('\0', start)) != std::string::npos; start = end + 1)
    paths.push_back(result.Out.substr(start, end - start));
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (Strings{P("a b.txt"), P("b.txt"), P("li\nne")}));
  EXPECT_EQ(result.Out.back(), '\0');
}

TEST_F(BatchTest, TheSummaryGoesToStderr) {
  Tree.Add("t/a\nt/b\nc/a");
  TResult result = RunBatch({"--folder", P("t"), "--copy-folder", P("c"), "copy"});
  EXPECT_EQ(result.Exit, 1);
  EXPECT_NE(result.Err.find(U8(u8"1 件成功, 1 件失敗")), std::string::npos) << result.Err;
  EXPECT_EQ(result.Out.find(U8(u8"件成功")), std::string::npos);

  // A list's output is its count.
  result = RunBatch({"--folder", P("t"), "list"});
  EXPECT_TRUE(result.Err.empty()) << result.Err;
}

TEST_F(BatchTest, RefusalsNameWhatTheyRefuse) {
  Tree.Add("t/a");
  TResult result = RunBatch({"--folder", P("none"), "list"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find(P("none")), std::string::npos) << result.Err;

  result = RunBatch({"--folder", P("t"), "--copy-folder", P("gone"), "copy"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find("Copy.Folder: " + P("gone")), std::string::npos) << result.Err;

  // 2003/02/30 passes the key's form check as a settings file line does and
  // is refused by the run, which names the field.
  const std::string job = Settings("[FindFile]\r\nDateTo=2003/02/30\r\n");
  result = RunBatch({"--settings", job, "--folder", P("t"), "list"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find("FindFile.DateTo/TimeTo: '2003/02/30 23:59:59'"), std::string::npos)
      << result.Err;
}

TEST_F(BatchTest, ARenameThatMakesCopiesBesideTheOriginalsSaysSo) {
  Tree.Add("t/a.txt\nc/");
  const std::string notice = U8(u8"名前を変えたコピーを作ります。リネームするには Rename.Copy=0 を指定します");
  const Strings step = {"--set", "Rename.OrderChecked0=1", "--set", "Rename.FromName0=a",
                        "--set", "Rename.ToName0=b"};
  const struct {
    Strings More;
    bool Warned;
  } cases[] = {
      {{}, true},
      {{"--copy-folder", P("t") + "/"}, true},
      {{"--copy-folder", P("c")}, false},
      {{"--set", "Rename.Copy=0"}, false},
  };
  for (const auto &c : cases) {
    TResult result = RunBatch(With(With({"--folder", P("t"), "rename"}, step), c.More));
    EXPECT_LE(result.Exit, 1) << result.Err;
    EXPECT_EQ(result.Err.find(notice) != std::string::npos, c.Warned) << result.Err;
  }
}

// --- The progress line ---------------------------------------------------

TEST_F(BatchTest, ProgressLineOnlyOnATerminal) {
  Tree.Add(Files(300));
  TBatchProcess onTerminal({"--folder", P("t"), "list"}, true);
  TResult result = onTerminal.Finish();
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_NE(result.Err.find("\r\x1b[K"), std::string::npos);
  EXPECT_NE(result.Err.find(U8(u8" 件  0:00  ")), std::string::npos) << result.Err;

  result = RunBatch({"--folder", P("t"), "list"});
  EXPECT_EQ(result.Err.find('\r'), std::string::npos);
  EXPECT_EQ(result.Err.find("\x1b["), std::string::npos);
}

TEST(BatchProgressTest, TheLineFitsTheTerminal) {
  const std::string folder = U8(u8"/home/写真/2024/旅行");
  const struct {
    int Columns;
    std::string Line;
  } cases[] = {
      {80, U8(u8"12 件  1:05  /home/写真/2024/旅行")},
      {31, U8(u8"12 件  1:05  ...写真/2024/旅行")},  // the start goes first
      {29, U8(u8"12 件  1:05  ...真/2024/旅行")},
      {28, U8(u8"12 件  1:05  .../2024/旅行")},    // no half of a wide character
      {14, U8(u8"12 件  1:05  ")},                 // no room for the folder
  };
  for (const auto &c : cases)
    EXPECT_EQ(TBatchProgress::Format(12, 65, folder, c.Columns), c.Line) << c.Columns;
}

TEST(BatchProgressTest, RedrawsAtMostTenTimesASecond) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  TBatchProgress progress(fds[1], true, 80);
  progress.Update(1, "a", 1000);
  progress.Update(2, "a", 1050);
  progress.Clear();
  progress.Update(3, "a", 1099);
  progress.Update(4, "a", 1100);
  progress.Clear();
  close(fds[1]);
  std::string written;
  char buffer[512];
  for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) written.append(buffer, got);
  close(fds[0]);
  EXPECT_EQ(Count(written, U8(u8" 件")), 2u) << written;
  EXPECT_NE(written.find("\r\x1b[K4 "), std::string::npos) << written;

  TBatchProgress off(fds[1], false, 80);
  EXPECT_FALSE(off.Due(5000));
}

}  // namespace
