#pragma once
// The job keys on the command line: --set, --print-settings and
// --help-keys, all three from the key table the settings file is read with.

#include <optional>
#include <string>
#include <vector>

#include "cli/BatchOptions.h"
#include "core/JobKeys.h"
#include "core/JobSettings.h"

// Applies every --set in order.  The first one that names no key, or gives
// a value outside its key's domain, stops it: the message (UTF-8) names the
// argument and says what is wrong, and `job` keeps the settings applied
// before it.
std::optional<std::string> ApplyBatchSettings(const std::vector<TBatchSetting> &settings,
                                              JobSettings &job);

// The job as a settings file (UTF-8, LF line ends), or nullopt with `error`
// naming the first key whose value is not Shift-JIS text.
std::optional<std::string> SettingsFileText(const JobSettings &job, std::string &error);

// The --help-keys text (UTF-8): every section and key with its type, domain
// and default.
std::string HelpKeysText();

// What a key accepts, in a few words, for --help-keys ("an integer from 0
// to 8", "a flag, 0 or 1", ...).
std::string DomainText(const TJobKey &key);
