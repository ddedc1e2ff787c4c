#include <gtest/gtest.h>

#include "platform/FileSystem.h"

namespace {

struct WildcardCase {
  const char *Name;
  const char *Pattern;
  bool Matches;
};

TEST(WildcardTest, MatchesLikeTheWindowsEnumeration) {
  const WildcardCase cases[] = {
      {"a.txt", "*.*", true},
      {"README", "*.*", true},           // no dot, still every name
      {".profile", "*.*", true},
      {"a.tar.gz", "*.*", true},
      {"README", "*", true},
      {"a.txt", "*.txt", true},
      {"a.TXT", "*.txt", true},          // letter case ignored both ways
      {"A.txt", "a.TXT", true},
      {"a.txt", "*.htm", false},
      {"a.html", "*.htm", false},
      {"a.htm", "*.htm?", false},        // "?" is exactly one character
      {"a.html", "*.htm?", true},
      {"ab", "a?", true},
      {"a", "a?", false},
      {"abc", "a*c", true},
      {"ac", "a*c", true},
      {"abcbd", "a*b?", true},
      {"abcbdx", "a*b?", false},
      {"readme", "readme.*", true},      // a final ".*" also matches the end of the name
      {"readme.txt", "readme.*", true},
      {"readme2", "readme.*", false},
      {"a.b", "", false},
      {"", "*", true},
      {" a.txt", "*.txt", true},
      {"a.txt", " *.txt", false},        // a blank in a filter is a character like any other
      {"a.txt", "*.txt ", false},
      {"aaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*c", false},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(MatchesWildcard(c.Name, c.Pattern), c.Matches) << c.Name << " ~ " << c.Pattern;
  }
}

TEST(WildcardTest, ADoubleByteCharacterIsOneCharacter) {
  const WildcardCase cases[] = {
      {"表.txt", "?.txt", true},
      {"表.txt", "??.txt", false},
      {"表表", "表?", true},
      {"表", "\x95?", false},            // a lead byte in the pattern never pairs with '?'
      {"ア", "?A", false},               // ア is 0x83 0x41: its trail byte is not 'A'
      {"ア", "*A", false},
      {"ア", "*a", false},
      {"アa", "*A", true},
      {"ソ", "*\\", false},              // ソ ends in 0x5C
      {"ｱ.txt", "?.TXT", true},          // half-width katakana is one byte
      {"データ.csv", "デ*.csv", true},
      {"データ.csv", "*タ.*", true},
      {"a\x95", "a?", true},             // a lone lead byte at the end is one character
  };
  for (const auto &c : cases) {
    EXPECT_EQ(MatchesWildcard(c.Name, c.Pattern), c.Matches) << c.Pattern;
  }
}

// Windows ignores the case of full-width Latin, Greek and Cyrillic letters
// too; the pairs are compared as whole double-byte characters, so a trail
// byte that happens to be an ASCII letter never takes part.
TEST(WildcardTest, FullWidthGreekAndCyrillicLettersIgnoreCase) {
  const WildcardCase cases[] = {
      {"Ａbc.txt", "ａ*", true},
      {"ａbc.txt", "Ａ*", true},
      {"ＡＢＣ", "ａｂｃ", true},
      {"ＺＹＸ", "ｚｙｘ", true},
      {"Ａ", "A", false},                // full width is not ASCII
      {"ａ", "a", false},
      {"ΑΒΓ.txt", "αβγ.*", true},
      {"ΩΨ", "ωψ", true},
      {"Ω", "ο", false},
      {"АБВ.txt", "абв.*", true},
      {"НОЯ", "ноя", true},              // on both sides of the gap at 0x847F
      {"Ё", "ё", true},
      {"Н", "о", false},
      {"Я", "я?", false},
      {"ア", "ァ", false},               // kana have no case
      {"ａ", "\x82?", false},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(MatchesWildcard(c.Name, c.Pattern), c.Matches) << c.Pattern;
  }
}

}  // namespace
