#include <gtest/gtest.h>

#include "TempTree.h"
#include "platform/Cp932.h"
#include "platform/TextFile.h"

namespace {

#define kEmoji "\xF0\x9F\x98\x80"

struct TDecodeCase {
  std::string Bytes;
  bool DetectUtf8;
  TTextEncoding Encoding;
  std::string Cp932;
};

TEST(TextFileTest, DecodingTellsUtf8FromShiftJis) {
  const std::string utf8 = U8(u8"[Rename]\r\nSeqBefore=写真_\r\n");
  const std::string sjis = "[Rename]\r\nSeqBefore=写真_\r\n";
  const TDecodeCase cases[] = {
      {std::string(kUtf8Mark) + utf8, false, TTextEncoding::Utf8WithMark, sjis},
      {std::string(kUtf8Mark) + utf8, true, TTextEncoding::Utf8WithMark, sjis},
      {utf8, true, TTextEncoding::Utf8, sjis},
      {utf8, false, TTextEncoding::ShiftJis, utf8},   // a log without the mark is Shift-JIS
      {sjis, true, TTextEncoding::ShiftJis, sjis},
      {"[a]\r\nx=1\r\n", true, TTextEncoding::ShiftJis, "[a]\r\nx=1\r\n"},
      // Half UTF-8, half Shift-JIS: read as Shift-JIS, byte for byte, as before.
      {utf8 + sjis, true, TTextEncoding::ShiftJis, utf8 + sjis},
      // The mark alone makes no first line of the text.
      {std::string(kUtf8Mark) + "[a]", false, TTextEncoding::Utf8WithMark, "[a]"},
  };
  for (const TDecodeCase &c : cases) {
    const std::optional<TDecodedText> decoded = DecodeTextFile(c.Bytes, c.DetectUtf8);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->Encoding, c.Encoding) << c.Bytes;
    EXPECT_EQ(decoded->Cp932, c.Cp932) << c.Bytes;
  }
}

TEST(TextFileTest, AFileIsShiftJisUnlessItMustHoldMore) {
  const std::string plain = "Folder=/home/表\r\n";
  const std::string wide = *Utf8ToCp932("Folder=/home/" kEmoji "\xFF\r\n");
  EXPECT_EQ(EncodingFor(plain), TTextEncoding::ShiftJis);
  EXPECT_EQ(EncodingFor(plain, TTextEncoding::Utf8), TTextEncoding::Utf8);
  EXPECT_EQ(EncodingFor(wide), TTextEncoding::Utf8WithMark);
  EXPECT_EQ(EncodingFor(wide, TTextEncoding::Utf8), TTextEncoding::Utf8WithMark);

  EXPECT_EQ(EncodeText(plain, TTextEncoding::ShiftJis, true), plain);
  EXPECT_EQ(EncodeText(plain, TTextEncoding::Utf8, true), U8(u8"Folder=/home/表\r\n"));
  // Every character and the byte that is not UTF-8 survive the trip.
  const std::optional<std::string> bytes = EncodeText(wide, TTextEncoding::Utf8WithMark, true);
  EXPECT_EQ(bytes, std::string(kUtf8Mark) + "Folder=/home/" kEmoji "\xFF\r\n");
  const std::optional<TDecodedText> back = DecodeTextFile(*bytes, true);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->Cp932, wide);
  EXPECT_EQ(EncodeText(wide, TTextEncoding::Utf8WithMark, false), bytes->substr(kUtf8Mark.size()));
}

// UTF-16 as Windows editors save it: the mark says which byte comes first.
std::string Utf16(std::u16string_view text, bool little) {
  std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
  for (const char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += little ? low : high;
    bytes += little ? high : low;
  }
  return bytes;
}

TEST(TextFileTest, Utf16WithAMarkIsReadAndWrittenBackAsUtf16) {
  const std::u16string text = u"[Rename]\r\nSeqBefore=写真_\U0001F600\r\n";
  const std::string expected = *Utf8ToCp932(U8(u8"[Rename]\r\nSeqBefore=写真_\U0001F600\r\n"));
  for (const bool little : {true, false}) {
    const TTextEncoding encoding =
        little ? TTextEncoding::Utf16LittleEndian : TTextEncoding::Utf16BigEndian;
    for (const bool detectUtf8 : {true, false}) {
      const std::optional<TDecodedText> decoded = DecodeTextFile(Utf16(text, little), detectUtf8);
      ASSERT_TRUE(decoded) << little;
      EXPECT_EQ(decoded->Encoding, encoding);
      EXPECT_EQ(decoded->Cp932, expected);
    }
    // An odd last byte is no character.
    const std::optional<TDecodedText> odd = DecodeTextFile(Utf16(u"[a]", little) + "x", true);
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->Cp932, "[a]");

    // UTF-16 holds every character, so the file stays UTF-16, a raw byte
    // of a name included.
    const std::string wide = *Utf8ToCp932("Folder=/home/" kEmoji "\xFF\r\n");
    EXPECT_EQ(EncodingFor(wide, encoding), encoding);
    EXPECT_EQ(EncodingFor("plain", encoding), encoding);
    const std::optional<std::string> bytes = EncodeText(wide, encoding, true);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->substr(0, 2), little ? "\xFF\xFE" : "\xFE\xFF");
    const std::optional<TDecodedText> back = DecodeTextFile(*bytes, true);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Encoding, encoding);
    EXPECT_EQ(back->Cp932, wide);
    EXPECT_EQ(EncodeText("[a]", encoding, true), Utf16(u"[a]", little));
  }
  // A broken surrogate pair names no character.
  EXPECT_FALSE(DecodeTextFile(Utf16(u"a\xD800" u"b", true), true));
}

}  // namespace
