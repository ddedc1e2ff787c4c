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
  ch.UpDateShot = c.CheckBoxUpDateShot->isChecked();

  auto &co = job.Copy;
  co.Folder = c.ComboBoxCopyFolder->Text();
  co.Delete = c.ComboBoxCopyDelete->currentIndex();
  co.Same = c.ComboBoxCopySame->currentIndex();
  co.OverWrite = c.ComboBoxCopyOverWrite->currentIndex();
  co.Alias = c.ComboBoxCopyAlias->currentIndex();
  co.KeepTree = c.CheckBoxKeepTree->isChecked();

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
  r.Template = TextOf(c.EditTemplate);
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
  r.WidthAlnum = c.ComboBoxWidthAlnum->currentIndex();
  r.WidthKana = c.ComboBoxWidthKana->currentIndex();
  r.KanaKind = c.ComboBoxKanaKind->currentIndex();
  r.ComposeMarks = c.CheckBoxComposeMarks->isChecked();
  r.DateFormat = c.ComboBoxDateFormat->Text();
  r.DateBefore = TextOf(c.EditDateBefore);
  r.DateAfter = TextOf(c.EditDateAfter);
  r.DateAdd = c.RadioGroupDateAdd->ItemIndex();
  r.DateSource = c.RadioGroupDateSource->ItemIndex();
  r.Ext = TextOf(c.EditExt);
  r.FolderBefore = TextOf(c.EditFolderBefore);
  r.FolderAfter = TextOf(c.EditFolderAfter);
  r.FolderAdd = c.RadioGroupFolderAdd->ItemIndex();
  r.ResolveChains = c.CheckBoxResolveChains->isChecked();

  job.Delete.Recycled = c.CheckBoxRecycled->isChecked();
  return job;
}

namespace {

void SetText(QLineEdit *edit, const std::string &cp932) { edit->setText(Q(cp932)); }

void SetChoice(QComboBox *list, int index) {
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

}  // namespace

void WriteJobToControls(const JobSettings &job, const TMainControls &c, TRenameCn &rename) {
  const auto &f = job.FindFile;
  c.ComboBoxFolder->SetText(f.Folder);
  c.CheckBoxSubFolder->setChecked(f.SubFolder);
  c.ComboBoxFilter->SetText(f.Filter);
  c.RadioGroupFileOnly->SetItemIndex(f.FileOnly);
  c.SpinEditSizeFrom->setValue(f.SizeFrom);
  c.SpinEditSizeTo->setValue(f.SizeTo);
  c.MaskEditDateFrom->SetText(f.DateFrom);
  c.MaskEditTimeFrom->SetText(f.TimeFrom);
  c.MaskEditDateTo->SetText(f.DateTo);
  c.MaskEditTimeTo->SetText(f.TimeTo);
  c.CheckBoxExcSysFile->setChecked(f.ExcSysFile);
  c.CheckBoxExcHidden->setChecked(f.ExcHidden);
  c.CheckBoxExcReadOnly->setChecked(f.ExcReadOnly);
  c.ComboBoxException->SetText(f.Exception);

  const auto &ch = job.Change;
  c.CheckBoxUpDate->setChecked(ch.IfUpDate);
  c.CheckBoxNwDate->setChecked(ch.IfNwDate);
  c.CheckBoxAcDate->setChecked(ch.IfAcDate);
  c.MaskEditUpDate->SetText(ch.UpDate);
  c.MaskEditNwDate->SetText(ch.NwDate);
  c.MaskEditAcDate->SetText(ch.AcDate);
  c.MaskEditUpTime->SetText(ch.UpTime);
  c.MaskEditNwTime->SetText(ch.NwTime);
  c.MaskEditAcTime->SetText(ch.AcTime);
  c.CheckBoxUpCurrent->setChecked(ch.UpCurrent);
  c.CheckBoxNwCurrent->setChecked(ch.NwCurrent);
  c.CheckBoxAcCurrent->setChecked(ch.AcCurrent);
  c.CheckBoxAttr->setChecked(ch.Attr);
  c.CheckBoxAttrSysFile->setChecked(ch.AttrSysFile);
  c.CheckBoxAttrHidden->setChecked(ch.AttrHidden);
  c.CheckBoxAttrReadOnly->setChecked(ch.AttrReadOnly);
  c.CheckBoxAttrArchive->setChecked(ch.AttrArchive);
  c.CheckBoxUpDateShot->setChecked(ch.UpDateShot);

  const auto &co = job.Copy;
  c.ComboBoxCopyFolder->SetText(co.Folder);
  SetChoice(c.ComboBoxCopyDelete, co.Delete);
  SetChoice(c.ComboBoxCopySame, co.Same);
  SetChoice(c.ComboBoxCopyOverWrite, co.OverWrite);
  SetChoice(c.ComboBoxCopyAlias, co.Alias);
  c.CheckBoxKeepTree->setChecked(co.KeepTree);

  const auto &r = job.Rename;
  c.CheckBoxCopy->setChecked(r.Copy);
  c.CheckListBoxOrder->SetItems(std::vector<std::string>(r.OrderItems.begin(), r.OrderItems.end()),
                                std::vector<bool>(r.OrderChecked.begin(), r.OrderChecked.end()));
  c.CheckBoxReplExt->setChecked(r.ReplExt);
  for (int i = 0; i < static_cast<int>(kConditionCount); ++i) {
    rename.SetFromName(i, r.FromName[i]);
    rename.SetToName(i, r.ToName[i]);
    rename.SetNoCase(i, r.NoCase[i]);
  }
  const int tab = c.TabControlReplace->currentIndex();
  if (tab >= 0 && tab < static_cast<int>(kConditionCount)) {
    c.ComboBoxFromName->SetText(r.FromName[tab]);
    c.ComboBoxToName->SetText(r.ToName[tab]);
    c.CheckBoxNoCase->setChecked(r.NoCase[tab]);
  }
  c.CheckBoxUnity->setChecked(r.IfUnity);
  c.RadioGroupUnity->SetItemIndex(r.Unity);
  SetText(c.EditBaseName, r.BaseName);
  SetText(c.EditTemplate, r.Template);
  c.SpinEditSeqIndex->setValue(r.SeqIndex);
  c.SpinEditSeqDeg->setValue(r.SeqDeg);
  c.SpinEditSeqStep->setValue(r.SeqStep);
  SetChoice(c.ComboBoxSeqSort, r.SeqSort);
  c.CheckBoxSeqName->setChecked(r.SeqName);
  c.CheckBoxSeqExt->setChecked(r.SeqExt);
  SetText(c.EditSeqBefore, r.SeqBefore);
  SetText(c.EditSeqAfter, r.SeqAfter);
  c.RadioGroupSeqAdd->SetItemIndex(r.SeqAdd);
  c.RadioGroupNameCase->SetItemIndex(r.NameCase);
  c.RadioGroupExtCase->SetItemIndex(r.ExtCase);
  c.CheckBoxNameInitial->setChecked(r.NameInitial);
  c.CheckBoxExtInitial->setChecked(r.ExtInitial);
  SetChoice(c.ComboBoxWidthAlnum, r.WidthAlnum);
  SetChoice(c.ComboBoxWidthKana, r.WidthKana);
  SetChoice(c.ComboBoxKanaKind, r.KanaKind);
  c.CheckBoxComposeMarks->setChecked(r.ComposeMarks);
  c.ComboBoxDateFormat->SetText(r.DateFormat);
  SetText(c.EditDateBefore, r.DateBefore);
  SetText(c.EditDateAfter, r.DateAfter);
  c.RadioGroupDateAdd->SetItemIndex(r.DateAdd);
  c.RadioGroupDateSource->SetItemIndex(r.DateSource);
  SetText(c.EditExt, r.Ext);
  SetText(c.EditFolderBefore, r.FolderBefore);
  SetText(c.EditFolderAfter, r.FolderAfter);
  c.RadioGroupFolderAdd->SetItemIndex(r.FolderAdd);
  c.CheckBoxResolveChains->setChecked(r.ResolveChains);

  c.CheckBoxRecycled->setChecked(job.Delete.Recycled);
}
