// Rename plans edited by hand: the check of the whole plan after each edit,
// and the run of exactly the edited rows, through the log and its undo.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "DriverFixture.h"
#include "TempTree.h"
#include "TreeListing.h"
#include "ops/UnitFileCn.h"
#include "run/ApplyJob.h"
#include "run/EditedPlan.h"
#include "run/RunDriver.h"
#include "run/RunPlan.h"
#include "run/RunUndo.h"

namespace {

using Strings = std::vector<std::string>;

class TRecords : public TPlanSink {
public:
  void AddPlanMarker(std::string_view) override {}
  void AddPlanRecord(const TPlanRecord &record) override { Records.push_back(record); }
  std::vector<TPlanRecord> Records;
};

class EditedPlanTest : public TDriverFixture {
public:
  // The plan of the job as it stands, ready to be edited.
  std::unique_ptr<TEditedPlan> Plan() {
    ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
    TRecords sink;
    EXPECT_EQ(Driver.PlanRun(RunMode::Rename, sink), TRunOutcome::Finished);
    return std::make_unique<TEditedPlan>(std::move(sink.Records), Job().Rename.Copy);
  }
  TRunOutcome RunPlan(const TEditedPlan &plan) {
    ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
    return Driver.RunEditedPlan(plan);
  }
  TRunOutcome Undo() {
    TUndoStats stats;
    const Strings log = Host.Log;
    return Driver.UndoRun(log, TUndoOptions{}, stats);
  }
  // The row whose target has this path relative to the tree.
  static std::size_t RowOf(const TEditedPlan &plan, const std::string &source) {
    for (std::size_t i = 0; i < plan.Size(); ++i)
      if (plan.Planned(i).Source == source) return i;
    ADD_FAILURE() << "no row for " << source;
    return 0;
  }
  std::size_t Row(const TEditedPlan &plan, std::string_view relative) {
    return RowOf(plan, P(relative));
  }
  Strings Listing() { return TreeListing(Tree.Native()); }
};

// A path goes with the nearest folder above it that moved, whether the
// moves are a few (tried as prefixes) or many (looked up folder by folder).
TEST(FolderMovesTest, APathGoesWithTheNearestFolderAboveItThatMoved) {
  for (const int filler : {0, 40}) {
    TFolderMoves moves;
    moves.Add("/t/a", "/t/A");
    moves.Add("/t/a/b", "/t/A/B2");
    moves.Add("/t/ab", "/t/x");
    moves.Add("/t/f.txt", "/t/g.txt");  // a file target: nothing is below it
    for (int i = 0; i < filler; ++i) moves.Add("/elsewhere/" + std::to_string(i), "/moved/" + std::to_string(i));
    const struct {
      const char *Path, *Expected;
    } cases[] = {
        {"/t/a/f.txt", "/t/A/f.txt"},        {"/t/a/b/c/f.txt", "/t/A/B2/c/f.txt"},
        {"/t/ab/f.txt", "/t/x/f.txt"},       {"/t/abc/f.txt", "/t/abc/f.txt"},
        {"/t/a", "/t/a"},                    {"/t/f.txt", "/t/f.txt"},
        {"/t/a/b/", "/t/A/B2/"},             {"f.txt", "f.txt"},
        {"/t/表/f", "/t/表/f"},  {"/elsewhere/7/f", filler ? "/moved/7/f" : "/elsewhere/7/f"},
    };
    for (const auto &c : cases) EXPECT_EQ(moves.Moved(c.Path), c.Expected) << c.Path << " with " << filler;
  }
}

TEST_F(EditedPlanTest, AThousandFilesWithTwoRowsChangedByHandRenameAndComeBack) {
  std::string files;
  for (int i = 0; i < 1000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "f%04d.txt %d\n", i, i % 7);
    files += name;
  }
  Tree.Add(files);
  EnableSteps({kStepSequence});
  const Strings before = Listing();
  const std::unique_ptr<TEditedPlan> plan = Plan();
  ASSERT_EQ(plan->Size(), 1000u);
  ASSERT_EQ(plan->Failures(), 0u);
  const std::size_t a = Row(*plan, "f0010.txt");
  const std::size_t b = Row(*plan, "f0500.txt");
  EXPECT_EQ(plan->NewName(a), "f00100011.txt");
  ASSERT_TRUE(plan->SetNewName(a, "first by hand.txt"));
  ASSERT_TRUE(plan->SetNewName(b, "second by hand.txt"));
  EXPECT_EQ(plan->EditCount(), 2u);
  EXPECT_EQ(plan->Failures(), 0u);
  EXPECT_EQ(plan->Row(a).Destination, P("first by hand.txt"));

  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().Records, 1000u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_EQ(Host.Log.size(), 1002u);
  EXPECT_EQ(Host.Log.front(), "開始");
  EXPECT_EQ(Host.Log.back(), "終了");
  EXPECT_TRUE(Tree.Exists("first by hand.txt"));
  EXPECT_TRUE(Tree.Exists("second by hand.txt"));
  EXPECT_TRUE(Tree.Exists("f09991000.txt"));
  EXPECT_FALSE(Tree.Exists("f0010.txt"));
  EXPECT_FALSE(Tree.Exists("f00100011.txt"));

  ASSERT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
}

// Each case: the tree, then edits (target -> new name) made one by one;
// after the last, the predicted outcome of every row named.
struct TCheckCase {
  const char *Name;
  const char *Tree;
  std::vector<std::pair<std::string, std::string>> Edits;
  std::vector<std::pair<std::string, TFailReason>> Outcomes;  // by target; None: succeeds
};

class CheckTest : public EditedPlanTest, public ::testing::WithParamInterface<TCheckCase> {};

TEST_P(CheckTest, EveryEditChecksTheWholePlanAgain) {
  const TCheckCase &c = GetParam();
  Tree.Add(c.Tree);
  Job().FindFile.Filter = "a;b;c";
  EnableSteps({kStepSequence});  // a -> a0001, b -> b0002, c -> c0003
  const std::unique_ptr<TEditedPlan> plan = Plan();
  for (const auto &[target, name] : c.Edits) plan->SetNewName(Row(*plan, target), name);
  std::size_t failures = 0;
  for (const auto &[target, reason] : c.Outcomes) {
    const TPlanRecord &row = plan->Row(Row(*plan, target));
    EXPECT_EQ(row.Ok, reason == TFailReason::None) << target;
    EXPECT_EQ(row.Failure.Reason, reason) << target;
    failures += row.Ok ? 0 : 1;
  }
  EXPECT_EQ(plan->Failures(), failures);
}

using R = TFailReason;
INSTANTIATE_TEST_SUITE_P(
    Edits, CheckTest,
    ::testing::Values(
        TCheckCase{"NoEdit", "a\nb\nc", {}, {{"a", R::None}, {"b", R::None}, {"c", R::None}}},
        TCheckCase{"OntoAFileThatStays", "a\nb\nc\nkeep", {{"a", "keep"}},
                   {{"a", R::NameExists}, {"b", R::None}}},
        TCheckCase{"OntoALaterRowsName", "a\nb\nc", {{"a", "b0002"}},
                   {{"a", R::None}, {"b", R::TakenByPlan}, {"c", R::None}}},
        TCheckCase{"OntoAnEarlierRowsName", "a\nb\nc", {{"c", "a0001"}},
                   {{"a", R::None}, {"c", R::TakenByPlan}}},
        TCheckCase{"OntoANameAnEarlierRowGaveUp", "a\nb\nc", {{"b", "a"}},
                   {{"a", R::None}, {"b", R::None}}},
        TCheckCase{"OntoANameALaterRowGivesUp", "a\nb\nc", {{"a", "b"}},
                   {{"a", R::NameExists}, {"b", R::None}}},
        TCheckCase{"AnEditRemovesACollision", "a\nb\nc\na0001", {{"a", "z"}},
                   {{"a", R::None}}},
        TCheckCase{"TheCollisionComesBackWithThePlannedName", "a\nb\nc\na0001",
                   {{"a", "z"}, {"a", "a0001"}}, {{"a", R::NameExists}}},
        TCheckCase{"MovingAwayFreesTheNameForALaterEdit", "a\nb\nc", {{"a", "x"}, {"b", "a0001"}},
                   {{"a", R::None}, {"b", R::None}, {"c", R::None}}},
        TCheckCase{"BackToItsOwnName", "a\nb\nc", {{"b", "b"}}, {{"b", R::Unchanged}}},
        TCheckCase{"IntoAnotherFolder", "a\nb\nc", {{"a", "d/a"}}, {{"a", R::InvalidName}}},
        TCheckCase{"Empty", "a\nb\nc", {{"a", ""}}, {{"a", R::InvalidName}}},
        TCheckCase{"Parent", "a\nb\nc", {{"a", ".."}}, {{"a", R::InvalidName}}},
        TCheckCase{"TooLong", "a\nb\nc", {{"a", std::string(300, 'x')}}, {{"a", R::InvalidName}}},
        TCheckCase{"ASwapWithoutChainsFailsBoth", "a\nb\nc", {{"a", "b"}, {"b", "a"}},
                   {{"a", R::NameExists}, {"b", R::NameExists}}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST_F(EditedPlanTest, ThePlannedNameTakesTheEditBack) {
  Tree.Add("a\nb");
  EnableSteps({kStepSequence});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  const std::size_t a = Row(*plan, "a");
  ASSERT_TRUE(plan->SetNewName(a, "x"));
  EXPECT_TRUE(plan->Edited(a));
  ASSERT_TRUE(plan->SetNewName(a, "a0001"));
  EXPECT_FALSE(plan->Edited(a));
  EXPECT_EQ(plan->EditCount(), 0u);
}

TEST_F(EditedPlanTest, AFolderGivenAnotherNameCarriesItsContentsAlong) {
  Tree.Add("d/x\nd/e/y\nz");
  Job().FindFile.SubFolder = true;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.Filter = "*";
  EnableSteps({kStepSequence});
  const Strings before = Listing();
  const std::unique_ptr<TEditedPlan> plan = Plan();
  ASSERT_EQ(plan->Failures(), 0u);
  const std::size_t d = Row(*plan, "d");
  const std::size_t x = Row(*plan, "d/x");
  const std::size_t y = Row(*plan, "d/e/y");
  const std::string plannedD = plan->NewName(d);
  EXPECT_EQ(plan->Row(x).Path, P(plannedD + "/x"));
  ASSERT_TRUE(plan->SetNewName(d, "docs"));
  EXPECT_EQ(plan->Row(x).Path, P("docs/x"));
  EXPECT_EQ(plan->Row(y).Destination.rfind(P("docs/"), 0), 0u) << plan->Row(y).Destination;
  ASSERT_TRUE(plan->SetNewName(x, "by hand"));
  EXPECT_EQ(plan->Failures(), 0u);

  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_TRUE(Tree.Exists("docs/by hand"));
  EXPECT_FALSE(Tree.Exists("d"));
  ASSERT_EQ(Undo(), TRunOutcome::Finished);
  EXPECT_EQ(Listing(), before);
}

TEST_F(EditedPlanTest, AFolderWhoseRenameNowFailsKeepsItsContentsUnderItsOwnName) {
  Tree.Add("d/x\nkeep/");
  Job().FindFile.SubFolder = true;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.Filter = "*";
  Job().FindFile.ExcHidden = false;
  EnableSteps({kStepSequence});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  const std::size_t d = Row(*plan, "d");
  const std::size_t x = Row(*plan, "d/x");
  ASSERT_TRUE(plan->SetNewName(d, "keep"));
  EXPECT_FALSE(plan->Row(d).Ok);
  EXPECT_EQ(plan->Row(x).Path, P("d/x"));
  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 1u);
  EXPECT_TRUE(Tree.Exists("d/" + plan->NewName(x)));
}

// With nothing edited, the edited run writes exactly the log the run
// writes: the same renames of folders and what they hold, the same moves
// of a resolved swap, the same follow-up changes.
TEST_F(EditedPlanTest, UneditedItWritesTheRunsOwnLog) {
  Tree.Add("a 1\nb 2\nd/x 3\nd/e/y 4");
  Tree.SetTime("a", 2003, 5, 1, 12, 0, 0);
  Job().FindFile.SubFolder = true;
  Job().FindFile.FileOnly = 2;
  Job().FindFile.Filter = "*";
  Job().Rename.ResolveChains = true;
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2004/06/02";
  Job().Change.UpTime = "10:00:00";
  Swap();  // a <-> b through a temporary name; d and the rest keep theirs
  Job().Rename.FromName[3] = "^[dexy]$";
  Job().Rename.ToName[3] = "&&";
  const std::unique_ptr<TEditedPlan> plan = Plan();
  ASSERT_EQ(plan->Failures(), 0u);
  bool temporary = false;
  for (std::size_t i = 0; i < plan->Size(); ++i) temporary |= plan->Planned(i).Temporary;
  ASSERT_TRUE(temporary) << "the swap goes through a temporary name";

  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  const Strings edited = Host.Log;
  ASSERT_EQ(Undo(), TRunOutcome::Finished);
  Host.Log.clear();
  ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
  EXPECT_EQ(Host.Log, edited);
}

// The attributes a follow-up change records as they were come from the
// entry itself, hidden bit included, as in the run's own log; a rename with
// no follow-up needs only the entry's kind.
TEST_F(EditedPlanTest, AHiddenTargetsChangeRecordsItsAttributesAsTheRunDoes) {
  Tree.Add("h 1\nv 2");
  if (!SetAttributes(TEntryRef(P("h")), kAttrHidden | kAttrArchive))
    GTEST_SKIP() << "no extended attributes here";
  Job().FindFile.ExcHidden = false;
  Job().Rename.FromName[3] = "^[hv]$";
  Job().Rename.ToName[3] = "&&";
  EnableSteps({kStepReplace});
  for (const bool followUp : {false, true}) {
    Job().Change.IfUpDate = followUp;
    Job().Change.UpDate = "2004/06/02";
    Job().Change.UpTime = "10:00:00";
    Host.Log.clear();
    const std::unique_ptr<TEditedPlan> plan = Plan();
    ASSERT_EQ(plan->Failures(), 0u);
    ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
    const Strings edited = Host.Log;
    EXPECT_TRUE(Tree.Exists("hh") && Tree.Exists("vv")) << followUp;
    ASSERT_EQ(Undo(), TRunOutcome::Finished);
    Host.Log.clear();
    ASSERT_EQ(Run(RunMode::Rename), TRunOutcome::Finished);
    EXPECT_EQ(Host.Log, edited) << followUp;
    ASSERT_EQ(Undo(), TRunOutcome::Finished);
  }
}

TEST_F(EditedPlanTest, ANameTheStepsCouldNotMakeIsGivenByHand) {
  Tree.Add("old 1\nnew 2");
  Tree.SetTime("new", 2003, 5, 1, 12, 0, 0);
  // A time the date step cannot write: the plan predicts the failure.
  struct timespec times[2] = {{0, 0}, {0, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Tree.Native("old").c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
  Job().Rename.DateFormat = "yymmdd";
  EnableSteps({kStepDate});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  const std::size_t old = Row(*plan, "old");
  EXPECT_EQ(plan->Row(old).Failure.Reason, TFailReason::TimeUnconvertible);
  plan->SetNewName(Row(*plan, "new"), "new 2");  // an unrelated edit keeps it
  EXPECT_EQ(plan->Row(old).Failure.Reason, TFailReason::TimeUnconvertible);
  ASSERT_TRUE(plan->SetNewName(old, "old 1970"));
  EXPECT_TRUE(plan->Row(old).Ok);
  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_TRUE(Tree.Exists("old 1970"));
  EXPECT_TRUE(Tree.Exists("new 2"));
}

TEST_F(EditedPlanTest, ARowThatMeetsSomethingElseOnTheDiskFailsAloneAndTheRestGoesOn) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepSequence});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  std::filesystem::remove(Tree.Native("b"));
  Tree.Add("c0003");  // made after the plan
  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Driver.Stats().Records, 3u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 2u);
  EXPECT_TRUE(Tree.Exists("a0001"));
  EXPECT_TRUE(Tree.Exists("c"));
}

TEST_F(EditedPlanTest, RenamedCopiesTakeTheirNamesFromTheRows) {
  Tree.Add("t/a 1\nt/b 2\nc/");
  Job().FindFile.Folder = P("t");
  Job().Copy.Folder = P("c");
  Job().Rename.Copy = true;
  EnableSteps({kStepSequence});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  ASSERT_TRUE(plan->MakesCopies());
  ASSERT_TRUE(plan->SetNewName(Row(*plan, "t/a"), "b0002"));
  EXPECT_EQ(plan->Row(Row(*plan, "t/b")).Failure.Reason, TFailReason::TakenByPlan);
  ASSERT_TRUE(plan->SetNewName(Row(*plan, "t/a"), "first"));
  EXPECT_EQ(plan->Failures(), 0u);
  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_TRUE(Tree.Exists("c/first"));
  EXPECT_TRUE(Tree.Exists("c/b0002"));
  EXPECT_TRUE(Tree.Exists("t/a") && Tree.Exists("t/b"));
}

TEST_F(EditedPlanTest, EscStopsItAfterTheRowUnderWay) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepSequence});
  const std::unique_ptr<TEditedPlan> plan = Plan();
  Host.OnLogLine = [&](const std::string &line) {
    if (line.find("結果: 成功") != std::string::npos) Driver.Abort();
  };
  EXPECT_EQ(RunPlan(*plan), TRunOutcome::Aborted);
  EXPECT_EQ(Driver.Stats().Records, 1u);
  EXPECT_EQ(Host.Log.back(), "中断");
}

TEST_F(EditedPlanTest, RowsNeitherTheStepsNorAnEditChangeCanBeLeftOut) {
  Tree.Add("a\nb\nc");
  EnableSteps({kStepCase});  // lower case: nothing changes
  const std::unique_ptr<TEditedPlan> plan = Plan();
  ASSERT_EQ(plan->Failures(), 3u);
  ASSERT_TRUE(plan->SetNewName(Row(*plan, "b"), "B"));
  EXPECT_EQ(plan->PassOverUnchanged(), 2u);
  EXPECT_EQ(plan->Failures(), 0u);
  EXPECT_EQ(plan->RowsToRun(), 1u);
  ASSERT_TRUE(plan->SetNewName(Row(*plan, "c"), "C"));
  EXPECT_FALSE(plan->PassedOver(Row(*plan, "c"))) << "an edit brings a row back";
  ASSERT_EQ(RunPlan(*plan), TRunOutcome::Finished);
  EXPECT_EQ(Host.Log.size(), 4u);
  EXPECT_EQ(Driver.Stats().FailedRecords, 0u);
  EXPECT_TRUE(Tree.Exists("a") && Tree.Exists("B") && Tree.Exists("C"));
}

TEST_F(EditedPlanTest, OnlyTheRenamesOfTargetsCanBeEdited) {
  Tree.Add("a 1\nb 2");
  Job().Rename.ResolveChains = true;
  Job().Change.IfUpDate = true;
  Job().Change.UpDate = "2004/06/02";
  Job().Change.UpTime = "10:00:00";
  Swap();
  const std::unique_ptr<TEditedPlan> plan = Plan();
  std::size_t editable = 0;
  for (std::size_t i = 0; i < plan->Size(); ++i) {
    const bool expected = plan->Planned(i).Mode == RunMode::Rename && !plan->Planned(i).Temporary;
    EXPECT_EQ(plan->Editable(i), expected) << i;
    if (!expected) {
      EXPECT_FALSE(plan->SetNewName(i, "x"));
    }
    editable += expected ? 1 : 0;
  }
  EXPECT_EQ(editable, 2u);
  EXPECT_EQ(plan->EditCount(), 0u);
}

}  // namespace
