#pragma once
// Every named control of the main window.  The window owns them through
// Qt's parent chain; this struct only gives them their names, so the
// refresh, the mapping to a job, the run host and (later) the settings file
// reach each control the same way.

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTabBar;
class QTabWidget;
class QTimer;
class QToolButton;
class QWidget;
class TCheckListBox;
class TLiveList;
class THistoryCombo;
class TMaskEdit;
class TMemo;
class TRadioGroup;
class TSpinEdit;
class TStatusPanels;

struct TMainControls {
  // Band 1: the file pages.
  QTabWidget *PageControlFile = nullptr;
  QWidget *TabSheetTarget = nullptr;
  QWidget *TabSheetCond = nullptr;
  QWidget *TabSheetExcept = nullptr;
  QWidget *TabSheetList = nullptr;
  QWidget *TabSheetSettings = nullptr;

  THistoryCombo *ComboBoxFolder = nullptr;
  QToolButton *SpeedButtonFindIn = nullptr;
  QCheckBox *CheckBoxSubFolder = nullptr;
  THistoryCombo *ComboBoxFilter = nullptr;
  TRadioGroup *RadioGroupFileOnly = nullptr;

  TSpinEdit *SpinEditSizeFrom = nullptr;
  TSpinEdit *SpinEditSizeTo = nullptr;
  TMaskEdit *MaskEditDateFrom = nullptr;
  TMaskEdit *MaskEditTimeFrom = nullptr;
  TMaskEdit *MaskEditDateTo = nullptr;
  TMaskEdit *MaskEditTimeTo = nullptr;

  QCheckBox *CheckBoxExcSysFile = nullptr;
  QCheckBox *CheckBoxExcHidden = nullptr;
  QCheckBox *CheckBoxExcReadOnly = nullptr;
  THistoryCombo *ComboBoxException = nullptr;

  TMemo *MemoList = nullptr;
  QToolButton *SpeedButtonList = nullptr;

  QCheckBox *CheckBoxSuccess = nullptr;
  QToolButton *SpeedButtonSettingsOpen = nullptr;
  QToolButton *SpeedButtonSettingsSave = nullptr;
  QToolButton *SpeedButtonJobs = nullptr;  // the menu of the named jobs

  // Band 2: dates, attributes, copy destination.
  QWidget *PanelMisc = nullptr;
  QCheckBox *CheckBoxUpDate = nullptr;
  TMaskEdit *MaskEditUpDate = nullptr;
  TMaskEdit *MaskEditUpTime = nullptr;
  QCheckBox *CheckBoxUpCurrent = nullptr;
  QCheckBox *CheckBoxUpDateShot = nullptr;
  QCheckBox *CheckBoxNwDate = nullptr;
  TMaskEdit *MaskEditNwDate = nullptr;
  TMaskEdit *MaskEditNwTime = nullptr;
  QCheckBox *CheckBoxNwCurrent = nullptr;
  QCheckBox *CheckBoxAcDate = nullptr;
  TMaskEdit *MaskEditAcDate = nullptr;
  TMaskEdit *MaskEditAcTime = nullptr;
  QCheckBox *CheckBoxAcCurrent = nullptr;
  QCheckBox *CheckBoxAttr = nullptr;
  QCheckBox *CheckBoxAttrSysFile = nullptr;
  QCheckBox *CheckBoxAttrHidden = nullptr;
  QCheckBox *CheckBoxAttrReadOnly = nullptr;
  QCheckBox *CheckBoxAttrArchive = nullptr;
  THistoryCombo *ComboBoxCopyFolder = nullptr;
  QToolButton *SpeedButtonFindCopy = nullptr;
  QToolButton *SpeedButtonChange = nullptr;

  // Band 3: the operation pages.
  QTabWidget *PageControlExec = nullptr;
  QWidget *TabSheetRename = nullptr;
  QWidget *TabSheetCopy = nullptr;
  QWidget *TabSheetDelete = nullptr;
  QWidget *TabSheetRestore = nullptr;

  QCheckBox *CheckBoxCopy = nullptr;
  TCheckListBox *CheckListBoxOrder = nullptr;
  QLineEdit *EditSample = nullptr;
  QLabel *StaticTextSample = nullptr;
  QToolButton *SpeedButtonRename = nullptr;
  // The job's first targets and their new names, where the window has room.
  TLiveList *LiveList = nullptr;

  QTabWidget *PageControlRename = nullptr;
  QWidget *TabSheetRepl = nullptr;
  QWidget *TabSheetSeq = nullptr;
  QWidget *TabSheetCase = nullptr;
  QWidget *TabSheet1 = nullptr;
  QWidget *TabSheetEtc = nullptr;

  QCheckBox *CheckBoxReplExt = nullptr;
  QTabBar *TabControlReplace = nullptr;
  THistoryCombo *ComboBoxFromName = nullptr;
  THistoryCombo *ComboBoxToName = nullptr;
  QCheckBox *CheckBoxNoCase = nullptr;

  QCheckBox *CheckBoxUnity = nullptr;
  TRadioGroup *RadioGroupUnity = nullptr;
  QLineEdit *EditBaseName = nullptr;
  QLineEdit *EditTemplate = nullptr;
  TSpinEdit *SpinEditSeqIndex = nullptr;
  TSpinEdit *SpinEditSeqDeg = nullptr;
  TSpinEdit *SpinEditSeqStep = nullptr;
  QComboBox *ComboBoxSeqSort = nullptr;
  QCheckBox *CheckBoxSeqName = nullptr;
  QLineEdit *EditSeqBefore = nullptr;
  QLineEdit *EditSeqAfter = nullptr;
  TRadioGroup *RadioGroupSeqAdd = nullptr;
  QCheckBox *CheckBoxSeqExt = nullptr;
  QLabel *StaticTextSeqStyle = nullptr;

  TRadioGroup *RadioGroupNameCase = nullptr;
  QCheckBox *CheckBoxNameInitial = nullptr;
  TRadioGroup *RadioGroupExtCase = nullptr;
  QCheckBox *CheckBoxExtInitial = nullptr;
  QComboBox *ComboBoxWidthAlnum = nullptr;
  QComboBox *ComboBoxWidthKana = nullptr;
  QComboBox *ComboBoxKanaKind = nullptr;
  QCheckBox *CheckBoxComposeMarks = nullptr;

  THistoryCombo *ComboBoxDateFormat = nullptr;
  QLineEdit *EditDateBefore = nullptr;
  QLineEdit *EditDateAfter = nullptr;
  TRadioGroup *RadioGroupDateAdd = nullptr;
  TRadioGroup *RadioGroupDateSource = nullptr;
  QLabel *StaticTextDateStyle = nullptr;

  QLineEdit *EditExt = nullptr;
  QCheckBox *CheckBoxResolveChains = nullptr;
  QGroupBox *GroupBoxFolder = nullptr;
  QLineEdit *EditFolderBefore = nullptr;
  QLineEdit *EditFolderAfter = nullptr;
  TRadioGroup *RadioGroupFolderAdd = nullptr;

  QComboBox *ComboBoxCopyDelete = nullptr;
  QComboBox *ComboBoxCopySame = nullptr;
  QComboBox *ComboBoxCopyOverWrite = nullptr;
  QComboBox *ComboBoxCopyAlias = nullptr;
  QCheckBox *CheckBoxKeepTree = nullptr;
  QToolButton *SpeedButtonCopy = nullptr;
  QToolButton *SpeedButtonCopyPreview = nullptr;

  QCheckBox *CheckBoxRecycled = nullptr;
  QToolButton *SpeedButtonDelete = nullptr;
  QToolButton *SpeedButtonDeletePreview = nullptr;

  QToolButton *SpeedButtonLogOpen = nullptr;
  QToolButton *SpeedButtonLogSave = nullptr;
  QToolButton *SpeedButtonUndo = nullptr;
  TMemo *MemoLog = nullptr;
  QLabel *LabelMessage = nullptr;
  QToolButton *SpeedButtonClear = nullptr;

  // Band 4.
  TStatusPanels *StatusBar1 = nullptr;
  QTimer *Timer1 = nullptr;
};
