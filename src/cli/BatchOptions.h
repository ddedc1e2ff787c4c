#pragma once
// Command line of korvane-batch.

#include <optional>
#include <string>
#include <vector>

#include "run/RunMode.h"

struct TBatchOptions {
  bool Help = false;
  std::optional<RunMode> Mode;
  std::optional<std::string> Sample;      // --sample NAME (CP932)
  std::optional<std::string> Settings;    // --settings FILE (CP932)
  std::optional<std::string> Folder;      // --folder DIR
  std::optional<std::string> Filter;      // --filter TEXT
  std::optional<std::string> CopyFolder;  // --copy-folder DIR
  std::optional<std::string> Log;         // --log FILE
};

struct TBatchParse {
  std::optional<TBatchOptions> Options;  // nullopt: a usage error
  std::string Error;                     // UTF-8, for stderr
};

// Arguments are UTF-8 and are converted to CP932; one that cannot be
// represented in CP932 is a usage error.
TBatchParse ParseBatchArguments(const std::vector<std::string> &arguments);

// The --help text (UTF-8).
const char *BatchHelpText();
