#include "core/DefaultSettingsFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DefaultSettingsFile, FallsBackToTheUserConfigFolder) {
  const struct {
    const char *Executable;
    bool Writable;
    const char *ConfigHome;
    const char *Expected;
  } cases[] = {
      {"/opt/k/korvane", true, "/cfg", "/opt/k/korvane.INI"},
      {"/opt/k/Bunsel.exe", true, "/cfg", "/opt/k/Bunsel.INI"},
      {"/opt/k.d/run", true, "/cfg", "/opt/k.d/run.INI"},
      {"/usr/bin/korvane", false, "/cfg", "/cfg/korvane/korvane.INI"},
      {"/usr/bin/korvane", false, "/cfg/", "/cfg/korvane/korvane.INI"},
      {"/usr/bin/korvane", false, "", "/home/u/.config/korvane/korvane.INI"},
      {"/usr/bin/korvane", false, "relative", "/home/u/.config/korvane/korvane.INI"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(DefaultSettingsFileFor(c.Executable, c.Writable, c.ConfigHome, "/home/u"),
              c.Expected)
        << c.Executable << " " << c.ConfigHome;
  }
}

TEST(DefaultSettingsFile, UsesTheRunningExecutable) {
  const std::string path = DefaultSettingsFile();
  const std::string tail = "/core_tests.INI";
  ASSERT_GE(path.size(), tail.size());
  EXPECT_EQ(path.substr(path.size() - tail.size()), tail);
}

}  // namespace
