#include "cli/BatchSteps.h"

#include <algorithm>
#include <array>

#include "cli/BatchMessages.h"
#include "ops/UnitFileCn.h"
#include "platform/Cp932.h"

namespace {

// By step number.
constexpr std::array<std::string_view, kStepCount> kAliases = {"replace", "number", "case",
                                                               "date",    "ext",    "folder"};

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

int StepOfName(std::string_view name) {
  const std::string lower = LowerCaseCp932(name);
  for (std::size_t step = 0; step < kAliases.size(); ++step)
    if (lower == kAliases[step]) return static_cast<int>(step);
  return StepNumberOfCaption(name);
}

std::string Captions() {
  std::string list;
  for (const std::string_view caption : kStepCaptions)
    list += (list.empty() ? "" : ", ") + Cp932ToUtf8Lossy(caption);
  return list;
}

}  // namespace

std::vector<int> ParseSteps(std::string_view list, std::string &error) {
  std::vector<int> steps;
  // ',' is never a trail byte of a double-byte character.
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string_view::npos) comma = list.size();
    const std::string_view name = Trim(list.substr(start, comma - start));
    start = comma + 1;
    if (name.empty()) continue;
    const int step = StepOfName(name);
    if (step < 0) {
      error = BatchText(TBatchText::StepsUnknown, {Cp932ToUtf8Lossy(name), Captions()});
      return {};
    }
    if (std::find(steps.begin(), steps.end(), step) != steps.end()) {
      error = BatchText(TBatchText::StepsTwice, {Cp932ToUtf8Lossy(name)});
      return {};
    }
    steps.push_back(step);
  }
  if (steps.empty()) error = BatchText(TBatchText::StepsEmpty);
  return steps;
}

void CheckSteps(JobSettings::RenameGroup &rename, const std::vector<int> &steps) {
  std::vector<int> order = steps;
  const auto placed = [&](int step) { return std::find(order.begin(), order.end(), step) != order.end(); };
  // The others in the order the list had them, each once.
  for (const std::string &caption : rename.OrderItems) {
    const int step = StepNumberOfCaption(caption);
    if (step >= 0 && !placed(step)) order.push_back(step);
  }
  for (int step = 0; step < static_cast<int>(kStepCount); ++step)
    if (!placed(step)) order.push_back(step);
  for (std::size_t position = 0; position < kStepCount; ++position) {
    rename.OrderItems[position] = std::string(kStepCaptions[static_cast<std::size_t>(order[position])]);
    rename.OrderChecked[position] = position < steps.size();
  }
}

void StepThatKeepsNames(JobSettings::RenameGroup &rename) {
  if (rename.OrderChecked[0]) return;
  CheckSteps(rename, {kStepCase});
  rename.NameCase = rename.ExtCase = 2;
  rename.NameInitial = rename.ExtInitial = false;
  rename.WidthAlnum = rename.WidthKana = rename.KanaKind = 0;
  rename.ComposeMarks = false;
}
