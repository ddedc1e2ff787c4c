// The control refresh: one handler for nearly every control change.  Each
// block runs for its own control or for a full refresh (no control); a few
// steps run on every call.  The refresh never refuses a value: values are
// checked when a run starts.

#include "ui/UnitMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolButton>

#include "ops/UnitFileCn.h"
#include "platform/DateTime.h"
#include "regex/RegExpError.h"
#include "select/FolderName.h"
#include "ui/JobTexts.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/THistoryCombo.h"
#include "ui/TMaskEdit.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"

namespace {

std::string TextOf(const QLineEdit *edit) { return ToCp932Lossy(edit->text()); }

// A drop-down choice list found without a selection gets its default,
// without that counting as a change by the user.
int SelectedOrDefault(QComboBox *list, int defaultIndex) {
  if (list->currentIndex() < 0) {
    const QSignalBlocker quiet(list);
    list->setCurrentIndex(defaultIndex);
  }
  return list->currentIndex();
}

}  // namespace

void TBunselMain::Input(QObject *origin) {
  if (InputPaused_ > 0) return;
  auto is = [origin](const QObject *control) { return origin == nullptr || origin == control; };
  TRenameCn &r = *RenameCn_;
  const int condition = c_.TabControlReplace->currentIndex();

  ShowStatus({});

  if (is(c_.ComboBoxFolder) || origin == static_cast<QObject *>(c_.SpeedButtonFindIn)) {
    r.FolderNameText = LastFolderName(c_.ComboBoxFolder->Text());
  }
  if (is(c_.CheckListBoxOrder)) RefreshOrderList();
  if (is(c_.CheckBoxCopy)) r.MakeCopy = c_.CheckBoxCopy->isChecked();
  if (is(c_.CheckBoxReplExt)) r.ReplExt = c_.CheckBoxReplExt->isChecked();
  if (is(c_.ComboBoxFromName)) r.SetFromName(condition, c_.ComboBoxFromName->Text());
  if (is(c_.ComboBoxToName)) r.SetToName(condition, c_.ComboBoxToName->Text());
  if (is(c_.CheckBoxNoCase)) r.SetNoCase(condition, c_.CheckBoxNoCase->isChecked());
  if (is(c_.CheckBoxUnity)) {
    r.IfUnity = c_.CheckBoxUnity->isChecked();
    c_.RadioGroupUnity->setEnabled(r.IfUnity);
  }
  if (is(c_.RadioGroupUnity)) {
    r.Unity = c_.RadioGroupUnity->ItemIndex();
    // Follows the choice alone, whether or not the fixed name is switched on.
    c_.EditBaseName->setEnabled(r.Unity == 1);
    // One place for two boxes: the template's shows while it is the choice.
    c_.EditBaseName->setVisible(r.Unity != 2);
    c_.EditTemplate->setVisible(r.Unity == 2);
  }
  if (is(c_.EditBaseName)) r.BaseName = TextOf(c_.EditBaseName);
  if (is(c_.EditTemplate)) r.Template = TextOf(c_.EditTemplate);
  if (is(c_.SpinEditSeqIndex)) {
    r.SeqStart = c_.SpinEditSeqIndex->value();
    r.SeqCounter = r.SeqStart;
  }
  if (is(c_.SpinEditSeqStep)) r.SeqStep = c_.SpinEditSeqStep->value();
  if (is(c_.SpinEditSeqDeg)) r.SeqDeg = c_.SpinEditSeqDeg->value();
  if (is(c_.CheckBoxSeqName)) {
    r.SeqName = c_.CheckBoxSeqName->isChecked();
    c_.EditSeqBefore->setEnabled(r.SeqName);
    c_.EditSeqAfter->setEnabled(r.SeqName);
    c_.RadioGroupSeqAdd->setEnabled(r.SeqName);
  }
  if (is(c_.EditSeqBefore)) r.SeqBefore = TextOf(c_.EditSeqBefore);
  if (is(c_.EditSeqAfter)) r.SeqAfter = TextOf(c_.EditSeqAfter);
  if (is(c_.RadioGroupSeqAdd)) r.SeqAdd = c_.RadioGroupSeqAdd->ItemIndex();
  if (is(c_.ComboBoxSeqSort)) r.SortKind = SelectedOrDefault(c_.ComboBoxSeqSort, kDefaultSeqSort);
  if (is(c_.CheckBoxSeqExt)) r.SeqExt = c_.CheckBoxSeqExt->isChecked();
  if (is(c_.RadioGroupNameCase)) r.NameCase = c_.RadioGroupNameCase->ItemIndex();
  if (is(c_.CheckBoxNameInitial)) r.NameInitial = c_.CheckBoxNameInitial->isChecked();
  if (is(c_.RadioGroupExtCase)) r.ExtCase = c_.RadioGroupExtCase->ItemIndex();
  if (is(c_.CheckBoxExtInitial)) r.ExtInitial = c_.CheckBoxExtInitial->isChecked();
  if (is(c_.ComboBoxWidthAlnum)) r.WidthAlnum = SelectedOrDefault(c_.ComboBoxWidthAlnum, 0);
  if (is(c_.ComboBoxWidthKana)) r.WidthKana = SelectedOrDefault(c_.ComboBoxWidthKana, 0);
  if (is(c_.ComboBoxKanaKind)) r.KanaKind = SelectedOrDefault(c_.ComboBoxKanaKind, 0);
  if (is(c_.CheckBoxComposeMarks)) r.ComposeMarks = c_.CheckBoxComposeMarks->isChecked();
  if (is(c_.EditExt)) r.Ext = TextOf(c_.EditExt);
  if (is(c_.ComboBoxDateFormat)) r.DateFormat = c_.ComboBoxDateFormat->Text();
  if (is(c_.EditDateBefore)) r.DateBefore = TextOf(c_.EditDateBefore);
  if (is(c_.EditDateAfter)) r.DateAfter = TextOf(c_.EditDateAfter);
  if (is(c_.RadioGroupDateAdd)) r.DateAdd = c_.RadioGroupDateAdd->ItemIndex();
  if (is(c_.RadioGroupDateSource)) r.DateSource = c_.RadioGroupDateSource->ItemIndex();
  r.FileDateTime = Now();
  if (is(c_.EditFolderBefore)) r.FolderBefore = TextOf(c_.EditFolderBefore);
  if (is(c_.EditFolderAfter)) r.FolderAfter = TextOf(c_.EditFolderAfter);
  if (is(c_.RadioGroupFolderAdd)) r.FolderAdd = c_.RadioGroupFolderAdd->ItemIndex();

  RefreshPreview();

  TCopyCn &copy = *CopyCn_;
  if (is(c_.ComboBoxCopyDelete)) {
    copy.Delete = SelectedOrDefault(c_.ComboBoxCopyDelete, kDefaultCopyDelete);
  }
  if (is(c_.ComboBoxCopySame)) copy.Same = SelectedOrDefault(c_.ComboBoxCopySame, kDefaultCopySame);
  if (is(c_.ComboBoxCopyOverWrite)) {
    copy.OverWrite = SelectedOrDefault(c_.ComboBoxCopyOverWrite, kDefaultCopyOverWrite);
  }
  if (is(c_.ComboBoxCopyAlias)) {
    copy.Alias = SelectedOrDefault(c_.ComboBoxCopyAlias, kDefaultCopyAlias);
  }
  if (is(c_.CheckBoxRecycled)) DeleteCn_->Recycled = c_.CheckBoxRecycled->isChecked();

  RefreshChangeDates(origin);

  if (is(c_.CheckBoxAttr)) {
    ChangeCn_->Attr = c_.CheckBoxAttr->isChecked();
    for (QCheckBox *box : {c_.CheckBoxAttrSysFile, c_.CheckBoxAttrHidden, c_.CheckBoxAttrReadOnly,
                           c_.CheckBoxAttrArchive}) {
      box->setEnabled(ChangeCn_->Attr);
    }
  }

  // A pattern error of the preview is shown once the refresh is complete
  // (or, inside a larger action, once that action is).
  ShowPendingPreviewError();
}

// Checked steps first, each group in its order; then the rename object
// learns, position by position, which step sits there and whether it is on.
void TBunselMain::RefreshOrderList() {
  TCheckListBox &list = *c_.CheckListBoxOrder;
  JobSettings::RenameGroup order = DefaultJob().Rename;
  const int count = std::min(list.Count(), static_cast<int>(kStepCount));
  for (int i = 0; i < count; ++i) {
    order.OrderItems[i] = list.ItemText(i);
    order.OrderChecked[i] = list.Checked(i);
  }
  std::size_t index = 0;
  while (index < static_cast<std::size_t>(count)) index = KeepCheckedFirst(order, index);
  list.SetItems(std::vector<std::string>(order.OrderItems.begin(), order.OrderItems.begin() + count),
                std::vector<bool>(order.OrderChecked.begin(), order.OrderChecked.begin() + count));

  for (int i = 0; i < count; ++i) {
    const int step = StepNumberOfCaption(order.OrderItems[i]);
    if (step < 0) continue;
    RenameCn_->SetStepEnabled(step, order.OrderChecked[i]);
    RenameCn_->SetStepOrder(i, step);
  }
}

// The numbering and date steps alone, then the whole pipeline.  A search
// pattern that does not compile (on every keystroke that leaves it
// incomplete, while the replace step is on) keeps the last good preview;
// the engine's message goes to the error handler when the refresh is done.
// The rest of the refresh still runs, so a copy, delete or change option
// set meanwhile reaches its object at once instead of waiting for its
// control to change again.
void TBunselMain::RefreshPreview() {
  const std::string sample = TextOf(c_.EditSample);
  c_.StaticTextSeqStyle->setText(Q(RenameCn_->SequenceStep(sample)));
  c_.StaticTextDateStyle->setText(Q(RenameCn_->DateStep(sample)));
  try {
    c_.StaticTextSample->setText(Q(RenameCn_->BuildName(sample)));
  } catch (const ERegExpParser &error) {
    PendingPreviewError_ = Q(error.Message());
  }
}

// The three time stamps: the switch goes to the change object; "now" is
// offered only while the switch is on, and the date and time fields only
// while it is on and "now" is not checked.  The check mark of "now" itself
// is read when a run starts.  The modification time can instead come from
// each file's shooting time, which leaves nothing to type and no "now".
void TBunselMain::RefreshChangeDates(QObject *origin) {
  const bool full = origin == nullptr;
  if (full || origin == static_cast<QObject *>(c_.CheckBoxUpDateShot))
    ChangeCn_->UpDateShot = c_.CheckBoxUpDateShot->isChecked();
  struct TStamp {
    QCheckBox *If;
    QCheckBox *Current;
    TMaskEdit *Date;
    TMaskEdit *Time;
    bool &Switch;
  };
  const TStamp stamps[] = {
      {c_.CheckBoxUpDate, c_.CheckBoxUpCurrent, c_.MaskEditUpDate, c_.MaskEditUpTime,
       ChangeCn_->IfUpDate},
      {c_.CheckBoxNwDate, c_.CheckBoxNwCurrent, c_.MaskEditNwDate, c_.MaskEditNwTime,
       ChangeCn_->IfNwDate},
      {c_.CheckBoxAcDate, c_.CheckBoxAcCurrent, c_.MaskEditAcDate, c_.MaskEditAcTime,
       ChangeCn_->IfAcDate},
  };
  for (const TStamp &s : stamps) {
    const bool shot = s.If == c_.CheckBoxUpDate;
    const bool fromFile = shot && ChangeCn_->UpDateShot;
    const bool shotChanged = shot && origin == static_cast<QObject *>(c_.CheckBoxUpDateShot);
    if (full || origin == static_cast<QObject *>(s.If)) {
      s.Switch = s.If->isChecked();
      if (shot) c_.CheckBoxUpDateShot->setEnabled(s.Switch);
    }
    if (full || origin == static_cast<QObject *>(s.If) || shotChanged)
      s.Current->setEnabled(s.Switch && !fromFile);
    if (full || origin == static_cast<QObject *>(s.If) ||
        origin == static_cast<QObject *>(s.Current) || shotChanged) {
      const bool editable = s.Switch && !s.Current->isChecked() && !fromFile;
      s.Date->setEnabled(editable);
      s.Time->setEnabled(editable);
    }
  }
}
