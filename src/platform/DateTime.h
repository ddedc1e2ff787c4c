#pragma once
// Dates and times.  Every file time of the system passes through the packed
// MS-DOS form (DosDateTime, local time, two-second resolution, 1980-2107);
// TDateTime is the day-count form used by the date step and the log
// (days since 1899-12-30, the fraction being the time of day).

#include <cstdint>
#include <ctime>
#include <optional>

// MS-DOS date in the high 16 bits (bits 9-15 year-1980, 5-8 month, 0-4
// day), MS-DOS time in the low 16 bits (11-15 hour, 5-10 minute, 0-4
// seconds/2).
using DosDateTime = std::uint32_t;
using TDateTime = double;

struct DateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
  bool operator==(const DateTimeParts &) const = default;
};

// Packing.  PackDosDateTime refuses values outside 1980-2107 or with an
// invalid month, day, hour, minute or second; odd seconds round down.
std::optional<DosDateTime> PackDosDateTime(const DateTimeParts &parts);
DateTimeParts UnpackDosDateTime(DosDateTime value);
// Month 1-12, day within its month, hour 0-23, minute 0-59, second 0-59 and
// years 1980-2107.
bool IsValidDosDateTime(DosDateTime value);

// Day counts.  EncodeDate raises EConvertError("日付に変換できない値が渡されました")
// and EncodeTime EConvertError("時刻に変換できない値が渡されました") for values
// out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int milliSecond);
// Splits a TDateTime (rounded to the millisecond).
DateTimeParts DecodeDateTime(TDateTime value);
// DosDateTime -> TDateTime; raises the EncodeDate/EncodeTime errors for an
// invalid packed value.
TDateTime DosDateTimeToDateTime(DosDateTime value);
// TDateTime -> DosDateTime; nullopt outside 1980-2107.
std::optional<DosDateTime> DateTimeToDosDateTime(TDateTime value);

// File times (UTC, as the file system keeps them) <-> local packed time, with
// the offset in force at that date.  nullopt outside 1980-2107 or for a
// local time that does not exist.
std::optional<DosDateTime> FileTimeToDosDateTime(const timespec &fileTime);
std::optional<timespec> DosDateTimeToFileTime(DosDateTime value);

// The current local date and time.
DateTimeParts LocalNow();
TDateTime Now();
