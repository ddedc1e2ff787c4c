#pragma once
// Chains and swaps of a rename in place (Rename.ResolveChains).
//
// Run one by one in list order, a rename whose new name still belongs to
// another target fails, even when that target is renamed away a moment
// later (a -> b, b -> c), and a swap (a -> b, b -> a) can never succeed.
// With chains resolved, a folder's names are all built first, in list
// order, as the run would build them (numbering, each file's own date), and
// the renames are then ordered so that each waits for the target whose name
// it takes: the renames that take free names first, then those that take
// the names just freed.  A cycle is broken by moving its first member (in
// list order) to a temporary name in the same folder, then the rest of the
// cycle, then the first member from its temporary name to its new one.
// Every move is a record of its own, the temporary one included, so a run
// stopped half-way leaves nothing that its log cannot take back.
//
// The level's entries are rewritten into the order of the moves; a cycle's
// first member appears twice, under its own name and then under its
// temporary one.  Work is linear in the level's targets.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ops/Prediction.h"
#include "select/TargetEntry.h"

class TRenameCn;

struct TChainStep {
  std::string Original;  // the target's name as listed
  std::string From;      // its name when the step runs (a temporary name in the last step of a cycle)
  std::string To;        // the name the step gives it
  bool Tried = true;     // false: the pipeline refused the name; a failure without a move
  TFailReason Refusal = TFailReason::None;  // why, when not tried
  bool Final = true;     // false for the move to a temporary name
};

class TChainLevels {
public:
  // Builds the names of one level's targets in their order, orders the
  // moves and rewrites `entries` into that order.  `folderName` is the
  // level's folder name for the pipeline (FolderNameText); `taken` tells
  // whether a name is in use in the folder now (a temporary name must not be).
  void Prepare(TRenameCn &rename, std::vector<TargetEntry> &entries, const std::string &folderName,
               const std::function<bool(const std::string &)> &taken);

  // The step of the next target handed over for `folder` (the entries'
  // Folder), or nothing for a level that was not prepared here.
  std::optional<TChainStep> Next(const std::string &folder);

  bool Empty() const { return Levels_.empty(); }

private:
  struct TLevel {
    std::vector<TChainStep> Steps;
    std::size_t Next = 0;
  };
  std::unordered_map<std::string, TLevel> Levels_;
};

// The order of the moves of one level: `from`/`to` are each target's old and
// new name, `moves` whether it is renamed at all.  Each result is (index,
// kind): kind 0 a move to the new name, 1 a move to a temporary name, 2 the
// move from the temporary name to the new one.  Exposed for tests.
struct TChainOrderStep {
  std::size_t Index;
  int Kind;
};
std::vector<TChainOrderStep> OrderChainMoves(const std::vector<std::string> &from,
                                             const std::vector<std::string> &to,
                                             const std::vector<bool> &moves);
