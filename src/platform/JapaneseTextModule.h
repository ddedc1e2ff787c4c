#pragma once
// The seam between the programs and korvane-text-icu.so, the module that
// holds ICU and the services of JapaneseText.h built on it.  ICU's libraries
// cost every start of korvane-batch several milliseconds, and only a run
// that converts kana or width, orders names naturally or dates by era needs
// them.  Only JapaneseText.cpp (the programs' side) and
// JapaneseTextEntry.cpp (the module's) include this.

#include <optional>
#include <string>
#include <string_view>

#include "platform/JapaneseText.h"

// The programs' own CP932 conversions, handed to the module: a character no
// CP932 code holds takes one of the extension codes, which only the
// programs' table knows.
struct TCp932Calls {
  std::optional<std::u16string> (*ToUtf16)(std::string_view cp932);
  std::optional<std::string> (*FromUtf16)(std::u16string_view utf16);
  std::u16string (*ToUtf16Lossy)(std::string_view cp932);
};

// The services, as JapaneseText.h declares them.
struct TJapaneseTextCalls {
  std::string (*ConvertKana)(std::string_view cp932, const TKanaConversions &conversions);
  std::string (*NaturalSortKey)(std::string_view cp932);
  int (*CompareNatural)(std::string_view a, std::string_view b);
  std::optional<TJapaneseEra> (*JapaneseEraOf)(int year, int month, int day);
};

// The module's one entry: its services, given the programs' conversions.
inline constexpr const char *kJapaneseTextEntry = "KorvaneJapaneseText";
using TJapaneseTextEntry = const TJapaneseTextCalls *(*)(const TCp932Calls *host);
