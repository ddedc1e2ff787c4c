#pragma once
// Crossing between window texts (QString) and the CP932 byte strings behind
// the window, for the session helpers.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// CP932 bytes as a window text; bytes that are not valid CP932 show as '?';
// a raw byte of a name is a lone surrogate, so it converts back.
QString QFromCp932(std::string_view cp932);

// A window text as CP932 (extension codes for what Shift-JIS lacks), or
// nullopt when no extension code is left.
std::optional<std::string> Cp932FromQ(const QString &text);

// Bytes from the system (a program argument, a name) as a window text that
// converts back to the same bytes.
QString QFromSystemText(std::string_view bytes);
