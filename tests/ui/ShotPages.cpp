// Renders the main window with each page in front into PNG files, for
// looking at the layout (cut or overlapping captions) without a display,
// and Qt's folder browser and file dialog as the window sets them up, with
// Qt's Japanese texts (the dialogs a desktop without a portal shows).
//   LANG=ja_JP.UTF-8 QT_QPA_PLATFORM=offscreen ui_screenshots <output folder>
// (docs/folder-dialog.png and docs/file-dialog.png are made so)

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>

#include "ui/TMainControls.h"
#include "ui/UnitMain.h"
#include "ui/session/DesktopStartup.h"
#include "ui/session/SessionDialogs.h"

namespace {

// A folder with something to show in the dialogs.
void FillDemoFolder(const QDir &folder) {
  for (const char *name : {"写真", "書類", "バックアップ"}) folder.mkpath(QString::fromUtf8(name));
  for (const char *name : {"旅行メモ.txt", "korvane.INI", "IMG_0001.JPG"}) {
    QFile file(folder.filePath(QString::fromUtf8(name)));
    if (file.open(QIODevice::WriteOnly)) file.write("x");
  }
}

void ShootDialog(QFileDialog &dialog, const QString &directory, const QString &path) {
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setDirectory(directory);
  dialog.resize(720, 420);
  dialog.show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  dialog.grab().save(path);
  dialog.hide();
}

}  // namespace

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
  TBunselMain window;
  window.show();
  const TMainControls &c = window.Controls();
  auto shoot = [&](const QString &name) {
    QApplication::processEvents();
    window.grab().save(out.filePath(name + QStringLiteral(".png")));
  };
  for (int file = 0; file < c.PageControlFile->count(); ++file) {
    c.PageControlFile->setCurrentIndex(file);
    shoot(QStringLiteral("file-%1").arg(file));
  }
  c.PageControlFile->setCurrentIndex(0);
  for (int exec = 1; exec < c.PageControlExec->count(); ++exec) {
    c.PageControlExec->setCurrentIndex(exec);
    shoot(QStringLiteral("exec-%1").arg(exec));
  }
  c.PageControlExec->setCurrentIndex(0);
  for (int rename = 0; rename < c.PageControlRename->count(); ++rename) {
    c.PageControlRename->setCurrentIndex(rename);
    shoot(QStringLiteral("rename-%1").arg(rename));
  }

  const TQtTranslation qtTexts;
  QTemporaryDir demo;
  FillDemoFolder(QDir(demo.path()));
  ShootDialog(*MakeFolderBrowser(&window, QString::fromUtf16(u"対象フォルダ選択")), demo.path(),
              out.filePath(QStringLiteral("folder-dialog.png")));
  ShootDialog(*MakeFileDialog(&window, QString::fromUtf16(u"設定ファイル選択"), QFileDialog::AcceptOpen),
              demo.path(), out.filePath(QStringLiteral("file-dialog.png")));
  return 0;
}
