#pragma once
// What korvane-batch starts once the job is ready: the run of its mode, the
// plan of a run (--dry-run MODE) or the undo of a log (undo LOGFILE).  The
// plan's and the undo's lines go through the host as a run's do, so stdout,
// --log and the exit status follow the same rules.

#include "cli/BatchHost.h"
#include "cli/BatchOptions.h"
#include "run/RunDriver.h"

TRunOutcome StartRun(const TBatchOptions &options, TRunDriver &driver, TBatchHost &host);

// The mode whose records the output carries: the mode run or planned; an
// undo logs records as a run does (Change stands for it: no notice about
// copies, a summary at the end).
RunMode LoggedMode(const TBatchOptions &options);
