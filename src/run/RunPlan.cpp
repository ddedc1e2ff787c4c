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

#include <unordered_map>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"
#include "run/RenameChains.h"
#include "run/RunDriver.h"
#include "run/RunSteps.h"
#include "select/FolderName.h"
#include "select/Walk.h"

namespace {

constexpr std::string_view kSucceeded = "; 結果: 成功; ";
constexpr std::string_view kPlanned = "; 結果: 予定; ";

// The disk as the run would find it at the current target.
class TPlanOverlay final : public TPlanView {
public:
  TPlannedEntry Lookup(const std::string &path) override {
    const auto found = Entries_.find(path);
    if (found != Entries_.end()) return found->second;
    TPlannedEntry entry;
    if (const std::optional<FindEntry> disk = InspectEntry(path)) {
      entry.Exists = true;
      entry.Attributes = disk->Attributes;
      entry.IsSymlink = disk->IsSymlink;
      if (disk->TimeValid) entry.Time = disk->Time;
    }
    return entry;
  }

  void Remove(const std::string &path) {
    TPlannedEntry gone;
    gone.ByPlan = true;
    Entries_[path] = gone;
  }

  void Put(const std::string &path, TPlannedEntry entry) {
    entry.Exists = entry.ByPlan = true;
    Entries_[path] = entry;
  }

private:
  std::unordered_map<std::string, TPlannedEntry> Entries_;
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

std::string_view ReasonText(TPredictReason reason) {
  switch (reason) {
  case TPredictReason::None: break;
  case TPredictReason::NameExists: return "同じ名前が既にあります";
  case TPredictReason::TakenByPlan: return "先の対象がその名前になります";
  case TPredictReason::Unchanged: return "名前が変わりません";
  case TPredictReason::InvalidName: return "名前が無効です";
  case TPredictReason::KeepsExisting: return "既存のファイルを残します";
  case TPredictReason::ReadOnly: return "読込専用です";
  case TPredictReason::TimeUnconvertible: return "日時を日付に変換できません";
  case TPredictReason::ReplaceFailed: return "文字列置換ができません";
  case TPredictReason::OntoItself: return "コピー元と同じファイルです";
  case TPredictReason::Folder: return "フォルダです";
  case TPredictReason::ReadOnlyExisting: return "上書きするファイルが読込専用です";
  case TPredictReason::CreationTime: return "作成日時はこのシステムでは変更できません";
  case TPredictReason::DotNameHidden: return "'.'で始まる名前は隠し属性を外せません";
  case TPredictReason::LinkAttributes: return "シンボリックリンクの属性は変更できません";
  case TPredictReason::Missing: return "対象がありません";
  }
  return {};
}

std::string RunLineOf(const TPlanRecord &record) {
  return FormatLogLine(record.Mode, record.Path, record.Ok, record.Numbers, record.Destination);
}

std::string PlanLineOf(const TPlanRecord &record) {
  std::string line = RunLineOf(record);
  if (record.Ok) {
    // The head comes before any path, so its first match is the head's.
    const std::size_t at = line.find(kSucceeded);
    if (at != std::string::npos) line.replace(at, kSucceeded.size(), kPlanned);
    return line;
  }
  line += " 理由: ";
  line += ReasonText(record.Reason);
  line += ';';
  return line;
}

// The plan's side of the walk: the run's options (nothing is removed), its
// order and numbering, and a prediction where the run would act.
class TPlanWalkStep final : public TWalkHooks {
public:
  TPlanWalkStep(TRunDriver &driver, RunMode mode, TPlanSink &sink)
      : D_(driver), Mode_(mode), Sink_(sink) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    Now_ = now;
  }

  const TWalkOptions &Options() override {
    Options_ = RunWalkOptions(Mode_, D_.Host_.Job(), D_.DateRangeFrom_, D_.DateRangeTo_);
    Options_.RemoveFolderTargets = false;
    return Options_;
  }

  void ProcessMessages() override { D_.Host_.ProcessMessages(); }
  bool Aborted() override { return D_.AbortRequested_; }

  void EnterFolder(const std::string &folder) override {
    Current_ = PlannedOf(folder);
    D_.Host_.SetStatusText(Current_);
  }

  void PrepareLevel(std::vector<TargetEntry> &entries) override {
    if (Mode_ != RunMode::Rename) return;
    PrepareRenameLevel(D_.Rename_, entries);
    if (entries.empty() || D_.Rename_.MakeCopy || !D_.Host_.Job().Rename.ResolveChains) return;
    const std::string folder = entries.front().Folder;
    Chains_.Prepare(D_.Rename_, entries, LastFolderName(Current_),
                    [&](const std::string &name) { return View_.Lookup(folder + name).Exists; });
  }

  // The run takes the name from the folder's path, which for a folder it
  // would have renamed is the new one.
  void SetFolderName(const std::string &) override {
    D_.Rename_.FolderNameText = LastFolderName(Current_);
  }

  TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    const std::string folder(level.Folder);
    const std::string destination(level.Destination);
    const std::string shown = PlannedOf(folder) + entry.Name;
    TTargetOutcome outcome{entry.Name, entry.Name, false};
    const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
    switch (Mode_) {
    case RunMode::List: break;
    case RunMode::Rename:
      if (!Chains_.Empty()) {
        if (std::optional<TChainStep> step = Chains_.Next(folder)) {
          ChainStep(*step, entry, level, shown, outcome);
          break;
        }
      }
      RenameStep(entry, level, shown, outcome);
      break;
    case RunMode::Copy: {
      const std::string source = folder + entry.Name;
      TCopyCn &copy = D_.Copy_;
      const TPrediction p =
          PredictCopy(copy, View_, source, destination, entry.Time, entry.Attributes, entry.Size);
      const std::string name = copy.ResultName;
      Record(RunMode::Copy, p, shown, destination + name);
      if (p.Ok) {
        View_.Put(IncludeTrailingDelimiter(destination) + name, EntryOf(entry));
        if (!isFolder && (copy.Delete == 0 || copy.Delete == 2)) View_.Remove(source);
        FollowUp(destination + name, entry, source, /*isCopy=*/true);
      }
      if (IsPlainName(name)) outcome.DestinationName = name;
      break;
    }
    case RunMode::Delete: {
      const std::string path = folder + entry.Name;
      const TPrediction p = PredictDelete(D_.Delete_, View_, path);
      Record(RunMode::Delete, p, shown, {});
      if (p.Ok) {
        View_.Remove(path);
        // A folder in the trash went whole: the run finds nothing inside.
        if (D_.Delete_.Recycled) outcome.Descend = false;
      }
      break;
    }
    case RunMode::Change: {
      const TPrediction p = PredictChange(D_.Change_, SubjectOnDisk(folder + entry.Name));
      TPlanRecord record{RunMode::Change, p.Ok, p.Reason, shown, {},
                         ChangeNumbersOf(D_.Change_, entry.Attributes)};
      Add(record);
      break;
    }
    }
    return outcome;
  }

private:
  void RenameStep(const TargetEntry &entry, const TWalkLevel &level, const std::string &shown,
                  TTargetOutcome &outcome) {
    TRenameCn &rename = D_.Rename_;
    const std::string folder(level.Folder);
    const std::string destination(level.Destination);
    const TPrediction p = PredictRename(rename, View_, folder, entry.Name, destination, entry.Time,
                                        entry.Attributes);
    const std::string newName = rename.ResultName;
    Record(RunMode::Rename, p, shown, destination + newName);
    AdvanceSeqCounter(rename);

    const bool plain = IsPlainName(newName);
    const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
    if (p.Ok) {
      if (rename.MakeCopy) {
        View_.Put(IncludeTrailingDelimiter(destination) + newName, EntryOf(entry));
      } else {
        Moved(folder, entry, newName);
      }
      FollowUp(destination + newName, entry, folder + entry.Name, rename.MakeCopy);
    }
    // Walked where it really is, shown where the run would have put it.
    if ((p.Ok || rename.MakeCopy) && plain) outcome.DestinationName = newName;
    outcome.RememberDestinationName = p.Ok && plain && isFolder &&
                                      (!rename.MakeCopy || level.FolderArg == level.DestinationArg);
  }

  void ChainStep(const TChainStep &step, const TargetEntry &entry, const TWalkLevel &level,
                 const std::string &shown, TTargetOutcome &outcome) {
    const std::string folder(level.Folder);
    const std::string destination(level.Destination);
    D_.Rename_.ResultName = step.To;
    TPrediction p = step.Tried ? PredictMove(View_, folder, step.From, step.To)
                               : TPrediction::Fail(step.Refusal);
    Record(RunMode::Rename, p, shown, destination + step.To);
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

  // A rename in place as the overlay sees it; a folder's contents are then
  // shown under its new name.  `original` is where the entry is on disk.
  void Moved(const std::string &folder, const TargetEntry &entry, const std::string &newName,
             const std::string &original = {}) {
    const std::string dir = IncludeTrailingDelimiter(folder);
    View_.Remove(dir + entry.Name);
    View_.Put(dir + newName, EntryOf(entry));
    if (entry.Attributes & kAttrDirectory) {
      const std::string real = dir + (original.empty() ? entry.Name : original) + kPathDelimiter;
      Renamed_[real] = PlannedOf(dir) + newName + kPathDelimiter;
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
    if (PredictChange(change, subject).Ok)
      Add(TPlanRecord{RunMode::Change, true, TPredictReason::None, newPath, {},
                      ChangeNumbersOf(change, entry.Attributes)});
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
    const std::size_t at = LastDelimiterOffset(bare, std::string_view(&kPathDelimiter, 1));
    return at == std::string::npos ? std::string() : bare.substr(0, at + 1);
  }

  void Record(RunMode mode, const TPrediction &p, const std::string &path,
              const std::string &destination) {
    Add(TPlanRecord{mode, p.Ok, p.Reason, path, destination, {}});
  }

  void Add(const TPlanRecord &record) {
    ++D_.Stats_.Records;
    if (!record.Ok) ++D_.Stats_.FailedRecords;
    Sink_.AddPlanRecord(record);
  }

  TRunDriver &D_;
  RunMode Mode_;
  TPlanSink &Sink_;
  TWalkOptions Options_;
  TPlanOverlay View_;
  TChainLevels Chains_;
  // Real folder (with delimiter) -> the folder its records show.
  std::unordered_map<std::string, std::string> Renamed_;
  std::string Current_;
  timespec Now_{};
};

TRunOutcome TRunDriver::PlanRun(RunMode mode, TPlanSink &sink) {
  if (Running_ || mode == RunMode::List) return Running_ ? TRunOutcome::Busy : TRunOutcome::Refused;
  Running_ = true;
  struct TRunningGuard {
    bool &Flag;
    ~TRunningGuard() { Flag = false; }
  } running{Running_};
  Stats_ = TRunStats{};
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
