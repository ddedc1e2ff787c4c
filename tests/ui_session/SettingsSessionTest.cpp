#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "FakeWindow.h"
#include "TempTree.h"
#include "core/StartupSettings.h"
#include "ui/session/DropTargets.h"
#include "ui/session/SettingsSession.h"

namespace {

// A settings file left by an earlier session that carried its job over.
std::string CarriedOverSettings(const TTempTree &tree) {
  TSessionSettings session;
  session.Success = true;
  session.Histories.Folder = {"/old/"};
  JobSettings job;
  job.FindFile.Folder = "/old/";
  job.FindFile.Filter = "*.abc";
  job.Rename.SeqIndex = 7;
  const std::string file = tree.Path("korvane.INI");
  SaveShutdownSettings(file, session, job);
  return file;
}

// Start-up steps 2, 6 and 7 on the fake window.
void StartUp(TFakeWindow &window, const std::string &settings, std::vector<std::string> args) {
  ASSERT_EQ(ReadStartupSettings(window, settings), std::nullopt);
  ApplyCommandLine({std::move(args)}, window);
  UseCurrentFolderIfEmpty(window);
}

TEST(StartupTest, OneFileArgumentSetsFolderAndFilterOverTheCarriedJob) {
  TTempTree tree;
  const std::string settings = CarriedOverSettings(tree);
  TFakeWindow window;
  StartUp(window, settings, {tree.File("A/x.txt")});
  EXPECT_TRUE(window.CarryOver);
  EXPECT_EQ(window.Job.FindFile.Folder, tree.Path("A/"));
  EXPECT_EQ(window.Job.FindFile.Filter, "*.txt");
  EXPECT_EQ(window.Job.Rename.SeqIndex, 7);
  EXPECT_EQ(window.Histories.Folder, std::vector<std::string>{"/old/"});
}

TEST(StartupTest, LastArgumentDecidesTheFolder) {
  TTempTree tree;
  TFakeWindow window;
  StartUp(window, tree.Path("none.INI"), {tree.Folder("A"), tree.File("B/y.dat")});
  EXPECT_EQ(window.Job.FindFile.Folder, tree.Path("B/"));
  EXPECT_EQ(window.Job.FindFile.Filter, "*.dat");
}

TEST(StartupTest, NoArgumentsAndNoSettingsGiveTheCurrentFolder) {
  TTempTree tree;
  TFakeWindow window;
  StartUp(window, tree.Path("none.INI"), {});
  EXPECT_FALSE(window.CarryOver);
  EXPECT_EQ(window.Job.FindFile.Folder, CurrentFolder().value());
  EXPECT_EQ(window.Job.FindFile.Filter, "*.*");
  for (bool checked : window.Job.Rename.OrderChecked) EXPECT_FALSE(checked);
  EXPECT_EQ(window.Histories, InitialHistories());
  EXPECT_EQ(std::count(window.Calls.begin(), window.Calls.end(), "SetJob"), 0);
}

TEST(ShutdownTest, WritesHistoriesFlagAndJob) {
  TTempTree tree;
  TFakeWindow window;
  window.CarryOver = true;
  window.Histories.CopyFolder = {"/copy/"};
  window.Job.Rename.SeqIndex = 42;
  const std::string settings = tree.Path("korvane.INI");
  ASSERT_EQ(WriteShutdownSettings(window, settings), std::nullopt);

  TFakeWindow next;
  ASSERT_EQ(ReadStartupSettings(next, settings), std::nullopt);
  EXPECT_TRUE(next.CarryOver);
  EXPECT_EQ(next.Histories.CopyFolder, std::vector<std::string>{"/copy/"});
  EXPECT_EQ(next.Job.Rename.SeqIndex, 42);
}

TEST(ShutdownTest, FailedWriteReturnsItsMessageInsteadOfThrowing) {
  TTempTree tree;
  const std::string readOnly = tree.File("ro.INI", "[Settings]\r\nSuccess=0\r\n");
  ASSERT_EQ(::chmod(Utf8(readOnly).c_str(), 0444), 0);
  const std::string underAFile = tree.File("plain") + "/korvane.INI";
  for (const std::string &settings : {readOnly, underAFile}) {
    TFakeWindow window;
    window.CarryOver = true;
    EXPECT_EQ(WriteShutdownSettings(window, settings), settings + " に書き込めません");
  }
  EXPECT_EQ(tree.Read("ro.INI"), "[Settings]\r\nSuccess=0\r\n");
}

}  // namespace
