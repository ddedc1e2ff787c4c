#include "core/JobSettings.h"

#include <utility>

const std::array<std::string_view, kStepCount> kStepCaptions = {
    "文字列置換", "連番", "大/小文字", "更新日付付加", "拡張子", "フォルダ名付加"};
const std::array<std::string_view, 3> kFileOnlyItems = {
    "ファイルのみ(&1)", "フォルダのみ(&2)", "ﾌｧｲﾙとﾌｫﾙﾀﾞ(&3)"};
const std::array<std::string_view, 3> kCopyDeleteItems = {
    "全てする", "全てしない", "コピー成功時のみ"};
const std::array<std::string_view, 5> kCopySameItems = {
    "既存を残す", "上書きコピーする", "別名でコピーする", "上書き条件→別名条件",
    "別名条件→上書き条件"};
const std::array<std::string_view, 6> kCopyOverWriteItems = {
    "全てする",
    "全てしない",
    "更新日時が既存ファイルより新しければする",
    "更新日時が既存ファイルより旧ければする",
    "サイズが既存ファイルより大きければする",
    "サイズが既存ファイルより小さければする"};
const std::array<std::string_view, 5> kCopyAliasItems = {
    "全てする", "全てしない", "更新日付が既存ファイルと違えばする",
    "サイズが既存ファイルと違えばする", "更新日付かサイズが既存ファイルと違えばする"};
const std::array<std::string_view, 10> kSeqSortItems = {
    "名前順【昇】", "ｻｲｽﾞ順【昇】", "日付順【昇】",
    "名前順【降】", "ｻｲｽﾞ順【降】", "日付順【降】",
    "名前順(自然)【昇】", "名前順(自然)【降】",
    "撮影日時順【昇】", "撮影日時順【降】"};
const std::array<std::string_view, 3> kUnityItems = {"カレントフォルダ",
                                                                "固定文字列", "ファイル情報"};
const std::array<std::string_view, 2> kDateSourceItems = {"更新日時", "撮影日時"};
const std::array<std::string_view, 2> kAddItems = {"先付", "後付"};
const std::array<std::string_view, 3> kCaseItems = {"すべて小文字", "すべて大文字",
                                                               "変更なし"};
const std::array<std::string_view, 5> kDateFormatItems = {
    "yymmdd", "yymmddhhnnss", "yy-mm-dd", "yy-mm-dd-hh-nn-ss", "ggee.mm.dd"};
const std::array<std::string_view, 3> kWidthAlnumItems = {"英数:無変換", "英数→半角",
                                                          "英数→全角"};
const std::array<std::string_view, 3> kWidthKanaItems = {"ｶﾅ幅:無変換", "ｶﾅ→全角",
                                                         "ｶﾅ→半角"};
const std::array<std::string_view, 3> kKanaKindItems = {"かな:無変換", "ひら→カタ",
                                                        "カタ→ひら"};

int StepNumberOfCaption(std::string_view caption) {
  for (std::size_t k = 0; k < kStepCaptions.size(); ++k) {
    if (caption == kStepCaptions[k]) return static_cast<int>(k);
  }
  return -1;
}

void MoveStepTo(JobSettings::RenameGroup &rename, std::size_t position, std::string_view caption) {
  if (position >= kStepCount || rename.OrderItems[position] == caption) return;
  for (std::size_t from = 0; from < kStepCount; ++from) {
    if (from != position && rename.OrderItems[from] == caption) {
      std::swap(rename.OrderItems[from], rename.OrderItems[position]);
      return;
    }
  }
  rename.OrderItems[position] = caption;
}

TOrderListFaults CheckOrderList(const JobSettings::RenameGroup &rename) {
  TOrderListFaults faults;
  std::array<std::vector<std::size_t>, kStepCount> held;
  for (std::size_t position = 0; position < kStepCount; ++position) {
    const int step = StepNumberOfCaption(rename.OrderItems[position]);
    if (step < 0) {
      faults.Unknown.push_back(position);
    } else {
      held[static_cast<std::size_t>(step)].push_back(position);
    }
  }
  for (std::size_t step = 0; step < kStepCount; ++step) {
    if (held[step].size() > 1) faults.Repeated.push_back(held[step]);
    if (held[step].empty()) faults.Missing.push_back(static_cast<int>(step));
  }
  return faults;
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
  SelectDefaultWhenUnselected(job.Rename.WidthAlnum, kWidthAlnumItems.size(), 0);
  SelectDefaultWhenUnselected(job.Rename.WidthKana, kWidthKanaItems.size(), 0);
  SelectDefaultWhenUnselected(job.Rename.KanaKind, kKanaKindItems.size(), 0);
}
