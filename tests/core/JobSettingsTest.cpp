#include "core/JobSettings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

TEST(JobSettings, FirstStartAppliesNoRenameStepAndSelectsTheDefaultChoices) {
  const JobSettings job;
  for (std::size_t i = 0; i < kStepCount; ++i) {
    EXPECT_EQ(job.Rename.OrderItems[i], kStepCaptions[i]);
    EXPECT_FALSE(job.Rename.OrderChecked[i]);
  }
  EXPECT_EQ((std::array{job.Rename.SeqSort, job.Copy.Delete, job.Copy.Same,
                        job.Copy.OverWrite, job.Copy.Alias}),
            (std::array{0, 1, 0, 1, 1}));
  EXPECT_EQ(job.FindFile.DateFrom, "    /  /  ");
  EXPECT_EQ(job.Change.AcTime, "  :  :  ");
  EXPECT_EQ(StepNumberOfCaption("大/小文字"), 2);
  EXPECT_EQ(StepNumberOfCaption("連番 "), -1);
}

// Every pattern of check marks: the order list ends as a stable partition,
// checked positions first, each group in its previous order.
TEST(JobSettings, KeepCheckedFirstIsAStablePartition) {
  for (unsigned pattern = 0; pattern < (1u << kStepCount); ++pattern) {
    JobSettings job;
    std::array<std::pair<bool, std::string>, kStepCount> expected;
    for (std::size_t i = 0; i < kStepCount; ++i) {
      job.Rename.OrderChecked[i] = (pattern >> i & 1u) != 0;
      expected[i] = {job.Rename.OrderChecked[i], job.Rename.OrderItems[i]};
    }
    std::stable_partition(expected.begin(), expected.end(),
                          [](const auto &item) { return item.first; });
    NormaliseJob(job);
    for (std::size_t i = 0; i < kStepCount; ++i) {
      EXPECT_EQ(job.Rename.OrderChecked[i], expected[i].first) << pattern;
      EXPECT_EQ(job.Rename.OrderItems[i], expected[i].second) << pattern;
    }
  }
}

using TOrder = std::array<std::string, kStepCount>;

TOrder Captions(std::initializer_list<int> steps) {
  TOrder order;
  std::size_t at = 0;
  for (const int step : steps) order[at++] = step < 0 ? "?" : std::string(kStepCaptions[step]);
  return order;
}

// A step set at a position swaps places with the step that was there, so a
// list of the six steps stays one; the check marks stay where they were.
TEST(JobSettings, MovingAStepSwapsItWithTheStepAtItsNewPlace) {
  const struct {
    TOrder Before;
    std::size_t Position;
    int Step;
    TOrder After;
  } cases[] = {
      {Captions({0, 1, 2, 3, 4, 5}), 0, 2, Captions({2, 1, 0, 3, 4, 5})},
      {Captions({0, 1, 2, 3, 4, 5}), 5, 0, Captions({5, 1, 2, 3, 4, 0})},
      {Captions({0, 1, 2, 3, 4, 5}), 3, 3, Captions({0, 1, 2, 3, 4, 5})},
      // A list that lacks the step (one held twice) gets it in place.
      {Captions({2, 1, 2, 3, 4, 5}), 2, 0, Captions({2, 1, 0, 3, 4, 5})},
      {Captions({-1, 1, 2, 3, 4, 5}), 0, 0, Captions({0, 1, 2, 3, 4, 5})},
      // Of a step held twice, the first other position gives it up.
      {Captions({2, 1, 2, 3, 4, 5}), 1, 2, Captions({1, 2, 2, 3, 4, 5})},
  };
  for (const auto &c : cases) {
    JobSettings::RenameGroup rename;
    rename.OrderItems = c.Before;
    rename.OrderChecked = {true, false, true, false, false, false};
    MoveStepTo(rename, c.Position, kStepCaptions[c.Step]);
    EXPECT_EQ(rename.OrderItems, c.After) << c.Position << " " << c.Step;
    EXPECT_EQ(rename.OrderChecked, (std::array<bool, kStepCount>{true, false, true, false, false, false}));
  }
}

TEST(JobSettings, AnOrderListThatIsNotTheSixStepsIsFound) {
  const struct {
    TOrder Order;
    std::vector<std::vector<std::size_t>> Repeated;
    std::vector<std::size_t> Unknown;
    std::vector<int> Missing;
  } cases[] = {
      {Captions({0, 1, 2, 3, 4, 5}), {}, {}, {}},
      {Captions({5, 4, 3, 2, 1, 0}), {}, {}, {}},
      {Captions({2, 1, 2, 3, 4, 5}), {{0, 2}}, {}, {0}},
      {Captions({1, 1, 1, 3, 3, 5}), {{0, 1, 2}, {3, 4}}, {}, {0, 2, 4}},
      {Captions({0, -1, 2, 3, 4, -1}), {}, {1, 5}, {1, 5}},
  };
  for (const auto &c : cases) {
    JobSettings::RenameGroup rename;
    rename.OrderItems = c.Order;
    const TOrderListFaults faults = CheckOrderList(rename);
    EXPECT_EQ(faults.Repeated, c.Repeated);
    EXPECT_EQ(faults.Unknown, c.Unknown);
    EXPECT_EQ(faults.Missing, c.Missing);
    EXPECT_EQ(faults.Any(), !c.Missing.empty());
  }
}

TEST(JobSettings, NormaliseSelectsDefaultsOnlyForListsWithoutASelection) {
  JobSettings job;
  job.Rename.SeqSort = -1;
  job.Copy.Delete = 3;
  job.Copy.Same = 4;
  job.Copy.OverWrite = 6;
  job.Copy.Alias = 0;
  job.FindFile.FileOnly = -1;  // a radio group keeps "no item"
  NormaliseJob(job);
  EXPECT_EQ((std::array{job.Rename.SeqSort, job.Copy.Delete, job.Copy.Same,
                        job.Copy.OverWrite, job.Copy.Alias, job.FindFile.FileOnly}),
            (std::array{0, 1, 4, 1, 0, -1}));
}

}  // namespace
