#include "cli/BatchOptions.h"

#include <map>

#include "cli/BatchMessages.h"
#include "platform/Cp932.h"

namespace {

const std::map<std::string, RunMode> kModes = {
    {"list", RunMode::List},     {"rename", RunMode::Rename}, {"copy", RunMode::Copy},
    {"delete", RunMode::Delete}, {"change", RunMode::Change},
};

TBatchParse Fail(std::string message) { return TBatchParse{std::nullopt, std::move(message)}; }
TBatchParse Fail(TBatchText text, std::initializer_list<std::string_view> arguments = {}) {
  return Fail(BatchText(text, arguments));
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// SECTION.KEY=VALUE (UTF-8) into its parts (CP932), or the reason it is not.
std::optional<std::string> ParseSetting(const std::string &argument, TBatchSetting &setting) {
  setting.Argument = argument;
  const std::size_t equals = argument.find('=');
  if (equals == std::string::npos) return BatchText(TBatchText::SetNoEquals, {argument});
  const std::string name = argument.substr(0, equals);
  const std::size_t dot = name.find('.');
  if (dot == std::string::npos) return BatchText(TBatchText::SetNoSection, {argument});
  const std::string_view section = TrimBlanks(std::string_view(name).substr(0, dot));
  const std::string_view key = TrimBlanks(std::string_view(name).substr(dot + 1));
  if (section.empty()) return BatchText(TBatchText::SetEmptySection, {argument});
  if (key.empty()) return BatchText(TBatchText::SetEmptyKey, {argument});
  // A settings value is text: bytes that are not UTF-8 (Shift-JIS typed
  // into a UTF-8 terminal) would travel as codes no file can hold.
  if (!IsValidUtf8(argument)) return BatchText(TBatchText::SetNotUtf8, {argument});
  std::optional<std::string> cpSection = Utf8ToCp932(section);
  std::optional<std::string> cpKey = Utf8ToCp932(key);
  std::optional<std::string> cpValue = Utf8ToCp932(argument.substr(equals + 1));
  if (!cpSection || !cpKey || !cpValue) return BatchText(TBatchText::SetTooManyUnicode, {argument});
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
      // --dry-run undo LOGFILE: the log file follows the mode.
      if (options.DryRun && *options.DryRun == "undo" && !options.UndoLog) {
        options.UndoLog = Utf8ToCp932(argument);
        if (!options.UndoLog) return Fail(TBatchText::UndoLogTooManyUnicode);
        continue;
      }
      if (argument == "undo") {
        if (options.UndoLog) return Fail(TBatchText::UndoTwice);
        if (i + 1 >= arguments.size()) return Fail(TBatchText::UndoNeedsLog);
        options.UndoLog = Utf8ToCp932(arguments[++i]);
        if (!options.UndoLog) return Fail(TBatchText::UndoLogTooManyUnicode);
        continue;
      }
      auto mode = kModes.find(argument);
      if (mode == kModes.end()) return Fail(TBatchText::UnknownMode, {argument});
      if (options.Mode) return Fail(TBatchText::TwoModes);
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
      if (value) return Fail(TBatchText::OptionTakesNoValue, {name});
      options.*(flag->second) = true;
      continue;
    }
    const auto option = valued.find(name);
    if (option == valued.end() && name != "--set") return Fail(TBatchText::UnknownOption, {name});
    if (!value) {
      if (i + 1 >= arguments.size()) return Fail(TBatchText::OptionNeedsValue, {name});
      value = arguments[++i];
    }
    if (name == "--set") {
      TBatchSetting setting;
      if (std::optional<std::string> error = ParseSetting(*value, setting)) return Fail(*error);
      options.Sets.push_back(std::move(setting));
      continue;
    }
    std::optional<std::string> converted = Utf8ToCp932(*value);
    if (!converted) return Fail(TBatchText::OptionValueTooManyUnicode, {name});
    if (options.*(option->second)) return Fail(TBatchText::OptionTwice, {name});
    options.*(option->second) = std::move(converted);
  }
  if (options.Help || options.Version) return TBatchParse{options, {}};
  if (options.DryRun && *options.DryRun == "undo") {
    if (!options.UndoLog) return Fail(TBatchText::UndoNeedsLog);
    options.UndoPlan = true;
  } else if (options.DryRun) {
    const auto mode = kModes.find(*options.DryRun);
    if (mode == kModes.end() || mode->second == RunMode::List)
      return Fail(TBatchText::DryRunMode);
    options.PlanMode = mode->second;
  }
  const int actions = (options.Mode ? 1 : 0) + (options.Sample ? 1 : 0) +
                      (options.PrintSettings ? 1 : 0) + (options.HelpKeys ? 1 : 0) +
                      (options.PlanMode ? 1 : 0) + (options.UndoLog ? 1 : 0);
  if (actions == 0) return Fail(TBatchText::NoMode);
  if (actions > 1) return Fail(TBatchText::OneAction);
  if (options.UndoAll && !options.UndoLog) return Fail(TBatchText::AllWithoutUndo);
  if (options.Null && options.Mode != RunMode::List) return Fail(TBatchText::NullWithoutList);
  if (options.Log && options.Mode == RunMode::List) return Fail(TBatchText::LogWithList);
  if (options.Log && !options.Mode && !options.PlanMode && !options.UndoLog)
    return Fail(TBatchText::LogWithoutRun);
  return TBatchParse{options, {}};
}

const char *BatchHelpText() {
  // UTF-8 for the terminal: this source is compiled with Shift-JIS literals.
  return reinterpret_cast<const char *>(u8R"(Usage: korvane-batch [OPTIONS] [--] MODE
       korvane-batch [OPTIONS] --sample NAME
       korvane-batch [OPTIONS] --dry-run MODE
       korvane-batch [--log FILE] [--all] undo LOGFILE
       korvane-batch [--all] --dry-run undo LOGFILE
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
  --settings FILE     read the job from FILE (a Korvane settings file: Shift-JIS,
                      UTF-8, or UTF-16 with a byte-order mark) over the defaults
                      of a new window; missing or invalid keys keep their
                      defaults, as when the window loads a file; a file that
                      cannot be read whole, or holds no section of a job (an
                      empty file too), is refused
  --set SECTION.KEY=VALUE
                      set one key of the job, read exactly as the same line of a
                      settings file would be read (repeatable, applied in order
                      after --settings); an unknown section or key, or a value
                      outside the key's domain, is refused.
                      Rename.OrderItemsN=STEP moves STEP to position N and the
                      step there to STEP's old place.  Example:
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
                      start line and the end line after it), as the run's
                      journal records it (every run keeps one under
                      $XDG_STATE_HOME/korvane/journals): renames are renamed
                      back, moves moved back, copies put in the trash,
                      changed dates and attributes restored, deletions into
                      the trash restored from exactly the entries they made;
                      a copy that replaced a file and an outright deletion
                      stay.  Acts of a run that was killed are taken back if
                      the disk shows they were made.  Each reversal is checked
                      first and only touches what is still what the run left,
                      reached from the run's folders without following links;
                      one that cannot be done fails alone, with its reason.
                      Records the journal does not know (logs from before
                      journals, lines written or edited by hand) are refused.
                      The undo logs its own records as "元に戻す" (stdout, and
                      --log FILE, which must not be LOGFILE), so it can be
                      undone in turn.  A log with Windows paths is refused;
                      LOGFILE must be a regular file
  --dry-run undo LOGFILE
                      print what the undo would do, and do nothing
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
  stderr     messages (in Japanese): why a job was refused, the error that
             ended a run, a warning when a rename makes copies beside the
             originals or its order list names a step twice, a summary
             at the end ("N 件成功, M 件失敗", and the entries passed over because
             their names need more characters without a Shift-JIS form than
             one run can carry), and on a terminal a progress line

Exit status:
  0    the run finished and every record succeeded
  1    the run finished with at least one failed record
  2    a usage error, or the job was refused (the reason is on stderr)
  3    an error ended the run, or the output could not be written (message on
       stderr; the log so far is kept and ends with the aborted line)
  130  SIGINT, SIGTERM or SIGHUP stopped the run, like Esc in the window (the log ends
       with the aborted line)

See korvane-batch(1) for the keys and examples of common jobs.
)");
}
