#pragma once
// The run host of korvane-batch: the job is fixed, the log goes to stdout
// (and a log file), the list to stdout, and SIGINT/SIGTERM stand for Esc.

#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "core/Histories.h"
#include "cli/OutputWriter.h"
#include "run/RunHost.h"
#include "run/RunDriver.h"
#include "run/RunLog.h"

// Set by the signal handler; the host's pump turns it into an abort.
extern volatile std::sig_atomic_t gBatchStopSignal;
// SIGINT and SIGTERM stop the run as Esc does.  SIGPIPE is ignored: a
// reader that goes away (`| head`) makes the next write fail, and that
// failure stops the run in order, its log file complete up to "中断".
void InstallBatchSignalHandlers();

// CP932 text for stdout and stderr: UTF-8 with the exact bytes of names.
std::string TerminalText(std::string_view cp932);
// The same appended to `out`.
void AppendTerminalText(std::string &out, std::string_view cp932);

class TBatchProgress;

// How the host prints.
struct TBatchOutput {
  bool NullAfterPaths = false;         // list: NUL after each path instead of a line end
  std::string NoticeBeforeFirstLine;   // UTF-8, to stderr before the run's first line
  TBatchProgress *Progress = nullptr;  // the terminal's progress line, if any
};

class TBatchHost final : public TRunHost {
public:
  // logPath: CP932 path of the log file, opened (and replaced) when the run
  // writes its first log line.
  TBatchHost(const JobSettings &job, std::optional<std::string> logPath,
             TBatchOutput output = {})
      : Job_(job), LogPath_(std::move(logPath)), Output_(std::move(output)) {}

  void Attach(TRunDriver &driver) { Driver_ = &driver; }

  const JobSettings &Job() override { return Job_; }
  void ProcessMessages() override;
  void SetStatusText(const std::string &text) override { StatusText_ = text; }
  void SetRunMessage(const std::string &) override {}
  void SetBusyCursor(bool) override {}
  void AddLogLine(const std::string &line) override;
  std::optional<std::string> LogFilePath() override;
  std::optional<TFileId> LogFileId() override { return LogFile_.FileId(); }
  void ShowLogPage() override {}
  void ClearList() override {}
  void AddListLine(const std::string &path) override;
  void ShowPage(TRunPage) override {}
  void SetFocus(TRunFocus control) override { Focus_ = control; }
  bool IsHistoryTextTyped(THistoryBox) override { return true; }
  void PushHistory(THistoryBox box, const std::string &text) override;
  void PushReplaceHistory(THistoryBox box,
                          const std::array<std::string, kConditionCount> &texts) override;

  // A job refused for a reason of korvane-batch's own (UTF-8), said instead
  // of the status text.
  void Refuse(std::string message) { Refusal_ = std::move(message); }
  const std::optional<std::string> &Refusal() const { return Refusal_; }
  // Nothing was run, at the user's word or for want of anything to do.
  void Decline(std::string message = {}) {
    Declined_ = true;
    DeclineMessage_ = std::move(message);
  }
  bool Declined() const { return Declined_; }
  const std::string &DeclineMessage() const { return DeclineMessage_; }
  // The counts of a plan whose rows were changed after the driver made it.
  void SetPlanStats(TRunStats stats) { PlanStats_ = std::move(stats); }
  const TRunStats &StatsOf(const TRunDriver &driver) const;

  const std::string &StatusText() const { return StatusText_; }
  TRunFocus Focus() const { return Focus_; }
  // The log file could not be created or written (CP932 message); the run
  // was stopped at that point.
  const std::optional<std::string> &LogFileError() const { return LogFileError_; }
  // Closes the log file; false (and LogFileError set) when the last writes fail.
  bool CloseLogFile();
  // Flushes stdout; false when any output of the run could not be written.
  bool FlushOutput();
  bool OutputFailed() const { return OutputFailed_; }
  // From StartWritingAside to StopWritingAside the run's lines are written
  // by a thread of their own (TOutputWriter), where stdout is no terminal
  // and a thread can be had; for a plan, which changes nothing.
  void StartWritingAside();
  void StopWritingAside();
  // The notice of the output, said once: before the run's first line, or
  // earlier, before a plan shown for a question, so the user reads it
  // before answering.
  void SayNotice();

private:
  void WriteOut(const std::string &cp932Line, char end);
  void FailLogFile(const std::string &message);

  const JobSettings &Job_;
  TRunDriver *Driver_ = nullptr;
  std::optional<std::string> LogPath_;
  TLogFileWriter LogFile_;
  bool LogFileTried_ = false;
  bool OutputFailed_ = false;
  bool NoticeSaid_ = false;
  // Output waiting in the stream's buffer, and when it was last handed on.
  std::string Text_;  // the line being written out
  bool Unflushed_ = false;
  long long LastFlushMs_ = 0;
  void FlushWhenDue();
  TBatchOutput Output_;
  std::unique_ptr<TOutputWriter> Aside_;
  std::optional<std::string> LogFileError_;
  std::string StatusText_;
  std::optional<std::string> Refusal_;
  bool Declined_ = false;
  std::string DeclineMessage_;
  std::optional<TRunStats> PlanStats_;
  TRunFocus Focus_ = TRunFocus::None;
  THistories Histories_ = InitialHistories();
};

// A plan's lines written aside for as long as it lives.
class TWritingAside {
public:
  explicit TWritingAside(TBatchHost &host) : Host_(host) { Host_.StartWritingAside(); }
  ~TWritingAside() { Host_.StopWritingAside(); }
  TWritingAside(const TWritingAside &) = delete;
  TWritingAside &operator=(const TWritingAside &) = delete;

private:
  TBatchHost &Host_;
};
