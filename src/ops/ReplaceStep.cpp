// The string-replacement step: up to five regular-expression conditions,
// applied in turn through the object's own matcher.

#include <string>

#include "ops/NameParts.h"
#include "ops/UnitFileCn.h"
#include "regex/AWKStr.h"

TRenameCn::TRenameCn(void *owner) : FMatcher(std::make_unique<TAWKStr>(owner)) {}

TRenameCn::~TRenameCn() = default;

std::string TRenameCn::ReplaceStep(const std::string &name) {
  const TNameParts parts = SplitName(name);
  std::string text = ReplExt ? parts.Base : name;
  for (int i = 0; i < kReplaceConditionCount; ++i) {
    if (FromName[i].empty()) continue;
    FMatcher->SetUseFuzzyCharDic(NoCase[i]);
    FMatcher->SetRegExp(FromName[i]);
    FMatcher->ReplaceAll(ToName[i], text);
  }
  return ReplExt ? text + parts.Ext : text;
}
