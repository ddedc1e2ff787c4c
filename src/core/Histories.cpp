#include "core/Histories.h"

#include <algorithm>

#include "platform/Cp932.h"

THistories InitialHistories() {
  THistories histories;
  histories.Filter.assign(kFilterInitialItems.begin(), kFilterInitialItems.end());
  histories.Exception.assign(kExceptionInitialItems.begin(), kExceptionInitialItems.end());
  return histories;
}

void PushHistory(std::vector<std::string> &items, std::string_view text) {
  const std::string folded = LowerCaseCp932(text);
  const auto found = std::find_if(items.begin(), items.end(), [&](const std::string &item) {
    return item.size() == text.size() && LowerCaseCp932(item) == folded;
  });
  if (found == items.begin() && found != items.end()) return;
  if (found != items.end()) items.erase(found);
  items.insert(items.begin(), std::string(text));
  if (items.size() > kHistoryMax) items.resize(kHistoryMax);
}

void PushReplaceHistory(std::vector<std::string> &items,
                        const std::array<std::string, kConditionCount> &strings) {
  for (const std::string &text : strings) {
    if (!text.empty()) PushHistory(items, text);
  }
}
