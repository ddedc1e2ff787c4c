#include "ui/TJobControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>

#include "ops/UnitFileCn.h"
#include "ui/JobTexts.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/THistoryCombo.h"
#include "ui/TMaskEdit.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"

namespace {

std::string TextOf(const QLineEdit *edit) { return ToCp932Lossy(edit->text()); }

}  // namespace

JobSettings ReadJobFromControls(const TMainControls &c, const TRenameCn &rename) {
  JobSettings job = DefaultJob();

  auto &f = job.FindFile;
  f.Folder = c.ComboBoxFolder->Text();
  f.SubFolder = c.CheckBoxSubFolder->isChecked();
  f.Filter = c.ComboBoxFilter->Text();
  f.FileOnly = c.RadioGroupFileOnly->ItemIndex();
  f.SizeFrom = c.SpinEditSizeFrom->value();
  f.SizeTo = c.SpinEditSizeTo->value();
  f.DateFrom = c.MaskEditDateFrom->Text();
  f.TimeFrom = c.MaskEditTimeFrom->Text();
  f.DateTo = c.MaskEditDateTo->Text();
  f.TimeTo = c.MaskEditTimeTo->Text();
  f.ExcSysFile = c.CheckBoxExcSysFile->isChecked();
  f.ExcHidden = c.CheckBoxExcHidden->isChecked();
  f.ExcReadOnly = c.CheckBoxExcReadOnly->isChecked();
  f.Exception = c.ComboBoxException->Text();

  auto &ch = job.Change;
  ch.IfUpDate = c.CheckBoxUpDate->isChecked();
  ch.IfNwDate = c.CheckBoxNwDate->isChecked();
  ch.IfAcDate = c.CheckBoxAcDate->isChecked();
  ch.UpDate = c.MaskEditUpDate->Text();
  ch.NwDate = c.MaskEditNwDate->Text();
  ch.AcDate = c.MaskEditAcDate->Text();
  ch.UpTime = c.MaskEditUpTime->Text();
  ch.NwTime = c.MaskEditNwTime->Text();
  ch.AcTime = c.MaskEditAcTime->Text();
  ch.UpCurrent = c.CheckBoxUpCurrent->isChecked();
  ch.NwCurrent = c.CheckBoxNwCurrent->isChecked();
  ch.AcCurrent = c.CheckBoxAcCurrent->isChecked();
  ch.Attr = c.CheckBoxAttr->isChecked();
  ch.AttrSysFile = c.CheckBoxAttrSysFile->isChecked();
  ch.AttrHidden = c.CheckBoxAttrHidden->isChecked();
  ch.AttrReadOnly = c.CheckBoxAttrReadOnly->isChecked();
  ch.AttrArchive = c.CheckBoxAttrArchive->isChecked();

  auto &co = job.Copy;
  co.Folder = c.ComboBoxCopyFolder->Text();
  co.Delete = c.ComboBoxCopyDelete->currentIndex();
  co.Same = c.ComboBoxCopySame->currentIndex();
  co.OverWrite = c.ComboBoxCopyOverWrite->currentIndex();
  co.Alias = c.ComboBoxCopyAlias->currentIndex();

  auto &r = job.Rename;
  r.Copy = c.CheckBoxCopy->isChecked();
  for (int i = 0; i < c.CheckListBoxOrder->Count() && i < static_cast<int>(kStepCount); ++i) {
    r.OrderItems[i] = c.CheckListBoxOrder->ItemText(i);
    r.OrderChecked[i] = c.CheckListBoxOrder->Checked(i);
  }
  r.ReplExt = c.CheckBoxReplExt->isChecked();
  for (int i = 0; i < static_cast<int>(kConditionCount); ++i) {
    r.FromName[i] = rename.GetFromName(i);
    r.ToName[i] = rename.GetToName(i);
    r.NoCase[i] = rename.GetNoCase(i);
  }
  const int tab = c.TabControlReplace->currentIndex();
  if (tab >= 0 && tab < static_cast<int>(kConditionCount)) {
    r.FromName[tab] = c.ComboBoxFromName->Text();
    r.ToName[tab] = c.ComboBoxToName->Text();
    r.NoCase[tab] = c.CheckBoxNoCase->isChecked();
  }
  r.IfUnity = c.CheckBoxUnity->isChecked();
  r.Unity = c.RadioGroupUnity->ItemIndex();
  r.BaseName = TextOf(c.EditBaseName);
  r.SeqIndex = c.SpinEditSeqIndex->value();
  r.SeqDeg = c.SpinEditSeqDeg->value();
  r.SeqStep = c.SpinEditSeqStep->value();
  r.SeqSort = c.ComboBoxSeqSort->currentIndex();
  r.SeqName = c.CheckBoxSeqName->isChecked();
  r.SeqExt = c.CheckBoxSeqExt->isChecked();
  r.SeqBefore = TextOf(c.EditSeqBefore);
  r.SeqAfter = TextOf(c.EditSeqAfter);
  r.SeqAdd = c.RadioGroupSeqAdd->ItemIndex();
  r.NameCase = c.RadioGroupNameCase->ItemIndex();
  r.ExtCase = c.RadioGroupExtCase->ItemIndex();
  r.NameInitial = c.CheckBoxNameInitial->isChecked();
  r.ExtInitial = c.CheckBoxExtInitial->isChecked();
  r.DateFormat = c.ComboBoxDateFormat->Text();
  r.DateBefore = TextOf(c.EditDateBefore);
  r.DateAfter = TextOf(c.EditDateAfter);
  r.DateAdd = c.RadioGroupDateAdd->ItemIndex();
  r.Ext = TextOf(c.EditExt);
  r.FolderBefore = TextOf(c.EditFolderBefore);
  r.FolderAfter = TextOf(c.EditFolderAfter);
  r.FolderAdd = c.RadioGroupFolderAdd->ItemIndex();

  job.Delete.Recycled = c.CheckBoxRecycled->isChecked();
  return job;
}
