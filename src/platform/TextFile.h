#pragma once
// The encodings of the system's text files (settings files, logs).
//
// They are Shift-JIS, byte for byte as the Windows program writes them,
// unless they must hold a character Shift-JIS lacks: then the whole file is
// UTF-8 with a byte-order mark, so no character is lost and the mark tells
// any reader what it is.  Bytes of a name that are not UTF-8 are written as
// they are, which is the only way to keep that name.
//
// A settings file may also be UTF-16 with a byte-order mark, as Windows
// editors save it and the Windows profile functions read it; it is written
// back as UTF-16, which holds every character (a raw byte travels as the lone
// surrogate the window's texts use for it).

#include <optional>
#include <string>
#include <string_view>

enum class TTextEncoding { ShiftJis, Utf8, Utf8WithMark, Utf16LittleEndian, Utf16BigEndian };

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
inline constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
inline constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

struct TDecodedText {
  std::string Cp932;  // the text as the system works on it
  TTextEncoding Encoding = TTextEncoding::ShiftJis;
};

// A file's bytes as CP932 text.  A byte-order mark means UTF-8 or UTF-16
// (neither mark can open Shift-JIS text: 0xEF 0xBB is no character, 0xFF and
// 0xFE are none at all).  With `detectUtf8`, a file that is valid UTF-8 and
// holds a byte above 0x7F is UTF-8 too (Japanese Shift-JIS text is
// practically never valid UTF-8); anything else is Shift-JIS and taken as
// it stands.  nullopt when a character of a UTF-8 or UTF-16 file found no
// extension code left, or a UTF-16 file holds a broken surrogate pair.  An
// odd last byte of a UTF-16 file is no character and is dropped.  A
// Shift-JIS file's bytes are moved, not copied: a settings file may be large.
std::optional<TDecodedText> DecodeTextFile(std::string bytes, bool detectUtf8);

// The encoding a file holding `cp932` is written in: the encoding the file
// had (a user who keeps a settings file in UTF-8 or UTF-16 edits it so),
// except that Shift-JIS and UTF-8 without a mark become UTF-8 with a mark
// when the text needs it; new files are Shift-JIS.
TTextEncoding EncodingFor(std::string_view cp932, TTextEncoding previous = TTextEncoding::ShiftJis);

// `cp932` in `encoding`, the mark included for Utf8WithMark and UTF-16 when
// `withMark` (a log written line by line has it once); nullopt when a
// Unicode text would lose a character (CP932 bytes that are no character).
std::optional<std::string> EncodeText(std::string_view cp932, TTextEncoding encoding, bool withMark);
