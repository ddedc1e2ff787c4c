#pragma once
// --steps LIST and --in-place: the rename steps by name, and a rename in
// place, without the order-list keys.

#include <string>
#include <string_view>
#include <vector>

#include "core/JobSettings.h"

// The steps a --steps list names, in its order: comma-separated names, the
// English aliases replace, number, case, date, ext and folder (letter case
// ignored) or the step names of the order list; blanks around a name are
// dropped.  `list` is CP932.  An unknown name, a step named twice or an
// empty list is refused with a message (UTF-8) in `error`.
std::vector<int> ParseSteps(std::string_view list, std::string &error);

// Checks `steps` at the first positions of the order list in their order
// and unchecks the others, which follow in the order they had (a step a
// settings file left out takes the place of one it held twice), so the list
// holds each of the six steps once.
void CheckSteps(JobSettings::RenameGroup &rename, const std::vector<int> &steps);

// A names list or an editor gives the new names itself: a job that checks
// no step would be refused as a rename that renames nothing.  Such a job
// gets the case step, set to change nothing (letter case kept, no width or
// kana conversion), so that every target's planned name is its own and only
// the names given change.  A job that checks a step is left as it is.
void StepThatKeepsNames(JobSettings::RenameGroup &rename);
