#pragma once
// Hands a job to the four operation objects as the window's full refresh
// does: the order list (captions and check marks), every rename option, the
// copy policies, the delete option and the four change switches.
// SeqCounter starts at SeqStart; FolderNameText is the last component of
// FindFile.Folder.  The job should be normalised first (NormaliseJob).

#include "core/JobSettings.h"
#include "select/FolderName.h"  // LastFolderName

class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;

void ApplyJobToOperations(const JobSettings &job, TRenameCn &rename, TCopyCn &copy,
                          TDeleteCn &del, TChangeCn &change);
