// Renders the main window with each page in front into PNG files, for
// looking at the layout (cut or overlapping captions) without a display.
//   ui_screenshots <output folder>

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>

#include "ui/TMainControls.h"
#include "ui/UnitMain.h"

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
  return 0;
}
