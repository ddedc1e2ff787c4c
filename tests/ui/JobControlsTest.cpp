// The job read from the controls and put back into them.

#include "WindowFixture.h"

// Every field goes into its control and comes back unchanged, the replace
// conditions of the tabs not shown included.
TEST_F(WindowTest, JobSurvivesTheControls) {
  JobSettings job = W().ReadJob();
  auto &f = job.FindFile;
  f.Folder = "/tmp/some folder";
  f.SubFolder = true;
  f.Filter = "*.c;*.h";
  f.FileOnly = 2;
  f.SizeFrom = 0;
  f.SizeTo = 2097151;
  f.DateFrom = "2003/05/01";
  f.TimeFrom = "01:02:03";
  f.DateTo = "2010/1 /  ";
  f.TimeTo = "  :  :  ";
  f.ExcSysFile = false;
  f.ExcHidden = false;
  f.ExcReadOnly = false;
  f.Exception = ".o;.a";
  auto &ch = job.Change;
  ch.IfUpDate = ch.IfNwDate = ch.IfAcDate = true;
  ch.UpDate = "2001/02/03";
  ch.NwTime = "23:59:58";
  ch.AcCurrent = true;
  ch.Attr = ch.AttrSysFile = ch.AttrHidden = ch.AttrReadOnly = ch.AttrArchive = true;
  job.Copy.Folder = "/tmp/dest";
  job.Copy.Delete = 2;
  job.Copy.Same = 4;
  job.Copy.OverWrite = 5;
  job.Copy.Alias = 3;
  auto &r = job.Rename;
  r.Copy = false;
  std::swap(r.OrderItems[0], r.OrderItems[3]);
  r.OrderChecked[0] = r.OrderChecked[1] = true;
  r.ReplExt = true;
  for (int i = 0; i < 5; ++i) {
    r.FromName[i] = "f" + std::to_string(i);
    r.ToName[i] = "t" + std::to_string(i);
    r.NoCase[i] = i % 2 == 1;
  }
  r.IfUnity = true;
  r.Unity = 1;
  r.BaseName = "base";
  r.Template = "{track:2} {title}";
  r.SeqIndex = 99999999;
  r.SeqDeg = 8;
  r.SeqStep = 20;
  r.SeqSort = 7;
  r.SeqName = false;
  r.SeqExt = true;
  r.SeqBefore = "<";
  r.SeqAfter = ">";
  r.SeqAdd = 0;
  r.NameCase = 2;
  r.ExtCase = 1;
  r.NameInitial = r.ExtInitial = true;
  r.WidthAlnum = 2;
  r.WidthKana = 1;
  r.KanaKind = 2;
  r.ComposeMarks = true;
  r.DateFormat = "yy-mm-dd";
  r.DateBefore = "(";
  r.DateAfter = ")";
  r.DateAdd = 0;
  r.DateSource = 1;
  r.Ext = ".bak";
  r.FolderBefore = "[";
  r.FolderAfter = "]";
  r.FolderAdd = 0;
  job.Delete.Recycled = false;
  job.Change.UpDateShot = true;

  W().ShowJob(job);
  EXPECT_TRUE(W().ReadJob() == job);
  EXPECT_EQ(R().GetFromName(3), "f3");
  EXPECT_EQ(C().ComboBoxFromName->currentText(), QStringLiteral("f0"));
}

// A radio group left without a choice (a settings file can do that) reads
// back as -1; a choice list so left gets its default at the refresh.
TEST_F(WindowTest, MissingChoicesReadBackAsNone) {
  JobSettings job = W().ReadJob();
  job.Rename.NameCase = -1;
  job.Copy.Same = -1;
  W().ShowJob(job);
  EXPECT_EQ(C().RadioGroupNameCase->ItemIndex(), -1);
  EXPECT_EQ(R().NameCase, -1);
  EXPECT_EQ(C().ComboBoxCopySame->currentIndex(), 0);
  EXPECT_EQ(W().ReadJob().Rename.NameCase, -1);
}
