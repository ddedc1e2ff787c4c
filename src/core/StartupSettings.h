#pragma once

#include <optional>
// The default settings file: the six histories, the carry-over flag
// (Settings/Success) and, when the flag is set, the last job.  Read once at
// start-up and written once when the window closes; the window only maps its
// controls to these values.

#include <string>

#include "core/Histories.h"
#include "core/IniFile.h"
#include "core/JobSettings.h"

// What the default settings file carries from one session to the next,
// besides the job.
// Where the window was and how large, kept whatever the carry-over flag says
// (absent from the files of the Windows program).
struct TWindowPlace {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  bool Maximized = false;
  bool operator==(const TWindowPlace &) const = default;
};

struct TSessionSettings {
  THistories Histories = InitialHistories();
  bool Success = false;  // "次回起動時に今回終了時の設定を引き継ぐ"
  std::optional<TWindowPlace> Place;
  bool operator==(const TSessionSettings &) const = default;
};

// Reads keys "7" down to "0" of each history section and pushes every
// non-empty value onto the list in `session` (which holds the lists the
// window starts with): Folder, CopyFolder, Filter and Exception with
// PushHistory, FromName and ToName inserted on top as they are.  Then
// Settings/Success with the current flag as default, and, when the flag is
// then set, the job (ReadJobSettings; `job` is not normalised).  Returns
// true when the job was read.
bool ReadStartupSettings(const TIniFile &file, TSessionSettings &session, JobSettings &job);

// Writes item n of each history under key n for n = 0..7 (a list with fewer
// items leaves its higher keys as they are), then Settings/Success, then the
// job when the flag is set; with the flag clear the job keys of the file are
// left alone.  The caller then calls file.UpdateFile().
void WriteShutdownSettings(TIniFile &file, const TSessionSettings &session,
                           const JobSettings &job);

// The same on a file by name.  Saving creates the file's folder when it is
// missing and raises EInOutError "<path> に書き込めません" when the file
// cannot be written (the file is then left as it was).
bool LoadStartupSettings(const std::string &fileName, TSessionSettings &session,
                         JobSettings &job);
void SaveShutdownSettings(const std::string &fileName, const TSessionSettings &session,
                          const JobSettings &job);
