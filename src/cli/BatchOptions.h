#pragma once
// Command line of korvane-batch.

#include <optional>
#include <string>
#include <vector>

#include "run/RunMode.h"

// One --set SECTION.KEY=VALUE, as given (UTF-8) and as the settings reader
// gets it (CP932).
struct TBatchSetting {
  std::string Argument;  // SECTION.KEY=VALUE as typed, for messages
  std::string Section;   // CP932
  std::string Key;       // CP932
  std::string Value;     // CP932
};

struct TBatchOptions {
  bool Help = false;
  bool Version = false;
  bool HelpKeys = false;       // --help-keys
  bool PrintSettings = false;  // --print-settings
  bool Null = false;           // -0, --null: list ends each path with NUL
  std::optional<RunMode> Mode;
  std::optional<std::string> Sample;      // --sample NAME (CP932)
  std::optional<std::string> Settings;    // --settings FILE (CP932)
  std::optional<std::string> Folder;      // --folder DIR
  std::optional<std::string> Filter;      // --filter TEXT
  std::optional<std::string> CopyFolder;  // --copy-folder DIR
  std::optional<std::string> Log;         // --log FILE
  std::vector<TBatchSetting> Sets;        // --set, in the order given
  std::optional<std::string> DryRun;      // --dry-run MODE, as given
  std::optional<RunMode> PlanMode;        // the mode --dry-run names
  std::optional<std::string> UndoLog;     // undo LOGFILE (CP932)
  bool UndoAll = false;                   // --all: every run of the log, newest first
  bool UndoPlan = false;                  // --dry-run undo LOGFILE
};

struct TBatchParse {
  std::optional<TBatchOptions> Options;  // nullopt: a usage error
  std::string Error;                     // UTF-8, for stderr
};

// Arguments are UTF-8 and are converted to CP932; one that cannot be
// represented in CP932 is a usage error.  "--" ends the options: what
// follows is the mode (or "undo" and its log file).
TBatchParse ParseBatchArguments(const std::vector<std::string> &arguments);

// The --help text (UTF-8).
const char *BatchHelpText();
