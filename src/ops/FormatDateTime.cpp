#include "ops/FormatDateTime.h"

#include <array>
#include <optional>

#include "platform/Cp932.h"
#include "platform/JapaneseText.h"

namespace {

// The Japanese locale.
constexpr char kDateSeparator = '/';
constexpr char kTimeSeparator = ':';
constexpr std::string_view kShortDateFormat = "yyyy/mm/dd";
constexpr std::string_view kLongDateFormat = "yyyy'年'm'月'd'日'";
constexpr std::string_view kShortTimeFormat = "h:nn";
constexpr std::string_view kLongTimeFormat = "h:nn:ss";
constexpr std::array<std::string_view, 7> kShortDayNames = {"日", "月", "火", "水",
                                                            "木", "金", "土"};
constexpr std::array<std::string_view, 7> kLongDayNames = {
    "日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"};
constexpr std::string_view kMonthSuffix = "月";

// The locale's own formats never nest deeper than this.
constexpr int kMaxDepth = 2;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsAsciiLetter(char c) { return UpperAscii(c) >= 'A' && UpperAscii(c) <= 'Z'; }

void AppendNumber(std::string &out, int value, int width) {
  std::string digits = std::to_string(value);
  if (static_cast<int>(digits.size()) < width) out.append(width - digits.size(), '0');
  out += digits;
}

// 0 = Sunday, from the civil date (days-from-civil of H. Hinnant).
int DayOfWeek(int year, int month, int day) {
  year -= month <= 2;
  const long era = (year >= 0 ? year : year - 399) / 400;
  const long yoe = year - era * 400;
  const long doy = (153L * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long days = era * 146097 + doe - 719468;  // 0 = 1970-01-01, a Thursday
  return static_cast<int>(((days % 7) + 7 + 4) % 7);
}

class TDateTimeFormatter {
public:
  explicit TDateTimeFormatter(const DateTimeParts &parts) : FParts(parts) {}

  void Append(std::string &out, std::string_view pattern, int depth) const {
    char lastLetter = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char c = pattern[i];
      if (IsDBCSLeadByte(static_cast<unsigned char>(c)) && i + 1 < pattern.size()) {
        out.append(pattern.substr(i, 2));
        i += 2;
        continue;
      }
      if (c == '\'' || c == '"') {
        i = AppendQuoted(out, pattern, i);
        continue;
      }
      if (!IsAsciiLetter(c)) {
        out += c == '/' ? kDateSeparator : c == ':' ? kTimeSeparator : c;
        ++i;
        continue;
      }
      char token = UpperAscii(c);
      std::size_t end = i + 1;
      while (end < pattern.size() && UpperAscii(pattern[end]) == token) ++end;
      if (token == 'M' && lastLetter == 'H') token = 'N';
      lastLetter = token;
      AppendToken(out, token, static_cast<int>(end - i), pattern.substr(i, end - i), depth);
      i = end;
    }
  }

  void AppendDefault(std::string &out) const {
    Append(out, kShortDateFormat, 1);
    if (FParts.Hour != 0 || FParts.Minute != 0 || FParts.Second != 0) {
      out += ' ';
      Append(out, kLongTimeFormat, 1);
    }
  }

private:
  // Copies the text between a quote and its partner (or the end); returns
  // the index after the closing quote.
  static std::size_t AppendQuoted(std::string &out, std::string_view pattern, std::size_t open) {
    const char quote = pattern[open];
    std::size_t i = open + 1;
    while (i < pattern.size() && pattern[i] != quote) {
      const bool pair = IsDBCSLeadByte(static_cast<unsigned char>(pattern[i])) && i + 1 < pattern.size();
      i += pair ? 2 : 1;
    }
    out.append(pattern.substr(open + 1, i - open - 1));
    return i < pattern.size() ? i + 1 : i;
  }

  void AppendToken(std::string &out, char token, int count, std::string_view run,
                   int depth) const {
    const DateTimeParts &t = FParts;
    switch (token) {
    case 'Y':
      if (count <= 2) AppendNumber(out, t.Year % 100, 2);
      else AppendNumber(out, t.Year, 4);
      return;
    case 'M':
      if (count <= 2) AppendNumber(out, t.Month, count);
      else {
        out += std::to_string(t.Month);
        out += kMonthSuffix;
      }
      return;
    case 'D':
      if (count <= 2) AppendNumber(out, t.Day, count);
      else if (count <= 4) {
        const int dow = DayOfWeek(t.Year, t.Month, t.Day);
        out += count == 3 ? kShortDayNames[dow] : kLongDayNames[dow];
      } else if (depth < kMaxDepth) {
        Append(out, count == 5 ? kShortDateFormat : kLongDateFormat, depth + 1);
      }
      return;
    case 'H': AppendNumber(out, t.Hour, count == 1 ? 1 : 2); return;
    case 'N': AppendNumber(out, t.Minute, count == 1 ? 1 : 2); return;
    case 'S': AppendNumber(out, t.Second, count == 1 ? 1 : 2); return;
    case 'Z': AppendNumber(out, t.MilliSecond, count == 1 ? 1 : 3); return;
    case 'G':
      // Before Meiji a date has no era of the modern calendar: nothing.
      if (const std::optional<TJapaneseEra> era = JapaneseEraOf(t.Year, t.Month, t.Day))
        out += count == 1 ? era->Initial : era->Name;
      return;
    case 'E':
      // The Gregorian year stands in before Meiji.
      if (const std::optional<TJapaneseEra> era = JapaneseEraOf(t.Year, t.Month, t.Day))
        AppendNumber(out, era->Year, count == 1 ? 1 : 2);
      else
        AppendNumber(out, t.Year, count == 1 ? 1 : 2);
      return;
    case 'T':
      if (depth < kMaxDepth) Append(out, count == 1 ? kShortTimeFormat : kLongTimeFormat, depth + 1);
      return;
    case 'C':
      if (depth < kMaxDepth) AppendDefault(out);
      return;
    default:
      out.append(run);  // not a token: the letters stand for themselves
      return;
    }
  }

  DateTimeParts FParts;
};

}  // namespace

std::string FormatDateTime(std::string_view pattern, TDateTime value) {
  const TDateTimeFormatter formatter(DecodeDateTime(value));
  std::string out;
  if (pattern.empty()) formatter.AppendDefault(out);
  else formatter.Append(out, pattern, 0);
  return out;
}

TDateTime LocalPartsToDateTime(const DateTimeParts &parts) {
  return EncodeDate(parts.Year, parts.Month, parts.Day) +
         EncodeTime(parts.Hour, parts.Minute, parts.Second, parts.MilliSecond);
}
