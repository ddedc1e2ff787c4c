// The run of a rename plan whose names may have been edited by hand.  It
// does not walk the folder again: the rows are what the user saw and
// approved, so exactly they are acted on, in their order.  Each row is the
// rename (or renamed copy) RenameTarget would make under the row's name,
// through the same operation, then its log record and the date and
// attribute follow-up, before the next row, as the walk's step does it.
// What a row meets on the disk decides its record, as in any run.

#include <optional>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Inspect.h"
#include "run/EditedPlan.h"
#include "run/RunDriver.h"
#include "run/RunLog.h"
#include "run/RunSteps.h"

namespace {

class TEditedRun {
public:
  TEditedRun(TRunHost &host, TRenameCn &rename, TChangeCn &change, TRunStats &stats,
             const bool &aborted)
      : Host_(host), Rename_(rename), Change_(change), Stats_(stats), Aborted_(aborted) {}

  void Run(const TEditedPlan &plan) {
    // Where the rows below a folder target are now, where that differs from
    // what the plan showed: the folder got another name, or kept its own.
    TFolderMoves moves;
    const bool makeCopy = Rename_.MakeCopy;
    for (std::size_t i = 0; i < plan.Size(); ++i) {
      Host_.ProcessMessages();
      if (Aborted_) return;
      const TPlanRecord &planned = plan.Planned(i);
      // A change that follows a rename is made with its rename, below.
      if (planned.Mode != RunMode::Rename || plan.PassedOver(i)) continue;
      const std::string path = moves.Moved(planned.Path);
      if (ExtractFileName(path).empty()) {
        // A folder the plan could not read: the run cannot either.
        Log(RunMode::Rename, path, false, {}, path, planned.Failure);
        continue;
      }
      const std::string destination = FolderOfPath(moves.Moved(planned.Destination));
      const std::string name = plan.NewName(i);
      const std::string newPath = destination + name;
      bool ok = false;
      std::uint32_t attributes = 0;
      const TFailReason reason = planned.Ok ? TFailReason::None : planned.Failure.Reason;
      if (!plan.Edited(i) && (reason == TFailReason::TimeUnconvertible ||
                              reason == TFailReason::ReplaceFailed || reason == TFailReason::FieldMissing)) {
        // The steps made no name for it, and none was given by hand.
        Log(RunMode::Rename, path, false, {}, newPath, planned.Failure);
      } else {
        if (makeCopy || FollowsUp(Change_)) {
          if (const std::optional<FindEntry> found = InspectEntry(TEntryRef(path)))
            attributes = found->Attributes;
        }
        ok = Rename_.RenameTargetTo(FolderOfPath(path), ExtractFileName(path), destination,
                                    attributes, name);
        Log(RunMode::Rename, path, ok, {}, newPath, Rename_.Failure);
        // A chain's move to a temporary name is no new name of its own.
        if (ok && !planned.Temporary) FollowUp(newPath, attributes);
      }
      const std::string shownPlanned = makeCopy || planned.Ok ? planned.Destination : planned.Path;
      const std::string shownNow = makeCopy || ok ? newPath : path;
      if (shownPlanned != shownNow) moves.Add(shownPlanned, shownNow);
    }
  }

private:
  // As the run's step: the change that follows a successful rename is
  // logged only when it succeeds.
  void FollowUp(const std::string &newPath, std::uint32_t sourceAttributes) {
    if (!FollowsUp(Change_)) return;
    if (Change_.ChangeTarget(TEntryRef(newPath)))
      Log(RunMode::Change, newPath, true, ChangeNumbersOf(Change_, sourceAttributes), {});
  }

  void Log(RunMode mode, const std::string &path, bool ok, const TChangeNumbers &numbers,
           const std::string &destination, const TFailure &failure = {}) {
    ++Stats_.Records;
    std::string reason;
    if (!ok) {
      ++Stats_.FailedRecords;
      reason = ReasonText(failure);
      Stats_.CountFailure(reason);
    }
    Host_.AddLogLine(FormatLogLine(mode, path, ok, numbers, destination, reason));
  }

  TRunHost &Host_;
  TRenameCn &Rename_;
  TChangeCn &Change_;
  TRunStats &Stats_;
  const bool &Aborted_;
};

}  // namespace

TRunOutcome TRunDriver::RunEditedPlan(const TEditedPlan &plan) {
  if (Running_) return TRunOutcome::Busy;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  // The job is checked as a run checks it (its folder may have gone since
  // the plan), and the values of the follow-up are worked out again.
  if (!Prepare(RunMode::Rename)) return TRunOutcome::Refused;

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  Host_.SetRunMessage(std::string(kRunMessage));
  auto finish = [&](bool aborted) {
    Host_.SetRunMessage(std::string());
    Host_.SetBusyCursor(false);
    Host_.AddLogLine(std::string(aborted ? kLogAborted : kLogFinished));
  };
  try {
    Host_.AddLogLine(std::string(kLogStart));
    Host_.ShowLogPage();
    TEditedRun(Host_, Rename_, Change_, Stats_, AbortRequested_).Run(plan);
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  PushHistories(RunMode::Rename);
  return AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
}
