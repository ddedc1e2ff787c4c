#pragma once
// Log records and the log file.  A record is a head ("処理: %s; 結果: 成功;
// 処理ファイル: %s;" or with "失敗") followed by the tail of its operation.
// The log file is CP932 text with CR LF after every line, the last included,
// or UTF-8 with a byte-order mark when it holds a character Shift-JIS lacks.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "run/RunMode.h"

// Run markers.
extern const std::string_view kLogStart;
extern const std::string_view kLogFinished;
extern const std::string_view kLogAborted;
// LabelMessage during a run.
extern const std::string_view kRunMessage;

// The eight numbers of a change record, in the order they are printed.
struct TChangeNumbers {
  std::int32_t UpDateOld = 0;
  std::int32_t NwDateOld = 0;
  std::int32_t AcDateOld = 0;
  std::int32_t AttrOld = 0;
  std::int32_t UpDateDone = 0;
  std::int32_t NwDateDone = 0;
  std::int32_t AcDateDone = 0;
  std::int32_t AttrDone = 0;
};

// One record.  Rename and Copy use `destination` (the numbers are not
// printed); Change uses the numbers; Delete uses neither.  A failure ends
// with its reason (" 理由: ...;") when one is given.  List has no record (an
// empty string).
// Whether a log line is a record ("処理: ..."), and a failed one, told
// cheaply from its head, for counting a run's lines as they come.
bool IsRecordLine(std::string_view line);
bool IsFailedRecordLine(std::string_view line);

std::string FormatLogLine(RunMode mode, std::string_view path, bool ok,
                          const TChangeNumbers &numbers, std::string_view destination,
                          std::string_view reason = {});
// The same line appended to `line`, whose room a caller writing a line per
// target reuses.  A plan's line (`planned`) says that a target that would
// succeed is planned.
void AppendLogLine(std::string &line, RunMode mode, std::string_view path, bool ok,
                   const TChangeNumbers &numbers, std::string_view destination,
                   std::string_view reason = {}, bool planned = false);

// Writes log lines to a file as they come, replacing the file.  Lines are
// buffered; Close (or the destructor) writes out what is left, so the file
// holds everything logged so far also when an error ends the run.
//
// The file is Shift-JIS until a line holds a character Shift-JIS lacks; then
// what was written so far is rewritten as UTF-8 with a byte-order mark (a new
// file renamed into place, so nothing is lost if the run is killed) and the
// rest follows in UTF-8.  A log that is not a regular file (a pipe) cannot be
// rewritten and simply goes on in UTF-8.
class TLogFileWriter {
public:
  TLogFileWriter() = default;
  ~TLogFileWriter();
  TLogFileWriter(const TLogFileWriter &) = delete;
  TLogFileWriter &operator=(const TLogFileWriter &) = delete;

  // Opens (creates or truncates) the file; false with errno set on failure.
  // `path` is CP932, as every path of the system.  With `unicode` the file
  // is UTF-8 with a mark from the start (a whole log known to need it).
  bool Open(const std::string &path, bool unicode = false);
  // Appends line + CR LF; false with errno set on failure.
  bool Append(std::string_view line);
  // Hands what is buffered to the system, so that the file holds every line
  // appended so far even if the process is killed; false with errno set.
  bool Flush();
  // Closes the file; false when a buffered write failed.
  bool Close();
  bool IsOpen() const { return File_ != nullptr; }
  // What the file is on the disk (it changes when the log turns UTF-8).
  std::optional<TFileId> FileId() const;

private:
  bool SwitchToUnicode();

  std::FILE *File_ = nullptr;
  std::string Name_;  // the file's name for the system (UTF-8)
  bool Unicode_ = false;
};

// True when a file holding these lines must be UTF-8 (TLogFileWriter::Open).
bool LinesNeedUnicode(const std::vector<std::string> &lines);

// Whole log files.  SaveLogFile writes every line with CR LF; LoadLogFile
// reads Shift-JIS or UTF-8 with a mark, and splits at CR LF, LF or CR and drops nothing but the line ends (a final
// line end does not make an extra empty line).  Both raise EInOutError:
// "ファイル %s を作成できません" (cannot create), "%s に書き込めません" (a write
// failed), "ファイル %s は開けません" (cannot open for reading).  `path` is
// CP932, as every path of the system.
void SaveLogFile(const std::string &path, const std::vector<std::string> &lines);
std::vector<std::string> LoadLogFile(const std::string &path);

// A log file read for an undo: a regular file only (a named pipe, a device
// or a final link is refused with `error` set, CP932), opened without
// waiting, read a block at a time in bounded memory: with lastRunOnly the
// lines before the last start line are let go as the file is read, and a
// line longer than any record could be is cut to a few bytes (it is no
// record).  nullopt when it is refused.
std::optional<std::vector<std::string>> ReadLogForUndo(const std::string &path, bool lastRunOnly,
                                                       std::string &error);
