#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/ExtensionCodes.h"

namespace {

// Characters without a CP932 form, spelled as UTF-8 bytes: g++ refuses
// them even in u8 literals when the execution character set is CP932.
#define kEmoji "\xF0\x9F\x98\x80"
#define kEAcute "\xC3\xA9"

TEST(Cp932Test, LeadBytesAreExactlyTheTwoRanges) {
  for (int byte = 0; byte < 256; ++byte) {
    const bool expected = (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
    EXPECT_EQ(IsDBCSLeadByte(static_cast<unsigned char>(byte)), expected) << byte;
  }
}

TEST(Cp932Test, RoundTripsJapaneseAndAscii) {
  const struct {
    std::string Cp932;
    std::u8string Utf8;
  } cases[] = {
      {"", u8""},
      {"abc\\~", u8"abc\\~"},            // 0x5C and 0x7E stay ASCII
      {"表.txt", u8"表.txt"},            // trail byte 0x5C
      {"ｱｲｳ", u8"ｱｲｳ"},                  // half-width katakana, one byte each
      {"①ソ能", u8"①ソ能"},              // NEC extension and more 0x5C trail bytes
  };
  for (const auto &c : cases) {
    EXPECT_EQ(Cp932ToUtf8(c.Cp932), U8(c.Utf8));
    EXPECT_EQ(Utf8ToCp932(U8(c.Utf8)), c.Cp932);
  }
  EXPECT_EQ(std::string("表"), std::string("\x95\x5C"));
}

// Every double-byte code outside the user-defined area reads as glibc
// reads it, alone and amid ASCII runs longer and shorter than a word.
TEST(Cp932Test, EveryDoubleByteCodeReadsAsIconvReadsIt) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsDBCSLeadByte(static_cast<unsigned char>(lead)) || (lead >= 0xF0 && lead <= 0xF9)) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      const std::string code{static_cast<char>(lead), static_cast<char>(trail)};
      char in[2] = {code[0], code[1]}, out[8];
      char *inPtr = in, *outPtr = out;
      std::size_t inLeft = 2, outLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      const bool known = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
      const std::optional<std::string> mine = Cp932ToUtf8("path/0123456789" + code + "x" + code);
      if (!known) {
        EXPECT_FALSE(mine) << lead << ' ' << trail;
        continue;
      }
      const std::string utf8(out, outPtr);
      EXPECT_EQ(mine, "path/0123456789" + utf8 + "x" + utf8) << lead << ' ' << trail;
      ++checked;
    }
  }
  iconv_close(cd);
  EXPECT_GT(checked, 7000);
}

// UTF-8 spellings of names Shift-JIS cannot hold as they are.
#define kWaveDash "\xE3\x80\x9C"       // U+301C, comes back as FULLWIDTH TILDE
#define kMinus "\xE2\x88\x92"          // U+2212
#define kYen "\xC2\xA5"                // glibc maps it onto the backslash
#define kVoicedMark "\xE3\x82\x99"     // U+3099 COMBINING VOICED SOUND MARK
#define kPrivateUse "\xEE\x80\x80"     // U+E000, glibc's code of 0xF040

std::string Cp932Of(std::string_view utf8) { return Utf8ToCp932(utf8).value_or("<none>"); }

std::string CodeBytes(int code) {
  unsigned char lead, trail;
  TExtensionCodes::BytesOf(code, lead, trail);
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

// Single-byte characters of a CP932 text, read double-byte aware.
std::string SingleBytes(std::string_view cp932) {
  std::string out;
  for (std::size_t i = 0; i < cp932.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size()) {
      ++i;
    } else {
      out += cp932[i];
    }
  }
  return out;
}

TEST(Cp932Test, EveryNameConvertsAndComesBackExactly) {
  const std::string names[] = {
      kEmoji ".txt",
      "Beyonc" kEAcute ".mp3",
      U8(u8"第1話") + kWaveDash + U8(u8"第5話.txt"),
      "a" kMinus "b" kYen "c",
      U8(u8"か") + kVoicedMark + ".txt",          // が as macOS writes it
      "bad\xFF.txt",                             // not UTF-8: a byte before a dot
      "\xC3" "A\xE3\x81" "B",                    // broken sequences before ASCII letters
      "\xC0\xAF" "x",                            // overlong '/': never a delimiter
      "\xED\xA0\x80",                            // an encoded surrogate
      "\xF4\x90\x80\x80",                        // above U+10FFFF
      kPrivateUse kEmoji kEAcute,                // extension characters only
      U8(u8"ソ表") + kEmoji + U8(u8"能"),          // 0x5C trail bytes beside extension codes
  };
  for (const std::string &name : names) {
    const std::optional<std::string> cp932 = Utf8ToCp932(name);
    ASSERT_TRUE(cp932) << name;
    EXPECT_EQ(Cp932ToUtf8(*cp932), name);
    const std::optional<std::u16string> utf16 = Cp932ToUtf16(*cp932);
    ASSERT_TRUE(utf16) << name;
    EXPECT_EQ(Utf16ToCp932(*utf16), *cp932) << name;
    // No extension code adds a '/', a '.', a NUL or a lone letter: the
    // single-byte characters are exactly the ASCII ones of the name.
    std::string ascii;
    for (char c : name) {
      if (static_cast<unsigned char>(c) < 0x80) ascii += c;
    }
    EXPECT_EQ(SingleBytes(*cp932), ascii) << name;
  }
}

TEST(Cp932Test, ACharacterKeepsItsCodeAndReservedOnesAreFixed) {
  EXPECT_EQ(Cp932Of(kEmoji), Cp932Of(kEmoji));
  EXPECT_NE(Cp932Of(kEmoji), Cp932Of(kEAcute));
  EXPECT_NE(Cp932Of("\xFF"), Cp932Of("\xFE"));
  // The reserved characters take the last codes of the area, in order.
  EXPECT_EQ(Cp932Of(kVoicedMark), CodeBytes(TExtensionCodes::kCount - 1));
  EXPECT_EQ(Cp932Of(kVoicedMark), "\xF9\xFC");
  EXPECT_EQ(Cp932Of(kWaveDash), CodeBytes(TExtensionCodes::kCount - 3));
  EXPECT_EQ(Cp932Of(kMinus), CodeBytes(TExtensionCodes::kCount - 4));
  // What Shift-JIS holds keeps its own code: FULLWIDTH TILDE stays 0x8160.
  EXPECT_EQ(Cp932Of(U8(u8"～")), "\x81\x60");
  EXPECT_EQ(Cp932Of(kYen).size(), 2u);  // never the backslash
  for (int code = 0; code < TExtensionCodes::kCount; ++code) {
    const std::string bytes = CodeBytes(code);
    ASSERT_TRUE(IsDBCSLeadByte(static_cast<unsigned char>(bytes[0])));
    ASSERT_EQ(TExtensionCodes::CodeAt(bytes[0], bytes[1]), code);
  }
}

TEST(Cp932Test, RawBytesThatWouldRunTogetherAreRefused) {
  // "\xC3" and "\xA9" apart are two raw bytes; side by side on disk they
  // would read back as "é", another name than the one planned.
  const std::string c3 = Cp932Of("\xC3"), a9 = Cp932Of("\xA9");
  EXPECT_EQ(Cp932ToUtf8(a9 + c3), "\xA9\xC3");
  EXPECT_FALSE(Cp932ToUtf8(c3 + a9));
  EXPECT_EQ(Cp932ToUtf8Bytes(c3 + a9), "\xC3\xA9");  // a file keeps the bytes
}

// The appending forms give what the others give, after what `out` held,
// and leave it as it was where the others give nothing.
TEST(Cp932Test, AppendingConversionsKeepWhatWasThereAndAddTheSame) {
  const std::string c3 = Cp932Of("\xC3"), a9 = Cp932Of("\xA9");
  const std::string texts[] = {"", "plain.txt", "表ｱ\x95\x5C", Cp932Of(kEmoji ".txt"), a9 + c3, c3 + a9,
                               "\x85\x40", "a\x95"};
  for (const std::string &text : texts) {
    std::string out = "kept ";
    EXPECT_EQ(AppendCp932AsUtf8(out, text), Cp932ToUtf8(text).has_value());
    EXPECT_EQ(out, "kept " + Cp932ToUtf8(text).value_or(""));
    out = "kept ";
    EXPECT_EQ(AppendCp932AsUtf8Bytes(out, text), Cp932ToUtf8Bytes(text).has_value());
    EXPECT_EQ(out, "kept " + Cp932ToUtf8Bytes(text).value_or(""));
  }
}

TEST(Cp932Test, UserDefinedCodesOfShiftJisFilesReadAsBefore) {
  TScopedExtensionCodes scoped;
  // Never assigned: 0xF040 stands for its private-use character, both ways.
  EXPECT_EQ(Cp932ToUtf8("\xF0\x40"), kPrivateUse);
  EXPECT_EQ(Cp932Of(kPrivateUse), "\xF0\x40");
  EXPECT_FALSE(NeedsUnicode("\xF0\x40"));
  EXPECT_TRUE(NeedsUnicode(Cp932Of(kEmoji)));
  EXPECT_FALSE(NeedsUnicode("表ｱ\x95\x5C"));
  EXPECT_FALSE(Cp932ToUtf8("\x85\x40"));  // an unassigned code outside the area
  EXPECT_FALSE(Cp932ToUtf8("a\x95"));     // lone lead byte at the end
}

TEST(Cp932Test, AFullTableRefusesNewCharactersOnly) {
  TScopedExtensionCodes scoped;
  const std::string known = Cp932Of(kEmoji);
  scoped.FillUntil(0);
  EXPECT_FALSE(Utf8ToCp932("a" kEAcute));
  EXPECT_FALSE(Utf8ToCp932("\xFF"));
  EXPECT_EQ(Utf8ToCp932Lossy("a" kEAcute ".txt"), "a?.txt");
  EXPECT_EQ(Cp932Of(kEmoji), known);
  EXPECT_EQ(Cp932Of(U8(u8"表.txt")), "表.txt");
}

// The listing's threads give codes while the output's writer reads them:
// threads that meet the same new characters at once agree on every code,
// no two characters share one, and each reads back as itself.
TEST(Cp932Test, ThreadsMeetingNewCharactersAtOnceAgreeOnTheirCodes) {
  TScopedExtensionCodes scoped;
  constexpr int kThreads = 4, kCharacters = 600;
  const int freeBefore = scoped.Table().FreeCount();
  std::vector<std::vector<int>> codes(kThreads, std::vector<int>(kCharacters, -1));
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      // Each thread goes through the characters in its own order (steps
      // prime to their count).
      constexpr int kSteps[kThreads] = {1, 7, 11, 13};
      for (int i = 0; i < kCharacters; ++i) {
        const int which = (i * kSteps[t] + t * 97) % kCharacters;
        const std::optional<int> code = scoped.Table().CodeOf(0x1F000 + which);
        if (!code) continue;
        codes[t][which] = *code;
        if (scoped.Table().KeyOf(*code) != char32_t(0x1F000 + which)) codes[t][which] = -2;
      }
    });
  }
  for (std::thread &thread : threads) thread.join();
  std::set<int> distinct;
  for (int i = 0; i < kCharacters; ++i) {
    ASSERT_GE(codes[0][i], 0) << i;
    for (int t = 1; t < kThreads; ++t) ASSERT_EQ(codes[t][i], codes[0][i]) << i;
    distinct.insert(codes[0][i]);
  }
  EXPECT_EQ(distinct.size(), std::size_t{kCharacters});
  EXPECT_EQ(scoped.Table().FreeCount(), freeBefore - kCharacters);
}

TEST(Cp932Test, Utf16CarriesRawBytesAsLoneSurrogates) {
  const std::string cp932 = Cp932Of("a\xFF");
  EXPECT_EQ(Cp932ToUtf16(cp932), std::u16string(u"a\xDCFF"));
  EXPECT_EQ(Cp932ToUtf16(Cp932Of(kEmoji)), std::u16string(u"\U0001F600"));
  EXPECT_FALSE(Utf16ToCp932(std::u16string(u"a\xD800")));  // half a surrogate pair
  EXPECT_EQ(Cp932ToUtf16Lossy("ok\x95"), u"ok?");
}

TEST(Cp932Test, LossyConversionsMarkEachBadCharacterOnce) {
  EXPECT_EQ(Cp932ToUtf8Lossy("a\x85\x40表"), U8(u8"a?表"));
  EXPECT_EQ(Cp932ToUtf8Lossy("ok\x95"), "ok?");
  EXPECT_EQ(Cp932ToUtf8Lossy(Cp932Of(kEmoji ".txt")), kEmoji ".txt");
}

TEST(Cp932Test, ShiftJisTextsOfTheSystemAreNeverValidUtf8) {
  // Why a settings file that is valid UTF-8 may be read as UTF-8: the
  // system's own Japanese texts in Shift-JIS never are.
  const std::string_view texts[] = {
      "対象フォルダが存在しません。", "開始", "終了", "中断", "文字列置換", "連番", "大/小文字",
      "更新日付付加", "拡張子", "フォルダ名付加", "処理: リネーム; 結果: 成功; 処理ファイル: ",
      "日付に変換できない値が渡されました", "次回起動時に今回終了時の設定を引き継ぐ", "写真_",
      "ファイル～.txt", "ｱｲｳｴｵ", "表示", "ソフト",
  };
  for (std::string_view text : texts) EXPECT_FALSE(IsValidUtf8(text)) << Cp932ToUtf8Lossy(text);
  EXPECT_TRUE(IsValidUtf8(U8(u8"写真_0001.jpg")));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
}

TEST(Cp932Test, LetterCaseNeverTouchesTrailBytes) {
  // ア is 0x83 0x41 and ソ 0x83 0x5C: their second bytes look like 'A' and '\'.
  EXPECT_EQ(UpperCaseCp932("aア.txtｱ"), "Aア.TXTｱ");
  EXPECT_EQ(LowerCaseCp932("AアBソZ"), "aアbソz");
  EXPECT_EQ(std::string("ア").substr(1), "A");
  EXPECT_EQ(LowerCaseCp932("ア"), "ア");
  EXPECT_EQ(UpperCaseCp932("\x83"), "\x83");  // a lone lead byte stays as it is
}

}  // namespace
