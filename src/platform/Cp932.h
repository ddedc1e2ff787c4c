#pragma once
// Shift-JIS (code page 932) text services.  Inside the system every text is
// a CP932 byte string; conversion to and from UTF-8 happens only at the
// edges (file names, window texts, the terminal, files in UTF-8).
//
// Every name on disk converts: a character Shift-JIS lacks, and a byte that
// is not UTF-8, travels as an extension code of the user-defined area (see
// ExtensionCodes.h) and comes back exactly.

#include <optional>
#include <string>
#include <string_view>

// True for the bytes that open a double-byte character in code page 932
// (0x81-0x9F and 0xE0-0xFC).  The byte after a lead byte is a trail byte and
// must never be taken for '\\', '/', '.', or a letter.
inline bool IsDBCSLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// Strict conversions: nullopt instead of a guess or a replacement character.
// Utf8ToCp932 fails only when a new extension code is needed and all are
// taken.  Cp932ToUtf8 fails on bytes that are not CP932 (a lone lead byte,
// an unassigned code) and on raw bytes that would run together into another
// character: the result always converts back to the same CP932 text, so the
// name on disk is the name the system planned.
std::optional<std::string> Utf8ToCp932(std::string_view utf8);
std::optional<std::string> Cp932ToUtf8(std::string_view cp932);

// True when every byte of `text` is below 0x80: such a text reads the same
// in CP932 and UTF-8, and needs no conversion either way.
bool IsAscii(std::string_view text);

// The same bytes as Cp932ToUtf8, but raw bytes are written as they come
// even where they run together: for the text of a file, which is no name.
std::optional<std::string> Cp932ToUtf8Bytes(std::string_view cp932);
// Cp932ToUtf8 and Cp932ToUtf8Bytes appending to `out`, for a caller that
// converts one line after another into the same room; false, with `out` as
// it was, where those give nullopt.
bool AppendCp932AsUtf8(std::string &out, std::string_view cp932);
bool AppendCp932AsUtf8Bytes(std::string &out, std::string_view cp932);

// UTF-16 for the window.  A raw byte b travels as the lone surrogate
// 0xDC00 + b, so a name with bytes that are not UTF-8 survives a trip
// through a window text.  Other lone surrogates have no CP932 form.
std::optional<std::u16string> Cp932ToUtf16(std::string_view cp932);
std::optional<std::string> Utf16ToCp932(std::u16string_view utf16);
// For display: what cannot be converted becomes '?'.
std::u16string Cp932ToUtf16Lossy(std::string_view cp932);

// Conversion for messages and display only: characters that cannot be
// converted become '?'.  Never use the result as a file name.
std::string Cp932ToUtf8Lossy(std::string_view cp932);
// The same the other way round (a name counted when the extension codes have
// run out); what cannot be converted becomes '?'.
std::string Utf8ToCp932Lossy(std::string_view utf8);

// True when `cp932` holds a character that Shift-JIS itself cannot hold (an
// extension code standing for something other than its own user-defined
// character), so a file holding the text must be written as UTF-8.
bool NeedsUnicode(std::string_view cp932);

// True when every byte of `text` belongs to a valid UTF-8 character.
bool IsValidUtf8(std::string_view text);

// Letter case of single-byte ASCII letters only; double-byte characters
// (both bytes) are left exactly as they are.
std::string UpperCaseCp932(std::string_view text);
std::string LowerCaseCp932(std::string_view text);
