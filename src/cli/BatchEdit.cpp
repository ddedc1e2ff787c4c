#include "cli/BatchEdit.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <unordered_map>

#include "cli/BatchMessages.h"
#include "ops/NameParts.h"
#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "run/EditedPlan.h"
#include "run/RunLog.h"
#include "run/RunPlan.h"

namespace {

void Note(const std::string &utf8) {
  std::fflush(stdout);
  std::fprintf(stderr, "korvane-batch: %s\n", utf8.c_str());
}

std::string Shown(std::string_view cp932) { return Cp932ToUtf8Lossy(cp932); }

// Every byte of a file (its name for the system), or of standard input for
// "-"; nullopt with errno set.
std::optional<std::string> ReadNative(const std::string &native) {
  int fd = STDIN_FILENO;
  if (native != "-") {
    fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
  }
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      const int error = errno;
      if (fd != STDIN_FILENO) ::close(fd);
      errno = error;
      return std::nullopt;
    }
    if (got == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  if (fd != STDIN_FILENO) ::close(fd);
  return bytes;
}

// The same for a CP932 path.
std::optional<std::string> ReadAll(const std::string &path) {
  if (path == "-") return ReadNative(path);
  const std::optional<std::string> native = Cp932ToUtf8(path);
  if (!native) {
    errno = ENOENT;
    return std::nullopt;
  }
  return ReadNative(*native);
}

// Lines split at LF; a CR before it goes too, and a last line end makes no
// empty line after it.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string RelativeTo(const std::string &root, const std::string &path) {
  return path.size() > root.size() && path.compare(0, root.size(), root) == 0 ? path.substr(root.size())
                                                                              : path;
}

// The plan's records, gathered silently.
class TRecords final : public TPlanSink {
public:
  void AddPlanMarker(std::string_view) override {}
  void AddPlanRecord(const TPlanRecord &record) override { Records.push_back(record); }
  std::vector<TPlanRecord> Records;
};

// y, yes or はい on standard input.
bool Agreed(TBatchText question) {
  std::fflush(stdout);
  std::fputs(BatchText(question).c_str(), stderr);
  std::fflush(stderr);
  char answer[256];
  if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
    std::fputc('\n', stderr);
    return false;
  }
  std::string text(answer);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
    text.pop_back();
  const std::string lower = LowerCaseCp932(text);
  return lower == "y" || lower == "yes" || text == reinterpret_cast<const char *>(u8"はい");
}

// A file removed when it goes.
class TTemporaryFile {
public:
  ~TTemporaryFile() {
    if (!Path_.empty()) ::unlink(Path_.c_str());
  }
  // Makes the file with these bytes; false with errno set.
  bool Create(const std::string &bytes) {
    const char *folder = std::getenv("TMPDIR");
    std::string name = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") +
                       "/korvane-edit-XXXXXX.txt";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) return false;
    Path_ = name;
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return false;
      }
      done += static_cast<std::size_t>(put);
    }
    return ::close(fd) == 0;
  }
  const std::string &Path() const { return Path_; }

private:
  std::string Path_;  // UTF-8, the system's own
};

std::string EditorCommand() {
  for (const char *name : {"VISUAL", "EDITOR"}) {
    const char *value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return "vi";
}

// Runs the editor on the file, through the shell as the variable may hold
// arguments ("code --wait").  Its exit status, or 128 + the signal that
// ended it.  Ctrl-C belongs to the editor while it runs.
int RunEditor(const std::string &editor, const std::string &file) {
  std::fflush(stdout);
  std::fflush(stderr);
  const std::string command = editor + " \"$1\"";
  const pid_t pid = ::fork();
  if (pid < 0) return 127;
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), "sh", file.c_str(), static_cast<char *>(nullptr));
    ::_exit(127);
  }
  struct sigaction ignore {}, interrupt {}, quit {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  ::sigaction(SIGINT, &ignore, &interrupt);
  ::sigaction(SIGQUIT, &ignore, &quit);
  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  ::sigaction(SIGINT, &interrupt, nullptr);
  ::sigaction(SIGQUIT, &quit, nullptr);
  if (waited < 0) return 127;
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

TRunOutcome Refuse(TBatchHost &host, const std::string &message) {
  host.Refuse(message);
  return TRunOutcome::Refused;
}

// The rows whose names are edited: the renames of targets.
std::vector<std::size_t> EditableRows(const TEditedPlan &plan) {
  std::vector<std::size_t> rows;
  for (std::size_t i = 0; i < plan.Size(); ++i)
    if (plan.Editable(i)) rows.push_back(i);
  return rows;
}

// The plan's new names in an editor, one row a line in plan order; the
// lines that come back changed become edits.  nullopt: refused (the reason
// is with the host).
std::optional<std::vector<std::pair<std::size_t, std::string>>> EditInEditor(
    const TEditedPlan &plan, const std::string &root, TBatchHost &host) {
  const std::vector<std::size_t> rows = EditableRows(plan);
  std::vector<std::string> written;  // UTF-8
  std::string text;
  for (const std::size_t row : rows) {
    const std::string relative = RelativeTo(root, plan.Row(row).Destination);
    std::optional<std::string> line = Cp932ToUtf8Bytes(relative);
    if (!line || line->find_first_of("\r\n") != std::string::npos) {
      host.Refuse(BatchText(TBatchText::NameWithLineBreak, {Shown(relative)}));
      return std::nullopt;
    }
    text += *line + "\n";
    written.push_back(std::move(*line));
  }
  TTemporaryFile file;
  if (!file.Create(text)) {
    host.Refuse(BatchText(TBatchText::EditTempFile, {SystemErrorText(errno)}));
    return std::nullopt;
  }
  const std::string editor = EditorCommand();
  const int status = RunEditor(editor, file.Path());
  if (status != 0) {
    host.Refuse(status > 128 ? BatchText(TBatchText::EditorSignal, {editor, std::to_string(status - 128)})
                             : BatchText(TBatchText::EditorFailed, {editor, std::to_string(status)}));
    return std::nullopt;
  }
  const std::optional<std::string> edited = ReadNative(file.Path());
  if (!edited) {
    host.Refuse(BatchText(TBatchText::EditUnreadable, {file.Path(), SystemErrorText(errno)}));
    return std::nullopt;
  }
  std::string_view body = *edited;
  if (body.starts_with("\xEF\xBB\xBF")) body.remove_prefix(3);
  const std::vector<std::string_view> lines = SplitLines(body);
  if (lines.size() != written.size()) {
    host.Refuse(BatchText(TBatchText::EditLineCount,
                          {std::to_string(written.size()), std::to_string(lines.size())}));
    return std::nullopt;
  }
  std::vector<std::pair<std::size_t, std::string>> edits;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == written[i]) continue;
    const std::string number = std::to_string(i + 1);
    if (lines[i].empty()) {
      host.Refuse(BatchText(TBatchText::EditEmptyLine, {number}));
      return std::nullopt;
    }
    const std::optional<std::string> line = Utf8ToCp932(lines[i]);
    if (!line) {
      host.Refuse(BatchText(TBatchText::EditTooManyUnicode, {number}));
      return std::nullopt;
    }
    const std::optional<std::string> name = NewNameOf(*line, RelativeTo(root, plan.Row(rows[i]).Destination));
    if (!name) {
      host.Refuse(BatchText(TBatchText::OtherFolder, {file.Path(), number, std::string(lines[i])}));
      return std::nullopt;
    }
    edits.emplace_back(rows[i], *name);
  }
  return edits;
}

// What the edits changed, for the question: each changed row, then the
// counts.
void ShowEdits(const TEditedPlan &plan, const std::vector<std::size_t> &rows, const std::string &root) {
  std::size_t changed = 0;
  for (const std::size_t row : rows) {
    if (!plan.Edited(row)) continue;
    ++changed;
    const TPlanRecord &now = plan.Row(row);
    const std::string before = Shown(RelativeTo(root, plan.Planned(row).Destination));
    const std::string after = Shown(RelativeTo(root, now.Destination));
    Note(now.Ok ? BatchText(TBatchText::EditChanged, {before, after})
                : BatchText(TBatchText::EditChangedFails, {before, after, Shown(ReasonText(now.Failure))}));
  }
  if (changed == 0) {
    Note(BatchText(TBatchText::EditNoChange));
    return;
  }
  Note(BatchText(TBatchText::EditCount, {std::to_string(changed), std::to_string(plan.RowsToRun()),
                                         std::to_string(plan.Failures())}));
}

// The plan's lines, as --dry-run prints them, on stdout only: they are not
// the run's log.
void PrintPlan(const std::vector<TPlanRecord> &rows) {
  for (const TPlanRecord &row : rows) {
    const std::string line = TerminalText(PlanLineOf(row)) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  std::fflush(stdout);
}

TRunStats PlanStats(const TEditedPlan &plan) {
  TRunStats stats;
  stats.Records = plan.RowsToRun();
  stats.FailedRecords = plan.Failures();
  for (std::size_t i = 0; i < plan.Size(); ++i)
    if (!plan.PassedOver(i) && !plan.Row(i).Ok) stats.CountFailure(ReasonText(plan.Row(i).Failure));
  return stats;
}

// A names list or an editor renames the files it names; the targets whose
// names neither it nor the steps change are left alone rather than
// recorded as failed renames.
void PassOverUnchanged(TEditedPlan &plan) {
  if (const std::size_t count = plan.PassOverUnchanged(); count > 0)
    Note(BatchText(TBatchText::PassedOverUnchanged, {std::to_string(count)}));
}

// --confirm for a copy, a delete or a change: the plan, the question, the run.
TRunOutcome ConfirmedRun(RunMode mode, const TBatchOptions &options, TRunDriver &driver,
                         TBatchHost &host) {
  TRecords sink;
  const TRunOutcome planned = driver.PlanRun(mode, sink);
  if (planned != TRunOutcome::Finished) return planned;
  PrintPlan(sink.Records);
  Note(BatchText(TBatchText::PlanSummary, {std::to_string(driver.Stats().Records - driver.Stats().FailedRecords),
                                           std::to_string(driver.Stats().FailedRecords)}));
  if (!options.Yes && !Agreed(TBatchText::AskRun)) {
    host.Decline();
    return TRunOutcome::Finished;
  }
  return driver.SpeedButtonClick(mode);
}

}  // namespace

bool RunsThroughPlan(const TBatchOptions &options) {
  return options.Edit || options.Confirm || options.NamesFrom.has_value();
}

std::vector<TNameLine> ParseNameLines(std::string_view text, const std::string &shownName,
                                      std::string &error) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<TNameLine> lines;
  const std::vector<std::string_view> split = SplitLines(text);
  for (std::size_t i = 0; i < split.size(); ++i) {
    const std::string_view line = split[i];
    if (line.empty()) continue;
    const std::string number = std::to_string(i + 1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) {
      error = BatchText(TBatchText::NamesFromNoTab, {shownName, number});
      return {};
    }
    if (tab + 1 == line.size()) {
      error = BatchText(TBatchText::NamesFromEmptyName, {shownName, number});
      return {};
    }
    std::optional<std::string> oldName = Utf8ToCp932(line.substr(0, tab));
    std::optional<std::string> newName = Utf8ToCp932(line.substr(tab + 1));
    if (!oldName || !newName) {
      error = BatchText(TBatchText::NamesFromTooManyUnicode, {shownName, number});
      return {};
    }
    lines.push_back(TNameLine{i + 1, std::move(*oldName), std::move(*newName)});
  }
  return lines;
}

std::optional<std::string> NewNameOf(const std::string &line, const std::string &relative) {
  const std::string name = ExtractFileName(line);
  if (name.size() == line.size()) return line;
  if (line.substr(0, line.size() - name.size()) != relative.substr(0, relative.size() - ExtractFileName(relative).size()))
    return std::nullopt;
  return name;
}

std::vector<std::pair<std::size_t, std::string>> NameListEdits(const TEditedPlan &plan,
                                                               const std::vector<TNameLine> &lines,
                                                               const std::string &root,
                                                               const std::string &shownName,
                                                               std::string &error) {
  std::unordered_map<std::string, std::size_t> rows;  // relative path -> row
  for (std::size_t i = 0; i < plan.Size(); ++i)
    if (plan.Editable(i)) rows.emplace(RelativeTo(root, plan.Planned(i).Source), i);
  std::unordered_map<std::size_t, std::size_t> lineOf;  // row -> line
  std::vector<std::pair<std::size_t, std::string>> edits;
  for (const TNameLine &line : lines) {
    const std::string number = std::to_string(line.Line);
    const auto row = rows.find(line.Old);
    if (row == rows.end()) {
      error = BatchText(TBatchText::NamesFromNotTarget, {shownName, number, Shown(line.Old)});
      return {};
    }
    if (const auto [at, fresh] = lineOf.emplace(row->second, line.Line); !fresh) {
      error = BatchText(TBatchText::NamesFromTwice,
                        {shownName, number, Shown(line.Old), std::to_string(at->second)});
      return {};
    }
    const std::optional<std::string> name = NewNameOf(line.New, line.Old);
    if (!name) {
      error = BatchText(TBatchText::OtherFolder, {"--names-from " + shownName, number, Shown(line.New)});
      return {};
    }
    if (name->empty()) {
      error = BatchText(TBatchText::NamesFromEmptyName, {shownName, number});
      return {};
    }
    edits.emplace_back(row->second, *name);
  }
  return edits;
}

TRunOutcome StartPlannedRun(const TBatchOptions &options, TRunDriver &driver, TBatchHost &host) {
  const RunMode mode = options.PlanMode ? *options.PlanMode : options.Mode ? *options.Mode : RunMode::Rename;
  const bool asks = (options.Edit || options.Confirm) && !options.Yes;
  if (asks && ::isatty(STDIN_FILENO) != 1) return Refuse(host, BatchText(TBatchText::NoTerminal));
  if (mode != RunMode::Rename) return ConfirmedRun(mode, options, driver, host);

  // The list is read before anything is planned: a list that cannot be
  // read refuses the job at once.
  std::vector<TNameLine> nameLines;
  std::string shownList;
  if (options.NamesFrom) {
    shownList = Shown(*options.NamesFrom);
    const std::optional<std::string> text = ReadAll(*options.NamesFrom);
    if (!text)
      return Refuse(host, BatchText(TBatchText::NamesFromUnreadable, {shownList, SystemErrorText(errno)}));
    std::string error;
    nameLines = ParseNameLines(*text, shownList, error);
    if (!error.empty()) return Refuse(host, error);
  }

  TRecords sink;
  const TRunOutcome planned = driver.PlanRun(RunMode::Rename, sink);
  if (planned != TRunOutcome::Finished) return planned;
  const JobSettings &job = host.Job();
  TEditedPlan plan(std::move(sink.Records), job.Rename.Copy);
  if (options.NamesFrom) {
    std::string error;
    const auto edits =
        NameListEdits(plan, nameLines, IncludeTrailingDelimiter(job.FindFile.Folder), shownList, error);
    if (!error.empty()) return Refuse(host, error);
    plan.SetNewNames(edits);
    if (!options.Edit) PassOverUnchanged(plan);
  }

  if (options.PlanMode) {
    // --dry-run rename: the plan with the list's names, as a dry run prints it.
    host.AddLogLine(std::string(kLogStart));
    for (std::size_t i = 0; i < plan.Size(); ++i)
      if (!plan.PassedOver(i)) host.AddLogLine(PlanLineOf(plan.Row(i)));
    host.AddLogLine(std::string(kLogFinished));
    host.SetPlanStats(PlanStats(plan));
    return TRunOutcome::Finished;
  }

  const std::string root = IncludeTrailingDelimiter(RunDestination(RunMode::Rename, job));
  if (options.Edit) {
    if (EditableRows(plan).empty()) {
      host.Decline(BatchText(TBatchText::NothingToRename));
      return TRunOutcome::Finished;
    }
    const auto edits = EditInEditor(plan, root, host);
    if (!edits) return TRunOutcome::Refused;
    if (gBatchStopSignal != 0) {
      host.Decline();
      return TRunOutcome::Aborted;
    }
    plan.SetNewNames(*edits);
    host.SayNotice();
    PassOverUnchanged(plan);
    ShowEdits(plan, EditableRows(plan), root);
  } else if (options.Confirm) {
    std::vector<TPlanRecord> rows;
    for (std::size_t i = 0; i < plan.Size(); ++i)
      if (!plan.PassedOver(i)) rows.push_back(plan.Row(i));
    host.SayNotice();
    PrintPlan(rows);
    Note(BatchText(TBatchText::PlanSummary,
                   {std::to_string(plan.RowsToRun() - plan.Failures()), std::to_string(plan.Failures())}));
  }
  if (asks && !Agreed(options.Edit ? TBatchText::AskRename : TBatchText::AskRun)) {
    host.Decline();
    return TRunOutcome::Finished;
  }
  return driver.RunEditedPlan(plan);
}
