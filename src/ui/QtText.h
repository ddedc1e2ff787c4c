#pragma once
// Window texts are QString; everything behind the window works on CP932
// byte strings.  These two conversions are the only crossing point, so a
// text that Shift-JIS cannot hold is caught here and never reaches a job.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// CP932 bytes (every narrow literal of this code base, every job text) as a
// window text.  Bytes that are not valid CP932 show as '?'.
QString Q(std::string_view cp932);

// A window text as CP932 bytes, or nullopt when a character has no
// Shift-JIS counterpart.
std::optional<std::string> ToCp932(const QString &text);

// The same, with unrepresentable characters replaced by '?', for the places
// where a text must be produced anyway (a control read at run time that the
// user could not have filled that way because its edit refuses such input).
std::string ToCp932Lossy(const QString &text);
