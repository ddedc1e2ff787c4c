// The window's way to the plan of a run and to the undo of the last run:
// F5 and a menu entry on the rename page's sample result, a button on the
// copy page, and 元に戻す on the log page.  Everything is placed in room the
// layout left free.

#include <QAction>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
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
  ConfirmUndo = [this](const QString &question) {
    return QMessageBox::question(this, ApplicationTitle(), question) == QMessageBox::Yes;
  };
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

void TBunselMain::SpeedButtonUndoClick() {
  if (RunDriver_->IsRunning()) return;
  const std::vector<std::string> lines = GetLogLines();
  if (ConfirmUndo && !ConfirmUndo(QStringLiteral("ログの最後の実行を元に戻しますか?"))) return;
  TUndoStats stats;
  // A second press goes on with the run the first one was taking back,
  // never takes back the undo itself.
  TUndoOptions options;
  options.SkipUndoRuns = true;
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
}
