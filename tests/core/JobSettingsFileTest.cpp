#include "core/JobSettingsFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "platform/Errors.h"

namespace {

std::string CrLfLines(const std::vector<std::string> &lines) {
  std::string text;
  for (const std::string &line : lines) text += line + "\r\n";
  return text;
}

TEST(JobSettingsFile, ANewFileHoldsTheFiveSectionsInKeyOrder) {
  TTempFolder folder;
  SaveJobSettingsFile(folder.Path("job.INI"), JobSettings());
  std::vector<std::string> lines = {
      "[FindFile]", "Folder=", "SubFolder=0", "Filter=*.*", "FileOnly=0", "SizeFrom=-1",
      "SizeTo=-1", "DateFrom=    /  /  ", "TimeFrom=00:00:00", "DateTo=    /  /  ",
      "TimeTo=23:59:59", "ExcSysFile=1", "ExcHidden=1", "ExcReadOnly=1", "Exception=",
      "[Change]", "IfUpDate=0", "IfNwDate=0", "IfAcDate=0", "UpDate=    /  /  ",
      "NwDate=    /  /  ", "AcDate=    /  /  ", "UpTime=  :  :  ", "NwTime=  :  :  ",
      "UpCurrent=0", "NwCurrent=0", "AcCurrent=0", "AcTime=  :  :  ", "Attr=0",
      "AttrSysFile=0", "AttrHidden=0", "AttrReadOnly=0", "AttrArchive=0", "UpDateShot=0",
      "[Copy]", "Folder=", "Delete=1", "Same=0", "OverWrite=1", "Alias=1", "KeepTree=0",
      "[Rename]", "Copy=1"};
  for (std::size_t i = 0; i < kStepCount; ++i) {
    lines.push_back("OrderItems" + std::to_string(i) + "=" + std::string(kStepCaptions[i]));
    lines.push_back("OrderChecked" + std::to_string(i) + "=0");
  }
  lines.push_back("ReplExt=0");
  for (std::size_t i = 0; i < kConditionCount; ++i) {
    const std::string n = std::to_string(i);
    lines.insert(lines.end(), {"FromName" + n + "=", "ToName" + n + "=", "NoCase" + n + "=0"});
  }
  lines.insert(lines.end(),
               {"IfUnity=0", "Unity=0", "BaseName=", "Template=", "SeqIndex=1", "SeqDeg=4", "SeqStep=1",
                "SeqSort=0", "SeqName=1", "SeqExt=0", "SeqBefore=", "SeqAfter=", "SeqAdd=1",
                "NameCase=0", "ExtCase=0", "NameInitial=0", "ExtInitial=0", "WidthAlnum=0",
                "WidthKana=0", "KanaKind=0", "ComposeMarks=0", "DateFormat=yymmdd",
                "DateBefore=", "DateAfter=", "DateAdd=1", "DateSource=0", "Ext=", "FolderBefore=",
                "FolderAfter=", "FolderAdd=1", "ResolveChains=0", "[Delete]", "Recycled=1"});
  EXPECT_EQ(folder.ReadFile("job.INI"), CrLfLines(lines));
}

JobSettings UnusualJob() {
  JobSettings job;
  job.FindFile = {"/データ/表", true, "*.txt;*.表", 2, 0, 2097151, "2024/01/05", "12:34:56",
                  "2025/12/31", "01:02:03", false, false, false, ".exe;.dll"};
  job.Change = {true, true, true, "2020/02/29", "1999/ 1/ 1", "2001/01/01", "01:01:01",
                "02:02:02", "03:03:03", true, false, true, true, true, false, true, false};
  job.Copy = {"/コピー先", 0, 4, 5, 4};
  auto &r = job.Rename;
  r.Copy = false;
  r.OrderItems = {"連番", "拡張子", "文字列置換", "unknown", "連番", "フォルダ名付加"};
  r.OrderChecked = {true, true, false, true, false, true};
  r.ReplExt = true;
  r.FromName = {"(.*)", "表", "", "a=b", "[x]"};
  r.ToName = {"\\1", "裏", "", "c", ""};
  r.NoCase = {true, false, false, true, true};
  r.IfUnity = true;
  r.Unity = 1;
  r.BaseName = "ベース";
  r.SeqIndex = 99999999;
  r.SeqDeg = 0;
  r.SeqStep = 20;
  r.SeqSort = 5;
  r.SeqName = false;
  r.SeqExt = true;
  r.SeqBefore = "(";
  r.SeqAfter = ")";
  r.SeqAdd = 0;
  r.NameCase = 2;
  r.ExtCase = 1;
  r.NameInitial = r.ExtInitial = true;
  r.WidthAlnum = 2;
  r.WidthKana = 1;
  r.KanaKind = 2;
  r.ComposeMarks = true;
  r.DateFormat = "yy-mm-dd";
  r.DateBefore = "[";
  r.DateAfter = "]";
  r.DateAdd = 0;
  r.Ext = ".bak";
  r.FolderBefore = "<";
  r.FolderAfter = ">";
  r.FolderAdd = 0;
  r.ResolveChains = true;
  job.Copy.KeepTree = true;
  job.Delete.Recycled = false;
  return job;
}

TEST(JobSettingsFile, AJobReadsBackEqual) {
  TTempFolder folder;
  const JobSettings job = UnusualJob();
  SaveJobSettingsFile(folder.Path("job.INI"), job);
  JobSettings read;
  LoadJobSettingsFile(folder.Path("job.INI"), read);
  EXPECT_EQ(read, job);
  // Saving the same job again changes no byte.
  const std::string first = folder.ReadFile("job.INI");
  SaveJobSettingsFile(folder.Path("job.INI"), job);
  EXPECT_EQ(folder.ReadFile("job.INI"), first);
}

// Each case: file text, the field's value before reading, what it holds after.
TEST(JobSettingsFile, ReadBringsValuesIntoTheirDomain) {
  struct TCase {
    const char *Text;
    std::function<int &(JobSettings &)> Field;
    int Before;
    int After;
  };
  const auto sizeFrom = [](JobSettings &j) -> int & { return j.FindFile.SizeFrom; };
  const auto sizeTo = [](JobSettings &j) -> int & { return j.FindFile.SizeTo; };
  const auto fileOnly = [](JobSettings &j) -> int & { return j.FindFile.FileOnly; };
  const auto seqSort = [](JobSettings &j) -> int & { return j.Rename.SeqSort; };
  const auto seqDeg = [](JobSettings &j) -> int & { return j.Rename.SeqDeg; };
  const auto seqStep = [](JobSettings &j) -> int & { return j.Rename.SeqStep; };
  const auto seqIndex = [](JobSettings &j) -> int & { return j.Rename.SeqIndex; };
  const auto same = [](JobSettings &j) -> int & { return j.Copy.Same; };
  const auto widthAlnum = [](JobSettings &j) -> int & { return j.Rename.WidthAlnum; };
  const auto widthKana = [](JobSettings &j) -> int & { return j.Rename.WidthKana; };
  const auto kanaKind = [](JobSettings &j) -> int & { return j.Rename.KanaKind; };
  const TCase cases[] = {
      {"[FindFile]\nSizeFrom=0x10\n", sizeFrom, -1, 16},
      {"[FindFile]\nSizeFrom=abc\n", sizeFrom, 5, 5},
      {"[FindFile]\nSizeFrom=\n", sizeFrom, 5, 5},
      {"[FindFile]\nSizeTo=9999999\n", sizeTo, -1, 2097151},
      {"[FindFile]\nSizeTo=-5\n", sizeTo, 3, -1},
      {"[FindFile]\nFileOnly=7\n", fileOnly, 0, 2},
      {"[FindFile]\nFileOnly=-3\n", fileOnly, 0, -1},
      {"[Rename]\nSeqSort=10\n", seqSort, 0, -1},
      {"[Rename]\nSeqSort=9\n", seqSort, 0, 9},
      {"[Rename]\nSeqSort=-1\n", seqSort, 0, -1},
      {"[Rename]\nSeqSort=$5\n", seqSort, 0, 5},
      {"[Rename]\nSeqSort=7\n", seqSort, 0, 7},
      {"[Rename]\nWidthAlnum=2\n", widthAlnum, 0, 2},
      {"[Rename]\nWidthAlnum=3\n", widthAlnum, 0, -1},
      {"[Rename]\nKanaKind=1\n", kanaKind, 0, 1},
      {"[Rename]\nWidthKana=-1\n", widthKana, 1, -1},
      {"[Rename]\nSeqIndex=5\n", widthKana, 2, 2},  // a file of the Windows program
      {"[Rename]\nSeqDeg=9\n", seqDeg, 4, 8},
      {"[Rename]\nSeqStep=0\n", seqStep, 1, 1},
      {"[Rename]\nSeqIndex=100000000\n", seqIndex, 1, 99999999},
      {"[Rename]\nSeqIndex=-4\n", seqIndex, 1, 0},
      {"[Copy]\nSame=5\n", same, 0, -1},
  };
  TTempFolder folder;
  for (const TCase &c : cases) {
    folder.WriteFile("job.INI", c.Text);
    JobSettings job;
    c.Field(job) = c.Before;
    LoadJobSettingsFile(folder.Path("job.INI"), job);
    EXPECT_EQ(c.Field(job), c.After) << c.Text;
  }
}

// The Windows program copied into one folder and wrote no tree key: its
// copy section reads as a flat copy, while a file of a few keys (as --set
// makes one) leaves the switch alone.
TEST(JobSettingsFile, AWindowsCopySectionReadsAsAFlatCopy) {
  const struct {
    const char *Text;
    bool After;
  } cases[] = {
      {"[Copy]\r\nFolder=C:\\out\r\nDelete=2\r\nSame=1\r\nOverWrite=0\r\nAlias=1\r\n", false},
      {"[Copy]\r\nFolder=\r\nDelete=1\r\nSame=0\r\nOverWrite=1\r\nAlias=1\r\nKeepTree=1\r\n", true},
      {"[Copy]\r\nDelete=2\r\n", true},
      {"[Rename]\r\nSeqIndex=5\r\n", true},
  };
  TTempFolder folder;
  for (const auto &c : cases) {
    folder.WriteFile("job.INI", c.Text);
    JobSettings job;
    job.Copy.KeepTree = true;
    LoadJobSettingsFile(folder.Path("job.INI"), job);
    EXPECT_EQ(job.Copy.KeepTree, c.After) << c.Text;
  }
}

TEST(JobSettingsFile, AnUnselectedListGetsItsDefaultAtTheRefresh) {
  TTempFolder folder;
  folder.WriteFile("job.INI", "[Rename]\nSeqSort=10\n[Copy]\nDelete=3\nAlias=x\n");
  JobSettings job;
  job.Copy.Alias = 4;
  LoadJobSettingsFile(folder.Path("job.INI"), job);
  NormaliseJob(job);
  EXPECT_EQ(job.Rename.SeqSort, 0);
  EXPECT_EQ(job.Copy.Delete, 1);
  EXPECT_EQ(job.Copy.Alias, 4);
}

TEST(JobSettingsFile, AFileWithOneKeyChangesOnlyThatField) {
  TTempFolder folder;
  folder.WriteFile("job.INI", "[Rename]\r\nSeqIndex=5\r\n");
  JobSettings job = UnusualJob();
  LoadJobSettingsFile(folder.Path("job.INI"), job);
  JobSettings expected = UnusualJob();
  expected.Rename.SeqIndex = 5;
  EXPECT_EQ(job, expected);
}

TEST(JobSettingsFile, TextsLoseBlanksAndQuotesAndDatesTakeTheirForm) {
  TTempFolder folder;
  folder.WriteFile("job.INI",
                   "[Rename]\nSeqBefore= \nSeqAfter= x \nFromName0=\"  a b \"\n"
                   "ToName0='q\nBaseName=\"" +
                       std::string(3000, 'n') +
                       "\"\n[FindFile]\nDateFrom=/  /\nTimeFrom=:  :\nDateTo=2024/1/2\n"
                       "[Change]\nUpTime=1:2:3\n");
  JobSettings job;
  job.Rename.SeqBefore = "old";
  LoadJobSettingsFile(folder.Path("job.INI"), job);
  EXPECT_EQ(job.Rename.SeqBefore, "");
  EXPECT_EQ(job.Rename.SeqAfter, "x");
  EXPECT_EQ(job.Rename.FromName[0], "  a b ");
  EXPECT_EQ(job.Rename.ToName[0], "'q");
  EXPECT_EQ(job.Rename.BaseName, std::string(2047, 'n'));
  EXPECT_EQ(job.FindFile.DateFrom, kEmptyDate);
  EXPECT_EQ(job.FindFile.TimeFrom, kEmptyTime);
  EXPECT_EQ(job.FindFile.DateTo, "2024/ 1/ 2");
  EXPECT_EQ(job.Change.UpTime, " 1: 2: 3");
}

// A file that holds no job is refused rather than read as "no keys": the
// job already in the window would otherwise run as if the user had chosen
// it, and a delete run deletes every file of the folder.
TEST(JobSettingsFile, AFileWithoutAJobIsRefusedAndTheJobKept) {
  const struct {
    const char *Name;
    std::string Text;
  } cases[] = {
      {"empty", ""},
      {"binary garbage", std::string("\0\x01\xff[Rename\nSeqIndex=7\n=\n[]\n\0", 28)},
      {"histories only", "[Folder]\r\n0=/a\r\n[Settings]\r\nSuccess=1\r\n"},
      {"keys without a section", "SeqIndex=7\r\n"},
      {"UTF-16 without a mark", std::string("[\0R\0e\0n\0a\0m\0e\0]\0", 16)},
      {"blank lines", "\r\n\r\r\n  \n"},
  };
  TTempFolder folder;
  for (const auto &c : cases) {
    folder.WriteFile("job.INI", c.Text);
    JobSettings job = UnusualJob();
    EXPECT_THROW(LoadJobSettingsFile(folder.Path("job.INI"), job), ENoJobError) << c.Name;
    EXPECT_EQ(job, UnusualJob()) << c.Name;
  }
  JobSettings job = UnusualJob();
  try {
    LoadJobSettingsFile(folder.Path("missing.INI"), job);
    ADD_FAILURE() << "a missing file was read as an empty job";
  } catch (const ENoJobError &error) {
    EXPECT_EQ(error.Message(), "設定ファイルにジョブが見つかりません");
  }
  EXPECT_EQ(job, UnusualJob());
}

TEST(JobSettingsFile, AnySectionOfTheJobMakesAJobFile) {
  TTempFolder folder;
  for (const char *text : {"[Delete]\r\n", "[rename]\r\nSeqIndex=7\r\n", "[Settings]\r\n[COPY]\r\n",
                           "\x80\xa0 garbage\r\n[FindFile]\r\n", "[Folder]\r[Change]\r"}) {
    folder.WriteFile("job.INI", text);
    EXPECT_TRUE(HoldsJob(TIniFile(folder.Path("job.INI")))) << text;
    JobSettings job = UnusualJob();
    EXPECT_NO_THROW(LoadJobSettingsFile(folder.Path("job.INI"), job)) << text;
  }
}

TEST(JobSettingsFile, SavingKeepsWhateverElseTheFileHolds) {
  TTempFolder folder;
  const std::string before = "; mine\n[Folder]\n0=/a\n[Settings]\nSuccess=0\n";
  folder.WriteFile("s.INI", before);
  SaveJobSettingsFile(folder.Path("s.INI"), JobSettings());
  const std::string after = folder.ReadFile("s.INI");
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_EQ(after.substr(before.size(), 12), "[FindFile]\r\n");
}

TEST(JobSettingsFile, ASaveThatFailsRaisesTheWriteError) {
  TTempFolder folder;
  const std::string path = folder.Path("missing/job.INI");
  try {
    SaveJobSettingsFile(path, JobSettings());
    ADD_FAILURE() << "no error";
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.Message(), path + " に書き込めません");
  }
}

}  // namespace
