// The listing half of a plan made again and again: the walk a run would
// make, with a step that only keeps what each level lists.

#include "run/ListedTargets.h"

#include <functional>
#include <optional>
#include <utility>

#include "platform/FileSystems.h"
#include "platform/Paths.h"
#include "run/RunDriver.h"
#include "run/RunSteps.h"
#include "select/Walk.h"

const TListedLevel *TListedLevel::Child(const std::string &name) const {
  const auto found = ByName_.find(name);
  return found == ByName_.end() ? nullptr : Below[found->second].Level.get();
}

TListedLevel &TListedLevel::AddBelow(const std::string &name) {
  ByName_[name] = Below.size();
  Below.push_back({name, std::make_unique<TListedLevel>()});
  return *Below.back().Level;
}

namespace {

// Walks as the plan walks (its options, its media, every folder target
// descended under its own name) and keeps each level's entries.  The walk
// enters a level's subfolders after it has handed over the level's
// entries, so the level being listed is the innermost one entered whose
// folder holds the one entered now.
class TListStep final : public TWalkHooks {
public:
  TListStep(TWalkOptions options, TMediaNeed need, std::optional<TFileId> logId, TListedTargets &listed,
            const std::function<bool(std::size_t)> &enough)
      : Options_(options), Need_(need), LogId_(std::move(logId)), Listed_(listed), Enough_(enough) {}

  const TWalkOptions &Options() override { return Options_; }
  // The walk asks between the listing of a folder and the hand-over of its
  // entries too: a folder listed is kept.
  void ProcessMessages() override {
    if (Listed_.Complete && !Pending_ && Enough_ && Enough_(Listed_.Count)) Listed_.Complete = false;
  }
  bool Aborted() override { return !Listed_.Complete; }
  TMediaNeed MediaNeed() override { return Need_; }
  bool IsRunsOwnFile(const TFileId &id) override { return LogId_ && id == *LogId_; }

  void EnterFolder(const std::string &dir) override {
    while (!Open_.empty() && !dir.starts_with(Open_.back()->Dir)) Open_.pop_back();
    TListedLevel *level = nullptr;
    if (Open_.empty()) {
      Listed_.Top = std::make_unique<TListedLevel>();
      level = Listed_.Top.get();
    } else {
      const std::string &above = Open_.back()->Dir;
      level = &Open_.back()->AddBelow(ExcludeTrailingDelimiter(dir.substr(above.size())));
    }
    level->Dir = dir;
    Open_.push_back(level);
    Pending_ = true;
  }

  void PrepareLevel(std::vector<TargetEntry> &entries) override {
    TListedLevel &level = *Open_.back();
    level.Entries = entries;
    // An entry's folder text is the walk's, which ends with the level: the
    // kept entries read the level's own.
    for (TargetEntry &entry : level.Entries) entry.Folder = level.Dir;
    Listed_.Count += entries.size();
    Pending_ = false;
  }

  void SetFolderName(const std::string &) override {}

  TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &) override {
    return TTargetOutcome{entry.Name, entry.Name, false, true};
  }

private:
  TWalkOptions Options_;
  TMediaNeed Need_;
  std::optional<TFileId> LogId_;
  TListedTargets &Listed_;
  const std::function<bool(std::size_t)> &Enough_;
  bool Pending_ = false;  // a folder entered and not yet handed over
  std::vector<TListedLevel *> Open_;
};

}  // namespace

TRunOutcome TRunDriver::ListTargets(RunMode mode, TListedTargets &listed,
                                    const std::function<bool(std::size_t)> &enough) {
  if (Running_ || mode == RunMode::List) return Running_ ? TRunOutcome::Busy : TRunOutcome::Refused;
  const TRunningFlag running(Running_);
  listed = TListedTargets{};
  // A card may have been swapped since the last listing.
  ForgetFileSystems();
  const std::optional<TRunSetup> setup = Prepare(mode);
  if (!setup) return TRunOutcome::Refused;
  const TExclusionList exclusions(setup->ExclusionEntries);
  // The plan's options: nothing is removed and nothing moves on the disk.
  TWalkOptions options = RunWalkOptions(mode, setup->Job, DateRangeFrom_, DateRangeTo_);
  options.RemoveFolderTargets = false;
  options.SubfoldersStayPut = true;
  std::optional<TFileId> logId = Host_.LogFileId();
  if (!logId)
    if (const std::optional<std::string> log = Host_.LogFilePath()) logId = GetFileId(*log);
  listed.Folder = setup->Job.FindFile.Folder;
  listed.Destination = setup->Destination;
  TListStep step(options, RunMediaNeed(mode, Rename_, Change_), std::move(logId), listed, enough);
  TFolderWalk walk(step, false, setup->Filters, exclusions);
  walk.WalkFolder(listed.Folder, listed.Destination);
  return TRunOutcome::Finished;
}
