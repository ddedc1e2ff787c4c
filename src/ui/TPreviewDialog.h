#pragma once
// The preview of every target of a run: the plan of the run (what each
// target would become, or what would be done to it) in one list, the
// predicted failures marked and counted at the top, and a button that runs
// the job.  The plan runs on the window's thread like a run, pumping
// events: a progress bar moves, and Esc stops it.
//
// The list can be sorted by a column and narrowed by a text.  A rename's
// new names can be edited in place (F2 or a double click); each edit checks
// the whole plan again, and the run button then runs exactly the plan as
// shown, edits included.

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "run/RunDriver.h"
#include "run/RunMode.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;
class TEditedPlan;
class TPlanSink;
class TPlanTableModel;

class TPreviewDialog : public QDialog {
  Q_OBJECT
public:
  // `targetFolder` (CP932) is cut from the paths shown; `run` is what the
  // run button does once the dialog has closed, given the plan as edited
  // for a rename (nullptr for a copy, which runs the job again).
  // `makeCopy`: a rename makes renamed copies.
  using TRun = std::function<void(std::unique_ptr<TEditedPlan> plan)>;
  TPreviewDialog(QWidget *parent, TRunDriver &driver, RunMode mode, const std::string &targetFolder,
                 bool makeCopy, TRun run);
  // Any other plan the driver makes into a sink (the undo's), under `title`;
  // its rows are shown as they are, not edited.
  using TPlanner = std::function<TRunOutcome(TPlanSink &sink)>;
  TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                 const std::string &targetFolder, std::function<void()> run);
  ~TPreviewDialog() override;

  // Plans the run and shows it; errors go on to the caller.
  TRunOutcome Plan();

  bool Planning() const { return Planning_; }
  std::size_t Records() const;
  std::size_t Failures() const;
  std::size_t Edits() const;
  QString Summary() const;
  QTableView *Table() const { return Table_; }
  QLineEdit *Filter() const { return Filter_; }
  // The plan's rows, as the table's model maps them.
  TPlanTableModel *Model() const { return Model_.get(); }
  // F2 or a double click: edits the new name of the row of `index`.
  void EditName(const QModelIndex &index);
  QPushButton *RunButton() const { return RunButton_; }
  QProgressBar *Progress() const { return Progress_; }

protected:
  // Esc: stops a plan under way; otherwise closes, as dialogs do.
  void reject() override;
  void closeEvent(QCloseEvent *event) override;

private:
  class TSink;
  // What both kinds of plan share.
  TPreviewDialog(QWidget *parent, TRunDriver &driver, const QString &title, TPlanner planner,
                 const std::string &targetFolder, TRun run, bool editable, bool makeCopy);
  void ShowCount();
  void ShowCounted();

  TRunDriver &Driver_;
  TPlanner Planner_;
  TRun Run_;
  // A rename's plan, whose new names can be edited; `MakeCopy_`: into
  // renamed copies.
  bool Editable_;
  bool MakeCopy_;
  std::unique_ptr<TPlanTableModel> Model_;
  std::unique_ptr<TSink> Sink_;
  QSortFilterProxyModel *Proxy_ = nullptr;
  QLineEdit *Filter_ = nullptr;
  QLabel *Summary_ = nullptr;
  QLabel *Hint_ = nullptr;
  QProgressBar *Progress_ = nullptr;
  QTableView *Table_ = nullptr;
  QPushButton *RunButton_ = nullptr;
  QPushButton *CloseButton_ = nullptr;
  bool Planning_ = false;
  bool CloseAfterPlan_ = false;
};
