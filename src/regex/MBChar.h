#pragma once
// Character routines of the engine.  A character is one byte, or two bytes
// when the first is a CP932 lead byte; its code is the byte, or
// lead * 256 + trail.  Code 0 stands for "no more characters".  Positions
// are 1-based: position p means the next byte to read is byte p.

#include <cstdint>
#include <string>
#include <string_view>

// The engine decides double-byte characters with a fixed table for code
// page 932 instead of a call per byte: the matcher asks for every subject
// byte.  It agrees with the platform's IsDBCSLeadByte (a test checks that).
constexpr bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// Reads the character at pos and moves pos past it.  Returns 0 and leaves
// pos alone outside the text.  A lead byte that ends the text raises
// "不正な２バイト文字コードです。".
std::uint16_t GetMBChar(std::string_view text, int &pos);

// Moves pos back to the first byte of the character read last.  Whether
// that character had two bytes is decided by the parity of the lead-byte
// values right before its last byte, which is exact whenever the walk meets
// a byte that cannot be a lead byte (every caller puts back a character that
// follows such a byte).
void UnGetMBChar(std::string_view text, int &pos);

// One byte (the low byte) unless the high byte is a lead byte; code 0 gives
// a single zero byte.
std::string MBCharToStr(std::uint16_t code);

// Decodes the escape sequence whose backslash was just read: \b \r \n \t,
// \x with 1-4 hex digits, \ with 1-6 octal digits, else the character
// itself.
std::uint16_t GetEscapeChar(std::string_view text, int &pos);

// Puts a backslash before each of ^ ( | ) + * ? . [ ] $ and '\'.
std::string QuoteMetaChars(std::string_view word);
