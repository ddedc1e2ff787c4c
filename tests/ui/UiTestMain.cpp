// The window's tests run inside the application object the program uses, so
// errors reach the real error handler (whose message box each test replaces).

#include <gtest/gtest.h>

#include "ui/session/TKorvaneApplication.h"

int main(int argc, char *argv[]) {
  TKorvaneApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
