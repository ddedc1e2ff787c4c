#pragma once
// The job as the window's controls hold it.  The replace conditions other
// than the one on the selected tab live only in the rename object, so they
// are read from there.

#include "core/JobSettings.h"
#include "ui/TMainControls.h"

class TRenameCn;

JobSettings ReadJobFromControls(const TMainControls &c, const TRenameCn &rename);
