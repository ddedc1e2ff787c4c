#include "run/RunDriver.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "media/MediaReader.h"
#include "ops/UnitFileCn.h"
#include "platform/FileSystems.h"
#include "platform/Paths.h"
#include "platform/FileSystem.h"
#include "platform/Errors.h"
#include "run/RenameChains.h"
#include "run/RunJournal.h"
#include "run/RunPlan.h"
#include "run/RunLog.h"
#include "run/RunSteps.h"
#include "run/ValidateRun.h"
#include "select/FolderName.h"
#include "select/SplitList.h"
#include "select/Walk.h"

namespace {

constexpr std::string_view kMsgNoMediaModule = "撮影日時やファイル情報を読むモジュールを読み込めません";

const char *JournalModeName(RunMode mode) {
  switch (mode) {
  case RunMode::Rename: return "rename";
  case RunMode::Copy: return "copy";
  case RunMode::Delete: return "delete";
  case RunMode::Change: return "change";
  case RunMode::List: break;
  }
  return "list";
}

// Trim as the window trims: every character up to the blank counts.
std::string_view Trim(std::string_view text) {
  std::size_t first = 0;
  while (first < text.size() && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  std::size_t last = text.size();
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

// A name a descent may use: one path component, not "." or "..".  A
// replacement that produced anything else must not lead the walk (and the
// copies made in it) into another folder.
bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find(kPathDelimiter) == std::string_view::npos;
}

}  // namespace

// The driver's side of the walk: the live options, the pumping, and the
// per-target step of each run mode.
class TRunWalkStep final : public TWalkHooks {
public:
  TRunWalkStep(TRunDriver &driver, RunMode mode) : D_(driver), Mode_(mode) {
    // Every act the operations make is journaled first.
    const auto before = [this](const TAct &act) { return BeforeAct(act); };
    D_.Rename_.BeforeAct = before;
    D_.Copy_.BeforeAct = before;
    // A run never overwrites what it has written itself.
    D_.Copy_.Output = &Output_;
  }
  ~TRunWalkStep() override {
    D_.Rename_.BeforeAct = nullptr;
    D_.Copy_.BeforeAct = nullptr;
    D_.Copy_.Output = nullptr;
  }
  TRunWalkStep(const TRunWalkStep &) = delete;
  TRunWalkStep &operator=(const TRunWalkStep &) = delete;

  bool IsRunsOwnFile(const TFileId &id) override {
    return (JournalId_ && id == *JournalId_) || (LogId_ && id == *LogId_);
  }

  const TWalkOptions &Options() override {
    Options_ = RunWalkOptions(Mode_, D_.Host_.Job(), D_.DateRangeFrom_, D_.DateRangeTo_);
    return Options_;
  }

  void ProcessMessages() override { D_.Host_.ProcessMessages(); }
  bool Aborted() override { return D_.AbortRequested_; }
  TMediaNeed MediaNeed() override { return RunMediaNeed(Mode_, D_.Rename_, D_.Change_); }
  // A copy takes its targets one by one in the listing's order, each on its
  // own: it may start before the level is listed to its end.
  bool StreamsLevel() override { return Mode_ == RunMode::Copy && MediaNeed() == TMediaNeed::None; }
  void EnterFolder(const std::string &folder) override {
    D_.Host_.SetStatusText(folder);
    // The log may have been put in a new file since (a switch to UTF-8).
    LogId_ = D_.Host_.LogFileId();
    if (D_.Journal_ && !JournalId_) JournalId_ = D_.Journal_->FileId();
  }

  void PrepareLevel(std::vector<TargetEntry> &entries) override {
    if (Mode_ != RunMode::Rename) return;
    PrepareRenameLevel(D_.Rename_, entries);
    if (entries.empty() || D_.Rename_.MakeCopy || !D_.Host_.Job().Rename.ResolveChains) return;
    const std::string folder(entries.front().Folder);
    Chains_.Prepare(D_.Rename_, entries, LastFolderName(folder),
                    [&](const std::string &name) { return PathExists(folder + name); });
  }

  void SetFolderName(const std::string &name) override { D_.Rename_.FolderNameText = name; }

  TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    const TLevelTexts &texts = TextsOf(level);
    const std::string path = texts.Folder + entry.Name;
    Current_ = &entry;
    CurrentRef_ = Target(entry.Name, level, path);
    const std::string &destination = texts.Destination;
    // The walk reads the names of a folder target's outcome only (its
    // descent and the closing scan): a file's stay empty.
    TTargetOutcome outcome;
    if (entry.Attributes & kAttrDirectory) outcome.SourceName = outcome.DestinationName = entry.Name;
    switch (Mode_) {
      case RunMode::List:
        D_.Host_.AddListLine(path);
        ++D_.Stats_.Listed;
        break;
      case RunMode::Rename:
        if (std::optional<TChainStep> chained = NextChainStep(level))
          ChainStep(*chained, entry, level, path, outcome);
        else
          RenameStep(entry, level, path, outcome);
        break;
      case RunMode::Copy: {
        const bool ok = level.Held ? D_.Copy_.CopyTarget(*level.Held, path, destination, entry.Time,
                                                         entry.Attributes, entry.Size)
                                   : D_.Copy_.CopyTarget(path, destination, entry.Time,
                                                         entry.Attributes, entry.Size);
        const std::string copyName = D_.Copy_.ResultName;
        const std::string copyPath = destination + copyName;
        // A move by rename leaves the entry as it was, as a rename in place
        // does; a copy is a file of its own.
        Ended(ok, !ok ? std::nullopt : D_.Copy_.MovedWhole ? BeforeIdentity_ : IdentityOf(copyPath));
        LogMadeFolders(RunMode::Copy, level, D_.Copy_.MadeFolders);
        Log(RunMode::Copy, path, ok, {}, copyPath, D_.Copy_.Failure);
        if (ok) FollowUp(copyPath, copyPath, entry);
        if (IsPlainName(copyName)) outcome.DestinationName = copyName;
        break;
      }
      case RunMode::Delete:
        // A folder deleted for good goes once its contents are gone: its
        // record waits for that (FinishFolderTarget).
        if ((entry.Attributes & kAttrDirectory) && !entry.IsSymlink && !D_.Delete_.Recycled) break;
        {
          // Only a move to the trash can be taken back, and only it is journaled.
          bool ok = false;
          if (!D_.Delete_.Recycled || BeforeAct(TAct{TActKind::Trash, path, {}, IsFolder(entry), false})) {
            ok = D_.Delete_.DeleteTarget(Target(entry.Name, level, path));
          } else {
            D_.Delete_.Failure = FailureOf(errno);
          }
          if (D_.Delete_.Recycled) Ended(ok, std::nullopt, D_.Delete_.Trashed.File, D_.Delete_.Trashed.Info);
          Log(RunMode::Delete, path, ok, {}, {}, D_.Delete_.Failure);
        }
        break;
      case RunMode::Change: {
        bool ok = false;
        if (BeforeAct(TAct{TActKind::Change, path, {}, IsFolder(entry), false})) {
          ok = D_.Change_.ChangeTarget(Target(entry.Name, level, path), entry.Media.get());
        } else {
          D_.Change_.Failure = FailureOf(errno);
        }
        Ended(ok, ok ? IdentityOf(Target(entry.Name, level, path)) : std::nullopt);
        Log(RunMode::Change, path, ok, ChangeNumbers(entry.Attributes), {}, D_.Change_.Failure);
        break;
      }
    }
    return outcome;
  }

private:
  // The level's folder and destination as strings, made again only when the
  // level changes rather than for each target: the operations take them by
  // reference.
  struct TLevelTexts {
    std::string Folder, Destination;
  };
  const TLevelTexts &TextsOf(const TWalkLevel &level) {
    if (Texts_.Folder != level.Folder || Texts_.Destination != level.Destination) {
      Texts_.Folder.assign(level.Folder);
      Texts_.Destination.assign(level.Destination);
    }
    return Texts_;
  }

  // An entry of the level as the operations name it: relative to the folder
  // the walk holds open.
  static TEntryRef Target(const std::string &name, const TWalkLevel &level, const std::string &path) {
    return level.Held ? TEntryRef(*level.Held, name) : TEntryRef(path);
  }

  void RenameStep(const TargetEntry &entry, const TWalkLevel &level, const std::string &path,
                  TTargetOutcome &outcome) {
    TRenameCn &rename = D_.Rename_;
    const TLevelTexts &texts = TextsOf(level);
    const std::string &destination = texts.Destination;
    const std::string &folder = texts.Folder;
    const TMediaFacts *media = entry.Media.get();
    rename.MissingField.clear();
    const bool ok = level.Held ? rename.RenameTarget(*level.Held, folder, entry.Name, destination,
                                                     entry.Time, entry.Attributes, media)
                               : rename.RenameTarget(folder, entry.Name, destination, entry.Time,
                                                     entry.Attributes, media);
    // Left as it is until the next target's rename.
    const std::string &newName = rename.ResultName;
    const std::string newPath = destination + newName;
    // A rename leaves the entry as it was; a copy is a file of its own.
    Ended(ok, !ok ? std::nullopt : rename.MakeCopy ? IdentityOf(newPath) : BeforeIdentity_);
    LogMadeFolders(RunMode::Rename, level, rename.MadeFolders);
    Log(RunMode::Rename, path, ok, {}, newPath, rename.Failure);
    // A rename in place leaves the file in the held folder.
    if (ok) FollowUp(rename.MakeCopy ? TEntryRef(newPath) : Target(newName, level, newPath), newPath, entry);
    // Advanced whether or not the rename succeeded.
    AdvanceSeqCounter(rename);

    const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
    if (!isFolder) return;
    // The descent.  A renamed folder is entered under its new name; a copy
    // walks the source folder's contents into the new folder, so a renamed
    // copy of a tree is complete; a folder whose rename failed is still
    // there under its old name and is entered under it, so its contents are
    // processed all the same.
    const bool plain = IsPlainName(newName);
    if (ok && plain) {
      outcome.SourceName = rename.MakeCopy ? entry.Name : newName;
      outcome.DestinationName = newName;
    } else if (rename.MakeCopy && plain) {
      outcome.DestinationName = newName;
    }
    // A folder renamed or made in this very folder is not walked again by
    // the closing scan.
    outcome.RememberDestinationName = ok && plain && level.FolderArg == level.DestinationArg;
  }

  std::optional<TChainStep> NextChainStep(const TWalkLevel &level) {
    if (Chains_.Empty()) return std::nullopt;
    return Chains_.Next(TextsOf(level).Folder);
  }

  // One move of a level whose chains are resolved: the name was built when
  // the level was entered.
  void ChainStep(const TChainStep &step, const TargetEntry &entry, const TWalkLevel &level,
                 const std::string &path, TTargetOutcome &outcome) {
    const TLevelTexts &texts = TextsOf(level);
    const std::string &folder = texts.Folder;
    const std::string &destination = texts.Destination;
    D_.Rename_.ResultName = step.To;
    const std::string from = folder + step.From;
    const std::string to = folder + step.To;
    // The entry taken is the one the step finds: after a move to a
    // temporary name it is that name's.
    if (step.From != entry.Name) CurrentRef_ = level.Held ? TEntryRef(*level.Held, step.From) : TEntryRef(from);
    const bool ok = step.Tried && BeforeAct(TAct{TActKind::Rename, from, to, IsFolder(entry), false}) &&
                    (level.Held ? MoveFile(TEntryRef(*level.Held, step.From), TEntryRef(*level.Held, step.To))
                                : MoveFile(from, to));
    const TFailure failure = ok ? TFailure{} : step.Tried ? FailureOf(errno) : TFailure{step.Refusal};
    Ended(ok, ok ? BeforeIdentity_ : std::nullopt);
    const std::string newPath = destination + step.To;
    Log(RunMode::Rename, path, ok, {}, newPath, failure);
    if (ok && step.Final) FollowUp(Target(step.To, level, newPath), newPath, entry);
    if (ok) outcome.SourceName = outcome.DestinationName = step.To;
    // A folder is walked once it has its new name; the closing scan must
    // not enter it under its temporary one either.
    outcome.Descend = step.Final;
    outcome.RememberDestinationName = ok && (entry.Attributes & kAttrDirectory) != 0;
  }

  // The folders a copy made on its way, each journaled as an act of its own
  // and recorded as a folder target's copy is, before the copy's own
  // record.  A folder begun but not made (someone else made it, or mkdir
  // failed) is closed as failed and gets no record.
  void LogMadeFolders(RunMode mode, const TWalkLevel &level, const std::vector<std::string> &made) {
    const auto wasMade = [&](const std::string &folder) {
      return std::find(made.begin(), made.end(), folder) != made.end();
    };
    if (D_.Journal_)
      for (const auto &[folder, number] : WayActs_) {
        const bool ok = wasMade(folder);
        D_.Journal_->End(number, ok, ok ? IdentityOf(folder) : std::nullopt);
      }
    const std::size_t act = Act_;
    for (const std::string &folder : made) {
      const auto way = std::find_if(WayActs_.begin(), WayActs_.end(),
                                    [&](const auto &begun) { return begun.first == folder; });
      Act_ = way == WayActs_.end() ? 0 : way->second;
      Log(mode, SourceFolderOf(level.Folder, level.Destination, folder), true, {}, folder);
    }
    Act_ = act;
    WayActs_.clear();
  }

  TChangeNumbers ChangeNumbers(std::uint32_t attributesBefore) const {
    return ChangeNumbersOf(D_.Change_, attributesBefore);
  }

  // The date and attribute change that follows a successful rename or copy
  // whenever one of its switches is on; logged only when it succeeds.  The
  // new file holds the source's contents, and so its shooting time.
  void FollowUp(const TEntryRef &target, const std::string &newPath, const TargetEntry &source) {
    TChangeCn &c = D_.Change_;
    if (!FollowsUp(c)) return;
    // The entry changed is the new one, not the target the walk listed.
    Current_ = nullptr;
    CurrentRef_ = target;
    if (!BeforeAct(TAct{TActKind::Change, newPath, {}, IsFolder(source), false})) return;
    const bool ok = c.ChangeTarget(target, source.Media.get());
    Ended(ok, ok ? IdentityOf(target) : std::nullopt);
    if (ok) Log(RunMode::Change, newPath, true, ChangeNumbers(source.Attributes), {});
  }

  static bool IsFolder(const TargetEntry &entry) {
    return (entry.Attributes & kAttrDirectory) != 0 && !entry.IsSymlink;
  }

  // What the entry an act takes is: as the listing found it (a link, or a
  // time the listing could not pack, as the disk says now).
  std::optional<TIdentity> IdentityBefore() {
    if (Current_ != nullptr && !Current_->IsSymlink && Current_->Time != 0) {
      if (const std::optional<timespec> written = DosDateTimeToFileTime(Current_->Time))
        return TIdentity{Current_->Id.Device, Current_->Id.Inode, Current_->Size, written->tv_sec};
    }
    return IdentityOf(CurrentRef_);
  }

  // Before an act on the disk: the journal gets it first.  A journal that
  // cannot be written forbids the act and ends the run (see Log).
  bool BeforeAct(const TAct &act) {
    TJournalWriter *journal = D_.Journal_.get();
    if (journal == nullptr) return true;
    // An act of the target that another follows made nothing: a copy that
    // found its name taken or its folder missing tries again as a new act.
    if (Act_ != 0) {
      journal->End(Act_, false, std::nullopt);
      Act_ = 0;
    }
    std::size_t number = 0;
    if (act.OnTheWay) {
      // A folder on the way is a folder of its own, not the target.
      if (!journal->Begin(act.Kind, std::string(act.From), std::string(act.To), std::nullopt, true, false, number)) {
        errno = journal->Error();
        return false;
      }
      WayActs_.emplace_back(std::string(act.To), number);
      return true;
    }
    BeforeIdentity_ = IdentityBefore();
    if (journal->Begin(act.Kind, std::string(act.From), std::string(act.To), BeforeIdentity_, act.Folder,
                       act.ToExisted, number)) {
      Act_ = number;
      return true;
    }
    errno = journal->Error();
    return false;
  }

  // After the act: its outcome, and what it left.
  void Ended(bool ok, const std::optional<TIdentity> &after, const std::string &trashFile = {},
             const std::string &trashInfo = {}) {
    if (Act_ != 0 && D_.Journal_) D_.Journal_->End(Act_, ok, after, trashInfo, trashFile);
  }

  // A folder target once the walk is done with what it holds: one deleted
  // for good goes now that it may be empty, and its record says whether it
  // went; the folder of a moved tree goes silently when it is empty, its
  // files having their own records.
  void FinishFolderTarget(const TargetEntry &entry, const TWalkLevel &level) override {
    if (!Options_.RemoveFolderTargets || !level.Held) return;
    const TEntryRef folder(*level.Held, entry.Name);
    if (Mode_ != RunMode::Delete) {
      RemoveFolder(folder);
      return;
    }
    if (D_.Delete_.Recycled || entry.IsSymlink) return;
    const bool ok = RemoveFolder(folder);
    Log(RunMode::Delete, TextsOf(level).Folder + entry.Name, ok, {}, {},
        ok ? TFailure{} : FailureOf(errno == EEXIST ? ENOTEMPTY : errno));
  }

  // A folder the walk could not open or read: its entries are not known, so
  // the run records the folder itself as failed.
  void FolderFailed(const std::string &folder, int error) override {
    const std::string reason = ReasonText(FailureOf(error));
    D_.Stats_.UnreadFolders.emplace_back(folder, reason);
    if (Mode_ == RunMode::List) {
      ++D_.Stats_.FailedRecords;
      D_.Stats_.CountFailure(reason);
      return;
    }
    const std::string dir = IncludeTrailingDelimiter(folder);
    Log(Mode_, dir, false, {}, dir, FailureOf(error));
  }

  void Log(RunMode mode, const std::string &path, bool ok, const TChangeNumbers &numbers,
           const std::string &destination, const TFailure &failure = {}) {
    ++D_.Stats_.Records;
    std::string reason;
    if (!ok) {
      ++D_.Stats_.FailedRecords;
      reason = ReasonText(failure);
      D_.Stats_.CountFailure(reason);
    }
    const std::string line = FormatLogLine(mode, path, ok, numbers, destination, reason);
    D_.Host_.AddLogLine(line);
    if (TJournalWriter *journal = D_.Journal_.get()) {
      journal->Recorded(Act_, line);
      // A run that can no longer journal its acts must not make any more.
      if (journal->Error() != 0)
        throw EInOutError(std::string(kMsgJournalFailed) + " (" + ReasonText(FailureOf(journal->Error())) + ")");
    }
    Act_ = 0;
  }

  TRunDriver &D_;
  RunMode Mode_;
  TWalkOptions Options_;
  TChainLevels Chains_;
  TLevelTexts Texts_;
  TOwnOutput Output_;
  // The folders on the way begun for the target under way, with their acts.
  std::vector<std::pair<std::string, std::size_t>> WayActs_;
  // The target under way, what the journal knows of it, and its act.
  const TargetEntry *Current_ = nullptr;
  TEntryRef CurrentRef_{""};
  std::optional<TIdentity> BeforeIdentity_;
  std::size_t Act_ = 0;
  std::optional<TFileId> JournalId_;
  std::optional<TFileId> LogId_;
};

void TRunStats::CountFailure(const std::string &reason) {
  for (auto &[text, count] : FailureReasons) {
    if (text == reason) {
      ++count;
      return;
    }
  }
  FailureReasons.emplace_back(reason, 1);
}

TRunDriver::TRunDriver(TRunHost &host, TRenameCn &rename, TCopyCn &copy, TDeleteCn &del,
                       TChangeCn &change)
    : Host_(host), Rename_(rename), Copy_(copy), Delete_(del), Change_(change) {}

TRunDriver::~TRunDriver() = default;

const std::string &RunDestination(RunMode mode, const JobSettings &job) {
  const bool useCopyFolder =
      !Trim(job.Copy.Folder).empty() && (mode != RunMode::Rename || job.Rename.Copy);
  return useCopyFolder ? job.Copy.Folder : job.FindFile.Folder;
}

TRunOutcome TRunDriver::SpeedButtonClick(RunMode mode) {
  if (Running_) return TRunOutcome::Busy;
  const TRunningFlag running(Running_);
  return Run(mode);
}

std::optional<TRunSetup> TRunDriver::Prepare(RunMode mode) {
  // Copies: the host's job may change under the pumping of the walk.
  TRunSetup setup{Host_.Job(), {}, {}, {}};
  const JobSettings &job = setup.Job;

  const TValidation v = ValidateRun(mode, job, LocalNow());
  // Values computed before a refusal stay, as they would in the window.
  if (v.DateRangeFrom) DateRangeFrom_ = *v.DateRangeFrom;
  if (v.DateRangeTo) DateRangeTo_ = *v.DateRangeTo;
  if (v.UpDateValue) Change_.UpDateValue = static_cast<std::int32_t>(*v.UpDateValue);
  if (v.NwDateValue) Change_.NwDateValue = static_cast<std::int32_t>(*v.NwDateValue);
  if (v.AcDateValue) Change_.AcDateValue = static_cast<std::int32_t>(*v.AcDateValue);
  if (v.AttrValue) Change_.AttrValue = static_cast<std::int32_t>(*v.AttrValue);
  if (!v.Accepted) {
    if (v.Page != TRunPage::None) Host_.ShowPage(v.Page);
    if (v.Message) Host_.SetStatusText(*v.Message);
    if (v.Focus != TRunFocus::None) Host_.SetFocus(v.Focus);
    return std::nullopt;
  }
  // Every replace condition is compiled before the first target is
  // touched: a malformed one refuses the job.  Once the run has started,
  // RenameTarget turns an engine error into a failed target.
  if (mode == RunMode::Rename) {
    std::optional<std::string> error = Rename_.CheckReplaceConditions();
    // So is a malformed template of the names made of the files' information.
    if (!error) error = Rename_.CheckTemplate();
    if (error) {
      Host_.SetStatusText(*error);
      return std::nullopt;
    }
  }

  // A run that needs what files say of themselves cannot do without the
  // module that reads it: it would quietly fall back to the modification
  // times or fail every target.
  if (RunMediaNeed(mode, Rename_, Change_) != TMediaNeed::None && !TMediaReader::Default().Available()) {
    Host_.SetStatusText(std::string(kMsgNoMediaModule));
    return std::nullopt;
  }

  SplitList(job.FindFile.Filter, setup.Filters);
  SplitList(job.FindFile.Exception, setup.ExclusionEntries);
  setup.Destination = RunDestination(mode, job);
  return setup;
}

TRunOutcome TRunDriver::Run(RunMode mode) {
  Stats_ = TRunStats{};
  // A card may have been swapped since the last run: its file system is asked anew.
  ForgetFileSystems();
  const std::optional<TRunSetup> setup = Prepare(mode);
  if (!setup) return TRunOutcome::Refused;
  const JobSettings &job = setup->Job;
  const std::vector<std::string> &filters = setup->Filters;
  const TExclusionList exclusions(setup->ExclusionEntries);
  const std::string &destination = setup->Destination;
  const bool logs = mode != RunMode::List;

  // No run acts on the disk without its journal: without one it could not
  // be taken back.
  struct TJournalScope {
    std::unique_ptr<TJournalWriter> &Journal;
    ~TJournalScope() { Journal.reset(); }
  } journalScope{Journal_};
  if (logs) {
    Journal_ = std::make_unique<TJournalWriter>();
    if (!Journal_->Open(JournalModeName(mode), {AbsolutePath(job.FindFile.Folder), AbsolutePath(destination)})) {
      Host_.SetStatusText(std::string(kMsgNoJournal) + ReasonText(FailureOf(errno)));
      return TRunOutcome::Refused;
    }
  }

  AbortRequested_ = false;
  Host_.SetBusyCursor(true);
  Host_.SetRunMessage(std::string(kRunMessage));

  TRunWalkStep step(*this, mode);
  TFolderWalk walk(step, mode == RunMode::List, filters, exclusions);
  // Whatever ends the run, the run state is restored and a logging run gets
  // its end line; an error then goes on to the front end's error report.
  auto finish = [&](bool aborted) {
    Stats_.Unrepresentable = walk.Unrepresentable();
    Stats_.PassedOverExamples = walk.PassedOverExamples();
    Host_.SetRunMessage(std::string());
    Host_.SetBusyCursor(false);
    if (logs) Host_.AddLogLine(std::string(aborted ? kLogAborted : kLogFinished));
    if (Journal_) Journal_->Close(aborted);
  };
  try {
    if (logs) {
      Host_.AddLogLine(std::string(kLogStart));
      if (const std::optional<std::string> log = Host_.LogFilePath()) Journal_->NoteLog(*log);
      Host_.ShowLogPage();
    } else {
      Host_.ClearList();
    }
    walk.WalkFolder(job.FindFile.Folder, destination);
  } catch (...) {
    finish(true);
    throw;
  }
  finish(AbortRequested_);
  const TRunOutcome outcome = AbortRequested_ ? TRunOutcome::Aborted : TRunOutcome::Finished;
  if (logs) PushHistories(mode);
  return outcome;
}

void TRunDriver::PushHistories(RunMode mode) {
  const JobSettings &now = Host_.Job();
  const std::pair<THistoryBox, const std::string *> typed[] = {
      {THistoryBox::Folder, &now.FindFile.Folder},
      {THistoryBox::Filter, &now.FindFile.Filter},
      {THistoryBox::Exception, &now.FindFile.Exception},
  };
  for (const auto &[box, text] : typed)
    if (Host_.IsHistoryTextTyped(box)) Host_.PushHistory(box, *text);
  if (mode == RunMode::Copy ||
      (mode == RunMode::Rename && now.Rename.Copy && Host_.IsHistoryTextTyped(THistoryBox::CopyFolder)))
    Host_.PushHistory(THistoryBox::CopyFolder, now.Copy.Folder);
  if (mode == RunMode::Rename) {
    Host_.PushReplaceHistory(THistoryBox::FromName, Rename_.FromName);
    Host_.PushReplaceHistory(THistoryBox::ToName, Rename_.ToName);
  }
}
