#include "ui/UnitMain.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
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
#include "ui/TJobWatch.h"
#include "ui/TLivePlan.h"
#include "ui/TMainLayout.h"
#include "ui/TMaskEdit.h"
#include "ui/TMemo.h"
#include "ui/TRadioGroup.h"
#include "run/EditedPlan.h"
#include "ui/TRunOutput.h"
#include "ui/TSpinEdit.h"
#include "ui/TStatusPanels.h"
#include "ui/TWindowHost.h"
#include "ui/session/SessionDialogs.h"
#include "ui/session/SessionHandlers.h"
#include "ui/session/SessionText.h"
#include "ui/session/SettingsSession.h"
#include "ui/session/TKorvaneApplication.h"

// While one exists, Input does nothing (see InputPaused_).
class TBunselMain::TInputPause {
public:
  explicit TInputPause(TBunselMain &window) : window_(window) { ++window_.InputPaused_; }
  ~TInputPause() { --window_.InputPaused_; }
  TInputPause(const TInputPause &) = delete;
  TInputPause &operator=(const TInputPause &) = delete;

private:
  TBunselMain &window_;
};

namespace {

// What the window takes from a drag: local files and folders.
bool HoldsLocalFiles(const QMimeData *data) {
  if (data == nullptr || !data->hasUrls()) return false;
  for (const QUrl &url : data->urls()) {
    if (url.isLocalFile()) return true;
  }
  return false;
}

}  // namespace

TBunselMain::TBunselMain(TStartOptions options, QWidget *parent)
    : QMainWindow(parent),
      RenameCn_(std::make_unique<TRenameCn>(this)),
      CopyCn_(std::make_unique<TCopyCn>()),
      DeleteCn_(std::make_unique<TDeleteCn>()),
      ChangeCn_(std::make_unique<TChangeCn>()) {
  setWindowTitle(QStringLiteral("Korvane(Bunsel) Ver.0.86"));
  // The layout's size is the least: a larger window gives its room to the
  // run pages and the log.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
  // The desktop's font: the layout grows with it (TMainLayout::Scale).

  auto *validator = new TCp932Validator(
      [this] { ShowStatus(QStringLiteral("扱える文字の種類が上限に達したため、この文字は入力できません。")); }, this);
  c_ = TMainLayout::Build(this, validator);

  Dialogs_ = std::make_unique<TSessionDialogs>(this);
  SettingsFile_ = std::move(options.SettingsFile);
  JobsFolder_ = std::move(options.JobsFolder);
  RunOutput_ = new TRunOutput(*c_.MemoLog, *c_.MemoList, *c_.StatusBar1, this);
  Host_ = std::make_unique<TWindowHost>(*this, c_, *RenameCn_, *RunOutput_);
  RunDriver_ = std::make_unique<TRunDriver>(*Host_, *RenameCn_, *CopyCn_, *DeleteCn_, *ChangeCn_);
  new THintRelay(this, c_.StatusBar1);
  new TEscapeWatch(this, [this] { RunDriver_->Abort(); });

  ConnectInput();
  // Showing another condition sets three controls, each of which refreshes.
  connect(c_.TabControlReplace, &QTabBar::currentChanged, this,
          [this] { Grouped([this] { TabControlReplaceChange(); }); });
  ConnectButtons();
  ConnectPlan();
  ConnectJobs();
  ConnectLive();
  connect(c_.Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
  c_.Timer1->start();
  Timer1Timer();

  FormCreate(options.Arguments);

  if (QScreen *screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
}

TBunselMain::~TBunselMain() {
  // The driver and the host refer to the operation objects and the controls.
  LiveWatch_.reset();
  LivePlan_.reset();
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
        c_.CheckBoxSeqExt, c_.CheckBoxNameInitial, c_.CheckBoxExtInitial, c_.CheckBoxComposeMarks,
        c_.CheckBoxRecycled, c_.CheckBoxUpDateShot}) {
    bind(box, &QCheckBox::toggled);
  }
  for (TRadioGroup *group : {c_.RadioGroupUnity, c_.RadioGroupSeqAdd, c_.RadioGroupNameCase,
                             c_.RadioGroupExtCase, c_.RadioGroupDateAdd, c_.RadioGroupFolderAdd,
                             c_.RadioGroupDateSource}) {
    bind(group, &TRadioGroup::Click);
  }
  for (TMaskEdit *edit : {c_.MaskEditUpDate, c_.MaskEditUpTime, c_.MaskEditNwDate,
                          c_.MaskEditNwTime, c_.MaskEditAcDate, c_.MaskEditAcTime}) {
    bind(edit, &TMaskEdit::Change);
  }
  for (QLineEdit *edit : {c_.EditSample, c_.EditBaseName, c_.EditSeqBefore, c_.EditSeqAfter,
                          c_.EditDateBefore, c_.EditDateAfter, c_.EditExt, c_.EditFolderBefore,
                          c_.EditFolderAfter, c_.EditTemplate}) {
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
                           c_.ComboBoxCopyOverWrite, c_.ComboBoxCopyAlias, c_.ComboBoxWidthAlnum,
                           c_.ComboBoxWidthKana, c_.ComboBoxKanaKind}) {
    bind(combo, &QComboBox::currentIndexChanged);
  }
  bind(c_.CheckListBoxOrder, &TCheckListBox::ClickCheck);
}

void TBunselMain::ConnectButtons() {
  for (QToolButton *button : {c_.SpeedButtonList, c_.SpeedButtonRename, c_.SpeedButtonCopy,
                              c_.SpeedButtonDelete, c_.SpeedButtonChange}) {
    connect(button, &QToolButton::clicked, this, [this, button] { SpeedButtonClick(button); });
  }
  connect(c_.SpeedButtonClear, &QToolButton::clicked, this, [this] { SpeedButtonClearClick(); });
  for (QToolButton *button : {c_.SpeedButtonFindIn, c_.SpeedButtonFindCopy}) {
    connect(button, &QToolButton::clicked, this, [this, button] { SpeedButtonFindClick(button); });
  }
  for (QToolButton *button : {c_.SpeedButtonLogOpen, c_.SpeedButtonSettingsOpen}) {
    connect(button, &QToolButton::clicked, this, [this, button] { SpeedButtonOpenClick(button); });
  }
  for (QToolButton *button : {c_.SpeedButtonLogSave, c_.SpeedButtonSettingsSave}) {
    connect(button, &QToolButton::clicked, this, [this, button] { SpeedButtonSaveClick(button); });
  }
}

// The window takes drops wherever they land.  Controls that take dropped
// text themselves (edits, memos, lists) would otherwise swallow a dropped
// file as its path text, so their drags are watched and handled here.
void TBunselMain::AcceptDrops() {
  setAcceptDrops(true);
  for (QWidget *child : findChildren<QWidget *>()) {
    if (child->acceptDrops()) child->installEventFilter(this);
  }
}

// FormCreate, in its order: the settings of the last session (histories,
// the carry-over flag, and the job when carried over), drops, the first
// pages and condition 0, a named job of --job (over a carried-over one),
// the command line (which overrides the folder and filter of either), the
// current folder when there is still none, and the full refresh that hands
// every option to the operation objects.  Messages come last, so the
// refresh cannot clear or bury them.
void TBunselMain::FormCreate(const QStringList &commandLine) {
  const TStartArguments start = SplitStartArguments(commandLine);
  const QStringList &arguments = start.Paths;
  ++ErrorGroupDepth_;
  QStringList errors;
  try {
    if (std::optional<std::string> error = ReadStartupSettings(*this, SettingsFile_)) {
      errors << QFromCp932(*error);
    }
  } catch (...) {
    errors << ExceptionMessage(std::current_exception());
  }
  AcceptDrops();
  c_.PageControlFile->setCurrentIndex(0);
  c_.PageControlExec->setCurrentIndex(0);
  c_.PageControlRename->setCurrentIndex(0);
  {
    const TInputPause pause(*this);
    c_.TabControlReplace->setCurrentIndex(0);
    TabControlReplaceChange();
  }
  if (!start.Error.isEmpty()) errors << start.Error;
  if (start.Job) {
    try {
      // A name that lost characters here names no job, and is said so.
      if (std::optional<QString> missing = ReadNamedJob(ToCp932Lossy(*start.Job))) errors << *missing;
    } catch (...) {
      errors << ExceptionMessage(std::current_exception());
    }
  }
  std::string skipped;
  try {
    skipped = ApplyStartupArguments(*this, arguments);
  } catch (...) {
    errors << ExceptionMessage(std::current_exception());
  }
  Input(nullptr);
  if (!skipped.empty()) SetStatusText(skipped);
  for (const QString &error : errors) ReportError(error);
  --ErrorGroupDepth_;
  ShowPendingPreviewError();
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
  DriverRun([&] { return RunDriver_->SpeedButtonClick(mode); });
}

void TBunselMain::RunPlan(const TEditedPlan &plan) {
  DriverRun([&] { return RunDriver_->RunEditedPlan(plan); }, plan.RowsToRun());
}

void TBunselMain::DriverRun(const std::function<TRunOutcome()> &run, std::size_t total) {
  // The walk pumps events, so a second click can arrive during a run; the
  // driver refuses it as Busy and nothing happens.
  if (RunDriver_->IsRunning()) return;
  RunGuarded([&] {
    TRunOutcome outcome;
    Host_->BeginRun(total);
    try {
      outcome = run();
    } catch (...) {
      Host_->EndRun();
      LiveListAgain();
      throw;
    }
    Host_->EndRun();
    if (outcome == TRunOutcome::Refused || outcome == TRunOutcome::Busy) return;
    LiveListAgain();
    const TRunStats &stats = RunDriver_->Stats();
    QString summary;
    if (stats.Records > 0) summary = RunSummary(stats);
    if (stats.Unrepresentable > 0) {
      if (!summary.isEmpty()) summary += QStringLiteral("  ");
      summary += QStringLiteral("Shift-JIS で表せない名前の %1 件は対象外としました。").arg(stats.Unrepresentable);
    }
    if (!summary.isEmpty()) ShowStatus(summary);
    // A run with failures shows where the first one is.
    if (const std::optional<int> row = RunOutput_->FirstFailureRow()) {
      Host_->ShowLogPage();
      c_.MemoLog->selectRow(*row);
      c_.MemoLog->scrollTo(c_.MemoLog->model()->index(*row, 0), QAbstractItemView::PositionAtCenter);
    }
  });
  if (CloseAfterRun_) {
    CloseAfterRun_ = false;
    close();
  }
}

QString RunSummary(const TRunStats &stats) {
  QString summary = QStringLiteral("成功 %1 件、失敗 %2 件").arg(stats.Records - stats.FailedRecords).arg(stats.FailedRecords);
  // The commonest reasons, in the order first met.
  QStringList reasons;
  for (const auto &[reason, count] : stats.FailureReasons) {
    if (reasons.size() == 3) {
      reasons << QStringLiteral("ほか");
      break;
    }
    reasons << QStringLiteral("%1 %2 件").arg(QFromCp932(reason)).arg(count);
  }
  if (!reasons.isEmpty()) summary += QStringLiteral(" (") + reasons.join(QStringLiteral("、")) + QStringLiteral(")");
  return summary;
}

void TBunselMain::closeEvent(QCloseEvent *event) {
  if (RunDriver_->IsRunning()) {
    CloseAfterRun_ = true;
    RunDriver_->Abort();
    event->ignore();
    return;
  }
  WriteSettingsOnClose(*this, SettingsFile_);
  QMainWindow::closeEvent(event);
}

void TBunselMain::SpeedButtonClearClick() { RunOutput_->ClearLog(); }

void TBunselMain::Timer1Timer() {
  c_.StatusBar1->SetPanelText(
      1, QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd hh:mm:ss")));
}

JobSettings TBunselMain::ReadJob() const { return ReadJobFromControls(c_, *RenameCn_); }

void TBunselMain::ShowJob(const JobSettings &job) {
  SetJob(job);
  Input(nullptr);
}

void TBunselMain::ReportError(const QString &message) { ShowErrorMessage(message); }

void TBunselMain::ShowStatus(const QString &text) { c_.StatusBar1->SetPanelText(0, text); }

void TBunselMain::Grouped(const std::function<void()> &action) {
  ++ErrorGroupDepth_;
  RunGuarded(action);
  --ErrorGroupDepth_;
  ShowPendingPreviewError();
}

void TBunselMain::ShowPendingPreviewError() {
  if (ErrorGroupDepth_ > 0 || PendingPreviewError_.isEmpty()) return;
  const QString message = PendingPreviewError_;
  PendingPreviewError_.clear();
  ReportError(message);
}

void TBunselMain::SpeedButtonFindClick(QObject *sender) {
  const TFolderRole role = sender == c_.SpeedButtonFindCopy ? TFolderRole::CopyDestination
                                                             : TFolderRole::Target;
  Grouped([&] { BrowseFolderClick(*this, *Dialogs_, role); });
}

void TBunselMain::SpeedButtonOpenClick(QObject *sender) {
  const bool settings = sender == c_.SpeedButtonSettingsOpen;
  // A job loaded in the middle of a run would change the running
  // operation's options from one target to the next; like a second run, it
  // waits until the run has ended.
  if (settings && RunDriver_->IsRunning()) return;
  Grouped([&] {
    OpenFileClick(*this, *Dialogs_, settings ? TFileRole::Settings : TFileRole::Log);
  });
}

void TBunselMain::SpeedButtonSaveClick(QObject *sender) {
  const TFileRole role =
      sender == c_.SpeedButtonSettingsSave ? TFileRole::Settings : TFileRole::Log;
  Grouped([&] { SaveFileClick(*this, *Dialogs_, role); });
}

// --- The window as the session sequences see it.

JobSettings TBunselMain::GetJob() { return ReadJob(); }

void TBunselMain::SetJob(const JobSettings &job) {
  const TInputPause pause(*this);
  WriteJobToControls(job, c_, *RenameCn_);
}

void TBunselMain::RefreshAfterJobLoad() {
  {
    const TInputPause pause(*this);
    c_.TabControlReplace->setCurrentIndex(0);
    TabControlReplaceChange();
  }
  Input(nullptr);
}

THistories TBunselMain::GetHistories() {
  THistories h;
  h.Folder = c_.ComboBoxFolder->Items();
  h.CopyFolder = c_.ComboBoxCopyFolder->Items();
  h.Filter = c_.ComboBoxFilter->Items();
  h.Exception = c_.ComboBoxException->Items();
  h.FromName = c_.ComboBoxFromName->Items();
  h.ToName = c_.ComboBoxToName->Items();
  return h;
}

void TBunselMain::SetHistories(const THistories &histories) {
  c_.ComboBoxFolder->SetItems(histories.Folder);
  c_.ComboBoxCopyFolder->SetItems(histories.CopyFolder);
  c_.ComboBoxFilter->SetItems(histories.Filter);
  c_.ComboBoxException->SetItems(histories.Exception);
  c_.ComboBoxFromName->SetItems(histories.FromName);
  c_.ComboBoxToName->SetItems(histories.ToName);
}

bool TBunselMain::GetCarryOver() { return c_.CheckBoxSuccess->isChecked(); }

void TBunselMain::SetCarryOver(bool carryOver) { c_.CheckBoxSuccess->setChecked(carryOver); }

void TBunselMain::ShowTargetPage() { c_.PageControlFile->setCurrentWidget(c_.TabSheetTarget); }

void TBunselMain::SetTargetFolder(const std::string &folder) {
  {
    const TInputPause pause(*this);
    c_.ComboBoxFolder->SetText(folder);
  }
  Input(c_.ComboBoxFolder);
}

void TBunselMain::SetTargetFilter(const std::string &filter) {
  c_.ComboBoxFilter->SetText(filter);
  Input(c_.ComboBoxFilter);
}

std::string TBunselMain::TargetFilter() { return c_.ComboBoxFilter->Text(); }

std::optional<TWindowPlace> TBunselMain::GetPlace() {
  // A maximised window keeps the size it goes back to.
  const QRect normal = isMaximized() ? normalGeometry() : geometry();
  if (normal.width() <= 0 || normal.height() <= 0) return std::nullopt;
  // move() places the frame, which pos() gives.
  const QPoint at = isMaximized() ? normal.topLeft() : pos();
  return TWindowPlace{at.x(), at.y(), normal.width(), normal.height(), isMaximized()};
}

void TBunselMain::SetPlace(const TWindowPlace &place) {
  // Never smaller than the layout; the window manager may still place it
  // elsewhere (some desktops let no program choose its place).
  resize(std::max(place.Width, minimumWidth()), std::max(place.Height, minimumHeight()));
  move(place.Left, place.Top);
  if (place.Maximized) setWindowState(windowState() | Qt::WindowMaximized);
}

void TBunselMain::SetCopyFolder(const std::string &folder) {
  c_.ComboBoxCopyFolder->SetText(folder);
}

std::vector<std::string> TBunselMain::GetLogLines() {
  RunOutput_->Flush();
  return c_.MemoLog->Lines();
}

void TBunselMain::SetLogLines(const std::vector<std::string> &lines) {
  RunOutput_->ClearLog();
  c_.MemoLog->SetLines(lines);
}

void TBunselMain::SetBrowsedFolder(TFolderRole role, const std::string &folder) {
  const bool target = role == TFolderRole::Target;
  {
    const TInputPause pause(*this);
    (target ? c_.ComboBoxFolder : c_.ComboBoxCopyFolder)->SetText(folder);
  }
  Input(target ? c_.SpeedButtonFindIn : c_.SpeedButtonFindCopy);
}

void TBunselMain::SetStatusText(const std::string &text) { ShowStatus(Q(text)); }

// --- Drops.

void TBunselMain::DropAt(const QMimeData &data, QPoint position) {
  // The band rule measures from the top of the file page control, with the
  // heights the two upper bands really have.
  const int y = position.y() - c_.PageControlFile->mapTo(this, QPoint(0, 0)).y();
  Grouped([&] {
    DropFiles(*this, data, y, c_.PageControlFile->height(), c_.PanelMisc->height());
  });
}

void TBunselMain::dragEnterEvent(QDragEnterEvent *event) {
  if (HoldsLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TBunselMain::dragMoveEvent(QDragMoveEvent *event) {
  if (HoldsLocalFiles(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TBunselMain::dropEvent(QDropEvent *event) {
  if (!HoldsLocalFiles(event->mimeData())) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  DropAt(*event->mimeData(), event->position().toPoint());
}

bool TBunselMain::eventFilter(QObject *watched, QEvent *event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto *drag = static_cast<QDropEvent *>(event);
  auto *widget = qobject_cast<QWidget *>(watched);
  if (widget == nullptr || !HoldsLocalFiles(drag->mimeData())) {
    return QMainWindow::eventFilter(watched, event);
  }
  drag->acceptProposedAction();
  if (type == QEvent::Drop) {
    DropAt(*drag->mimeData(), widget->mapTo(this, drag->position().toPoint()));
  }
  return true;
}
