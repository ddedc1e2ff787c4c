#pragma once
// Jobs kept by name: one settings file per job, NAME.INI, in the jobs
// folder.  The folder lies where the default settings file lies: "jobs"
// beside the program when Korvane runs from a folder of its own, else
// $XDG_CONFIG_HOME/korvane/jobs.  The window saves and loads them by name,
// korvane-batch loads them with --job, and the file manager's menu offers
// them.  Names and paths are CP932.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The jobs folder, with its delimiter.  Worked out anew on every call, as
// the default settings file is; raises EInOutError as DefaultSettingsFile.
std::string JobsFolder();

// The folder beside a settings file (a path of either folder's rule).
std::string JobsFolderBeside(const std::string &settingsFile);

// A name a job may have: one plain file name without its ".INI", no
// delimiter, no control character, not starting with '.', at most 200
// bytes.  The name goes into file names and menu entries as it is.
bool IsJobName(std::string_view name);

// The jobs in a folder, by name, in name order (ASCII letter case ignored);
// files whose name ends with ".INI" in any letter case.  Empty when the
// folder is missing.
std::vector<std::string> ListJobs(const std::string &folder);

// The file of a job: NAME.INI, or a file whose name is NAME with ".ini" in
// another letter case; nullopt when the folder holds neither.
std::optional<std::string> FindJobFile(const std::string &folder, std::string_view name);

// Where a job of that name is saved: an existing file of the job, else
// folder + NAME.INI.
std::string JobFileFor(const std::string &folder, std::string_view name);
