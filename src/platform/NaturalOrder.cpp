// The natural order of names, from ICU's Japanese collator.
//
// Numeric ordering makes a run of digits, full-width ones included, one
// number (IMG_2 before IMG_10, IMG_２０ after both); secondary strength
// leaves out the differences of letter case and of width (abc, ABC and ＡＢＣ
// are equal here, so the caller's tie-break decides), and the Japanese
// tailoring puts kana in dictionary order and kanji in the order of JIS.
//
// A collator is not to be shared between threads while it works, so each
// thread has its own.

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <memory>
#include <string>

#include "platform/Cp932.h"
#include "platform/Errors.h"
#include "platform/JapaneseText.h"

namespace {

icu::Collator &NaturalCollator() {
  thread_local const std::unique_ptr<icu::Collator> collator = [] {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale("ja"), status));
    if (U_FAILURE(status) || !made)
      throw EKorvaneError(std::string("ICU has no Japanese collator (") + u_errorName(status) + ")");
    made->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
    made->setStrength(icu::Collator::SECONDARY);
    if (U_FAILURE(status))
      throw EKorvaneError(std::string("ICU cannot order numbers (") + u_errorName(status) + ")");
    return made;
  }();
  return *collator;
}

// A name from disk always converts; anything else is ordered as well as its
// characters allow (the caller's byte order decides between such names).
std::u16string Unicode(std::string_view cp932) { return Cp932ToUtf16Lossy(cp932); }

}  // namespace

std::string NaturalSortKey(std::string_view cp932) {
  const std::u16string text = Unicode(cp932);
  icu::Collator &collator = NaturalCollator();
  std::string key(text.size() * 2 + 16, '\0');
  for (;;) {
    const int32_t needed = collator.getSortKey(text.data(), static_cast<int32_t>(text.size()),
                                               reinterpret_cast<uint8_t *>(key.data()),
                                               static_cast<int32_t>(key.size()));
    if (needed <= 0) return {};
    if (static_cast<std::size_t>(needed) <= key.size()) {
      key.resize(static_cast<std::size_t>(needed) - 1);  // without the closing NUL
      return key;
    }
    key.resize(static_cast<std::size_t>(needed));
  }
}

int CompareNatural(std::string_view a, std::string_view b) {
  const std::u16string ua = Unicode(a);
  const std::u16string ub = Unicode(b);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      NaturalCollator().compare(ua.data(), static_cast<int32_t>(ua.size()), ub.data(),
                                static_cast<int32_t>(ub.size()), status);
  return result == UCOL_LESS ? -1 : result == UCOL_GREATER ? 1 : 0;
}
