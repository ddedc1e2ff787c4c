#include "run/LogRecords.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "platform/Paths.h"

namespace {

constexpr std::string_view kHead = "処理: ";
constexpr std::string_view kResult = "; 結果: ";
constexpr std::string_view kFile = "; 処理ファイル: ";
constexpr std::string_view kReason = "; 理由: ";
constexpr std::string_view kRenameTail = "; リネーム先ファイル: ";
constexpr std::string_view kCopyTail = "; コピー先ファイル: ";
constexpr std::string_view kUndoTail = "; 戻し先ファイル: ";
constexpr std::string_view kUndoName = "元に戻す";

constexpr std::string_view kNumberLabels[] = {"前更新日時", "前作成日時", "前ｱｸｾｽ日時", "前属性",
                                              "新更新日時", "新作成日時", "新ｱｸｾｽ日時", "新属性"};

struct TOperationName {
  std::string_view Name;
  TLogOperation Operation;
};
constexpr TOperationName kOperations[] = {
    {"リネーム", TLogOperation::Rename},     {"コピー", TLogOperation::Copy},
    {"削除", TLogOperation::Delete},         {"日付・属性変更", TLogOperation::Change},
    {kUndoName, TLogOperation::Undo},
};

bool IsWindowsPath(std::string_view path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
    const char drive = path[0];
    return (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
  }
  return path.starts_with("\\\\");
}

std::string_view FolderOf(std::string_view path) {
  const std::size_t at = LastDelimiterOffset(path, std::string_view(&kPathDelimiter, 1));
  return at == std::string_view::npos ? std::string_view() : path.substr(0, at);
}

// "PATH" + label + "DEST" (the final ';' already dropped).  A path may hold
// the label itself; the split that leaves two absolute paths in one folder
// (a rename) or at least an absolute destination is the one the run wrote.
bool SplitPaths(std::string_view body, std::string_view label, TLogRecord &record) {
  std::size_t best = std::string_view::npos;
  int bestScore = -1;
  for (std::size_t at = body.find(label); at != std::string_view::npos; at = body.find(label, at + 1)) {
    const std::string_view path = body.substr(0, at);
    const std::string_view dest = body.substr(at + label.size());
    int score = 0;
    if (dest.starts_with(kPathDelimiter)) ++score;
    if (path.starts_with(kPathDelimiter) && dest.starts_with(kPathDelimiter) &&
        FolderOf(path) == FolderOf(dest))
      ++score;
    if (score > bestScore) {
      best = at;
      bestScore = score;
    }
  }
  if (best == std::string_view::npos || best == 0) return false;
  record.Path = std::string(body.substr(0, best));
  record.Destination = std::string(body.substr(best + label.size()));
  return !record.Destination.empty();
}

bool ParseNumber(std::string_view &text, std::int32_t &value) {
  std::int64_t wide = 0;
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, wide);
  if (error != std::errc() || wide < std::numeric_limits<std::int32_t>::min() ||
      wide > std::numeric_limits<std::int32_t>::max())
    return false;
  value = static_cast<std::int32_t>(wide);
  text.remove_prefix(static_cast<std::size_t>(stop - text.data()));
  return true;
}

// "PATH; 前更新日時: N; ...; 新属性: N;" with the eight labels in order.
bool ParseChangeTail(std::string_view body, TLogRecord &record) {
  const std::string first = "; " + std::string(kNumberLabels[0]) + ": ";
  const std::size_t at = body.rfind(first);
  if (at == std::string_view::npos || at == 0) return false;
  std::string_view rest = body.substr(at + 1);  // from the blank before the first label
  std::int32_t numbers[8];
  for (std::size_t i = 0; i < 8; ++i) {
    const std::string label = " " + std::string(kNumberLabels[i]) + ": ";
    if (!rest.starts_with(label)) return false;
    rest.remove_prefix(label.size());
    if (!ParseNumber(rest, numbers[i]) || !rest.starts_with(';')) return false;
    rest.remove_prefix(1);
  }
  if (!rest.empty()) return false;
  record.Path = std::string(body.substr(0, at));
  record.Numbers = TChangeNumbers{numbers[0], numbers[1], numbers[2], numbers[3],
                                  numbers[4], numbers[5], numbers[6], numbers[7]};
  record.HasNumbers = true;
  return true;
}

std::string_view TrimRight(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  return line;
}

}  // namespace

std::optional<TLogRecord> ParseLogRecord(std::string_view line) {
  line = TrimRight(line);
  if (!line.starts_with(kHead)) return std::nullopt;
  std::string_view rest = line.substr(kHead.size());
  const std::size_t result = rest.find(kResult);
  if (result == std::string_view::npos) return std::nullopt;
  TLogRecord record;
  const std::string_view name = rest.substr(0, result);
  bool known = false;
  for (const TOperationName &operation : kOperations) {
    if (operation.Name == name) {
      record.Operation = operation.Operation;
      known = true;
    }
  }
  if (!known) return std::nullopt;
  rest.remove_prefix(result + kResult.size());
  struct TOutcomeWord {
    std::string_view Word;
    TLogOutcome Outcome;
  };
  const TOutcomeWord words[] = {{"成功", TLogOutcome::Succeeded},
                                {"失敗", TLogOutcome::Failed},
                                {"予定", TLogOutcome::Planned}};
  known = false;
  for (const TOutcomeWord &word : words) {
    if (rest.starts_with(word.Word)) {
      record.Outcome = word.Outcome;
      rest.remove_prefix(word.Word.size());
      known = true;
      break;
    }
  }
  if (!known || !rest.starts_with(kFile)) return std::nullopt;
  std::string_view body = rest.substr(kFile.size());
  if (!body.ends_with(';')) return std::nullopt;
  // A failure of a plan or of an undo ends with its reason.
  if (record.Outcome != TLogOutcome::Succeeded) {
    const std::size_t reason = body.rfind(kReason);
    if (reason != std::string_view::npos) body = body.substr(0, reason + 1);
  }
  body.remove_suffix(1);  // the ';' that closes the record

  switch (record.Operation) {
  case TLogOperation::Delete:
    record.Path = std::string(body);
    break;
  case TLogOperation::Rename:
    if (!SplitPaths(body, kRenameTail, record)) return std::nullopt;
    break;
  case TLogOperation::Copy:
    if (!SplitPaths(body, kCopyTail, record)) return std::nullopt;
    break;
  case TLogOperation::Change:
    if (!ParseChangeTail(std::string(body) + ";", record)) return std::nullopt;
    break;
  case TLogOperation::Undo:
    if (ParseChangeTail(std::string(body) + ";", record)) break;
    if (body.find(kUndoTail) != std::string_view::npos) {
      if (!SplitPaths(body, kUndoTail, record)) return std::nullopt;
      break;
    }
    record.Path = std::string(body);
    break;
  }
  if (record.Path.empty()) return std::nullopt;
  return record;
}

TLogContents ParseLog(const std::vector<std::string> &lines, const std::function<void()> &pump) {
  TLogContents contents;
  bool inRun = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (pump && i % 4096 == 4095) pump();
    const std::string_view line = TrimRight(lines[i]);
    if (line.empty()) continue;
    if (line == kLogStart) {
      contents.Runs.emplace_back();
      inRun = true;
      continue;
    }
    if (line == kLogFinished || line == kLogAborted) {
      if (inRun) contents.Runs.back().Ended = true;
      inRun = false;
      continue;
    }
    std::optional<TLogRecord> record = ParseLogRecord(line);
    if (!record) {
      ++contents.Unreadable;
      continue;
    }
    record->Line = i + 1;
    if (IsWindowsPath(record->Path) || IsWindowsPath(record->Destination)) contents.WindowsPaths = true;
    if (inRun)
      contents.Runs.back().Records.push_back(*std::move(record));
    else
      ++contents.Outside;
  }
  return contents;
}

std::string FormatUndoLine(std::string_view path, bool ok, std::string_view destination,
                           const TChangeNumbers *numbers, std::string_view reason) {
  std::string line(kHead);
  line += kUndoName;
  line += ok ? "; 結果: 成功; 処理ファイル: " : "; 結果: 失敗; 処理ファイル: ";
  line += path;
  line += ';';
  if (numbers != nullptr) {
    // The change record's own tail: formatted for an empty path, it is
    // everything after "処理ファイル: ;".
    const std::string change = FormatLogLine(RunMode::Change, {}, ok, *numbers, {});
    constexpr std::string_view kEmptyFile = "処理ファイル: ;";
    line += change.substr(change.find(kEmptyFile) + kEmptyFile.size());
  } else if (!destination.empty()) {
    line += " 戻し先ファイル: ";
    line += destination;
    line += ';';
  }
  if (!ok && !reason.empty()) {
    line += " 理由: ";
    line += reason;
    line += ';';
  }
  return line;
}
