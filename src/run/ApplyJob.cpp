#include "run/ApplyJob.h"

#include "ops/UnitFileCn.h"
#include "platform/DateTime.h"

void ApplyJobToOperations(const JobSettings &job, TRenameCn &rename, TCopyCn &copy,
                          TDeleteCn &del, TChangeCn &change) {
  const JobSettings::RenameGroup &r = job.Rename;
  rename.FolderNameText = LastFolderName(job.FindFile.Folder);
  // A position whose caption is none of the six steps gives the object
  // nothing, as in the window.
  for (std::size_t position = 0; position < kStepCount; ++position) {
    int step = StepNumberOfCaption(r.OrderItems[position]);
    if (step < 0) continue;
    rename.SetStepEnabled(step, r.OrderChecked[position]);
    rename.SetStepOrder(static_cast<int>(position), step);
  }
  rename.MakeCopy = r.Copy;
  rename.ReplExt = r.ReplExt;
  for (std::size_t i = 0; i < kConditionCount; ++i) {
    rename.SetFromName(static_cast<int>(i), r.FromName[i]);
    rename.SetToName(static_cast<int>(i), r.ToName[i]);
    rename.SetNoCase(static_cast<int>(i), r.NoCase[i]);
  }
  rename.IfUnity = r.IfUnity;
  rename.Unity = r.Unity;
  rename.BaseName = r.BaseName;
  rename.Template = r.Template;
  rename.SeqStart = r.SeqIndex;
  rename.SeqCounter = r.SeqIndex;
  rename.SeqStep = r.SeqStep;
  rename.SeqDeg = r.SeqDeg;
  rename.SeqName = r.SeqName;
  rename.SeqBefore = r.SeqBefore;
  rename.SeqAfter = r.SeqAfter;
  rename.SeqAdd = r.SeqAdd;
  rename.SortKind = r.SeqSort;
  rename.SeqExt = r.SeqExt;
  rename.NameCase = r.NameCase;
  rename.NameInitial = r.NameInitial;
  rename.ExtCase = r.ExtCase;
  rename.ExtInitial = r.ExtInitial;
  rename.WidthAlnum = r.WidthAlnum;
  rename.WidthKana = r.WidthKana;
  rename.KanaKind = r.KanaKind;
  rename.ComposeMarks = r.ComposeMarks;
  rename.Ext = r.Ext;
  rename.DateFormat = r.DateFormat;
  rename.DateBefore = r.DateBefore;
  rename.DateAfter = r.DateAfter;
  rename.DateAdd = r.DateAdd;
  rename.DateSource = r.DateSource;
  rename.FileDateTime = Now();
  rename.FolderBefore = r.FolderBefore;
  rename.FolderAfter = r.FolderAfter;
  rename.FolderAdd = r.FolderAdd;

  copy.Delete = job.Copy.Delete;
  copy.Same = job.Copy.Same;
  copy.OverWrite = job.Copy.OverWrite;
  copy.Alias = job.Copy.Alias;

  del.Recycled = job.Delete.Recycled;

  change.IfUpDate = job.Change.IfUpDate;
  change.IfNwDate = job.Change.IfNwDate;
  change.IfAcDate = job.Change.IfAcDate;
  change.Attr = job.Change.Attr;
  change.UpDateShot = job.Change.UpDateShot;
}
