#pragma once
// The log page's file buttons: the log's lines from a text file and to one.
// The file is CP932 text with CR LF after every line, the last included.

#include <string>
#include <vector>

// The lines of a log file (CR LF, LF or CR line ends; a last line without
// one reads fine).  Raises EInOutError "ファイル <path> は開けません" when the
// file cannot be read.
std::vector<std::string> ReadLogLines(const std::string &path);

// Replaces the file with the lines.  The lines go to a new file beside it,
// which is renamed over the old one only when everything was written, so a
// failure (disk full, say) leaves the old file as it was.  A link is
// followed: the file it points to is replaced.  A read-only file is not
// overwritten.  Raises EInOutError "ファイル <path> を作成できません" on any
// failure.
void WriteLogLines(const std::string &path, const std::vector<std::string> &lines);
