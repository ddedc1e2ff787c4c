#include <gtest/gtest.h>

#include "TempTree.h"
#include "platform/Cp932.h"

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

TEST(Cp932Test, StrictConversionsRefuseInsteadOfGuessing) {
  EXPECT_FALSE(Utf8ToCp932("a" kEmoji "b"));        // no CP932 counterpart
  EXPECT_FALSE(Utf8ToCp932(kEAcute));
  EXPECT_FALSE(Utf8ToCp932("a\xFF" "b"));         // not UTF-8 at all
  EXPECT_FALSE(Utf8ToCp932("\xE8\xA1"));          // truncated sequence
  EXPECT_FALSE(Cp932ToUtf8("a\x95"));             // lone lead byte at the end
  EXPECT_FALSE(Cp932ToUtf8("\x85\x40"));          // unassigned code
}

TEST(Cp932Test, LossyConversionsMarkEachBadCharacterOnce) {
  EXPECT_EQ(Cp932ToUtf8Lossy("a\x85\x40表"), U8(u8"a?表"));
  EXPECT_EQ(Cp932ToUtf8Lossy("ok\x95"), "ok?");
  EXPECT_EQ(Utf8ToCp932Lossy(kEmoji ".txt"), "?.txt");
  EXPECT_EQ(Utf8ToCp932Lossy("\xE8" "A" + U8(u8"表")), "?A表");  // a broken sequence never eats the 'A'
  EXPECT_EQ(Utf8ToCp932Lossy(U8(u8"表") + kEAcute + U8(u8"表")), "表?表");
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
