#pragma once
// Window texts are QString; everything behind the window works on CP932
// byte strings.  These two conversions are the only crossing point.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// CP932 bytes (every narrow literal of this code base, every job text) as a
// window text.  Bytes that are not valid CP932 show as '?'; a raw byte of
// a name is a lone surrogate (0xDC00 + the byte), so it converts back.
QString Q(std::string_view cp932);

// A window text as CP932 bytes, characters Shift-JIS lacks as extension
// codes; nullopt only when no extension code is left.
std::optional<std::string> ToCp932(const QString &text);

// The same, with unrepresentable characters replaced by '?', for the places
// where a text must be produced anyway (a control read at run time that the
// user could not have filled that way because its edit refuses such input).
std::string ToCp932Lossy(const QString &text);
