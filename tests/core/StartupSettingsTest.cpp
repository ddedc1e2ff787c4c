#include "core/StartupSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TempFolder.h"
#include "core/JobSettingsFile.h"

namespace {

using TList = std::vector<std::string>;

TEST(StartupSettings, NoFileGivesTheNewWindowAndNoJob) {
  TTempFolder folder;
  TSessionSettings session;
  JobSettings job;
  job.Rename.SeqIndex = 9;
  EXPECT_FALSE(LoadStartupSettings(folder.Path("korvane.INI"), session, job));
  EXPECT_EQ(session, TSessionSettings());
  EXPECT_EQ(session.Histories.Filter.size(), 4u);
  EXPECT_EQ(job.Rename.SeqIndex, 9);
}

// The window's place is kept whatever the carry-over flag says; a file
// without it (the Windows program's) or with no size gives none.
TEST(StartupSettings, TheWindowsPlaceComesBackWhateverTheFlagSays) {
  for (const bool carry : {false, true}) {
    TTempFolder folder;
    TSessionSettings session;
    session.Success = carry;
    session.Place = TWindowPlace{10, 20, 800, 600, true};
    SaveShutdownSettings(folder.Path("korvane.INI"), session, JobSettings{});
    TSessionSettings read;
    JobSettings job;
    LoadStartupSettings(folder.Path("korvane.INI"), read, job);
    EXPECT_EQ(read.Place, session.Place) << carry;
  }
  for (const char *text : {"[Settings]\nSuccess=1\n", "[Window]\nLeft=5\nTop=5\nWidth=0\nHeight=300\n"}) {
    TTempFolder folder;
    folder.WriteFile("korvane.INI", text);
    TSessionSettings read;
    JobSettings job;
    LoadStartupSettings(folder.Path("korvane.INI"), read, job);
    EXPECT_FALSE(read.Place) << text;
  }
}

TEST(StartupSettings, StoredHistoriesGoAboveTheInitialItems) {
  TTempFolder folder;
  folder.WriteFile("korvane.INI",
                   "[Folder]\n0=/a\n1=/b\n2=\n3=/c\n"
                   "[Filter]\n0=*.txt\n1=*.md\n"
                   "[FromName]\n0=x\n1=x\n"
                   "[Settings]\nSuccess=0\n[Rename]\nSeqIndex=5\n");
  TSessionSettings session;
  JobSettings job;
  EXPECT_FALSE(LoadStartupSettings(folder.Path("korvane.INI"), session, job));
  EXPECT_EQ(session.Histories.Folder, (TList{"/a", "/b", "/c"}));
  EXPECT_EQ(session.Histories.Filter,
            (TList{"*.txt", "*.md", "*.*", "*.htm;*.html", "*.c;*.cpp;*.h;*.hpp"}));
  EXPECT_EQ(session.Histories.FromName, (TList{"x", "x"}));
  EXPECT_EQ(job, JobSettings());  // Success is off: the job is not read
}

TEST(StartupSettings, ANewFileIsWrittenKeyByKeyInHistoryOrder) {
  TTempFolder folder;
  TSessionSettings session;
  session.Histories.Folder = {"/x"};
  SaveShutdownSettings(folder.Path("korvane.INI"), session, JobSettings());
  EXPECT_EQ(folder.ReadFile("korvane.INI"),
            "[Folder]\r\n0=/x\r\n"
            "[Filter]\r\n0=*.*\r\n1=*.htm;*.html\r\n2=*.txt\r\n3=*.c;*.cpp;*.h;*.hpp\r\n"
            "[Exception]\r\n0=.exe;.ini;.hlp\r\n1=.dll;.sys;.drv;.cpl\r\n"
            "[Settings]\r\nSuccess=0\r\n");
}

TEST(StartupSettings, AShortHistoryLeavesTheHigherKeysAndTheJobStaysWithoutSuccess) {
  TTempFolder folder;
  std::string old = "[Folder]\r\n";
  for (int n = 0; n < 8; ++n) old += std::to_string(n) + "=/old" + std::to_string(n) + "\r\n";
  old += "[Rename]\r\nSeqIndex=5\r\n";
  folder.WriteFile("korvane.INI", old);

  TSessionSettings session;
  session.Histories.Folder = {"/n0", "/n1", "/n2"};
  JobSettings job;
  job.Rename.SeqIndex = 77;
  SaveShutdownSettings(folder.Path("korvane.INI"), session, job);

  TSessionSettings next;
  JobSettings nextJob;
  EXPECT_FALSE(LoadStartupSettings(folder.Path("korvane.INI"), next, nextJob));
  EXPECT_EQ(next.Histories.Folder,
            (TList{"/n0", "/n1", "/n2", "/old3", "/old4", "/old5", "/old6", "/old7"}));
  EXPECT_EQ(TIniFile(folder.Path("korvane.INI")).ReadInteger("Rename", "SeqIndex", 0), 5);
}

TEST(StartupSettings, WithSuccessTheJobAndHistoriesComeBack) {
  TTempFolder folder;
  TSessionSettings session;
  session.Success = true;
  session.Histories.CopyFolder = {"/c1", "/c2"};
  session.Histories.ToName = {"t", "t", "1", "2", "3", "4", "5", "6", "7"};  // 9: only 8 kept
  JobSettings job;
  job.Rename.SeqSort = 3;
  job.Copy.Folder = "/コピー";
  SaveShutdownSettings(folder.Path("sub/dir/korvane.INI"), session, job);

  TSessionSettings next;
  JobSettings nextJob;
  EXPECT_TRUE(LoadStartupSettings(folder.Path("sub/dir/korvane.INI"), next, nextJob));
  EXPECT_TRUE(next.Success);
  EXPECT_EQ(nextJob, job);
  EXPECT_EQ(next.Histories.CopyFolder, session.Histories.CopyFolder);
  EXPECT_EQ(next.Histories.Filter, session.Histories.Filter);
  EXPECT_EQ(next.Histories.ToName, (TList{"t", "t", "1", "2", "3", "4", "5", "6"}));
}

TEST(StartupSettings, AJobFileHasNoHistoriesAndLoadingItLeavesThemAlone) {
  TTempFolder folder;
  SaveJobSettingsFile(folder.Path("job.INI"), JobSettings());
  TSessionSettings session;
  session.Histories.Folder = {"/keep"};
  JobSettings job;
  EXPECT_FALSE(LoadStartupSettings(folder.Path("job.INI"), session, job));
  EXPECT_EQ(session.Histories.Folder, (TList{"/keep"}));
  EXPECT_FALSE(session.Success);
  const std::string text = folder.ReadFile("job.INI");
  EXPECT_EQ(text.find("[Settings]"), std::string::npos);
  EXPECT_EQ(text.find("[Folder]"), std::string::npos);
}

}  // namespace
