#include "cli/BatchHost.h"

#include <time.h>
#include <unistd.h>

#include <system_error>

#include "cli/BatchProgress.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "run/RunDriver.h"

volatile std::sig_atomic_t gBatchStopSignal = 0;

namespace {

extern "C" void OnStopSignal(int signal) { gBatchStopSignal = signal; }

std::string WithPath(std::string message, const std::string &path) {
  std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, path);
  return message;
}

}  // namespace

// Names exactly as they are on disk, bytes that are not UTF-8 included, so
// the output can be fed to other tools; only bytes that are no CP932 at all
// (a broken settings value) show as '?'.
void AppendTerminalText(std::string &out, std::string_view cp932) {
  if (!AppendCp932AsUtf8Bytes(out, cp932)) out += Cp932ToUtf8Lossy(cp932);
}

std::string TerminalText(std::string_view cp932) {
  std::string text;
  AppendTerminalText(text, cp932);
  return text;
}

void InstallBatchSignalHandlers() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  // Restarted calls: a write to a full pipe goes on after the signal, and the
  // run stops at its next check, as after Esc.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // A closed terminal stops the run as the others do, its log complete.
  sigaction(SIGHUP, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

namespace {

// Output is handed on at least this often while a run goes on, so a reader
// (`| tee`, a terminal) sees the records live.
constexpr long long kFlushMs = 100;

long long NowMs() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

void TBatchHost::FlushWhenDue() {
  if (Aside_) {
    Aside_->HandOnWhenDue();
    return;
  }
  if (!Unflushed_) return;
  const long long now = NowMs();
  if (now - LastFlushMs_ < kFlushMs) return;
  LastFlushMs_ = now;
  Unflushed_ = false;
  if (std::fflush(stdout) != 0 && !OutputFailed_) {
    // Nobody would see what the run does: stop it, as a log file error does.
    OutputFailed_ = true;
    if (Driver_ != nullptr) Driver_->Abort();
  }
}

void TBatchHost::ProcessMessages() {
  FlushWhenDue();
  if (gBatchStopSignal != 0 && Driver_ != nullptr) Driver_->Abort();
  if (Output_.Progress != nullptr && Driver_ != nullptr && Output_.Progress->Due()) {
    const TRunStats &stats = Driver_->Stats();
    Output_.Progress->Update(stats.Records + stats.Listed, Cp932ToUtf8Lossy(StatusText_));
  }
}

void TBatchHost::SayNotice() {
  if (NoticeSaid_) return;
  NoticeSaid_ = true;
  if (Output_.NoticeBeforeFirstLine.empty()) return;
  std::fflush(stdout);
  std::fprintf(stderr, "korvane-batch: %s\n", Output_.NoticeBeforeFirstLine.c_str());
}

void TBatchHost::WriteOut(const std::string &cp932Line, char end) {
  SayNotice();
  if (Output_.Progress != nullptr) Output_.Progress->Clear();
  if (Aside_) {
    Aside_->Add(cp932Line, end);
    if (Aside_->Failed() && !OutputFailed_) {
      OutputFailed_ = true;
      if (Driver_ != nullptr) Driver_->Abort();
    }
    return;
  }
  // The room of the last line is reused: a run writes one per target.
  std::string &text = Text_;
  text.clear();
  AppendTerminalText(text, cp932Line);
  text += end;
  // The stream gathers the records (a write per record into a pipe would
  // cost more than the record); they are handed on when its buffer fills
  // and at least every kFlushMs (FlushWhenDue).  A buffered stream fails
  // only in the flush that follows; the error flag tells.
  const bool written =
      std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && !std::ferror(stdout);
  if (written) {
    if (!Unflushed_ && LastFlushMs_ == 0) LastFlushMs_ = NowMs();
    Unflushed_ = true;
    FlushWhenDue();
  }
  if (!written && !OutputFailed_) {
    // Nobody would see what the run does: stop it, as a log file error does.
    OutputFailed_ = true;
    if (Driver_ != nullptr) Driver_->Abort();
  }
}

void TBatchHost::StartWritingAside() {
  if (Aside_ || ::isatty(STDOUT_FILENO) == 1) return;
  // What was written before goes first.
  if (std::fflush(stdout) != 0) OutputFailed_ = true;
  try {
    Aside_ = std::make_unique<TOutputWriter>(stdout);
  } catch (const std::system_error &) {
    // No thread to be had: the lines are written as they come.
  }
}

void TBatchHost::StopWritingAside() {
  if (!Aside_) return;
  if (!Aside_->Finish()) OutputFailed_ = true;
  Aside_.reset();
}

bool TBatchHost::FlushOutput() {
  StopWritingAside();
  Unflushed_ = false;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) OutputFailed_ = true;
  return !OutputFailed_;
}

void TBatchHost::FailLogFile(const std::string &message) {
  if (!LogFileError_) LogFileError_ = message;
  // A log that cannot be kept ends the run, as an error in the window would.
  if (Driver_ != nullptr) Driver_->Abort();
}

void TBatchHost::AddLogLine(const std::string &line) {
  WriteOut(line, '\n');
  if (!LogPath_ || LogFileError_) return;
  if (!LogFileTried_) {
    LogFileTried_ = true;
    if (!LogFile_.Open(*LogPath_)) {
      FailLogFile(WithPath("ファイル %s を作成できません", *LogPath_));
      return;
    }
  }
  // Flushed record by record: a file changed on disk must have its line in
  // the log even when the process is killed right after.
  if (!LogFile_.Append(line) || !LogFile_.Flush())
    FailLogFile(WithPath("%s に書き込めません", *LogPath_));
}

std::optional<std::string> TBatchHost::LogFilePath() {
  if (!LogPath_) return std::nullopt;
  return AbsolutePath(*LogPath_);
}

bool TBatchHost::CloseLogFile() {
  if (!LogFile_.IsOpen()) return !LogFileError_;
  if (!LogFile_.Close()) FailLogFile(WithPath("%s に書き込めません", *LogPath_));
  return !LogFileError_;
}

void TBatchHost::AddListLine(const std::string &path) {
  WriteOut(path, Output_.NullAfterPaths ? '\0' : '\n');
}

namespace {
std::vector<std::string> &ListOf(THistories &histories, THistoryBox box) {
  switch (box) {
    case THistoryBox::Folder: return histories.Folder;
    case THistoryBox::CopyFolder: return histories.CopyFolder;
    case THistoryBox::Filter: return histories.Filter;
    case THistoryBox::Exception: return histories.Exception;
    case THistoryBox::FromName: return histories.FromName;
    case THistoryBox::ToName: break;
  }
  return histories.ToName;
}
}  // namespace

// korvane-batch keeps no histories between runs; they are kept for the
// length of the process only, as the driver expects somewhere to put them.
void TBatchHost::PushHistory(THistoryBox box, const std::string &text) {
  ::PushHistory(ListOf(Histories_, box), text);
}

void TBatchHost::PushReplaceHistory(THistoryBox box,
                                    const std::array<std::string, kConditionCount> &texts) {
  ::PushReplaceHistory(ListOf(Histories_, box), texts);
}

const TRunStats &TBatchHost::StatsOf(const TRunDriver &driver) const {
  return PlanStats_ ? *PlanStats_ : driver.Stats();
}
