#include <gtest/gtest.h>

#include <functional>

#include "TempTree.h"
#include "run/ValidateRun.h"

namespace {

const DateTimeParts kNow{2024, 6, 15, 10, 30, 45, 0};

class ValidateTest : public ::testing::Test {
protected:
  ValidateTest() : Tree_("copy/") {
    Job.FindFile.Folder = Tree_.Path();
    Job.Copy.Folder = Tree_.Path("copy");
    Job.Rename.OrderChecked[0] = true;
    Job.Change.Attr = true;
  }
  TValidation Check(RunMode mode) { return ValidateRun(mode, Job, kNow); }

  TTempTree Tree_;
  JobSettings Job;
};

struct TRefusal {
  const char *What;
  std::function<void(JobSettings &)> Edit;
  RunMode Mode;
  std::optional<std::string_view> Message;
  TRunPage Page;
  TRunFocus Focus;
};

TEST_F(ValidateTest, EveryRefusalWithItsMessagePageAndFocus) {
  const TRefusal refusals[] = {
      {"missing folder", [](JobSettings &j) { j.FindFile.Folder += "/none"; }, RunMode::List,
       kMsgNoFolder, TRunPage::TabSheetTarget, TRunFocus::ComboBoxFolder},
      {"empty folder text", [](JobSettings &j) { j.FindFile.Folder.clear(); }, RunMode::Delete,
       kMsgNoFolder, TRunPage::TabSheetTarget, TRunFocus::ComboBoxFolder},
      {"empty filter", [](JobSettings &j) { j.FindFile.Filter.clear(); }, RunMode::List,
       kMsgNoFilter, TRunPage::TabSheetTarget, TRunFocus::ComboBoxFilter},
      {"2003/02/30", [](JobSettings &j) { j.FindFile.DateFrom = "2003/02/30"; }, RunMode::List,
       kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateFrom},
      {"empty time", [](JobSettings &j) { j.FindFile.DateFrom = "2003/02/01"; j.FindFile.TimeFrom = "  :  :  "; },
       RunMode::List, kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateFrom},
      {"hour 24", [](JobSettings &j) { j.FindFile.DateTo = "2003/02/01"; j.FindFile.TimeTo = "24:00:00"; },
       RunMode::Delete, kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateTo},
      {"month 13", [](JobSettings &j) { j.FindFile.DateTo = "2003/13/01"; }, RunMode::Change,
       kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateTo},
      {"half a date", [](JobSettings &j) { j.FindFile.DateTo = "2003/  /01"; }, RunMode::Change,
       kMsgBadDate, TRunPage::TabSheetCond, TRunFocus::MaskEditDateTo},
      {"missing copy folder", [](JobSettings &j) { j.Copy.Folder += "/none"; }, RunMode::Copy,
       kMsgNoCopyFolder, TRunPage::None, TRunFocus::ComboBoxCopyFolder},
      {"no rename step", [](JobSettings &j) { j.Rename.OrderChecked[0] = false; }, RunMode::Rename,
       kMsgNoRenameStep, TRunPage::None, TRunFocus::None},
      {"no change", [](JobSettings &j) { j.Change.Attr = false; }, RunMode::Change, kMsgNoChange,
       TRunPage::None, TRunFocus::None},
      {"no update date", [](JobSettings &j) { j.Change.IfUpDate = true; }, RunMode::Copy, kMsgNoDate,
       TRunPage::None, TRunFocus::MaskEditUpDate},
      {"invalid creation date",
       [](JobSettings &j) { j.Change.IfNwDate = true; j.Change.NwDate = "2003/02/29"; j.Change.NwTime = "00:00:00"; },
       RunMode::Rename, std::nullopt, TRunPage::None, TRunFocus::MaskEditNwDate},
      {"invalid access time",
       [](JobSettings &j) { j.Change.IfAcDate = true; j.Change.AcDate = "2003/02/28"; },
       RunMode::Change, std::nullopt, TRunPage::None, TRunFocus::MaskEditAcDate},
  };
  for (const TRefusal &refusal : refusals) {
    JobSettings saved = Job;
    refusal.Edit(Job);
    TValidation v = Check(refusal.Mode);
    EXPECT_FALSE(v.Accepted) << refusal.What;
    EXPECT_EQ(v.Message, refusal.Message ? std::optional<std::string>(std::string(*refusal.Message))
                                         : std::nullopt)
        << refusal.What;
    EXPECT_EQ(v.Page, refusal.Page) << refusal.What;
    EXPECT_EQ(v.Focus, refusal.Focus) << refusal.What;
    Job = saved;
  }
}

TEST_F(ValidateTest, DateRangeIsComputedFromDateAndTime) {
  Job.FindFile.DateFrom = "2003/01/01";
  Job.FindFile.DateTo = "2003/ 1/31";
  TValidation v = Check(RunMode::List);
  ASSERT_TRUE(v.Accepted);
  EXPECT_EQ(v.DateRangeFrom, (DateTimeParts{2003, 1, 1, 0, 0, 0, 0}));
  EXPECT_EQ(v.DateRangeTo, (DateTimeParts{2003, 1, 31, 23, 59, 59, 0}));
  // A bound later than the other is no refusal; it only leaves no target.
  Job.FindFile.DateFrom = "2004/01/01";
  EXPECT_TRUE(Check(RunMode::List).Accepted);
  // Empty fields leave the ranges alone.
  Job.FindFile.DateFrom = std::string(kEmptyDate);
  Job.FindFile.DateTo = "          ";
  v = Check(RunMode::List);
  EXPECT_FALSE(v.DateRangeFrom);
  EXPECT_FALSE(v.DateRangeTo);
}

TEST_F(ValidateTest, ChangeValuesForRenameCopyAndChangeRuns) {
  Job.Change.IfUpDate = true;
  Job.Change.UpDate = "2003/05/01";
  Job.Change.UpTime = "12:00:01";  // odd seconds are dropped
  Job.Change.IfNwDate = true;
  Job.Change.NwCurrent = true;
  Job.Change.AcCurrent = true;  // current time counts even without its date box
  Job.Change.AttrHidden = true;
  Job.Change.AttrArchive = true;
  for (RunMode mode : {RunMode::Rename, RunMode::Copy, RunMode::Change}) {
    TValidation v = Check(mode);
    ASSERT_TRUE(v.Accepted);
    EXPECT_EQ(v.UpDateValue, 782327808u);
    EXPECT_EQ(v.NwDateValue, DateTimeToDos(kNow));
    EXPECT_EQ(v.AcDateValue, DateTimeToDos(kNow));
    EXPECT_EQ(v.AttrValue, 34u);
  }
}

TEST_F(ValidateTest, AttributesOnlyWithNoBoxesClearsThemAll) {
  TValidation v = Check(RunMode::Change);
  ASSERT_TRUE(v.Accepted);
  EXPECT_EQ(v.AttrValue, 0u);
  EXPECT_FALSE(v.UpDateValue);
}

TEST_F(ValidateTest, ListAndDeleteIgnoreTheChangeFields) {
  Job.Change.Attr = false;
  Job.Change.IfUpDate = true;
  Job.Change.UpDate = "2003/02/30";
  Job.Change.IfNwDate = true;
  Job.Rename.OrderChecked[0] = false;
  Job.Copy.Folder = "/no/such/folder";
  for (RunMode mode : {RunMode::List, RunMode::Delete}) {
    TValidation v = Check(mode);
    EXPECT_TRUE(v.Accepted);
    EXPECT_FALSE(v.UpDateValue);
    EXPECT_FALSE(v.AttrValue);
  }
}

TEST_F(ValidateTest, YearsOutsideThePackedRangeGiveZero) {
  Job.Change.IfUpDate = true;
  Job.Change.UpDate = "1975/01/01";
  Job.Change.UpTime = "00:00:00";
  TValidation v = Check(RunMode::Change);
  ASSERT_TRUE(v.Accepted);
  EXPECT_EQ(v.UpDateValue, 0u);
}

TEST(DateFieldTest, EmptyForms) {
  EXPECT_TRUE(IsEmptyDateField(""));
  EXPECT_TRUE(IsEmptyDateField("   "));
  EXPECT_TRUE(IsEmptyDateField("    /  /  "));
  EXPECT_FALSE(IsEmptyDateField("2003/  /  "));
  EXPECT_FALSE(ParseDateTimeFields("2003/  /  ", "00:00:00"));
  EXPECT_FALSE(ParseDateTimeFields("2000/02/29", "00:00:60"));
  EXPECT_TRUE(ParseDateTimeFields("2000/02/29", "23:59:59"));
  EXPECT_FALSE(ParseDateTimeFields("1900/02/29", "00:00:00"));
}

}  // namespace
