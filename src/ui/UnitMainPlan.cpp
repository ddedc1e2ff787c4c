// The window's way to the plan of a run and to the undo of the last run:
// F5 and a menu entry on the rename page's sample result, a button on the
// copy page, and 元に戻す on the log page.  Everything is placed in room the
// layout left free.

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "run/RunUndo.h"
#include "ui/TWindowHost.h"
#include "ui/QtText.h"
#include "ui/TPreviewDialog.h"
#include "ui/UnitMain.h"
#include "ui/session/TKorvaneApplication.h"

void TBunselMain::ConnectPlan() {
  auto *f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
  f5->setContext(Qt::WindowShortcut);
  connect(f5, &QShortcut::activated, this, [this] {
    QWidget *page = c_.PageControlExec->currentWidget();
    if (page == c_.TabSheetRename) ShowPreview(RunMode::Rename);
    else if (page == c_.TabSheetCopy) ShowPreview(RunMode::Copy);
  });
  connect(c_.StaticTextSample, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
    QMenu menu(this);
    QAction *preview = menu.addAction(QStringLiteral("全対象をプレビュー"));
    preview->setShortcut(QKeySequence(Qt::Key_F5));
    if (menu.exec(c_.StaticTextSample->mapToGlobal(at)) == preview) ShowPreview(RunMode::Rename);
  });
  connect(c_.SpeedButtonCopyPreview, &QToolButton::clicked, this, [this] { ShowPreview(RunMode::Copy); });
  connect(c_.SpeedButtonUndo, &QToolButton::clicked, this, [this] { SpeedButtonUndoClick(); });
  // Every run of the log, newest first, from the button's menu.
  auto *undoMenu = new QMenu(c_.SpeedButtonUndo);
  QAction *all = undoMenu->addAction(QStringLiteral("すべて元に戻す"));
  all->setToolTip(QStringLiteral("ログのすべての実行を、新しいものから元に戻します。"));
  connect(all, &QAction::triggered, this, [this] { SpeedButtonUndoClick(true); });
  c_.SpeedButtonUndo->setMenu(undoMenu);
  c_.SpeedButtonUndo->setPopupMode(QToolButton::MenuButtonPopup);
}

TPreviewDialog *TBunselMain::Preview() const { return Preview_; }

void TBunselMain::ShowPreview(RunMode mode) {
  if (RunDriver_->IsRunning()) return;
  if (Preview_) Preview_->close();
  QToolButton *button = mode == RunMode::Copy ? c_.SpeedButtonCopy : c_.SpeedButtonRename;
  // The run starts once the preview has gone, from the window's own loop.
  auto run = [this, button] {
    QTimer::singleShot(0, this, [this, button] { SpeedButtonClick(button); });
  };
  auto *dialog = new TPreviewDialog(this, *RunDriver_, mode, ReadJob().FindFile.Folder, run);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  Preview_ = dialog;
  dialog->show();
  TRunOutcome outcome = TRunOutcome::Refused;
  const bool ok = RunGuarded([&] { outcome = dialog->Plan(); });
  // A refused job says why in the status bar, with the focus on the control
  // to correct, as a refused run does; there is nothing to preview.
  if (Preview_ && (!ok || outcome == TRunOutcome::Refused || outcome == TRunOutcome::Busy)) Preview_->close();
}

void TBunselMain::SpeedButtonUndoClick(bool all) {
  if (RunDriver_->IsRunning()) return;
  // The lines planned are the lines taken back, whatever the log box holds
  // by the time the run button is pressed.
  const std::vector<std::string> lines = GetLogLines();
  TUndoOptions options;
  options.All = all;
  // A second press goes on with the run the first one was taking back,
  // never takes back the undo itself.
  options.SkipUndoRuns = true;
  auto undo = [this, lines, options] {
    TUndoStats stats;
    // The driver says in the status bar what was done, or why nothing was.
    // Its lines go out as a run's do, gathered for the repaint clock.
    RunGuarded([&] {
      Host_->BeginRun();
      try {
        RunDriver_->UndoRun(lines, options, stats);
      } catch (...) {
        Host_->EndRun();
        throw;
      }
      Host_->EndRun();
    });
  };
  if (!UndoPreview) {
    undo();
    return;
  }
  if (Preview_) Preview_->close();
  auto planner = [this, lines, options](TPlanSink &sink) {
    TUndoOptions plan = options;
    plan.Plan = true;
    plan.PlanSink = &sink;
    TUndoStats stats;
    return RunDriver_->UndoRun(lines, plan, stats);
  };
  auto run = [this, undo] { QTimer::singleShot(0, this, undo); };
  auto *dialog = new TPreviewDialog(this, *RunDriver_,
                                    all ? QStringLiteral("すべて元に戻すプレビュー")
                                        : QStringLiteral("元に戻すプレビュー"),
                                    planner, ReadJob().FindFile.Folder, run);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  Preview_ = dialog;
  dialog->show();
  TRunOutcome outcome = TRunOutcome::Refused;
  const bool ok = RunGuarded([&] { outcome = dialog->Plan(); });
  // Nothing to take back, or a log that names no run: the status bar says
  // so, and there is no plan to show.
  if (Preview_ && (!ok || outcome == TRunOutcome::Refused || outcome == TRunOutcome::Busy ||
                   (outcome == TRunOutcome::Finished && Preview_->Records() == 0)))
    Preview_->close();
}
