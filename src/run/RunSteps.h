#pragma once
// The decisions a run, its plan and its undo share, so that the plan makes
// exactly the choices the run will make: the walk options, the folder the
// run writes into, the numbering's order and counter, the numbers of a
// change record.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/JobSettings.h"
#include "media/MediaFacts.h"
#include "platform/DateTime.h"
#include "run/RunLog.h"
#include "run/RunMode.h"
#include "select/TargetEntry.h"
#include "select/Walk.h"

class TRenameCn;
class TChangeCn;

// A run the validation accepted: the job as it stood, the split lists and
// the destination.
struct TRunSetup {
  JobSettings Job;
  std::vector<std::string> Filters;
  std::vector<std::string> ExclusionEntries;
  std::string Destination;
};

// Marks the driver's one run (a run, a plan or an undo) as under way for
// as long as it lives.
class TRunningFlag {
public:
  explicit TRunningFlag(bool &flag) : Flag_(flag) { Flag_ = true; }
  ~TRunningFlag() { Flag_ = false; }
  TRunningFlag(const TRunningFlag &) = delete;
  TRunningFlag &operator=(const TRunningFlag &) = delete;

private:
  bool &Flag_;
};

// The walk options of a run, from the job as it stands now.
TWalkOptions RunWalkOptions(RunMode mode, const JobSettings &job, const DateTimeParts &dateFrom,
                            const DateTimeParts &dateTo);

// Before a folder's targets of a numbering rename: the targets in the
// numbering's order and the counter at its start.  Nothing otherwise.
void PrepareRenameLevel(TRenameCn &rename, std::vector<TargetEntry> &entries);

// What a run needs to know of its targets' contents: the shooting time for
// a date step or order that uses it and for times set to it, everything
// for names made of the files' information.
TMediaNeed RunMediaNeed(RunMode mode, const TRenameCn &rename, const TChangeCn &change);

// True when a rename's name or order rests on the shooting time, so that a
// target without one is noted in the plan.
bool RenameUsesShotTime(const TRenameCn &rename);

// After every target of a numbering rename, whether it succeeded or not;
// wraps rather than overflowing.
void AdvanceSeqCounter(TRenameCn &rename);

// The folder of the walk that a folder made in the destination stands for:
// the destination mirrors the walked tree from the level up, so a folder
// made n levels above the level's destination stands for the folder n
// levels above the level's folder.  `made` has no trailing delimiter; so
// has the result.
std::string SourceFolderOf(std::string_view levelFolder, std::string_view levelDestination,
                           std::string_view made);

// True when a successful rename or copy is followed by the date and
// attribute change.
bool FollowsUp(const TChangeCn &change);

// The eight numbers of a change record: what `change` read and wrote, with
// the attributes the target had before.
TChangeNumbers ChangeNumbersOf(const TChangeCn &change, std::uint32_t attributesBefore);
