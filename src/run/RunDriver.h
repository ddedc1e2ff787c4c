#pragma once
// The run driver: turns a click on one of the five run buttons into one run
// (validate, split the lists, walk, log, histories) and owns the Esc abort.
// It keeps references to the four operation objects and the host; it owns
// neither.  One run at a time: a click while a run is under way (the walk
// pumps the host's events, so clicks arrive) is refused as Busy.

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>
#include <vector>

#include "platform/DateTime.h"
#include "run/RunHost.h"
#include "run/RunMode.h"

class TRenameCn;
class TCopyCn;
class TDeleteCn;
class TChangeCn;
class TRunWalkStep;
class TPlanWalkStep;
class TPlanSink;
class TUndoStep;
class TEditedPlan;
class TJournalWriter;
struct TRunSetup;
struct TUndoStats;
struct TUndoOptions;
struct TListedTargets;

enum class TRunOutcome {
  Refused,   // ValidateRun refused (its message is in the status panel)
  Busy,      // a run was already under way; nothing was done
  Finished,  // the walk ended normally ("終了" for a run that logs)
  Aborted,   // Esc was seen ("中断")
};

struct TRunStats {
  std::size_t Records = 0;         // log records written (follow-ups included)
  std::size_t FailedRecords = 0;   // of them, with "結果: 失敗"
  std::size_t Listed = 0;          // lines of a List run
  std::size_t Unrepresentable = 0; // names passed over: not representable in CP932
  std::vector<std::string> PassedOverExamples;  // the first few of them (UTF-8 paths)
  // Failed records by their reason (CP932 text), in the order first met.
  std::vector<std::pair<std::string, std::size_t>> FailureReasons;
  // Folders that could not be opened or read, with the reason (CP932): a
  // List run has no records, and reports them this way alone.
  std::vector<std::pair<std::string, std::string>> UnreadFolders;

  void CountFailure(const std::string &reason);
};

// The folder a run puts its copies and renamed copies in: the copy folder
// when it is set (blanks do not count) and the run copies, else the target
// folder.
const std::string &RunDestination(RunMode mode, const JobSettings &job);

class TRunDriver {
public:
  TRunDriver(TRunHost &host, TRenameCn &rename, TCopyCn &copy, TDeleteCn &del,
             TChangeCn &change);
  ~TRunDriver();
  TRunDriver(const TRunDriver &) = delete;
  TRunDriver &operator=(const TRunDriver &) = delete;

  // One run.  A rename job whose replace conditions do not all compile is
  // refused before anything is touched (the engine's message in the status
  // panel).  An error that ends the run (a file the copy policy cannot
  // read) propagates after the run state is restored and the log is closed
  // with "中断".
  TRunOutcome SpeedButtonClick(RunMode mode);

  // The plan of a run: the same validation, walk, narrowing, order and
  // pipeline, but nothing is touched; the sink gets the markers and, for
  // every record the run would most likely write, that record with its
  // predicted outcome.  Stats() counts the records and the predicted
  // failures.  Errors end it as they end a run.
  TRunOutcome PlanRun(RunMode mode, TPlanSink &sink);

  // The targets a run would find, listed as its walk lists them and kept
  // for PlanListed (ListedTargets.cpp); nothing is planned.  Refused as a
  // plan is.  `enough` is asked, with the number of targets listed so far,
  // between one folder's listing and the next: once it says so, the
  // listing ends there, incomplete.  A folder listed is always kept whole.
  TRunOutcome ListTargets(RunMode mode, TListedTargets &listed,
                          const std::function<bool(std::size_t listed)> &enough = {});
  // The plan of targets listed before, made as PlanRun makes it (the job
  // validated again, the same order, numbering and pipeline) without
  // listing the folders again.  `enough` is asked after every target: once
  // it says so, the plan ends there (Finished).
  TRunOutcome PlanListed(RunMode mode, const TListedTargets &listed, TPlanSink &sink,
                         const std::function<bool()> &enough);

  // Takes back the last run of a log (every run with options.All, newest
  // first) from its journal, and logs what it did through the host, as a
  // run does; with options.Plan only what it would do.  Refused (with the
  // reason in the status text) for a log this machine's paths are not in;
  // Finished without a line when there was nothing to take back.
  TRunOutcome UndoRun(const std::vector<std::string> &logLines, const TUndoOptions &options,
                      TUndoStats &stats);

  // Runs a rename plan as it stands, new names edited by hand included
  // (EditedPlanRun.cpp): the job is validated again, then every row is
  // renamed in the plan's order and logged as a rename run logs it, with
  // the same date and attribute follow-up, the same abort, end line and
  // histories, so its log is undone as any rename's.
  TRunOutcome RunEditedPlan(const TEditedPlan &plan);

  // Esc: sets the abort flag, which the walk polls after every pump.  The
  // next run clears it.
  void Abort() { AbortRequested_ = true; }
  bool AbortRequested() const { return AbortRequested_; }
  bool IsRunning() const { return Running_; }

  // Bounds of the modification-time narrowing, as the last validation left
  // them (each keeps its previous value while its date field is empty).
  const DateTimeParts &DateRangeFrom() const { return DateRangeFrom_; }
  const DateTimeParts &DateRangeTo() const { return DateRangeTo_; }

  // Counts of the last run.
  const TRunStats &Stats() const { return Stats_; }

private:
  friend class TRunWalkStep;
  friend class TPlanWalkStep;
  friend class TUndoStep;
  TRunOutcome Run(RunMode mode);
  // The drop-down histories after a run that logs, from the boxes as they
  // stand now.
  void PushHistories(RunMode mode);
  // Validation (a refusal shown through the host) and the run's lists.
  std::optional<TRunSetup> Prepare(RunMode mode);

  TRunHost &Host_;
  TRenameCn &Rename_;
  TCopyCn &Copy_;
  TDeleteCn &Delete_;
  TChangeCn &Change_;
  bool AbortRequested_ = false;
  bool Running_ = false;
  DateTimeParts DateRangeFrom_{};
  DateTimeParts DateRangeTo_{};
  TRunStats Stats_;
  // The journal of the run under way (none for a list or a plan).
  std::unique_ptr<TJournalWriter> Journal_;
};
