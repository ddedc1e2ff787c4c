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
