// Renders the preview of every target and the undo of a run into PNG files
// for docs/, on a small folder of photos made for the purpose.
//   ui_preview_shots <output folder>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "ui/TCheckListBox.h"
#include "ui/TLiveList.h"
#include "ui/THistoryCombo.h"
#include "ui/TMainControls.h"
#include "ui/TPreviewDialog.h"
#include "ui/UnitMain.h"

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
  QDir root(QDir::temp().filePath(QStringLiteral("korvane-sample")));
  root.removeRecursively();
  root.mkpath(QStringLiteral("写真"));
  const QDir photos(root.filePath(QStringLiteral("写真")));
  const QDateTime start(QDate(2024, 5, 17), QTime(9, 12, 40));
  for (int i = 1; i <= 14; ++i) {
    const QString name = QStringLiteral("IMG_%1.JPG").arg(1000 + i * 7);
    QFile file(photos.filePath(name));
    file.open(QIODevice::WriteOnly);
    file.write("jpeg");
    file.flush();
    file.setFileTime(start.addSecs(i * 4000), QFileDevice::FileModificationTime);
  }
  // Where the fourth photo would go is taken already.
  QFile taken(photos.filePath(QStringLiteral("写真0004_240517.JPG")));
  taken.open(QIODevice::WriteOnly);

  TBunselMain window(TStartOptions{.SettingsFile = root.filePath(QStringLiteral("korvane.INI")).toStdString(), .Arguments = {}, .JobsFolder = std::nullopt});
  window.show();
  const TMainControls &c = window.Controls();
  c.ComboBoxFolder->setEditText(photos.path());
  c.ComboBoxFilter->setEditText(QStringLiteral("IMG_*.jpg"));
  c.CheckBoxCopy->setChecked(false);
  c.CheckBoxUnity->setChecked(true);
  c.ComboBoxDateFormat->setEditText(QStringLiteral("yymmdd"));
  c.EditDateBefore->setText(QStringLiteral("_"));
  for (const QString &step : {QStringLiteral("連番"), QStringLiteral("更新日付付加")}) {
    for (QListWidgetItem *item : c.CheckListBoxOrder->findItems(step, Qt::MatchExactly))
      item->setCheckState(Qt::Checked);
  }
  c.PageControlRename->setCurrentWidget(c.TabSheetSeq);
  QApplication::processEvents();

  // A larger window shows the live list below the rename page.
  window.resize(760, 640);
  {
    QEventLoop wait;
    QObject::connect(c.LiveList, &TLiveList::Updated, &wait, &QEventLoop::quit);
    QTimer::singleShot(2000, &wait, &QEventLoop::quit);
    wait.exec();
  }
  QApplication::processEvents();
  window.grab().save(out.filePath(QStringLiteral("live-list.png")));
  window.resize(window.minimumSize());
  QApplication::processEvents();

  window.ShowPreview(RunMode::Rename);
  TPreviewDialog *preview = window.Preview();
  preview->resize(640, 360);
  preview->Table()->setColumnWidth(1, 150);
  preview->Table()->setColumnWidth(2, 200);
  QApplication::processEvents();
  preview->grab().save(out.filePath(QStringLiteral("preview.png")));
  // The fourth photo's new name changed by hand: its failure goes away.
  QAbstractItemModel *model = preview->Table()->model();
  model->setData(model->index(3, 2), QStringLiteral("写真0004_240517_2.JPG"));
  preview->Table()->clearSelection();
  QApplication::processEvents();
  preview->grab().save(out.filePath(QStringLiteral("preview-edit.png")));

  // The run, then its undo, on the log page.
  preview->RunButton()->click();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  // The undo's plan in the preview, then the undo, on the log page.
  c.SpeedButtonUndo->click();
  TPreviewDialog *undoPlan = window.Preview();
  undoPlan->resize(640, 360);
  QApplication::processEvents();
  undoPlan->grab().save(out.filePath(QStringLiteral("undo-preview.png")));
  undoPlan->RunButton()->click();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  window.grab().save(out.filePath(QStringLiteral("undo.png")));

  // Where the preview and the chains switch sit on their pages.
  c.PageControlExec->setCurrentWidget(c.TabSheetCopy);
  QApplication::processEvents();
  window.grab().save(out.filePath(QStringLiteral("copy-page-preview.png")));
  c.PageControlExec->setCurrentWidget(c.TabSheetRename);
  c.PageControlRename->setCurrentWidget(c.TabSheetEtc);
  QApplication::processEvents();
  window.grab().save(out.filePath(QStringLiteral("rename-chains.png")));
  root.removeRecursively();
  return 0;
}
