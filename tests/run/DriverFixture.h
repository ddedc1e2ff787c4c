#pragma once
// A run driver with the real operations on a temporary tree, for the
// plan's and the undo's tests: the job lives in the fake host, the folder
// is the tree, deletions skip the trash and renames happen in place.

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "FakeHost.h"
#include "TempTree.h"
#include "ops/UnitFileCn.h"
#include "run/ApplyJob.h"
#include "run/RunDriver.h"

class TDriverFixture : public ::testing::Test {
public:
  TDriverFixture() {
    Job().FindFile.Folder = Tree.Path();
    Job().Delete.Recycled = false;
    Job().Rename.Copy = false;
  }

  JobSettings &Job() { return Host.JobValue; }
  std::string P(std::string_view relative = {}) { return Tree.Path(relative); }

  // Checks these rename steps, in this order, and unchecks the others.
  void EnableSteps(std::initializer_list<int> steps) {
    auto &rename = Job().Rename;
    std::size_t position = 0;
    for (int step : steps) {
      rename.OrderItems[position] = std::string(kStepCaptions[step]);
      rename.OrderChecked[position++] = true;
    }
    for (int step = 0; step < 6; ++step)
      if (std::find(steps.begin(), steps.end(), step) == steps.end()) {
        rename.OrderItems[position] = std::string(kStepCaptions[step]);
        rename.OrderChecked[position++] = false;
      }
  }

  // Renames a to b and b to a (and nothing else: "x" and the rest keep
  // their names).  The numbering adds nothing; it puts the targets in name
  // order whatever order the file system lists them in.
  void Swap() {
    Job().Rename.FromName[0] = "^a$";
    Job().Rename.ToName[0] = "c";
    Job().Rename.FromName[1] = "^b$";
    Job().Rename.ToName[1] = "a";
    Job().Rename.FromName[2] = "^c$";
    Job().Rename.ToName[2] = "b";
    Job().Rename.SeqName = false;
    EnableSteps({kStepSequence, kStepReplace});
  }

  // The job handed to the operations, as the window's refresh does, then run.
  TRunOutcome Run(RunMode mode) {
    ApplyJobToOperations(Job(), Rename, Copy, Delete, Change);
    return Driver.SpeedButtonClick(mode);
  }

  TTempTree Tree;
  TFakeHost Host;
  TRenameCn Rename;
  TCopyCn Copy;
  TDeleteCn Delete;
  TChangeCn Change;
  TRunDriver Driver{Host, Rename, Copy, Delete, Change};
};
