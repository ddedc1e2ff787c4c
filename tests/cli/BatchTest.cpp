// korvane-batch through its process boundary: arguments, exit status,
// stdout, stderr, the log file and signals.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <poll.h>
#include <unistd.h>
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "BatchProcess.h"
#include "core/JobSettingsFile.h"
#include "platform/Cp932.h"

namespace {

TEST_F(BatchTest, HelpDescribesModesOptionsAndExitStatus) {
  TResult result = RunBatch({"--help"});
  EXPECT_EQ(result.Exit, 0);
  for (const char *word : {"list", "rename", "copy", "delete", "change", "--settings", "--folder",
                           "--filter", "--copy-folder", "--log", "--sample", "130", "--set",
                           "--print-settings", "--help-keys", "--null", "--version"})
    EXPECT_NE(result.Out.find(word), std::string::npos) << word;
  EXPECT_NE(result.Out.find(U8(u8"件成功, M 件失敗")), std::string::npos) << "UTF-8, not Shift-JIS";
}

TEST_F(BatchTest, UsageErrorsExitWithTwo) {
  const Strings cases[] = {
      {},
      {"move"},
      {"--folder"},
      {"--bogus", "list"},
      {"list", "delete"},
      {"list", "--sample", "a"},
      {"--settings", "/no/such/job.ini", "list"},
  };
  for (const Strings &arguments : cases) {
    TResult result = RunBatch(arguments);
    EXPECT_EQ(result.Exit, 2) << (arguments.empty() ? "" : arguments[0]);
    EXPECT_FALSE(result.Err.empty());
    EXPECT_TRUE(result.Out.empty());
  }
}

TEST_F(BatchTest, RefusedJobPrintsTheReasonAndExitsWithTwo) {
  TResult result = RunBatch({"--folder", P("none"), "delete"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find(U8(u8"対象フォルダが存在しません。")), std::string::npos) << result.Err;

  Tree.Add("a");
  // An invalid change date refuses without a status message of its own.
  const std::string job = Settings("[Change]\r\nIfUpDate=1\r\nUpDate=2003/02/30\r\nUpTime=00:00:00\r\n");
  result = RunBatch({"--settings", job, "--folder", P(), "change"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_NE(result.Err.find("Change.UpDate"), std::string::npos) << result.Err;
  EXPECT_TRUE(result.Out.empty());
}

TEST_F(BatchTest, ListPrintsOneFullPathPerLine) {
  Tree.Add(U8(u8"日本.txt") + "\nb.doc\nsub/c.txt");
  const std::string job = Settings("[FindFile]\r\nSubFolder=1\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P(), "--filter", "*.txt", "list"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  Strings lines = result.OutLines();
  EXPECT_EQ(lines, (Strings{P(U8(u8"日本.txt")), P("sub/c.txt")}));
}

// A list hands each name on as the folder is read: a large folder costs no
// memory for its entries (a million names stay within a few megabytes), and
// every name still comes out once, in the file system's order.
TEST_F(BatchTest, ListingALargeFolderCostsNoMemoryPerName) {
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
  constexpr int kNames = 6000;  // freed memory is held back there; the result is checked alone
  constexpr bool kMeasured = false;
#else
  constexpr int kNames = 60000;
  constexpr bool kMeasured = true;
#endif
  for (const char *folder : {"small", "large"}) std::filesystem::create_directory(P(folder));
  const auto make = [&](const char *folder, int count) {
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/f%06d.dat", i);
      close(open((P(folder) + name).c_str(), O_CREAT | O_WRONLY, 0644));
    }
  };
  make("small", 100);
  make("large", kNames);
  const TResult small = RunBatch({"--folder", P("small"), "list"});
  const TResult large = RunBatch({"--folder", P("large"), "list"});
  ASSERT_EQ(large.Exit, 0) << large.Err;
  Strings lines = large.OutLines();
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kNames));
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end());
  EXPECT_EQ(lines.front(), P("large/f000000.dat"));
  // Gathered, the entries took 70 to 200 bytes each: 4 to 12 MB here.
  if (kMeasured) {
    EXPECT_LT(large.PeakKb - small.PeakKb, 1024) << large.PeakKb << " " << small.PeakKb;
  }
}

TEST_F(BatchTest, DeleteRunPrintsTheLogAndWritesTheLogFile) {
  Tree.Add("t/a\nt/b");
  const std::string job = Settings("[Delete]\r\nRecycled=0\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "--log", P("log.txt"), "delete"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  Strings lines = result.OutLines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], U8(u8"開始"));
  EXPECT_EQ(lines[3], U8(u8"終了"));
  std::sort(lines.begin() + 1, lines.begin() + 3);
  EXPECT_EQ(lines[1], U8(u8"処理: 削除; 結果: 成功; 処理ファイル: ") + P("t/a") + ";");

  std::string expected;
  for (const std::string &line : result.OutLines()) expected += Utf8ToCp932(line).value() + "\r\n";
  EXPECT_EQ(Tree.Read("log.txt"), expected);
  EXPECT_FALSE(Tree.Exists("t/a"));
}

TEST_F(BatchTest, CopyFolderOptionAndFailedRecordsExitWithOne) {
  Tree.Add("t/a\nt/b\nc/a");
  TResult result = RunBatch({"--folder", P("t"), "--copy-folder", P("c"), "copy"});
  // c/a exists and the default policy keeps it: one failed record.
  EXPECT_EQ(result.Exit, 1) << result.Err;
  EXPECT_TRUE(Tree.Exists("c/b"));
  const std::string failed = U8(u8"処理: コピー; 結果: 失敗; 処理ファイル: ") + P("t/a") + ";";
  EXPECT_NE(result.Out.find(failed), std::string::npos) << result.Out;
}

TEST_F(BatchTest, SampleShowsThePreviewAndTouchesNothing) {
  Tree.Add("a.txt");
  const std::string job = Settings(
      "[Rename]\r\nOrderItems0=大/小文字\r\nOrderChecked0=1\r\nOrderItems2=文字列置換\r\n"
      "OrderItems5=フォルダ名付加\r\nOrderChecked5=1\r\nNameCase=1\r\nFolderAdd=0\r\n");
  // Checked positions come first once the job is normalised.
  TResult result = RunBatch({"--settings", job, "--folder", P() + "/", "--sample", "a.txt"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  EXPECT_EQ(result.Out, Tree.Native().filename().string() + "A.txt\n");
  EXPECT_TRUE(Tree.Exists("a.txt"));
}

TEST_F(BatchTest, LogFileThatCannotBeCreatedEndsTheRunWithThree) {
  Tree.Add("t/a");
  TResult result = RunBatch({"--folder", P("t"), "--log", P("none/log.txt"), "change"});
  // Refused first: a change run with nothing to change.
  EXPECT_EQ(result.Exit, 2);
  const std::string job = Settings("[Change]\r\nAttr=1\r\n");
  result = RunBatch({"--settings", job, "--folder", P("t"), "--log", P("none/log.txt"), "change"});
  EXPECT_EQ(result.Exit, 3);
  EXPECT_EQ(result.OutLines().back(), U8(u8"中断"));
  EXPECT_NE(result.Err.find(U8(u8"を作成できません")), std::string::npos) << result.Err;
}

// Every replace condition is compiled before the first target is touched.
TEST_F(BatchTest, MalformedPatternRefusesTheJobWithTwo) {
  Tree.Add("t/abc");
  const std::string job = Settings("[Rename]\r\nOrderItems0=文字列置換\r\nOrderChecked0=1\r\n"
                                   "OrderItems1=連番\r\nFromName0=b\r\nToName0=x\r\nFromName1=(\r\n"
                                   "ToName1=x\r\nCopy=0\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "--log", P("log.txt"), "rename"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_TRUE(result.Out.empty()) << result.Out;
  EXPECT_NE(result.Err.find(U8(u8"置換条件2: 右(閉じ)括弧が必要です")), std::string::npos) << result.Err;
  EXPECT_FALSE(Tree.Exists("log.txt"));
  EXPECT_TRUE(Tree.Exists("t/abc"));
}

TEST_F(BatchTest, RefusedRunLeavesTheLogFileAlone) {
  Tree.Add("log.txt 5");
  TResult result = RunBatch({"--folder", P("none"), "--log", P("log.txt"), "delete"});
  EXPECT_EQ(result.Exit, 2);
  EXPECT_EQ(Tree.Read("log.txt"), "xxxxx");
}

// Names people really have on Linux, as bytes: decomposed kana as macOS
// writes them, WAVE DASH as Linux input methods type ～, accents, emoji,
// bytes that are not UTF-8, and two Shift-JIS names.
Strings RealNames() {
  return {U8(u8"か\u3099.txt"),  U8(u8"第1話\u301C第5話.txt"), U8(u8"Beyonc\u00E9.mp3"),
          U8(u8"絵文字\U0001F600.txt"), "bad\xFF.txt", U8(u8"ファイル～.txt"), "plain.txt"};
}

Strings Sorted(Strings lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

Strings FolderNames(const std::filesystem::path &folder) {
  Strings names;
  for (const auto &entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return Sorted(names);
}

TEST_F(BatchTest, EveryNameIsATargetByteForByte) {
  Strings paths;
  for (const std::string &name : RealNames()) {
    Tree.Add("t/" + name);
    Tree.SetTime("t/" + name, 2024, 5, 17, 12, 0, 0);
    paths.push_back(P("t/" + name));
  }
  TResult list = RunBatch({"--folder", P("t"), "list"});
  EXPECT_EQ(list.Exit, 0) << list.Err;
  EXPECT_EQ(Sorted(list.OutLines()), Sorted(paths));
  EXPECT_TRUE(list.Err.empty()) << list.Err;

  // Copy, then change and delete the copies: every record succeeds.
  Tree.Add("c/");
  TResult copy = RunBatch({"--folder", P("t"), "--copy-folder", P("c"), "copy"});
  EXPECT_EQ(copy.Exit, 0) << copy.Out << copy.Err;
  EXPECT_EQ(FolderNames(Tree.Native("c")), Sorted(RealNames()));
  const std::string change = Settings("[Change]\r\nAttr=1\r\nAttrReadOnly=1\r\n");
  TResult changed = RunBatch({"--settings", change, "--folder", P("c"), "change"});
  EXPECT_EQ(changed.Exit, 0) << changed.Out << changed.Err;
  for (const std::string &name : RealNames()) {
    EXPECT_NE(access(Tree.Native("c/" + name).c_str(), F_OK), -1) << name;
    struct stat st {};
    ASSERT_EQ(stat(Tree.Native("c/" + name).c_str(), &st), 0) << name;
    EXPECT_EQ(st.st_mode & S_IWUSR, 0u) << name;
    chmod(Tree.Native("c/" + name).c_str(), 0644);
  }
  // To the trash of a home of the test's own.
  Tree.Add("home/");
  const std::string savedHome = getenv("HOME") ? getenv("HOME") : "";
  setenv("HOME", P("home").c_str(), 1);
  const std::string recycle = Settings("[Delete]\r\nRecycled=1\r\n");
  TResult trashed = RunBatch({"--settings", recycle, "--folder", P("c"), "delete"});
  setenv("HOME", savedHome.c_str(), 1);
  EXPECT_EQ(trashed.Exit, 0) << trashed.Out << trashed.Err;
  EXPECT_EQ(FolderNames(Tree.Native("home/.local/share/Trash/files")), Sorted(RealNames()));

  // Replacement, numbering and the date step in one rename.
  const std::string rename = Settings(
      "[Rename]\r\nCopy=0\r\nOrderItems0=文字列置換\r\nOrderChecked0=1\r\nOrderItems1=連番\r\n"
      "OrderChecked1=1\r\nOrderItems2=更新日付付加\r\nOrderChecked2=1\r\nOrderItems3=拡張子\r\n"
      "OrderItems4=大/小文字\r\nOrderItems5=フォルダ名付加\r\nFromName0=a\r\nToName0=A\r\n"
      "SeqAdd=0\r\nDateFormat=yymmdd\r\nDateBefore=_\r\nDateAdd=1\r\n");
  TResult renamed = RunBatch({"--settings", rename, "--folder", P("t"), "rename"});
  EXPECT_EQ(renamed.Exit, 0) << renamed.Out << renamed.Err;
  Strings expected, numbers;
  for (const std::string &name : RealNames()) {
    const std::size_t dot = name.rfind('.');
    std::string base = name.substr(0, dot);
    std::replace(base.begin(), base.end(), 'a', 'A');
    expected.push_back(base + "_240517" + name.substr(dot));
  }
  Strings got;
  for (const std::string &name : FolderNames(Tree.Native("t"))) {
    numbers.push_back(name.substr(0, 4));
    got.push_back(name.substr(4));
  }
  EXPECT_EQ(Sorted(got), Sorted(expected));
  EXPECT_EQ(Sorted(numbers), (Strings{"0001", "0002", "0003", "0004", "0005", "0006", "0007"}));
}

TEST_F(BatchTest, FuzzyMatchingFindsOtherFormsOfTheSameCharacter) {
  for (const std::string &name : RealNames()) Tree.Add("t/" + name);
  // が finds the decomposed name, ～ the WAVE DASH one: as the sample shows
  // and as the run does.  (A fuzzy ～ alone is optional and matches
  // everywhere, so the pattern holds it between two characters.)
  const std::string job = Settings(
      "[Rename]\r\nCopy=0\r\nOrderItems0=文字列置換\r\nOrderChecked0=1\r\nFromName0=が\r\n"
      "ToName0=[ga]\r\nNoCase0=1\r\nFromName1=話～第\r\nToName1=話[wave]第\r\nNoCase1=1\r\n");
  TResult sample = RunBatch({"--settings", job, "--folder", P("t"), "--sample", U8(u8"か\u3099.txt")});
  EXPECT_EQ(sample.Out, "[ga].txt\n");
  TResult renamed = RunBatch({"--settings", job, "--folder", P("t"), "rename"});
  EXPECT_EQ(renamed.Exit, 1) << renamed.Err;  // the names without either fail as unchanged
  EXPECT_TRUE(Tree.Exists("t/[ga].txt"));
  EXPECT_TRUE(Tree.Exists(U8(u8"t/第1話[wave]第5話.txt")));
  EXPECT_TRUE(Tree.Exists(U8(u8"t/ファイル～.txt")));
  EXPECT_TRUE(Tree.Exists("t/bad\xFF.txt"));
}

TEST_F(BatchTest, ALogWithSuchNamesIsUtf8WithAMark) {
  for (const std::string &name : RealNames()) Tree.Add("t/" + name);
  const std::string job = Settings("[Delete]\r\nRecycled=0\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "--log", P("log.txt"), "delete"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  std::string expected = "\xEF\xBB\xBF";
  for (const std::string &line : result.OutLines()) expected += line + "\r\n";
  EXPECT_EQ(Tree.Read("log.txt"), expected);
  EXPECT_TRUE(FolderNames(Tree.Native("t")).empty());
}

TEST_F(BatchTest, AJobHoldingSuchCharactersIsSavedAndRunInANewProcess) {
  Tree.Add(U8(u8"t/photo\U0001F600.jpg"));
  // Saved by this process, whose extension codes the new process never sees.
  JobSettings job;
  job.Rename.Copy = false;
  job.Rename.OrderItems = {"文字列置換", "連番", "大/小文字", "更新日付付加", "拡張子", "フォルダ名付加"};
  job.Rename.OrderChecked = {true, false, false, false, false, false};
  job.Rename.FromName[0] = *Utf8ToCp932(U8(u8"\U0001F600"));
  job.Rename.ToName[0] = *Utf8ToCp932(U8(u8"_caf\u00E9\u301C"));
  SaveJobSettingsFile(P("job.ini"), job);
  TResult result = RunBatch({"--settings", P("job.ini"), "--folder", P("t"), "rename"});
  EXPECT_EQ(result.Exit, 0) << result.Out << result.Err;
  EXPECT_TRUE(Tree.Exists(U8(u8"t/photo_caf\u00E9\u301C.jpg")));
}

TEST_F(BatchTest, RawBytesThatWouldFormAnotherCharacterFailTheirTarget) {
  // Removing the '-' would set 0xC3 beside 0xA9: "é" on disk, another name
  // than the one planned, so the target fails and the file stays.
  Tree.Add("t/x\xC3-\xA9.txt");
  const std::string job = Settings("[Rename]\r\nCopy=0\r\nOrderItems0=文字列置換\r\nOrderChecked0=1\r\n"
                                   "FromName0=-\r\nToName0=\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "rename"});
  EXPECT_EQ(result.Exit, 1) << result.Out << result.Err;
  EXPECT_TRUE(Tree.Exists("t/x\xC3-\xA9.txt"));
  EXPECT_EQ(FolderNames(Tree.Native("t")), (Strings{"x\xC3-\xA9.txt"}));
}

// 1,880 codes hold the characters Shift-JIS lacks; 2,000 distinct emoji
// need more.  Names that find a code are renamed exactly, the others are
// passed over and counted, and none is renamed wrongly.
TEST_F(BatchTest, NamesPastTheLastExtensionCodeArePassedOverAndCounted) {
  Tree.Add("t/");
  for (char32_t c = 0x1F000; c < 0x1F000 + 2000; ++c) {
    std::string name = "e";
    name += static_cast<char>(0xF0 | c >> 18);
    name += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    name += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    name += static_cast<char>(0x80 | (c & 0x3F));
    std::ofstream(Tree.Native("t/" + name + ".txt"), std::ios::binary) << name;
  }
  const std::string job = Settings("[Rename]\r\nCopy=0\r\nOrderItems0=文字列置換\r\nOrderChecked0=1\r\n"
                                   "FromName0=^e\r\nToName0=r\r\n");
  TResult result = RunBatch({"--settings", job, "--folder", P("t"), "rename"});
  EXPECT_EQ(result.Exit, 0) << result.Err;
  std::size_t renamed = 0, left = 0;
  for (const std::string &name : FolderNames(Tree.Native("t"))) {
    // Each file keeps its own name's emoji: its content is its old name.
    const std::string content = Tree.Read("t/" + name);
    EXPECT_EQ(name.substr(1), content.substr(1) + ".txt");
    (name[0] == 'r' ? renamed : left) += 1;
  }
  EXPECT_EQ(renamed + left, 2000u);
  EXPECT_GT(renamed, 1800u);
  EXPECT_NE(result.Err.find(std::to_string(left) + U8(u8" 件を飛ばしました")), std::string::npos) << result.Err;
  // The first few are named, with their folder.
  EXPECT_NE(result.Err.find(U8(u8"(1,880) を超えています: ") + P("t") + "/e"), std::string::npos) << result.Err;
}

// The output is larger than a pipe holds, so the run cannot end before the
// test reads it: the signal always arrives during the run.
void ExpectStopOnSignal(TTempTree &tree, const std::string &job, int signal) {
  TBatchProcess process({"--settings", job, "--folder", tree.Native("t").string(), "--log",
                         tree.Native("log.txt").string(), "rename"});
  process.ReadOutAtLeast(1);
  process.Signal(signal);
  TResult result = process.Finish();
  EXPECT_EQ(result.Exit, 130) << result.Err;
  Strings lines = result.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), U8(u8"中断"));
  EXPECT_LT(lines.size(), 3002u);
  const std::string log = tree.Read("log.txt");
  EXPECT_EQ(log.substr(log.size() - 6), "\x92\x86\x92\x66\r\n");
}

TEST_F(BatchTest, SigintAndSigtermStopTheRunLikeEsc) {
  std::string files;
  for (int i = 0; i < 3000; ++i) files += "t/file-with-a-long-name-" + std::to_string(i) + "\n";
  Tree.Add(files);
  // Numbering that puts the number nowhere: every rename fails, nothing moves.
  const std::string job = Settings("[Rename]\r\nOrderItems0=連番\r\nOrderChecked0=1\r\n"
                                   "OrderItems1=文字列置換\r\nSeqName=0\r\nCopy=0\r\n");
  ExpectStopOnSignal(Tree, job, SIGINT);
  ExpectStopOnSignal(Tree, job, SIGTERM);
}

}  // namespace
