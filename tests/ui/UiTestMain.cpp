// The window's tests need a QApplication before any widget exists.

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char *argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvane"));
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
