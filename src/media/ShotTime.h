#pragma once
// The date texts the formats use for a shooting or recording time, and the
// two ways a TShotTime is made: from a clock time (a photo's, with its
// offset from UTC when the file records one) or from an instant in UTC (a
// video's).

#include <cstdint>
#include <optional>
#include <string_view>

#include "media/MediaFacts.h"

// EXIF's "YYYY:MM:DD HH:MM:SS" (blanks or zeros in it mean "no date").
std::optional<DateTimeParts> ParseExifDateTime(std::string_view text);
// EXIF's offset "+09:00" / "-05:30", in minutes east of UTC.
std::optional<int> ParseUtcOffset(std::string_view text);
// EXIF's sub-second digits ("5" is half a second), in milliseconds.
int ParseSubSeconds(std::string_view text);
// ISO 8601 in UTC as libavformat gives it ("2021-07-15T10:20:30.000000Z"),
// in milliseconds since 1970.
std::optional<std::int64_t> ParseIsoUtc(std::string_view text);

// A clock time as recorded; nullopt for a date that does not exist.
std::optional<TShotTime> ShotTimeFromClock(const DateTimeParts &clock,
                                           std::optional<int> offsetMinutes);
// An instant in UTC, shown in this machine's local time.
std::optional<TShotTime> ShotTimeFromUtc(std::int64_t instantMs);
