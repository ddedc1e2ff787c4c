#include "run/RunUndo.h"

#include <cerrno>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "platform/TrashFiles.h"
#include "run/LogRecords.h"
#include "run/RunDriver.h"
#include "run/RunJournal.h"
#include "run/RunPlan.h"
#include "run/RunSteps.h"

const std::string_view kMsgWindowsLog =
    "このログは Windows のパス (\\ 区切り) を記録しています。このマシンのパスではないため元に戻せません。";
const std::string_view kMsgNoRunInLog = "ログに元に戻せる実行の記録がありません。";

namespace {

constexpr std::string_view kNoJournal = "元に戻すための記録 (ジャーナル) がありません";
constexpr std::string_view kNotInJournal = "実行の記録 (ジャーナル) と一致しません";
constexpr std::string_view kOutsideRun = "実行のフォルダの外にあります";
constexpr std::string_view kNotWhereLogged = "ログの場所にありません";
constexpr std::string_view kPlaceTaken = "元の場所が使われています";
constexpr std::string_view kReplacedSince = "実行の後に別のファイルに変わっています";
constexpr std::string_view kChangedSince = "日時か属性がログの後に変更されています";
constexpr std::string_view kCannotChange = "日時・属性を戻せません";
constexpr std::string_view kNotInTrash = "ごみ箱にありません";
constexpr std::string_view kOverwrote = "上書きしたファイルは戻せません";

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

std::int32_t Packed(const timespec &time) {
  const std::optional<DosDateTime> packed = FileTimeToDosDateTime(time);
  return packed ? static_cast<std::int32_t>(*packed) : 0;
}

bool IsPlainComponent(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find(kPathDelimiter) == std::string_view::npos;
}

// What a change record asks to put back on the file as it is now.
struct TChangeBack {
  bool LastWrite = false, Creation = false, LastAccess = false, Attributes = false;
  std::int32_t Now[3] = {0, 0, 0};  // last write, creation, last access, packed
  std::uint32_t NowAttributes = 0;
  bool Any() const { return LastWrite || Creation || LastAccess || Attributes; }
};

// The paths of a run as the undo reaches them: each folder opened from the
// run's own folders, one level at a time, never through a link (as the
// walk itself went), so a folder swapped for a link since the run leads
// nowhere.  What lies outside the run's folders is not reached at all.
class TRootedFolders {
public:
  explicit TRootedFolders(const std::vector<std::string> &roots) {
    for (const std::string &root : roots) {
      const std::string bare = ExcludeTrailingDelimiter(root);
      if (!bare.empty() && bare.front() == kPathDelimiter) Roots_.push_back(bare);
    }
  }

  struct TPlace {
    const TFolderHandle *Folder = nullptr;
    std::string Name;
    int Error = 0;               // errno when the folder is not reached
    bool Outside = false;        // not in any of the run's folders
    TEntryRef Entry() const { return TEntryRef(*Folder, Name); }
    explicit operator bool() const { return Folder != nullptr; }
  };

  // The folder of `path` and the name in it; `make`: folders missing on the
  // way are made (an undo puts files back into folders a move removed).
  TPlace Find(const std::string &path, bool make = false) {
    TPlace place;
    const std::string *root = nullptr;
    for (const std::string &candidate : Roots_) {
      if (path.size() > candidate.size() + 1 && path.starts_with(candidate) &&
          (candidate == "/" || path[candidate.size()] == kPathDelimiter) &&
          (root == nullptr || candidate.size() > root->size()))
        root = &candidate;
    }
    if (root == nullptr) {
      place.Outside = true;
      return place;
    }
    std::vector<std::string> parts;
    std::size_t start = root->size() + (*root == "/" ? 0 : 1);
    while (start <= path.size()) {
      std::size_t end = path.find(kPathDelimiter, start);
      if (end == std::string::npos) end = path.size();
      parts.push_back(path.substr(start, end - start));
      start = end + 1;
    }
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    for (const std::string &part : parts) {
      if (!IsPlainComponent(part)) {
        place.Outside = true;
        return place;
      }
    }
    if (parts.empty()) {
      place.Outside = true;
      return place;
    }
    place.Name = parts.back();
    parts.pop_back();
    std::string key = *root;
    const TFolderHandle *folder = Open(key, [&] { return TFolderHandle::Open(*root); });
    for (const std::string &part : parts) {
      if (folder == nullptr) break;
      const TFolderHandle *parent = folder;
      key += std::string(1, kPathDelimiter) + part;
      folder = Open(key, [&] {
        TFolderHandle sub = parent->OpenSubfolder(part);
        if (!sub.Valid() && errno == ENOENT && make && CreateFolder(TEntryRef(*parent, part))) {
          Made.push_back(key);
          sub = parent->OpenSubfolder(part);
        }
        return sub;
      });
    }
    if (folder == nullptr) {
      place.Error = errno;
      return place;
    }
    place.Folder = folder;
    return place;
  }

  // Folders the undo made on the way.
  std::vector<std::string> Made;

private:
  template <class F>
  const TFolderHandle *Open(const std::string &key, F &&open) {
    const auto found = Open_.find(key);
    if (found != Open_.end()) return found->second.get();
    TFolderHandle handle = open();
    if (!handle.Valid()) return nullptr;
    // A long undo goes from folder to folder: the ones behind it are let go.
    if (Open_.size() >= 256) Open_.clear();
    return Open_.emplace(key, std::make_unique<TFolderHandle>(std::move(handle))).first->second.get();
  }

  std::vector<std::string> Roots_;
  std::map<std::string, std::unique_ptr<TFolderHandle>> Open_;
};

// One thing to take back: an act of a journal, or a record that can be
// matched with none.
struct TUndoItem {
  const TJournal *Journal = nullptr;
  const TJournalAct *Act = nullptr;
  const TLogRecord *Record = nullptr;  // the act's record (the numbers of a change)
  std::string_view Refusal;            // a record without an act: why
};

// An undo's plan line as a record of the preview's list: where the entry goes
// back to, or what is done to it, and the reason of a predicted failure.
TPlanRecord UndoPlanRecord(const std::string &line) {
  TPlanRecord record;
  const std::optional<TLogRecord> parsed = ParseLogRecord(line);
  if (!parsed) {
    record.Ok = false;
    record.Path = line;
    return record;
  }
  record.Ok = parsed->Outcome != TLogOutcome::Failed;
  record.Path = parsed->Path;
  record.Destination = parsed->Destination;
  if (parsed->Destination.empty()) record.Outcome = parsed->HasNumbers ? "日付・属性を戻す" : "ゴミ箱へ";
  constexpr std::string_view kReason = "理由: ";
  if (const std::size_t at = line.find(kReason); at != std::string::npos) {
    const std::size_t start = at + kReason.size();
    const std::size_t end = line.find(';', start);
    record.Reason = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
  }
  return record;
}

}  // namespace

class TUndoStep {
public:
  TUndoStep(TRunDriver &driver, TUndoStats &stats, bool plan, TJournalWriter *journal,
            const std::vector<std::string> &roots, TPlanSink *sink = nullptr)
      : D_(driver), Stats_(stats), Plan_(plan), Sink_(plan ? sink : nullptr), Journal_(journal), Folders_(roots) {}

  // What the item asks for, judged against the disk as it is; nothing changes.
  TVerdict Check(const TUndoItem &item) {
    if (item.Act == nullptr) return item.Record->Outcome == TLogOutcome::Succeeded
                                        ? TVerdict{TCheck::Fail, item.Refusal}
                                        : TVerdict{TCheck::NotDone};
    const TJournalAct &act = *item.Act;
    switch (act.Kind) {
    case TActKind::Rename:
    case TActKind::Move: return CheckMove(act);
    case TActKind::Copy: return CheckCopy(act);
    case TActKind::MakeFolder: return CheckMadeFolder(act);
    case TActKind::Trash: return CheckTrashed(act);
    case TActKind::Restore: return CheckRestored(act);
    case TActKind::Change: return CheckChange(item).first;
    }
    return {TCheck::NotDone};
  }

  // Checks again (earlier reversals changed the disk), then acts and logs.
  void Reverse(const TUndoItem &item) {
    const TVerdict verdict = Check(item);
    switch (verdict.Check) {
    case TCheck::NotDone: ++Stats_.NotDone; return;
    case TCheck::AlreadyUndone: ++Stats_.AlreadyUndone; return;
    case TCheck::Left: ++Stats_.Left; return;
    case TCheck::Fail: {
      const std::string path = item.Act != nullptr ? WhereNow(*item.Act) : item.Record->Path;
      const std::string back = item.Act != nullptr ? WhereBack(*item.Act)
                                                   : item.Record->Destination.empty() ? std::string()
                                                                                       : item.Record->Path;
      Log(FormatUndoLine(item.Act != nullptr || item.Record->Destination.empty() ? path : item.Record->Destination,
                         false, back, nullptr, verdict.Reason),
          false);
      return;
    }
    case TCheck::Reverse: break;
    }
    const TJournalAct &act = *item.Act;
    switch (act.Kind) {
    case TActKind::Rename:
    case TActKind::Move: MoveBack(act); return;
    case TActKind::Copy: TrashCopy(act.To); return;
    case TActKind::MakeFolder: RemoveMadeFolder(act); return;
    case TActKind::Trash: Restore(act); return;
    case TActKind::Restore: TrashCopy(act.To); return;
    case TActKind::Change: ChangeBack(item); return;
    }
  }

private:
  using TPlace = TRootedFolders::TPlace;

  static std::string WhereNow(const TJournalAct &act) {
    return act.Kind == TActKind::Change || act.Kind == TActKind::Trash ? act.From : act.To;
  }
  static std::string WhereBack(const TJournalAct &act) {
    switch (act.Kind) {
    case TActKind::Rename:
    case TActKind::Move: return act.From;
    default: return {};
    }
  }

  std::optional<TEntryStatus> StatusAt(const TPlace &place) {
    if (!place) return std::nullopt;
    return InspectStatus(place.Entry());
  }

  // The entry `now` is still the one the run left (`then`).  Its file
  // number counts only where file numbers last and it is on the same
  // device; elsewhere (a card, a FUSE drive, a disk mounted again) its size
  // and last write must do.
  bool Same(const std::optional<TIdentity> &then, const std::optional<TEntryStatus> &status, const TPlace &place) {
    return Same(then, status, place ? TraitsOf(*place.Folder) : std::nullopt);
  }

  // A folder's file system, asked once per folder held.
  std::optional<TFileSystemTraits> TraitsOf(const TFolderHandle &folder) {
    if (&folder != TraitsFolder_) {
      TraitsFolder_ = &folder;
      Traits_ = FileSystemOf(folder);
    }
    return Traits_;
  }
  bool Same(const std::optional<TIdentity> &then, const std::optional<TEntryStatus> &status,
            const std::optional<TFileSystemTraits> &traits) {
    if (!then || !status) return false;
    const TEntryStatus now = *status;
    const TIdentity current{now.Id.Device, now.Id.Inode, now.Size, now.LastWrite.tv_sec};
    const bool numbers = now.Id.Device == then->Device && traits && traits->StableFileNumbers;
    const bool times = !traits || traits->TimesKeptOnRename;
    if (numbers) return SameEntry(*then, current, now.IsFolder);
    if (now.IsFolder) return true;
    return then->Size == current.Size && (!times || then->WrittenSeconds / 2 == current.WrittenSeconds / 2);
  }

  // On a file system that ignores case both spellings find the one entry;
  // the names its folder lists tell which is there.
  bool Listed(const TPlace &place) {
    if (!place) return false;
    const FindResult found = FindFiles(*place.Folder, place.Name);
    for (const FindEntry &entry : found.Entries)
      if (entry.Name == place.Name) return true;
    return false;
  }

  TVerdict CheckMove(const TJournalAct &act) {
    const TPlace to = Folders_.Find(act.To);
    const TPlace from = Folders_.Find(act.From);
    if (to.Outside || from.Outside) return {TCheck::Fail, kOutsideRun};
    const std::optional<TIdentity> left = act.After ? act.After : act.Before;
    std::optional<TEntryStatus> atTo = StatusAt(to);
    std::optional<TEntryStatus> atFrom = StatusAt(from);
    if (atTo && atFrom && OneNameThere(act.From, act.To)) {
      if (!Listed(to)) atTo.reset();
      if (!Listed(from)) atFrom.reset();
    }
    if (!act.Ended) {
      // Killed in mid-act: taken back if the disk shows it was made.
      if (atTo && !atFrom && Same(act.Before, atTo, to)) return {TCheck::Reverse};
      if (!atTo && !atFrom && Same(act.Before, StatusAt(CaseTemporary(act)), to)) return {TCheck::Reverse};
      // A move by copy: its copy gets the name only once complete, so one
      // of the source's size and time under a name that was free is the
      // run's, whether the source was removed yet or not.  A move tries its
      // name as free first, before it knows; on one file system it is a
      // rename, so both names there mean it was never made (it found its
      // name taken, and the file there is not the run's).
      const bool copied = act.Kind == TActKind::Move && atTo && !act.ToExisted && act.Before &&
                          atTo->Size == act.Before->Size &&
                          atTo->LastWrite.tv_sec / 2 == act.Before->WrittenSeconds / 2;
      const bool bothOnOne = atTo && atFrom && atTo->Id.Device == atFrom->Id.Device;
      if (copied && !bothOnOne && (!atFrom || Same(act.Before, atFrom, from))) return {TCheck::Reverse};
      return {TCheck::NotDone};
    }
    if (!act.Ok) return {TCheck::NotDone};
    if (atTo && Same(left, atTo, to)) {
      if (!atFrom) return {TCheck::Reverse};
      // A move cut short: its copy stands beside the source it did not remove.
      if (act.Kind == TActKind::Move && Same(act.Before, atFrom, from)) return {TCheck::Reverse};
      return {TCheck::Fail, kPlaceTaken};
    }
    if (!atTo) {
      if (atFrom && Same(act.Before, atFrom, from)) return {TCheck::AlreadyUndone};
      return {TCheck::Fail, kNotWhereLogged};
    }
    return {TCheck::Fail, kReplacedSince};
  }

  TPlace CaseTemporary(const TJournalAct &act) {
    const std::string folder = ParentFolder(act.To);
    return Folders_.Find(IncludeTrailingDelimiter(folder) + CaseChangeTemporaryName(ExtractFileName(act.To)));
  }

  TVerdict CheckCopy(const TJournalAct &act) {
    const TPlace to = Folders_.Find(act.To);
    if (to.Outside) return {TCheck::Fail, kOutsideRun};
    if (act.ToExisted) return {TCheck::Left, kOverwrote};
    const std::optional<TEntryStatus> atTo = StatusAt(to);
    if (!act.Ended) {
      // A copy gets its name only once complete: one under the name, of the
      // source's size and time, is the run's.
      if (atTo && act.Before && atTo->Size == act.Before->Size &&
          atTo->LastWrite.tv_sec / 2 == act.Before->WrittenSeconds / 2)
        return {TCheck::Reverse};
      return {TCheck::NotDone};
    }
    if (!act.Ok) return {TCheck::NotDone};
    if (!atTo) return {TCheck::AlreadyUndone};
    if (!Same(act.After, atTo, to)) return {TCheck::Fail, kReplacedSince};
    return {TCheck::Reverse};
  }

  TVerdict CheckMadeFolder(const TJournalAct &act) {
    if (!act.Ended || !act.Ok) return {TCheck::NotDone};
    const TPlace to = Folders_.Find(act.To);
    if (to.Outside) return {TCheck::Fail, kOutsideRun};
    const std::optional<TEntryStatus> atTo = StatusAt(to);
    if (!atTo) return {TCheck::AlreadyUndone};
    if (!atTo->IsFolder || !Same(act.After, atTo, to)) return {TCheck::Left};
    return {TCheck::Reverse};
  }

  // The entry a move to the trash made: the one the journal names, or, for
  // a run killed before it could say, the one of the path that is the file.
  std::optional<TTrashEntry> TrashedEntry(const TJournalAct &act) {
    if (!act.To.empty() && IsInTrashFiles(act.To)) {
      TTrashEntry entry;
      entry.File = act.To;
      entry.Info = act.Info;
      return entry;
    }
    for (const TTrashEntry &entry : Trash_.Find(act.From)) {
      const std::optional<TEntryStatus> there = InspectStatus(entry.File);
      if (there && Same(act.Before, there, FileSystemOf(ParentFolder(entry.File)))) return entry;
    }
    return std::nullopt;
  }

  TVerdict CheckTrashed(const TJournalAct &act) {
    const TPlace from = Folders_.Find(act.From);
    if (from.Outside) return {TCheck::Fail, kOutsideRun};
    if (act.Ended && !act.Ok) return {TCheck::NotDone};
    const std::optional<TTrashEntry> entry = TrashedEntry(act);
    std::optional<TEntryStatus> inTrash;
    if (entry) inTrash = InspectStatus(entry->File);
    const std::optional<TEntryStatus> atFrom = StatusAt(from);
    if (inTrash && Same(act.Before, inTrash, FileSystemOf(ParentFolder(entry->File)))) {
      if (atFrom) return {TCheck::Fail, kPlaceTaken};
      return {TCheck::Reverse};
    }
    if (!act.Ended) return {TCheck::NotDone};
    if (atFrom && Same(act.Before, atFrom, from)) return {TCheck::AlreadyUndone};
    return {TCheck::Fail, kNotInTrash};
  }

  TVerdict CheckRestored(const TJournalAct &act) {
    if (!act.Ended || !act.Ok) return {TCheck::NotDone};
    const TPlace to = Folders_.Find(act.To);
    if (to.Outside) return {TCheck::Fail, kOutsideRun};
    const std::optional<TEntryStatus> atTo = StatusAt(to);
    if (!atTo) return {TCheck::AlreadyUndone};
    if (!Same(act.After, atTo, to)) return {TCheck::Fail, kReplacedSince};
    return {TCheck::Reverse};
  }

  std::pair<TVerdict, TChangeBack> CheckChange(const TUndoItem &item) {
    TChangeBack back;
    const TJournalAct &act = *item.Act;
    // An act whose outcome the kill took is known done by its record.
    if ((act.Ended && !act.Ok) || item.Record == nullptr || !item.Record->HasNumbers)
      return {{TCheck::NotDone}, back};
    const TPlace place = Folders_.Find(act.From);
    if (place.Outside) return {{TCheck::Fail, kOutsideRun}, back};
    const std::optional<TEntryStatus> status = StatusAt(place);
    if (!status) return {{TCheck::Fail, kNotWhereLogged}, back};
    // The same file, whatever its times say (they are judged below).
    if (act.After && status->Id.Device == act.After->Device && status->Id.Inode != act.After->Inode) {
      const std::optional<TFileSystemTraits> traits = TraitsOf(*place.Folder);
      if (traits && traits->StableFileNumbers) return {{TCheck::Fail, kReplacedSince}, back};
    }
    const std::optional<FileTimes> times = InspectFileTimes(place.Entry());
    const std::optional<std::uint32_t> attributes = GetAttributes(place.Entry());
    if (!times || !attributes) return {{TCheck::Fail, kNotWhereLogged}, back};
    const TChangeNumbers &n = item.Record->Numbers;
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

  void ChangeBack(const TUndoItem &item) {
    const TJournalAct &act = *item.Act;
    const TChangeBack back = CheckChange(item).second;
    const TChangeNumbers &n = item.Record->Numbers;
    const TPlace place = Folders_.Find(act.From);
    TChangeCn change;
    change.IfUpDate = back.LastWrite;
    change.IfNwDate = back.Creation;
    change.IfAcDate = back.LastAccess;
    change.UpDateValue = n.UpDateOld;
    change.NwDateValue = n.NwDateOld;
    change.AcDateValue = n.AcDateOld;
    change.Attr = back.Attributes;
    change.AttrValue = static_cast<std::int32_t>(static_cast<std::uint32_t>(n.AttrOld) & kChangeBits);
    bool ok = true;
    if (!Plan_) {
      ok = Begin(TActKind::Change, act.From, {}, place) && change.ChangeTarget(place.Entry());
      End(ok, ok ? IdentityOf(place.Entry()) : std::nullopt);
    } else {
      change.UpDateDone = change.IfUpDate ? change.UpDateValue : 0;
      change.NwDateDone = change.IfNwDate ? change.NwDateValue : 0;
      change.AcDateDone = change.IfAcDate ? change.AcDateValue : 0;
      change.AttrDone = change.Attr ? change.AttrValue : 0;
    }
    const TChangeNumbers numbers{back.Now[0],      back.Now[1],      back.Now[2],
                                 static_cast<std::int32_t>(back.NowAttributes),
                                 change.UpDateDone, change.NwDateDone, change.AcDateDone, change.AttrDone};
    Log(FormatUndoLine(act.From, ok, {}, &numbers, ok ? std::string() : ReasonOf(change.Failure, kCannotChange)),
        ok);
  }

  void MoveBack(const TJournalAct &act) {
    const TPlace to = Folders_.Find(act.To);
    TPlace from = Folders_.Find(act.From, !Plan_);
    bool ok = true;
    std::string reason;
    if (Plan_) {
      Log(FormatUndoLine(act.To, true, act.From, nullptr), true);
      return;
    }
    const std::optional<TEntryStatus> atFrom = StatusAt(from);
    if (atFrom && !OneNameThere(act.From, act.To)) {
      // A move cut short: the source stayed, and its copy goes.
      ok = DeleteFile(to.Entry());
      if (!ok) reason = ReasonOf(FailureOf(errno));
      Log(FormatUndoLine(act.To, ok, {}, nullptr, reason), ok);
      return;
    }
    TPlace now = to;
    if (!StatusAt(to) && !act.Ended) now = CaseTemporary(act);
    if (!from) {
      errno = from.Error;
      ok = false;
    } else {
      const std::optional<TEntryStatus> status = StatusAt(now);
      std::optional<TIdentity> identity;
      if (status) identity = TIdentity{status->Id.Device, status->Id.Inode, status->Size, status->LastWrite.tv_sec};
      ok = Begin(TActKind::Rename, act.To, act.From, identity) && MoveFile(now.Entry(), from.Entry());
      bool copiedBack = false;
      if (!ok && errno == EXDEV && status && !status->IsFolder) {
        copiedBack = true;
        // Across file systems: the file is copied back and its copy removed.
        ok = CopyFile(now.Entry(), from.Entry(), true, TCopyPurpose::Move);
        if (ok && !DeleteFile(now.Entry())) {
          const int saved = errno;
          DeleteFile(from.Entry());
          errno = saved;
          ok = false;
        }
      }
      // A rename leaves the entry as it was; a copy back is a file of its own.
      End(ok, !ok ? std::nullopt : copiedBack ? IdentityOf(from.Entry()) : identity);
    }
    if (!ok) reason = ReasonOf(FailureOf(errno));
    Log(FormatUndoLine(act.To, ok, act.From, nullptr, reason), ok);
  }

  // A copy the run made (or a file the undo put back) goes to the trash.
  void TrashCopy(const std::string &path) {
    const TPlace place = Folders_.Find(path);
    bool ok = true;
    TTrashedEntry made;
    if (!Plan_) {
      ok = Begin(TActKind::Trash, path, {}, place) && MoveToTrash(place.Entry(), &made);
      End(ok, std::nullopt, made.File, made.Info);
    }
    Log(FormatUndoLine(path, ok, {}, nullptr, ok ? std::string() : ReasonOf(FailureOf(errno))), ok);
  }

  void RemoveMadeFolder(const TJournalAct &act) {
    const TPlace place = Folders_.Find(act.To);
    if (Plan_) return;
    // A folder the run made goes once it is empty again; one that holds
    // something now stays, and is no failure.
    if (!RemoveFolder(place.Entry())) ++Stats_.Left;
  }

  void Restore(const TJournalAct &act) {
    const std::optional<TTrashEntry> entry = TrashedEntry(act);
    TPlace from = Folders_.Find(act.From, !Plan_);
    bool ok = true;
    if (!Plan_) {
      ok = entry && from && Begin(TActKind::Restore, entry->File, act.From, from) &&
           RestoreFromTrash(*entry, from.Entry());
      End(ok, ok ? IdentityOf(from.Entry()) : std::nullopt);
      if (ok) Trash_.Forget(*entry);
    }
    Log(FormatUndoLine(entry ? entry->File : act.From, ok, act.From, nullptr,
                       ok ? std::string() : ReasonOf(FailureOf(errno))),
        ok);
  }

  bool Begin(TActKind kind, const std::string &from, const std::string &to, const TPlace &place) {
    if (Journal_ == nullptr) return true;
    std::optional<TIdentity> before;
    if (place) before = IdentityOf(place.Entry());
    return Begin(kind, from, to, before);
  }
  bool Begin(TActKind kind, const std::string &from, const std::string &to, const std::optional<TIdentity> &before) {
    if (Journal_ == nullptr) return true;
    if (Journal_->Begin(kind, from, to, before, false, false, Act_)) return true;
    errno = Journal_->Error();
    Act_ = 0;
    return false;
  }
  void End(bool ok, const std::optional<TIdentity> &after, const std::string &trashFile = {},
           const std::string &trashInfo = {}) {
    if (Journal_ != nullptr && Act_ != 0) Journal_->End(Act_, ok, after, trashInfo, trashFile);
  }

  static std::string ReasonOf(const TFailure &failure, std::string_view otherwise = {}) {
    if (failure.Reason == TFailReason::None) return std::string(otherwise);
    return ReasonText(failure);
  }

  void Log(std::string line, bool ok) {
    ++D_.Stats_.Records;
    if (ok) {
      ++Stats_.Reversed;
    } else {
      ++Stats_.Failed;
      ++D_.Stats_.FailedRecords;
    }
    if (Plan_ && ok) {
      constexpr std::string_view kDone = "; 結果: 成功; ";
      const std::size_t at = line.find(kDone);
      if (at != std::string::npos) line.replace(at, kDone.size(), "; 結果: 予定; ");
    }
    if (Sink_ != nullptr) Sink_->AddPlanRecord(UndoPlanRecord(line));
    else D_.Host_.AddLogLine(line);
    if (Journal_ != nullptr) {
      Journal_->Recorded(Act_, line);
      if (Journal_->Error() != 0)
        throw EInOutError("元に戻すための記録 (ジャーナル) に書き込めないため、中止しました (" +
                          ReasonText(FailureOf(Journal_->Error())) + ")");
    }
    Act_ = 0;
  }

  TRunDriver &D_;
  TUndoStats &Stats_;
  bool Plan_;
  TPlanSink *Sink_;
  TJournalWriter *Journal_;
  TRootedFolders Folders_;
  TTrashIndex Trash_;
  std::size_t Act_ = 0;
  const TFolderHandle *TraitsFolder_ = nullptr;
  std::optional<TFileSystemTraits> Traits_;
};

namespace {

std::string Count(std::size_t n, std::string_view text) { return std::to_string(n) + std::string(text); }

std::string Summary(const TUndoStats &stats, bool nothing, bool plan) {
  std::string message;
  if (nothing) {
    message = "元に戻す処理はありません。";
  } else {
    message = Count(stats.Reversed, plan ? " 件を元に戻す予定です。" : " 件を元に戻しました。");
    if (stats.Failed > 0) message += Count(stats.Failed, " 件は戻せませんでした。");
  }
  if (stats.AlreadyUndone > 0) message += Count(stats.AlreadyUndone, " 件は既に元に戻っています。");
  if (stats.Left > 0) message += Count(stats.Left, " 件はそのままです (上書きしたコピーや完全な削除)。");
  return message;
}

bool IsUndoRun(const TLogRun &run) {
  if (run.Records.empty()) return false;
  for (const TLogRecord &record : run.Records)
    if (record.Operation != TLogOperation::Undo) return false;
  return true;
}

// The items of one run: its journal's acts, newest first, each with the
// record the log has of it; and the records the journal does not know.
void CollectItems(const TLogRun &run, const std::vector<std::string> &lines, const TJournal *journal,
                  std::vector<TUndoItem> &items, const std::function<void()> &pump) {
  std::unordered_map<std::uint64_t, const TLogRecord *> logged;
  std::unordered_set<std::uint64_t> known;
  if (journal != nullptr) known.insert(journal->Records.begin(), journal->Records.end());
  // Records the journal does not know, by their paths: the last act's may be
  // among them, its outcome lost with the kill that came after its record.
  std::vector<const TLogRecord *> unknown;
  std::multimap<std::pair<std::string_view, std::string_view>, std::size_t> unknownAt;
  std::size_t count = 0;
  for (const TLogRecord &record : run.Records) {
    if (++count % 1024 == 0) pump();
    const std::uint64_t hash = RecordHash(lines[record.Line - 1]);
    logged.emplace(hash, &record);
    if (journal == nullptr) {
      if (record.Outcome == TLogOutcome::Succeeded) items.push_back(TUndoItem{nullptr, nullptr, &record, kNoJournal});
    } else if (known.count(hash) == 0) {
      unknownAt.emplace(std::pair<std::string_view, std::string_view>(record.Path, record.Destination),
                        unknown.size());
      unknown.push_back(&record);
    }
  }
  if (journal == nullptr) return;
  // Acts after the last one the log recorded were cut off with it (the run
  // was killed): they are taken back if they were made.  An act before it
  // whose record the log lacks was left out of the log on purpose.
  std::size_t lastLogged = 0;
  for (std::size_t i = 0; i < journal->Acts.size(); ++i)
    if (logged.count(journal->Acts[i].Record) != 0) lastLogged = i + 1;
  for (std::size_t i = journal->Acts.size(); i-- > 0;) {
    const TJournalAct &act = journal->Acts[i];
    const auto record = logged.find(act.Record);
    if (record != logged.end()) {
      if (record->second->Outcome == TLogOutcome::Succeeded) items.push_back(TUndoItem{journal, &act, record->second, {}});
    } else if (i >= lastLogged) {
      const TLogRecord *own = nullptr;
      if (act.Record == 0) {
        const auto mine = unknownAt.find({act.From, act.To});
        if (mine != unknownAt.end()) {
          std::swap(own, unknown[mine->second]);
          unknownAt.erase(mine);
        }
      }
      if (own == nullptr || own->Outcome == TLogOutcome::Succeeded) items.push_back(TUndoItem{journal, &act, own, {}});
    }
  }
  for (const TLogRecord *record : unknown)
    if (record != nullptr && record->Outcome == TLogOutcome::Succeeded) items.push_back(TUndoItem{nullptr, nullptr, record, kNotInJournal});
}

}  // namespace

TRunOutcome TRunDriver::UndoRun(const std::vector<std::string> &logLines, const TUndoOptions &options,
                                TUndoStats &stats) {
  if (Running_) return TRunOutcome::Busy;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  ForgetFileSystems();
  stats = TUndoStats{};

  const TLogContents contents = ParseLog(logLines, [this] { Host_.ProcessMessages(); });
  const auto refuse = [&](std::string_view message) {
    stats.Message = std::string(message);
    Host_.SetStatusText(stats.Message);
    return TRunOutcome::Refused;
  };
  if (contents.WindowsPaths) return refuse(kMsgWindowsLog);
  if (contents.Runs.empty()) return refuse(kMsgNoRunInLog);

  std::size_t last = contents.Runs.size();
  // The window's second press continues the run its first undid.
  if (options.SkipUndoRuns)
    while (last > 1 && IsUndoRun(contents.Runs[last - 1])) --last;
  const std::size_t first = options.All ? 0 : last - 1;

  std::vector<std::unique_ptr<TJournal>> journals;
  std::vector<TUndoItem> items;
  std::vector<std::string> roots;
  for (std::size_t run = last; run-- > first;) {
    ++stats.Runs;
    const TLogRun &logRun = contents.Runs[run];
    const TLogRecord *firstRecord = logRun.Records.empty() ? nullptr : &logRun.Records.front();
    const auto pump = [this] { Host_.ProcessMessages(); };
    std::optional<TJournal> journal =
        FindJournal(firstRecord == nullptr ? 0 : RecordHash(logLines[firstRecord->Line - 1]),
                    firstRecord == nullptr ? std::string_view() : std::string_view(firstRecord->Path),
                    options.LogPath, pump);
    const TJournal *found = nullptr;
    if (journal) {
      journals.push_back(std::make_unique<TJournal>(*std::move(journal)));
      found = journals.back().get();
      roots.insert(roots.end(), found->Roots.begin(), found->Roots.end());
    }
    CollectItems(logRun, logLines, found, items, pump);
  }
  stats.Unreadable = contents.Unreadable;

  // Nothing to do is said, not logged: a run of no records would only hide
  // the run before it.
  {
    TUndoStats looked = stats;
    TUndoStep probe(*this, looked, true, nullptr, roots);
    bool anything = false;
    for (const TUndoItem &item : items) {
      Host_.ProcessMessages();
      switch (probe.Check(item).Check) {
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
      stats.Message = Summary(stats, true, options.Plan);
      Host_.SetStatusText(stats.Message);
      return TRunOutcome::Finished;
    }
  }

  // The undo is a run of its own, journaled as any run, so it can be taken
  // back in turn.
  std::unique_ptr<TJournalWriter> journal;
  if (!options.Plan) {
    journal = std::make_unique<TJournalWriter>();
    if (!journal->Open("undo", roots)) {
      return refuse(std::string(kMsgNoJournal) + ReasonText(FailureOf(errno)));
    }
  }

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  Host_.SetRunMessage(std::string(kRunMessage));
  TPlanSink *const sink = options.Plan ? options.PlanSink : nullptr;
  TUndoStep step(*this, stats, options.Plan, journal.get(), roots, sink);
  const auto marker = [&](std::string_view text) {
    if (sink != nullptr) sink->AddPlanMarker(text);
    else Host_.AddLogLine(std::string(text));
  };
  const auto finish = [&](bool aborted) {
    Host_.SetRunMessage(std::string());
    Host_.SetBusyCursor(false);
    marker(aborted ? kLogAborted : kLogFinished);
    if (journal) journal->Close(aborted);
  };
  try {
    marker(kLogStart);
    if (journal) {
      if (const std::optional<std::string> log = Host_.LogFilePath()) journal->NoteLog(*log);
    }
    if (sink == nullptr) Host_.ShowLogPage();
    for (const TUndoItem &item : items) {
      Host_.ProcessMessages();
      if (AbortRequested_) break;
      step.Reverse(item);
    }
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  stats.Message = Summary(stats, false, options.Plan);
  Host_.SetStatusText(stats.Message);
  return AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
}
