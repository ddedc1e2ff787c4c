// Program entry of the window: the application titled "Korvane", its one
// main window, and the event loop until that window closes.

#include <QApplication>

#include "ui/UnitMain.h"

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  QApplication::setApplicationDisplayName(QStringLiteral("Korvane"));
  TBunselMain window;
  window.show();
  return QApplication::exec();
}
