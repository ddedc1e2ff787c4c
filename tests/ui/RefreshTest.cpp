// The control refresh: what each control hands to its object, the enabling
// rules, the default choices and the bindings.

#include <functional>

#include "WindowFixture.h"

namespace {

struct THandOver {
  const char *Name;
  std::function<void(const TMainControls &)> Change;
  std::function<bool(TBunselMain &)> Holds;
};

}  // namespace

// A new window's first refresh has given every option its first value.
TEST_F(WindowTest, StartUpRefreshFillsTheObjects) {
  EXPECT_TRUE(R().MakeCopy);
  EXPECT_EQ(R().SeqStart, 1);
  EXPECT_EQ(R().SeqCounter, 1);
  EXPECT_EQ(R().SeqDeg, 4);
  EXPECT_EQ(R().SeqStep, 1);
  EXPECT_TRUE(R().SeqName);
  EXPECT_EQ(R().SeqAdd, 1);
  EXPECT_EQ(R().DateAdd, 1);
  EXPECT_EQ(R().FolderAdd, 1);
  EXPECT_EQ(R().SortKind, 0);
  for (int k = 0; k < 6; ++k) {
    EXPECT_FALSE(R().IsStepEnabled(k));
    EXPECT_EQ(R().StepOrder[k], k);
  }
  EXPECT_TRUE(W().DeleteCn().Recycled);
  EXPECT_EQ(W().CopyCn().Delete, 1);
  EXPECT_EQ(W().CopyCn().Same, 0);
  EXPECT_EQ(W().CopyCn().OverWrite, 1);
  EXPECT_EQ(W().CopyCn().Alias, 1);
  EXPECT_NE(C().StaticTextSample->text(), QString());
  EXPECT_NE(C().StaticTextSeqStyle->text(), QString());
  EXPECT_NE(C().StaticTextDateStyle->text(), QString());
  EXPECT_TRUE(C().Timer1->isActive());
  EXPECT_FALSE(C().StatusBar1->PanelText(1).isEmpty());
}

TEST_F(WindowTest, EachControlHandsItsValueToItsObject) {
  const THandOver cases[] = {
      {"CheckBoxCopy", [](auto &c) { c.CheckBoxCopy->setChecked(false); },
       [](auto &w) { return !w.RenameCn().MakeCopy; }},
      {"CheckBoxReplExt", [](auto &c) { c.CheckBoxReplExt->setChecked(true); },
       [](auto &w) { return w.RenameCn().ReplExt; }},
      {"CheckBoxUnity", [](auto &c) { c.CheckBoxUnity->setChecked(true); },
       [](auto &w) { return w.RenameCn().IfUnity; }},
      {"RadioGroupUnity", [](auto &c) { c.RadioGroupUnity->SetItemIndex(1); },
       [](auto &w) { return w.RenameCn().Unity == 1; }},
      {"EditBaseName", [](auto &c) { c.EditBaseName->setText(QStringLiteral("base")); },
       [](auto &w) { return w.RenameCn().BaseName == "base"; }},
      {"SpinEditSeqIndex", [](auto &c) { c.SpinEditSeqIndex->setValue(7); },
       [](auto &w) { return w.RenameCn().SeqStart == 7 && w.RenameCn().SeqCounter == 7; }},
      {"SpinEditSeqStep", [](auto &c) { c.SpinEditSeqStep->setValue(3); },
       [](auto &w) { return w.RenameCn().SeqStep == 3; }},
      {"SpinEditSeqDeg", [](auto &c) { c.SpinEditSeqDeg->setValue(2); },
       [](auto &w) { return w.RenameCn().SeqDeg == 2; }},
      {"CheckBoxSeqName", [](auto &c) { c.CheckBoxSeqName->setChecked(false); },
       [](auto &w) { return !w.RenameCn().SeqName; }},
      {"EditSeqBefore", [](auto &c) { c.EditSeqBefore->setText(QStringLiteral("[")); },
       [](auto &w) { return w.RenameCn().SeqBefore == "["; }},
      {"EditSeqAfter", [](auto &c) { c.EditSeqAfter->setText(QStringLiteral("]")); },
       [](auto &w) { return w.RenameCn().SeqAfter == "]"; }},
      {"RadioGroupSeqAdd", [](auto &c) { c.RadioGroupSeqAdd->SetItemIndex(0); },
       [](auto &w) { return w.RenameCn().SeqAdd == 0; }},
      {"ComboBoxSeqSort", [](auto &c) { c.ComboBoxSeqSort->setCurrentIndex(4); },
       [](auto &w) { return w.RenameCn().SortKind == 4; }},
      {"CheckBoxSeqExt", [](auto &c) { c.CheckBoxSeqExt->setChecked(true); },
       [](auto &w) { return w.RenameCn().SeqExt; }},
      {"RadioGroupNameCase", [](auto &c) { c.RadioGroupNameCase->SetItemIndex(2); },
       [](auto &w) { return w.RenameCn().NameCase == 2; }},
      {"CheckBoxNameInitial", [](auto &c) { c.CheckBoxNameInitial->setChecked(true); },
       [](auto &w) { return w.RenameCn().NameInitial; }},
      {"RadioGroupExtCase", [](auto &c) { c.RadioGroupExtCase->SetItemIndex(1); },
       [](auto &w) { return w.RenameCn().ExtCase == 1; }},
      {"CheckBoxExtInitial", [](auto &c) { c.CheckBoxExtInitial->setChecked(true); },
       [](auto &w) { return w.RenameCn().ExtInitial; }},
      {"ComboBoxWidthAlnum", [](auto &c) { c.ComboBoxWidthAlnum->setCurrentIndex(1); },
       [](auto &w) { return w.RenameCn().WidthAlnum == 1; }},
      {"ComboBoxWidthKana", [](auto &c) { c.ComboBoxWidthKana->setCurrentIndex(2); },
       [](auto &w) { return w.RenameCn().WidthKana == 2; }},
      {"ComboBoxKanaKind", [](auto &c) { c.ComboBoxKanaKind->setCurrentIndex(1); },
       [](auto &w) { return w.RenameCn().KanaKind == 1; }},
      {"CheckBoxComposeMarks", [](auto &c) { c.CheckBoxComposeMarks->setChecked(true); },
       [](auto &w) { return w.RenameCn().ComposeMarks; }},
      {"EditExt", [](auto &c) { c.EditExt->setText(QStringLiteral(".bak")); },
       [](auto &w) { return w.RenameCn().Ext == ".bak"; }},
      {"ComboBoxDateFormat", [](auto &c) { c.ComboBoxDateFormat->setEditText(QStringLiteral("yy-mm-dd")); },
       [](auto &w) { return w.RenameCn().DateFormat == "yy-mm-dd"; }},
      {"EditDateBefore", [](auto &c) { c.EditDateBefore->setText(QStringLiteral("(")); },
       [](auto &w) { return w.RenameCn().DateBefore == "("; }},
      {"EditDateAfter", [](auto &c) { c.EditDateAfter->setText(QStringLiteral(")")); },
       [](auto &w) { return w.RenameCn().DateAfter == ")"; }},
      {"RadioGroupDateAdd", [](auto &c) { c.RadioGroupDateAdd->SetItemIndex(0); },
       [](auto &w) { return w.RenameCn().DateAdd == 0; }},
      {"EditFolderBefore", [](auto &c) { c.EditFolderBefore->setText(QStringLiteral("<")); },
       [](auto &w) { return w.RenameCn().FolderBefore == "<"; }},
      {"EditFolderAfter", [](auto &c) { c.EditFolderAfter->setText(QStringLiteral(">")); },
       [](auto &w) { return w.RenameCn().FolderAfter == ">"; }},
      {"RadioGroupFolderAdd", [](auto &c) { c.RadioGroupFolderAdd->SetItemIndex(0); },
       [](auto &w) { return w.RenameCn().FolderAdd == 0; }},
      {"ComboBoxFolder", [](auto &c) { c.ComboBoxFolder->setEditText(QStringLiteral("/tmp/abc/def/")); },
       [](auto &w) { return w.RenameCn().FolderNameText == "def"; }},
      {"ComboBoxCopyDelete", [](auto &c) { c.ComboBoxCopyDelete->setCurrentIndex(2); },
       [](auto &w) { return w.CopyCn().Delete == 2; }},
      {"ComboBoxCopySame", [](auto &c) { c.ComboBoxCopySame->setCurrentIndex(3); },
       [](auto &w) { return w.CopyCn().Same == 3; }},
      {"ComboBoxCopyOverWrite", [](auto &c) { c.ComboBoxCopyOverWrite->setCurrentIndex(4); },
       [](auto &w) { return w.CopyCn().OverWrite == 4; }},
      {"ComboBoxCopyAlias", [](auto &c) { c.ComboBoxCopyAlias->setCurrentIndex(0); },
       [](auto &w) { return w.CopyCn().Alias == 0; }},
      {"CheckBoxRecycled", [](auto &c) { c.CheckBoxRecycled->setChecked(false); },
       [](auto &w) { return !w.DeleteCn().Recycled; }},
      {"CheckBoxUpDate", [](auto &c) { c.CheckBoxUpDate->setChecked(true); },
       [](auto &w) { return w.ChangeCn().IfUpDate; }},
      {"CheckBoxNwDate", [](auto &c) { c.CheckBoxNwDate->setChecked(true); },
       [](auto &w) { return w.ChangeCn().IfNwDate; }},
      {"CheckBoxAcDate", [](auto &c) { c.CheckBoxAcDate->setChecked(true); },
       [](auto &w) { return w.ChangeCn().IfAcDate; }},
      {"CheckBoxAttr", [](auto &c) { c.CheckBoxAttr->setChecked(true); },
       [](auto &w) { return w.ChangeCn().Attr; }},
  };
  for (const THandOver &hand : cases) {
    SCOPED_TRACE(hand.Name);
    EXPECT_FALSE(hand.Holds(W()));
    hand.Change(C());
    EXPECT_TRUE(hand.Holds(W()));
  }
}

// Every refresh clears panel 0; the controls read only when a run starts
// have no binding, so changing them leaves the panel alone.
TEST_F(WindowTest, OnlyBoundControlsRefresh) {
  const std::function<void(const TMainControls &)> unbound[] = {
      [](auto &c) { c.CheckBoxSubFolder->toggle(); },
      [](auto &c) { c.CheckBoxExcSysFile->toggle(); },
      [](auto &c) { c.CheckBoxExcHidden->toggle(); },
      [](auto &c) { c.CheckBoxExcReadOnly->toggle(); },
      [](auto &c) { c.CheckBoxSuccess->toggle(); },
      [](auto &c) { c.RadioGroupFileOnly->SetItemIndex(2); },
      [](auto &c) { c.ComboBoxFilter->setEditText(QStringLiteral("*.c")); },
      [](auto &c) { c.ComboBoxException->setEditText(QStringLiteral(".o")); },
      [](auto &c) { c.ComboBoxCopyFolder->setEditText(QStringLiteral("/tmp")); },
      [](auto &c) { c.SpinEditSizeFrom->setValue(5); },
      [](auto &c) { c.MaskEditDateFrom->SetText("2003/05/01"); },
      [](auto &c) { c.MaskEditTimeTo->SetText("12:00:00"); },
  };
  int index = 0;
  for (const auto &change : unbound) {
    SCOPED_TRACE(index++);
    W().ShowStatus(QStringLiteral("message"));
    change(C());
    EXPECT_EQ(Panel0(), QStringLiteral("message"));
  }
  const std::function<void(const TMainControls &)> bound[] = {
      [](auto &c) { c.EditSample->setText(QStringLiteral("x.y")); },
      [](auto &c) { c.CheckBoxAttrHidden->toggle(); },
      [](auto &c) { c.MaskEditUpTime->SetText("01:02:03"); },
      [](auto &c) { c.ComboBoxToName->setEditText(QStringLiteral("z")); },
  };
  for (const auto &change : bound) {
    SCOPED_TRACE(index++);
    W().ShowStatus(QStringLiteral("message"));
    change(C());
    EXPECT_EQ(Panel0(), QString());
  }
}

TEST_F(WindowTest, FixedNameChoiceFollowsItsOwnControl) {
  // Stored "固定文字列" with the fixed name switched off.
  C().CheckBoxUnity->setChecked(false);
  C().RadioGroupUnity->SetItemIndex(1);
  W().Input(nullptr);
  EXPECT_FALSE(C().RadioGroupUnity->isEnabled());
  EXPECT_TRUE(C().EditBaseName->isEnabled());

  C().RadioGroupUnity->SetItemIndex(0);
  EXPECT_FALSE(C().EditBaseName->isEnabled());
  C().CheckBoxUnity->setChecked(true);
  EXPECT_TRUE(C().RadioGroupUnity->isEnabled());
}

TEST_F(WindowTest, NumberInNameEnablesItsParts) {
  C().CheckBoxSeqName->setChecked(false);
  EXPECT_FALSE(C().EditSeqBefore->isEnabled());
  EXPECT_FALSE(C().EditSeqAfter->isEnabled());
  EXPECT_FALSE(C().RadioGroupSeqAdd->isEnabled());
  C().CheckBoxSeqName->setChecked(true);
  EXPECT_TRUE(C().EditSeqBefore->isEnabled());
  EXPECT_TRUE(C().EditSeqAfter->isEnabled());
  EXPECT_TRUE(C().RadioGroupSeqAdd->isEnabled());
}

TEST_F(WindowTest, TimeStampSwitchesEnableTheirFields) {
  struct TStamp {
    QCheckBox *If, *Current;
    TMaskEdit *Date, *Time;
    const bool *Switch;
  };
  const TStamp stamps[] = {
      {C().CheckBoxUpDate, C().CheckBoxUpCurrent, C().MaskEditUpDate, C().MaskEditUpTime,
       &W().ChangeCn().IfUpDate},
      {C().CheckBoxNwDate, C().CheckBoxNwCurrent, C().MaskEditNwDate, C().MaskEditNwTime,
       &W().ChangeCn().IfNwDate},
      {C().CheckBoxAcDate, C().CheckBoxAcCurrent, C().MaskEditAcDate, C().MaskEditAcTime,
       &W().ChangeCn().IfAcDate},
  };
  for (const TStamp &s : stamps) {
    SCOPED_TRACE(s.If->text().toStdString());
    // Off at start: nothing of the row is editable.
    EXPECT_FALSE(s.Current->isEnabled());
    EXPECT_FALSE(s.Date->isEnabled());
    EXPECT_FALSE(s.Time->isEnabled());

    s.If->setChecked(true);
    EXPECT_TRUE(*s.Switch);
    EXPECT_TRUE(s.Current->isEnabled());
    EXPECT_TRUE(s.Date->isEnabled());
    EXPECT_TRUE(s.Time->isEnabled());

    s.Current->setChecked(true);
    EXPECT_FALSE(s.Date->isEnabled());
    EXPECT_FALSE(s.Time->isEnabled());

    s.If->setChecked(false);
    EXPECT_FALSE(*s.Switch);
    EXPECT_FALSE(s.Current->isEnabled());
    EXPECT_FALSE(s.Date->isEnabled());

    // Back on with "now" still checked: only "now" is offered.
    s.If->setChecked(true);
    EXPECT_TRUE(s.Current->isEnabled());
    EXPECT_FALSE(s.Date->isEnabled());
    EXPECT_FALSE(s.Time->isEnabled());
  }
}

TEST_F(WindowTest, AttributeSwitchEnablesTheFourBoxes) {
  const QCheckBox *boxes[] = {C().CheckBoxAttrSysFile, C().CheckBoxAttrHidden,
                              C().CheckBoxAttrReadOnly, C().CheckBoxAttrArchive};
  for (const QCheckBox *box : boxes) EXPECT_FALSE(box->isEnabled());
  C().CheckBoxAttr->setChecked(true);
  for (const QCheckBox *box : boxes) EXPECT_TRUE(box->isEnabled());
}

TEST_F(WindowTest, ChoiceListsWithoutSelectionGetTheirDefaults) {
  QComboBox *lists[] = {C().ComboBoxSeqSort, C().ComboBoxCopyDelete, C().ComboBoxCopySame,
                        C().ComboBoxCopyOverWrite, C().ComboBoxCopyAlias};
  for (QComboBox *list : lists) list->setCurrentIndex(-1);
  W().Input(nullptr);
  const int defaults[] = {0, 1, 0, 1, 1};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lists[i]->currentIndex(), defaults[i]) << i;
  EXPECT_EQ(R().SortKind, 0);
  EXPECT_EQ(W().CopyCn().Delete, 1);
  EXPECT_EQ(W().CopyCn().Same, 0);
  EXPECT_EQ(W().CopyCn().OverWrite, 1);
  EXPECT_EQ(W().CopyCn().Alias, 1);
}

TEST_F(WindowTest, HintsShowInTheStatusPanelWhileTheMouseIsOver) {
  QWidget *controls[] = {C().CheckBoxSubFolder, C().ComboBoxFolder, C().SpinEditSeqIndex,
                         C().MemoLog, C().SpeedButtonRename};
  for (QWidget *control : controls) {
    SCOPED_TRACE(control->toolTip().toStdString());
    ASSERT_FALSE(control->toolTip().isEmpty());
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(control, &enter);
    EXPECT_EQ(Panel0(), control->toolTip());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(control, &leave);
    EXPECT_NE(Panel0(), control->toolTip());
  }
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&W(), &leave);
  EXPECT_EQ(Panel0(), QString());
}

// The panel is written when the hint changes, not on every move: a message
// (a refusal, a note about a drop) stays while the mouse moves within one
// control or onto a part of it, and gives way to the next control's hint.
TEST_F(WindowTest, StatusMessageOutlivesMovesThatKeepTheHint) {
  auto send = [](QWidget *widget, QEvent::Type type) {
    QEvent event(type);
    QApplication::sendEvent(widget, &event);
  };
  QWidget *combo = C().ComboBoxFolder;
  QWidget *edit = C().ComboBoxFolder->lineEdit();
  send(combo, QEvent::Enter);
  ASSERT_EQ(Panel0(), combo->toolTip());
  W().ShowStatus(QStringLiteral("message"));
  send(edit, QEvent::Enter);
  send(edit, QEvent::Leave);
  send(combo, QEvent::Enter);
  EXPECT_EQ(Panel0(), QStringLiteral("message"));
  send(combo, QEvent::Leave);
  send(C().CheckBoxSubFolder, QEvent::Enter);
  EXPECT_EQ(Panel0(), C().CheckBoxSubFolder->toolTip());
}
