#pragma once
// What the files of one folder level say of themselves, read before the
// level is ordered and processed, when the run needs it (a shooting-time
// order or date, names made of tags, times set to the shooting time).
//
// It is read here, for the targets alone, rather than while the folder is
// listed: the listing sees every name a filter matches, the narrowing
// comes after it, and most runs need no media at all.  Like the listing's
// examination, a large level is shared with a second thread where the
// machine has another processor.

#include <vector>

#include "media/MediaReader.h"
#include "select/TargetEntry.h"

class TWalkHooks;

// Fills Media of every file entry (no folders, no links) whose kind the
// reader reads for `need`, each opened relative to `held`.  The front end
// is pumped between parts of the work, and an abort ends it early.
void ReadLevelMedia(std::vector<TargetEntry> &entries, const TFolderHandle &held, TMediaNeed need,
                    const TMediaReader &reader, TWalkHooks &hooks);
