#pragma once
// Date-time patterns of the date step, read the way the Japanese Windows
// locale reads them: y, m, d, h, n, s, z tokens (letter case ignored, a run
// of one letter is one token), m after h meaning the minute, ddd and dddd
// the day of the week (月, 月曜日), mmm and mmmm the month (5月), g and gg
// the Japanese era's initial and name (R, 令和), e and ee the year of the era
// (1, 01; the Gregorian year before Meiji, which has no era of the modern
// calendar), quoted text copied as it is, '/' and ':' the locale's
// separators, an empty pattern the short date and long time ("2024/05/17
// 13:45:08", the time left out at midnight).  Double-byte characters are
// copied whole, so a trail byte such as the 'm' (0x6D) of ノ (0x83 0x6D) is
// never taken for a token.

#include <string>
#include <string_view>

#include "platform/DateTime.h"

std::string FormatDateTime(std::string_view pattern, TDateTime value);

// A date and time of day as a TDateTime; raises the EncodeDate/EncodeTime
// errors for values out of range.
TDateTime LocalPartsToDateTime(const DateTimeParts &parts);
