#pragma once
// Moving a job between a JobSettings value and a settings file: one key per
// field under the five sections FindFile, Change, Copy, Rename and Delete,
// in a fixed key order (the order of a new file).

#include <string>

#include "core/IniFile.h"
#include "core/JobSettings.h"
#include "platform/Errors.h"

// A settings file that holds none of the job's sections
// ("設定ファイルにジョブが見つかりません").  Loading it would run the job
// the window or the command line already had as if the user had written it.
class ENoJobError : public EInOutError {
public:
  ENoJobError();
};

// True when the file holds at least one of the job's sections (FindFile,
// Change, Copy, Rename, Delete), even one without keys.
bool HoldsJob(const TIniFile &file);

// Reads every job key.  Each field is read with its current value as the
// default, so a missing key, or a number that is not valid, leaves the
// field as it was.  Values are brought into their control's domain: spin
// fields are clamped to their range; radio groups hold -1 below 0 and the
// last item beyond it; a drop-down list that is not given an item index holds
// -1 (no selection) until NormaliseJob() (the window's full refresh) gives it
// its default.  Date and time texts are put into their fixed form.
void ReadJobSettings(const TIniFile &file, JobSettings &job);

// Writes every job key in the fixed order (the caller then calls
// file.UpdateFile()).
void WriteJobSettings(TIniFile &file, const JobSettings &job);

// The "読込" and "保存" buttons: a job from a file / into a file of the
// user's choice.  Loading does not normalise (see ReadJobSettings); a file
// that exists but cannot be read whole (no permission, a folder, a FIFO, a
// read error) raises EInOutError "ファイル <path> は開けません", and one that
// holds no job (HoldsJob: an empty file, a missing one, text that is no
// settings file) raises ENoJobError; either leaves the job as it was; saving
// raises EInOutError "<path> に書き込めません" when the file cannot be
// written, and then leaves the file as it was.
void LoadJobSettingsFile(const std::string &fileName, JobSettings &job);
void SaveJobSettingsFile(const std::string &fileName, const JobSettings &job);
