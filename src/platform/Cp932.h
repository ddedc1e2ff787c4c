#pragma once
// Shift-JIS (code page 932) text services.  Inside the system every text is
// a CP932 byte string; conversion to and from UTF-8 happens only at the
// edges (file names, window texts, the terminal).

#include <optional>
#include <string>
#include <string_view>

// True for the bytes that open a double-byte character in code page 932
// (0x81-0x9F and 0xE0-0xFC).  The byte after a lead byte is a trail byte and
// must never be taken for '\\', '/', '.', or a letter.
bool IsDBCSLeadByte(unsigned char byte);

// Strict conversions: nullopt when a character has no counterpart, instead of
// a guess or a replacement character.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

// Conversion for messages and display only: characters that cannot be
// converted become '?'.  Never use the result as a file name.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
// The same the other way round (a UTF-8 name shown or matched for counting
// only); invalid UTF-8 bytes and characters outside CP932 become '?'.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// Letter case of single-byte ASCII letters only; double-byte characters
// (both bytes) are left exactly as they are.
std::string UpperCaseCp932(std::string_view text);
std::string LowerCaseCp932(std::string_view text);
