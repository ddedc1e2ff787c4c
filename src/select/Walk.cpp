#include "select/Walk.h"

#include <algorithm>
#include <cerrno>
#include <limits>

#include "platform/Cp932.h"
#include "platform/Paths.h"
#include "select/FolderName.h"
#include "select/LevelMedia.h"

std::int64_t LocalTimeKey(const DateTimeParts &value) {
  std::int64_t key = value.Year;
  key = key * 13 + value.Month;
  key = key * 32 + value.Day;
  key = key * 24 + value.Hour;
  key = key * 60 + value.Minute;
  key = key * 60 + value.Second;
  return key;
}

TExclusionList::TExclusionList(const std::vector<std::string> &entries) : Empty_(entries.empty()) {
  for (const std::string &entry : entries) Lowered_.insert(LowerCaseCp932(entry));
}

bool TExclusionList::Contains(std::string_view extension) const {
  return Lowered_.count(LowerCaseCp932(extension)) != 0;
}

std::string_view NameExtension(std::string_view name) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {};
  return name.substr(dot);
}

bool AcceptEntry(const FindEntry &entry, const TExclusionList &exclusions,
                 const TWalkOptions &options) {
  const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
  if (options.FileOnly == 0 && isFolder) return false;
  if (options.FileOnly == 1 && !isFolder) return false;

  const std::int64_t size = isFolder ? 0 : entry.Size;
  if (options.SizeFrom >= 0 && size < std::int64_t{options.SizeFrom} * 1024) return false;
  if (options.SizeTo >= 0 && size > std::int64_t{options.SizeTo} * 1024) return false;

  if (options.HasDateFrom || options.HasDateTo) {
    // A time outside 1980-2107 has no packed form, but it still lies before
    // every bound or after every bound; read as 0 it would pass them all.
    const std::int64_t time = entry.TimeOutside < 0   ? std::numeric_limits<std::int64_t>::min()
                              : entry.TimeOutside > 0 ? std::numeric_limits<std::int64_t>::max()
                                                      : LocalTimeKey(UnpackDosDateTime(entry.Time));
    if (options.HasDateFrom && time < LocalTimeKey(options.DateRangeFrom)) return false;
    if (options.HasDateTo && time > LocalTimeKey(options.DateRangeTo)) return false;
  }

  if (options.ExcReadOnly && (entry.Attributes & kAttrReadOnly)) return false;
  if (options.ExcHidden && (entry.Attributes & kAttrHidden)) return false;
  if (options.ExcSysFile && (entry.Attributes & kAttrSystem)) return false;

  std::string_view extension = NameExtension(entry.Name);
  if (extension.empty()) return true;
  return exclusions.Empty() || !exclusions.Contains(extension);
}

namespace {

// What the closing scan enters: folders that are neither hidden nor system
// (whatever the narrowing says) and no symbolic links.
bool IsWalkableFolder(const FindEntry &entry) {
  return (entry.Attributes & kAttrDirectory) && !entry.IsSymlink &&
         !(entry.Attributes & (kAttrHidden | kAttrSystem));
}

}  // namespace

TOutputFolder::TOutputFolder(std::string path, std::optional<TFileId> source)
    : Path_(std::move(path)), Source_(source), Active_(true) {}

bool TOutputFolder::Is(const TFileId &id) {
  if (!Active_) return false;
  if (!Id_) {
    // Looked for until it exists: a renamed copy may create it in mid-run.
    Id_ = GetFileId(Path_);
    if (!Id_) return false;
    // Output into the walked folder itself: each level keeps what it makes
    // out of its own listing (FolderNames), and nothing is to be fenced off.
    if (Source_ && *Id_ == *Source_) {
      Active_ = false;
      return false;
    }
  }
  return id == *Id_;
}

namespace {

// A level that grows past this many targets is given room for all of them.
constexpr std::size_t kGrowWholeFrom = 256;

// True when `destination` is the folder `held` itself, or may be (it cannot
// be told): what a run makes there could turn up in the folder's listing.
bool IsListedFolder(const TFolderHandle &held, const std::string &destination) {
  const std::optional<TFileId> listed = held.Id();
  if (!listed) return true;
  const std::optional<TFileId> written = GetFileId(destination);
  if (written) return *written == *listed;
  // A folder not made yet is no folder listed now.
  return errno != ENOENT && errno != ENOTDIR;
}

}  // namespace

bool MatchesEveryName(std::string_view filter) { return filter == "*" || filter == "*.*"; }

int ListFolder(std::vector<TargetEntry> &entries, TFolderNames &names, const TFolderHandle &held,
               std::string_view folder, const std::vector<std::string> &filters,
               const TExclusionList &exclusions, TWalkHooks &hooks,
               TSubfolderList *subfolders, TPassedOver *passedOver, TOutputFolder *output) {
  return ListFolder(names, held, folder, filters, exclusions, hooks, subfolders, passedOver, output,
                    [&entries, &held](TargetEntry &&entry) {
                      // A level that outgrows a small folder's room gets
                      // what its folder's size suggests at once: a page is
                      // then touched once, not again at every doubling,
                      // and a first touch is a page fault.
                      if (entries.size() == entries.capacity() && entries.size() >= kGrowWholeFrom)
                        entries.reserve(std::max(entries.capacity() * 2, held.EntryCountGuess()));
                      entries.push_back(std::move(entry));
                    });
}

int ListFolder(TFolderNames &names, const TFolderHandle &held, std::string_view folder,
               const std::vector<std::string> &filters, const TExclusionList &exclusions,
               TWalkHooks &hooks, TSubfolderList *subfolders, TPassedOver *passedOver,
               TOutputFolder *output, const TLevelSink &take) {
  int error = 0;
  const bool wantsNames = hooks.WantsNamesRead();
  TNamesRead namesRead;
  for (std::size_t at = 0; at < filters.size(); ++at) {
    const std::string &filter = filters[at];
    TSubfolderList *collect =
        subfolders && !subfolders->Complete && MatchesEveryName(filter) ? subfolders : nullptr;
    if (collect) collect->Names.clear();
    // A name is kept for the filters after this one, which must not list it
    // again, and for the closing scan, which must not enter a folder target
    // again: a file of the last filter is wanted by neither.
    const bool lastFilter = at + 1 == filters.size();
    bool stopped = false;
    const FindResult found = FindEach(
        held, filter, TFindScope::Everything,
        [&hooks] {
          hooks.ProcessMessages();
          return !hooks.Aborted();
        },
        [&](FindEntry &entry) {
          const bool isFolder = (entry.Attributes & kAttrDirectory) != 0;
          if (output && isFolder && output->Is(entry.Id)) return true;
          if (!isFolder && hooks.IsRunsOwnFile(entry.Id)) return true;
          if (collect && IsWalkableFolder(entry)) collect->Names.push_back(entry.Name);
          if (!AcceptEntry(entry, exclusions, hooks.Options())) return true;
          if (names.Size() != 0 && names.Contains(entry.Name)) return true;
          if (!lastFilter || isFolder) names.Add(entry.Name);
          take(TargetEntry{folder, std::move(entry.Name), entry.Attributes,
                           isFolder ? 0 : entry.Size, entry.Time, entry.IsSymlink, nullptr,
                           entry.Id});
          hooks.ProcessMessages();
          stopped = hooks.Aborted();
          return !stopped;
        },
        wantsNames && at == 0 ? &namesRead : nullptr);
    // A stop by the user (ECANCELED) is no failure of the folder's.
    if (!found.Ok && error == 0 && found.Error != ECANCELED) error = found.Error;
    if (passedOver) passedOver->insert(found.UnrepresentableNames.begin(), found.UnrepresentableNames.end());
    if (collect && found.Ok && !stopped) collect->Complete = true;
  }
  if (wantsNames) hooks.NamesRead(std::move(namesRead));
  return error;
}

void TFolderWalk::TakeTarget(const TargetEntry &entry, const TWalkLevel &level,
                             const TFolderHandle &held, const std::string &dir,
                             const std::string &dest, TFolderNames &names) {
  TTargetOutcome outcome = Hooks_.ProcessTarget(entry, level);
  if (outcome.RememberDestinationName) names.Add(outcome.DestinationName);
  if (entry.Attributes & kAttrDirectory) {
    if (outcome.Descend && Hooks_.Options().SubFolder && !entry.IsSymlink)
      WalkInto(held, outcome.SourceName, dir + outcome.SourceName, dest + outcome.DestinationName);
    Hooks_.FinishFolderTarget(entry, level);
  }
}

std::vector<std::string> TFolderWalk::ScanSubfolders(const TFolderHandle &held,
                                                     TSubfolderList &listed,
                                                     TPassedOver &passedOver, int &error) {
  if (listed.Complete && Hooks_.Options().SubfoldersStayPut) return std::move(listed.Names);
  FindResult found = FindFiles(held, "*.*", TFindScope::Folders, [this] {
    Hooks_.ProcessMessages();
    return !Hooks_.Aborted();
  });
  if (!found.Ok && found.Error != ECANCELED) error = found.Error;
  passedOver.insert(found.UnrepresentableNames.begin(), found.UnrepresentableNames.end());
  std::vector<std::string> names;
  for (FindEntry &entry : found.Entries)
    if (entry.Name != "." && entry.Name != ".." && IsWalkableFolder(entry) && !Output_.Is(entry.Id))
      names.push_back(std::move(entry.Name));
  return names;
}

void TFolderWalk::WalkFolder(const std::string &folder, const std::string &destination) {
  const TFolderHandle held = TFolderHandle::Open(folder);
  if (!held.Valid() && errno != ENOENT) Hooks_.FolderFailed(folder, errno);
  // The walk that starts the run fences off the folder it writes into.
  if (Depth_ == 0) Output_ = TOutputFolder(destination, held.Id());
  WalkLevel(held, folder, destination);
}

void TFolderWalk::WalkInto(const TFolderHandle &parent, const std::string &name,
                           const std::string &folder, const std::string &destination) {
  // A folder that cannot be opened (no access, too many open, a link in its
  // place) is a level without entries, and reported; one that is gone is
  // nothing to report.
  TFolderHandle held = parent.OpenSubfolder(name);
  if (!held.Valid() && errno != ENOENT) Hooks_.FolderFailed(folder, errno);
  WalkLevel(held, folder, destination);
}

void TFolderWalk::WalkLevel(const TFolderHandle &held, const std::string &folder,
                            const std::string &destination) {
  struct TDepth {
    int &Depth;
    ~TDepth() { --Depth; }
  } depth{++Depth_};

  const std::string dir = IncludeTrailingDelimiter(folder);
  const std::string dest = IncludeTrailingDelimiter(destination);
  if (held.Valid()) Hooks_.HoldFolder(held);
  Hooks_.EnterFolder(dir);

  TFolderNames names;
  TSubfolderList listedSubfolders;
  TPassedOver passedOver;
  bool reported = !held.Valid();
  // A folder not opened was reported already.
  const auto reportListing = [&](int listError) {
    if (listError == 0 || listError == ENOENT || !held.Valid()) return;
    Hooks_.FolderFailed(folder, listError);
    reported = true;
  };
  if (ListOnly_) {
    Hooks_.SetFolderName(LastFolderName(dir));
    const TWalkLevel level{folder, destination, dir, dest, &held};
    const int listError = ListFolder(
        names, held, dir, Filters_, Exclusions_, Hooks_,
        Hooks_.Options().SubFolder ? &listedSubfolders : nullptr, &passedOver, &Output_,
        [&](TargetEntry &&entry) { Hooks_.ProcessTarget(entry, level); });
    reportListing(listError);
  } else if (held.Valid() && Hooks_.StreamsLevel() && !IsListedFolder(held, destination)) {
    Hooks_.SetFolderName(LastFolderName(dir));
    const TWalkLevel level{folder, destination, dir, dest, &held};
    // The listing pumps after each target, and stops at an abort.
    const int listError = ListFolder(
        names, held, dir, Filters_, Exclusions_, Hooks_,
        Hooks_.Options().SubFolder ? &listedSubfolders : nullptr, &passedOver, &Output_,
        [&](TargetEntry &&entry) { TakeTarget(entry, level, held, dir, dest, names); });
    reportListing(listError);
  } else {
    if (LevelEntries_.size() < static_cast<std::size_t>(Depth_)) LevelEntries_.resize(Depth_);
    std::vector<TargetEntry> &entries = LevelEntries_[Depth_ - 1];
    struct TClear {
      std::vector<TargetEntry> &Entries;
      ~TClear() { Entries.clear(); }
    } clear{entries};
    const int listError =
        ListFolder(entries, names, held, dir, Filters_, Exclusions_, Hooks_,
                   Hooks_.Options().SubFolder ? &listedSubfolders : nullptr, &passedOver, &Output_);
    reportListing(listError);
    Hooks_.ProcessMessages();
    const TMediaNeed need = Hooks_.Aborted() ? TMediaNeed::None : Hooks_.MediaNeed();
    if (need != TMediaNeed::None)
      ReadLevelMedia(entries, held, need, Reader_ ? *Reader_ : TMediaReader::Default(), Hooks_);
    if (!Hooks_.Aborted()) Hooks_.PrepareLevel(entries);
    Hooks_.SetFolderName(LastFolderName(dir));
    Hooks_.ProcessMessages();

    if (!Hooks_.Aborted()) {
      const TWalkLevel level{folder, destination, dir, dest, &held};
      for (const TargetEntry &entry : entries) {
        TakeTarget(entry, level, held, dir, dest, names);
        Hooks_.ProcessMessages();
        if (Hooks_.Aborted()) break;
      }
    }
  }
  Hooks_.ProcessMessages();

  if (!Hooks_.Aborted() && Hooks_.Options().SubFolder) {
    int scanError = 0;
    const std::vector<std::string> subfolders = ScanSubfolders(held, listedSubfolders, passedOver, scanError);
    if (scanError != 0 && scanError != ENOENT && !reported) Hooks_.FolderFailed(folder, scanError);
    for (const std::string &name : subfolders) {
      if (names.Contains(name)) continue;
      if (Hooks_.Options().FlattenSubfolders)
        WalkInto(held, name, dir + name, dest);
      else
        WalkInto(held, name, dir + name, dest + name);
      Hooks_.ProcessMessages();
      if (Hooks_.Aborted()) break;
    }
  }
  Unrepresentable_ += passedOver.size();
  if (PassedOverExamples_.size() < kPassedOverExamples && !passedOver.empty()) {
    std::vector<std::string> sorted(passedOver.begin(), passedOver.end());
    std::sort(sorted.begin(), sorted.end());
    for (const std::string &name : sorted) {
      if (PassedOverExamples_.size() == kPassedOverExamples) break;
      PassedOverExamples_.push_back(Cp932ToUtf8Lossy(dir) + name);
    }
  }
}
