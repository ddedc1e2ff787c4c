#pragma once
// The job as the window's controls hold it.  The replace conditions other
// than the one on the selected tab live only in the rename object, so they
// are read from there.

#include "core/JobSettings.h"
#include "ui/TMainControls.h"

class TRenameCn;

JobSettings ReadJobFromControls(const TMainControls &c, const TRenameCn &rename);

// Puts a job into the controls, and the replace conditions into the rename
// object (the selected tab's condition into its controls as well).  Choice
// values outside a list leave it without a selection.  The controls report
// their changes as usual; the full refresh that should follow is the
// caller's.
void WriteJobToControls(const JobSettings &job, const TMainControls &c, TRenameCn &rename);
