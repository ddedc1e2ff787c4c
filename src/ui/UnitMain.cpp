#include "ui/UnitMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "ui/QtText.h"
#include "ui/TCheckListBox.h"
#include "ui/TCp932Validator.h"
#include "ui/TEscapeWatch.h"
#include "ui/THintRelay.h"
#include "ui/THistoryCombo.h"
#include "ui/TJobControls.h"
#include "ui/TMainLayout.h"
#include "ui/TMaskEdit.h"
#include "ui/TRadioGroup.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"
#include "ui/TWindowHost.h"

TBunselMain::TBunselMain(QWidget *parent)
    : QMainWindow(parent),
      RenameCn_(std::make_unique<TRenameCn>(this)),
      CopyCn_(std::make_unique<TCopyCn>()),
      DeleteCn_(std::make_unique<TDeleteCn>()),
      ChangeCn_(std::make_unique<TChangeCn>()) {
  setWindowTitle(QStringLiteral("Korvane(Bunsel) Ver.0.86"));
  // Fixed size: title, system menu and minimise, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  QFont font(QStringList{QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                         QStringLiteral("Noto Sans JP")});
  font.setPixelSize(12);
  setFont(font);

  auto *validator = new TCp932Validator(
      [this] { ShowStatus(QStringLiteral("シフトJISで表せない文字は入力できません。")); }, this);
  c_ = TMainLayout::Build(this, validator);
  setFixedSize(TMainLayout::kClientWidth, TMainLayout::kClientHeight);

  Host_ = std::make_unique<TWindowHost>(c_, *RenameCn_);
  RunDriver_ = std::make_unique<TRunDriver>(*Host_, *RenameCn_, *CopyCn_, *DeleteCn_, *ChangeCn_);
  new THintRelay(this, c_.StatusBar1);
  new TEscapeWatch(this, [this] { RunDriver_->Abort(); });

  ConnectInput();
  connect(c_.TabControlReplace, &QTabBar::currentChanged, this,
          [this] { TabControlReplaceChange(); });
  for (QToolButton *button : {c_.SpeedButtonList, c_.SpeedButtonRename, c_.SpeedButtonCopy,
                              c_.SpeedButtonDelete, c_.SpeedButtonChange}) {
    connect(button, &QToolButton::clicked, this, [this, button] { SpeedButtonClick(button); });
  }
  connect(c_.SpeedButtonClear, &QToolButton::clicked, this, [this] { SpeedButtonClearClick(); });
  connect(c_.Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  c_.Timer1->start();
  Timer1Timer();

  StartUp();

  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TBunselMain::~TBunselMain() {
  // The driver and the host refer to the operation objects and the controls.
  RunDriver_.reset();
  Host_.reset();
}

// The controls bound to the refresh; the others are read only when a run
// starts (or, for CheckBoxSuccess, at shutdown).
void TBunselMain::ConnectInput() {
  auto bind = [this](auto *control, auto signal) {
    connect(control, signal, this, [this, control] { Input(control); });
  };
  for (QCheckBox *box :
       {c_.CheckBoxUpDate, c_.CheckBoxUpCurrent, c_.CheckBoxNwDate, c_.CheckBoxNwCurrent,
        c_.CheckBoxAcDate, c_.CheckBoxAcCurrent, c_.CheckBoxAttr, c_.CheckBoxAttrSysFile,
        c_.CheckBoxAttrHidden, c_.CheckBoxAttrReadOnly, c_.CheckBoxAttrArchive, c_.CheckBoxCopy,
        c_.CheckBoxReplExt, c_.CheckBoxNoCase, c_.CheckBoxUnity, c_.CheckBoxSeqName,
        c_.CheckBoxSeqExt, c_.CheckBoxNameInitial, c_.CheckBoxExtInitial, c_.CheckBoxRecycled}) {
    bind(box, &QCheckBox::toggled);
  }
  for (TRadioGroup *group : {c_.RadioGroupUnity, c_.RadioGroupSeqAdd, c_.RadioGroupNameCase,
                             c_.RadioGroupExtCase, c_.RadioGroupDateAdd, c_.RadioGroupFolderAdd}) {
    bind(group, &TRadioGroup::Click);
  }
  for (TMaskEdit *edit : {c_.MaskEditUpDate, c_.MaskEditUpTime, c_.MaskEditNwDate,
                          c_.MaskEditNwTime, c_.MaskEditAcDate, c_.MaskEditAcTime}) {
    bind(edit, &TMaskEdit::Change);
  }
  for (QLineEdit *edit : {c_.EditSample, c_.EditBaseName, c_.EditSeqBefore, c_.EditSeqAfter,
                          c_.EditDateBefore, c_.EditDateAfter, c_.EditExt, c_.EditFolderBefore,
                          c_.EditFolderAfter}) {
    bind(edit, &QLineEdit::textChanged);
  }
  for (TSpinEdit *spin : {c_.SpinEditSeqIndex, c_.SpinEditSeqStep, c_.SpinEditSeqDeg}) {
    bind(spin, &QSpinBox::valueChanged);
  }
  for (THistoryCombo *combo :
       {c_.ComboBoxFolder, c_.ComboBoxFromName, c_.ComboBoxToName, c_.ComboBoxDateFormat}) {
    bind(combo, &THistoryCombo::Change);
  }
  for (QComboBox *combo : {c_.ComboBoxSeqSort, c_.ComboBoxCopyDelete, c_.ComboBoxCopySame,
                           c_.ComboBoxCopyOverWrite, c_.ComboBoxCopyAlias}) {
    bind(combo, &QComboBox::currentIndexChanged);
  }
  bind(c_.CheckListBoxOrder, &TCheckListBox::ClickCheck);
}

// What the window does once its controls exist: first pages in front,
// condition 0 on show, a target folder, and the full refresh that hands
// every option to the operation objects.  The settings file and the command
// line come in before the folder default.
void TBunselMain::StartUp() {
  c_.PageControlFile->setCurrentIndex(0);
  c_.PageControlExec->setCurrentIndex(0);
  c_.PageControlRename->setCurrentIndex(0);
  c_.TabControlReplace->setCurrentIndex(0);
  TabControlReplaceChange();
  if (c_.ComboBoxFolder->currentText().isEmpty()) {
    c_.ComboBoxFolder->setEditText(QDir::toNativeSeparators(QDir::currentPath()));
  }
  Input(nullptr);
}

void TBunselMain::TabControlReplaceChange() {
  const int i = c_.TabControlReplace->currentIndex();
  c_.ComboBoxFromName->SetText(RenameCn_->GetFromName(i));
  c_.ComboBoxToName->SetText(RenameCn_->GetToName(i));
  c_.CheckBoxNoCase->setChecked(RenameCn_->GetNoCase(i));
}

void TBunselMain::SpeedButtonClick(QObject *sender) {
  RunMode mode;
  if (sender == c_.SpeedButtonList) {
    mode = RunMode::List;
  } else if (sender == c_.SpeedButtonRename) {
    mode = RunMode::Rename;
  } else if (sender == c_.SpeedButtonCopy) {
    mode = RunMode::Copy;
  } else if (sender == c_.SpeedButtonDelete) {
    mode = RunMode::Delete;
  } else if (sender == c_.SpeedButtonChange) {
    mode = RunMode::Change;
  } else {
    return;
  }
  // The walk pumps events, so a second click can arrive during a run; the
  // driver refuses it as Busy and nothing happens.
  if (RunDriver_->IsRunning()) return;
  try {
    const TRunOutcome outcome = RunDriver_->SpeedButtonClick(mode);
    const std::size_t skipped = RunDriver_->Stats().Unrepresentable;
    if (outcome != TRunOutcome::Refused && outcome != TRunOutcome::Busy && skipped > 0) {
      ShowStatus(QStringLiteral("Shift-JIS で表せない名前の %1 件は対象外としました。")
                     .arg(skipped));
    }
  } catch (const EKorvaneError &error) {
    ReportError(Q(error.Message()));
  } catch (const std::exception &error) {
    ReportError(QString::fromLocal8Bit(error.what()));
  }
  if (CloseAfterRun_) {
    CloseAfterRun_ = false;
    close();
  }
}

void TBunselMain::closeEvent(QCloseEvent *event) {
  if (RunDriver_->IsRunning()) {
    CloseAfterRun_ = true;
    RunDriver_->Abort();
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TBunselMain::SpeedButtonClearClick() { c_.MemoLog->clear(); }

void TBunselMain::Timer1Timer() {
  c_.StatusBar1->SetPanelText(
      1, QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
}

JobSettings TBunselMain::ReadJob() const { return ReadJobFromControls(c_, *RenameCn_); }

void TBunselMain::ShowJob(const JobSettings &job) {
  WriteJobToControls(job, c_, *RenameCn_);
  Input(nullptr);
}

void TBunselMain::ReportError(const QString &message) {
  // An error during a run would otherwise leave the hourglass.
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  if (ErrorReport_) {
    ErrorReport_(message);
    return;
  }
  QString text = message;
  if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
  QMessageBox::critical(this, QApplication::applicationName(), text);
}

void TBunselMain::ShowStatus(const QString &text) { c_.StatusBar1->SetPanelText(0, text); }
