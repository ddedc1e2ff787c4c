// korvane-batch: one Korvane job without a window.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/BatchHost.h"
#include "cli/BatchOptions.h"
#include "core/JobSettingsFile.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "run/ApplyJob.h"
#include "run/RunDriver.h"

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

// Where a refusal that shows no message pointed the user.
const char *FieldOfFocus(TRunFocus focus) {
  switch (focus) {
    case TRunFocus::MaskEditUpDate: return "Change.UpDate/UpTime";
    case TRunFocus::MaskEditNwDate: return "Change.NwDate/NwTime";
    case TRunFocus::MaskEditAcDate: return "Change.AcDate/AcTime";
    case TRunFocus::MaskEditDateFrom: return "FindFile.DateFrom/TimeFrom";
    case TRunFocus::MaskEditDateTo: return "FindFile.DateTo/TimeTo";
    case TRunFocus::ComboBoxFolder: return "FindFile.Folder";
    case TRunFocus::ComboBoxFilter: return "FindFile.Filter";
    case TRunFocus::ComboBoxCopyFolder: return "Copy.Folder";
    case TRunFocus::None: break;
  }
  return "the job";
}

int RunJob(const TBatchOptions &options, const JobSettings &job, TRenameCn &rename,
           TCopyCn &copy, TDeleteCn &del, TChangeCn &change) {
  TBatchHost host(job, options.Log);
  TRunDriver driver(host, rename, copy, del, change);
  host.Attach(driver);
  InstallBatchSignalHandlers();

  TRunOutcome outcome;
  try {
    outcome = driver.SpeedButtonClick(*options.Mode);
  } catch (const EKorvaneError &error) {
    host.CloseLogFile();
    SystemMessage(error.Message());
    return kExitError;
  } catch (const std::exception &error) {
    host.CloseLogFile();
    Message(error.what());
    return kExitError;
  }
  const bool logClosed = host.CloseLogFile();
  if (!host.FlushOutput()) {
    Message("the output could not be written");
    return kExitError;
  }

  if (outcome == TRunOutcome::Refused) {
    if (!host.StatusText().empty())
      SystemMessage(host.StatusText());
    else
      Message(std::string("invalid date or time in ") + FieldOfFocus(host.Focus()));
    return kExitUsage;
  }
  const TRunStats &stats = driver.Stats();
  if (stats.Unrepresentable > 0)
    Message(std::to_string(stats.Unrepresentable) +
            " entries passed over: their names hold more characters without a Shift-JIS "
            "form than one run can carry (1,880)");
  if (!logClosed || host.LogFileError()) {
    SystemMessage(host.LogFileError().value_or(std::string()));
    return kExitError;
  }
  if (outcome == TRunOutcome::Aborted) return kExitSignal;
  return stats.FailedRecords > 0 ? kExitFailedRecords : kExitOk;
}

int Main(const std::vector<std::string> &arguments) {
  const TBatchParse parse = ParseBatchArguments(arguments);
  if (!parse.Options) {
    Message(parse.Error + " (see --help)");
    return kExitUsage;
  }
  const TBatchOptions &options = *parse.Options;
  if (options.Help) {
    std::fputs(BatchHelpText(), stdout);
    return kExitOk;
  }

  JobSettings job;
  if (options.Settings) {
    // The window reads a missing file as an empty one; here a mistyped name
    // would silently run the default job, so it is refused.
    if (!PathExists(*options.Settings) || FolderExists(*options.Settings)) {
      Message("settings file not found: " + Cp932ToUtf8Lossy(*options.Settings));
      return kExitUsage;
    }
    LoadJobSettingsFile(*options.Settings, job);
  }
  NormaliseJob(job);
  if (options.Folder) job.FindFile.Folder = *options.Folder;
  if (options.Filter) job.FindFile.Filter = *options.Filter;
  if (options.CopyFolder) job.Copy.Folder = *options.CopyFolder;

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
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return Main(arguments);
  } catch (const EKorvaneError &error) {
    SystemMessage(error.Message());
  } catch (const std::exception &error) {
    Message(error.what());
  }
  return kExitError;
}
