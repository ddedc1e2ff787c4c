#pragma once
// Japanese text services that need Unicode's own data: the width and kana
// conversions of the case step, the composition of decomposed sound marks,
// the natural order of names and the Japanese era of a date.  This is the
// one place where ICU enters the system: the services live in a module of
// their own (see JapaneseTextModule.h), loaded with ICU when one is first
// used; their tables are read from ICU then, and nothing outside platform/
// sees an ICU header.
// Texts are CP932 byte strings, as everywhere else.

#include <optional>
#include <string>
#include <string_view>

// What the case step makes of a name's characters besides letter case.
// 0 leaves a kind of character as it is.
struct TKanaConversions {
  int WidthAlnum = 0;          // 1 full-width letters, digits, symbols and the
                               // ideographic space half-width; 2 the reverse
  int WidthKana = 0;           // 1 half-width katakana full-width, sound marks
                               // joined (ｶﾞ -> ガ); 2 the reverse
  int KanaKind = 0;            // 1 hiragana to katakana; 2 the reverse
  bool ComposeMarks = false;   // a kana and its decomposed sound mark as one character

  bool Any() const { return WidthAlnum != 0 || WidthKana != 0 || KanaKind != 0 || ComposeMarks; }
};

// Applies the conversions in a fixed order: marks composed first, then the
// width of letters and digits, half-width katakana made full-width, the kana
// kind, and full-width katakana made half-width last, so that each switch
// holds in the result whatever the others ask (hiragana made katakana and
// half-width ends half-width).  A character without a counterpart stays as
// it is, and no conversion ever produces '/', '\', ':', the yen sign or NUL,
// so a conversion cannot make a path of a name.  A text that cannot be
// converted (a byte that is no CP932 character, the extension codes used
// up) comes back unchanged.
std::string ConvertKana(std::string_view cp932, const TKanaConversions &conversions);

// A key whose byte order is the natural order of names: runs of digits,
// full-width ones too, by their value; letters without regard to case or
// width; kana and kanji in Japanese dictionary order.  Different names can
// have the same key (abc and ＡＢＣ); the caller breaks such ties.
std::string NaturalSortKey(std::string_view cp932);
// The same order from the collator itself, one pair at a time: -1, 0 or 1.
int CompareNatural(std::string_view a, std::string_view b);

struct TJapaneseEra {
  std::string Name;     // 令和 (CP932)
  std::string Initial;  // R
  int Year = 0;         // year of the era, 1 in its first year
};

// The era of a Gregorian date; nullopt before Meiji, whose eras have no
// place in a date written with the Gregorian calendar.
std::optional<TJapaneseEra> JapaneseEraOf(int year, int month, int day);
