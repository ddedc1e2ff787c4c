#pragma once
// A rename plan whose new names can be changed by hand before it runs: the
// preview's edits, korvane-batch --names-from and korvane-batch edit.
//
// The rows are the records of TRunDriver::PlanRun, in the order the run
// acts.  Setting a row's new name checks the whole plan again at once:
// every rename, in order, against the names the disk holds and the names
// the rows before it take or give up, so an edit into a name another row
// takes fails, and a row an edit made room for succeeds again.  A folder
// whose new name changes (or that will now keep its name) carries the rows
// below it along.  TRunDriver::RunEditedPlan then acts on exactly these
// rows, through the same rename, log and undo as any run.
//
// What the check judges anew is what depends on the name: a name taken on
// the disk or by an earlier row, an unchanged name, a name that is not
// plain or that the file system cannot hold.  Any other failure the plan
// predicted stays with its row (a copy that does not fit, a time without a
// date form when the row keeps the pipeline's name).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/TextHash.h"
#include "run/RunPlan.h"

// Folders of a plan that end up somewhere else than the plan showed them
// (their new name was edited, or their rename now fails): every path below
// such a folder is moved along with it.  Folders are kept with their
// delimiter.
class TFolderMoves {
public:
  // `planned` and `actual` are folder paths without their delimiter.
  void Add(const std::string &planned, const std::string &actual);
  // `path` with its nearest moved folder replaced.
  std::string Moved(const std::string &path) const;
  bool Empty() const { return Moves_.empty(); }

private:
  static constexpr std::size_t kScanUpTo = 16;
  std::unordered_map<std::string, std::string, TTextHash, std::equal_to<>> Moves_;
};

// The folder part of a path, delimiter included ("" for a bare name).
std::string FolderOfPath(const std::string &path);

class TEditedPlan {
public:
  // The records a rename plan gave its sink; `makeCopy`: the job makes
  // renamed copies (Rename.Copy) rather than renaming in place.
  TEditedPlan(std::vector<TPlanRecord> records, bool makeCopy);
  ~TEditedPlan();
  TEditedPlan(const TEditedPlan &) = delete;
  TEditedPlan &operator=(const TEditedPlan &) = delete;

  std::size_t Size() const { return Rows_.size(); }
  // The row as it stands: its new name, its paths moved with edited
  // folders, and the outcome the last check predicts.
  const TPlanRecord &Row(std::size_t row) const { return Rows_[row]; }
  // The record as the plan made it.
  const TPlanRecord &Planned(std::size_t row) const { return Planned_[row]; }

  // A row whose new name may be edited: the rename of a target (not the
  // move of a chain to a temporary name, not a folder that could not be
  // read, not the change that follows a rename).
  bool Editable(std::size_t row) const;
  bool Edited(std::size_t row) const { return Edits_[row].has_value(); }
  std::size_t EditCount() const { return EditCount_; }

  // A row's new name (the last part of its destination), now and as the
  // steps made it.
  std::string NewName(std::size_t row) const;
  std::string PlannedName(std::size_t row) const;

  // Sets the new name of an editable row (CP932, one name); the name the
  // steps made takes the edit back.  False, changing nothing, for a row
  // that cannot be edited.  The whole plan is checked again.
  bool SetNewName(std::size_t row, const std::string &name);
  // Many rows at once, with one check.  Rows that cannot be edited are
  // passed over; the count of those taken is returned.
  std::size_t SetNewNames(const std::vector<std::pair<std::size_t, std::string>> &names);

  // Rows predicted to fail.
  std::size_t Failures() const { return Failures_; }

  // Leaves out of the run every rename that neither the steps nor an edit
  // changes (a names list names only the files it renames); returns how
  // many.  A row edited afterwards is run again.  Such a row is no record
  // of the run and no failure of the plan.
  std::size_t PassOverUnchanged();
  bool PassedOver(std::size_t row) const { return PassedOver_[row] && !Edited(row); }
  // Rows the run acts on.
  std::size_t RowsToRun() const { return Size() - PassedOverCount(); }
  bool MakesCopies() const { return MakeCopy_; }

private:
  class TView;
  bool Store(std::size_t row, const std::string &name);
  void Check();
  std::uint32_t SourceAttributes(std::size_t row);
  std::size_t PassedOverCount() const;

  std::vector<TPlanRecord> Planned_;
  std::vector<TPlanRecord> Rows_;
  std::vector<std::optional<std::string>> Edits_;
  std::vector<std::optional<std::uint32_t>> SourceAttributes_;  // copies: read when first needed
  std::vector<bool> PassedOver_;
  bool MakeCopy_ = false;
  std::size_t EditCount_ = 0;
  std::size_t Failures_ = 0;
  bool Checked_ = false;  // the rows are checked as the edits and passings over stand
  // What the disk holds, read once per folder and kept for later checks.
  std::unique_ptr<TView> View_;
};
