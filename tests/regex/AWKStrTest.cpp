// TAWKStr: ReplaceAll, templates, the expression cache, double-byte
// subjects, the fuzzy pass and patterns whose whole automaton is huge.

#include <gtest/gtest.h>

#include "CpuClock.h"
#include "ErrorOf.h"

#include <string>

#include "platform/Cp932.h"
#include "regex/AWKStr.h"
#include "regex/MBChar.h"
#include "regex/Messages.h"

namespace {

struct TReplaceCase {
  std::string pattern;
  std::string subject;
  std::string templ;
  std::string expected;
  int count;
};


// Each case on a new TAWKStr: the count and the text ReplaceAll leaves.
template <std::size_t N>
void ExpectReplacements(const TReplaceCase (&cases)[N]) {
  for (const TReplaceCase &c : cases) {
    TAWKStr awk;
    awk.SetRegExp(c.pattern);
    std::string text = c.subject;
    EXPECT_EQ(awk.ReplaceAll(c.templ, text), c.count) << c.pattern << " / " << c.subject;
    EXPECT_EQ(text, c.expected) << c.pattern << " / " << c.subject;
  }
}

} // namespace

TEST(ReplaceAll, Results) {
  const TReplaceCase cases[] = {
      {"a", "banana", "[&]", "b[a]n[a]n[a]", 3},
      {"x*", "abc", "-", "-a-b-c", 3},
      {"", "ab", "-", "-a-b", 2},
      {"^", "ab\ncd", "X", "Xab\nXcd", 2},
      {"$", "ab\r\ncd", "X", "abX\r\ncdX", 2},
      {"a*", "", "<&>", "<>", 1},
      {"^a|b?", "", "<&>", "<>", 1},              // the unanchored path is tried in an empty text too
      {"a", "", "-", "", 0},
      {"a", "xyz", "-", "xyz", 0},
      {"x", "axb", "[&]", "a[x]b", 1},
      {"a+", "caaat", "&&", "caaaaaat", 1},   // longest, not first
      {"ab|abcd", "abcde", "<&>", "<abcd>e", 1}, // leftmost-longest
      {"a|b", "abab", "", "", 4},
      {".", "ab.x", "_", "____", 4},
      {"^a", "aaa", "X", "Xaa", 1},
      {"a$", "aaa", "X", "aaX", 1},
      {"^a|b$", "ab\nab", "X", "Xb\nXX", 3},      // a bare LF is no line end in CR LF mode
      {"^$", "a\n\nb", "X", "a\n\nb", 0},
      {"^$", "a\r\n\r\nb", "X", "a\r\nX\r\nb", 1},
      {"(^a)*", "a^a", "X", "XaX", 2},          // '^' inside a closure is a plain character
      {"x(^y|.z)", "x^y x^z", "[&]", "[x^y] [x^z]", 2},
      {"a\\$", "a$b", "X", "Xb", 1},
      {"[^\\x01-\\xfcfc]", "abc", "X", "abc", 0}, // a class that excludes everything matches nothing
      {"b|[^\\x01-\\xfcfc]x", "abx", "X", "aXx", 1},
      {"[0-9]+", "img12_3.jpg", "#", "img#_#.jpg", 2},
      {"t", "report.txt", "T", "reporT.TxT", 3},
  };
  ExpectReplacements(cases);
}

TEST(ReplaceAll, LineFeedMode) {
  TAWKStr awk;
  awk.LineSeparator = mcls_LF;
  awk.SetRegExp("$");
  std::string text = "ab\ncd";
  EXPECT_EQ(awk.ReplaceAll("X", text), 2);
  EXPECT_EQ(text, "abX\ncdX");
}

TEST(ReplaceAll, Templates) {
  const std::pair<std::string, std::string> cases[] = {
      {"<&>", "<ab>"},       {"\\&", "&"},       {"\\\\&", "&"},    {"\\x26", "ab"},
      {"\\046", "ab"},       {"\\n\\t", "\n\t"}, {"\\\\", "\\"},     {"\\q", "q"},
      {"\\x41\\102", "AB"},  {"表&", "表ab"},    {"&&", "abab"},     {"\\\\n", "\\n"},
  };
  for (const auto &[templ, expected] : cases) EXPECT_EQ(TAWKStr::ExpandReplacement(templ, "ab"), expected) << templ;

  TAWKStr awk;
  awk.SetRegExp("b");
  std::string text = "abc";
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll("x\\", text); }), regex_messages::kCharAfterBackslash);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll("\\xz", text); }), regex_messages::kInvalidHex);
  EXPECT_EQ(text, "abc");
  std::string noMatch = "xyz";
  EXPECT_EQ(awk.ReplaceAll("x\\", noMatch), 0); // the template is read only for a match
  EXPECT_EQ(awk.ReplaceAll("[&]", text), 1);      // a good template after a bad one
  EXPECT_EQ(text, "a[b]c");
}

TEST(ReplaceAll, OutputBound) {
  TAWKStr awk;
  awk.MaxOutput = 10;
  awk.SetRegExp("a");
  std::string text = "aaaaa";
  EXPECT_EQ(awk.ReplaceAll("xx", text), 5);
  EXPECT_EQ(text, "xxxxxxxxxx"); // exactly the bound
  text = "aaaaaa";
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll("xx", text); }), regex_messages::kOutputTooLong);
  EXPECT_EQ(text, "aaaaaa");
  text = "a" + std::string(11, 'b'); // the text after the last match counts too
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll("", text); }), regex_messages::kOutputTooLong);
  text = "xyz";
  EXPECT_EQ(awk.ReplaceAll(std::string(50, '&'), text), 0); // nothing built without a match
  awk.SetRegExp("b");
  text = std::string(8, 'a') + "b"; // the text before a match counts with its expansion
  EXPECT_EQ(awk.ReplaceAll("xx", text), 1);
  EXPECT_EQ(text, std::string(8, 'a') + "xx");
  text = std::string(9, 'a') + "b";
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll("xx", text); }), regex_messages::kOutputTooLong);
  EXPECT_EQ(text, std::string(9, 'a') + "b");
  awk.SetRegExp("b*");
  text = "";
  EXPECT_EQ(ErrorOf([&] { awk.ReplaceAll(std::string(11, 'q'), text); }), regex_messages::kOutputTooLong);
  EXPECT_EQ(TAWKStr::ExpandReplacement(std::string(20, 'q'), ""), std::string(20, 'q')); // no bound here
  EXPECT_EQ(ErrorOf([] { TAWKStr::CheckTemplate("a\\"); }), regex_messages::kCharAfterBackslash);
  EXPECT_EQ(ErrorOf([] { TAWKStr::CheckTemplate("<&>\\n"); }), "");
}

// Pattern and fuzzy flag in one assignment compile only that pattern.
TEST(ReplaceAll, AssigningPatternAndFlagTogether) {
  TAWKStr awk;
  awk.SetRegExp("b");
  const int before = awk.CompileCount();
  awk.AssignRegExp("a", true);
  EXPECT_EQ(awk.CompileCount(), before + 1); // not "b" under the flag as well
  EXPECT_TRUE(awk.UseFuzzyCharDic());
  std::string text = "aＡb";
  EXPECT_EQ(awk.ReplaceAll("-", text), 2);
  EXPECT_EQ(text, "--b");
}

TEST(ReplaceAll, DoubleByteSubjects) {
  const TReplaceCase cases[] = {
      {"\\x5c", "表\\", "X", "表X", 1},            // never the trail byte of 表
      {"表", "表示表", "X", "X示X", 2},
      {"\\", "", "", "", 0},                         // placeholder, replaced below
      {"[\\x40-\\x7e]", "ア表a", "-", "ア表-", 1}, // no match starts on a trail byte
      {".", "ア表", "<&>", "<ア><表>", 2},
      {"x*", "ア表", "-", "-ア-表", 2},              // empty matches step over whole characters
      {"a", "a\x81", "X", "X\x81", 1},               // a lead byte that ends the subject
      {"\\x81", "a\x81", "X", "aX", 1},              // ... is read as a one-byte character
      {"[^a]", "\x81", "X", "X", 1},
  };
  for (const TReplaceCase &c : cases) {
    if (c.pattern == "\\") continue;
    TAWKStr awk;
    awk.SetRegExp(c.pattern);
    std::string text = c.subject;
    EXPECT_EQ(awk.ReplaceAll(c.templ, text), c.count) << c.pattern;
    EXPECT_EQ(text, c.expected) << c.pattern;
  }
}

// An empty match at a CR copies the CR together with the whole character
// after it.  Copying only the byte after the CR would start the next search
// on a trail byte and put the template inside the character.
TEST(ReplaceAll, AnEmptyMatchAtACrCopiesTheWholeNextCharacter) {
  std::string leads;
  for (int b = 0x81; b <= 0xFC; ++b) {
    if (IsLeadByte(static_cast<unsigned char>(b))) leads += static_cast<char>(b);
  }
  ASSERT_EQ(leads.size(), 60u);
  // Trail bytes that read as a backslash, as a lead byte and as a letter
  // when taken on their own.
  for (const char trail : {'\x5c', '\x81', '\x40', '\x61'}) {
    for (const char lead : leads) {
      const std::string character{lead, trail};
      const std::string shown = "lead " + std::to_string(static_cast<unsigned char>(lead)) +
                                " trail " + std::to_string(static_cast<unsigned char>(trail));
      TAWKStr awk;
      awk.SetRegExp("x*");
      std::string text = "a\r" + character + "b";
      EXPECT_EQ(awk.ReplaceAll("_", text), 3) << shown;
      EXPECT_EQ(text, "_a_\r" + character + "_b") << shown;

      awk.SetRegExp("$");
      text = "a\r" + character;
      EXPECT_EQ(awk.ReplaceAll("X", text), 1) << shown;
      EXPECT_EQ(text, "aX\r" + character) << shown;
      text = "a\r" + character + "b\r" + character + "c";
      EXPECT_EQ(awk.ReplaceAll("X", text), 3) << shown;
      EXPECT_EQ(text, "aX\r" + character + "bX\r" + character + "cX") << shown;
    }
  }
  const TReplaceCase cases[] = {
      {"x*", "a\r表", "_", "_a_\r表", 2},
      {"x*", "\r\r\n", "_", "_\r\r_\n", 2},   // a CR after a CR is the next character
      {"x*", "a\r", "_", "_a_\r", 2},
      {"x*", "a\r\x81", "_", "_a_\r\x81", 2}, // a lead byte that ends the subject
      {"$", "ab\r\n", "X", "abX\r\n", 1},
      {"$|x*", "\r表\r\n", "X", "X\r表X\r\n", 2},
  };
  ExpectReplacements(cases);
  // Characters Shift-JIS lacks and raw bytes of a name travel as extension
  // codes, which are double-byte characters like any other.
  for (const char8_t *utf8 : {u8"\u00ab", u8"\U0001F600", u8"\xff"}) {
    const std::optional<std::string> character =
        Utf8ToCp932(reinterpret_cast<const char *>(utf8));
    ASSERT_TRUE(character.has_value());
    ASSERT_EQ(character->size(), 2u);
    TAWKStr awk;
    awk.SetRegExp("x*");
    std::string text = "\r" + *character;
    EXPECT_EQ(awk.ReplaceAll("_", text), 1);
    EXPECT_EQ(text, "_\r" + *character);
  }
}

TEST(ReplaceAll, CodeZeroNeverMatchesTheEnd) {
  TAWKStr awk;
  awk.SetRegExp("a\\x00*");
  std::string text = "aa";
  EXPECT_EQ(awk.ReplaceAll("X", text), 2);
  EXPECT_EQ(text, "XX");
  awk.SetRegExp("\\x00");
  text = std::string("a\0b", 3); // an embedded zero byte is an ordinary character
  EXPECT_EQ(awk.ReplaceAll("-", text), 1);
  EXPECT_EQ(text, "a-b");
}

TEST(ReplaceAll, ReservedCodesAreNeverAnchorsNorEmpty) {
  const TReplaceCase cases[] = {
      {"a\\xffffb", "ab", "X", "ab", 0},  // not an empty move
      {"a\\xfffe", "a", "X", "a", 0},     // not '$'
      {"\\xfffda", "a", "X", "a", 0},     // not '^'
      {"\\xfcfc", "\xfc\xfc", "X", "X", 1}, // the highest code '.' knows is an ordinary character
  };
  ExpectReplacements(cases);
}

TEST(ReplaceAll, BeforeAnyAssignmentTheEmptyExpressionIsSearched) {
  TAWKStr awk;
  std::string text = "ab";
  EXPECT_EQ(awk.ReplaceAll("-", text), 2);
  EXPECT_EQ(text, "-a-b");
}

TEST(Fuzzy, MatchesEveryFormOfItsGroup) {
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(true);
  awk.SetRegExp("a");
  std::string text = "Ａａ Aa b";
  EXPECT_EQ(awk.ReplaceAll("x", text), 4);
  EXPECT_EQ(text, "xx xx b");

  awk.SetRegExp("abc");
  text = "ABC ＡＢＣ aBc";
  EXPECT_EQ(awk.ReplaceAll("-", text), 3);
  EXPECT_EQ(text, "- - -");

  awk.SetRegExp("ｶﾞ");
  text = "がガｶﾞか゛カ゛か";
  EXPECT_EQ(awk.ReplaceAll("_", text), 5);
  EXPECT_EQ(text, "_____か");

  awk.SetRegExp("サーバ");
  text = "サバ ｻｰﾊﾞ さ～ば サーバ";
  EXPECT_EQ(awk.ReplaceAll("S", text), 4);
  EXPECT_EQ(text, "S S S S");

  // Switching the flag re-assigns the current expression.
  awk.SetRegExp("a");
  awk.SetUseFuzzyCharDic(false);
  text = "Aa";
  EXPECT_EQ(awk.ReplaceAll("x", text), 1);
  EXPECT_EQ(text, "Ax");
}

TEST(Cache, CompilesOnceAndEvictsTheOldest) {
  TAWKStr awk;
  const int initial = awk.CompileCount();
  awk.SetRegExp("abc");
  awk.SetRegExp("abc");
  EXPECT_EQ(awk.CompileCount(), initial + 1);
  EXPECT_EQ(awk.CacheIndex(), 1);
  awk.SetRegExp("");
  EXPECT_EQ(awk.CacheIndex(), 0);
  awk.SetRegExp("abc"); // a hit does not move the entry
  EXPECT_EQ(awk.CacheIndex(), 1);

  for (int i = 0; i < 29; ++i) awk.SetRegExp("p" + std::to_string(i));
  EXPECT_EQ(awk.CacheCount(), TRegularExpression::CacheCapacity);
  EXPECT_EQ(awk.CacheKey(0), "");
  EXPECT_EQ(awk.CacheKey(1), "p28");
  const int before = awk.CompileCount();
  awk.SetRegExp("abc"); // evicted by the 29 newer ones
  EXPECT_EQ(awk.CompileCount(), before + 1);

  // The key is the preprocessed text: one entry per fuzzy setting.
  awk.SetUseFuzzyCharDic(true);
  EXPECT_EQ(awk.CacheKey(awk.CacheIndex()), "(Ａ|ａ|A|a)(Ｂ|ｂ|B|b)(Ｃ|ｃ|C|c)");
  EXPECT_EQ(awk.RegExp(), "abc");
}

TEST(Cache, FailedAssignments) {
  TAWKStr awk;
  awk.SetRegExp("ok");
  // A parse error leaves the empty expression current.
  EXPECT_EQ(ErrorOf([&] { awk.SetRegExp("(a"); }), regex_messages::kNeedRightParen);
  EXPECT_EQ(awk.RegExp(), "");
  EXPECT_EQ(awk.CacheIndex(), 0);
  for (int i = 0; i < awk.CacheCount(); ++i) EXPECT_NE(awk.CacheKey(i), "(a");

  // An error of the dictionary pass keeps the previous expression.
  awk.SetRegExp("ok");
  awk.SetUseFuzzyCharDic(true);
  EXPECT_EQ(ErrorOf([&] { awk.SetRegExp("[a"); }), regex_messages::kNeedRightBracket);
  EXPECT_EQ(awk.RegExp(), "ok");
  std::string text = "OK";
  EXPECT_EQ(awk.ReplaceAll("-", text), 1);
}

TEST(Errors, EveryMessageReachesTheCaller) {
  const std::pair<std::string, const char *> cases[] = {
      {"a\x81", regex_messages::kInvalidDoubleByte}, {"\\", regex_messages::kCharAfterBackslash},
      {"\\xq", regex_messages::kInvalidHex},         {"\\7777777", regex_messages::kInvalidOctal},
      {"[ab", regex_messages::kNeedRightBracket},    {"[b-a]", regex_messages::kInvalidRange},
      {"a|+", regex_messages::kNeedCharOrLeftParen}, {"((a)", regex_messages::kNeedRightParen},
      {"x[]", regex_messages::kInvalidClass},        {"a)b", regex_messages::kExtraChars},
  };
  for (const auto &[pattern, message] : cases) {
    TAWKStr awk;
    EXPECT_EQ(ErrorOf([&] { awk.SetRegExp(pattern); }), message) << pattern;
  }
  EXPECT_EQ(std::string(regex_messages::kCharAfterBackslash), "\"\\\"の次には文字が必要です。");
  EXPECT_EQ(std::string(regex_messages::kNeedRightBracket), "右ブラケット\"]\"が必要です");
  EXPECT_EQ(std::string(regex_messages::kNeedCharOrLeftParen), "普通の文字、または左括弧\"(\"が必要です");
}

namespace {

constexpr double kTimeLimitMs = 100 * kSanitizerSlowdown;

// Compiles pattern and replaces in a subject within the time limit.
void ExpectQuick(const std::string &pattern, bool fuzzy) {
  const double start = CpuMs();
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(fuzzy);
  EXPECT_EQ(ErrorOf([&] {
              awk.SetRegExp(pattern);
              std::string text = "abababababbbabaaaaabbbbbaaaaabbbbababab" + std::string(40, 'a');
              awk.ReplaceAll("-", text);
            }),
            "")
      << pattern.substr(0, 60);
  EXPECT_LT(CpuMs() - start, kTimeLimitMs) << pattern.substr(0, 60);
}

} // namespace

// Patterns whose whole DFA would be huge: only the states a subject visits
// are built.
TEST(Complexity, PathologicalPatternsMatchQuickly) {
  std::string exponential = "(a|b)*a";
  for (int i = 0; i < 16; ++i) exponential += "(a|b)";
  ExpectQuick(exponential, false);

  std::string nestedPlus = "a";
  for (int i = 0; i < 60; ++i) nestedPlus = "(" + nestedPlus + ")+";
  ASSERT_LE(nestedPlus.size(), 300u);
  ExpectQuick(nestedPlus, false);

  std::string fuzzyNest = "[ア-ン]";
  for (int i = 0; i < 40; ++i) fuzzyNest = "(" + fuzzyNest + "|あ)+";
  ExpectQuick(fuzzyNest, true);

  std::string ranges;
  for (int i = 0; i < 50; ++i) ranges += "[" + std::string(1, static_cast<char>('!' + i)) + "-~]";
  ExpectQuick(ranges, false);

  std::string dots;
  for (int i = 0; i < 60; ++i) dots += ".*a";
  ExpectQuick(dots, true);
}

TEST(Complexity, RealPatternsStillCompile) {
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(true);
  awk.SetRegExp("ファイル名の変換テスト１２３ＡＢＣかきくけこ"); // 20 characters, fuzzy-expanded
  std::string text = "ﾌｧｲﾙ名の変換ﾃｽﾄ123abcカキクケコ.txt";
  EXPECT_EQ(awk.ReplaceAll("X", text), 1);
  EXPECT_EQ(text, "X.txt");
}
