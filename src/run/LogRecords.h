#pragma once
// Log lines read back into records, for the undo.  A log is whatever a user
// kept: runs written by this program, loaded files, lines typed by hand.
// Lines that are no record are counted and passed over; a record is only
// believed where its whole shape is right.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/RunLog.h"

enum class TLogOperation { Rename, Copy, Delete, Change, Undo };

enum class TLogOutcome { Succeeded, Failed, Planned };

struct TLogRecord {
  TLogOperation Operation = TLogOperation::Rename;
  TLogOutcome Outcome = TLogOutcome::Succeeded;
  std::string Path;
  std::string Destination;  // Rename, Copy, and an undo that moved something
  bool HasNumbers = false;  // Change, and an undo that changed times
  TChangeNumbers Numbers;
  std::size_t Line = 0;     // 1-based
};

// One run: the records between a "開始" and the "終了" or "中断" after it (or
// the end of the log, for a run that was killed).
struct TLogRun {
  std::vector<TLogRecord> Records;
  bool Ended = false;
};

struct TLogContents {
  std::vector<TLogRun> Runs;
  std::size_t Unreadable = 0;  // lines that are no marker and no record
  std::size_t Outside = 0;     // records outside every run
  // A record names a Windows path (a drive letter or "\\" at its start):
  // the log was written on another machine and its paths mean nothing here.
  bool WindowsPaths = false;
};

// One line, or nullopt when it is no record.
std::optional<TLogRecord> ParseLogRecord(std::string_view line);

// `pump` is called every few thousand lines (a front end answering its user).
TLogContents ParseLog(const std::vector<std::string> &lines, const std::function<void()> &pump = {});

// The line of a record of the undo itself ("処理: 元に戻す; ..."): what it
// moved where (`destination`), what it changed (`numbers`), or, with
// neither, what it moved to the trash.  A failure ends with its reason.
std::string FormatUndoLine(std::string_view path, bool ok, std::string_view destination,
                           const TChangeNumbers *numbers, std::string_view reason = {});
