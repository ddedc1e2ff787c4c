#pragma once
// Japanese MP3 collections are full of ID3 texts written in Shift_JIS by
// programs that declared them Latin-1, the only single-byte encoding ID3
// knows.  Read as Latin-1 they become mojibake.  Such a text is recognised
// by two facts together: its bytes are valid Shift_JIS with at least one
// double-byte character, and it is not Latin-1 text, because it holds a
// byte 0x80-0x9F, which Latin-1 gives to control characters that no text
// uses (the lead bytes of kana and of most kanji fall there).  "Crème" is
// valid Shift_JIS too, but plain Latin-1, and stays as it is.

#include <optional>
#include <string>
#include <string_view>

// The UTF-8 form of `bytes` read as Shift_JIS when they are Shift_JIS in a
// Latin-1 field as described above; nullopt when they are to be read as
// Latin-1.
std::optional<std::string> ShiftJisInLatin1(std::string_view bytes);
