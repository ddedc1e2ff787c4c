#include "ui/JobTexts.h"

namespace {

template <std::size_t N>
std::vector<std::string> Copy(const std::array<std::string_view, N> &items) {
  return {items.begin(), items.end()};
}

}  // namespace

JobSettings DefaultJob() { return JobSettings{}; }

std::vector<std::string> ItemList(TItemList list) {
  switch (list) {
    case TItemList::FileOnly: return Copy(kFileOnlyItems);
    case TItemList::CopyDelete: return Copy(kCopyDeleteItems);
    case TItemList::CopySame: return Copy(kCopySameItems);
    case TItemList::CopyOverWrite: return Copy(kCopyOverWriteItems);
    case TItemList::CopyAlias: return Copy(kCopyAliasItems);
    case TItemList::SeqSort: return Copy(kSeqSortItems);
    case TItemList::Unity: return Copy(kUnityItems);
    case TItemList::DateSource: return Copy(kDateSourceItems);
    case TItemList::Add: return Copy(kAddItems);
    case TItemList::Case: return Copy(kCaseItems);
    case TItemList::DateFormat: return Copy(kDateFormatItems);
    case TItemList::StepCaptions: return Copy(kStepCaptions);
    case TItemList::WidthAlnum: return Copy(kWidthAlnumItems);
    case TItemList::WidthKana: return Copy(kWidthKanaItems);
    case TItemList::KanaKind: return Copy(kKanaKindItems);
  }
  return {};
}
