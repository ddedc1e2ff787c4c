#pragma once
// The preview of every target of a run: the plan of the run (what each
// target would become, or what would be done to it) in one list, the
// predicted failures marked and counted at the top, and a button that runs
// the job.  The plan runs on the window's thread like a run, pumping
// events: a progress bar moves, and Esc stops it.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "run/RunDriver.h"
#include "run/RunMode.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class TPlanSink;
class TPlanTableModel;

class TPreviewDialog : public QDialog {
  Q_OBJECT
public:
  // `targetFolder` (CP932) is cut from the paths shown; `run` is what the
  // run button does once the dialog has closed.
  TPreviewDialog(QWidget *parent, TRunDriver &driver, RunMode mode, const std::string &targetFolder,
                 std::function<void()> run);
  // Any other plan the driver makes into a sink (the undo's), under `title`.
  using TPlanner = std::function<TRunOutcome(TPlanSink &sink)>;
  TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                 const std::string &targetFolder, std::function<void()> run);
  ~TPreviewDialog() override;

  // Plans the run and shows it; errors go on to the caller.
  TRunOutcome Plan();

  bool Planning() const { return Planning_; }
  std::size_t Records() const;
  std::size_t Failures() const;
  QString Summary() const;
  QTableView *Table() const { return Table_; }
  QPushButton *RunButton() const { return RunButton_; }
  QProgressBar *Progress() const { return Progress_; }

protected:
  // Esc: stops a plan under way; otherwise closes, as dialogs do.
  void reject() override;
  void closeEvent(QCloseEvent *event) override;

private:
  class TSink;
  void ShowCount();

  TRunDriver &Driver_;
  TPlanner Planner_;
  std::function<void()> Run_;
  std::unique_ptr<TPlanTableModel> Model_;
  std::unique_ptr<TSink> Sink_;
  QLabel *Summary_ = nullptr;
  QLabel *Hint_ = nullptr;
  QProgressBar *Progress_ = nullptr;
  QTableView *Table_ = nullptr;
  QPushButton *RunButton_ = nullptr;
  QPushButton *CloseButton_ = nullptr;
  bool Planning_ = false;
  bool CloseAfterPlan_ = false;
};
