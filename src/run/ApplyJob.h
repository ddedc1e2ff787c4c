#pragma once
// Hands a job to the four operation objects as the window's full refresh
// does: the order list (captions and check marks), every rename option, the
// copy policies, the delete option and the four change switches.
// SeqCounter starts at SeqStart; FolderNameText is the last component of
// FindFile.Folder.  The job should be normalised first (NormaliseJob).

#include <string>
#include <string_view>

#include "core/JobSettings.h"

class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;

void ApplyJobToOperations(const JobSettings &job, TRenameCn &rename, TCopyCn &copy,
                          TDeleteCn &del, TChangeCn &change);

// The last component of a folder path after one trailing delimiter is
// dropped (empty for a root).  What FolderNameText gets.
std::string LastFolderName(std::string_view folder);
