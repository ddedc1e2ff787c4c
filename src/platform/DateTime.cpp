// Dates are counted in days from 1899-12-30, the epoch of TDateTime, with the
// civil-calendar arithmetic of Howard Hinnant's days_from_civil (proleptic
// Gregorian, exact for every year we accept).  Local time goes through
// localtime_r (once an hour, see TLocalHour) and mktime, so each date gets
// the UTC offset in force on that date, not today's.
//
// The messages are spelled as CP932 bytes rather than as literals so they
// are the same in the clang build, which compiles without the CP932
// execution character set.

#include "platform/DateTime.h"

#include <cmath>
#include <ctime>
#include <limits>
#include <optional>

#include "platform/Errors.h"

namespace {

// 日付に変換できない値が渡されました
const char kDateError[] =
    "\x93\xFA\x95\x74\x82\xC9\x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xC8\x82\xA2"
    "\x92\x6C\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";
// 時刻に変換できない値が渡されました
const char kTimeError[] =
    "\x8E\x9E\x8D\x8F\x82\xC9\x95\xCF\x8A\xB7\x82\xC5\x82\xAB\x82\xC8\x82\xA2"
    "\x92\x6C\x82\xAA\x93\x6E\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD";

constexpr long long kMsPerDay = 86400000;
// Days from 1899-12-30 to 1970-01-01.
constexpr long long kUnixEpochDay = 25569;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsValidDate(int year, int month, int day) {
  return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

// Days since 1970-01-01.
long long DaysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const long long yoe = year - era * 400;
  const long long doy = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(long long days, DateTimeParts &parts) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  parts.Year = static_cast<int>(yoe + era * 400 + (month <= 2));
  parts.Month = month;
  parts.Day = day;
}

std::optional<DosDateTime> PackLocal(const std::tm &local) {
  DateTimeParts parts;
  parts.Year = local.tm_year + 1900;
  parts.Month = local.tm_mon + 1;
  parts.Day = local.tm_mday;
  parts.Hour = local.tm_hour;
  parts.Minute = local.tm_min;
  parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;  // a leap second
  return PackDosDateTime(parts);
}

// Local time as the fields of `local` count it, in seconds since the epoch.
long long LocalSeconds(const std::tm &local) {
  return DaysFromCivil(local.tm_year + 1900LL, local.tm_mon + 1, local.tm_mday) * 86400 +
         local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
}

// The offset of local time from UTC over the UTC hour last converted.  A
// listing converts every entry's time, and localtime_r costs a sixth of it;
// the files of one folder mostly share an hour.  The offset is used only
// once the hour's first and last second are seen to have it, with no leap
// second at either end: a zone's rules never change the offset and change
// it back within one hour, so every second between has it too.  That check
// costs two conversions, so it is made at the third time met in one hour,
// and never again for that hour.  A zone set anew (tzset) leaves other
// names or another standard offset behind, which forgets the hour.
class TLocalHour {
public:
  std::optional<long long> OffsetAt(std::time_t seconds) {
    if (HourOf(seconds) != Hour_ || !SameZone()) return std::nullopt;
    if (State_ == TState::Unchecked && Seen_ >= 2) Check();
    return State_ == TState::Even ? std::optional<long long>(Offset_) : std::nullopt;
  }

  // A time of this hour that localtime_r converted.
  void Seen(std::time_t seconds, const std::tm &local) {
    if (HourOf(seconds) == Hour_ && SameZone()) {
      ++Seen_;
      return;
    }
    Hour_ = HourOf(seconds);
    Offset_ = LocalSeconds(local) - seconds;
    State_ = TState::Unchecked;
    Seen_ = 1;
    Names_[0] = tzname[0];
    Names_[1] = tzname[1];
    Standard_ = timezone;
  }

private:
  enum class TState { Unchecked, Even, Uneven };

  static long long HourOf(std::time_t seconds) {
    return seconds >= 0 ? seconds / 3600 : (seconds - 3599) / 3600;
  }

  bool SameZone() const {
    return Names_[0] == tzname[0] && Names_[1] == tzname[1] && Standard_ == timezone;
  }

  void Check() {
    State_ = TState::Uneven;
    for (const std::time_t end : {static_cast<std::time_t>(Hour_ * 3600),
                                  static_cast<std::time_t>(Hour_ * 3600 + 3599)}) {
      std::tm local{};
      if (localtime_r(&end, &local) == nullptr || local.tm_sec > 59 ||
          LocalSeconds(local) - end != Offset_) {
        return;
      }
    }
    State_ = TState::Even;
  }

  long long Hour_ = std::numeric_limits<long long>::min();
  long long Offset_ = 0;
  TState State_ = TState::Uneven;
  int Seen_ = 0;
  const char *Names_[2] = {nullptr, nullptr};
  long Standard_ = 0;
};

}  // namespace

std::optional<DosDateTime> PackDosDateTime(const DateTimeParts &parts) {
  if (parts.Year < 1980 || parts.Year > 2107) return std::nullopt;
  if (!IsValidDate(parts.Year, parts.Month, parts.Day)) return std::nullopt;
  if (!IsValidTime(parts.Hour, parts.Minute, parts.Second)) return std::nullopt;
  const auto date = static_cast<std::uint32_t>(((parts.Year - 1980) << 9) | (parts.Month << 5) | parts.Day);
  const auto time = static_cast<std::uint32_t>((parts.Hour << 11) | (parts.Minute << 5) | (parts.Second / 2));
  return (date << 16) | time;
}

DateTimeParts UnpackDosDateTime(DosDateTime value) {
  DateTimeParts parts;
  const std::uint32_t date = value >> 16;
  const std::uint32_t time = value & 0xFFFF;
  parts.Year = static_cast<int>((date >> 9) & 0x7F) + 1980;
  parts.Month = static_cast<int>((date >> 5) & 0x0F);
  parts.Day = static_cast<int>(date & 0x1F);
  parts.Hour = static_cast<int>((time >> 11) & 0x1F);
  parts.Minute = static_cast<int>((time >> 5) & 0x3F);
  parts.Second = static_cast<int>(time & 0x1F) * 2;
  return parts;
}

bool IsValidDosDateTime(DosDateTime value) {
  const DateTimeParts parts = UnpackDosDateTime(value);
  return IsValidDate(parts.Year, parts.Month, parts.Day) &&
         IsValidTime(parts.Hour, parts.Minute, parts.Second);
}

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || !IsValidDate(year, month, day)) throw EConvertError(kDateError);
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixEpochDay);
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
  if (!IsValidTime(hour, minute, second) || milliSecond < 0 || milliSecond > 999) {
    throw EConvertError(kTimeError);
  }
  const long long ms = ((hour * 60LL + minute) * 60 + second) * 1000 + milliSecond;
  return static_cast<TDateTime>(ms) / kMsPerDay;
}

// A negative TDateTime keeps its date in the integer part and its time of
// day in the magnitude of the fraction: -1.25 is 1899-12-29 06:00.
DateTimeParts DecodeDateTime(TDateTime value) {
  DateTimeParts parts;
  if (!std::isfinite(value)) return parts;
  double whole = std::trunc(value);
  long long days = static_cast<long long>(whole);
  long long ms = std::llround(std::fabs(value - whole) * kMsPerDay);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    ++days;
  }
  CivilFromDays(days - kUnixEpochDay, parts);
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.MilliSecond = static_cast<int>(ms % 1000);
  return parts;
}

TDateTime DosDateTimeToDateTime(DosDateTime value) {
  const DateTimeParts parts = UnpackDosDateTime(value);
  const TDateTime date = EncodeDate(parts.Year, parts.Month, parts.Day);
  return date + EncodeTime(parts.Hour, parts.Minute, parts.Second, 0);
}

std::optional<DosDateTime> DateTimeToDosDateTime(TDateTime value) {
  if (!std::isfinite(value) || value < 0 || value > 3000000) return std::nullopt;
  return PackDosDateTime(DecodeDateTime(value));
}

std::optional<DosDateTime> FileTimeToDosDateTime(const timespec &fileTime) {
  const std::time_t seconds = fileTime.tv_sec;
  // (Times of no calendar at all go straight to localtime_r, which refuses them.)
  constexpr std::time_t kFar = std::time_t{1} << 50;
  const bool byHour = seconds > -kFar && seconds < kFar;
  thread_local TLocalHour hour;
  if (const std::optional<long long> offset = byHour ? hour.OffsetAt(seconds) : std::nullopt) {
    const long long local = seconds + *offset;
    long long days = local / 86400, rest = local % 86400;
    if (rest < 0) rest += 86400, --days;
    DateTimeParts parts;
    CivilFromDays(days, parts);
    parts.Hour = static_cast<int>(rest / 3600);
    parts.Minute = static_cast<int>(rest / 60 % 60);
    parts.Second = static_cast<int>(rest % 60);
    return PackDosDateTime(parts);
  }
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  if (byHour) hour.Seen(seconds, local);
  return PackLocal(local);
}

namespace {

// The inverse of a local time, by mktime, which is dear (it looks for a new
// zone file on every call).  A run takes its targets' listed times back one
// by one, and they mostly share an hour.
std::optional<std::time_t> MakeLocalTime(const DateTimeParts &parts) {
  std::tm local{};
  local.tm_year = parts.Year - 1900;
  local.tm_mon = parts.Month - 1;
  local.tm_mday = parts.Day;
  local.tm_hour = parts.Hour;
  local.tm_min = parts.Minute;
  local.tm_sec = parts.Second;
  local.tm_isdst = -1;
  const std::tm asked = local;
  const std::time_t seconds = std::mktime(&local);
  if (seconds == static_cast<std::time_t>(-1)) return std::nullopt;
  // mktime moves a time that falls into a daylight-saving gap; such a local
  // time never existed, and a file stamped with the moved time would show
  // another time than the one asked for.
  if (local.tm_year != asked.tm_year || local.tm_mon != asked.tm_mon ||
      local.tm_mday != asked.tm_mday || local.tm_hour != asked.tm_hour ||
      local.tm_min != asked.tm_min || local.tm_sec != asked.tm_sec) {
    return std::nullopt;
  }
  return seconds;
}

// The local hour last taken back: the time of its first second, kept only
// when its first and last second both exist and lie an hour apart, so every
// second between is that start plus its count (no gap and no repeat of a
// daylight-saving change within).  A zone set anew forgets it, as above.
class TLocalHourBack {
public:
  std::optional<std::time_t> Convert(DosDateTime value, const DateTimeParts &parts) {
    const std::uint32_t key = value >> 11;  // the date and the hour
    if (key != Key_ || Names_[0] != tzname[0] || Names_[1] != tzname[1] || Standard_ != timezone) {
      Key_ = key;
      Start_.reset();
      DateTimeParts first = parts, last = parts;
      first.Minute = first.Second = 0;
      last.Minute = 59;
      last.Second = 58;
      const std::optional<std::time_t> start = MakeLocalTime(first), end = MakeLocalTime(last);
      if (start && end && *end - *start == 3598) Start_ = start;
      Names_[0] = tzname[0];
      Names_[1] = tzname[1];
      Standard_ = timezone;
    }
    if (Start_) return *Start_ + parts.Minute * 60 + parts.Second;
    return MakeLocalTime(parts);
  }

private:
  std::uint32_t Key_ = 0xFFFFFFFF;
  std::optional<std::time_t> Start_;
  const char *Names_[2] = {nullptr, nullptr};
  long Standard_ = 0;
};

}  // namespace

std::optional<timespec> DosDateTimeToFileTime(DosDateTime value) {
  if (!IsValidDosDateTime(value)) return std::nullopt;
  thread_local TLocalHourBack hour;
  const std::optional<std::time_t> seconds = hour.Convert(value, UnpackDosDateTime(value));
  if (!seconds) return std::nullopt;
  timespec out{};
  out.tv_sec = *seconds;
  return out;
}

DateTimeParts LocalNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::tm local{};
  const std::time_t seconds = now.tv_sec;
  localtime_r(&seconds, &local);
  DateTimeParts parts;
  parts.Year = local.tm_year + 1900;
  parts.Month = local.tm_mon + 1;
  parts.Day = local.tm_mday;
  parts.Hour = local.tm_hour;
  parts.Minute = local.tm_min;
  parts.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
  parts.MilliSecond = static_cast<int>(now.tv_nsec / 1000000);
  return parts;
}

TDateTime Now() {
  const DateTimeParts parts = LocalNow();
  return EncodeDate(parts.Year, parts.Month, parts.Day) +
         EncodeTime(parts.Hour, parts.Minute, parts.Second, parts.MilliSecond);
}
