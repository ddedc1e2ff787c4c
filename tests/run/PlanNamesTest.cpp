#include <gtest/gtest.h>

#include <memory_resource>
#include <string>

#include "run/PlanNames.h"
#include "run/RunPlan.h"

namespace {

// Short names and, every fifth, one too long to be held in its entry.
std::string NameAt(int i) {
  const std::string name = "f" + std::to_string(i) + ".dat";
  return i % 5 == 0 ? "IMG_20240101_123456_" + name : name;
}

// Names added one by one and by a reserve, past many growths of the table:
// each is found with what was set on it, and names never added are not.
TEST(PlanNamesTest, EveryNameAddedIsFoundWithItsStateAcrossGrowth) {
  for (const bool reserve : {false, true}) {
    std::pmr::monotonic_buffer_resource memory;
    TPlanNames names(memory);
    constexpr int kCount = 5000;
    if (reserve) names.Reserve(kCount);
    for (int i = 0; i < kCount; ++i) {
      TPlanNames::TName &name = names.Add(NameAt(i));
      name.Listed = i % 2 == 0;
      if (i % 3 == 0) {
        TPlannedEntry entry;
        entry.Attributes = static_cast<std::uint32_t>(i);
        names.Change(name, entry);
      }
    }
    ASSERT_EQ(names.Size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) {
      const TPlanNames::TName *name = names.Find(NameAt(i));
      ASSERT_NE(name, nullptr) << i;
      EXPECT_EQ(name->Key(), NameAt(i));
      EXPECT_EQ(name->Listed, i % 2 == 0) << i;
      EXPECT_EQ(name->Changed, i % 3 == 0) << i;
      if (name->Changed) {
        EXPECT_EQ(names.EntryOf(*name).Attributes, static_cast<std::uint32_t>(i));
      }
    }
    EXPECT_EQ(names.Find(NameAt(kCount)), nullptr);
    EXPECT_EQ(names.Find("F0.dat"), nullptr);  // exact: folding is the caller's
  }
}

// A name added again is the same name, its state kept; the empty name and
// a key whose text goes away after the call are held like any other.
TEST(PlanNamesTest, AddingAgainKeepsTheNameAndItsText) {
  std::pmr::monotonic_buffer_resource memory;
  TPlanNames names(memory);
  EXPECT_EQ(names.Find("a"), nullptr);
  {
    std::string passing = "写真 (1).JPG";
    names.Add(passing).Listed = true;
    passing.assign(passing.size(), 'x');
  }
  TPlanNames::TName &again = names.Add("写真 (1).JPG");
  EXPECT_TRUE(again.Listed);
  EXPECT_EQ(names.Size(), 1u);
  {
    std::string passing(TPlanNames::kInline + 1, 'y');
    names.Add(passing).Listed = true;
    passing.assign(passing.size(), 'x');
  }
  ASSERT_NE(names.Find(std::string(TPlanNames::kInline + 1, 'y')), nullptr);
  EXPECT_EQ(names.Find(std::string(TPlanNames::kInline + 1, 'x')), nullptr);
  names.Add("").Listed = true;
  ASSERT_NE(names.Find(""), nullptr);
  EXPECT_TRUE(names.Find("")->Listed);
  EXPECT_EQ(names.Size(), 3u);
}

// A plan's line is appended to what the buffer holds, with the planned
// result where a run's line says it succeeded.
TEST(PlanNamesTest, PlanLinesAppendToTheirBuffer) {
  TPlanRecord record;
  record.Mode = RunMode::Rename;
  record.Path = "/a/x.txt";
  record.Destination = "/a/y.txt";
  std::string line = "> ";
  AppendPlanLine(line, record);
  EXPECT_EQ(line, "> 処理: リネーム; 結果: 予定; 処理ファイル: /a/x.txt; リネーム先ファイル: /a/y.txt;");
  EXPECT_EQ(PlanLineOf(record), line.substr(2));
  record.Ok = false;
  record.Failure = TFailure{TFailReason::NameExists};
  EXPECT_TRUE(PlanLineOf(record).starts_with("処理: リネーム; 結果: 失敗; 処理ファイル: /a/x.txt;"));
}

}  // namespace
