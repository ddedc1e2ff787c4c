// Character routines, scanner tokens, escapes and the dictionary pass.

#include <gtest/gtest.h>

#include "ErrorOf.h"

#include <string>
#include <vector>

#include "platform/Cp932.h"
#include "regex/FuzzyCharDic.h"
#include "regex/MBChar.h"
#include "regex/Messages.h"
#include "regex/PreProcessor.h"
#include "regex/RegExpError.h"
#include "regex/Scanner.h"

namespace {

// The token stream as text: c(x) char, r(a-b) range, and the operator
// characters for the rest.
std::string Tokens(const std::string &expression) {
  TREScanner scanner(expression);
  std::string out;
  for (;;) {
    const TREToken token = scanner.GetToken();
    if (!out.empty()) out += ' ';
    auto code = [](std::uint16_t c) {
      return (c >= 0x20 && c < 0x7F) ? std::string(1, static_cast<char>(c)) : "#" + std::to_string(c);
    };
    switch (token) {
    case retk_Char: out += "c(" + code(scanner.TokenChar) + ")"; break;
    case retk_CharRange: out += "r(" + code(scanner.TokenChar) + "-" + code(scanner.RangeHigh) + ")"; break;
    case retk_Union: out += "|"; break;
    case retk_LPar: out += "("; break;
    case retk_RPar: out += ")"; break;
    case retk_Star: out += "*"; break;
    case retk_Plus: out += "+"; break;
    case retk_QMark: out += "?"; break;
    case retk_LBra: out += "["; break;
    case retk_NegLBra: out += "[^"; break;
    case retk_RBra: out += "]"; break;
    case retk_Dot: out += "."; break;
    case retk_LHead: out += "^"; break;
    case retk_LTail: out += "$"; break;
    case retk_End: out += "END"; return out;
    }
  }
}


} // namespace

TEST(LeadByte, TableAgreesWithPlatform) {
  for (int b = 0; b < 256; ++b)
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), IsDBCSLeadByte(static_cast<unsigned char>(b))) << b;
}

TEST(MBChar, ReadPutBackAndWrite) {
  const std::string text = "a表b"; // 'a' 0x95 0x5C 'b'
  int pos = 1;
  EXPECT_EQ(GetMBChar(text, pos), 'a');
  EXPECT_EQ(GetMBChar(text, pos), 0x955C);
  EXPECT_EQ(pos, 4);
  UnGetMBChar(text, pos);
  EXPECT_EQ(pos, 2);
  pos = 5;
  EXPECT_EQ(GetMBChar(text, pos), 0);
  EXPECT_EQ(pos, 5);
  pos = 0;
  EXPECT_EQ(GetMBChar(text, pos), 0);
  EXPECT_EQ(pos, 0);

  const std::string lone = "a\x81";
  pos = 2;
  EXPECT_EQ(ErrorOf([&] { GetMBChar(lone, pos); }), regex_messages::kInvalidDoubleByte);

  EXPECT_EQ(MBCharToStr(0x955C), "表");
  EXPECT_EQ(MBCharToStr('a'), "a");
  EXPECT_EQ(MBCharToStr(0x4142), "B"); // high byte not a lead byte: low byte only
  EXPECT_EQ(MBCharToStr(0), std::string(1, '\0'));

  EXPECT_EQ(QuoteMetaChars("^(|)+*?.[]$\\a"), "\\^\\(\\|\\)\\+\\*\\?\\.\\[\\]\\$\\\\a");
  EXPECT_EQ(QuoteMetaChars("表"), "表"); // the trail byte 0x5C is not a backslash
}

TEST(MBChar, Escapes) {
  struct Case {
    std::string escape; // text after the backslash
    int code;           // -1: error expected
    int posAfter;
    const char *error;
  };
  const Case cases[] = {
      {"b", 8, 2, ""},      {"r", 13, 2, ""},       {"n", 10, 2, ""},      {"t", 9, 2, ""},
      {"x41", 0x41, 4, ""}, {"x4142", 0x4142, 6, ""}, {"x00411", 0x41, 6, ""}, {"x7g", 7, 3, ""},
      {"101", 0x41, 4, ""}, {"0", 0, 2, ""},         {"177777", 0xFFFF, 7, ""}, {"8", '8', 2, ""},
      {"\\", '\\', 2, ""},  {".", '.', 2, ""},       {"表", 0x955C, 3, ""},
      {"", -1, 0, regex_messages::kCharAfterBackslash},
      {"xg", -1, 0, regex_messages::kInvalidHex},
      {"x", -1, 0, regex_messages::kInvalidHex},
      {"777777", -1, 0, regex_messages::kInvalidOctal},
      {"200000", -1, 0, regex_messages::kInvalidOctal},
  };
  for (const Case &c : cases) {
    int pos = 1;
    if (c.code < 0) {
      EXPECT_EQ(ErrorOf([&] { GetEscapeChar(c.escape, pos); }), c.error) << c.escape;
    } else {
      EXPECT_EQ(GetEscapeChar(c.escape, pos), c.code) << c.escape;
      EXPECT_EQ(pos, c.posAfter) << c.escape;
    }
  }
}

TEST(Scanner, TokenStreams) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "END"},
      {"a|b", "c(a) | c(b) END"},
      {"(a)*+?.^$", "( c(a) ) * + ? . ^ $ END"},
      {"-{}", "c(-) c({) c(}) END"},
      {"\\.\\*", "c(.) c(*) END"},
      {"[]", "[ ] END"},
      {"[]a]", "[ ] c(a) ] END"},
      {"[\\]a]", "[ c(]) c(a) ] END"},
      {"[a-]", "[ c(a) c(-) ] END"},
      {"[-a]", "[ c(-) c(a) ] END"},
      {"[a-a]", "[ r(a-a) ] END"},
      {"[^a-z0]", "[^ r(a-z) c(0) ] END"},
      {"[^(.*|$^]", "[^ c(() c(.) c(*) c(|) c($) c(^) ] END"},
      {"[\\x41-\\x43]", "[ r(A-C) ] END"},
      {"[a-\\]]x", "[ r(a-]) ] c(x) END"},
      {"表", "c(#38236) END"},
      {"[表]", "[ c(#38236) ] END"},
  };
  for (const auto &[expression, tokens] : cases) {
    if (expression == "[a-\\]]x") continue; // ']' < 'a': covered by the error table
    EXPECT_EQ(Tokens(expression), tokens) << expression;
  }
}

TEST(Scanner, Errors) {
  const std::pair<std::string, const char *> cases[] = {
      {"[", regex_messages::kNeedRightBracket},       {"[a", regex_messages::kNeedRightBracket},
      {"[a-", regex_messages::kNeedRightBracket},     {"[ab", regex_messages::kNeedRightBracket},
      {"[z-a]", regex_messages::kInvalidRange},       {"[a-\\]]", regex_messages::kInvalidRange},
      {"\\", regex_messages::kCharAfterBackslash},    {"\\xg", regex_messages::kInvalidHex},
      {"\\777777", regex_messages::kInvalidOctal},    {"a\x81", regex_messages::kInvalidDoubleByte},
  };
  for (const auto &[expression, message] : cases)
    EXPECT_EQ(ErrorOf([&] { Tokens(expression); }), message) << expression;

  // After a failure inside a class, a new source starts in normal mode.
  TREScanner scanner("[a");
  EXPECT_EQ(scanner.GetToken(), retk_LBra);
  EXPECT_THROW(scanner.GetToken(), ERegExpParser);
  scanner.SetSource("]");
  EXPECT_FALSE(scanner.InCharClass);
  EXPECT_EQ(scanner.GetToken(), retk_RBra);
}

namespace {

// Forms a name may hold that Shift-JIS lacks: they travel as extension codes.
const std::string kWaveDash = *Utf8ToCp932("\xE3\x80\x9C");
const std::string kMinusSign = *Utf8ToCp932("\xE2\x88\x92");
const std::string kVoiced = *Utf8ToCp932("\xE3\x82\x99");      // U+3099, combining
const std::string kSemiVoiced = *Utf8ToCp932("\xE3\x82\x9A");  // U+309A

std::string Fuzzy(const std::string &expression) {
  TREPreProcessor preprocessor(expression);
  preprocessor.FuzzyCharDicList.push_back(&FuzzyCharDic());
  preprocessor.UseFuzzyCharDic = true;
  preprocessor.Run();
  return preprocessor.ProcessedRegExp;
}

} // namespace

TEST(FuzzyCharDic, RowsAsWritten) {
  const TREDictionary &dic = FuzzyCharDic();
  ASSERT_EQ(dic.Groups().size(), 145u);
  const std::vector<std::string> row0{"Ａ", "ａ", "A", "a"};
  EXPECT_EQ(dic.Groups()[0], row0);
  const std::vector<std::string> row25{"Ｚ", "ｚ", "Z", "z"};
  EXPECT_EQ(dic.Groups()[25], row25);
  const std::vector<std::string> row36{"　", " "};
  EXPECT_EQ(dic.Groups()[36], row36);
  const std::vector<std::string> row38{"\"", "”"};
  EXPECT_EQ(dic.Groups()[38], row38);
  const std::vector<std::string> row43{"'", "’"};
  EXPECT_EQ(dic.Groups()[43], row43);
  // The table's own words come first; the other forms of names follow.
  const std::vector<std::string> row48{"ー", "～", "ｰ", "", kWaveDash};
  EXPECT_EQ(dic.Groups()[48], row48);
  const std::vector<std::string> row49{"-", "ー", "－", "～", "ｰ", kWaveDash, kMinusSign};
  EXPECT_EQ(dic.Groups()[49], row49);
  const std::vector<std::string> row68{",", "､", "、", "，"};
  EXPECT_EQ(dic.Groups()[68], row68);
  const std::vector<std::string> row73{"が", "ガ", "ｶﾞ", "か゛", "カ゛", "か" + kVoiced, "カ" + kVoiced};
  EXPECT_EQ(dic.Groups()[73], row73);
  const std::vector<std::string> row86{"ば", "バ", "ﾊﾞ", "は゛", "ハ゛", "ヴァ", "う゛ぁ", "ウ゛ァ", "ｳﾞｧ",
                                       "は" + kVoiced, "ハ" + kVoiced, "う" + kVoiced + "ぁ",
                                       "ウ" + kVoiced + "ァ"};
  EXPECT_EQ(dic.Groups()[86], row86);
  const std::vector<std::string> row91{"ぱ", "パ", "ﾊﾟ", "は゜", "ハ゜", "は" + kSemiVoiced, "ハ" + kSemiVoiced};
  EXPECT_EQ(dic.Groups()[91], row91);
  const std::vector<std::string> row144{"ﾟ", "゜", kSemiVoiced};
  EXPECT_EQ(dic.Groups()[144], row144);
  // 571 words of the table; 3 dash forms; one twin for each of the 60 words
  // with ゛ or ゜ in rows 73-95, and for the marks of rows 143 and 144.
  std::size_t words = 0;
  for (const auto &group : dic.Groups()) words += group.size();
  EXPECT_EQ(words, 571u + 3u + 60u + 2u);
}

TEST(FuzzyCharDic, CommaText) {
  EXPECT_EQ(SplitCommaText("a, b ,c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitCommaText("\"x,\"\"y\"\"\",z"), (std::vector<std::string>{"x,\"y\"", "z"}));
  EXPECT_EQ(SplitCommaText("a,"), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(SplitCommaText("a,,b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitCommaText("a b"), (std::vector<std::string>{"a", "b"}));
}

TEST(PreProcessor, FuzzyPass) {
  const std::pair<std::string, std::string> cases[] = {
      {"a", "(Ａ|ａ|A|a)"},
      {"a*", "(Ａ|ａ|A|a)*"},
      {"[a]", "[a]"},
      {"[^a]", "[^a]"},
      {"\\x61", "(Ａ|ａ|A|a)"},
      {".", "."},
      {"1", "(1|１|一|①|Ⅰ|壱)"},
      {"-", "(-|ー|－|～|ｰ|" + kWaveDash + "|" + kMinusSign + ")"},
      {"\\(", "(\\(|（)"},
      {"+x", "+(Ｘ|ｘ|X|x)"}, // an operator is copied; the parser judges it
      {"\\+", "(\\+|＋)"},
      {"ー", "(ー|～|ｰ||" + kWaveDash + ")"},
      {kWaveDash, "(ー|～|ｰ||" + kWaveDash + ")"},
      {"ｶﾞ", "(が|ガ|ｶﾞ|か゛|カ゛|か" + kVoiced + "|カ" + kVoiced + ")"},
      // A decomposed kana in a pattern takes its voiced row, as ｶﾞ does.
      {"か" + kVoiced, "(が|ガ|ｶﾞ|か゛|カ゛|か" + kVoiced + "|カ" + kVoiced + ")"},
      {"ｶa", "(か|カ|ｶ)(Ａ|ａ|A|a)"},
      {"ウァ", "(う|ウ|ｳ|ぅ|ゥ|ｩ)(あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"わ", "(わ|ワ|ﾜ|うぁ|ウァ|ｳｧ)"},
      {"a[b]c", "(Ａ|ａ|A|a)[b](Ｃ|ｃ|C|c)"},
      {"\\\\", "(\\\\|￥)"},
      {"表", "表"},
      {"(", "("},
  };
  for (const auto &[expression, expected] : cases) EXPECT_EQ(Fuzzy(expression), expected) << expression;
}

TEST(PreProcessor, NoFlagNoMatchAndErrors) {
  TREPreProcessor plain("[unclosed");
  plain.Run(); // no pass: no tokenizing, no error
  EXPECT_EQ(plain.ProcessedRegExp, "[unclosed");
  EXPECT_EQ(Fuzzy("表%#$"), "表(%|％)(#|＃)$");
  EXPECT_EQ(ErrorOf([] { Fuzzy("[a"); }), regex_messages::kNeedRightBracket);

  // The synonym pass runs first, and the fuzzy pass sees its output.
  const TREDictionary synonyms(std::vector<TREDictionary::TWordGroup>{{"cat", "dog"}});
  TREPreProcessor both("cat");
  both.SynonymDicList.push_back(&synonyms);
  both.FuzzyCharDicList.push_back(&FuzzyCharDic());
  both.UseSynonymDic = true;
  both.Run();
  EXPECT_EQ(both.ProcessedRegExp, "(cat|dog)");
  both.UseFuzzyCharDic = true;
  both.SetSource("cat");
  both.Run();
  EXPECT_EQ(both.ProcessedRegExp, "((Ｃ|ｃ|C|c)(Ａ|ａ|A|a)(Ｔ|ｔ|T|t)|(Ｄ|ｄ|D|d)(Ｏ|ｏ|O|o)(Ｇ|ｇ|G|g))");
}
