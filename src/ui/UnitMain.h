#pragma once
// The main window.  It shows every option of a job in one control, keeps the
// four operation objects in line with the controls (Input), and hands runs
// to the run driver, for which it is the host.  It decides nothing itself:
// the rules live in the operation objects, the job model, the driver and the
// session sequences (settings, dialogs, drops, command line), for which it
// maps its controls.

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "run/RunDriver.h"
#include "ui/TMainControls.h"
#include "ui/session/SessionWindow.h"

class QMimeData;
class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;
class TSessionDialogs;
class TRunOutput;
class TWindowHost;
class TPreviewDialog;
class TEditedPlan;
class TJobWatch;
class TLivePlan;
class QTimer;

// How the window starts.
struct TStartOptions {
  // The settings file read at start and written at close (CP932).  Without
  // one, the default settings file beside the program, worked out anew at
  // start and at close.  Tests give a file of their own.
  std::optional<std::string> SettingsFile;
  // The command line without the program name: folders and files, and
  // --job NAME to start with a named job.
  QStringList Arguments;
  // The folder of the named jobs (CP932).  Without one, the jobs folder
  // beside the default settings file.  Tests give a folder of their own.
  std::optional<std::string> JobsFolder;
};

class TBunselMain : public QMainWindow, public TSessionWindow {
  Q_OBJECT
public:
  explicit TBunselMain(TStartOptions options = {}, QWidget *parent = nullptr);
  ~TBunselMain() override;

  // The named controls, for the refresh, the settings mapping and tests.
  const TMainControls &Controls() const { return c_; }

  TRenameCn &RenameCn() { return *RenameCn_; }
  TCopyCn &CopyCn() { return *CopyCn_; }
  TDeleteCn &DeleteCn() { return *DeleteCn_; }
  TChangeCn &ChangeCn() { return *ChangeCn_; }
  TRunDriver &RunDriver() { return *RunDriver_; }
  // The folder browser and the file dialogs; their calls are replaceable.
  TSessionDialogs &Dialogs() { return *Dialogs_; }

  // The refresh: hands the originating control's value to its object,
  // enables the controls that depend on it, keeps the order list normalised
  // and recomputes the preview.  nullptr: every block (full refresh).
  void Input(QObject *origin = nullptr);
  // Shows the replace condition of the selected tab.
  void TabControlReplaceChange();

  // One run for the button `sender` (one of the five run buttons).  A click
  // while a run is under way is ignored.
  void SpeedButtonClick(QObject *sender);
  void SpeedButtonClearClick();
  // The folder buttons, the open buttons and the save buttons.
  void SpeedButtonFindClick(QObject *sender);
  void SpeedButtonOpenClick(QObject *sender);
  void SpeedButtonSaveClick(QObject *sender);
  void Timer1Timer();

  // The job as the controls hold it now, and a job put into the controls
  // (followed by the full refresh).
  JobSettings ReadJob() const;
  void ShowJob(const JobSettings &job);

  // The preview of every target of a rename or copy run, with a button that
  // runs it (F5 on those pages, the menu of the sample's result, the copy
  // page's preview button).  Returns once the plan is made; the preview
  // stays open.
  void ShowPreview(RunMode mode);
  TPreviewDialog *Preview() const;
  // Runs a rename plan as it stands, names edited by hand included (the
  // preview's run button), as the run buttons run a job.
  void RunPlan(const TEditedPlan &plan);
  // 元に戻す on the log page: shows what taking back the last run of the log
  // (or, with `all`, every run of it) would do in the preview, whose run
  // button does it.  Returns once the plan is made.  Without UndoPreview
  // (tests and benchmarks timing the undo itself) it is done at once.
  void SpeedButtonUndoClick(bool all = false);
  bool UndoPreview = true;

  // Jobs kept by name (UnitMainJobs.cpp): the 設定 page's 読込 and 保存
  // offer them on their arrows, and the ジョブ button is a menu of them.
  // Loading takes the job as 読込 does; saving asks for a name when none is
  // given (AskJobName, empty for a cancel) and before it replaces a job
  // (ConfirmOverwrite), and brings the file manager's menu of the jobs up
  // to date.  Both are replaceable for tests.
  std::string JobsFolder() const;
  std::vector<std::string> NamedJobs() const;
  void LoadNamedJob(const std::string &name);
  void SaveNamedJob(std::optional<std::string> name = std::nullopt);
  std::function<QString(const QString &suggestion)> AskJobName;
  std::function<bool(const QString &question)> ConfirmOverwrite;

  // The live list's plan (UnitMainLive.cpp), made again once the edits have
  // paused for kLiveDelayMs, while the list is in view.
  TLivePlan &LivePlan() { return *LivePlan_; }
  static constexpr int kLiveDelayMs = 40;

  // Shows an error through the application's error handler (a message box
  // captioned with the application title).
  void ReportError(const QString &message);

  // First status panel.
  void ShowStatus(const QString &text);

  // The window as the session sequences see it.
  JobSettings GetJob() override;
  void SetJob(const JobSettings &job) override;
  void RefreshAfterJobLoad() override;
  THistories GetHistories() override;
  void SetHistories(const THistories &histories) override;
  bool GetCarryOver() override;
  void SetCarryOver(bool carryOver) override;
  void ShowTargetPage() override;
  void SetTargetFolder(const std::string &folder) override;
  void SetTargetFilter(const std::string &filter) override;
  std::string TargetFilter() override;
  std::optional<TWindowPlace> GetPlace() override;
  void SetPlace(const TWindowPlace &place) override;
  void SetCopyFolder(const std::string &folder) override;
  std::vector<std::string> GetLogLines() override;
  void SetLogLines(const std::vector<std::string> &lines) override;
  void SetBrowsedFolder(TFolderRole role, const std::string &folder) override;
  void SetStatusText(const std::string &text) override;

  // The drop handler: `position` in the window's coordinates.
  void DropAt(const QMimeData &data, QPoint position);

protected:
  // Drops of files and folders, onto the window or any control in it.
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dragMoveEvent(QDragMoveEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

  // FormClose: the settings file is written, and the window closes even
  // when that fails (the failure is shown).
  // Closing during a run (the walk pumps events, so the close arrives)
  // would pull the window from under the run: the run is stopped as with
  // Esc and the window closes when it has ended.
  void closeEvent(QCloseEvent *event) override;

private:
  class TInputPause;

  void ConnectInput();
  void ConnectButtons();
  void ConnectPlan();  // the preview and the undo (UnitMainPlan.cpp)
  void ConnectJobs();  // the named jobs (UnitMainJobs.cpp)
  void ConnectLive();  // the live list (UnitMainLive.cpp)
  void ScheduleLive();
  void RefreshLive();
  // The disk may have changed (a run, or another program while the window
  // was not active): the live list lists the folders again.
  void LiveListAgain();
  // The named job read into the window, as 読込 reads a file; a message
  // when there is no such job.  File errors propagate.
  std::optional<QString> ReadNamedJob(const std::string &name);
  void AcceptDrops();
  void FormCreate(const QStringList &arguments);
  // Runs one user action that may refresh several times (a drop, a tab
  // change, a loaded job) so that a pattern error shows once, at its end;
  // any error the action raises goes to the error handler.
  void Grouped(const std::function<void()> &action);
  // One run of the driver, with the host's run output around it and the
  // window's report of names passed over; a close asked for during the run
  // follows it.
  // `total`: the number of records the run will write, when known (0: not).
  void DriverRun(const std::function<TRunOutcome()> &run, std::size_t total = 0);
  void ShowPendingPreviewError();
  void RefreshOrderList();
  void RefreshPreview();
  void RefreshChangeDates(QObject *origin);

  std::unique_ptr<TRenameCn> RenameCn_;
  std::unique_ptr<TCopyCn> CopyCn_;
  std::unique_ptr<TDeleteCn> DeleteCn_;
  std::unique_ptr<TChangeCn> ChangeCn_;
  TMainControls c_;
  TRunOutput *RunOutput_ = nullptr;  // owned by the window
  std::unique_ptr<TWindowHost> Host_;
  std::unique_ptr<TRunDriver> RunDriver_;
  std::unique_ptr<TSessionDialogs> Dialogs_;
  std::optional<std::string> SettingsFile_;
  std::optional<std::string> JobsFolder_;
  bool CloseAfterRun_ = false;
  // Input does nothing while a job or a condition is being put into the
  // controls; the full refresh that follows does the work once.
  int InputPaused_ = 0;
  int ErrorGroupDepth_ = 0;
  QString PendingPreviewError_;
  QPointer<TPreviewDialog> Preview_;
  std::unique_ptr<TLivePlan> LivePlan_;
  std::unique_ptr<TJobWatch> LiveWatch_;
  QTimer *LiveTimer_ = nullptr;
};

// The status bar's word on a finished run: "成功 n 件、失敗 m 件" and the
// commonest reasons of the failures.
QString RunSummary(const TRunStats &stats);

// The preview's title: what the run will do ("コピーを作ってリネーム", "移動",
// "ごみ箱へ", ...).
QString PreviewTitle(RunMode mode, const JobSettings &job);
