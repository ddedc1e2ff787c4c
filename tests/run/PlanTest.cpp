// The plan of a run against the run itself on the same trees: the plan's
// records, read as the run writes them, are the run's log line for line,
// and the failures the run meets are the ones the plan predicted, each for
// its reason.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>

#include "DriverFixture.h"
#include "TempTree.h"
#include "TreeListing.h"
#include "ops/UnitFileCn.h"
#include "run/ApplyJob.h"
#include "run/ListedTargets.h"
#include "run/RunDriver.h"
#include "run/RenameChains.h"
#include "run/RunPlan.h"

namespace {

using Strings = std::vector<std::string>;
using Reasons = std::vector<TFailReason>;

class TPlanCollector : public TPlanSink {
public:
  void AddPlanMarker(std::string_view marker) override {
    Lines.emplace_back(marker);
    RunLines.emplace_back(marker);
  }
  void AddPlanRecord(const TPlanRecord &record) override {
    Records.push_back(record);
    Lines.push_back(PlanLineOf(record));
    RunLines.push_back(RunLineOf(record));
  }
  std::vector<TPlanRecord> Records;
  Strings Lines;     // as a dry run prints them
  Strings RunLines;  // as the run would write them
};

class PlanTest : public TDriverFixture {
public:
  TRunOutcome Plan(RunMode mode) {
    ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
    return Driver.PlanRun(mode, Collector);
  }

  // Plans, checks that the plan changed nothing, runs, and compares.
  void PlanAndRun(RunMode mode) {
    const Strings before = TreeListing(Tree.Native());
    ASSERT_EQ(Plan(mode), TRunOutcome::Finished);
    EXPECT_EQ(TreeListing(Tree.Native()), before) << "the plan touched the disk";
    EXPECT_TRUE(Host.Log.empty()) << "the plan wrote into the log";
    PlannedFailures = Driver.Stats().FailedRecords;
    ASSERT_EQ(Run(mode), TRunOutcome::Finished);
    EXPECT_EQ(Collector.RunLines, Host.Log);
  }

  // Sorted: the walk takes a folder's entries in the file system's order.
  Reasons FailureReasons() const {
    Reasons reasons;
    for (const TPlanRecord &record : Collector.Records)
      if (!record.Ok) reasons.push_back(record.Failure.Reason);
    std::sort(reasons.begin(), reasons.end());
    return reasons;
  }


  void SetReadOnly(std::string_view relative) {
    chmod(Tree.Native(relative).c_str(), 0444);
  }

  TPlanCollector Collector;
  std::size_t PlannedFailures = 0;
};

struct TPlanCase {
  const char *Name;
  const char *Tree;
  RunMode Mode;
  std::function<void(PlanTest &)> Setup;
  Reasons Expected;  // the reasons of the predicted failures, in any order
};

class PlanCases : public PlanTest, public ::testing::WithParamInterface<TPlanCase> {};

TEST_P(PlanCases, PlanLinesAreTheRunLines) {
  const TPlanCase &c = GetParam();
  Tree.Add(c.Tree);
  c.Setup(*this);
  PlanAndRun(c.Mode);
  Reasons expected = c.Expected;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FailureReasons(), expected);
  EXPECT_EQ(PlannedFailures, Driver.Stats().FailedRecords);
}

// The same targets listed once and planned from the kept listing, as the
// window's live list plans them after every edit: the plan, line for line.
TEST_P(PlanCases, PlanOfTheListedTargetsIsThePlan) {
  const TPlanCase &c = GetParam();
  Tree.Add(c.Tree);
  c.Setup(*this);
  ASSERT_EQ(Plan(c.Mode), TRunOutcome::Finished);
  TListedTargets listed;
  ASSERT_EQ(Driver.ListTargets(c.Mode, listed), TRunOutcome::Finished);
  TPlanCollector again;
  ASSERT_EQ(Driver.PlanListed(c.Mode, listed, again, [] { return false; }), TRunOutcome::Finished);
  EXPECT_EQ(again.Lines, Collector.Lines);
  EXPECT_TRUE(Host.Log.empty());
}

using R = TFailReason;

const TPlanCase kPlanCases[] = {
    {"NumberingAndDatesPerFolder", "b.txt\na.txt\ns/c.txt\ns/d.txt\nt/e.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Tree.SetTime("a.txt", 2003, 5, 1, 12, 0, 0);
       t.Tree.SetTime("s/d.txt", 1999, 12, 31, 23, 59, 58);
       t.Job().FindFile.SubFolder = true;
       t.Job().Rename.DateFormat = "yymmdd";
       t.Job().Rename.DateBefore = "_";
       t.EnableSteps({kStepSequence, kStepDate});
     },
     {}},
    {"NewNameOnDisk", "a.txt\na0001.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().FindFile.Filter = "a.txt";
       t.EnableSteps({kStepSequence});
     },
     {R::NameExists}},
    {"TwoTargetsOneName", "a.txt\nb.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().Rename.FromName[0] = "[ab]";
       t.Job().Rename.ToName[0] = "x";
       t.EnableSteps({kStepReplace});
     },
     {R::TakenByPlan}},
    {"NameFreedByAnEarlierTarget", "a.txt\nb.txt", RunMode::Rename,
     [](PlanTest &t) {
       // a.txt -> c.txt, then b.txt -> a.txt: free by then.  The numbering
       // puts them in name order and adds nothing to the names.
       t.Job().Rename.FromName[0] = "^a";
       t.Job().Rename.ToName[0] = "c";
       t.Job().Rename.FromName[1] = "^b";
       t.Job().Rename.ToName[1] = "a";
       t.Job().Rename.SeqName = false;
       t.EnableSteps({kStepSequence, kStepReplace});
     },
     {}},
    {"UnchangedAndInvalid", "a.txt\nb.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().Rename.FromName[0] = "b";
       t.Job().Rename.ToName[0] = "x/y";
       t.EnableSteps({kStepReplace});
     },
     {R::Unchanged, R::InvalidName}},
    {"TimeOutsideTheDateRange", "old.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Tree.SetTime("old.txt", 1975, 1, 1, 0, 0, 0);
       t.Job().Rename.DateFormat = "yymmdd";
       t.EnableSteps({kStepDate});
     },
     {R::TimeUnconvertible}},
    {"RenamedFolderIsWalkedUnderItsNewName", "d/x.txt\nd/e/y.txt\nz.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
       t.Job().Rename.FolderBefore = "-";
       t.EnableSteps({kStepFolder});
     },
     {}},
    {"RenamedCopiesIntoTheCopyFolder", "t/a.txt\nt/d/b.txt\nc/a_x.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().Rename.Copy = true;
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
       t.Job().Rename.Ext = "_x.txt";
       t.EnableSteps({kStepExtension});
     },
     {R::NameExists}},
    {"CopyKeepsOverwritesAndAliases", "t/a.txt 3\nt/b.txt 3\nt/c.txt 3\nc/a.txt 5\nc/b.txt 5\nc/b_1.txt\nc/c.txt",
     RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().Copy.Same = 4;       // alias, else overwrite
       t.Job().Copy.Alias = 3;      // when the size differs
       t.Job().Copy.OverWrite = 5;  // when not larger
       t.SetReadOnly("c/c.txt");
     },
     // a: size differs -> alias a_1; b: alias b_2; c: sizes 3 vs 0 -> alias c_1
     {}},
    {"CopyThatKeepsTheExistingFile", "t/a.txt\nt/b.txt\nc/a.txt\nc/b.txt 7", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().Copy.Same = 1;       // overwrite
       t.Job().Copy.OverWrite = 4;  // when larger or equal
       t.SetReadOnly("c/a.txt");
     },
     {R::ReadOnlyExisting, R::KeepsExisting}},
    {"FlattenedCopyMeetsItsOwnEarlierCopy", "t/s/a.txt\nt/u/a.txt\nc/", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.SubFolder = true;
     },
     {R::OwnOutput}},
    // Cameras number each folder from IMG_0001: a move that overwrites
    // always must not overwrite what it moved a moment ago.
    {"CameraFoldersMovedUnderOverwriteAlways",
     "t/100CANON/IMG_0001.JPG 10\nt/100CANON/IMG_0002.JPG 20\nt/101CANON/IMG_0001.JPG 30\n"
     "t/101CANON/IMG_0002.JPG 40\nc/",
     RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.SubFolder = true;
       t.Job().Copy.Same = 1;
       t.Job().Copy.OverWrite = 0;
       t.Job().Copy.Delete = 2;
     },
     {R::OwnOutput, R::OwnOutput}},
    // With the tree kept, each camera folder arrives as a folder of its own.
    {"CameraFoldersKeepTheirTree",
     "t/DCIM/100CANON/IMG_0001.JPG 10\nt/DCIM/101CANON/IMG_0001.JPG 30\nt/MISC/\nc/", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.SubFolder = true;
       t.Job().Copy.KeepTree = true;
       t.Job().Copy.Delete = 2;
     },
     {}},
    // Where the policy gives another name, the later file takes it.
    {"OwnOutputTakesTheAlias", "t/a/x.txt 10\nt/b/x.txt 20\nt/c/x.txt 30\nc/", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.SubFolder = true;
       t.Job().Copy.Same = 3;
       t.Job().Copy.OverWrite = 0;
       t.Job().Copy.Alias = 3;
     },
     {}},
    // A renamed copy into a tree makes its folders as it goes, each
    // recorded before the first file that needs it.
    {"RenamedCopyMakesItsFolders", "t/a/b/x.txt\nt/a/y.txt\nt/z.txt\nc/", RunMode::Rename,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.SubFolder = true;
       t.Job().Rename.Copy = true;
       t.EnableSteps({kStepSequence});
     },
     {}},
    // A link to a folder is copied, and moved, as the link.
    {"LinkToAFolderIsMovedAsALink", "t/d/x.txt\n@t/link -> d\nc/", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
       t.Job().Copy.Delete = 0;
     },
     {}},
    {"MoveOfATree", "t/d/x.txt\nt/d/y.txt\nt/z.txt\nc/", RunMode::Copy,
     [](PlanTest &t) {
       t.Job().FindFile.Folder = t.P("t");
       t.Job().Copy.Folder = t.P("c");
       t.Job().Copy.Delete = 2;
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
     },
     {}},
    {"DeleteWithoutTheTrash", "a.txt\nro.txt\nd/x.txt", RunMode::Delete,
     [](PlanTest &t) {
       t.SetReadOnly("ro.txt");
       t.Job().FindFile.ExcReadOnly = false;
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
     },
     {R::ReadOnly}},
    // A folder deleted for good is recorded when it goes, after what it
    // holds; one that keeps a file it held stays, and its record says so.
    {"DeleteOfAFolderThatKeepsAFile", "d/x.txt\nd/keep.log\ne/y.txt", RunMode::Delete,
     [](PlanTest &t) {
       t.Job().FindFile.Filter = "*.txt;d;e";
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
     },
     {R::System}},
    {"TimeChangeOfReadOnlyFilesAndFolders", "a.txt\nro.txt\nd/", RunMode::Change,
     [](PlanTest &t) {
       t.SetReadOnly("ro.txt");
       t.Job().FindFile.ExcReadOnly = false;
       t.Job().FindFile.FileOnly = 2;
       t.Job().Change.IfUpDate = true;
       t.Job().Change.UpDate = "2003/05/01";
       t.Job().Change.UpTime = "12:00:00";
     },
     {R::Folder, R::ReadOnly}},
    {"AttributesOnly", "a.txt\n.dot", RunMode::Change,
     [](PlanTest &t) {
       t.Job().FindFile.ExcHidden = false;
       t.Job().Change.Attr = true;
       t.Job().Change.AttrArchive = true;
     },
     {R::DotNameHidden}},
    {"RenameFollowedByADateChange", "a.txt\nb.txt", RunMode::Rename,
     [](PlanTest &t) {
       t.EnableSteps({kStepSequence});
       t.Job().Change.IfUpDate = true;
       t.Job().Change.UpDate = "2010/10/10";
       t.Job().Change.UpTime = "10:10:10";
     },
     {}},
    {"SwapWithoutChainsFails", "a\nb", RunMode::Rename,
     [](PlanTest &t) { t.Swap(); },
     {R::NameExists, R::NameExists}},
    {"SwapThroughATemporaryName", "a\nb", RunMode::Rename,
     [](PlanTest &t) {
       t.Swap();
       t.Job().Rename.ResolveChains = true;
     },
     {}},
    {"ChainWaitsForTheNameItTakes", "f1\nf2\nf3", RunMode::Rename,
     [](PlanTest &t) {
       // f1 -> f2 -> f3 -> f4: each takes the name the next one leaves.
       t.Job().Rename.FromName[0] = "f3";
       t.Job().Rename.ToName[0] = "f4";
       t.Job().Rename.FromName[1] = "f2";
       t.Job().Rename.ToName[1] = "f3";
       t.Job().Rename.FromName[2] = "f1";
       t.Job().Rename.ToName[2] = "f2";
       t.EnableSteps({kStepReplace});
       t.Job().Rename.ResolveChains = true;
     },
     {}},
    {"FolderSwapWalksEachUnderItsNewName", "a/x\nb/y\nb/z", RunMode::Rename,
     [](PlanTest &t) {
       t.Swap();
       t.Job().FindFile.FileOnly = 2;
       t.Job().FindFile.SubFolder = true;
       t.Job().Rename.ResolveChains = true;
     },
     {R::Unchanged, R::Unchanged, R::Unchanged}},
};

INSTANTIATE_TEST_SUITE_P(Trees, PlanCases, ::testing::ValuesIn(kPlanCases),
                         [](const auto &info) { return std::string(info.param.Name); });

TEST_F(PlanTest, PlanOfListedTargetsEndsWhereItHasEnoughAndListsNothingAgain) {
  Tree.Add("c.txt\na.txt\nb.txt\nd/e.txt");
  Job().FindFile.SubFolder = true;
  EnableSteps({kStepSequence});
  ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
  TListedTargets listed;
  ASSERT_EQ(Driver.ListTargets(RunMode::Rename, listed), TRunOutcome::Finished);
  EXPECT_EQ(listed.Count, 4u);
  // A file made since the listing is not among its targets.
  Tree.Add("0.txt");
  const auto enough = [this] { return Collector.Records.size() >= 2; };
  ASSERT_EQ(Driver.PlanListed(RunMode::Rename, listed, Collector, enough), TRunOutcome::Finished);
  ASSERT_EQ(Collector.Records.size(), 2u);
  EXPECT_EQ(Collector.Records[0].Destination, P("a0001.txt"));
  EXPECT_EQ(Collector.Records[1].Destination, P("b0002.txt"));
  // The plan's markers close it as any plan.
  EXPECT_EQ(Collector.Lines.back(), std::string(kLogFinished));
}

TEST_F(PlanTest, ListingEndedEarlyKeepsTheFoldersItListedWhole) {
  Tree.Add("a.txt\nb.txt\nd/c.txt\ne/f.txt");
  Job().FindFile.SubFolder = true;
  EnableSteps({kStepSequence});
  ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
  TListedTargets listed;
  std::vector<std::size_t> asked;
  const auto enough = [&asked](std::size_t count) {
    asked.push_back(count);
    return true;
  };
  ASSERT_EQ(Driver.ListTargets(RunMode::Rename, listed, enough), TRunOutcome::Finished);
  EXPECT_FALSE(listed.Complete);
  EXPECT_EQ(listed.Count, 2u);
  ASSERT_NE(listed.Top, nullptr);
  EXPECT_EQ(listed.Top->Entries.size(), 2u);
  EXPECT_TRUE(listed.Top->Below.empty());
  // Never asked while the folder was listed and not yet kept.
  EXPECT_EQ(asked, std::vector<std::size_t>{2});

  ASSERT_EQ(Driver.ListTargets(RunMode::Rename, listed), TRunOutcome::Finished);
  EXPECT_TRUE(listed.Complete);
  EXPECT_EQ(listed.Count, 4u);
}

TEST_F(PlanTest, DryRunLinesSayPlannedAndGiveTheReason) {
  Tree.Add("a.txt\na0001.txt\nb.txt");
  Job().FindFile.Filter = "a.txt;b.txt";
  EnableSteps({kStepSequence});
  ASSERT_EQ(Plan(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Collector.Lines,
            (Strings{"開始",
                     "処理: リネーム; 結果: 失敗; 処理ファイル: " + P("a.txt") +
                         "; リネーム先ファイル: " + P("a0001.txt") + "; 理由: 同じ名前が既にあります;",
                     "処理: リネーム; 結果: 予定; 処理ファイル: " + P("b.txt") +
                         "; リネーム先ファイル: " + P("b0002.txt") + ";",
                     "終了"}));
  EXPECT_EQ(Driver.Stats().Records, 2u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
}

TEST_F(PlanTest, PlanLeavesThePreviewStateAsItWas) {
  Tree.Add("a.txt\nb.txt");
  EnableSteps({kStepSequence});
  ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
  Rename.SeqCounter = 42;
  Rename.FolderNameText = "preview";
  ASSERT_EQ(Driver.PlanRun(RunMode::Rename, Collector), TRunOutcome::Finished);
  EXPECT_EQ(Rename.SeqCounter, 42);
  EXPECT_EQ(Rename.FolderNameText, "preview");
  EXPECT_TRUE(Host.Histories.Folder.empty());
}

TEST_F(PlanTest, RefusedJobPlansNothing) {
  Job().FindFile.Folder = P("missing");
  EXPECT_EQ(Plan(RunMode::Rename), TRunOutcome::Refused);
  EXPECT_TRUE(Collector.Lines.empty());
  EXPECT_FALSE(Host.Status.empty());
}

TEST_F(PlanTest, EscStopsThePlanWithTheAbortedLine) {
  Tree.Add("a\nb\nc\nd");
  EnableSteps({kStepSequence});
  Host.OnPump = [&](int pump) {
    if (pump == 6) Driver.Abort();
  };
  EXPECT_EQ(Plan(RunMode::Rename), TRunOutcome::Aborted);
  EXPECT_EQ(Collector.Lines.back(), "中断");
}

TEST_F(PlanTest, MalformedPatternRefusesThePlanAsItRefusesTheRun) {
  Tree.Add("a");
  Job().Rename.FromName[0] = "(";
  EnableSteps({kStepReplace});
  EXPECT_EQ(Plan(RunMode::Rename), TRunOutcome::Refused);
  EXPECT_TRUE(Collector.Lines.empty());
  EXPECT_FALSE(Host.Status.empty());
  EXPECT_FALSE(Driver.IsRunning());
}

}  // namespace

namespace {

TEST_F(PlanTest, ResolvedSwapExchangesTheContentsAndLogsEachMove) {
  Tree.Add("a 1\nb 2");
  Swap();
  Job().Rename.ResolveChains = true;
  PlanAndRun(RunMode::Rename);
  EXPECT_EQ(std::filesystem::file_size(Tree.Native("a")), 2u);
  EXPECT_EQ(std::filesystem::file_size(Tree.Native("b")), 1u);
  EXPECT_EQ(Host.Log, (Strings{"開始",
                               FormatLogLine(RunMode::Rename, P("a"), true, {}, P("a.korvane-swap")),
                               FormatLogLine(RunMode::Rename, P("b"), true, {}, P("a")),
                               FormatLogLine(RunMode::Rename, P("a.korvane-swap"), true, {}, P("b")),
                               "終了"}));
}

TEST_F(PlanTest, TemporaryNameAvoidsNamesInUse) {
  Tree.Add("a\nb\na.korvane-swap");
  Job().FindFile.Filter = "a;b";
  Swap();
  Job().Rename.ResolveChains = true;
  PlanAndRun(RunMode::Rename);
  EXPECT_EQ(Host.Log[1], FormatLogLine(RunMode::Rename, P("a"), true, {}, P("a.korvane-swap2")));
  EXPECT_TRUE(Tree.Exists("a.korvane-swap"));
  EXPECT_FALSE(Tree.Exists("a.korvane-swap2"));
}

TEST(ChainOrder, FreeNamesFirstThenThoseTheyFreeAndCyclesThroughATemporaryName) {
  struct TCase {
    Strings From, To;
    std::vector<bool> Moves;
    std::vector<std::pair<std::size_t, int>> Order;
  };
  const TCase cases[] = {
      // No dependency: list order.
      {{"a", "b"}, {"x", "y"}, {true, true}, {{0, 0}, {1, 0}}},
      // a -> b -> c -> free: the end of the chain first.
      {{"a", "b", "c"}, {"b", "c", "d"}, {true, true, true}, {{2, 0}, {1, 0}, {0, 0}}},
      // A swap: a to its temporary name, b, then a.
      {{"a", "b"}, {"b", "a"}, {true, true}, {{0, 1}, {1, 0}, {0, 2}}},
      // A three-cycle broken at its first member in list order.
      {{"c", "a", "b"}, {"a", "b", "c"}, {true, true, true}, {{0, 1}, {2, 0}, {1, 0}, {0, 2}}},
      // A target that does not move holds its name: no waiting for it.
      {{"a", "b"}, {"b", "b"}, {true, false}, {{0, 0}, {1, 0}}},
      // Two want the name one frees: both wait for it, in list order.
      {{"a", "b", "c"}, {"c", "c", "d"}, {true, true, true}, {{2, 0}, {0, 0}, {1, 0}}},
  };
  for (const TCase &c : cases) {
    std::vector<std::pair<std::size_t, int>> order;
    for (const TChainOrderStep &step : OrderChainMoves(c.From, c.To, c.Moves))
      order.emplace_back(step.Index, step.Kind);
    EXPECT_EQ(order, c.Order) << c.From.size() << " " << c.To.front();
  }
}

TEST(ChainOrder, ALongChainNeedsNoDeepRecursion) {
  const std::size_t n = 200000;
  Strings from(n), to(n);
  for (std::size_t i = 0; i < n; ++i) {
    from[i] = "f" + std::to_string(i);
    to[i] = "f" + std::to_string(i + 1);
  }
  const std::vector<TChainOrderStep> order = OrderChainMoves(from, to, std::vector<bool>(n, true));
  ASSERT_EQ(order.size(), n);
  EXPECT_EQ(order.front().Index, n - 1);
  EXPECT_EQ(order.back().Index, 0u);
}

}  // namespace
