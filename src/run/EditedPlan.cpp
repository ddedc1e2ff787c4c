#include "run/EditedPlan.h"

#include <unordered_set>

#include "ops/NameParts.h"
#include "ops/Prediction.h"
#include "platform/FileSystems.h"
#include "platform/Inspect.h"
#include "platform/Paths.h"

namespace {

// The failures a check judges anew: they depend on the name alone.  A
// failure of building the name stays with a row that keeps the steps'
// name; the others do not depend on the name at all.
bool KeptFailure(const TPlanRecord &planned, bool edited) {
  if (planned.Ok) return false;
  switch (planned.Failure.Reason) {
  case TFailReason::None:
  case TFailReason::NameExists:
  case TFailReason::TakenByPlan:
  case TFailReason::Unchanged:
  case TFailReason::InvalidName:
  case TFailReason::NameNotHeld: return false;
  case TFailReason::TimeUnconvertible:
  case TFailReason::ReplaceFailed:
  case TFailReason::FieldMissing: return !edited;
  default: return true;
  }
}

// A folder the walk could not read: its record names the folder itself.
bool IsFolderRecord(const TPlanRecord &record) { return ExtractFileName(record.Path).empty(); }

}  // namespace

std::string FolderOfPath(const std::string &path) { return path.substr(0, NameOffset(path)); }

void TFolderMoves::Add(const std::string &planned, const std::string &actual) {
  Moves_[IncludeTrailingDelimiter(planned)] = IncludeTrailingDelimiter(actual);
}

std::string TFolderMoves::Moved(const std::string &path) const {
  if (Moves_.empty()) return path;
  // The nearest folder above the path that moved; the moves of folders
  // further up are already in its own new path.
  // The folders are parts of the path, not copies: every row's paths are
  // put through here at each check.
  const std::string_view whole = path;
  const std::string_view above = whole.substr(0, NameOffset(whole));
  if (Moves_.size() <= kScanUpTo) {
    // A few moves (a few edited lines): each is tried as a prefix, which
    // costs less than a look at each folder above the path.  Keys end with
    // their delimiter, so a prefix is a folder above; the longest is the
    // nearest.
    const std::pair<const std::string, std::string> *nearest = nullptr;
    for (const auto &move : Moves_)
      if (above.starts_with(move.first) &&
          (nearest == nullptr || move.first.size() > nearest->first.size()))
        nearest = &move;
    return nearest == nullptr ? path : nearest->second + path.substr(nearest->first.size());
  }
  std::string_view folder = above;
  while (!folder.empty()) {
    const auto found = Moves_.find(folder);
    if (found != Moves_.end()) return found->second + path.substr(folder.size());
    if (!EndsWithDelimiter(folder)) break;
    const std::string_view bare = folder.substr(0, folder.size() - 1);
    folder = bare.substr(0, NameOffset(bare));
  }
  return path;
}

// The disk as the rows see it, one folder at a time: the names a folder
// held when first looked at (read once, kept for every later check), and
// what the rows checked so far changed there.  Where the file system
// ignores letter case, names are compared folded, as the rename will find
// them.
class TEditedPlan::TView final : public TPlanView {
public:
  // A new check: the rows' changes go, what the disk holds stays.
  void Reset() {
    for (auto &[dir, folder] : Folders_) folder.Changed.clear();
  }

  // Every row of a check looks here: the folder and the name are views, and
  // a key is made only where case is folded.
  TPlannedEntry Lookup(std::string_view dir, std::string_view name) override {
    TFolder &folder = FolderOf(dir);
    std::string buffer;
    const std::string_view key = KeyOf(folder, name, buffer);
    const auto changed = folder.Changed.find(key);
    if (changed != folder.Changed.end()) {
      TPlannedEntry entry;
      entry.Exists = changed->second.Exists;
      entry.ByPlan = true;
      entry.Attributes = changed->second.Attributes;
      entry.OtherCase = entry.Exists && Folds(folder) && changed->second.Spelt != name;
      return entry;
    }
    if (folder.Names && !folder.Names->contains(key)) return {};
    TPlannedEntry entry;
    if (const std::optional<FindEntry> found = InspectEntry(TEntryRef(std::string(dir).append(name)))) {
      entry.Exists = true;
      entry.Attributes = found->Attributes;
      entry.IsSymlink = found->IsSymlink;
    } else if (folder.Names) {
      // Listed in another case on a file system that ignores it.
      entry.Exists = true;
    }
    return entry;
  }

  bool Vacated(const std::string &) override { return false; }

  std::optional<TFileSystemTraits> FolderTraits(std::string_view folder) override {
    return FolderOf(IncludeTrailingDelimiter(folder)).Traits;
  }

  // Room is not checked again: it does not depend on the names.
  bool ReserveSpace(const std::string &, std::int64_t) override { return true; }

  void Remove(const std::string &path) { Set(path, false, 0); }
  void Put(const std::string &path, std::uint32_t attributes) { Set(path, true, attributes); }

private:
  struct TChange {
    bool Exists = false;
    std::uint32_t Attributes = 0;
    std::string Spelt;  // where case is folded: the name as it is spelt
  };
  struct TFolder {
    std::optional<TFileSystemTraits> Traits;
    // Keys; nullopt: ask the disk.
    std::optional<std::unordered_set<std::string, TTextHash, std::equal_to<>>> Names;
    std::unordered_map<std::string, TChange, TTextHash, std::equal_to<>> Changed;  // by key
  };

  // The key of a name: the name itself, or its folded form (made in
  // `buffer`) where the file system ignores case.
  static bool Folds(const TFolder &folder) { return folder.Traits && folder.Traits->CaseInsensitive; }
  static std::string_view KeyOf(const TFolder &folder, std::string_view name, std::string &buffer) {
    if (!Folds(folder)) return name;
    buffer = NameKey(*folder.Traits, name);
    return buffer;
  }

  void Set(const std::string &path, bool exists, std::uint32_t attributes) {
    const std::size_t at = NameOffset(path);
    const std::string_view name = std::string_view(path).substr(at);
    TFolder &folder = FolderOf(std::string_view(path).substr(0, at));
    std::string buffer;
    const std::string_view key = KeyOf(folder, name, buffer);
    TChange change{exists, attributes, {}};
    if (Folds(folder)) change.Spelt = name;
    if (const auto found = folder.Changed.find(key); found != folder.Changed.end())
      found->second = std::move(change);
    else
      folder.Changed.emplace(std::string(key), std::move(change));
  }

  TFolder &FolderOf(std::string_view dir) {
    const auto found = Folders_.find(dir);
    if (found != Folders_.end()) return found->second;
    TFolder folder;
    // A folder the run will make (a copy's) lies on the file system of the
    // nearest one that is there.
    const std::string path(dir);
    std::string there = path;
    while (!there.empty() && !FolderExists(there)) {
      const std::string bare = ExcludeTrailingDelimiter(there);
      if (bare.size() == there.size()) break;
      there = FolderOfPath(bare);
    }
    if (!there.empty()) folder.Traits = FileSystemOf(there);
    if (const std::optional<std::vector<std::string>> names = ReadFolderNames(path)) {
      folder.Names.emplace();
      folder.Names->reserve(names->size());
      std::string buffer;
      for (const std::string &name : *names) folder.Names->emplace(KeyOf(folder, name, buffer));
    } else if (!FolderExists(path)) {
      folder.Names.emplace();  // not made yet: empty
    }
    return Folders_.emplace(path, std::move(folder)).first->second;
  }

  std::unordered_map<std::string, TFolder, TTextHash, std::equal_to<>> Folders_;
};

TEditedPlan::TEditedPlan(std::vector<TPlanRecord> records, bool makeCopy)
    : Planned_(std::move(records)), Rows_(Planned_), Edits_(Planned_.size()),
      SourceAttributes_(Planned_.size()), PassedOver_(Planned_.size()), MakeCopy_(makeCopy),
      View_(std::make_unique<TView>()) {
  for (const TPlanRecord &row : Rows_)
    if (!row.Ok) ++Failures_;
}

TEditedPlan::~TEditedPlan() = default;

bool TEditedPlan::Editable(std::size_t row) const {
  const TPlanRecord &planned = Planned_[row];
  return planned.Mode == RunMode::Rename && !planned.Temporary && !IsFolderRecord(planned);
}

std::string TEditedPlan::PlannedName(std::size_t row) const {
  return ExtractFileName(Planned_[row].Destination);
}

std::string TEditedPlan::NewName(std::size_t row) const {
  return Edits_[row] ? *Edits_[row] : PlannedName(row);
}

bool TEditedPlan::Store(std::size_t row, const std::string &name) {
  if (row >= Planned_.size() || !Editable(row)) return false;
  std::optional<std::string> &edit = Edits_[row];
  if (edit) --EditCount_;
  if (name == PlannedName(row)) {
    edit.reset();
  } else {
    edit = name;
    ++EditCount_;
  }
  return true;
}

bool TEditedPlan::SetNewName(std::size_t row, const std::string &name) {
  if (!Store(row, name)) return false;
  Check();
  return true;
}

std::size_t TEditedPlan::SetNewNames(const std::vector<std::pair<std::size_t, std::string>> &names) {
  std::size_t taken = 0;
  for (const auto &[row, name] : names) taken += Store(row, name) ? 1 : 0;
  Check();
  return taken;
}

std::size_t TEditedPlan::PassOverUnchanged() {
  std::size_t count = 0, newly = 0;
  for (std::size_t i = 0; i < Rows_.size(); ++i) {
    if (Editable(i) && !Edited(i) && !Rows_[i].Ok && Rows_[i].Failure.Reason == TFailReason::Unchanged) {
      if (!PassedOver_[i]) ++newly;
      PassedOver_[i] = true;
      ++count;
    }
  }
  // A check gives the same rows again when nothing changed since the last
  // one; a plan of many rows is not checked twice for nothing.
  if (newly > 0 || !Checked_) Check();
  return count;
}

std::size_t TEditedPlan::PassedOverCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < Rows_.size(); ++i) count += PassedOver(i) ? 1 : 0;
  return count;
}

std::uint32_t TEditedPlan::SourceAttributes(std::size_t row) {
  std::optional<std::uint32_t> &attributes = SourceAttributes_[row];
  if (!attributes) {
    const std::optional<FindEntry> found = InspectEntry(TEntryRef(Planned_[row].Source));
    attributes = found ? found->Attributes : 0;
  }
  return *attributes;
}

void TEditedPlan::Check() {
  Checked_ = true;
  View_->Reset();
  Failures_ = 0;
  TFolderMoves moves;
  // The change that follows a rename names the renamed file.
  std::string followedPlanned, followedNow;
  for (std::size_t i = 0; i < Planned_.size(); ++i) {
    const TPlanRecord &planned = Planned_[i];
    TPlanRecord &row = Rows_[i];
    row = planned;
    row.Path = moves.Moved(planned.Path);
    row.Destination = moves.Moved(planned.Destination);
    if (planned.Mode != RunMode::Rename || IsFolderRecord(planned)) {
      if (planned.Mode == RunMode::Change && planned.Path == followedPlanned) row.Path = followedNow;
      if (!row.Ok) ++Failures_;
      continue;
    }
    const std::string name = NewName(i);
    const std::string destination = FolderOfPath(row.Destination);
    row.Destination = destination + name;
    if (PassedOver(i)) continue;
    if (!KeptFailure(planned, Edited(i))) {
      TPrediction p;
      if (MakeCopy_) {
        const std::uint32_t attributes = SourceAttributes(i);
        p = PredictRenameTo(*View_, true, FolderOfPath(planned.Source), ExtractFileName(planned.Source),
                            destination, attributes, 0, name);
        if (p.Ok) View_->Put(destination + name, attributes);
      } else {
        // Checked where the target is on the disk, under the name it has
        // when its row runs (a chain's temporary name).
        const std::string folder = FolderOfPath(planned.Source);
        const std::string from = ExtractFileName(planned.Path);
        p = PredictRenameTo(*View_, false, folder, from, folder, 0, 0, name);
        if (p.Ok) {
          View_->Remove(folder + from);
          View_->Put(folder + name, 0);
        }
      }
      row.Ok = p.Ok;
      // A note of the plan's on a success (a shooting time missing) stays
      // with the name the steps made.
      row.Failure = p.Ok && !Edited(i) && planned.Ok ? planned.Failure : p.Failure;
    }
    if (!row.Ok) ++Failures_;
    // Where the rows below a folder target were shown, and where they are now.
    const std::string shownPlanned = MakeCopy_ || planned.Ok ? planned.Destination : planned.Path;
    const std::string shownNow = MakeCopy_ || row.Ok ? row.Destination : row.Path;
    if (shownPlanned != shownNow) moves.Add(shownPlanned, shownNow);
    followedPlanned = planned.Destination;
    followedNow = row.Destination;
  }
}
