#include "media/ShotTime.h"

#include <ctime>
#include <string>

namespace {

// Digits at [at, at + count) as a number; nullopt when any is no digit.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool IsRealDate(const DateTimeParts &p) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (p.Year < 1 || p.Month < 1 || p.Month > 12 || p.Day < 1) return false;
  const int days = kDays[p.Month - 1] + (p.Month == 2 && IsLeapYear(p.Year) ? 1 : 0);
  return p.Day <= days && p.Hour >= 0 && p.Hour <= 23 && p.Minute >= 0 && p.Minute <= 59 &&
         p.Second >= 0 && p.Second <= 59 && p.MilliSecond >= 0 && p.MilliSecond <= 999;
}

std::tm TmOf(const DateTimeParts &p) {
  std::tm tm{};
  tm.tm_year = p.Year - 1900;
  tm.tm_mon = p.Month - 1;
  tm.tm_mday = p.Day;
  tm.tm_hour = p.Hour;
  tm.tm_min = p.Minute;
  tm.tm_sec = p.Second;
  return tm;
}

// Euclidean division, so that instants before 1970 split the same way.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

}  // namespace

std::optional<DateTimeParts> ParseExifDateTime(std::string_view text) {
  // Cameras pad the text with blanks or end it with a NUL of their own.
  while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.remove_suffix(1);
  if (text.size() < 19 || text[4] != ':' || text[7] != ':' || text[10] != ' ' || text[13] != ':' ||
      text[16] != ':')
    return std::nullopt;
  DateTimeParts parts;
  const std::optional<int> fields[] = {Digits(text, 0, 4),  Digits(text, 5, 2),  Digits(text, 8, 2),
                                       Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2)};
  for (const auto &field : fields)
    if (!field) return std::nullopt;
  parts.Year = *fields[0];
  parts.Month = *fields[1];
  parts.Day = *fields[2];
  parts.Hour = *fields[3];
  parts.Minute = *fields[4];
  parts.Second = *fields[5];
  if (!IsRealDate(parts)) return std::nullopt;
  return parts;
}

std::optional<int> ParseUtcOffset(std::string_view text) {
  while (!text.empty() && (text.back() == '\0' || text.back() == ' ')) text.remove_suffix(1);
  if (text == "Z") return 0;
  if (text.size() != 6 || (text[0] != '+' && text[0] != '-') || text[3] != ':') return std::nullopt;
  const std::optional<int> hours = Digits(text, 1, 2);
  const std::optional<int> minutes = Digits(text, 4, 2);
  if (!hours || !minutes || *hours > 14 || *minutes > 59) return std::nullopt;
  const int offset = *hours * 60 + *minutes;
  return text[0] == '-' ? -offset : offset;
}

int ParseSubSeconds(std::string_view text) {
  int ms = 0;
  std::size_t digits = 0;
  for (const char c : text) {
    if (c == ' ' || c == '\0') break;
    if (c < '0' || c > '9') return 0;
    if (digits < 3) ms = ms * 10 + (c - '0');
    ++digits;
  }
  if (digits == 0) return 0;
  for (std::size_t i = digits; i < 3; ++i) ms *= 10;
  return ms;
}

std::optional<std::int64_t> ParseIsoUtc(std::string_view text) {
  if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
      text[13] != ':' || text[16] != ':')
    return std::nullopt;
  std::string exif(text.substr(0, 19));
  exif[4] = exif[7] = ':';
  exif[10] = ' ';
  std::optional<DateTimeParts> parts = ParseExifDateTime(exif);
  if (!parts) return std::nullopt;
  std::string_view rest = text.substr(19);
  int ms = 0;
  if (!rest.empty() && rest.front() == '.') {
    std::size_t digits = 1;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    ms = ParseSubSeconds(rest.substr(1, digits - 1));
    rest.remove_prefix(digits);
  }
  // libavformat writes "Z"; an explicit offset is honoured as well.
  int offset = 0;
  if (!rest.empty()) {
    std::string zone(rest);
    // "+0900" as well as "+09:00".
    if (rest.size() == 5 && (rest[0] == '+' || rest[0] == '-'))
      zone = std::string(rest.substr(0, 3)) + ':' + std::string(rest.substr(3));
    const std::optional<int> parsed = ParseUtcOffset(zone);
    if (!parsed) return std::nullopt;
    offset = *parsed;
  }
  std::tm tm = TmOf(*parts);
  const std::int64_t seconds = static_cast<std::int64_t>(timegm(&tm)) - std::int64_t{offset} * 60;
  return seconds * 1000 + ms;
}

std::optional<TShotTime> ShotTimeFromClock(const DateTimeParts &clock,
                                           std::optional<int> offsetMinutes) {
  if (!IsRealDate(clock)) return std::nullopt;
  std::tm tm = TmOf(clock);
  std::int64_t seconds;
  if (offsetMinutes) {
    seconds = static_cast<std::int64_t>(timegm(&tm)) - std::int64_t{*offsetMinutes} * 60;
  } else {
    tm.tm_isdst = -1;
    const std::time_t local = std::mktime(&tm);
    if (local == static_cast<std::time_t>(-1)) return std::nullopt;
    seconds = local;
  }
  return TShotTime{clock, seconds * 1000 + clock.MilliSecond};
}

std::optional<TShotTime> ShotTimeFromUtc(std::int64_t instantMs) {
  const std::int64_t seconds = FloorDiv(instantMs, 1000);
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  if (localtime_r(&t, &tm) == nullptr) return std::nullopt;
  DateTimeParts local;
  local.Year = tm.tm_year + 1900;
  local.Month = tm.tm_mon + 1;
  local.Day = tm.tm_mday;
  local.Hour = tm.tm_hour;
  local.Minute = tm.tm_min;
  local.Second = tm.tm_sec;
  local.MilliSecond = static_cast<int>(instantMs - seconds * 1000);
  if (!IsRealDate(local)) return std::nullopt;
  return TShotTime{local, instantMs};
}
