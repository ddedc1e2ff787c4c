// The run driver with the real operations on real trees.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "DriverFixture.h"
#include "platform/ExtensionCodes.h"
#include "ops/UnitFileCn.h"
#include "run/ApplyJob.h"
#include "run/RunDriver.h"
#include "run/RunLog.h"
#include "run/ValidateRun.h"
#include "regex/Messages.h"
#include "platform/Sys.h"

namespace {

using Strings = std::vector<std::string>;

class DriverTest : public TDriverFixture {
protected:
  Strings Records() const {
    Strings records;
    for (const std::string &line : Host.Log)
      if (line.rfind("処理: ", 0) == 0) records.push_back(line);
    return records;
  }

  std::string RenameRecord(bool ok, std::string_view from, std::string_view to,
                           TFailReason reason = TFailReason::None) {
    return FormatLogLine(RunMode::Rename, P(from), ok, {}, P(to), ok ? std::string() : ReasonText(reason));
  }
};

TEST_F(DriverTest, DeleteRunLogsStartRecordsAndEnd) {
  Tree.Add("a\nb\nc");
  EXPECT_EQ(Run(RunMode::Delete), TRunOutcome::Finished);
  ASSERT_EQ(Host.Log.size(), 5u);
  EXPECT_EQ(Host.Log.front(), "開始");
  EXPECT_EQ(Host.Log.back(), "終了");
  for (const std::string &record : Records())
    EXPECT_NE(record.find("処理: 削除; 結果: 成功; 処理ファイル: " + P()), std::string::npos);
  EXPECT_FALSE(Tree.Exists("a") || Tree.Exists("b") || Tree.Exists("c"));
  EXPECT_EQ(Host.CursorStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(Host.RunMessage, "");
  EXPECT_EQ(Host.LogPageShown, 1);
  EXPECT_EQ(Host.Status, P() + "/");
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
}

// A folder deleted for good goes once its contents have gone, and its
// record, written then, says whether it went: never "failed" for a folder
// that is gone, never "done" for one that stays.
TEST_F(DriverTest, DeleteOverATreeWithoutTheTrash) {
  Tree.Add("d/x\nd/e/y\nf\nk/z\nk/.hidden");
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Run(RunMode::Delete);
  EXPECT_EQ(Driver.Stats().Records, 7u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  EXPECT_FALSE(Tree.Exists("d"));
  EXPECT_FALSE(Tree.Exists("f"));
  EXPECT_TRUE(Tree.Exists("k/.hidden"));
  const Strings records = Records();
  const auto at = [&](const std::string &line) { return std::find(records.begin(), records.end(), line); };
  const auto deleted = [&](std::string_view path) { return FormatLogLine(RunMode::Delete, P(path), true, {}, {}); };
  ASSERT_NE(at(deleted("d")), records.end());
  EXPECT_LT(at(deleted("d/e/y")), at(deleted("d/e")));
  EXPECT_LT(at(deleted("d/e")), at(deleted("d")));
  EXPECT_NE(at(FormatLogLine(RunMode::Delete, P("k"), false, {}, {}, ReasonText(FailureOf(ENOTEMPTY)))),
            records.end());
}

TEST_F(DriverTest, DeleteOverATreeIntoTheTrash) {
  TTempTree data;
  setenv("XDG_DATA_HOME", data.Native().c_str(), 1);
  Tree.Add("d/x\nd/e/y\nf");
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Delete.Recycled = true;
  Run(RunMode::Delete);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Records().size(), 2u);  // the folder went whole; nothing left to descend into
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_FALSE(Tree.Exists("d"));
  EXPECT_TRUE(data.Exists("Trash/files/d/e/y"));
  EXPECT_TRUE(data.Exists("Trash/files/f"));
}

TEST_F(DriverTest, ListRunWritesOnlyTheList) {
  Tree.Add("a\nsub/b");
  Job().FindFile.SubFolder = true;
  Host.List = {"old"};
  EXPECT_EQ(Run(RunMode::List), TRunOutcome::Finished);
  EXPECT_EQ(Host.ListClears, 1);
  EXPECT_EQ(Host.List, (Strings{P("a"), P("sub/b")}));
  EXPECT_TRUE(Host.Log.empty());
  EXPECT_EQ(Host.LogPageShown, 0);
  EXPECT_EQ(Host.Histories, THistories{});
}

TEST_F(DriverTest, NumberingSortsEachFolderAndRestarts) {
  Tree.Add("c.txt\na.txt\nb.txt\nsub/z.txt");
  Job().FindFile.SubFolder = true;
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  for (const char *name : {"a0001.txt", "b0002.txt", "c0003.txt", "sub/z0001.txt"})
    EXPECT_TRUE(Tree.Exists(name)) << name;
}

TEST_F(DriverTest, UnchangedNameFailsAndStillAdvancesTheCounter) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepSequence});
  Job().Rename.SeqName = false;  // the number goes nowhere: no name changes
  Job().Rename.SeqIndex = 10;
  Job().Rename.SeqStep = 5;
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 3u);
  EXPECT_EQ(Rename.SeqCounter, 25);
}

TEST_F(DriverTest, RenamedFolderIsEnteredUnderItsNewNameOnce) {
  Tree.Add("d/x.txt");
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.NameCase = 1;
  Job().Rename.ExtCase = 1;
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  EXPECT_EQ(Records(), (Strings{RenameRecord(true, "d", "D"),
                                RenameRecord(true, "D/x.txt", "D/X.TXT")}));
  EXPECT_TRUE(Tree.Exists("D/X.TXT"));
}

TEST_F(DriverTest, FailedFolderRenameStillProcessesItsContents) {
  Tree.Add("d/x.txt\nD/");
  Job().FindFile.Filter = "d;*.txt";
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  const Strings records = Records();  // "d" also matches D, which is listed too
  EXPECT_NE(std::find(records.begin(), records.end(), RenameRecord(false, "d", "D", TFailReason::NameExists)),
            records.end());
  EXPECT_TRUE(Tree.Exists("d/X.txt"));
}

TEST_F(DriverTest, RenamedCopyOfAFolderCarriesItsContents) {
  Tree.Add("t/d/x.txt\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().Rename.Copy = true;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  EXPECT_TRUE(Tree.Exists("c/D/X.txt"));
  EXPECT_TRUE(Tree.Exists("t/d/x.txt"));
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
}

TEST_F(DriverTest, RenamedCopyInTheSameFolderIsNotWalkedAgain) {
  Tree.Add("d/x.txt");
  Job().Rename.Copy = true;  // no copy folder: the copies go beside the sources
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  EXPECT_EQ(Records(), (Strings{RenameRecord(true, "d", "D"),
                                RenameRecord(true, "d/x.txt", "D/X.txt")}));
}

// A replacement that yields a path rather than a name fails the rename, and
// the descent never follows that path out of the copy folder.
TEST_F(DriverTest, NewNameThatIsAPathNeverLeadsTheDescentElsewhere) {
  Tree.Add("t/a/a.txt\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().Rename.Copy = true;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.FromName[0] = "a";
  Job().Rename.ToName[0] = "../esc";
  EnableSteps({kStepReplace});
  Run(RunMode::Rename);
  EXPECT_EQ(Driver.Stats().FailedRecords, Driver.Stats().Records);
  EXPECT_FALSE(Tree.Exists("esc"));
  EXPECT_FALSE(Tree.Exists("c/esc"));
  EXPECT_FALSE(Tree.Exists("esc.txt"));
}

// A copy folder inside the tree being copied holds the copies, once; it is
// never walked as a source, whatever the kind of targets.
TEST_F(DriverTest, ACopyIntoItsOwnTreeCopiesEachTargetOnce) {
  for (const int kind : {0, 2}) {
    TTempTree tree("t/a.txt\nt/s/b.txt\nt/out/");
    Job().FindFile.Folder = tree.Path("t");
    Job().Copy.Folder = tree.Path("t/out");
    Job().FindFile.SubFolder = true;
    Job().FindFile.FileOnly = kind;
    EXPECT_EQ(Run(RunMode::Copy), TRunOutcome::Finished) << kind;
    EXPECT_TRUE(tree.Exists("t/out/a.txt")) << kind;
    EXPECT_EQ(tree.Exists("t/out/s/b.txt"), kind == 2) << kind;
    EXPECT_FALSE(tree.Exists("t/out/out")) << kind;
    EXPECT_EQ(Driver.Stats().FailedRecords, 0u) << kind;
    EXPECT_EQ(Driver.Stats().Records, kind == 2 ? 3u : 2u) << kind;
  }
}

// A copy takes its targets as the listing finds them, unless it writes into
// the folder listed (named by a link here): its copies, made while the
// folder is still being read, would then be listed as targets too.
TEST_F(DriverTest, ACopyIntoTheFolderItListsCopiesEachTargetOnce) {
  TTempTree tree("t/\n@link -> t");
  // More than one read of the folder holds: with a seam armed, the listing
  // hands each entry on as soon as it is read, so copies are made between
  // two reads.
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i)
    ::close(::open(tree.Native("t/f" + std::to_string(i) + ".txt").c_str(), O_CREAT | O_WRONLY, 0644));
  korvane::sys::OnCall("no such call", [] {});
  Job().FindFile.Folder = tree.Path("t");
  Job().Copy.Folder = tree.Path("link");
  Job().Copy.Same = 2;   // a copy of another name,
  Job().Copy.Alias = 0;  // always
  EXPECT_EQ(Run(RunMode::Copy), TRunOutcome::Finished);
  korvane::sys::ClearFaults();
  EXPECT_EQ(Driver.Stats().Records, static_cast<std::size_t>(kFiles));
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  std::size_t files = 0;
  for ([[maybe_unused]] const auto &entry : std::filesystem::directory_iterator(tree.Native("t"))) ++files;
  EXPECT_EQ(files, 2u * kFiles);
}

// A renamed copy into a folder of its own tree renames each source once and
// never its own output again.
TEST_F(DriverTest, ARenamedCopyIntoItsOwnTreeRenamesOnlyTheSources) {
  Tree.Add("t/a.txt\nt/out/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("t/out");
  Job().Rename.Copy = true;
  Job().FindFile.SubFolder = true;
  Job().Rename.FromName[0] = "a";
  Job().Rename.ToName[0] = "aa";
  EnableSteps({kStepReplace});
  Run(RunMode::Rename);
  EXPECT_EQ(Records(), (Strings{FormatLogLine(RunMode::Rename, P("t/a.txt"), true, {}, P("t/out/aa.txt"))}));
  EXPECT_FALSE(Tree.Exists("t/out/aaaa.txt"));
}

// A rename that follows a symbolic link's change acts on the link, not on
// the file it points to.
TEST_F(DriverTest, TheFollowUpChangeOfARenamedLinkActsOnTheLink) {
  Tree.Add("other/victim.txt\nt/");
  ASSERT_EQ(symlink("../other/victim.txt", Tree.Native("t/link.txt").c_str()), 0);
  Tree.SetTime("other/victim.txt", 2001, 1, 1, 0, 0, 0);
  Job().FindFile.Folder = P("t");
  Job().Rename.NameCase = 1;
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2003/05/01";
  Job().Change.UpTime = "12:00:00";
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  ASSERT_EQ(Records().size(), 2u);
  struct stat st {};
  ASSERT_EQ(lstat(Tree.Native("t/LINK.txt").c_str(), &st), 0);
  EXPECT_EQ(FileTimeToDosDateTime(st.st_mtim), 782327808u);
  ASSERT_EQ(stat(Tree.Native("other/victim.txt").c_str(), &st), 0);
  EXPECT_EQ(FileTimeToDosDateTime(st.st_mtim), PackDosDateTime({2001, 1, 1, 0, 0, 0, 0}));
}

// A file time the packed form cannot hold fails only the date step's target;
// a run without that step renames it, and the run goes on in either case.
TEST_F(DriverTest, ATimeOutsideThePackedRangeNeverEndsARun) {
  Tree.Add("a.txt\nb.txt");
  const timespec epoch[2] = {{0, UTIME_OMIT}, {0, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Tree.Native("a.txt").c_str(), epoch, 0), 0);
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_TRUE(Tree.Exists("A.txt"));

  Job().Rename.DateFormat = "yymmdd";
  EnableSteps({kStepDate});
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().Records, 2u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  EXPECT_TRUE(Tree.Exists("A.txt"));
  EXPECT_FALSE(Tree.Exists("B.txt"));
}

// Every replace condition a rename run uses is compiled before the first
// target is touched; a malformed one refuses the job with its message.
TEST_F(DriverTest, AReplaceConditionThatDoesNotCompileRefusesTheRun) {
  Tree.Add("a.txt");
  struct TBad {
    std::size_t Condition;
    const char *From;
    const char *To;
    std::string Message;
  };
  const TBad cases[] = {
      {1, "(", "x", "置換条件2: " + std::string(regex_messages::kNeedRightParen)},
      {2, "a", "x\\", "置換条件3: " + std::string(regex_messages::kCharAfterBackslash)},
      {4, "zzz", "\\xq", "置換条件5: " + std::string(regex_messages::kInvalidHex)}, // no name reaches it
  };
  EnableSteps({kStepReplace});
  for (const TBad &bad : cases) {
    SCOPED_TRACE(bad.Message);
    Job().Rename.FromName = {"a", "", "", "", ""};
    Job().Rename.ToName = {"b", "", "", "", ""};
    Job().Rename.FromName[bad.Condition] = bad.From;
    Job().Rename.ToName[bad.Condition] = bad.To;
    Host.Log.clear();
    EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Refused);
    EXPECT_EQ(Host.Status, bad.Message);
    EXPECT_TRUE(Host.Log.empty());
    EXPECT_TRUE(Host.CursorStates.empty());
    EXPECT_TRUE(Tree.Exists("a.txt"));
  }
  // Unused while the replace step is off.
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("A.txt"));
}

// Once a run has started, no engine error ends it: a condition made
// malformed during the run (the window hands it over at once) fails the
// targets that meet it, and so does a name too long to build.
TEST_F(DriverTest, EngineErrorsDuringARunFailOnlyTheirTargets) {
  Tree.Add("a1.txt\na2.txt\na3.txt");
  EnableSteps({kStepReplace});
  Job().Rename.FromName[0] = "a";
  Job().Rename.ToName[0] = "b";
  Host.OnLogLine = [&](const std::string &line) {
    if (line.rfind("処理: ", 0) == 0) Rename.SetFromName(0, "(");
  };
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Host.Log.back(), "終了");
  EXPECT_EQ(Driver.Stats().Records, 3u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 2u);
  EXPECT_EQ(Tree.Exists("b1.txt") + Tree.Exists("b2.txt") + Tree.Exists("b3.txt"), 1);

  TTempTree tree;
  const std::string longName = std::string(50, 'q') + ".txt";
  tree.Add("c.txt\n" + longName);
  Job().FindFile.Folder = tree.Path();
  Host.OnLogLine = nullptr;
  Job().Rename.FromName = {"q", "c", "", "", ""};
  Job().Rename.ToName = {std::string(100, '&'), "d", "", "", ""}; // 50 q: 5,000 bytes
  EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().Records, 2u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  EXPECT_TRUE(tree.Exists("d.txt"));
  EXPECT_TRUE(tree.Exists(longName));
  const Strings records = Records();
  EXPECT_NE(std::find(records.begin(), records.end(),
                      FormatLogLine(RunMode::Rename, tree.Path(longName), false, {}, tree.Path(longName),
                                    ReasonText(TFailReason::ReplaceFailed))),
            records.end());
}

TEST_F(DriverTest, RenameWithoutCopyIgnoresTheCopyFolder) {
  Tree.Add("a.txt\nc/");
  Job().Copy.Folder = P("c");
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  Run(RunMode::Rename);
  EXPECT_EQ(Records(), (Strings{RenameRecord(true, "a.txt", "A.txt")}));
}

TEST_F(DriverTest, CopyOfFilesOnlyFlattensTheTreeWithTheSameNamePolicy) {
  Tree.Add("t/a.txt\nt/s1/a.txt\nt/s2/b.txt\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().FindFile.SubFolder = true;
  Job().Copy.Same = 2;   // copy under another name
  Job().Copy.Alias = 0;  // always
  EXPECT_EQ(Run(RunMode::Copy), TRunOutcome::Finished);
  for (const char *name : {"c/a.txt", "c/a_1.txt", "c/b.txt"}) EXPECT_TRUE(Tree.Exists(name)) << name;
  EXPECT_FALSE(Tree.Exists("c/s1"));
}

TEST_F(DriverTest, CopyWithADateChangeLogsTheFollowUp) {
  Tree.Add("t/a.txt\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2003/05/01";
  Job().Change.UpTime = "12:00:00";
  Run(RunMode::Copy);
  const Strings records = Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0], FormatLogLine(RunMode::Copy, P("t/a.txt"), true, {}, P("c/a.txt")));
  EXPECT_EQ(records[1].rfind("処理: 日付・属性変更; 結果: 成功; 処理ファイル: " + P("c/a.txt") + ";", 0), 0u);
  EXPECT_NE(records[1].find(" 新更新日時: 782327808;"), std::string::npos);
}

TEST_F(DriverTest, ChangeOfAttributesOnlyLogsZeroTimes) {
  Tree.Add("a");
  Job().Change.Attr = true;
  Job().Change.AttrReadOnly = true;
  Run(RunMode::Change);
  const Strings records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_NE(records[0].find("; 結果: 成功;"), std::string::npos) << records[0];
  EXPECT_NE(records[0].find(" 前更新日時: 0; 前作成日時: 0; 前ｱｸｾｽ日時: 0;"), std::string::npos);
  EXPECT_NE(records[0].find(" 新更新日時: 0; 新作成日時: 0; 新ｱｸｾｽ日時: 0; 新属性: 1;"),
            std::string::npos);
}

TEST_F(DriverTest, AbortAtAnyPumpEndsTheLogWithAborted) {
  Tree.Add("a\nb\nsub/c\nsub/d");
  Job().FindFile.SubFolder = true;
  EnableSteps({kStepSequence});
  Job().Rename.SeqName = false;  // every rename fails; nothing changes on disk
  Run(RunMode::Rename);
  const int pumps = Host.Pumps;
  ASSERT_GT(pumps, 5);
  std::size_t previous = 0;
  for (int at = 1; at <= pumps; ++at) {
    Host.Log.clear();
    Host.Pumps = 0;
    Host.OnPump = [&](int n) {
      if (n == at) Driver.Abort();
    };
    EXPECT_EQ(Run(RunMode::Rename), TRunOutcome::Aborted) << "pump " << at;
    EXPECT_EQ(Host.Log.back(), "中断");
    EXPECT_GE(Records().size(), previous);
    previous = Records().size();
  }
}

TEST_F(DriverTest, ErrorEndingARunRestoresTheRunState) {
  Tree.Add("a\nb");
  Job().Change.Attr = true;
  bool thrown = false;
  Host.OnLogLine = [&](const std::string &line) {
    if (!thrown && line.rfind("処理: ", 0) == 0) {
      thrown = true;
      throw std::runtime_error("disk gone");
    }
  };
  EXPECT_THROW(Run(RunMode::Change), std::runtime_error);
  EXPECT_EQ(Host.Log, (Strings{"開始", "中断"}));
  EXPECT_EQ(Host.CursorStates, (std::vector<bool>{true, false}));
  EXPECT_EQ(Host.RunMessage, "");
  EXPECT_FALSE(Driver.IsRunning());
  EXPECT_EQ(Run(RunMode::Change), TRunOutcome::Finished);
}

TEST_F(DriverTest, NoSecondRunInsideARun) {
  Tree.Add("a");
  std::vector<TRunOutcome> inner;
  Host.OnPump = [&](int) { inner.push_back(Driver.SpeedButtonClick(RunMode::Delete)); };
  EXPECT_EQ(Run(RunMode::List), TRunOutcome::Finished);
  ASSERT_FALSE(inner.empty());
  for (TRunOutcome outcome : inner) EXPECT_EQ(outcome, TRunOutcome::Busy);
  EXPECT_TRUE(Tree.Exists("a"));
}

TEST_F(DriverTest, RefusalStartsNothing) {
  Job().FindFile.Folder = P("none");
  EXPECT_EQ(Run(RunMode::Delete), TRunOutcome::Refused);
  EXPECT_EQ(Host.Pages, (std::vector<TRunPage>{TRunPage::TabSheetTarget}));
  EXPECT_EQ(Host.Status, kMsgNoFolder);
  EXPECT_EQ(Host.Focuses, (std::vector<TRunFocus>{TRunFocus::ComboBoxFolder}));
  EXPECT_TRUE(Host.Log.empty());
  EXPECT_TRUE(Host.CursorStates.empty());
  EXPECT_EQ(Host.Histories, THistories{});
}

TEST_F(DriverTest, HistoriesOfTypedBoxesAndTheCopyFolder) {
  Tree.Add("t/a\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Host.Typed[THistoryBox::Filter] = false;      // picked from the list
  Host.Typed[THistoryBox::CopyFolder] = false;  // a copy run pushes it anyway
  Run(RunMode::Copy);
  EXPECT_EQ(Host.Histories.Folder, (Strings{P("t")}));
  EXPECT_TRUE(Host.Histories.Filter.empty());
  EXPECT_EQ(Host.Histories.Exception, (Strings{""}));
  EXPECT_EQ(Host.Histories.CopyFolder, (Strings{P("c")}));

  Job().Rename.FromName = {"x", "", "y", "", ""};
  Job().Rename.ToName = {"1", "2", "", "", ""};
  EnableSteps({kStepReplace});
  Run(RunMode::Rename);
  EXPECT_EQ(Host.Histories.FromName, (Strings{"y", "x"}));
  EXPECT_EQ(Host.Histories.ToName, (Strings{"2", "1"}));
  EXPECT_EQ(Host.Histories.CopyFolder, (Strings{P("c")}));  // no copy: not pushed
}

TEST_F(DriverTest, ChangesDuringARunApplyToEntriesTestedAfterwards) {
  Tree.Add("a 1\ns/b 1");
  Job().FindFile.SubFolder = true;
  Host.OnPump = [&](int) { Job().FindFile.SizeTo = 0; };
  Run(RunMode::List);
  EXPECT_EQ(Host.List, (Strings{P("a")}));
}

TEST_F(DriverTest, NamesFindingNoCodeLeftAreCounted) {
  Tree.Add("caf\xc3\xa9\nplain");
  TScopedExtensionCodes scoped;
  scoped.FillUntil(0);
  Run(RunMode::List);
  EXPECT_EQ(Host.List, (Strings{P("plain")}));
  EXPECT_EQ(Driver.Stats().Unrepresentable, 1u);
}

TEST(ApplyJobTest, OrderListAndOptionsReachTheOperations) {
  JobSettings job;
  job.FindFile.Folder = "/x/y/";
  job.Rename.OrderItems[0] = "連番";
  job.Rename.OrderChecked[0] = true;
  job.Rename.OrderItems[1] = "???";
  job.Rename.OrderItems[2] = "文字列置換";
  job.Rename.SeqIndex = 7;
  job.Copy.Same = 3;
  job.Delete.Recycled = false;
  job.Change.IfAcDate = true;
  TRenameCn rename;
  TCopyCn copy;
  TDeleteCn del;
  TChangeCn change;
  rename.SetStepOrder(1, 4);
  ApplyJobToOperations(job, rename, copy, del, change);
  EXPECT_EQ(rename.StepOrder[0], kStepSequence);
  EXPECT_EQ(rename.StepOrder[1], 4);  // unknown caption: left as it was
  EXPECT_EQ(rename.StepOrder[2], kStepReplace);
  EXPECT_TRUE(rename.IsStepEnabled(kStepSequence));
  EXPECT_FALSE(rename.IsStepEnabled(kStepReplace));
  EXPECT_EQ(rename.SeqCounter, 7);
  EXPECT_EQ(rename.FolderNameText, "y");
  EXPECT_EQ(copy.Same, 3);
  EXPECT_FALSE(del.Recycled);
  EXPECT_TRUE(change.IfAcDate);
}

// What a folder holds, with the modes and times of its entries, to show
// that nothing there changed.
std::string Snapshot(const std::filesystem::path &root) {
  std::string text;
  for (const auto &entry : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    text += entry.path().string() + " " + std::to_string(st.st_mode) + " " +
            std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "\n";
  }
  return text;
}

// A folder of the tree is replaced by a link to a folder outside it after
// the folder was listed, just before the first call of each operation of
// its own (through the seam).  The run goes on in the folder it listed,
// which is gone: every one of its targets fails, and the folder the link
// leads to is never touched, whatever the run was to do.  A copy acts as it
// lists (each entry examined as it is read, under the seam): the entries
// the swap took away before the listing came to them are no targets.
TEST_F(DriverTest, AFolderSwappedForALinkAfterItsListingFailsItsTargetsAndTouchesNothingOutside) {
  struct TCase {
    const char *Name;
    RunMode Mode;
    const char *Call;  // the operation's first call of its own
    std::function<void(JobSettings &, TTempTree &)> Set;
    std::size_t Targets = 3;
  };
  const TCase cases[] = {
      {"rename", RunMode::Rename, "renameat2", [](JobSettings &, TTempTree &) {}},
      {"renamed copy", RunMode::Rename, "open",
       [](JobSettings &job, TTempTree &tree) {
         job.Rename.Copy = true;
         job.Copy.Folder = tree.Path("dst");
       }},
      {"move", RunMode::Copy, "renameat2",
       [](JobSettings &job, TTempTree &tree) {
         job.Copy.Folder = tree.Path("dst");
         job.Copy.Delete = 0;
       },
       1},
      {"delete", RunMode::Delete, "unlink", [](JobSettings &, TTempTree &) {}},
      {"trash", RunMode::Delete, "moveToTrash",
       [](JobSettings &job, TTempTree &) { job.Delete.Recycled = true; }},
      {"times", RunMode::Change, "open",
       [](JobSettings &job, TTempTree &) {
         job.Change.IfUpDate = true;
         job.Change.UpDate = "2003/05/01";
         job.Change.UpTime = "12:00:00";
       }},
      {"attributes", RunMode::Change, "lstat",
       [](JobSettings &job, TTempTree &) {
         job.Change.Attr = true;
         job.Change.AttrReadOnly = true;
       }},
  };
  for (const TCase &c : cases) {
    TTempTree tree("t/sub/a.txt\nt/sub/b.txt\nt/sub/c.txt\nout/a.txt\nout/b.txt\nout/c.txt\ndst/\ndata/");
    setenv("XDG_DATA_HOME", tree.Native("data").c_str(), 1);
    Host.JobValue = JobSettings{};
    Job().FindFile.Folder = tree.Path("t");
    Job().FindFile.SubFolder = true;
    Job().Delete.Recycled = false;
    Job().Rename.Copy = false;
    Job().Rename.NameCase = 1;
    Job().Rename.ExtCase = 1;
    EnableSteps({kStepCase});
    c.Set(Job(), tree);
    const std::string outside = Snapshot(tree.Native("out"));

    // The folder is opened (the walk's only openat), listed, and then
    // swapped at the first call of the operation.
    korvane::sys::OnCall("openat", [&] {
      korvane::sys::OnCall(c.Call, [&] {
        std::filesystem::remove_all(tree.Native("t/sub"));
        std::filesystem::create_directory_symlink(tree.Native("out"), tree.Native("t/sub"));
      });
    });
    EXPECT_EQ(Run(c.Mode), TRunOutcome::Finished) << c.Name;
    korvane::sys::ClearFaults();
    unsetenv("XDG_DATA_HOME");

    // A renamed copy makes dst/sub for its first target, and says so.
    const std::size_t made = std::string_view(c.Name) == "renamed copy" ? 1 : 0;
    EXPECT_EQ(Driver.Stats().Records, c.Targets + made) << c.Name;
    EXPECT_EQ(Driver.Stats().FailedRecords, c.Targets) << c.Name;
    EXPECT_EQ(Snapshot(tree.Native("out")), outside) << c.Name;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(tree.Native("dst")))
      EXPECT_FALSE(entry.is_regular_file()) << c.Name << ": " << entry.path();
    EXPECT_TRUE(std::filesystem::is_empty(tree.Native("data"))) << c.Name;
  }
}

}  // namespace
