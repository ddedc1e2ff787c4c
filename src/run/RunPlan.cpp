// The plan of a run.  It is the run itself with the operations replaced by
// their predictions: the same validation and lists, the same walk with the
// same options, the same order and numbering, the same pipeline.  What the
// operations would have changed lives in an overlay over the disk, keyed by
// the real paths, so that later targets see the names earlier ones took or
// freed.  Nothing on the disk changes: folders are not renamed, so a folder
// target the run would rename is walked under its real name while its
// records carry the new one.

#include "run/RunPlan.h"

#include <time.h>

#include <cerrno>

#include <memory>
#include <memory_resource>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "platform/TextHash.h"
#include "run/ListedTargets.h"
#include "run/PlanNames.h"
#include "run/RenameChains.h"
#include "run/RunDriver.h"
#include "run/RunSteps.h"
#include "select/FolderName.h"
#include "select/Walk.h"

namespace {

// The disk as the run would find it at the current target: what earlier
// targets changed, by folder, over the disk itself.  A folder the walk has
// left is forgotten when nothing can look into it again (a rename in place
// looks only into the folder it renames in).  In a folder whose file system
// ignores letter case (a camera card), names are kept folded, so that two
// names differing in case alone are one, as the run will find them.
class TPlanOverlay final : public TPlanView {
public:
  // The walk entered `dir` (with its delimiter).  When the looks to come
  // are into this folder, its names are had at once (ReadNames or
  // TakeNames), so that a free name needs no look at the disk.
  void EnterFolder(const std::string &dir, bool forgetLeft, const TFolderHandle *held = nullptr) {
    while (!Walked_.empty() && !dir.starts_with(Walked_.back())) {
      if (forgetLeft) {
        Folders_.erase(Walked_.back());
        Last_ = nullptr;
        LastKey_.clear();
      }
      Walked_.pop_back();
    }
    Walked_.push_back(dir);
    // The folder the walk holds open tells its file system without a look
    // by path.
    if (held != nullptr && dir != TraitsFolder_) {
      TraitsFolder_ = dir;
      Traits_ = FileSystemOf(*held);
    }
  }

  // Reads the names `dir` holds, through `held` when given.
  void ReadNames(const std::string &dir, const TFolderHandle *held) {
    if (FindFolder(dir, true)->NamesKnown) return;
    if (std::optional<std::vector<std::string>> names =
            held != nullptr ? ReadFolderNames(*held) : ReadFolderNames(dir))
      TakeNames(dir, std::move(*names));
  }

  // The names `dir` holds, as its listing read them.  They are put in the
  // table when it is first looked into, or by PrepareTargets.
  void TakeNames(const std::string &dir, std::vector<std::string> &&names) {
    TChanges *changes = FindFolder(dir, true);
    if (changes->NamesKnown) return;
    changes->NamesKnown = true;
    changes->Pending = std::move(names);
  }

  // The targets of a rename in place in `dir`, in the order they come: each
  // may take a new name, and each looks at its own.
  void PrepareTargets(const std::string &dir, const std::vector<TargetEntry> &targets) {
    TChanges *changes = FindFolder(dir, true);
    if (changes->Pending) {
      Settle(*changes, &targets);
    } else {
      changes->Names.Reserve(changes->Names.Size() + targets.size(), targets.size());
    }
  }

  TPlannedEntry Lookup(std::string_view dir, std::string_view name) override {
    if (TChanges *changes = FindFolder(dir, false)) {
      Settle(*changes);
      std::string buffer;
      const std::string_view key = KeyOf(*changes, name, buffer);
      const TPlanNames::TName *known = changes->Names.Find(key);
      if (known != nullptr && known->Changed) {
        TPlannedEntry entry = changes->Names.EntryOf(*known);
        entry.OtherCase = entry.Exists && changes->Fold && changes->Exact.count(name) == 0;
        return entry;
      }
      if (changes->NamesKnown && (known == nullptr || !known->Listed)) return {};
    }
    TPlannedEntry entry;
    if (const std::optional<FindEntry> disk = OnDisk(dir, name)) {
      entry.Exists = true;
      entry.Attributes = disk->Attributes;
      entry.IsSymlink = disk->IsSymlink;
      if (disk->TimeValid) entry.Time = disk->Time;
    }
    return entry;
  }

  bool Vacated(const std::string &path) override {
    std::string_view name;
    TChanges *changes = Find(path, name, false);
    if (changes == nullptr) return false;
    Settle(*changes);
    std::string buffer;
    const std::string_view key = KeyOf(*changes, name, buffer);
    const TPlanNames::TName *known = changes->Names.Find(key);
    if (known != nullptr && known->Changed) return !changes->Names.EntryOf(*known).Exists;
    return changes->NamesKnown && (known == nullptr || !known->Listed);
  }

  std::optional<TFileSystemTraits> FolderTraits(std::string_view folder) override {
    // Asked once a target: the folder is nearly always the last one.
    const bool last = folder == TraitsFolder_ ||
                      (folder.size() + 1 == TraitsFolder_.size() &&
                       TraitsFolder_.starts_with(folder) && !EndsWithDelimiter(folder));
    if (!last) {
      TraitsFolder_ = IncludeTrailingDelimiter(folder);
      Traits_ = FileSystemOf(NearestExisting(TraitsFolder_));
    }
    return Traits_;
  }

  bool ReserveSpace(const std::string &folder, std::int64_t size) override {
    const std::string dir = IncludeTrailingDelimiter(folder);
    if (dir != SpaceFolder_) {
      SpaceFolder_ = dir;
      Space_ = FreeSpaceOf(NearestExisting(dir));
      if (Space_ && Left_.find(Space_->Device) == Left_.end()) Left_[Space_->Device] = Space_->Available;
    }
    // What cannot be measured is not predicted to fail.
    if (!Space_) return true;
    std::uint64_t &left = Left_[Space_->Device];
    const std::uint64_t needed = SpaceFor(*Space_, size);
    if (needed > left) return false;
    left -= needed;
    return true;
  }

  // Looks are nearly always into one folder after another, or into two by
  // turns (a renamed copy looks for its new name and for the folder it goes
  // into): the last two are held open.
  std::optional<FindEntry> OnDisk(std::string_view folder, std::string_view name) {
    if (name.empty() || folder.empty()) return InspectEntry(std::string(folder) + std::string(name));
    if (folder != Held_[0].Folder) {
      std::swap(Held_[0], Held_[1]);
      if (folder != Held_[0].Folder) {
        Held_[0].Folder.assign(folder);
        Held_[0].Handle = TFolderHandle::Open(Held_[0].Folder);
      }
    }
    const TFolderHandle &held = Held_[0].Handle;
    return held.Valid() ? InspectEntry(TEntryRef(held, name))
                        : InspectEntry(std::string(folder) + std::string(name));
  }

  void Remove(const std::string &path) {
    const std::size_t at = NameOffset(path);
    Remove(std::string_view(path).substr(0, at), std::string_view(path).substr(at));
  }

  // `dir` with its delimiter, as for Lookup.
  void Remove(std::string_view dir, std::string_view name) {
    TChanges *changes = FindFolder(dir, true);
    Settle(*changes);
    RemoveFrom(*changes, name);
  }

  void Put(const std::string &path, const TPlannedEntry &entry) {
    const std::size_t at = NameOffset(path);
    Put(std::string_view(path).substr(0, at), std::string_view(path).substr(at), entry);
  }

  void Put(std::string_view dir, std::string_view name, const TPlannedEntry &entry) {
    TChanges *changes = FindFolder(dir, true);
    Settle(*changes);
    PutInto(*changes, name, entry);
  }

  // A rename in place: `from` leaves `dir` and `to` comes into it.  The
  // folder is found once for both: a plan moves a name a target.
  void Move(std::string_view dir, std::string_view from, std::string_view to, const TPlannedEntry &entry) {
    TChanges *changes = FindFolder(dir, true);
    Settle(*changes);
    RemoveFrom(*changes, from);
    PutInto(*changes, to, entry);
  }

private:
  using TNameSet = std::pmr::unordered_set<std::pmr::string, TTextHash, std::equal_to<>>;
  // A folder's changes live in memory of their own: their names lie
  // together, and a folder the walk has left goes in one release.
  struct TChanges {
    std::pmr::monotonic_buffer_resource Memory;
    // What the folder held when the walk entered it (when read: NamesKnown),
    // and what the plan changed there.
    TPlanNames Names{Memory};
    bool NamesKnown = false;
    // The names read, until they are put in Names.
    std::optional<std::vector<std::string>> Pending;
    // The file system ignores case: keys are folded, and the names as they
    // are spelt are kept beside them.
    std::optional<TFileSystemTraits> Fold;
    TNameSet Exact{&Memory};
  };

  // The key of a name in `changes`: the name itself, or its folded form
  // (made in `buffer`).
  static std::string_view KeyOf(const TChanges &changes, std::string_view name, std::string &buffer) {
    if (!changes.Fold) return name;
    buffer = NameKey(*changes.Fold, name);
    return buffer;
  }

  // The folder itself, or the nearest one above it that exists: a copy
  // folder the run will make lies on the file system of its parent.
  static std::string NearestExisting(std::string dir) {
    while (dir.size() > 1 && !FolderExists(dir)) {
      const std::string bare = ExcludeTrailingDelimiter(dir);
      dir = bare.substr(0, NameOffset(bare));
      if (dir.empty()) return std::string(1, kPathDelimiter);
    }
    return dir;
  }

  // The changes in the folder of `path`, made when `create`; `name` is the
  // rest of the path.  Nearly every look is into the folder of the last.
  TChanges *Find(const std::string &path, std::string_view &name, bool create) {
    const std::size_t start = NameOffset(path);
    name = std::string_view(path).substr(start);
    return FindFolder(std::string_view(path).substr(0, start), create);
  }

  // The same for `folder` with its delimiter.
  TChanges *FindFolder(std::string_view folder, bool create) {
    if (Last_ != nullptr && folder == LastKey_) return Last_;
    auto found = Folders_.find(folder);
    if (found == Folders_.end()) {
      if (!create) return nullptr;
      auto changes = std::make_unique<TChanges>();
      if (const std::optional<TFileSystemTraits> traits = FolderTraits(std::string(folder));
          traits && traits->CaseInsensitive)
        changes->Fold = traits;
      found = Folders_.emplace(std::string(folder), std::move(changes)).first;
    }
    LastKey_.assign(folder);
    Last_ = found->second.get();
    return Last_;
  }

  // Puts the names read into the table.  A rename's targets come first, in
  // the order they are processed, unlisted until their names come: the
  // names looked at one after another then lie one after another.  Each
  // may take a new name, for which room is made at once.
  static void Settle(TChanges &changes, const std::vector<TargetEntry> *targets = nullptr) {
    if (!changes.Pending) return;
    const std::vector<std::string> names = std::move(*changes.Pending);
    changes.Pending.reset();
    const std::size_t fresh = targets != nullptr ? targets->size() : 0;
    changes.Names.Reserve(changes.Names.Size() + names.size() + fresh, fresh);
    std::string key;
    if (targets != nullptr)
      for (const TargetEntry &target : *targets) changes.Names.Add(KeyOf(changes, target.Name, key));
    for (const std::string &name : names) {
      changes.Names.Add(KeyOf(changes, name, key)).Listed = true;
      if (changes.Fold) changes.Exact.emplace(std::string_view(name));
    }
  }

  static void RemoveFrom(TChanges &changes, std::string_view name) {
    // With the folder's names at hand, a name that goes is simply no
    // longer among them.
    if (changes.Fold) {
      const auto spelt = changes.Exact.find(name);
      if (spelt != changes.Exact.end()) changes.Exact.erase(spelt);
    }
    std::string buffer;
    const std::string_view key = KeyOf(changes, name, buffer);
    TPlanNames::TName *known = changes.Names.Find(key);
    if (changes.NamesKnown && (known == nullptr || !known->Changed)) {
      if (known != nullptr) known->Listed = false;
      return;
    }
    TPlannedEntry gone;
    gone.ByPlan = true;
    Set(changes, key, gone);
  }

  static void PutInto(TChanges &changes, std::string_view name, TPlannedEntry entry) {
    entry.Exists = entry.ByPlan = true;
    if (changes.Fold) changes.Exact.emplace(name);
    std::string buffer;
    Set(changes, KeyOf(changes, name, buffer), entry);
  }

  static void Set(TChanges &changes, std::string_view key, const TPlannedEntry &entry) {
    changes.Names.Change(changes.Names.Add(key), entry);
  }

  std::unordered_map<std::string, std::unique_ptr<TChanges>, TTextHash, std::equal_to<>> Folders_;  // by folder
  std::vector<std::string> Walked_;  // the folders the walk is in, outermost first
  std::string LastKey_;
  TChanges *Last_ = nullptr;
  struct THeld {
    std::string Folder;
    TFolderHandle Handle;
  };
  THeld Held_[2];
  std::string TraitsFolder_;
  std::optional<TFileSystemTraits> Traits_;
  std::string SpaceFolder_;
  std::optional<TFreeSpace> Space_;
  std::unordered_map<std::uint64_t, std::uint64_t> Left_;  // bytes the plan leaves free, by device
};

// A path as a folder (with its delimiter) and a name, or whole in the
// first part.
struct TPathParts {
  std::string_view Head, Tail;
  TPathParts() = default;
  TPathParts(const std::string &whole) : Head(whole) {}  // NOLINT: a whole path is one part
  TPathParts(std::string_view head, std::string_view tail) : Head(head), Tail(tail) {}
  void JoinInto(std::string &out) const { out.assign(Head).append(Tail); }
  std::string Joined() const {
    std::string out;
    JoinInto(out);
    return out;
  }
};

TPlannedEntry EntryOf(const TargetEntry &target) {
  TPlannedEntry entry;
  entry.Attributes = target.Attributes;
  entry.IsSymlink = target.IsSymlink;
  entry.Time = target.Time;
  if (!(target.Attributes & kAttrDirectory)) entry.Size = target.Size;
  return entry;
}

bool StartsWithDot(std::string_view path) {
  const std::string name = ExtractFileName(path);
  return !name.empty() && name.front() == '.';
}

// The operations' run-time fields as they were before the plan: a plan
// leaves the window's preview (counter, folder name, times) as it found it.
class TOperationState {
public:
  TOperationState(TRenameCn &rename, TCopyCn &copy, TChangeCn &change)
      : Rename_(rename), Copy_(copy), Change_(change), SavedCopy_(copy), SavedChange_(change),
        SeqCounter_(rename.SeqCounter), FolderNameText_(rename.FolderNameText),
        FileDateTime_(rename.FileDateTime), ResultName_(rename.ResultName) {}
  ~TOperationState() {
    Rename_.SeqCounter = SeqCounter_;
    Rename_.FolderNameText = FolderNameText_;
    Rename_.FileDateTime = FileDateTime_;
    Rename_.ResultName = ResultName_;
    Copy_ = SavedCopy_;
    Change_ = SavedChange_;
  }
  TOperationState(const TOperationState &) = delete;
  TOperationState &operator=(const TOperationState &) = delete;

private:
  TRenameCn &Rename_;
  TCopyCn &Copy_;
  TChangeCn &Change_;
  const TCopyCn SavedCopy_;
  const TChangeCn SavedChange_;
  int SeqCounter_;
  std::string FolderNameText_;
  TDateTime FileDateTime_;
  std::string ResultName_;
};

}  // namespace

std::string RunLineOf(const TPlanRecord &record) {
  // The run meets a name an earlier target took as any taken name.
  TFailure failure = record.Failure;
  if (failure.Reason == TFailReason::TakenByPlan) failure = {TFailReason::NameExists};
  return FormatLogLine(record.Mode, record.Path, record.Ok, record.Numbers, record.Destination,
                       record.Ok ? std::string() : ReasonText(failure));
}

std::string PlanLineOf(const TPlanRecord &record) {
  std::string line;
  AppendPlanLine(line, record);
  return line;
}

void AppendPlanLine(std::string &line, const TPlanRecord &record) {
  AppendLogLine(line, record.Mode, record.Path, record.Ok, record.Numbers, record.Destination,
                record.Ok ? std::string() : ReasonText(record.Failure), /*planned=*/true);
  // A note on a target that will succeed: the plan alone says it.
  if (record.Ok && record.Failure.Reason == TFailReason::ShotTimeFallback) {
    line += " 理由: ";
    line += ReasonText(record.Failure);
    line += ';';
  }
}


// The plan's side of the walk: the run's options (nothing is removed), its
// order and numbering, and a prediction where the run would act.
class TPlanWalkStep final : public TWalkHooks {
  struct TLevelPaths;

public:
  TPlanWalkStep(TRunDriver &driver, RunMode mode, TPlanSink &sink)
      : D_(driver), Mode_(mode), Sink_(sink) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    Now_ = now;
    // The run opens its log file before it walks and never takes it for a
    // target; a log file left there by an earlier run is not one of the
    // plan's either, or a run of the plan's rows would rename the file it
    // writes its log to.
    LogId_ = D_.Host_.LogFileId();
    if (!LogId_)
      if (const std::optional<std::string> log = D_.Host_.LogFilePath()) LogId_ = GetFileId(*log);
  }

  bool IsRunsOwnFile(const TFileId &id) override { return LogId_ && id == *LogId_; }

  const TWalkOptions &Options() override {
    Options_ = RunWalkOptions(Mode_, D_.Host_.Job(), D_.DateRangeFrom_, D_.DateRangeTo_);
    Options_.RemoveFolderTargets = false;
    // Nothing changes on the disk: the subfolders a folder's listing found
    // are the ones its closing scan would find, and the scan skips the
    // targets among them as the run's skips them under their new names.
    Options_.SubfoldersStayPut = true;
    return Options_;
  }

  void ProcessMessages() override { D_.Host_.ProcessMessages(); }
  bool Aborted() override { return D_.AbortRequested_; }
  TMediaNeed MediaNeed() override { return RunMediaNeed(Mode_, D_.Rename_, D_.Change_); }

  void HoldFolder(const TFolderHandle &held) override { Held_ = &held; }

  void EnterFolder(const std::string &folder) override {
    Current_ = PlannedOf(folder);
    // A rename in place looks only into the folder it renames in.
    const bool inPlace = Mode_ == RunMode::Rename && !D_.Rename_.MakeCopy;
    const std::string dir = IncludeTrailingDelimiter(folder);
    View_.EnterFolder(dir, inPlace || Mode_ == RunMode::Delete || Mode_ == RunMode::Change, Held_);
    if (inPlace) {
      // A folder the walk holds is listed next, and its names come with
      // the listing (NamesRead); targets listed before are not.
      if (Held_ != nullptr) {
        NamesDir_ = dir;
        NamesHeld_ = Held_;
      } else {
        View_.ReadNames(dir, nullptr);
      }
    }
    Held_ = nullptr;  // the walk's, for this folder's entry alone
    D_.Host_.SetStatusText(Current_);
  }

  bool WantsNamesRead() override { return NamesHeld_ != nullptr; }

  void NamesRead(TNamesRead &&read) override {
    if (NamesHeld_ == nullptr) return;
    if (read.Whole)
      View_.TakeNames(NamesDir_, std::move(read.Names));
    else
      View_.ReadNames(NamesDir_, NamesHeld_);
    NamesHeld_ = nullptr;
  }

  void PrepareLevel(std::vector<TargetEntry> &entries) override {
    if (Mode_ != RunMode::Rename) return;
    PrepareRenameLevel(D_.Rename_, entries);
    if (entries.empty() || D_.Rename_.MakeCopy) return;
    const std::string folder(entries.front().Folder);
    View_.PrepareTargets(folder, entries);
    if (!D_.Host_.Job().Rename.ResolveChains) return;
    Chains_.Prepare(D_.Rename_, entries, LastFolderName(Current_),
                    [&](const std::string &name) { return View_.Lookup(folder, name).Exists; });
  }

  // The run takes the name from the folder's path, which for a folder it
  // would have renamed is the new one.
  void SetFolderName(const std::string &) override {
    D_.Rename_.FolderNameText = LastFolderName(Current_);
  }

  TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    const TLevelPaths &paths = PathsOf(level);
    const std::string &folder = paths.Folder;
    const std::string &destination = paths.Destination;
    const TPathParts shown{paths.Shown, entry.Name};
    const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
    // The walk reads the names for a folder alone: a file's are not copied.
    TTargetOutcome outcome;
    if (isFolder) outcome.SourceName = outcome.DestinationName = entry.Name;
    switch (Mode_) {
    case RunMode::List: break;
    case RunMode::Rename:
      if (!Chains_.Empty()) {
        if (std::optional<TChainStep> step = Chains_.Next(folder)) {
          ChainStep(*step, entry, paths, shown, outcome);
          break;
        }
      }
      RenameStep(entry, level, paths, shown, outcome);
      break;
    case RunMode::Copy: {
      const std::string source = folder + entry.Name;
      TCopyCn &copy = D_.Copy_;
      const TPrediction p = PredictCopy(copy, View_, source, destination, entry.Time, entry.Attributes,
                                        entry.Size, entry.IsSymlink);
      const std::string name = copy.ResultName;
      // The run makes the destination folder for any target with a plain name.
      if (IsPlainName(entry.Name)) MadeFolders(RunMode::Copy, level, destination);
      Record(RunMode::Copy, p, shown, {destination, name});
      if (p.Ok) {
        View_.Put(IncludeTrailingDelimiter(destination) + name, EntryOf(entry));
        if ((!isFolder || entry.IsSymlink) && (copy.Delete == 0 || copy.Delete == 2)) View_.Remove(source);
        FollowUp(destination + name, entry, source, /*isCopy=*/true);
      }
      if (isFolder && IsPlainName(name)) outcome.DestinationName = name;
      break;
    }
    case RunMode::Delete: {
      const std::string path = folder + entry.Name;
      // A folder deleted for good is predicted once its contents are (see
      // FinishFolderTarget), as the run records it then.
      if (isFolder && !entry.IsSymlink && !D_.Delete_.Recycled) break;
      const TPrediction p =
          PredictDelete(D_.Delete_, View_, path, entry.Attributes, entry.IsSymlink);
      Record(RunMode::Delete, p, shown, {});
      if (p.Ok) {
        View_.Remove(path);
        // A folder in the trash went whole: the run finds nothing inside.
        if (D_.Delete_.Recycled) outcome.Descend = false;
      }
      break;
    }
    case RunMode::Change: {
      TChangeSubject subject = SubjectOnDisk(folder + entry.Name);
      subject.Media = entry.Media.get();
      const TPrediction p = PredictChange(D_.Change_, subject);
      TPlanRecord record{RunMode::Change, p.Ok, p.Failure, shown.Joined(), {},
                         ChangeNumbersOf(D_.Change_, entry.Attributes), {}, false, {}, {}};
      Add(record);
      break;
    }
    }
    return outcome;
  }

  // A folder deleted for good goes when everything in it went.
  void FinishFolderTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    if (Mode_ != RunMode::Delete || D_.Delete_.Recycled || entry.IsSymlink) return;
    const TLevelPaths &paths = PathsOf(level);
    const std::string path = paths.Folder + entry.Name;
    const std::string dir = IncludeTrailingDelimiter(path);
    bool empty = true;
    if (const std::optional<std::vector<std::string>> names = ReadFolderNames(path)) {
      for (const std::string &name : *names) empty = empty && View_.Vacated(dir + name);
    } else {
      empty = false;
    }
    const TPrediction p = empty ? TPrediction{} : TPrediction::Fail(FailureOf(ENOTEMPTY));
    Record(RunMode::Delete, p, {paths.Shown, entry.Name}, {});
    if (p.Ok) View_.Remove(path);
  }

  void FolderFailed(const std::string &folder, int error) override {
    const std::string dir = IncludeTrailingDelimiter(PlannedOf(folder));
    D_.Stats_.UnreadFolders.emplace_back(folder, ReasonText(FailureOf(error)));
    Record(Mode_, TPrediction::Fail(FailureOf(error)), dir, dir);
  }

private:
  void RenameStep(const TargetEntry &entry, const TWalkLevel &level, const TLevelPaths &paths,
                  TPathParts shown, TTargetOutcome &outcome) {
    TRenameCn &rename = D_.Rename_;
    const std::string &folder = paths.Folder;
    const std::string &destination = paths.Destination;
    TPrediction p = PredictRename(rename, View_, folder, entry.Name, destination, entry.Time,
                                  entry.Attributes, entry.Size, entry.IsSymlink, entry.Media.get());
    // A target without a shooting time is named or placed by its
    // modification time: the run says nothing, the plan notes it.
    if (p.Ok && RenameUsesShotTime(rename) && !(entry.Media && entry.Media->Taken))
      p.Failure = {TFailReason::ShotTimeFallback};
    const std::string &newName = rename.ResultName;
    // A renamed copy makes its destination folder once its name is known
    // to change into a plain one.
    if (rename.MakeCopy && newName != entry.Name && IsPlainName(newName))
      MadeFolders(RunMode::Rename, level, destination);
    Record(RunMode::Rename, p, shown, {destination, newName}, {folder, entry.Name});
    AdvanceSeqCounter(rename);

    // A name predicted to do was found plain by the prediction.
    const bool plain = p.Ok || IsPlainName(newName);
    const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
    if (p.Ok) {
      if (rename.MakeCopy) {
        View_.Put(IncludeTrailingDelimiter(destination) + newName, EntryOf(entry));
      } else {
        Moved(folder, entry, newName);
      }
      if (FollowsUp(D_.Change_))
        FollowUp(destination + newName, entry, folder + entry.Name, rename.MakeCopy);
    }
    // Walked where it really is, shown where the run would have put it.
    if ((p.Ok || rename.MakeCopy) && plain && isFolder) outcome.DestinationName = newName;
    outcome.RememberDestinationName = p.Ok && plain && isFolder &&
                                      (!rename.MakeCopy || level.FolderArg == level.DestinationArg);
  }

  void ChainStep(const TChainStep &step, const TargetEntry &entry, const TLevelPaths &paths,
                 TPathParts shown, TTargetOutcome &outcome) {
    const std::string &folder = paths.Folder;
    const std::string &destination = paths.Destination;
    D_.Rename_.ResultName = step.To;
    TPrediction p = step.Tried ? PredictMove(View_, folder, step.From, step.To)
                               : TPrediction::Fail(step.Refusal);
    Record(RunMode::Rename, p, shown, {destination, step.To}, {folder, step.Original}, !step.Final);
    TargetEntry moved = entry;
    moved.Name = step.From;
    if (p.Ok) {
      Moved(folder, moved, step.To, step.Original);
      if (step.Final) FollowUp(destination + step.To, entry, folder + step.Original, false);
    }
    outcome.SourceName = step.Original;
    outcome.DestinationName = p.Ok ? step.To : step.From;
    outcome.Descend = step.Final;
    outcome.RememberDestinationName = p.Ok && (entry.Attributes & kAttrDirectory) != 0;
  }

  // The folders the run would make for `destination`, outermost first,
  // each recorded as the run records them and then known to the overlay.
  void MadeFolders(RunMode mode, const TWalkLevel &level, const std::string &destination) {
    std::vector<std::string> missing;
    for (std::string at = ExcludeTrailingDelimiter(destination); !at.empty();) {
      if (View_.LookupPath(at).Exists) break;
      missing.push_back(at);
      const std::string up = ExtractFilePath(IncludeTrailingDelimiter(at));
      const std::string parent = up.size() > 1 ? ExcludeTrailingDelimiter(up) : up;
      if (parent.size() >= at.size()) break;
      at = parent;
    }
    const TLevelPaths &paths = PathsOf(level);
    for (auto made = missing.rbegin(); made != missing.rend(); ++made) {
      Record(mode, TPrediction{}, SourceFolderOf(paths.Shown, paths.Destination, *made), *made);
      TPlannedEntry folder;
      folder.Attributes = kAttrDirectory;
      View_.Put(*made, folder);
    }
  }

  // A rename in place as the overlay sees it; a folder's contents are then
  // shown under its new name.  `original` is where the entry is on disk.
  void Moved(const std::string &folder, const TargetEntry &entry, const std::string &newName,
             const std::string &original = {}) {
    // The level's folder has its delimiter: no path is made for a file.
    std::string made;
    const std::string_view dir = WithTrailingDelimiter(folder, made);
    View_.Move(dir, entry.Name, newName, EntryOf(entry));
    if (entry.Attributes & kAttrDirectory) {
      const std::string real =
          std::string(dir) + (original.empty() ? entry.Name : original) + kPathDelimiter;
      Renamed_[real] = PlannedOf(std::string(dir)) + newName + kPathDelimiter;
    }
  }

  // The change that follows a successful rename or copy.  `source` is
  // where the data is on disk; a copy is a new file (created and read now).
  void FollowUp(const std::string &newPath, const TargetEntry &entry, const std::string &source,
                bool isCopy) {
    TChangeCn &change = D_.Change_;
    if (!FollowsUp(change)) return;
    TChangeSubject subject;
    if (isCopy) {
      subject.Exists = true;
      subject.IsFolder = (entry.Attributes & kAttrDirectory) != 0;
      subject.ReadOnly = (entry.Attributes & kAttrReadOnly) != 0;
      subject.Attributes = entry.Attributes;
      if (!subject.IsFolder) {
        FileTimes times;
        times.Creation = times.LastAccess = Now_;
        if (const std::optional<timespec> written = DosDateTimeToFileTime(entry.Time))
          times.LastWrite = *written;
        subject.Times = times;
      }
    } else {
      subject = SubjectOnDisk(source);
    }
    subject.DotName = StartsWithDot(newPath);
    subject.Media = entry.Media.get();
    if (PredictChange(change, subject).Ok)
      Add(TPlanRecord{RunMode::Change, true, TFailure{}, newPath, {},
                      ChangeNumbersOf(change, entry.Attributes), {}, false, {}, {}});
  }

  TChangeSubject SubjectOnDisk(const std::string &path) {
    TChangeSubject subject;
    const std::optional<FindEntry> found = InspectEntry(path);
    if (!found) return subject;
    subject.Exists = true;
    subject.IsSymlink = found->IsSymlink;
    subject.IsFolder = !found->IsSymlink && (found->Attributes & kAttrDirectory) != 0;
    subject.ReadOnly = (found->Attributes & kAttrReadOnly) != 0;
    subject.DotName = StartsWithDot(path);
    subject.Attributes = found->Attributes;
    subject.Times = InspectFileTimes(path);
    return subject;
  }

  // The level's paths as strings, made once per level rather than per target.
  struct TLevelPaths {
    const char *Key = nullptr;
    std::string Folder, Destination, Shown;
  };
  const TLevelPaths &PathsOf(const TWalkLevel &level) {
    // The level's folder text stays in place while its targets are handed
    // over; a nested level has a text of its own.
    if (Paths_.Key != level.Folder.data() || Paths_.Folder != level.Folder ||
        Paths_.Destination != level.Destination) {
      Paths_.Key = level.Folder.data();
      Paths_.Folder.assign(level.Folder);
      Paths_.Destination.assign(level.Destination);
      Paths_.Shown = PlannedOf(Paths_.Folder);
    }
    return Paths_;
  }

  // Where a folder of the walk is shown: under the new name of a folder the
  // run would have renamed, and so everything below it.
  std::string PlannedOf(const std::string &real) {
    const std::string dir = IncludeTrailingDelimiter(real);
    if (Renamed_.empty()) return dir;
    const auto found = Renamed_.find(dir);
    if (found != Renamed_.end()) return found->second;
    const std::string parent = IncludeTrailingDelimiter(ExtractFilePath(dir));
    const auto up = Renamed_.find(parent);
    if (up == Renamed_.end()) return dir;
    std::string planned = up->second + LastFolderName(dir) + kPathDelimiter;
    Renamed_.emplace(dir, planned);
    return planned;
  }

  static std::string ExtractFilePath(const std::string &dir) {
    // dir ends with the delimiter: drop the last component.
    const std::string bare = ExcludeTrailingDelimiter(dir);
    return bare.substr(0, NameOffset(bare));
  }

  // The record's paths come in parts and are joined in the room of the
  // last record: a plan makes one or more a target.
  void Record(RunMode mode, const TPrediction &p, TPathParts path, TPathParts destination,
              TPathParts source = {}, bool temporary = false) {
    TPlanRecord &record = Record_;
    record.Mode = mode;
    record.Ok = p.Ok;
    record.Failure = p.Failure;
    path.JoinInto(record.Path);
    destination.JoinInto(record.Destination);
    record.Numbers = {};
    source.JoinInto(record.Source);
    record.Temporary = temporary;
    record.Outcome.clear();
    record.Reason.clear();
    Add(record);
  }

  void Add(const TPlanRecord &record) {
    ++D_.Stats_.Records;
    if (!record.Ok) {
      ++D_.Stats_.FailedRecords;
      D_.Stats_.CountFailure(ReasonText(record.Failure));
    }
    Sink_.AddPlanRecord(record);
  }

  TRunDriver &D_;
  RunMode Mode_;
  TPlanSink &Sink_;
  TWalkOptions Options_;
  TPlanOverlay View_;
  const TFolderHandle *Held_ = nullptr;  // handed by HoldFolder for the EnterFolder that follows
  // The folder whose names its listing is to bring, while it is listed.
  const TFolderHandle *NamesHeld_ = nullptr;
  std::string NamesDir_;
  TChainLevels Chains_;
  // Real folder (with delimiter) -> the folder its records show.
  std::unordered_map<std::string, std::string> Renamed_;
  std::string Current_;
  TLevelPaths Paths_;
  TPlanRecord Record_;
  timespec Now_{};
  std::optional<TFileId> LogId_;
};

TRunOutcome TRunDriver::PlanRun(RunMode mode, TPlanSink &sink) {
  if (Running_ || mode == RunMode::List) return Running_ ? TRunOutcome::Busy : TRunOutcome::Refused;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  ForgetFileSystems();
  const std::optional<TRunSetup> setup = Prepare(mode);
  if (!setup) return TRunOutcome::Refused;
  const TOperationState keep(Rename_, Copy_, Change_);
  const TExclusionList exclusions(setup->ExclusionEntries);

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  TPlanWalkStep step(*this, mode, sink);
  TFolderWalk walk(step, false, setup->Filters, exclusions);
  auto finish = [&](bool aborted) {
    Stats_.Unrepresentable = walk.Unrepresentable();
    Stats_.PassedOverExamples = walk.PassedOverExamples();
    Host_.SetBusyCursor(false);
    sink.AddPlanMarker(aborted ? kLogAborted : kLogFinished);
  };
  try {
    sink.AddPlanMarker(kLogStart);
    walk.WalkFolder(setup->Job.FindFile.Folder, setup->Destination);
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  return AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
}

namespace {

// The walk over targets listed before: each level's entries handed to the
// step in the order the walk would hand them, folder targets followed at
// once by their subtrees, then the subfolders the closing scan found.
class TListedWalk {
public:
  TListedWalk(TWalkHooks &step, const std::function<bool()> &enough) : Step_(step), Enough_(enough) {}

  // False once the plan has had enough.
  bool Walk(const TListedLevel &listed, const std::string &folder, const std::string &destination) {
    const std::string &dir = listed.Dir;
    const std::string dest = IncludeTrailingDelimiter(destination);
    Step_.EnterFolder(dir);
    const TWalkOptions options = Step_.Options();
    std::vector<TargetEntry> entries = listed.Entries;
    Step_.PrepareLevel(entries);
    Step_.SetFolderName(LastFolderName(dir));
    const TWalkLevel level{folder, destination, dir, dest, nullptr};
    std::unordered_set<std::string> skipped;
    for (const TargetEntry &entry : listed.Entries) skipped.insert(entry.Name);
    for (const TargetEntry &entry : entries) {
      const TTargetOutcome outcome = Step_.ProcessTarget(entry, level);
      if (outcome.RememberDestinationName) skipped.insert(outcome.DestinationName);
      if (entry.Attributes & kAttrDirectory) {
        if (outcome.Descend && options.SubFolder && !entry.IsSymlink)
          if (const TListedLevel *below = listed.Child(outcome.SourceName))
            if (!Walk(*below, dir + outcome.SourceName, dest + outcome.DestinationName)) return false;
        Step_.FinishFolderTarget(entry, level);
      }
      if (Enough_()) return false;
    }
    if (!options.SubFolder) return true;
    for (const TListedLevel::TBelow &below : listed.Below) {
      if (skipped.count(below.Name) != 0) continue;
      if (!Walk(*below.Level, dir + below.Name, options.FlattenSubfolders ? dest : dest + below.Name))
        return false;
    }
    return true;
  }

private:
  TWalkHooks &Step_;
  const std::function<bool()> &Enough_;
};

}  // namespace

TRunOutcome TRunDriver::PlanListed(RunMode mode, const TListedTargets &listed, TPlanSink &sink,
                                   const std::function<bool()> &enough) {
  if (Running_ || mode == RunMode::List) return Running_ ? TRunOutcome::Busy : TRunOutcome::Refused;
  const TRunningFlag running(Running_);
  Stats_ = TRunStats{};
  const std::optional<TRunSetup> setup = Prepare(mode);
  if (!setup) return TRunOutcome::Refused;
  const TOperationState keep(Rename_, Copy_, Change_);
  AbortRequested_ = false;
  TPlanWalkStep step(*this, mode, sink);
  sink.AddPlanMarker(kLogStart);
  if (listed.Top) TListedWalk(step, enough).Walk(*listed.Top, listed.Folder, listed.Destination);
  sink.AddPlanMarker(kLogFinished);
  return TRunOutcome::Finished;
}
