// The string-replacement step: up to five regular-expression conditions,
// applied in turn through the object's own matcher.

#include <string>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "regex/AWKStr.h"

TRenameCn::TRenameCn(void *owner) : FMatcher(std::make_unique<TAWKStr>(owner)) {
  FMatcher->MaxOutput = kMaxReplaceOutput;
}

TRenameCn::~TRenameCn() = default;

std::string TRenameCn::ReplaceStep(const std::string &name) {
  const TNameParts parts = SplitName(name);
  std::string text = ReplExt ? parts.Base : name;
  for (int i = 0; i < kReplaceConditionCount; ++i) {
    if (FromName[i].empty()) continue;
    // Flag and pattern in one assignment: switching the flag alone would
    // compile the previous condition's pattern under this condition's
    // setting, which nobody asked for and which can fail.
    FMatcher->AssignRegExp(FromName[i], NoCase[i]);
    FMatcher->ReplaceAll(ToName[i], text);
  }
  return ReplExt ? text + parts.Ext : text;
}

std::optional<std::string> TRenameCn::CheckReplaceConditions() {
  if (!AppliesStep(kStepReplace)) return std::nullopt;
  for (int i = 0; i < kReplaceConditionCount; ++i) {
    if (FromName[i].empty()) continue;
    try {
      FMatcher->AssignRegExp(FromName[i], NoCase[i]);
      TAWKStr::CheckTemplate(ToName[i]);
    } catch (const ERegExpParser &error) {
      return "置換条件" + std::to_string(i + 1) + ": " + error.Message();
    }
  }
  return std::nullopt;
}
