// The job as the run driver reads it: during a run it is read from the
// controls again only after one of them changed, and then it is what they
// hold, whichever control it was.

#include <QMainWindow>

#include <functional>

#include "WindowFixture.h"
#include "ui/TJobControls.h"
#include "ui/TMainLayout.h"
#include "ui/TRunOutput.h"
#include "ui/TWindowHost.h"

namespace {

class WindowHostTest : public ::testing::Test {
protected:
  WindowHostTest()
      : c_(TMainLayout::Build(&window_, nullptr)),
        output_(*c_.MemoLog, *c_.MemoList, *c_.StatusBar1, &window_),
        host_(window_, c_, rename_, output_) {}

  JobSettings Fresh() const { return ReadJobFromControls(c_, rename_); }

  QMainWindow window_;
  TMainControls c_;
  TRenameCn rename_;
  TRunOutput output_;
  TWindowHost host_;
};

TEST_F(WindowHostTest, RunReadsTheControlsOnlyAfterAChange) {
  host_.Job();
  host_.Job();
  EXPECT_EQ(host_.JobReads(), 2u) << "outside a run every call reads";

  host_.BeginRun();
  const std::uint64_t start = host_.JobReads();
  host_.Job();
  host_.ProcessMessages();
  host_.Job();
  host_.Job();
  EXPECT_EQ(host_.JobReads(), start + 1);
  host_.EndRun();
  host_.Job();
  EXPECT_EQ(host_.JobReads(), start + 2);
}

// One change of each kind of control that holds the job (and every control
// the walk's narrowing reads), made while a run is under way.
TEST_F(WindowHostTest, EveryJobControlChangedDuringARunIsReadAgain) {
  const TMainControls &c = c_;
  const std::pair<const char *, std::function<void()>> changes[] = {
      {"ComboBoxFolder", [&] { c.ComboBoxFolder->setEditText(QStringLiteral("/elsewhere")); }},
      {"CheckBoxSubFolder", [&] { c.CheckBoxSubFolder->toggle(); }},
      {"ComboBoxFilter", [&] { c.ComboBoxFilter->setEditText(QStringLiteral("*.txt")); }},
      {"ComboBoxFilter list", [&] { c.ComboBoxFilter->setCurrentIndex(1); }},
      {"RadioGroupFileOnly", [&] { c.RadioGroupFileOnly->SetItemIndex(2); }},
      {"SpinEditSizeFrom", [&] { c.SpinEditSizeFrom->setValue(3); }},
      {"SpinEditSizeTo", [&] { c.SpinEditSizeTo->setValue(7); }},
      {"MaskEditDateFrom", [&] { c.MaskEditDateFrom->SetText("2003/05/01"); }},
      {"MaskEditTimeFrom", [&] { c.MaskEditTimeFrom->SetText("12:00:00"); }},
      {"MaskEditDateTo", [&] { c.MaskEditDateTo->SetText("2004/05/01"); }},
      {"MaskEditTimeTo", [&] { c.MaskEditTimeTo->SetText("13:00:00"); }},
      {"CheckBoxExcSysFile", [&] { c.CheckBoxExcSysFile->toggle(); }},
      {"CheckBoxExcHidden", [&] { c.CheckBoxExcHidden->toggle(); }},
      {"CheckBoxExcReadOnly", [&] { c.CheckBoxExcReadOnly->toggle(); }},
      {"ComboBoxException", [&] { c.ComboBoxException->setEditText(QStringLiteral(".bak")); }},
      {"CheckBoxUpDate", [&] { c.CheckBoxUpDate->toggle(); }},
      {"MaskEditUpDate", [&] { c.MaskEditUpDate->SetText("2003/05/01"); }},
      {"CheckBoxAttrHidden", [&] { c.CheckBoxAttrHidden->toggle(); }},
      {"ComboBoxCopyFolder", [&] { c.ComboBoxCopyFolder->setEditText(QStringLiteral("/copy")); }},
      {"ComboBoxCopyDelete", [&] { c.ComboBoxCopyDelete->setCurrentIndex(2); }},
      {"CheckBoxCopy", [&] { c.CheckBoxCopy->toggle(); }},
      {"CheckListBoxOrder", [&] { c.CheckListBoxOrder->item(1)->setCheckState(Qt::Checked); }},
      {"ComboBoxFromName", [&] { c.ComboBoxFromName->setEditText(QStringLiteral("a")); }},
      // The box's text now stands for another condition.
      {"TabControlReplace", [&] { c.TabControlReplace->setCurrentIndex(2); }},
      {"CheckBoxNoCase", [&] { c.CheckBoxNoCase->toggle(); }},
      {"RadioGroupNameCase", [&] { c.RadioGroupNameCase->SetItemIndex(1); }},
      {"ComboBoxKanaKind", [&] { c.ComboBoxKanaKind->setCurrentIndex(2); }},
      {"CheckBoxComposeMarks", [&] { c.CheckBoxComposeMarks->toggle(); }},
      {"SpinEditSeqIndex", [&] { c.SpinEditSeqIndex->setValue(9); }},
      {"ComboBoxSeqSort", [&] { c.ComboBoxSeqSort->setCurrentIndex(3); }},
      {"EditSeqBefore", [&] { c.EditSeqBefore->setText(QStringLiteral("_")); }},
      {"ComboBoxDateFormat", [&] { c.ComboBoxDateFormat->setEditText(QStringLiteral("yy-mm-dd")); }},
      {"EditExt", [&] { c.EditExt->setText(QStringLiteral(".txt")); }},
      {"CheckBoxRecycled", [&] { c.CheckBoxRecycled->toggle(); }},
  };
  host_.BeginRun();
  for (const auto &[name, change] : changes) {
    SCOPED_TRACE(name);
    const JobSettings before = host_.Job();
    change();
    ASSERT_NE(Fresh(), before) << "the change must reach the job";
    EXPECT_EQ(host_.Job(), Fresh());
  }
  host_.EndRun();
}

}  // namespace
