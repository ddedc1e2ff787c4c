#include "run/RunLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/TextFile.h"

// Defined here rather than inline in the header, so that the window's sources
// (compiled with UTF-8 literals) share these CP932 bytes.
const std::string_view kLogStart = "開始";
const std::string_view kLogFinished = "終了";
const std::string_view kLogAborted = "中断";
const std::string_view kRunMessage = "処理を中止する場合はEscを押してください。";

namespace {

std::string_view OperationName(RunMode mode) {
  switch (mode) {
    case RunMode::Rename: return "リネーム";
    case RunMode::Copy: return "コピー";
    case RunMode::Delete: return "削除";
    case RunMode::Change: return "日付・属性変更";
    case RunMode::List: break;
  }
  return {};
}

void AppendNumber(std::string &line, std::string_view label, std::int32_t value) {
  line += ' ';
  line += label;
  line += ": ";
  line += std::to_string(value);
  line += ';';
}

// File names go to the system as UTF-8; a name that cannot be converted
// cannot name a file.
std::optional<std::string> SystemName(const std::string &path) { return Cp932ToUtf8(path); }

std::string WithPath(std::string_view format, const std::string &path) {
  std::string message(format);
  std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, path);
  return message;
}

}  // namespace

bool IsRecordLine(std::string_view line) { return line.starts_with("処理: "); }

bool IsFailedRecordLine(std::string_view line) {
  return IsRecordLine(line) && line.find("; 結果: 失敗;") != std::string_view::npos;
}

std::string FormatLogLine(RunMode mode, std::string_view path, bool ok,
                          const TChangeNumbers &numbers, std::string_view destination,
                          std::string_view reason) {
  std::string line;
  AppendLogLine(line, mode, path, ok, numbers, destination, reason);
  return line;
}

void AppendLogLine(std::string &line, RunMode mode, std::string_view path, bool ok,
                   const TChangeNumbers &numbers, std::string_view destination,
                   std::string_view reason, bool planned) {
  if (mode == RunMode::List) return;
  // One allocation for the whole line: its heads take well under 128 bytes.
  line.reserve(line.size() + 128 + path.size() + destination.size());
  line += "処理: ";
  line += OperationName(mode);
  line += !ok     ? "; 結果: 失敗; 処理ファイル: "
          : planned ? "; 結果: 予定; 処理ファイル: "
                    : "; 結果: 成功; 処理ファイル: ";
  line += path;
  line += ';';
  switch (mode) {
    case RunMode::Rename:
      line += " リネーム先ファイル: ";
      line += destination;
      line += ';';
      break;
    case RunMode::Copy:
      line += " コピー先ファイル: ";
      line += destination;
      line += ';';
      break;
    case RunMode::Change:
      AppendNumber(line, "前更新日時", numbers.UpDateOld);
      AppendNumber(line, "前作成日時", numbers.NwDateOld);
      AppendNumber(line, "前ｱｸｾｽ日時", numbers.AcDateOld);
      AppendNumber(line, "前属性", numbers.AttrOld);
      AppendNumber(line, "新更新日時", numbers.UpDateDone);
      AppendNumber(line, "新作成日時", numbers.NwDateDone);
      AppendNumber(line, "新ｱｸｾｽ日時", numbers.AcDateDone);
      AppendNumber(line, "新属性", numbers.AttrDone);
      break;
    case RunMode::Delete:
    case RunMode::List:
      break;
  }
  if (!ok && !reason.empty()) {
    line += " 理由: ";
    line += reason;
    line += ';';
  }
}

TLogFileWriter::~TLogFileWriter() { Close(); }

bool TLogFileWriter::Open(const std::string &path, bool unicode) {
  Close();
  std::optional<std::string> name = SystemName(path);
  if (!name) {
    errno = EILSEQ;
    return false;
  }
  // Never through a link in its place, never waiting for a reader of a
  // named pipe; and a log is a regular file, nothing else.
  const int fd = ::open(name->c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return false;
  }
  if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return false;
  }
  File_ = ::fdopen(fd, "wb");
  if (File_ == nullptr) {
    ::close(fd);
    return false;
  }
  Name_ = *std::move(name);
  Unicode_ = unicode;
  if (unicode && std::fwrite(kUtf8Mark.data(), 1, kUtf8Mark.size(), File_) != kUtf8Mark.size()) {
    return false;
  }
  return true;
}

bool TLogFileWriter::Append(std::string_view line) {
  if (File_ == nullptr) {
    errno = EBADF;
    return false;
  }
  if (!Unicode_ && NeedsUnicode(line) && !SwitchToUnicode()) return false;
  std::optional<std::string> bytes =
      EncodeText(line, Unicode_ ? TTextEncoding::Utf8WithMark : TTextEncoding::ShiftJis, false);
  if (!bytes) {
    errno = EILSEQ;
    return false;
  }
  if (std::fwrite(bytes->data(), 1, bytes->size(), File_) != bytes->size()) return false;
  return std::fwrite("\r\n", 1, 2, File_) == 2;
}

bool TLogFileWriter::SwitchToUnicode() {
  Unicode_ = true;
  if (std::fflush(File_) != 0) return false;
  struct stat st {};
  if (::fstat(::fileno(File_), &st) != 0) return false;
  if (!S_ISREG(st.st_mode)) return true;  // a pipe goes on in UTF-8

  // What was written so far, read back and written again as UTF-8 into a
  // new file beside the log, which then takes the log's place.
  std::string text;
  if (std::FILE *old = std::fopen(Name_.c_str(), "rb")) {
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, old)) > 0) text.append(buffer, got);
    const bool failed = std::ferror(old) != 0;
    std::fclose(old);
    if (failed) return false;
  } else {
    return false;
  }
  const std::optional<std::string> bytes = EncodeText(text, TTextEncoding::Utf8WithMark, true);
  if (!bytes) {
    errno = EILSEQ;
    return false;
  }
  char resolved[PATH_MAX];
  const std::string target = ::realpath(Name_.c_str(), resolved) != nullptr ? resolved : Name_;
  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  std::FILE *replacement = ::fdopen(fd, "wb");
  if (replacement == nullptr) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return false;
  }
  const bool written = std::fwrite(bytes->data(), 1, bytes->size(), replacement) == bytes->size() &&
                       std::fflush(replacement) == 0 && ::fsync(fd) == 0 &&
                       ::fchmod(fd, st.st_mode & 07777) == 0 &&
                       ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!written) {
    const int saved = errno;
    std::fclose(replacement);
    ::unlink(temporary.c_str());
    errno = saved;
    return false;
  }
  std::fclose(File_);
  File_ = replacement;
  return true;
}

std::optional<TFileId> TLogFileWriter::FileId() const {
  struct stat st {};
  if (File_ == nullptr || ::fstat(::fileno(File_), &st) != 0) return std::nullopt;
  return TFileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool TLogFileWriter::Flush() {
  if (File_ == nullptr) {
    errno = EBADF;
    return false;
  }
  return std::fflush(File_) == 0;
}

bool TLogFileWriter::Close() {
  if (File_ == nullptr) return true;
  bool ok = std::fflush(File_) == 0;
  ok = std::fclose(File_) == 0 && ok;
  File_ = nullptr;
  return ok;
}

bool LinesNeedUnicode(const std::vector<std::string> &lines) {
  for (const std::string &line : lines) {
    if (NeedsUnicode(line)) return true;
  }
  return false;
}

void SaveLogFile(const std::string &path, const std::vector<std::string> &lines) {
  TLogFileWriter writer;
  if (!writer.Open(path, LinesNeedUnicode(lines))) throw EInOutError(WithPath("ファイル %s を作成できません", path));
  for (const std::string &line : lines)
    if (!writer.Append(line)) throw EInOutError(WithPath("%s に書き込めません", path));
  if (!writer.Close()) throw EInOutError(WithPath("%s に書き込めません", path));
}

std::vector<std::string> LoadLogFile(const std::string &path) {
  std::optional<std::string> name = SystemName(path);
  std::FILE *file = name ? std::fopen(name->c_str(), "rb") : nullptr;
  if (file == nullptr) throw EInOutError(WithPath("ファイル %s は開けません", path));
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  std::optional<TDecodedText> decoded = DecodeTextFile(std::move(bytes), false);
  if (failed || !decoded) throw EInOutError(WithPath("ファイル %s は開けません", path));
  const std::string &text = decoded->Cp932;

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::optional<std::vector<std::string>> ReadLogForUndo(const std::string &path, bool lastRunOnly,
                                                       std::string &error) {
  const std::optional<std::string> name = SystemName(path);
  const int fd = name ? ::open(name->c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC) : -1;
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    const bool link = fd < 0 && errno == ELOOP;
    const bool opened = fd >= 0;
    if (fd >= 0) ::close(fd);
    error = WithPath(link     ? "ファイル %s はシンボリックリンクです"
                     : opened ? "ファイル %s は通常のファイルではありません"
                              : "ファイル %s は開けません",
                     path);
    return std::nullopt;
  }
  // The longest line a record can have: two paths of the longest a system
  // takes, and their heads.
  constexpr std::size_t kLongestLine = 1 << 20;
  std::vector<std::string> lines;
  std::string line;
  bool tooLong = false;
  bool first = true;
  bool unicode = false;
  const auto endLine = [&] {
    if (first) {
      first = false;
      if (line.starts_with(kUtf8Mark)) {
        unicode = true;
        line.erase(0, kUtf8Mark.size());
      }
    }
    std::string text = unicode ? Utf8ToCp932(line).value_or(Utf8ToCp932Lossy(line)) : line;
    if (tooLong) text = "?";
    if (lastRunOnly && text == kLogStart) lines.clear();
    lines.push_back(std::move(text));
    line.clear();
    tooLong = false;
  };
  char buffer[65536];
  bool cr = false;
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      error = WithPath("ファイル %s は開けません", path);
      return std::nullopt;
    }
    if (got == 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      const char c = buffer[i];
      if (cr && c == '\n') {
        cr = false;
        continue;
      }
      cr = false;
      if (c == '\r' || c == '\n') {
        cr = c == '\r';
        endLine();
      } else if (line.size() < kLongestLine) {
        line += c;
      } else {
        tooLong = true;
      }
    }
  }
  ::close(fd);
  if (!line.empty() || tooLong) endLine();
  return lines;
}
