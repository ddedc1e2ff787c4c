#pragma once
// The settings sequences of the window: the default settings file at start
// and at close, and the job files of the "読込" and "保存" buttons.  File
// names are CP932; nullopt stands for the default settings file.

#include <optional>
#include <string>

#include "ui/session/SessionWindow.h"

// Start-up: the histories, the carry-over flag and, when it is set, the last
// job go into the window (no refresh; the start-up's full refresh follows
// later).  A default settings file that cannot be named (its path has no
// CP932 form) leaves the window as it is; the message is returned for the
// window to show once it is up, because start-up must go on.
std::optional<std::string> ReadStartupSettings(
    TSettingsAccess &window, const std::optional<std::string> &fileName = std::nullopt);

// Close: the histories, the flag and, when it is set, the job go into the
// settings file.  Never throws: a failed write (an unwritable folder, a
// read-only file) returns its message, so the close handler can show it and
// still let the window close; an error must not keep the user from quitting.
std::optional<std::string> WriteShutdownSettings(
    TSettingsAccess &window, const std::optional<std::string> &fileName = std::nullopt);

// "読込": the job from a settings file (missing keys keep their values),
// then the condition tab reset and the full refresh.  The histories and the
// carry-over flag are not touched.
void LoadJobFile(TSettingsAccess &window, const std::string &fileName);

// "保存": the job into a settings file; other content of the file stays.
// Raises EInOutError "<path> に書き込めません" for the error handler.
void SaveJobFile(TSettingsAccess &window, const std::string &fileName);

// Start-up step after the command line: an empty target folder becomes the
// process's current folder (left empty when that has no CP932 form).
void UseCurrentFolderIfEmpty(TSessionWindow &window);

// The process's current folder in CP932, or nullopt.
std::optional<std::string> CurrentFolder();
