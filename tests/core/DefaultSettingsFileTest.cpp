#include "core/DefaultSettingsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TempFolder.h"

namespace {

// Root can write /usr/bin; the settings of an installed window still go to
// the user's config folder, never beside every other program.
TEST(DefaultSettingsFile, AnInstalledProgramIsRecognisedByItsDesktopFile) {
  TTempFolder folder;
  std::filesystem::create_directories(folder.Path("usr/bin"));
  std::filesystem::create_directories(folder.Path("usr/share/applications"));
  std::filesystem::create_directories(folder.Path("build/src/ui"));
  EXPECT_FALSE(IsInstalledExecutable(folder.Path("usr/bin/korvane")));
  std::ofstream(folder.Path("usr/share/applications/org.korvane.Korvane.desktop")) << "[Desktop Entry]\n";
  EXPECT_TRUE(IsInstalledExecutable(folder.Path("usr/bin/korvane")));
  EXPECT_FALSE(IsInstalledExecutable(folder.Path("build/src/ui/korvane")));
}

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
