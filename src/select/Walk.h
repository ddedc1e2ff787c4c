#pragma once
// The folder walk.  For each folder it lists the entries that match a filter
// and pass the narrowing, lets the run order them, hands each to the run's
// per-target step, and then goes down into the subfolders.
//
// Order (depth first): a folder's own targets in list order, each folder
// target followed at once by its own subtree, then the subfolders that were
// not targets, in the file system's order.  The closing subfolder scan never
// enters hidden or system folders, nor a symbolic link, whatever the
// narrowing says.
//
// The walk knows nothing of the operations: everything a run decides goes
// through TWalkHooks, and the narrowing options are asked for at each entry,
// so a change the user makes during a run governs the entries tested after it.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "media/MediaReader.h"
#include "platform/DateTime.h"
#include "platform/FileSystem.h"
#include "select/FolderNames.h"
#include "select/TargetEntry.h"

// A local date and time as one comparable number (no calendar arithmetic,
// only order).
std::int64_t LocalTimeKey(const DateTimeParts &value);

// The narrowing and the walk switches, as they stand when asked.
struct TWalkOptions {
  int FileOnly = 0;     // 0 files only, 1 folders only, 2 both
  int SizeFrom = -1;    // KB; below 0: no bound
  int SizeTo = -1;
  bool HasDateFrom = false;  // the date field is filled in
  DateTimeParts DateRangeFrom{};
  bool HasDateTo = false;
  DateTimeParts DateRangeTo{};
  bool ExcReadOnly = true;
  bool ExcHidden = true;
  bool ExcSysFile = true;
  bool SubFolder = false;
  // After a folder target and its subtree: remove the folder (it goes only
  // when empty by then).  Delete runs, and Copy runs that delete sources.
  bool RemoveFolderTargets = false;
  // Closing scan: walk subfolders into the same destination (a Copy run of
  // files only flattens the tree).
  bool FlattenSubfolders = false;
  // The run makes no folders (List, Change, Delete, a rename in place): the
  // subfolders a match-all filter listed are still the folder's subfolders
  // at the closing scan (those it renamed or removed are targets, which the
  // scan skips anyway, and a rename never replaces), so the folder need not
  // be listed a second time.
  bool SubfoldersStayPut = false;
};

// Exclusion list: extensions compared whole, ASCII letter case ignored.
class TExclusionList {
public:
  explicit TExclusionList(const std::vector<std::string> &entries);
  bool Contains(std::string_view extension) const;
  bool Empty() const { return Empty_; }

private:
  bool Empty_;
  std::unordered_set<std::string> Lowered_;
};

// The extension of a name: from its last '.' to the end, dot included;
// empty without a dot.  ('.' is never a trail byte in CP932.)
std::string_view NameExtension(std::string_view name);

// True when the entry passes the narrowing, tests in order: kind, size
// from, size to, time from, time to, attributes, extension.
bool AcceptEntry(const FindEntry &entry, const TExclusionList &exclusions,
                 const TWalkOptions &options);

// One folder level as the per-target step sees it.
struct TWalkLevel {
  std::string_view FolderArg;       // as handed to the walk of this level
  std::string_view DestinationArg;
  std::string_view Folder;          // with its trailing delimiter
  std::string_view Destination;     // with its trailing delimiter
  // The folder held open while its targets are processed: the step names
  // each target relative to it (TEntryRef), so a folder swapped for a link
  // since the listing sends no operation elsewhere.
  const TFolderHandle *Held = nullptr;
};

// What the per-target step reports back for the descent into a folder
// target: walk Folder + SourceName into Destination + DestinationName.
// The names are read for a folder target only.
struct TTargetOutcome {
  std::string SourceName;
  std::string DestinationName;
  // Add DestinationName to the level's FolderNames, so the closing scan does
  // not enter a folder the step has just made or renamed in this folder.
  bool RememberDestinationName = false;
  // False: the folder target is not walked (it is gone whole, or it comes
  // again later in the level's list).
  bool Descend = true;
};

class TWalkHooks {
public:
  virtual ~TWalkHooks() = default;
  // The options as they stand now; asked for at every entry.
  virtual const TWalkOptions &Options() = 0;
  // Pump the front end's events; then tell whether the run was aborted.
  virtual void ProcessMessages() = 0;
  virtual bool Aborted() = 0;
  // The folder entered (with its delimiter), for the status panel.
  virtual void EnterFolder(const std::string &folder) = 0;
  // Right before EnterFolder, when the folder could be opened: the folder
  // as the walk holds it, for a step that reads it through the handle
  // rather than by its path again.  Valid until the level ends.
  virtual void HoldFolder(const TFolderHandle &) {}
  // True for a step that wants every name of each folder the walk lists,
  // targets or not; the walk then hands them to NamesRead once the level
  // is listed, read in the same pass as the targets.  Names not Whole (a
  // name without a CP932 form, a listing cut short, no listing at all)
  // are the step's to read again if it must.
  virtual bool WantsNamesRead() { return false; }
  virtual void NamesRead(TNamesRead &&) {}
  // Before a level's targets are processed (not called after an abort):
  // the run may reorder them (numbering), list one again under another
  // name (a swap through a temporary name) and reset its counters.
  virtual void PrepareLevel(std::vector<TargetEntry> &entries) = 0;
  // What the run needs to know of its targets' contents; asked once per
  // level, after the listing and before PrepareLevel.
  virtual TMediaNeed MediaNeed() { return TMediaNeed::None; }
  // True for a step that may take a level's targets as the listing finds
  // them: it needs no media and never reorders a level, so PrepareLevel and
  // MediaNeed are not asked.  The walk streams a level only when the run's
  // destination is not the folder listed, so that nothing the step makes
  // can turn up in the listing.  The step's acts then overlap the
  // examination of the entries after them.  Asked once per level.
  virtual bool StreamsLevel() { return false; }
  // True for a file the run itself keeps (its log, its journal): never a
  // target, wherever it lies.
  virtual bool IsRunsOwnFile(const TFileId &) { return false; }
  // The name of the folder being processed (FolderNameText); every level.
  virtual void SetFolderName(const std::string &name) = 0;
  // The per-target step.
  virtual TTargetOutcome ProcessTarget(const TargetEntry &entry, const TWalkLevel &level) = 0;
  // After a folder target and the walk of its subtree (or at once, when it
  // is not walked): a run that removes its folder targets does it here.
  virtual void FinishFolderTarget(const TargetEntry &, const TWalkLevel &) {}
  // A folder that could not be opened or read to its end (errno `error`):
  // what it holds was not, or not wholly, processed.  A folder that is gone
  // (ENOENT) is not reported: a run may have moved it on purpose.
  virtual void FolderFailed(const std::string &, int) {}
};

// The folders the closing scan may enter (not hidden, not system, no link),
// in the file system's order, as a listing of every name found them.
struct TSubfolderList {
  bool Complete = false;  // a filter matched every name and was listed to its end
  std::vector<std::string> Names;
};

// The folder a run writes into (the copy folder), when it is not the
// folder walked.  It may lie inside the walked tree (Folder=t, copy folder
// t/out): then it and all the run creates in it are the run's output and
// must never be walked as its source, or a copy of t/out would land in
// t/out/out, be walked again, and so on until paths grow too long.
class TOutputFolder {
public:
  TOutputFolder() = default;  // no output folder
  // `source` is the identity of the walked folder.
  TOutputFolder(std::string path, std::optional<TFileId> source);
  // True when `id` is the output folder.
  bool Is(const TFileId &id);

private:
  std::string Path_;
  std::optional<TFileId> Source_;
  std::optional<TFileId> Id_;
  bool Active_ = false;
};

// True for a filter that matches every name ("*", "*.*").
bool MatchesEveryName(std::string_view filter);

// Names passed over because they cannot be represented in CP932, as the
// file system gives them; a set, so a name several filters match counts once.
using TPassedOver = std::unordered_set<std::string>;

// Takes each target of a level's listing as soon as it is found.
using TLevelSink = std::function<void(TargetEntry &&)>;

// Lists one level, the folder `held` whose path is `folder`, handing each
// target to `take`: filter by filter, each filter's matches in the file
// system's order, no name twice.  `names` gets the names a later filter or
// the closing scan must skip: every target's but the files of the last
// filter.  When `subfolders` is given, the first match-all filter's listing
// also fills it.  Names that cannot be represented in CP932 go into
// `passedOver`.  The `output` folder is neither a target nor a subfolder to
// walk.  Returns 0, or the errno of the first listing that failed (the
// entries read before it are kept).  The entries' Folder is `folder`.
int ListFolder(TFolderNames &names, const TFolderHandle &held, std::string_view folder,
               const std::vector<std::string> &filters, const TExclusionList &exclusions,
               TWalkHooks &hooks, TSubfolderList *subfolders, TPassedOver *passedOver,
               TOutputFolder *output, const TLevelSink &take);
// The same, gathering the level's targets into `entries`.
int ListFolder(std::vector<TargetEntry> &entries, TFolderNames &names, const TFolderHandle &held,
               std::string_view folder, const std::vector<std::string> &filters,
               const TExclusionList &exclusions, TWalkHooks &hooks,
               TSubfolderList *subfolders = nullptr, TPassedOver *passedOver = nullptr,
               TOutputFolder *output = nullptr);

class TFolderWalk {
public:
  // listOnly: a List run (the step only lists; no descent, removal or abort
  // check per target).  Such a walk hands each target to the step as soon
  // as the listing finds it, without gathering the level first, so a folder
  // of a million names costs no memory for its entries; it asks for no
  // media and calls no PrepareLevel (a list is never reordered).
  TFolderWalk(TWalkHooks &hooks, bool listOnly, const std::vector<std::string> &filters,
              const TExclusionList &exclusions)
      : Hooks_(hooks), ListOnly_(listOnly), Filters_(filters), Exclusions_(exclusions) {}

  // Walks one folder level and everything below it.  The first call (the
  // run's) takes `destination` as the output folder: when it lies in the
  // tree, it is never walked, and neither is anything the run makes in it.
  // Each folder is held open while it is walked, and every folder below
  // the first is opened relative to the one above it without following a
  // link, so the walk never leaves the tree through a folder swapped for a
  // link after it was listed.
  void WalkFolder(const std::string &folder, const std::string &destination);

  // Names passed over so far because they cannot be represented in CP932.
  std::size_t Unrepresentable() const { return Unrepresentable_; }
  // The first few of them as full paths (UTF-8, as far as they convert), so
  // that a report can name them.
  const std::vector<std::string> &PassedOverExamples() const { return PassedOverExamples_; }
  static constexpr std::size_t kPassedOverExamples = 3;

  // The reader of the targets' media (the libraries' when none is set).
  void SetMediaReader(const TMediaReader *reader) { Reader_ = reader; }

private:
  // One level: the folder `held` (maybe not open: then nothing is listed),
  // whose path is `folder`.
  void WalkLevel(const TFolderHandle &held, const std::string &folder,
                 const std::string &destination);
  // The level of the subfolder `name` of `parent`.
  void WalkInto(const TFolderHandle &parent, const std::string &name, const std::string &folder,
                const std::string &destination);
  // Hands one target of the level to the step, then walks its subtree when
  // it is a folder to descend into.
  void TakeTarget(const TargetEntry &entry, const TWalkLevel &level, const TFolderHandle &held,
                  const std::string &dir, const std::string &dest, TFolderNames &names);
  // The subfolders of `held`; `error` gets the errno of a listing that failed.
  std::vector<std::string> ScanSubfolders(const TFolderHandle &held, TSubfolderList &listed,
                                          TPassedOver &passedOver, int &error);
  TWalkHooks &Hooks_;
  bool ListOnly_;
  const std::vector<std::string> &Filters_;
  const TExclusionList &Exclusions_;
  std::size_t Unrepresentable_ = 0;
  int Depth_ = 0;
  TOutputFolder Output_;
  std::vector<std::string> PassedOverExamples_;
  const TMediaReader *Reader_ = nullptr;
  // The entries of the level at each depth, kept from one folder to the
  // next so a level reuses the room its predecessors grew (a deque: a
  // deeper level added never moves a shallower one's list).
  std::deque<std::vector<TargetEntry>> LevelEntries_;
};
