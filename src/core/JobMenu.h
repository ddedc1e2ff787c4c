#pragma once
// The file manager's menu of the named jobs.  A desktop file of the user's
// own, in $XDG_DATA_HOME/kio/servicemenus (where Dolphin finds its service
// menus), with one action a job for folders: the action runs
// korvane-batch --job NAME on the folder in a terminal, shows the plan and
// asks before it renames.  The jobs are the user's, so the menu is written
// for the user whenever the window saves a job, not installed with the
// program.

#include <string>
#include <string_view>
#include <vector>

// One argument of a desktop file's Exec key, quoted as file managers
// expect where it holds a reserved character, with '%' doubled.  The
// value's own escapes (a backslash doubled) are not applied.
std::string QuoteExecArgument(std::string_view argument);
// Arguments into an Exec value: quoted, joined by blanks, then escaped as a
// string value.
std::string ExecValue(const std::vector<std::string> &arguments);

// The menu's text (UTF-8) for these jobs (CP932 names), each running
// `batchProgram` (UTF-8); jobs whose names have no UTF-8 form are left out.
std::string JobMenuText(const std::vector<std::string> &jobs, const std::string &batchProgram);

// The menu's file for the user (UTF-8): $XDG_DATA_HOME, or ~/.local/share
// when that is unset, empty or not absolute.
std::string JobMenuFile();

// Writes the menu of the jobs in `jobsFolder` (CP932) to JobMenuFile(),
// executable as the file manager asks of a menu of the user's, or removes
// it when there is no job.  False with errno set when the disk refuses.
bool UpdateJobMenu(const std::string &jobsFolder, const std::string &batchProgram);
