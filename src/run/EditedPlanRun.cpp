// The run of a rename plan whose names may have been edited by hand.  It
// does not walk the folder again: the rows are what the user saw and
// approved, so exactly they are acted on, in their order.  Each row is the
// rename (or renamed copy) RenameTarget would make under the row's name,
// through the same operation, then its log record and the date and
// attribute follow-up, before the next row, as the walk's step does it.
// Every act goes into the run's journal before it is made, so the undo
// takes the run back as any other.  What a row meets on the disk decides
// its record, as in any run.

#include <cerrno>
#include <memory>
#include <optional>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "run/EditedPlan.h"
#include "run/RunDriver.h"
#include "run/RunJournal.h"
#include "run/RunLog.h"
#include "run/RunSteps.h"

namespace {

class TEditedRun {
public:
  TEditedRun(TRunHost &host, TRenameCn &rename, TChangeCn &change, TRunStats &stats,
             const bool &aborted, TJournalWriter *journal)
      : Host_(host), Rename_(rename), Change_(change), Stats_(stats), Aborted_(aborted),
        Journal_(journal) {
    // Every act is journaled first, as in any run.
    Rename_.BeforeAct = [this](const TAct &act) { return BeforeAct(act); };
  }
  ~TEditedRun() { Rename_.BeforeAct = nullptr; }
  TEditedRun(const TEditedRun &) = delete;
  TEditedRun &operator=(const TEditedRun &) = delete;

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
        // One look at the entry gives the journal what it is and the rename
        // whether it is a folder.  The attributes proper (read with the
        // entry's extended attributes) are needed only by a change that
        // follows, whose record gives them, and by a copy; a link is
        // judged by what it points to.
        const std::string folder = FolderOfPath(path);
        const std::string leaf = ExtractFileName(path);
        // A rename in place reaches its entry through the folder held open,
        // as the walk's rename does: no path is walked per row.
        const TFolderHandle *held = makeCopy ? nullptr : Held(folder);
        const TEntryRef entry = held != nullptr ? TEntryRef(*held, leaf) : TEntryRef(path);
        const std::optional<TEntryStatus> status = InspectStatus(entry);
        if (status && (status->IsSymlink || makeCopy || FollowsUp(Change_))) {
          if (const std::optional<FindEntry> found = InspectEntry(entry)) attributes = found->Attributes;
        } else if (status && status->IsFolder) {
          attributes = kAttrDirectory;
        }
        RowIdentity_ = status ? std::optional<TIdentity>(IdentityOf(*status)) : std::nullopt;
        RowIdentityTaken_ = false;
        Current_ = path;
        ok = Rename_.RenameTargetTo(folder, leaf, destination, attributes, name, held);
        // A rename leaves the entry as it was; a copy is a file of its own.
        Ended(ok, !ok ? std::nullopt : makeCopy ? IdentityOf(TEntryRef(newPath)) : BeforeIdentity_);
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
  // `folder` held open, the last one kept: the rows of a folder come one
  // after another.  Null when it cannot be opened (the row then goes by
  // its path, and fails as that does).
  const TFolderHandle *Held(const std::string &folder) {
    if (folder != HeldPath_) {
      HeldPath_ = folder;
      HeldFolder_ = TFolderHandle::Open(folder);
    }
    return HeldFolder_.Valid() ? &HeldFolder_ : nullptr;
  }

  // As the run's step: the change that follows a successful rename is
  // logged only when it succeeds.
  void FollowUp(const std::string &newPath, std::uint32_t sourceAttributes) {
    if (!FollowsUp(Change_)) return;
    Current_ = newPath;
    const bool folder = (sourceAttributes & kAttrDirectory) != 0;
    if (!BeforeAct(TAct{TActKind::Change, newPath, {}, folder, false})) return;
    const bool ok = Change_.ChangeTarget(TEntryRef(newPath));
    Ended(ok, ok ? IdentityOf(TEntryRef(newPath)) : std::nullopt);
    if (ok) Log(RunMode::Change, newPath, true, ChangeNumbersOf(Change_, sourceAttributes), {});
  }

  // Before an act on the disk: the journal gets it first, with what the
  // entry is.  A journal that cannot be written forbids the act.
  bool BeforeAct(const TAct &act) {
    if (Journal_ == nullptr) return true;
    // The row's first act is on the entry the row has just looked at.
    BeforeIdentity_ =
        !RowIdentityTaken_ && act.From == Current_ ? RowIdentity_ : IdentityOf(TEntryRef(Current_));
    RowIdentityTaken_ = true;
    if (Journal_->Begin(act.Kind, std::string(act.From), std::string(act.To), BeforeIdentity_, act.Folder,
                        act.ToExisted, Act_))
      return true;
    Act_ = 0;
    errno = Journal_->Error();
    return false;
  }

  void Ended(bool ok, const std::optional<TIdentity> &after) {
    if (Act_ != 0 && Journal_ != nullptr) Journal_->End(Act_, ok, after);
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
    const std::string line = FormatLogLine(mode, path, ok, numbers, destination, reason);
    Host_.AddLogLine(line);
    if (Journal_ != nullptr) {
      Journal_->Recorded(Act_, line);
      // A run that can no longer journal its acts must not make any more.
      if (Journal_->Error() != 0)
        throw EInOutError(std::string(kMsgJournalFailed) + " (" + ReasonText(FailureOf(Journal_->Error())) + ")");
    }
    Act_ = 0;
  }

  TRunHost &Host_;
  TRenameCn &Rename_;
  TChangeCn &Change_;
  TRunStats &Stats_;
  const bool &Aborted_;
  TJournalWriter *Journal_;
  // The entry under way, what the journal knows of it, and its act.
  std::string Current_;
  std::optional<TIdentity> BeforeIdentity_;
  std::string HeldPath_;
  TFolderHandle HeldFolder_;
  // What the row's look found, for its first act.
  std::optional<TIdentity> RowIdentity_;
  bool RowIdentityTaken_ = true;
  std::size_t Act_ = 0;
};

}  // namespace

TRunOutcome TRunDriver::RunEditedPlan(const TEditedPlan &plan) {
  if (Running_) return TRunOutcome::Busy;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  // The job is checked as a run checks it (its folder may have gone since
  // the plan), and the values of the follow-up are worked out again.
  const std::optional<TRunSetup> setup = Prepare(RunMode::Rename);
  if (!setup) return TRunOutcome::Refused;
  // No run acts on the disk without its journal, this one neither.
  struct TJournalScope {
    std::unique_ptr<TJournalWriter> &Journal;
    ~TJournalScope() { Journal.reset(); }
  } journalScope{Journal_};
  Journal_ = std::make_unique<TJournalWriter>();
  if (!Journal_->Open("rename", {AbsolutePath(setup->Job.FindFile.Folder), AbsolutePath(setup->Destination)})) {
    Host_.SetStatusText(std::string(kMsgNoJournal) + ReasonText(FailureOf(errno)));
    return TRunOutcome::Refused;
  }

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  Host_.SetRunMessage(std::string(kRunMessage));
  auto finish = [&](bool aborted) {
    Host_.SetRunMessage(std::string());
    Host_.SetBusyCursor(false);
    Host_.AddLogLine(std::string(aborted ? kLogAborted : kLogFinished));
    Journal_->Close(aborted);
  };
  try {
    Host_.AddLogLine(std::string(kLogStart));
    if (const std::optional<std::string> log = Host_.LogFilePath()) Journal_->NoteLog(*log);
    Host_.ShowLogPage();
    TEditedRun(Host_, Rename_, Change_, Stats_, AbortRequested_, Journal_.get()).Run(plan);
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  PushHistories(RunMode::Rename);
  return AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
}
