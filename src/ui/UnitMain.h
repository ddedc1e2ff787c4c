#pragma once
// The main window.  It shows every option of a job in one control, keeps the
// four operation objects in line with the controls (Input), and hands runs
// to the run driver, for which it is the host.  It decides nothing itself:
// the rules live in the operation objects, the job model and the driver.

#include <QMainWindow>

#include <functional>
#include <memory>

#include "run/RunDriver.h"
#include "ui/TMainControls.h"

class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;
class TWindowHost;
struct JobSettings;

class TBunselMain : public QMainWindow {
  Q_OBJECT
public:
  explicit TBunselMain(QWidget *parent = nullptr);
  ~TBunselMain() override;

  // The named controls, for the refresh, the settings mapping and tests.
  const TMainControls &Controls() const { return c_; }

  TRenameCn &RenameCn() { return *RenameCn_; }
  TCopyCn &CopyCn() { return *CopyCn_; }
  TDeleteCn &DeleteCn() { return *DeleteCn_; }
  TChangeCn &ChangeCn() { return *ChangeCn_; }
  TRunDriver &RunDriver() { return *RunDriver_; }

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
  void Timer1Timer();

  // The job as the controls hold it now, and a job put into the controls
  // (followed by the full refresh).
  JobSettings ReadJob() const;
  void ShowJob(const JobSettings &job);

  // Errors that end what they interrupted are shown here: by default in a
  // message box captioned with the application title.  Replaceable, so that
  // the application-wide error handler (and tests) can take them over.
  using TErrorReport = std::function<void(const QString &message)>;
  void SetErrorReport(TErrorReport report) { ErrorReport_ = std::move(report); }
  void ReportError(const QString &message);

  // First status panel.
  void ShowStatus(const QString &text);

protected:
  // Closing during a run (the walk pumps events, so the close arrives)
  // would pull the window from under the run: the run is stopped as with
  // Esc and the window closes when it has ended.
  void closeEvent(QCloseEvent *event) override;

private:
  void ConnectInput();
  void StartUp();
  void RefreshOrderList();
  void RefreshPreview();
  void RefreshChangeDates(QObject *origin);

  std::unique_ptr<TRenameCn> RenameCn_;
  std::unique_ptr<TCopyCn> CopyCn_;
  std::unique_ptr<TDeleteCn> DeleteCn_;
  std::unique_ptr<TChangeCn> ChangeCn_;
  TMainControls c_;
  std::unique_ptr<TWindowHost> Host_;
  std::unique_ptr<TRunDriver> RunDriver_;
  TErrorReport ErrorReport_;
  bool CloseAfterRun_ = false;
};
