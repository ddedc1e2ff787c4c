#pragma once
// Crossing between window texts (QString) and the CP932 byte strings behind
// the window, for the session helpers.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// CP932 bytes as a window text; bytes that are not valid CP932 show as '?'.
QString QFromCp932(std::string_view cp932);

// A window text as CP932, or nullopt when Shift-JIS cannot hold a character.
std::optional<std::string> Cp932FromQ(const QString &text);
