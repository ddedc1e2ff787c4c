// The tests run inside the application object the program uses, so the
// error handler is the real one (with its message box replaced per test).

#include <gtest/gtest.h>

#include "ui/session/TKorvaneApplication.h"

int main(int argc, char **argv) {
  TKorvaneApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
