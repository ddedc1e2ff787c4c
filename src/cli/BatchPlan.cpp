#include "cli/BatchPlan.h"

#include <cstdio>

#include "cli/BatchEdit.h"
#include "cli/BatchMessages.h"
#include "platform/Cp932.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "run/RunLog.h"
#include "run/RunPlan.h"
#include "run/RunUndo.h"

namespace {

// The plan's lines, printed and logged as the run's would be.
class TBatchPlanSink final : public TPlanSink {
public:
  explicit TBatchPlanSink(TBatchHost &host) : Host_(host) {}
  void AddPlanMarker(std::string_view marker) override { Host_.AddLogLine(std::string(marker)); }
  void AddPlanRecord(const TPlanRecord &record) override {
    // The room of the last line is reused: a plan prints one per target.
    Line_.clear();
    AppendPlanLine(Line_, record);
    Host_.AddLogLine(Line_);
  }

private:
  TBatchHost &Host_;
  std::string Line_;
};

void Note(const std::string &utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "korvane-batch: %s\n", utf8.c_str());
}

std::string WithPath(const std::string &message, const std::string &path) {
  const std::size_t at = message.find("%s");
  if (at == std::string::npos) return message;
  return message.substr(0, at) + path + message.substr(at + 2);
}

// The same file, by identity when both exist, else by name.
bool SameFile(const std::string &a, const std::string &b) {
  const std::optional<TFileId> first = GetFileId(a);
  const std::optional<TFileId> second = GetFileId(b);
  if (first && second) return *first == *second;
  return a == b;
}

TRunOutcome Undo(const TBatchOptions &options, TRunDriver &driver, TBatchHost &host) {
  const std::string &log = *options.UndoLog;
  // The undo's own log would replace the one it reads.
  if (options.Log && SameFile(*options.Log, log)) {
    host.SetStatusText(WithPath("元に戻すログ %s に、元に戻す処理のログは書けません", log));
    return TRunOutcome::Refused;
  }
  std::string error;
  const std::optional<std::vector<std::string>> lines = ReadLogForUndo(log, !options.UndoAll, error);
  if (!lines) {
    host.SetStatusText(error);
    return TRunOutcome::Refused;
  }
  TUndoOptions undo;
  undo.All = options.UndoAll;
  undo.Plan = options.UndoPlan;
  undo.LogPath = AbsolutePath(log);
  TUndoStats stats;
  const TRunOutcome outcome = driver.UndoRun(*lines, undo, stats);
  if (outcome == TRunOutcome::Refused) return outcome;
  if (stats.Unreadable > 0)
    Note(BatchText(TBatchText::UndoLinesPassedOver, {std::to_string(stats.Unreadable)}));
  Note(Cp932ToUtf8Lossy(stats.Message));
  return outcome;
}

}  // namespace

RunMode LoggedMode(const TBatchOptions &options) {
  if (options.Mode) return *options.Mode;
  if (options.Edit) return RunMode::Rename;
  if (options.PlanMode) return *options.PlanMode;
  return RunMode::Change;
}

TRunOutcome StartRun(const TBatchOptions &options, TRunDriver &driver, TBatchHost &host) {
  if (options.UndoLog) return Undo(options, driver, host);
  if (RunsThroughPlan(options)) return StartPlannedRun(options, driver, host);
  if (options.PlanMode) {
    TBatchPlanSink sink(host);
    // A plan changes nothing: its lines may be written while it goes on.
    const TWritingAside aside(host);
    return driver.PlanRun(*options.PlanMode, sink);
  }
  return driver.SpeedButtonClick(*options.Mode);
}
