#include "cli/BatchOptions.h"

#include <map>

#include "platform/Cp932.h"

namespace {

const std::map<std::string, RunMode> kModes = {
    {"list", RunMode::List},     {"rename", RunMode::Rename}, {"copy", RunMode::Copy},
    {"delete", RunMode::Delete}, {"change", RunMode::Change},
};

TBatchParse Fail(std::string message) { return TBatchParse{std::nullopt, std::move(message)}; }

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// SECTION.KEY=VALUE (UTF-8) into its parts (CP932), or the reason it is not.
std::optional<std::string> ParseSetting(const std::string &argument, TBatchSetting &setting) {
  setting.Argument = argument;
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos)
    return "--set " + argument + ": no '=' (give SECTION.KEY=VALUE)";
  const std::string name = argument.substr(0, equals);
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos)
    return "--set " + argument + ": no section (give SECTION.KEY=VALUE, e.g. Rename.SeqIndex=1)";
  const std::string_view section = TrimBlanks(std::string_view(name).substr(0, dot));
  const std::string_view key = TrimBlanks(std::string_view(name).substr(dot + 1));
  if (section.empty()) return "--set " + argument + ": the section is empty";
  if (key.empty()) return "--set " + argument + ": the key is empty";
  // A settings value is text: bytes that are not UTF-8 (Shift-JIS typed
  // into a UTF-8 terminal) would travel as codes no file can hold.
  if (!IsValidUtf8(argument)) return "--set " + argument + ": not UTF-8 text";
  std::optional<std::string> cpSection = Utf8ToCp932(section);
  std::optional<std::string> cpKey = Utf8ToCp932(key);
  std::optional<std::string> cpValue = Utf8ToCp932(argument.substr(equals + 1));
  if (!cpSection || !cpKey || !cpValue)
    return "--set " + argument + ": more characters without a Shift-JIS form than one run can carry";
  setting.Section = std::move(*cpSection);
  setting.Key = std::move(*cpKey);
  setting.Value = std::move(*cpValue);
  return std::nullopt;
}

}  // namespace

TBatchParse ParseBatchArguments(const std::vector<std::string> &arguments) {
  TBatchOptions options;
  const std::map<std::string, std::optional<std::string> TBatchOptions::*> valued = {
      {"--sample", &TBatchOptions::Sample},   {"--settings", &TBatchOptions::Settings},
      {"--folder", &TBatchOptions::Folder},   {"--filter", &TBatchOptions::Filter},
      {"--copy-folder", &TBatchOptions::CopyFolder}, {"--log", &TBatchOptions::Log},
      {"--dry-run", &TBatchOptions::DryRun},
  };
  const std::map<std::string, bool TBatchOptions::*> switches = {
      {"--help", &TBatchOptions::Help},          {"-h", &TBatchOptions::Help},
      {"--version", &TBatchOptions::Version},    {"--help-keys", &TBatchOptions::HelpKeys},
      {"--print-settings", &TBatchOptions::PrintSettings},
      {"--null", &TBatchOptions::Null},          {"-0", &TBatchOptions::Null},
      {"--all", &TBatchOptions::UndoAll},
  };
  bool optionsEnded = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    const bool isOption = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!isOption) {
      if (argument == "undo") {
        if (options.UndoLog) return Fail("undo given twice");
        if (i + 1 >= arguments.size()) return Fail("undo needs a log file");
        options.UndoLog = Utf8ToCp932(arguments[++i]);
        if (!options.UndoLog)
          return Fail("undo: the log file's name holds more characters without a Shift-JIS form than one run can carry");
        continue;
      }
      auto mode = kModes.find(argument);
      if (mode == kModes.end()) return Fail("unknown mode: " + argument);
      if (options.Mode) return Fail("more than one mode given");
      options.Mode = mode->second;
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (argument.rfind("--", 0) == 0) {
      const std::size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
      }
    }
    if (auto flag = switches.find(name); flag != switches.end()) {
      if (value) return Fail(name + " takes no value");
      options.*(flag->second) = true;
      continue;
    }
    const auto option = valued.find(name);
    if (option == valued.end() && name != "--set") return Fail("unknown option: " + name);
    if (!value) {
      if (i + 1 >= arguments.size()) return Fail(name + " needs a value");
      value = arguments[++i];
    }
    if (name == "--set") {
      TBatchSetting setting;
      if (std::optional<std::string> error = ParseSetting(*value, setting)) return Fail(*error);
      options.Sets.push_back(std::move(setting));
      continue;
    }
    std::optional<std::string> converted = Utf8ToCp932(*value);
    if (!converted)
      return Fail(name + ": the value holds more characters without a Shift-JIS form than one run can carry");
    if (options.*(option->second)) return Fail(name + " given twice");
    options.*(option->second) = std::move(converted);
  }
  if (options.Help || options.Version) return TBatchParse{options, {}};
  if (options.DryRun) {
    const auto mode = kModes.find(*options.DryRun);
    if (mode == kModes.end() || mode->second == RunMode::List)
      return Fail("--dry-run: MODE is rename, copy, delete or change");
    options.PlanMode = mode->second;
  }
  const int actions = (options.Mode ? 1 : 0) + (options.Sample ? 1 : 0) +
                      (options.PrintSettings ? 1 : 0) + (options.HelpKeys ? 1 : 0) +
                      (options.PlanMode ? 1 : 0) + (options.UndoLog ? 1 : 0);
  if (actions == 0)
    return Fail("no mode given (list, rename, copy, delete or change)");
  if (actions > 1)
    return Fail("give one of a mode, --sample, --dry-run, undo, --print-settings and --help-keys");
  if (options.UndoAll && !options.UndoLog) return Fail("--all belongs to undo");
  if (options.Null && options.Mode != RunMode::List)
    return Fail("-0/--null is for list only: the other modes print log lines");
  if (options.Log && options.Mode == RunMode::List)
    return Fail("--log cannot be used with list: a list run writes no log");
  if (options.Log && !options.Mode && !options.PlanMode && !options.UndoLog)
    return Fail("--log needs a mode that runs a job");
  return TBatchParse{options, {}};
}

const char *BatchHelpText() {
  // UTF-8 for the terminal: this source is compiled with Shift-JIS literals.
  return reinterpret_cast<const char *>(u8R"(Usage: korvane-batch [OPTIONS] [--] MODE
       korvane-batch [OPTIONS] --sample NAME
       korvane-batch [OPTIONS] --dry-run MODE
       korvane-batch [--log FILE] [--all] undo LOGFILE
       korvane-batch [OPTIONS] --print-settings
       korvane-batch --help-keys

Runs one Korvane job without a window, as the run buttons of the window do.

MODE is one of:
  list      print the full path of every target, one per line
  rename    rename (or make renamed copies of) the targets
  copy      copy the targets into the copy folder
  delete    delete the targets (into the desktop trash when the job says so)
  change    set the dates and attributes of the targets

The job:
  --settings FILE     read the job from FILE (a Korvane settings file, Shift-JIS)
                      over the defaults of a new window; missing or invalid keys
                      keep their defaults, as when the window loads a file; a
                      file that cannot be read whole is refused
  --set SECTION.KEY=VALUE
                      set one key of the job, read exactly as the same line of a
                      settings file would be read (repeatable, applied in order
                      after --settings); an unknown section or key, or a value
                      outside the key's domain, is refused.  Example:
                      --set Rename.Copy=0 --set Rename.OrderChecked0=1
  --folder DIR        the target folder (FindFile.Folder); there is no default
  --filter TEXT       the target file filter (FindFile.Filter), e.g. "*.jpg;*.png"
  --copy-folder DIR   the copy destination (Copy.Folder)
  --folder, --filter and --copy-folder are applied after --settings and --set.

Other options:
  --log FILE          also write the run's log to FILE (Shift-JIS, CR LF after
                      every line, each record written before the next target),
                      replacing it; not with list
  -0, --null          list: end every path with a NUL byte instead of a line end
  --sample NAME       print the new name the rename steps make of NAME, as the
                      window's preview shows it (current time for the date step,
                      the name of the target folder, the first sequence number);
                      touches no file
  --dry-run MODE      plan the run of MODE (rename, copy, delete or change)
                      without touching anything: print the log lines the run
                      would most likely write, "結果: 予定" for a success and,
                      for a predicted failure, "結果: 失敗" with the reason in
                      a final field " 理由: ...;" (with --log, the same lines
                      go to the file); exit 1 when a failure is predicted
  undo LOGFILE        take back the last run of LOGFILE (between its last
                      start line and the end line after it): renames are
                      renamed back, moves moved back, changed dates and
                      attributes restored, deletions into the trash restored;
                      copies and outright deletions are left.  Every reversal
                      is checked first; one that cannot be done fails alone.
                      The undo logs its own records as "元に戻す" (stdout, and
                      --log FILE, which must not be LOGFILE), so it can be
                      undone in turn.  A log with Windows paths is refused
  --all               with undo: every run of the log, newest first
  --print-settings    print the job as a settings file (UTF-8) and run nothing
  --help-keys         list every section and key with its type, domain and default
  --version           print the version
  -h, --help          show this text
  --                  end of the options: what follows is the mode

Output (UTF-8, stdout line-buffered unless it is /dev/null):
  list       one full path per line on stdout
  the others every log line on stdout as it is written: a start line, one
             record per target (and one per date/attribute follow-up), then an
             end line (finished) or an aborted line
  stderr     messages: why a job was refused, the error that ended a run, a
             warning when a rename makes copies beside the originals, a summary
             at the end ("N 件成功, M 件失敗", and the entries passed over because
             their names need more characters without a Shift-JIS form than
             one run can carry), and on a terminal a progress line

Exit status:
  0    the run finished and every record succeeded
  1    the run finished with at least one failed record
  2    a usage error, or the job was refused (the reason is on stderr)
  3    an error ended the run, or the output could not be written (message on
       stderr; the log so far is kept and ends with the aborted line)
  130  SIGINT or SIGTERM stopped the run, like Esc in the window (the log ends
       with the aborted line)

See korvane-batch(1) for the keys and examples of common jobs.
)");
}
