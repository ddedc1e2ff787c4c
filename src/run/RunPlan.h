#pragma once
// The plan of a run (TRunDriver::PlanRun): for every target, the record the
// run would most likely write, with its predicted outcome.  A plan line is
// the run's log line with two substitutions: "結果: 予定" where the run
// writes "結果: 成功", and a predicted failure ends with " 理由: ...;".

#include <string>
#include <string_view>

#include "ops/Prediction.h"
#include "run/RunLog.h"
#include "run/RunMode.h"

struct TPlanRecord {
  RunMode Mode = RunMode::Rename;  // Change also for the change that follows a rename or copy
  bool Ok = true;
  TPredictReason Reason = TPredictReason::None;
  std::string Path;         // as the log names the target
  std::string Destination;  // Rename and Copy
  TChangeNumbers Numbers;   // Change
  std::string Field;        // FieldMissing: the field the file lacks
};

// The line the run would write for the record.
std::string RunLineOf(const TPlanRecord &record);
// The reason a run's own log line gives for a failure (empty for the
// failures its lines have always left unexplained).
std::string RunLogReason(TPredictReason reason, std::string_view field);
// The line a dry run prints for it.
std::string PlanLineOf(const TPlanRecord &record);
// The reason as a dry run prints it (CP932); `field` names the field of a
// FieldMissing.  A record that succeeds may carry a note
// (ShotTimeFallback), printed the same way.
std::string ReasonText(TPredictReason reason, std::string_view field = {});

class TPlanSink {
public:
  virtual ~TPlanSink() = default;
  // "開始" first, then "終了" or "中断" last, as the run writes them.
  virtual void AddPlanMarker(std::string_view marker) = 0;
  virtual void AddPlanRecord(const TPlanRecord &record) = 0;
};
