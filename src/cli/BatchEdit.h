#pragma once
// The renames korvane-batch runs from their plan rather than from a walk:
// new names read from a list (--names-from FILE), new names edited in a
// text editor (edit), and a plan shown and confirmed before the run
// (--confirm).  Each plans the job first, changes the plan's new names as
// asked, and runs exactly the plan's rows through the run driver, so the
// run is one log and one undo like any other.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/BatchHost.h"
#include "cli/BatchOptions.h"
#include "run/RunDriver.h"

class TEditedPlan;

// True when the options ask for a run that goes through its plan.
bool RunsThroughPlan(const TBatchOptions &options);

TRunOutcome StartPlannedRun(const TBatchOptions &options, TRunDriver &driver, TBatchHost &host);

// One line of a names list: old<TAB>new, both UTF-8 text (bytes that are
// not UTF-8 are taken as they are, as in names on the disk).
struct TNameLine {
  std::size_t Line = 0;  // 1-based
  std::string Old;       // CP932, a path relative to the target folder
  std::string New;       // CP932, a name or the same relative path with a new last part
};

// The lines of a names list; empty lines (and a UTF-8 byte-order mark)
// are passed over.  `error` (UTF-8) names the first line that is not
// old<TAB>new; `shownName` is how messages name the list.
std::vector<TNameLine> ParseNameLines(std::string_view text, const std::string &shownName,
                                      std::string &error);

// The new name a line gives when it names `relative` (the row's path
// relative to the root): a bare name, or the same folder part with a new
// last part; nullopt when it names another folder.
std::optional<std::string> NewNameOf(const std::string &line, const std::string &relative);

// The edits a names list makes to a plan: (row, new name) for every line,
// or `error` (UTF-8) naming the first line whose old name is no target of
// the plan, is given twice, or moves it to another folder.  `root` is the
// target folder with its delimiter.
std::vector<std::pair<std::size_t, std::string>> NameListEdits(const TEditedPlan &plan,
                                                               const std::vector<TNameLine> &lines,
                                                               const std::string &root,
                                                               const std::string &shownName,
                                                               std::string &error);
