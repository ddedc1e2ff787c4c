#include "cli/BatchOptions.h"

#include <map>

#include "platform/Cp932.h"

namespace {

const std::map<std::string, RunMode> kModes = {
    {"list", RunMode::List},     {"rename", RunMode::Rename}, {"copy", RunMode::Copy},
    {"delete", RunMode::Delete}, {"change", RunMode::Change},
};

TBatchParse Fail(std::string message) { return TBatchParse{std::nullopt, std::move(message)}; }

}  // namespace

TBatchParse ParseBatchArguments(const std::vector<std::string> &arguments) {
  TBatchOptions options;
  const std::map<std::string, std::optional<std::string> TBatchOptions::*> valued = {
      {"--sample", &TBatchOptions::Sample},   {"--settings", &TBatchOptions::Settings},
      {"--folder", &TBatchOptions::Folder},   {"--filter", &TBatchOptions::Filter},
      {"--copy-folder", &TBatchOptions::CopyFolder}, {"--log", &TBatchOptions::Log},
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string &argument = arguments[i];
    if (argument == "--help" || argument == "-h") {
      options.Help = true;
      continue;
    }
    std::string name = argument;
    std::optional<std::string> value;
    if (argument.rfind("--", 0) == 0) {
      std::size_t equals = argument.find('=');
      if (equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
      }
      auto option = valued.find(name);
      if (option == valued.end()) return Fail("unknown option: " + name);
      if (!value) {
        if (i + 1 >= arguments.size()) return Fail(name + " needs a value");
        value = arguments[++i];
      }
      std::optional<std::string> converted = Utf8ToCp932(*value);
      if (!converted) return Fail(name + ": the value holds more characters without a Shift-JIS form than one run can carry");
      if (options.*(option->second)) return Fail(name + " given twice");
      options.*(option->second) = std::move(converted);
      continue;
    }
    auto mode = kModes.find(argument);
    if (mode == kModes.end()) return Fail("unknown mode: " + argument);
    if (options.Mode) return Fail("more than one mode given");
    options.Mode = mode->second;
  }
  if (options.Help) return TBatchParse{options, {}};
  if (options.Mode && options.Sample) return Fail("give either a mode or --sample, not both");
  if (!options.Mode && !options.Sample) return Fail("no mode given (list, rename, copy, delete or change)");
  return TBatchParse{options, {}};
}

const char *BatchHelpText() {
  return R"(Usage: korvane-batch [OPTIONS] MODE
       korvane-batch [OPTIONS] --sample NAME

Runs one Korvane job without a window, as the run buttons of the window do.

MODE is one of:
  list      print the full path of every target, one per line
  rename    rename (or make renamed copies of) the targets
  copy      copy the targets into the copy folder
  delete    delete the targets (into the desktop trash when the job says so)
  change    set the dates and attributes of the targets

Options:
  --settings FILE     read the job from FILE (a Korvane settings file, Shift-JIS)
                      over the defaults of a new window; missing or invalid keys
                      keep their defaults, as when the window loads a file
  --folder DIR        the target folder (FindFile.Folder); there is no default
  --filter TEXT       the target file filter (FindFile.Filter), e.g. "*.jpg;*.png"
  --copy-folder DIR   the copy destination (Copy.Folder)
  --log FILE          also write the run's log to FILE (Shift-JIS, CR LF after
                      every line), replacing it
  --sample NAME       print the new name the rename steps make of NAME, as the
                      window's preview shows it (current time for the date step,
                      the name of the target folder, the first sequence number);
                      touches no file
  -h, --help          show this text

--folder, --filter and --copy-folder are applied after the settings file.

Output (UTF-8):
  list       one full path per line on stdout
  the others every log line on stdout as it is written: a start line, one
             record per target (and one per date/attribute follow-up), then an
             end line (finished) or an aborted line
  stderr     messages: why a job was refused, the error that ended a run, and
             how many entries were passed over because their names cannot be
             represented in Shift-JIS

Exit status:
  0    the run finished and every record succeeded
  1    the run finished with at least one failed record
  2    a usage error, or the job was refused (the reason is on stderr)
  3    an error ended the run (message on stderr; the log so far is kept and
       ends with the aborted line)
  130  SIGINT or SIGTERM stopped the run, like Esc in the window (the log ends
       with the aborted line)
)";
}
