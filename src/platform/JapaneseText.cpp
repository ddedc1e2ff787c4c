// The programs' side of JapaneseTextModule.h: each service loads the module
// on its first call.

#include <string>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/JapaneseTextModule.h"
#include "platform/Modules.h"

namespace {

constexpr std::string_view kModule = "korvane-text-icu.so";

#ifndef KORVANE_TEXT_MODULE_DIR
#define KORVANE_TEXT_MODULE_DIR ""
#endif

// The module's services, or its reason for being unusable.
struct TLoaded {
  const TJapaneseTextCalls *Calls = nullptr;
  std::string Error;
};

const TLoaded &Loaded() {
  static const TLoaded loaded = [] {
    static const TCp932Calls host{Cp932ToUtf16, Utf16ToCp932, Cp932ToUtf16Lossy};
    TLoaded made;
    const std::optional<std::string> path = ModulePath(kModule, KORVANE_TEXT_MODULE_DIR);
    if (!path) {
      made.Error = std::string(kModule) + " is not installed";
      return made;
    }
    if (void *entry = ModuleEntry(*path, kJapaneseTextEntry, made.Error))
      made.Calls = reinterpret_cast<TJapaneseTextEntry>(entry)(&host);
    return made;
  }();
  return loaded;
}

const TJapaneseTextCalls &Calls() {
  const TLoaded &loaded = Loaded();
  if (loaded.Calls == nullptr) throw EKorvaneError("ICU cannot be loaded (" + loaded.Error + ")");
  return *loaded.Calls;
}

}  // namespace

std::string ConvertKana(std::string_view cp932, const TKanaConversions &conversions) {
  return Calls().ConvertKana(cp932, conversions);
}

std::string NaturalSortKey(std::string_view cp932) { return Calls().NaturalSortKey(cp932); }

int CompareNatural(std::string_view a, std::string_view b) { return Calls().CompareNatural(a, b); }

std::optional<TJapaneseEra> JapaneseEraOf(int year, int month, int day) {
  return Calls().JapaneseEraOf(year, month, day);
}
