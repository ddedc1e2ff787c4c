#pragma once
// The plan of a run (TRunDriver::PlanRun): for every target, the record the
// run would most likely write, with its predicted outcome.  A plan line is
// the run's log line with "結果: 予定" where the run writes "結果: 成功"; a
// predicted failure ends with its reason (" 理由: ...;") as the run's does.

#include <string>
#include <string_view>

#include "ops/Prediction.h"
#include "run/RunLog.h"
#include "run/RunMode.h"

struct TPlanRecord {
  RunMode Mode = RunMode::Rename;  // Change also for the change that follows a rename or copy
  bool Ok = true;
  TFailure Failure;         // why, when not Ok
  std::string Path;         // as the log names the target
  std::string Destination;  // Rename and Copy
  TChangeNumbers Numbers;   // Change
  // A rename: the target's path on disk when the plan was made (Path shows
  // it under the new names of the folders above it), and whether this is
  // the move of a resolved chain to a temporary name, which a later record
  // moves on to the target's new name.
  std::string Source;
  bool Temporary = false;
  // An undo's records say these in words of their own (CP932): what is done
  // to the entry where it is not moved, and why it cannot be.
  std::string Outcome;
  std::string Reason;
};

// The line the run would write for the record.
std::string RunLineOf(const TPlanRecord &record);
// The line a dry run prints for it.
std::string PlanLineOf(const TPlanRecord &record);
// The same appended to `line`, for a caller printing a line per target.
void AppendPlanLine(std::string &line, const TPlanRecord &record);

class TPlanSink {
public:
  virtual ~TPlanSink() = default;
  // "開始" first, then "終了" or "中断" last, as the run writes them.
  virtual void AddPlanMarker(std::string_view marker) = 0;
  virtual void AddPlanRecord(const TPlanRecord &record) = 0;
};
