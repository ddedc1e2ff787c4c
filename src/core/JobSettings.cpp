#include "core/JobSettings.h"

#include <utility>

int StepNumberOfCaption(std::string_view caption) {
  for (std::size_t k = 0; k < kStepCaptions.size(); ++k) {
    if (caption == kStepCaptions[k]) return static_cast<int>(k);
  }
  return -1;
}

// A checked item whose upper neighbour is unchecked swaps with it and then
// keeps rising: the inner loop revisits the position it came from (and the
// one above it), so the item bubbles up past every unchecked item above.
// Applied from the top down this is a stable partition, and it is the only
// way the list is ever reordered, so the order of the checked steps stays the
// order in which the user checked them.
std::size_t KeepCheckedFirst(JobSettings::RenameGroup &rename, std::size_t index) {
  if (index > 0 && index < kStepCount && rename.OrderChecked[index] &&
      !rename.OrderChecked[index - 1]) {
    std::swap(rename.OrderItems[index - 1], rename.OrderItems[index]);
    std::swap(rename.OrderChecked[index - 1], rename.OrderChecked[index]);
    std::size_t j = index - 1;
    while (j < index + 1) j = KeepCheckedFirst(rename, j);
  }
  return index + 1;
}

namespace {

void SelectDefaultWhenUnselected(int &choice, std::size_t itemCount, int defaultIndex) {
  if (choice < 0 || static_cast<std::size_t>(choice) >= itemCount) choice = defaultIndex;
}

}  // namespace

void NormaliseJob(JobSettings &job) {
  std::size_t index = 0;
  while (index < kStepCount) index = KeepCheckedFirst(job.Rename, index);

  SelectDefaultWhenUnselected(job.Rename.SeqSort, kSeqSortItems.size(), kDefaultSeqSort);
  SelectDefaultWhenUnselected(job.Copy.Delete, kCopyDeleteItems.size(), kDefaultCopyDelete);
  SelectDefaultWhenUnselected(job.Copy.Same, kCopySameItems.size(), kDefaultCopySame);
  SelectDefaultWhenUnselected(job.Copy.OverWrite, kCopyOverWriteItems.size(),
                              kDefaultCopyOverWrite);
  SelectDefaultWhenUnselected(job.Copy.Alias, kCopyAliasItems.size(), kDefaultCopyAlias);
}
