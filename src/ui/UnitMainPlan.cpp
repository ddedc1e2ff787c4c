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

#include "run/EditedPlan.h"
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
    else if (page == c_.TabSheetDelete) ShowPreview(RunMode::Delete);
    // On the log page the preview is the change's: its button has no page.
    else ShowPreview(RunMode::Change);
  });
  connect(c_.StaticTextSample, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
    QMenu menu(this);
    QAction *preview = menu.addAction(QStringLiteral("全対象をプレビュー"));
    preview->setShortcut(QKeySequence(Qt::Key_F5));
    if (menu.exec(c_.StaticTextSample->mapToGlobal(at)) == preview) ShowPreview(RunMode::Rename);
  });
  connect(c_.SpeedButtonCopyPreview, &QToolButton::clicked, this, [this] { ShowPreview(RunMode::Copy); });
  connect(c_.SpeedButtonDeletePreview, &QToolButton::clicked, this, [this] { ShowPreview(RunMode::Delete); });
  // The change's button sits on the options panel, with no room beside it:
  // its preview is on the button's menu.
  auto *changeMenu = new QMenu(c_.SpeedButtonChange);
  QAction *changePreview = changeMenu->addAction(QStringLiteral("全対象をプレビュー"));
  connect(changePreview, &QAction::triggered, this, [this] { ShowPreview(RunMode::Change); });
  c_.SpeedButtonChange->setMenu(changeMenu);
  c_.SpeedButtonChange->setPopupMode(QToolButton::MenuButtonPopup);
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

QString PreviewTitle(RunMode mode, const JobSettings &job) {
  QString what;
  switch (mode) {
  case RunMode::Rename:
    what = job.Rename.Copy ? QStringLiteral("コピーを作ってリネーム") : QStringLiteral("リネーム");
    break;
  case RunMode::Copy:
    // "全てしない" keeps the sources; the others remove them: a move.
    what = job.Copy.Delete == 1 ? QStringLiteral("コピー") : QStringLiteral("移動");
    break;
  case RunMode::Delete: what = job.Delete.Recycled ? QStringLiteral("ごみ箱へ") : QStringLiteral("削除"); break;
  case RunMode::Change: what = QStringLiteral("日時と属性の変更"); break;
  case RunMode::List: what = QStringLiteral("リスト"); break;
  }
  return what + QStringLiteral("のプレビュー");
}

void TBunselMain::ShowPreview(RunMode mode) {
  if (RunDriver_->IsRunning()) return;
  if (Preview_) Preview_->close();
  QToolButton *button = mode == RunMode::Copy     ? c_.SpeedButtonCopy
                        : mode == RunMode::Delete ? c_.SpeedButtonDelete
                        : mode == RunMode::Change ? c_.SpeedButtonChange
                                                  : c_.SpeedButtonRename;
  // The run starts once the preview has gone, from the window's own loop:
  // a rename runs the plan as the preview showed it, edits included; a copy
  // runs the job.
  auto run = [this, button](std::unique_ptr<TEditedPlan> edited) {
    std::shared_ptr<TEditedPlan> plan = std::move(edited);
    QTimer::singleShot(0, this, [this, button, plan] {
      if (plan) RunPlan(*plan);
      else SpeedButtonClick(button);
    });
  };
  const JobSettings job = ReadJob();
  auto *dialog = new TPreviewDialog(this, *RunDriver_, mode, job.FindFile.Folder, job.Rename.Copy, run);
  dialog->setWindowTitle(PreviewTitle(mode, job));
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
        LiveListAgain();
        throw;
      }
      Host_->EndRun();
      LiveListAgain();
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
