// korvane-batch: one Korvane job without a window.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "cli/BatchHost.h"
#include "cli/BatchKeys.h"
#include "cli/BatchMessages.h"
#include "cli/BatchOptions.h"
#include "cli/BatchPlan.h"
#include "cli/BatchProgress.h"
#include "cli/BatchSteps.h"
#include "core/IniFile.h"
#include "core/JobSettingsFile.h"
#include "core/NamedJobs.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "run/ApplyJob.h"
#include "run/RunDriver.h"

#ifndef KORVANE_VERSION
#define KORVANE_VERSION "unknown"
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailedRecords = 1;
constexpr int kExitUsage = 2;
constexpr int kExitError = 3;
constexpr int kExitSignal = 130;

void Message(const std::string &utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "korvane-batch: %s\n", utf8.c_str());
}

void SystemMessage(const std::string &cp932) { Message(Cp932ToUtf8Lossy(cp932)); }

std::string Shown(const std::string &cp932) { return Cp932ToUtf8Lossy(cp932); }

// The job field a refusal points at, with the value it refused.
std::string RefusedField(TRunFocus focus, const JobSettings &job) {
  const auto dateTime = [](const char *name, const std::string &date, const std::string &time) {
    return std::string(name) + ": '" + Cp932ToUtf8Lossy(date) + " " + Cp932ToUtf8Lossy(time) + "'";
  };
  switch (focus) {
    case TRunFocus::MaskEditUpDate:
      return dateTime("Change.UpDate/UpTime", job.Change.UpDate, job.Change.UpTime);
    case TRunFocus::MaskEditNwDate:
      return dateTime("Change.NwDate/NwTime", job.Change.NwDate, job.Change.NwTime);
    case TRunFocus::MaskEditAcDate:
      return dateTime("Change.AcDate/AcTime", job.Change.AcDate, job.Change.AcTime);
    case TRunFocus::MaskEditDateFrom:
      return dateTime("FindFile.DateFrom/TimeFrom", job.FindFile.DateFrom, job.FindFile.TimeFrom);
    case TRunFocus::MaskEditDateTo:
      return dateTime("FindFile.DateTo/TimeTo", job.FindFile.DateTo, job.FindFile.TimeTo);
    case TRunFocus::ComboBoxFolder:
      return "FindFile.Folder: " + Shown(job.FindFile.Folder);
    case TRunFocus::ComboBoxFilter:
      return "FindFile.Filter";
    case TRunFocus::ComboBoxCopyFolder:
      return "Copy.Folder: " + Shown(job.Copy.Folder);
    case TRunFocus::None:
      break;
  }
  return {};
}

// Why a settings file cannot be read whole, or nothing when it was read.
std::optional<std::string> ReadSettingsFile(const std::string &path, JobSettings &job) {
  const TIniFile file(path);
  if (file.Missing()) {
    // The window reads a missing file as an empty one; here a mistyped name
    // would silently run the default job.
    struct stat link {};
    const std::optional<std::string> native = Cp932ToUtf8(path);
    if (native && ::lstat(native->c_str(), &link) == 0 && S_ISLNK(link.st_mode))
      return BatchText(TBatchText::SettingsDanglingLink, {Shown(path)});
    return BatchText(TBatchText::SettingsNotFound, {Shown(path)});
  }
  if (file.Unreadable()) {
    std::string reason;
    if (file.ReadError() != 0) {
      reason = SystemErrorText(file.ReadError());
    } else {
      struct stat st {};
      const std::optional<std::string> native = Cp932ToUtf8(path);
      const bool known = native && ::stat(native->c_str(), &st) == 0;
      reason = known && S_ISDIR(st.st_mode)    ? SystemErrorText(EISDIR)
               : known && S_ISFIFO(st.st_mode) ? BatchText(TBatchText::ReasonFifo)
                                               : BatchText(TBatchText::ReasonNotRegular);
    }
    return BatchText(TBatchText::SettingsUnreadable, {Shown(path), reason});
  }
  // An empty file, or one that is no settings file, would otherwise run the
  // default job: a delete of every file of the folder.
  if (!HoldsJob(file)) return Shown(ENoJobError().Message()) + ": " + Shown(path);
  ReadJobSettings(file, job);
  return std::nullopt;
}

// A rename that makes its copies beside the originals is rarely what was
// meant on a command line (the window's default is to copy); say so.
std::string CopyNotice(RunMode mode, const JobSettings &job) {
  if (mode != RunMode::Rename || !job.Rename.Copy) return {};
  if (ExcludeTrailingDelimiter(RunDestination(mode, job)) !=
      ExcludeTrailingDelimiter(job.FindFile.Folder))
    return {};
  return BatchText(TBatchText::CopyNotice);
}

// A settings file written by hand may name a step twice, or a step that is
// none of the six; it is read as it stands, as the window reads it, but the
// steps then do not run as the file seems to say.  Only a job that renames
// (or shows the renaming) cares.
void WarnAboutOrderList(const TBatchOptions &options, const JobSettings &job) {
  const bool renames = options.Mode == RunMode::Rename || options.PlanMode == RunMode::Rename ||
                       options.Edit || options.Sample || options.PrintSettings;
  if (!renames) return;
  const TOrderListFaults faults = CheckOrderList(job.Rename);
  const auto key = [](std::size_t position) { return "Rename.OrderItems" + std::to_string(position); };
  for (const std::vector<std::size_t> &positions : faults.Repeated) {
    std::string keys;
    for (const std::size_t position : positions) keys += (keys.empty() ? "" : ", ") + key(position);
    Message(BatchText(TBatchText::OrderRepeated, {keys, Shown(job.Rename.OrderItems[positions.front()])}));
  }
  for (const std::size_t position : faults.Unknown)
    Message(BatchText(TBatchText::OrderUnknown, {key(position), Shown(job.Rename.OrderItems[position])}));
  for (const int step : faults.Missing)
    Message(BatchText(TBatchText::OrderMissing, {Shown(std::string(kStepCaptions[static_cast<std::size_t>(step)]))}));
}

// A list has no records to count: its output is the count.  A plan's
// successes are only planned.
std::string Summary(const TRunStats &stats, bool planned = false) {
  return BatchText(planned ? TBatchText::PlanSummary : TBatchText::Summary,
                   {std::to_string(stats.Records - stats.FailedRecords),
                    std::to_string(stats.FailedRecords)});
}

// The failures by reason, most frequent first, so a long run's outcome can
// be read without its log; a list names the folders it could not read.
void ReportFailures(RunMode mode, const TRunStats &stats) {
  if (mode == RunMode::List) {
    for (const auto &[folder, reason] : stats.UnreadFolders)
      Message(BatchText(TBatchText::UnreadFolder, {Shown(folder), Shown(reason)}));
    return;
  }
  std::vector<std::pair<std::string, std::size_t>> reasons = stats.FailureReasons;
  std::stable_sort(reasons.begin(), reasons.end(),
                   [](const auto &a, const auto &b) { return a.second > b.second; });
  for (const auto &[reason, count] : reasons)
    Message(BatchText(TBatchText::FailureCount, {std::to_string(count), Shown(reason)}));
}

void ReportPassedOver(const TRunStats &stats) {
  if (stats.Unrepresentable == 0) return;
  std::string names;
  for (const std::string &path : stats.PassedOverExamples) names += (names.empty() ? "" : ", ") + path;
  if (stats.Unrepresentable > stats.PassedOverExamples.size()) names += ", ...";
  Message(BatchText(TBatchText::PassedOver, {std::to_string(stats.Unrepresentable), names}));
}

// The settings file of a named job, or nothing with the reason in `refused`.
std::optional<std::string> NamedJobFile(const std::string &name, std::string &refused) {
  if (!IsJobName(name)) {
    refused = BatchText(TBatchText::JobBadName, {Shown(name)});
    return std::nullopt;
  }
  const std::string folder = JobsFolder();
  std::optional<std::string> file = FindJobFile(folder, name);
  if (!file) refused = BatchText(TBatchText::JobNotFound, {Shown(name), Shown(folder)});
  return file;
}

// --list-jobs: one name a line on stdout; a word on stderr when there is none.
int ListNamedJobs() {
  const std::string folder = JobsFolder();
  const std::vector<std::string> jobs = ListJobs(folder);
  if (jobs.empty()) Message(BatchText(TBatchText::NoJobs, {Shown(folder)}));
  for (const std::string &name : jobs) std::printf("%s\n", TerminalText(name).c_str());
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? kExitOk : kExitError;
}

// A log goes into a regular file only: never through a link in its
// place, never into a named pipe or a device, where writing would block or
// go elsewhere.  A file that does not exist yet is made.
std::optional<std::string> LogFileRefusal(const std::string &path) {
  struct stat st {};
  const std::optional<std::string> native = Cp932ToUtf8(path);
  if (!native || ::lstat(native->c_str(), &st) != 0) return std::nullopt;
  if (S_ISREG(st.st_mode)) return std::nullopt;
  return Shown(path) + ": " +
         (S_ISLNK(st.st_mode) ? SystemErrorText(ELOOP)
          : S_ISDIR(st.st_mode) ? SystemErrorText(EISDIR)
                                : BatchText(TBatchText::ReasonNotRegular));
}

int RunJob(const TBatchOptions &options, const JobSettings &job, TRenameCn &rename,
           TCopyCn &copy, TDeleteCn &del, TChangeCn &change) {
  const RunMode mode = LoggedMode(options);
  if (options.Log) {
    if (const std::optional<std::string> refused = LogFileRefusal(*options.Log)) {
      Message(*refused);
      return kExitUsage;
    }
  }
  std::unique_ptr<TBatchProgress> progress;
  if (::isatty(STDERR_FILENO) == 1) progress = std::make_unique<TBatchProgress>(STDERR_FILENO);
  TBatchOutput output;
  output.NullAfterPaths = options.Null;
  output.NoticeBeforeFirstLine = CopyNotice(mode, job);
  output.Progress = progress.get();
  TBatchHost host(job, options.Log, output);
  TRunDriver driver(host, rename, copy, del, change);
  host.Attach(driver);
  InstallBatchSignalHandlers();

  TRunOutcome outcome;
  try {
    outcome = StartRun(options, driver, host);
  } catch (const EKorvaneError &error) {
    if (progress) progress->Clear();
    host.CloseLogFile();
    SystemMessage(error.Message());
    if (mode != RunMode::List) Message(Summary(driver.Stats()));
    ReportFailures(mode, driver.Stats());
    return gBatchStopSignal != 0 ? kExitSignal : kExitError;
  } catch (const std::exception &error) {
    if (progress) progress->Clear();
    host.CloseLogFile();
    Message(ExceptionText(error));
    if (mode != RunMode::List) Message(Summary(driver.Stats()));
    return gBatchStopSignal != 0 ? kExitSignal : kExitError;
  }
  if (progress) progress->Clear();
  const bool logClosed = host.CloseLogFile();
  const bool outputWritten = host.FlushOutput();

  if (host.Refusal()) {
    Message(*host.Refusal());
    return kExitUsage;
  }
  if (host.Declined()) {
    Message(host.DeclineMessage().empty() ? BatchText(TBatchText::Declined) : host.DeclineMessage());
    return gBatchStopSignal != 0 ? kExitSignal : kExitOk;
  }
  if (outcome == TRunOutcome::Refused) {
    const std::string field = RefusedField(host.Focus(), job);
    if (!host.StatusText().empty())
      Message(Shown(host.StatusText()) + (field.empty() ? "" : " (" + field + ")"));
    else
      Message(field.empty() ? BatchText(TBatchText::BadDateTime)
                            : BatchText(TBatchText::BadDateTimeIn, {field}));
    return kExitUsage;
  }
  const TRunStats &stats = host.StatsOf(driver);
  ReportPassedOver(stats);
  if (!logClosed || host.LogFileError()) SystemMessage(host.LogFileError().value_or(std::string()));
  if (!outputWritten) Message(BatchText(TBatchText::OutputNotWritten));
  if (mode != RunMode::List) Message(Summary(stats, options.PlanMode.has_value() || options.UndoPlan));
  ReportFailures(mode, stats);
  // A stop signal decides the status even when the reader went away with
  // it (Ctrl-C in `korvane-batch ... | tee` stops both at once).
  if (gBatchStopSignal != 0) return kExitSignal;
  if (!logClosed || host.LogFileError() || !outputWritten) return kExitError;
  if (outcome == TRunOutcome::Aborted) return kExitSignal;
  return stats.FailedRecords > 0 ? kExitFailedRecords : kExitOk;
}

int Main(const std::vector<std::string> &arguments) {
  const TBatchParse parse = ParseBatchArguments(arguments);
  if (!parse.Options) {
    Message(BatchText(TBatchText::SeeHelp, {parse.Error}));
    return kExitUsage;
  }
  const TBatchOptions &options = *parse.Options;
  if (options.Help) {
    std::fputs(BatchHelpText(), stdout);
    return kExitOk;
  }
  if (options.Version) {
    std::printf("korvane-batch %s\n", KORVANE_VERSION);
    return kExitOk;
  }
  if (options.HelpKeys) {
    std::fputs(HelpKeysText().c_str(), stdout);
    return kExitOk;
  }

  if (options.ListJobs) return ListNamedJobs();

  JobSettings job;
  std::optional<std::string> settingsFile = options.Settings;
  if (options.Job) {
    std::string refused;
    settingsFile = NamedJobFile(*options.Job, refused);
    if (!settingsFile) {
      Message(refused);
      return kExitUsage;
    }
  }
  if (settingsFile) {
    if (std::optional<std::string> refused = ReadSettingsFile(*settingsFile, job)) {
      Message(*refused);
      return kExitUsage;
    }
  }
  if (std::optional<std::string> refused = ApplyBatchSettings(options.Sets, job)) {
    Message(*refused);
    return kExitUsage;
  }
  if (options.Steps) {
    std::string refused;
    const std::vector<int> steps = ParseSteps(*options.Steps, refused);
    if (!refused.empty()) {
      Message(refused);
      return kExitUsage;
    }
    CheckSteps(job.Rename, steps);
  }
  if (options.InPlace) job.Rename.Copy = false;
  if (options.NamesFrom || options.Edit) StepThatKeepsNames(job.Rename);
  WarnAboutOrderList(options, job);
  NormaliseJob(job);
  if (options.Folder) job.FindFile.Folder = *options.Folder;
  if (options.Filter) job.FindFile.Filter = *options.Filter;
  if (options.CopyFolder) job.Copy.Folder = *options.CopyFolder;

  if (options.PrintSettings) {
    std::string error;
    const std::optional<std::string> text = SettingsFileText(job, error);
    if (!text) {
      Message(error);
      return kExitError;
    }
    std::fputs(text->c_str(), stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitError;
  }

  TRenameCn rename;
  TCopyCn copy;
  TDeleteCn del;
  TChangeCn change;
  ApplyJobToOperations(job, rename, copy, del, change);

  if (options.Sample) {
    const std::string name = rename.BuildName(*options.Sample);
    std::printf("%s\n", TerminalText(name).c_str());
    return kExitOk;
  }
  return RunJob(options, job, rename, copy, del, change);
}

}  // namespace

int main(int argc, char **argv) {
  // A terminal shows each line as it is made.  Anywhere else (a pipe, a
  // file) the records are gathered in a large buffer, as find and ls do, and
  // the run hands them on at least every tenth of a second, so `| tee`
  // still shows them live.
  // The buffer is the program's own: given none, the C library keeps its
  // default of a page whatever size is asked for.
  static char gathered[std::size_t{1} << 16];
  if (::isatty(STDOUT_FILENO) == 1) std::setvbuf(stdout, nullptr, _IOLBF, 0);
  else std::setvbuf(stdout, gathered, _IOFBF, sizeof gathered);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return Main(arguments);
  } catch (const EKorvaneError &error) {
    SystemMessage(error.Message());
  } catch (const std::exception &error) {
    Message(ExceptionText(error));
  }
  return kExitError;
}
