// The width and kana conversions, the natural order and the eras, each
// checked against a reference that does not come from ICU: the layout of
// the Unicode blocks (full-width ASCII is ASCII + 0xFEE0, katakana is
// hiragana + 0x60) and tables written out here.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/JapaneseText.h"

namespace {

// Characters without a CP932 form, as UTF-8 bytes (g++ refuses them in
// literals when the execution character set is CP932).
#define kVoicedMark "\xE3\x82\x99"      // U+3099, combining
#define kSemiVoicedMark "\xE3\x82\x9A"  // U+309A, combining
#define kSmallKaHiragana "\xE3\x82\x95"
#define kSmallKeHiragana "\xE3\x82\x96"
#define kVuHiragana "\xE3\x82\x94"
#define kVaKatakana "\xE3\x83\xB7"
#define kVoKatakana "\xE3\x83\xBA"
#define kYoriDigraph "\xE3\x82\x9F"
#define kKotoDigraph "\xE3\x83\xBF"

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// Converts UTF-8 text through CP932 and back, so failures read as text.
std::string Convert(const std::string &utf8, const TKanaConversions &conversions) {
  const std::optional<std::string> cp932 = Utf8ToCp932(utf8);
  if (!cp932) return "<not CP932>";
  return Cp932ToUtf8(ConvertKana(*cp932, conversions)).value_or("<no UTF-8>");
}

TKanaConversions AlnumHalf() { return {.WidthAlnum = 1}; }
TKanaConversions AlnumFull() { return {.WidthAlnum = 2}; }
TKanaConversions KanaFull() { return {.WidthKana = 1}; }
TKanaConversions KanaHalf() { return {.WidthKana = 2}; }
TKanaConversions ToKatakana() { return {.KanaKind = 1}; }
TKanaConversions ToHiragana() { return {.KanaKind = 2}; }
TKanaConversions Compose() { return {.ComposeMarks = true}; }

// Splits UTF-8 text into its characters.
std::vector<std::string> Chars(const std::string &utf8) {
  std::vector<std::string> chars;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    chars.push_back(utf8.substr(i, length));
    i += length;
  }
  return chars;
}

// The half-width katakana block, U+FF61 to U+FF9F, and what each is in
// full width.
const std::string kHalfKana = U8(u8"｡｢｣､･ｦｧｨｩｪｫｬｭｮｯｰｱｲｳｴｵｶｷｸｹｺｻｼｽｾｿﾀﾁﾂﾃﾄﾅﾆﾇﾈﾉﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔﾕﾖﾗﾘﾙﾚﾛﾜﾝﾞﾟ");
const std::string kFullKana = U8(u8"。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワン゛゜");

TEST(KanaConversionTest, EveryHalfWidthKatakanaBothWays) {
  const std::vector<std::string> half = Chars(kHalfKana), full = Chars(kFullKana);
  ASSERT_EQ(half.size(), 63u);
  ASSERT_EQ(full.size(), half.size());
  for (std::size_t i = 0; i < half.size(); ++i) {
    EXPECT_EQ(Convert(half[i], KanaFull()), full[i]) << half[i];
    EXPECT_EQ(Convert(full[i], KanaHalf()), half[i]) << full[i];
  }
  EXPECT_EQ(Convert(kHalfKana, KanaFull()), kFullKana);
  EXPECT_EQ(Convert(kFullKana, KanaHalf()), kHalfKana);
}

TEST(KanaConversionTest, EveryHalfWidthLetterWithEachMark) {
  // The letters that take a mark, and what they make with it.
  const struct {
    const char8_t *Half, *Full;
  } joined[] = {
      {u8"ｳﾞ", u8"ヴ"},
      {u8"ｶﾞｷﾞｸﾞｹﾞｺﾞ", u8"ガギグゲゴ"}, {u8"ｻﾞｼﾞｽﾞｾﾞｿﾞ", u8"ザジズゼゾ"},
      {u8"ﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞ", u8"ダヂヅデド"}, {u8"ﾊﾞﾋﾞﾌﾞﾍﾞﾎﾞ", u8"バビブベボ"},
      {u8"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", u8"パピプペポ"},
      {u8"ﾜﾞ", u8"" kVaKatakana},  {u8"ｦﾞ", u8"" kVoKatakana},
  };
  std::vector<std::string> joinedHalf;
  for (const auto &j : joined) {
    EXPECT_EQ(Convert(U8(j.Half), KanaFull()), U8(j.Full)) << U8(j.Half);
    EXPECT_EQ(Convert(U8(j.Full), KanaHalf()), U8(j.Half)) << U8(j.Full);
    const std::vector<std::string> chars = Chars(U8(j.Half));
    for (std::size_t i = 0; i < chars.size(); i += 2) joinedHalf.push_back(chars[i] + chars[i + 1]);
  }
  // Every other letter keeps its mark beside it, as the spacing mark.
  const std::vector<std::string> half = Chars(kHalfKana), full = Chars(kFullKana);
  const std::string marks[] = {U8(u8"ﾞ"), U8(u8"ﾟ")};
  const std::string spacing[] = {U8(u8"゛"), U8(u8"゜")};
  for (std::size_t i = 0; i + 2 < half.size(); ++i) {
    for (int m = 0; m < 2; ++m) {
      const std::string pair = half[i] + marks[m];
      if (std::find(joinedHalf.begin(), joinedHalf.end(), pair) != joinedHalf.end()) continue;
      EXPECT_EQ(Convert(pair, KanaFull()), full[i] + spacing[m]) << pair;
    }
  }
  // A decomposed mark goes half-width with its letter.
  EXPECT_EQ(Convert(U8(u8"カ" kVoicedMark u8"ハ" kSemiVoicedMark), KanaHalf()), U8(u8"ｶﾞﾊﾟ"));
}

TEST(KanaConversionTest, KanaWithoutHalfWidthFormStay) {
  for (const char8_t *kana : {u8"ヮ", u8"ヰ", u8"ヱ", u8"ヵ", u8"ヶ", u8"ヽ", u8"ヾ", u8"ひらがな", u8"漢字"})
    EXPECT_EQ(Convert(U8(kana), KanaHalf()), U8(kana)) << U8(kana);
  // Only half-width katakana become full-width: ASCII and the space stay.
  EXPECT_EQ(Convert(U8(u8"abc 123_ｱ."), KanaFull()), U8(u8"abc 123_ア."));
  EXPECT_EQ(Convert(U8(u8"ＡＢＣ　１ア"), KanaHalf()), U8(u8"ＡＢＣ　１ｱ"));
}

TEST(KanaConversionTest, FullWidthAsciiBothWaysButThePathCharacters) {
  const std::string stay[] = {U8(u8"／"), U8(u8"＼"), U8(u8"："), U8(u8"￥")};
  for (char32_t ascii = 0x21; ascii <= 0x7E; ++ascii) {
    const std::string half = Utf8Of(ascii), full = Utf8Of(ascii + 0xFEE0);
    const bool kept = std::find(std::begin(stay), std::end(stay), full) != std::end(stay);
    EXPECT_EQ(Convert(full, AlnumHalf()), kept ? full : half) << full;
    EXPECT_EQ(Convert(half, AlnumFull()), full) << half;
  }
  EXPECT_EQ(Convert(U8(u8"￥"), AlnumHalf()), U8(u8"￥"));
  EXPECT_EQ(Convert(U8(u8"ＩＭＧ　００１"), AlnumHalf()), "IMG 001");
  EXPECT_EQ(Convert("IMG 001", AlnumFull()), U8(u8"ＩＭＧ　００１"));
  // Kana and their punctuation are not letters or symbols of this kind.
  EXPECT_EQ(Convert(U8(u8"ア「ー」ｱ"), AlnumHalf()), U8(u8"ア「ー」ｱ"));
  EXPECT_EQ(Convert(U8(u8"ア「ー」ｱ"), AlnumFull()), U8(u8"ア「ー」ｱ"));
}

TEST(KanaConversionTest, KanaKindBothWays) {
  // ぁ (U+3041) to ゖ (U+3096) and ゝ ゞ: katakana is hiragana + 0x60.
  for (char32_t hiragana = 0x3041; hiragana <= 0x309E; ++hiragana) {
    if (hiragana >= 0x3097 && hiragana <= 0x309C) continue;  // the marks, shared by both
    const std::string h = Utf8Of(hiragana), k = Utf8Of(hiragana + 0x60);
    EXPECT_EQ(Convert(h, ToKatakana()), k) << h;
    EXPECT_EQ(Convert(k, ToHiragana()), h) << k;
  }
  const struct {
    const char8_t *Hiragana, *Katakana;
  } pairs[] = {
      {u8"" kVuHiragana, u8"ヴ"},
      {u8"ゐゑ", u8"ヰヱ"},
      {u8"ぁぃぅぇぉっゃゅょゎ", u8"ァィゥェォッャュョヮ"},
      {u8"" kSmallKaHiragana kSmallKeHiragana, u8"ヵヶ"},
      {u8"しゃしん", u8"シャシン"},
      {u8"とーきょー", u8"トーキョー"},  // the prolonged mark is both kinds'
  };
  for (const auto &p : pairs) {
    EXPECT_EQ(Convert(U8(p.Hiragana), ToKatakana()), U8(p.Katakana)) << U8(p.Hiragana);
    EXPECT_EQ(Convert(U8(p.Katakana), ToHiragana()), U8(p.Hiragana)) << U8(p.Katakana);
  }
  // No counterpart: these stay.
  for (const char8_t *kana :
       {u8"" kVaKatakana, u8"" kVoKatakana, u8"" kKotoDigraph, u8"・", u8"ー", u8"゛", u8"ｶﾀｶﾅ", u8"漢字", u8"ABC"})
    EXPECT_EQ(Convert(U8(kana), ToHiragana()), U8(kana)) << U8(kana);
  for (const char8_t *kana : {u8"" kYoriDigraph, u8"ー", u8"゜", u8"漢字", u8"abc"})
    EXPECT_EQ(Convert(U8(kana), ToKatakana()), U8(kana)) << U8(kana);
}

TEST(KanaConversionTest, DecomposedNamesFromAMac) {
  const struct {
    const char8_t *Nfd, *Composed;
  } cases[] = {
      {u8"か" kVoicedMark, u8"が"},
      {u8"テ" kVoicedMark u8"ータ", u8"データ"},
      {u8"ハ" kSemiVoicedMark u8"ス" kVoicedMark u8"ホ" kSemiVoicedMark u8"ート", u8"パズポート"},
      {u8"う" kVoicedMark, u8"" kVuHiragana},
      {u8"ワ" kVoicedMark, u8"" kVaKatakana},
      {u8"ゝ" kVoicedMark, u8"ゞ"},
      {u8"写真" kVoicedMark, u8"写真" kVoicedMark},     // a kanji takes no mark
      {u8"ｶ" kVoicedMark, u8"ｶ" kVoicedMark},           // nor does a half-width letter
      {u8"ン" kVoicedMark, u8"ン" kVoicedMark},         // no composed form
      {u8"cafe\xCC\x81", u8"cafe\xCC\x81"},             // not kana: stays decomposed
      {u8"が", u8"が"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Convert(U8(c.Nfd), Compose()), U8(c.Composed)) << U8(c.Nfd);
    EXPECT_EQ(Convert(U8(c.Nfd), {}), U8(c.Nfd)) << U8(c.Nfd);
  }
}

TEST(KanaConversionTest, ConversionsTogetherHoldEachSwitch) {
  const TKanaConversions all{.WidthAlnum = 1, .WidthKana = 1, .KanaKind = 1, .ComposeMarks = true};
  const struct {
    const char8_t *From;
    TKanaConversions With;
    const char8_t *To;
  } cases[] = {
      {u8"ＩＭＧ＿００１ﾃｽﾄしゃしんか" kVoicedMark, all, u8"IMG_001テストシャシンガ"},
      {u8"しゃしん", {.WidthKana = 2, .KanaKind = 1}, u8"ｼｬｼﾝ"},
      {u8"ﾃｽﾄ", {.WidthKana = 1, .KanaKind = 2}, u8"てすと"},
      {u8"ﾃｽﾄ", ToHiragana(), u8"ﾃｽﾄ"},  // half-width kana change kind only with their width
      {u8"か" kVoicedMark u8"ﾞ", {.WidthKana = 2, .KanaKind = 1, .ComposeMarks = true}, u8"ｶﾞﾞ"},
      {u8"ａ／ｂ：ｃ＼ｄ￥", all, u8"a／b：c＼d￥"},
  };
  for (const auto &c : cases) EXPECT_EQ(Convert(U8(c.From), c.With), U8(c.To)) << U8(c.From);
}

// Every character Shift-JIS has, through every conversion: none may give a
// character that makes a path or ends a name.
TEST(KanaConversionTest, NoConversionMakesAPathCharacter) {
  std::vector<std::string> characters;
  for (int b = 0x20; b < 0x100; ++b) {
    if (b == 0x7F || IsDBCSLeadByte(static_cast<unsigned char>(b))) continue;
    characters.push_back(std::string(1, static_cast<char>(b)));
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsDBCSLeadByte(static_cast<unsigned char>(lead)) || (lead >= 0xF0 && lead <= 0xF9)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      characters.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  const TKanaConversions settings[] = {AlnumHalf(), AlnumFull(), KanaFull(), KanaHalf(),
                                       ToKatakana(), ToHiragana(), Compose()};
  int checked = 0;
  for (const std::string &character : characters) {
    const std::optional<std::u16string> before = Cp932ToUtf16(character);
    if (!before) continue;
    ++checked;
    for (const TKanaConversions &with : settings) {
      const std::optional<std::u16string> after = Cp932ToUtf16(ConvertKana(character, with));
      ASSERT_TRUE(after.has_value());
      for (const char16_t c : *after) {
        const bool pathCharacter = c == u'/' || c == u'\\' || c == u':' || c == 0 || c == 0xA5;
        // Only the character itself may be one (a name never holds it).
        EXPECT_TRUE(!pathCharacter || *after == *before) << std::hex << int((*before)[0]);
      }
    }
  }
  EXPECT_GT(checked, 7000);
}

TEST(KanaConversionTest, UnchangedTextsKeepTheirBytes) {
  EXPECT_EQ(ConvertKana("plain.txt", {.WidthAlnum = 1, .WidthKana = 1, .KanaKind = 1}), "plain.txt");
  // A byte that is not UTF-8 travels as an extension code and comes back.
  const std::optional<std::string> raw = Utf8ToCp932(U8(u8"ｶ\xFF") + "x");
  ASSERT_TRUE(raw.has_value());
  const std::string converted = ConvertKana(*raw, KanaFull());
  EXPECT_EQ(Cp932ToUtf8(converted), U8(u8"カ\xFF") + "x");
  // Bytes that are no CP932 character at all come back as they were.
  EXPECT_EQ(ConvertKana("\x83", KanaHalf()), "\x83");
  EXPECT_EQ(ConvertKana("", KanaHalf()), "");
}

std::string Cp(const char8_t *utf8) { return *Utf8ToCp932(U8(utf8)); }

TEST(NaturalOrderTest, NumbersByValueLettersWithoutCaseOrWidthKanaInJapaneseOrder) {
  // In their natural order; each line follows the one before.
  const std::vector<std::string> ordered = {
      Cp(u8"2"), Cp(u8"０３"), Cp(u8"10"), Cp(u8"abc"), Cp(u8"ＡＢＤ"),
      Cp(u8"IMG_1"), Cp(u8"IMG_2"), Cp(u8"IMG_10"), Cp(u8"IMG_２０"), Cp(u8"img_021"), Cp(u8"IMG_100"),
      Cp(u8"あい"), Cp(u8"アウ"), Cp(u8"か"), Cp(u8"が"), Cp(u8"さくら"), Cp(u8"ﾀﾇｷ"),
      Cp(u8"亜"), Cp(u8"写真1"), Cp(u8"写真２"), Cp(u8"写真10")};
  for (std::size_t i = 0; i + 1 < ordered.size(); ++i) {
    EXPECT_LT(NaturalSortKey(ordered[i]), NaturalSortKey(ordered[i + 1]))
        << Cp932ToUtf8Lossy(ordered[i]) << " / " << Cp932ToUtf8Lossy(ordered[i + 1]);
  }
  // Leading zeros, case and width leave the key alone: the caller decides.
  EXPECT_EQ(NaturalSortKey(Cp(u8"IMG_007")), NaturalSortKey(Cp(u8"img_７")));
  EXPECT_EQ(NaturalSortKey(Cp(u8"ｶﾀ")), NaturalSortKey(Cp(u8"カタ")));
  // The keys order every pair as the collator does.
  for (const std::string &a : ordered) {
    for (const std::string &b : ordered) {
      const int byKeys = NaturalSortKey(a) < NaturalSortKey(b) ? -1 : NaturalSortKey(b) < NaturalSortKey(a);
      EXPECT_EQ(byKeys, CompareNatural(a, b)) << Cp932ToUtf8Lossy(a) << " / " << Cp932ToUtf8Lossy(b);
    }
  }
}

TEST(JapaneseEraTest, Boundaries) {
  const struct {
    int Year, Month, Day;
    const char8_t *Name;
    const char *Initial;
    int EraYear;
  } cases[] = {
      {2019, 4, 30, u8"平成", "H", 31}, {2019, 5, 1, u8"令和", "R", 1},
      {1989, 1, 7, u8"昭和", "S", 64},  {1989, 1, 8, u8"平成", "H", 1},
      {1926, 12, 24, u8"大正", "T", 15}, {1926, 12, 25, u8"昭和", "S", 1},
      {1912, 7, 29, u8"明治", "M", 45},  {1912, 7, 30, u8"大正", "T", 1},
      {1980, 1, 1, u8"昭和", "S", 55},  {2107, 12, 31, u8"令和", "R", 89},
  };
  for (const auto &c : cases) {
    const std::optional<TJapaneseEra> era = JapaneseEraOf(c.Year, c.Month, c.Day);
    ASSERT_TRUE(era.has_value()) << c.Year;
    EXPECT_EQ(Cp932ToUtf8(era->Name), U8(c.Name)) << c.Year << '-' << c.Month << '-' << c.Day;
    EXPECT_EQ(era->Initial, c.Initial) << c.Year;
    EXPECT_EQ(era->Year, c.EraYear) << c.Year;
  }
  EXPECT_FALSE(JapaneseEraOf(1850, 1, 1).has_value());
  EXPECT_TRUE(JapaneseEraOf(1873, 1, 1).has_value());
}

}  // namespace
