#include "run/RunUndo.h"

#include <cerrno>
#include <unordered_map>
#include <unordered_set>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "platform/TrashFiles.h"
#include "run/LogRecords.h"
#include "run/RunDriver.h"
#include "run/RunSteps.h"

const std::string_view kMsgWindowsLog =
    "このログは Windows のパス (\\ 区切り) を記録しています。このマシンのパスではないため元に戻せません。";
const std::string_view kMsgNoRunInLog = "ログに元に戻せる実行の記録がありません。";

namespace {

constexpr std::string_view kNoFolder = "パスにフォルダがありません";
constexpr std::string_view kNotWhereLogged = "ログの場所にありません";
constexpr std::string_view kPlaceTaken = "元の場所が使われています";
constexpr std::string_view kChangedSince = "日時か属性がログの後に変更されています";
constexpr std::string_view kCannotChange = "日時・属性を戻せません";
constexpr std::string_view kCannotTrash = "ごみ箱へ移せません";

// The attribute bits a change sets.
constexpr std::uint32_t kChangeBits = kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrArchive;

enum class TCheck { Reverse, AlreadyUndone, Left, NotDone, Fail };

struct TVerdict {
  TCheck Check;
  std::string_view Reason = {};
};

std::string ParentFolder(const std::string &path) {
  const std::size_t at = LastDelimiterOffset(path, std::string_view(&kPathDelimiter, 1));
  if (at == std::string::npos) return std::string();
  return at == 0 ? std::string(1, kPathDelimiter) : path.substr(0, at);
}

bool Exists(const std::string &path) { return PathExists(path); }

std::int32_t Packed(const timespec &time) {
  const std::optional<DosDateTime> packed = FileTimeToDosDateTime(time);
  return packed ? static_cast<std::int32_t>(*packed) : 0;
}

std::string ErrorText(int error) {
  switch (error) {
  case EEXIST:
  case ENOTEMPTY: return "同じ名前が既にあります";
  case EACCES:
  case EPERM: return "アクセスが拒否されました";
  case ENOENT: return "見つかりません";
  case EXDEV: return "別のファイルシステムへは移せません";
  case ENOSPC: return "空き容量が足りません";
  default: return "エラー " + std::to_string(error);
  }
}

// A copy made beside its source by a renamed copy: a file of the same size
// and time, or a folder beside a folder (a renamed copy of a folder makes
// the folder and leaves the old one).
bool IsCopyBeside(const std::string &source, const std::string &copy) {
  const std::optional<FindEntry> a = InspectEntry(source);
  const std::optional<FindEntry> b = InspectEntry(copy);
  if (!a || !b) return false;
  const bool folderA = (a->Attributes & kAttrDirectory) != 0;
  const bool folderB = (b->Attributes & kAttrDirectory) != 0;
  if (folderA || folderB) return folderA && folderB;
  return a->Size == b->Size && a->TimeValid && b->TimeValid && a->Time == b->Time;
}

bool IsEmptyFolder(const std::string &path) {
  if (!FolderExists(path)) return false;
  const FindResult found = FindFiles(path, "*");
  return found.Ok && found.Entries.empty();
}

// What a change record asks to put back on the file as it is now.
struct TChangeBack {
  bool LastWrite = false, Creation = false, LastAccess = false, Attributes = false;
  std::int32_t Now[3] = {0, 0, 0};  // last write, creation, last access, packed
  std::uint32_t NowAttributes = 0;
  bool Any() const { return LastWrite || Creation || LastAccess || Attributes; }
};

}  // namespace

class TUndoStep {
public:
  TUndoStep(TRunDriver &driver, TUndoStats &stats) : D_(driver), Stats_(stats) {}

  // What the record asks for, judged against the disk as it is; nothing changes.
  TVerdict Check(const TLogRecord &record) {
    if (record.Outcome != TLogOutcome::Succeeded) return {TCheck::NotDone};
    if (!record.Path.starts_with(kPathDelimiter) ||
        (!record.Destination.empty() && !record.Destination.starts_with(kPathDelimiter)))
      return {TCheck::Fail, kNoFolder};
    switch (record.Operation) {
    case TLogOperation::Rename:
      if (ParentFolder(record.Path) != ParentFolder(record.Destination)) return {TCheck::Left};
      return CheckMove(record.Destination, record.Path, /*copyMayStay=*/true);
    case TLogOperation::Copy: return CheckCopy(record);
    case TLogOperation::Delete: return CheckTrashed(record.Path);
    case TLogOperation::Change: return CheckChange(record).first;
    case TLogOperation::Undo:
      if (record.HasNumbers) return CheckChange(record).first;
      if (record.Destination.empty()) return CheckTrashed(record.Path);
      if (IsInTrashFiles(record.Path)) return CheckRetrash(record.Destination);
      return CheckMove(record.Destination, record.Path, false);
    }
    return {TCheck::NotDone};
  }

  // Checks again (earlier reversals changed the disk), then acts and logs.
  void Reverse(const TLogRecord &record) {
    const TVerdict verdict = Check(record);
    switch (verdict.Check) {
    case TCheck::NotDone: ++Stats_.NotDone; return;
    case TCheck::AlreadyUndone: ++Stats_.AlreadyUndone; return;
    case TCheck::Left: ++Stats_.Left; return;
    case TCheck::Fail: {
      const bool moved = !record.Destination.empty();
      Log(FormatUndoLine(moved ? record.Destination : record.Path, false,
                         moved ? record.Path : std::string(), nullptr, verdict.Reason),
          false);
      return;
    }
    case TCheck::Reverse: break;
    }
    switch (record.Operation) {
    case TLogOperation::Rename: MoveBack(record.Destination, record.Path); return;
    case TLogOperation::Copy:
      if (Exists(record.Path)) {
        // The copy folder of a moved folder, emptied again.
        const bool ok = RemoveFolder(record.Destination);
        Log(FormatUndoLine(record.Destination, ok, record.Path, nullptr,
                           ok ? std::string_view() : std::string_view(ErrorText(errno))),
            ok);
      } else {
        MoveBack(record.Destination, record.Path);
      }
      return;
    case TLogOperation::Delete: Restore(record.Path); return;
    case TLogOperation::Change: ChangeBack(record); return;
    case TLogOperation::Undo:
      if (record.HasNumbers) ChangeBack(record);
      else if (record.Destination.empty()) Restore(record.Path);
      else if (IsInTrashFiles(record.Path)) Retrash(record.Destination);
      else MoveBack(record.Destination, record.Path);
      return;
    }
  }

private:
  TVerdict CheckMove(const std::string &current, const std::string &back, bool copyMayStay) {
    bool here = Exists(current);
    bool old = Exists(back);
    // On a card that ignores letter case both names find the one file; the
    // names the folder lists tell which one it has.
    if (here && old && OneNameThere(current, back)) {
      here = Listed(current);
      old = Listed(back);
    }
    if (here && !old) return {TCheck::Reverse};
    if (!here && old) return {TCheck::AlreadyUndone};
    if (here && copyMayStay && IsCopyBeside(back, current)) return {TCheck::Left};
    return {TCheck::Fail, here ? kPlaceTaken : kNotWhereLogged};
  }

  // A copy is taken back only when it was a move: the source is gone.
  TVerdict CheckCopy(const TLogRecord &record) {
    const bool copy = Exists(record.Destination);
    const bool source = Exists(record.Path);
    if (!copy) return source ? TVerdict{TCheck::AlreadyUndone} : TVerdict{TCheck::Fail, kNotWhereLogged};
    if (!source) return {TCheck::Reverse};
    // A moved folder: its files went back into the folder made again for
    // them, and the copy folder is empty now.
    if (MadeFolders_.count(record.Path) != 0 && IsEmptyFolder(record.Destination))
      return {TCheck::Reverse};
    return {TCheck::Left};
  }

  TVerdict CheckTrashed(const std::string &path) {
    const bool taken = Exists(path);
    if (Trash_.Find(path).empty()) return {taken ? TCheck::AlreadyUndone : TCheck::Left};
    if (taken) return {TCheck::Fail, kPlaceTaken};
    return {TCheck::Reverse};
  }

  TVerdict CheckRetrash(const std::string &path) {
    if (Exists(path)) return {TCheck::Reverse};
    return {Trash_.Find(path).empty() ? TCheck::Fail : TCheck::AlreadyUndone, kNotWhereLogged};
  }

  std::pair<TVerdict, TChangeBack> CheckChange(const TLogRecord &record) {
    TChangeBack back;
    const std::optional<FileTimes> times = InspectFileTimes(record.Path);
    const std::optional<std::uint32_t> attributes = GetAttributes(record.Path);
    if (!times || !attributes) return {{TCheck::Fail, kNotWhereLogged}, back};
    const TChangeNumbers &n = record.Numbers;
    back.Now[0] = Packed(times->LastWrite);
    back.Now[1] = Packed(times->Creation);
    back.Now[2] = Packed(times->LastAccess);
    back.NowAttributes = *attributes;
    // A time the change wrote must still be there; one already back at its
    // old value needs nothing.  The access time changes with every read, so
    // it is put back without being checked.
    const auto judge = [&](std::int32_t done, std::int32_t old, std::int32_t now, bool &put) {
      if (done == 0 || old == 0 || done == old || now == old) return true;
      if (now != done) return false;
      put = true;
      return true;
    };
    if (!judge(n.UpDateDone, n.UpDateOld, back.Now[0], back.LastWrite) ||
        !judge(n.NwDateDone, n.NwDateOld, back.Now[1], back.Creation))
      return {{TCheck::Fail, kChangedSince}, back};
    back.LastAccess = n.AcDateDone != 0 && n.AcDateOld != 0 && back.Now[2] != n.AcDateOld;
    const std::uint32_t before = static_cast<std::uint32_t>(n.AttrOld) & kChangeBits;
    const std::uint32_t written = static_cast<std::uint32_t>(n.AttrDone) & kChangeBits;
    const std::uint32_t now = *attributes & kChangeBits;
    if (now != before) {
      if (now != written) return {{TCheck::Fail, kChangedSince}, back};
      back.Attributes = true;
    }
    return {{back.Any() ? TCheck::Reverse : TCheck::AlreadyUndone}, back};
  }

  void ChangeBack(const TLogRecord &record) {
    const TChangeBack back = CheckChange(record).second;
    const TChangeNumbers &n = record.Numbers;
    TChangeCn times;
    times.IfUpDate = back.LastWrite;
    times.IfNwDate = back.Creation;
    times.IfAcDate = back.LastAccess;
    times.UpDateValue = n.UpDateOld;
    times.NwDateValue = n.NwDateOld;
    times.AcDateValue = n.AcDateOld;
    TChangeCn attributes;
    attributes.Attr = back.Attributes;
    attributes.AttrValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(n.AttrOld) & kChangeBits);
    bool ok = true;
    const auto putTimes = [&] {
      if (times.IfUpDate || times.IfNwDate || times.IfAcDate) ok = times.ChangeTarget(record.Path) && ok;
    };
    const auto putAttributes = [&] {
      if (attributes.Attr) ok = attributes.ChangeTarget(record.Path) && ok;
    };
    // A read-only file takes its times only once it is writable again.
    if (back.Attributes && (back.NowAttributes & kAttrReadOnly)) {
      putAttributes();
      putTimes();
    } else {
      putTimes();
      putAttributes();
    }
    const TChangeNumbers numbers{back.Now[0],     back.Now[1],     back.Now[2],
                                 static_cast<std::int32_t>(back.NowAttributes),
                                 times.UpDateDone, times.NwDateDone, times.AcDateDone,
                                 attributes.AttrDone};
    Log(FormatUndoLine(record.Path, ok, {}, &numbers, ok ? std::string_view() : kCannotChange), ok);
  }

  // Makes the folder an entry goes back into when the run removed it.
  void MakeParent(const std::string &path) {
    std::string parent = ParentFolder(path);
    if (parent.empty() || FolderExists(parent)) return;
    std::vector<std::string> missing;
    for (std::string at = parent; !at.empty() && !FolderExists(at); at = ParentFolder(at)) {
      missing.push_back(at);
      if (at.size() <= 1) break;
    }
    if (ForceFolder(parent))
      for (const std::string &made : missing) MadeFolders_.insert(made);
  }

  void MoveBack(const std::string &current, const std::string &back) {
    MakeParent(back);
    bool ok = MoveFile(current, back);
    if (!ok && errno == EXDEV) {
      // Across file systems: a file is copied and then removed (a folder is
      // not moved that way).
      const std::optional<std::uint32_t> attributes = GetAttributes(current);
      if (attributes && !(*attributes & kAttrDirectory) &&
          CopyFile(current, back, true, TCopyPurpose::Move)) {
        ok = DeleteFile(current);
        if (!ok) {
          const int saved = errno;
          DeleteFile(back);
          errno = saved;
        }
      } else if (!attributes || (*attributes & kAttrDirectory)) {
        errno = EXDEV;
      }
    }
    const std::string reason = ok ? std::string() : ErrorText(errno);
    Log(FormatUndoLine(current, ok, back, nullptr, reason), ok);
    if (ok) {
      Unlist(current);
      ListIfKnown(back);
    }
  }

  // The exact names of a folder, read once and kept up to date with what
  // the undo moves; only asked on file systems that ignore case.
  std::unordered_set<std::string> &NamesOf(const std::string &folder) {
    auto found = FolderNames_.find(folder);
    if (found == FolderNames_.end()) {
      std::unordered_set<std::string> names;
      if (const auto read = ReadFolderNames(folder)) names.insert(read->begin(), read->end());
      found = FolderNames_.emplace(folder, std::move(names)).first;
    }
    return found->second;
  }
  bool Listed(const std::string &path) { return NamesOf(ParentFolder(path)).count(ExtractFileName(path)) != 0; }
  void Unlist(const std::string &path) {
    const auto found = FolderNames_.find(ParentFolder(path));
    if (found != FolderNames_.end()) found->second.erase(ExtractFileName(path));
  }
  void ListIfKnown(const std::string &path) {
    const auto found = FolderNames_.find(ParentFolder(path));
    if (found != FolderNames_.end()) found->second.insert(ExtractFileName(path));
  }

  void Restore(const std::string &path) {
    const std::vector<TTrashEntry> entries = Trash_.Find(path);
    MakeParent(path);
    const bool ok = !entries.empty() && RestoreFromTrash(entries.front(), path);
    const std::string reason = ok ? std::string() : ErrorText(errno);
    Log(FormatUndoLine(entries.empty() ? path : entries.front().File, ok, path, nullptr, reason), ok);
    if (ok) Trash_.Forget(entries.front());
  }

  void Retrash(const std::string &path) {
    const bool ok = MoveToTrash(path);
    Log(FormatUndoLine(path, ok, {}, nullptr, ok ? std::string_view() : kCannotTrash), ok);
  }

  void Log(const std::string &line, bool ok) {
    ++D_.Stats_.Records;
    if (ok) {
      ++Stats_.Reversed;
    } else {
      ++Stats_.Failed;
      ++D_.Stats_.FailedRecords;
    }
    D_.Host_.AddLogLine(line);
  }

  TRunDriver &D_;
  TUndoStats &Stats_;
  TTrashIndex Trash_;
  std::unordered_set<std::string> MadeFolders_;
  std::unordered_map<std::string, std::unordered_set<std::string>> FolderNames_;
};

namespace {

std::string Count(std::size_t n, std::string_view text) { return std::to_string(n) + std::string(text); }

std::string Summary(const TUndoStats &stats, bool nothing) {
  std::string message;
  if (nothing) {
    message = "元に戻す処理はありません。";
  } else {
    message = Count(stats.Reversed, " 件を元に戻しました。");
    if (stats.Failed > 0) message += Count(stats.Failed, " 件は戻せませんでした。");
  }
  if (stats.AlreadyUndone > 0) message += Count(stats.AlreadyUndone, " 件は既に元に戻っています。");
  if (stats.Left > 0) message += Count(stats.Left, " 件はそのままです (コピーや完全な削除)。");
  return message;
}

}  // namespace

TRunOutcome TRunDriver::UndoRun(const std::vector<std::string> &logLines, bool all,
                                TUndoStats &stats) {
  if (Running_) return TRunOutcome::Busy;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  stats = TUndoStats{};

  const TLogContents contents = ParseLog(logLines);
  const auto refuse = [&](std::string_view message) {
    stats.Message = std::string(message);
    Host_.SetStatusText(stats.Message);
    return TRunOutcome::Refused;
  };
  if (contents.WindowsPaths) return refuse(kMsgWindowsLog);
  if (contents.Runs.empty()) return refuse(kMsgNoRunInLog);

  std::vector<const TLogRecord *> records;
  const std::size_t first = all ? 0 : contents.Runs.size() - 1;
  for (std::size_t run = contents.Runs.size(); run-- > first;) {
    ++stats.Runs;
    const std::vector<TLogRecord> &list = contents.Runs[run].Records;
    for (auto it = list.rbegin(); it != list.rend(); ++it) records.push_back(&*it);
  }

  // Nothing to do is said, not logged: a run of no records would only hide
  // the run before it.
  {
    TUndoStats looked = stats;
    TUndoStep probe(*this, looked);
    bool anything = false;
    for (const TLogRecord *record : records) {
      switch (probe.Check(*record).Check) {
      case TCheck::Reverse:
      case TCheck::Fail: anything = true; break;
      case TCheck::AlreadyUndone: ++looked.AlreadyUndone; break;
      case TCheck::Left: ++looked.Left; break;
      case TCheck::NotDone: ++looked.NotDone; break;
      }
      if (anything) break;
    }
    if (!anything) {
      stats = looked;
      stats.Unreadable = contents.Unreadable;
      stats.Message = Summary(stats, true);
      Host_.SetStatusText(stats.Message);
      return TRunOutcome::Finished;
    }
  }
  stats.Unreadable = contents.Unreadable;

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  Host_.SetRunMessage(std::string(kRunMessage));
  TUndoStep step(*this, stats);
  const auto finish = [&](bool aborted) {
    Host_.SetRunMessage(std::string());
    Host_.SetBusyCursor(false);
    Host_.AddLogLine(std::string(aborted ? kLogAborted : kLogFinished));
  };
  try {
    Host_.AddLogLine(std::string(kLogStart));
    Host_.ShowLogPage();
    for (const TLogRecord *record : records) {
      Host_.ProcessMessages();
      if (AbortRequested_) break;
      step.Reverse(*record);
    }
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  stats.Message = Summary(stats, false);
  Host_.SetStatusText(stats.Message);
  return AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
}
