#pragma once
// The operation of one run, with the codes the five run buttons carry.

enum class RunMode : int {
  List = -1,
  Rename = 0,
  Copy = 1,
  Delete = 2,
  Change = 3,
};
