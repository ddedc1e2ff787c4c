// Taking runs back from their logs, on real trees: the tree listing after
// the undo is the listing before the run.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "DriverFixture.h"
#include "TempTree.h"
#include "TreeListing.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "run/ApplyJob.h"
#include "run/LogRecords.h"
#include "run/RunJournal.h"
#include "run/RunDriver.h"
#include "run/RunLog.h"
#include "run/RunUndo.h"

namespace {

using Strings = std::vector<std::string>;

class UndoTest : public TDriverFixture {
public:
  // Undoes the log so far; the undo's lines are appended to it, as in the window.
  TRunOutcome Undo(bool all = false) { return UndoLines(Host.Log, all); }
  TRunOutcome UndoLines(const Strings &lines, bool all = false) {
    Before = Host.Log.size();
    TUndoOptions options;
    options.All = all;
    return Driver.UndoRun(lines, options, Stats);
  }
  // The lines the last undo logged.
  Strings UndoLog() const { return Strings(Host.Log.begin() + static_cast<long>(Before), Host.Log.end()); }

  Strings Listing() { return TreeListing(Tree.Native()); }

  TUndoStats Stats;
  std::size_t Before = 0;
};

TEST_F(UndoTest, RenamedTreeComesBackWhole) {
  Tree.Add("b.txt 1\na.txt 2\nd/x.txt 3\nd/e/y.txt 4\nz/");
  Tree.SetTime("a.txt", 2003, 5, 1, 12, 0, 0);
  Job().FindFile.SubFolder = true;
  Job().FindFile.FileOnly = 2;
  Job().Rename.DateFormat = "yymmdd";
  EnableSteps({kStepSequence, kStepDate});
  const Strings before = Listing();
  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  ASSERT_EQ(Driver.Stats().FailedRecords, 0u);
  ASSERT_NE(Listing(), before);
  const std::size_t records = Driver.Stats().Records;

  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(Stats.Reversed, records);
  EXPECT_EQ(Stats.Failed, 0u);
  const Strings log = UndoLog();
  EXPECT_EQ(log.front(), "開始");
  EXPECT_EQ(log.back(), "終了");
  EXPECT_EQ(log.size(), records + 2);
  for (std::size_t i = 1; i + 1 < log.size(); ++i)
    EXPECT_EQ(log[i].rfind("処理: 元に戻す; 結果: 成功; 処理ファイル: ", 0), 0u) << log[i];
}

TEST_F(UndoTest, UndoneTwiceTheSecondFindsNothingToDo) {
  Tree.Add("a\nb");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  const Strings runLog = Host.Log;
  ASSERT_EQ(UndoLines(runLog), TRunOutcome::Finished);
  const std::size_t lines = Host.Log.size();
  EXPECT_EQ(UndoLines(runLog), TRunOutcome::Finished);
  EXPECT_EQ(Host.Log.size(), lines) << "nothing to do is not logged";
  EXPECT_EQ(Stats.Reversed, 0u);
  EXPECT_EQ(Stats.AlreadyUndone, 2u);
  EXPECT_NE(Stats.Message.find("元に戻す処理はありません"), std::string::npos);
  EXPECT_EQ(Host.Status, Stats.Message);
}

TEST_F(UndoTest, FileRenamedBySomeoneElseFailsAloneAndTheRestGoesOn) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  std::filesystem::rename(Tree.Native("b0002"), Tree.Native("mine"));
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Stats.Reversed, 2u);
  EXPECT_EQ(Stats.Failed, 1u);
  EXPECT_TRUE(Tree.Exists("a") && Tree.Exists("c") && Tree.Exists("mine"));
  EXPECT_FALSE(Tree.Exists("b"));
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  bool reported = false;
  for (const std::string &line : UndoLog())
    reported |= line == FormatUndoLine(P("b0002"), false, P("b"), nullptr, "ログの場所にありません");
  EXPECT_TRUE(reported);
}

TEST_F(UndoTest, OldNameTakenAgainFails) {
  Tree.Add("a");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  Tree.Add("a 5");  // someone made a new "a"
  Undo();
  EXPECT_EQ(Stats.Failed, 1u);
  EXPECT_TRUE(Tree.Exists("a0001"));
}

TEST_F(UndoTest, MovedTreeGoesBackAndItsCopyFolderEmpties) {
  Tree.Add("t/d/x 1\nt/d/e/y 2\nt/z 3\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().Copy.Delete = 2;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  const Strings before = Listing();
  ASSERT_EQ(Run(RunMode::Copy), TRunOutcome::Finished);
  ASSERT_FALSE(Tree.Exists("t/d"));
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(Stats.Failed, 0u);
}

// The copies a run made go to the trash, and the folders it made for them
// go too: a user who lower-cased 13 photos as copies gets 13 files back.
TEST_F(UndoTest, RenamedCopiesGoToTheTrash) {
  TTempTree data;
  setenv("XDG_DATA_HOME", data.Native().c_str(), 1);
  Tree.Add("d/x\nf 3");
  Job().Rename.Copy = true;  // no copy folder: the copies go beside the sources
  Job().FindFile.FileOnly = 2;
  Job().FindFile.SubFolder = true;
  Job().Rename.NameCase = 1;
  EnableSteps({kStepCase});
  const Strings before = Listing();
  Run(RunMode::Rename);
  ASSERT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(Stats.Failed, 0u);
  EXPECT_EQ(Stats.Reversed, 2u);  // D/X and F; the folder D goes once empty
  EXPECT_TRUE(data.Exists("Trash/files/F"));
}

TEST_F(UndoTest, PlainCopiesGoToTheTrashAndOnesChangedSinceStay) {
  TTempTree data;
  setenv("XDG_DATA_HOME", data.Native().c_str(), 1);
  Tree.Add("t/a\nt/b\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Run(RunMode::Copy);
  std::ofstream(Tree.Native("c/b"), std::ios::app) << "changed since";
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  unsetenv("XDG_DATA_HOME");
  EXPECT_FALSE(Tree.Exists("c/a"));
  EXPECT_TRUE(Tree.Exists("c/b"));
  EXPECT_EQ(Stats.Reversed, 1u);
  EXPECT_EQ(Stats.Failed, 1u);
}

// The folders a copy of files alone makes on its way to a kept tree are
// acts of their own: each is journaled before it is made, and the undo
// removes them once the copies in them are gone.  Tables: a copy and a move
// (a rename on one file system), of files alone and of files and folders,
// without and with the destination's tree already partly there.
TEST_F(UndoTest, KeptTreeComesBackWithTheFoldersItsCopiesMade) {
  const struct {
    int Delete;        // 1 copy, 2 move
    int FileOnly;      // 0 files alone (the folders are made on the way), 2 files and folders
    bool PartlyThere;  // c/a exists before the run
  } cases[] = {{1, 0, false}, {2, 0, false}, {1, 0, true}, {2, 0, true}, {1, 2, false}, {2, 2, true}};
  int n = 0;
  for (const auto &c : cases) {
    // A tree of its own for each case: the undo finds its run's journal by
    // the run's first record, which must not be an earlier case's.
    const std::string k = "k" + std::to_string(++n) + "/";
    SCOPED_TRACE(testing::Message() << "Delete=" << c.Delete << " FileOnly=" << c.FileOnly
                                    << " PartlyThere=" << c.PartlyThere);
    TTempTree data;
    setenv("XDG_DATA_HOME", data.Native().c_str(), 1);
    Tree.Add(k + "t/a/b/x 1\n" + k + "t/a/y 22\n" + k + "t/z 333\n" + k + "c/");
    if (c.PartlyThere) Tree.Add(k + "c/a/");
    Job().FindFile.Folder = P(k + "t");
    Job().Copy.Folder = P(k + "c");
    Job().Copy.Delete = c.Delete;
    Job().Copy.KeepTree = true;
    Job().FindFile.FileOnly = c.FileOnly;
    Job().FindFile.SubFolder = true;
    const Strings before = Listing();
    struct stat moved {};
    ASSERT_EQ(stat(Tree.Native(k + "t/a/b/x").c_str(), &moved), 0);
    ASSERT_EQ(Run(RunMode::Copy), TRunOutcome::Finished);
    ASSERT_EQ(Driver.Stats().FailedRecords, 0u);
    ASSERT_TRUE(Tree.Exists(k + "c/a/b/x"));
    if (c.Delete == 2) {
      struct stat there {};
      ASSERT_EQ(stat(Tree.Native(k + "c/a/b/x").c_str(), &there), 0);
      EXPECT_EQ(there.st_ino, moved.st_ino) << "a move on one file system is a rename";
    }
    EXPECT_EQ(Undo(), TRunOutcome::Finished);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Stats.Failed, 0u);
    EXPECT_EQ(Listing(), before);
  }
}

// A link to a folder is copied, or moved, as the link; the undo takes the
// link back and leaves the folder it points to alone.
TEST_F(UndoTest, FolderLinkCopiedOrMovedComesBackAsTheLink) {
  for (const int del : {1, 2}) {
    SCOPED_TRACE(testing::Message() << "Delete=" << del);
    TTempTree data;
    setenv("XDG_DATA_HOME", data.Native().c_str(), 1);
    std::filesystem::remove_all(Tree.Native("t"));
    std::filesystem::remove_all(Tree.Native("c"));
    Tree.Add("t/\nc/\nreal/f 1");
    std::filesystem::create_directory_symlink("../real", Tree.Native("t/ln"));
    Job().FindFile.Folder = P("t");
    Job().Copy.Folder = P("c");
    Job().Copy.Delete = del;
    Job().FindFile.FileOnly = 2;  // files and folders
    const Strings before = Listing();
    ASSERT_EQ(Run(RunMode::Copy), TRunOutcome::Finished);
    ASSERT_EQ(Driver.Stats().FailedRecords, 0u);
    ASSERT_TRUE(std::filesystem::is_symlink(Tree.Native("c/ln")));
    EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(Tree.Native("t/ln"))), del == 1);
    EXPECT_EQ(Undo(), TRunOutcome::Finished);
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(Stats.Failed, 0u);
    EXPECT_EQ(Listing(), before);
    EXPECT_TRUE(Tree.Exists("real/f"));
  }
}

// A move tries its name as free first.  A run killed after such a move
// was begun onto a name that proved taken leaves an act without an outcome
// and both files, the one at the name there before the run.  On one file
// system a move is a rename, so both names there mean it was never made:
// the undo takes nothing away, even when the two files look alike.
TEST_F(UndoTest, AMoveCutShortOntoATakenNameTakesNothingAway) {
  Tree.Add("t/a 5\nc/a 5");
  Tree.SetTime("t/a", 2003, 5, 1, 12, 0, 0);
  Tree.SetTime("c/a", 2003, 5, 1, 12, 0, 0);
  const std::string logPath = P("run.log");
  {
    TJournalWriter journal;
    ASSERT_TRUE(journal.Open("copy", {P("t"), P("c")}));
    ASSERT_TRUE(journal.NoteLog(logPath));
    std::size_t number = 0;
    ASSERT_TRUE(journal.Begin(TActKind::Move, P("t/a"), P("c/a"), IdentityOf(P("t/a")), false, false, number));
  }  // killed before the act's outcome and record
  const Strings before = Listing();
  TUndoOptions options;
  options.LogPath = logPath;
  EXPECT_EQ(Driver.UndoRun({"開始"}, options, Stats), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
  EXPECT_EQ(Stats.Reversed, 0u);
}

TEST_F(UndoTest, ChangeGetsItsOldTimesAndAttributesBack) {
  Tree.Add("a 1\nb 2");
  Tree.SetTime("a", 2001, 2, 3, 4, 5, 6);
  Tree.SetTime("b", 2002, 2, 3, 4, 5, 6);
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2010/10/10";
  Job().Change.UpTime = "10:10:10";
  Job().Change.Attr = true;
  Job().Change.AttrReadOnly = true;
  const Strings before = Listing();
  ASSERT_EQ(Run(RunMode::Change), TRunOutcome::Finished);
  ASSERT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Stats.Failed, 0u);
  EXPECT_EQ(Listing(), before);  // mtime and mode back
}

TEST_F(UndoTest, ChangeWhoseTimeWasChangedSinceFails) {
  Tree.Add("a 1");
  Tree.SetTime("a", 2001, 2, 3, 4, 5, 6);
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2010/10/10";
  Job().Change.UpTime = "10:10:10";
  Run(RunMode::Change);
  Tree.SetTime("a", 2020, 1, 1, 0, 0, 0);
  Undo();
  EXPECT_EQ(Stats.Failed, 1u);
  EXPECT_NE(Host.Log[Before + 1].find("日時か属性がログの後に変更されています"), std::string::npos);
}

TEST_F(UndoTest, SwapStoppedHalfWayComesBackFromItsTemporaryName) {
  Tree.Add("a 1\nb 2");
  Swap();
  Job().Rename.ResolveChains = true;
  const Strings before = Listing();
  // Esc right after the first move, to the temporary name.
  Host.OnLogLine = [&](const std::string &line) {
    if (line.rfind("処理: ", 0) == 0) Driver.Abort();
  };
  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Aborted);
  Host.OnLogLine = nullptr;
  ASSERT_TRUE(Tree.Exists("a.korvane-swap"));
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);

  // And the whole swap, taken back.
  Run(RunMode::Rename);
  ASSERT_NE(Listing(), before);
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
}

TEST_F(UndoTest, AnUndoIsUndoneLikeARun) {
  Tree.Add("a\nb");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  const Strings afterRun = Listing();
  Undo();
  ASSERT_NE(Listing(), afterRun);
  // The last run of the log is now the undo itself.
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), afterRun);
  EXPECT_EQ(Stats.Failed, 0u);
}

TEST_F(UndoTest, AllRunsNewestFirst) {
  Tree.Add("a");
  EnableSteps({kStepSequence});
  const Strings before = Listing();
  Run(RunMode::Rename);  // a -> a0001
  Run(RunMode::Rename);  // a0001 -> a00010001
  ASSERT_TRUE(Tree.Exists("a00010001"));
  EXPECT_EQ(Undo(/*all=*/true), TRunOutcome::Finished);
  EXPECT_EQ(Stats.Runs, 2u);
  EXPECT_EQ(Listing(), before);
}

// A log written by hand names no act any run journaled: each of its
// records is refused with its reason, and nothing is touched.
TEST_F(UndoTest, AHandWrittenLogIsRefusedAndTouchesNothing) {
  Tree.Add("a0001");
  const Strings lines = {"開始", "garbage", "処理: リネーム; 結果: 成功; 処理ファイル: x; リネーム先ファイル: y;",
                         FormatLogLine(RunMode::Rename, P("a"), true, {}, P("a0001")), "終了"};
  const Strings before = Listing();
  EXPECT_EQ(UndoLines(lines), TRunOutcome::Finished);
  EXPECT_EQ(Stats.Unreadable, 1u);
  EXPECT_EQ(Stats.Reversed, 0u);
  EXPECT_EQ(Stats.Failed, 2u);
  EXPECT_EQ(Listing(), before);
  for (const std::string &line : UndoLog())
    if (line.starts_with("処理: ")) {
      EXPECT_NE(line.find("理由: 元に戻すための記録"), std::string::npos) << line;
    }
}

// One line of a real run edited by hand: that record is refused, the rest
// of the run comes back.
TEST_F(UndoTest, AnEditedRecordIsRefusedAndTheRestComesBack) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  Strings lines = Host.Log;
  for (std::string &line : lines)
    if (line.find("b0002") != std::string::npos) line = FormatLogLine(RunMode::Rename, P("c0003"), true, {}, P("b0002"));
  EXPECT_EQ(UndoLines(lines), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("a") && Tree.Exists("c") && Tree.Exists("b0002"));
  EXPECT_EQ(Stats.Reversed, 2u);
  EXPECT_EQ(Stats.Failed, 1u);
}

TEST_F(UndoTest, LogWithCarriageReturnsOnly) {
  Tree.Add("a");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  ASSERT_TRUE(Tree.Exists("a0001"));
  std::string log;
  for (const std::string &line : Host.Log) log += line + "\r";
  std::ofstream(Tree.Native("run.log"), std::ios::binary) << log;
  EXPECT_EQ(UndoLines(LoadLogFile(P("run.log"))), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("a"));
}

TEST_F(UndoTest, WindowsLogIsRefusedWithItsReason) {
  Tree.Add("a");
  const Strings lines = {"開始", "処理: リネーム; 結果: 成功; 処理ファイル: C:\\a\\x.txt; リネーム先ファイル: C:\\a\\y.txt;",
                         "終了"};
  EXPECT_EQ(UndoLines(lines), TRunOutcome::Refused);
  EXPECT_EQ(Host.Status, kMsgWindowsLog);
  EXPECT_EQ(Host.Log.size(), Before);
}

// Journals of a folder shared with other processes: the runs of this one
// outlive theirs, whatever their names, and only old journals are removed.
class JournalFolderTest : public UndoTest {
public:
  JournalFolderTest() {
    if (const char *old = std::getenv("XDG_STATE_HOME")) Saved = old;
    char name[] = "/tmp/korvane-state-XXXXXX";
    State = ::mkdtemp(name);
    setenv("XDG_STATE_HOME", State.c_str(), 1);
    std::filesystem::create_directories(Folder());
  }
  ~JournalFolderTest() override {
    if (Saved) setenv("XDG_STATE_HOME", Saved->c_str(), 1);
    else unsetenv("XDG_STATE_HOME");
    std::error_code ignored;
    std::filesystem::remove_all(State, ignored);
  }
  std::filesystem::path Folder() { return State / "korvane" / "journals"; }
  // Journals of other processes, all named as if made later than ours.
  void Others(int count, std::time_t written) {
    for (int i = 0; i < count; ++i) {
      const std::filesystem::path file = Folder() / ("99991231-235959-" + std::to_string(i) + "-0.journal");
      std::ofstream(file) << "korvane-journal\t1\nmode\trename\n";
      const timespec times[2] = {{written, 0}, {written, 0}};
      ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    }
  }
  std::size_t Journals() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(Folder()),
                                                  std::filesystem::directory_iterator()));
  }
  std::optional<std::string> Saved;
  std::filesystem::path State;
};

// Paths go into the journal's lines escaped where they would break a line
// (blanks, '%', control bytes, a leading '-') and come back byte for byte,
// names without a Shift-JIS form included.
TEST_F(JournalFolderTest, AwkwardPathsComeBackFromTheJournalExactly) {
  const std::string cafe = Utf8ToCp932("/t/caf\xC3\xA9 %20.txt").value();
  const std::string paths[] = {"/t/a b.txt", "/t/100%", "-", "-lead", "/t/tab\there", "/t/\x7F", "/t/表",
                               cafe, "/t/plain.txt"};
  {
    TJournalWriter journal;
    ASSERT_TRUE(journal.Open("rename", {"/t"}));
    for (const std::string &path : paths) {
      std::size_t number = 0;
      ASSERT_TRUE(journal.Begin(TActKind::Rename, path, path + "x", std::nullopt, false, false, number));
      journal.End(number, true, std::nullopt);
    }
    ASSERT_TRUE(journal.Close(false));
  }
  std::vector<std::filesystem::path> files;
  for (const auto &entry : std::filesystem::directory_iterator(Folder())) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  const std::optional<TJournal> read = ReadJournal(files.front().string());
  ASSERT_TRUE(read);
  ASSERT_EQ(read->Acts.size(), std::size(paths));
  for (std::size_t i = 0; i < std::size(paths); ++i) {
    EXPECT_EQ(read->Acts[i].From, paths[i]) << i;
    EXPECT_EQ(read->Acts[i].To, paths[i] + "x") << i;
  }
}

TEST_F(JournalFolderTest, ARunsJournalOutlivesThoseOfOtherProcesses) {
  Others(300, std::time(nullptr));
  Tree.Add("a");
  EnableSteps({kStepSequence});
  const Strings before = Listing();
  Run(RunMode::Rename);
  Run(RunMode::Rename);
  EXPECT_EQ(Undo(/*all=*/true), TRunOutcome::Finished);
  EXPECT_EQ(Stats.Failed, 0u);
  EXPECT_EQ(Listing(), before);
}

// A run killed right after its first record reached the log: its journal
// has the act but not yet the record's hash, which goes out with the next
// act's write.  The undo still finds that journal and takes the act back.
// Each run acts once and is made whole, then its log and journal are cut
// back to what they held at that moment.
TEST_F(JournalFolderTest, ARunKilledRightAfterItsFirstRecordIsTakenBack) {
  const struct {
    const char *Name;
    const char *Files;
    std::function<RunMode(const std::string &folder)> Job;
  } cases[] = {
      {"rename", "a 1",
       [this](const std::string &folder) {
         Job().FindFile.Folder = P(folder);
         Job().Rename.FromName[0] = "^a$";
         Job().Rename.ToName[0] = "b";
         EnableSteps({kStepReplace});
         return RunMode::Rename;
       }},
      {"move", "t/a 1\nc/",
       [this](const std::string &folder) {
         Job().FindFile.Folder = P(folder + "/t");
         Job().Copy.Folder = P(folder + "/c");
         Job().Copy.Delete = 2;
         return RunMode::Copy;
       }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string folder = c.Name;
    std::string files;
    for (std::string_view rest = c.Files; !rest.empty();) {
      const std::size_t end = std::min(rest.find('\n'), rest.size());
      files += folder + "/" + std::string(rest.substr(0, end)) + "\n";
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    Tree.Add(files);
    const Strings before = Listing();
    Host.Log.clear();
    ASSERT_EQ(Run(c.Job(folder)), TRunOutcome::Finished);
    ASSERT_EQ(Driver.Stats().FailedRecords, 0u);

    // The log up to its first record.
    Strings log;
    for (const std::string &line : Host.Log) {
      log.push_back(line);
      if (line.rfind("処理: ", 0) == 0) break;
    }
    // The journal up to the write that would have carried that record.
    ASSERT_EQ(Journals(), 1u);
    const std::filesystem::path journal = std::filesystem::directory_iterator(Folder())->path();
    Strings lines;
    {
      std::ifstream in(journal);
      for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    std::ofstream out(journal, std::ios::trunc);
    std::string kept;
    for (const std::string &line : lines) {
      if (line.rfind("record\t", 0) == 0) break;
      if (line.rfind("done\t", 0) == 0) {
        kept += line + "\n";  // written with the next act, if there is one
        continue;
      }
      if (line.rfind("act\t", 0) == 0) {
        out << kept;
        kept.clear();
      }
      out << line << "\n";
    }
    out.close();

    EXPECT_EQ(UndoLines(log), TRunOutcome::Finished);
    EXPECT_EQ(Stats.Failed, 0u);
    EXPECT_EQ(Listing(), before);
    // The undo's own journal too: the next case finds its run's alone.
    for (const auto &entry : std::filesystem::directory_iterator(Folder())) std::filesystem::remove(entry.path());
  }
}

TEST_F(JournalFolderTest, OnlyOldJournalsBeyondTheKeptNumberAreRemoved) {
  Others(360, std::time(nullptr) - 2 * 24 * 60 * 60);
  Tree.Add("a");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  EXPECT_EQ(Journals(), 300u);
  EXPECT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("a"));
}

// Old journals are removed in batches: a few beyond the kept number wait for
// more, so that a start seldom has to read the status of every journal.
TEST_F(JournalFolderTest, AFewOldJournalsBeyondTheKeptNumberWaitForMore) {
  Others(305, std::time(nullptr) - 2 * 24 * 60 * 60);
  Tree.Add("a");
  EnableSteps({kStepSequence});
  Run(RunMode::Rename);
  EXPECT_EQ(Journals(), 306u);
  Others(349, std::time(nullptr) - 2 * 24 * 60 * 60);
  Run(RunMode::Rename);
  EXPECT_EQ(Journals(), 300u);
  EXPECT_EQ(Undo(/*all=*/true), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("a"));
}

TEST_F(UndoTest, LogWithoutARunIsRefused) {
  EXPECT_EQ(UndoLines({"garbage"}), TRunOutcome::Refused);
  EXPECT_EQ(Host.Status, kMsgNoRunInLog);
}

}  // namespace
