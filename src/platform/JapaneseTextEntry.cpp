// The module's side of JapaneseTextModule.h.  The services are the module's
// own build of KanaConversion.cpp, NaturalOrder.cpp and JapaneseEra.cpp;
// their CP932 conversions are the programs', reached through the calls
// handed over on loading.

#include "platform/Cp932.h"
#include "platform/JapaneseTextModule.h"

namespace {

const TCp932Calls *Host = nullptr;

}  // namespace

std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932) { return Host->ToUtf16(cp932); }

std::optional<std::string> Utf16ToCp932(std::u16string_view utf16) { return Host->FromUtf16(utf16); }

std::u16string Cp932ToUtf16Lossy(std::string_view cp932) { return Host->ToUtf16Lossy(cp932); }

extern "C" __attribute__((visibility("default"))) const TJapaneseTextCalls *
KorvaneJapaneseText(const TCp932Calls *host) {
  static const TJapaneseTextCalls calls{ConvertKana, NaturalSortKey, CompareNatural, JapaneseEraOf};
  Host = host;
  return &calls;
}
