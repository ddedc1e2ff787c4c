#pragma once
// The built-in fuzzy-character dictionary: forms that count as the same
// character (full-width and ASCII letters, digits and punctuation, capital
// and small letters, kanji numerals, kana in their hiragana, katakana,
// half-width, small and separate-voicing-mark forms).

#include <string_view>

#include "regex/Dictionary.h"

inline constexpr int kFuzzyCharDicRows = 145;

// Row i of the table as written (UTF-8 comma text).
std::u8string_view FuzzyCharDicRow(int row);

// The process-wide dictionary, built in CP932 on first use and never freed
// before the process ends.  Only read after it is built.
const TREDictionary &FuzzyCharDic();
