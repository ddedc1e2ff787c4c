#include "ops/FormatDateTime.h"

#include <gtest/gtest.h>

namespace {

TDateTime At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return EncodeDate(y, mo, d) + EncodeTime(h, mi, s, ms);
}

struct TPatternCase {
  const char *Pattern;
  const char *Expected;
};

// 17 May 2024 (a Friday), 13:45:08.007.
TEST(FormatDateTime, Patterns) {
  const TDateTime value = At(2024, 5, 17, 13, 45, 8, 7);
  const TPatternCase cases[] = {
      {"yymmdd", "240517"},
      {"yymmddhhnnss", "240517134508"},
      {"yy-mm-dd", "24-05-17"},
      {"yy-mm-dd-hh-nn-ss", "24-05-17-13-45-08"},
      {"YYYY.MM.DD", "2024.05.17"},
      {"y", "24"},
      {"yyy", "2024"},
      {"m/d", "5/17"},
      {"hh-mm", "13-45"},       // m after h is the minute
      {"h:m:s", "13:45:8"},
      {"hh'x'mm", "13x45"},     // quoted text does not stand between h and m
      {"mm hh", "05 13"},       // m before h stays the month
      {"'yy'yy", "yy24"},
      {"\"dd\"dd", "dd17"},
      {"'open", "open"},        // an unterminated quote runs to the end
      {"z", "7"},
      {"zzz", "007"},
      {"yyノ", "24ノ"},         // ノ is 0x83 0x6D: its 'm' is no token
      {"'ノ'", "ノ"},
      {"ddd", "金"},
      {"dddd", "金曜日"},
      {"ddddd", "2024/05/17"},
      {"dddddd", "2024年5月17日"},
      {"mmm", "5月"},
      {"t", "13:45"},
      {"tt", "13:45:08"},
      {"c", "2024/05/17 13:45:08"},
      {"q_b", "q_b"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(FormatDateTime(c.Pattern, value), c.Expected) << c.Pattern;
  }
}

// The era turns at midnight; its first year is written 1 (01 with ee).
TEST(FormatDateTime, JapaneseEras) {
  const struct {
    int Year, Month, Day;
    const char *Pattern, *Expected;
  } cases[] = {
      {2019, 4, 30, "gge", "平成31"},
      {2019, 5, 1, "gge", "令和1"},
      {2019, 5, 1, "ggee.mm.dd", "令和01.05.01"},
      {2019, 5, 1, "gee", "R01"},
      {2019, 4, 30, "g.e", "H.31"},
      {1989, 1, 7, "ggee", "昭和64"},
      {1989, 1, 8, "ggee", "平成01"},
      {1989, 1, 8, "GE", "H1"},              // letter case does not matter
      {1926, 12, 25, "gge'年'", "昭和1年"},
      {2024, 5, 17, "ggg e", "令和 6"},      // a longer run is the name
      {1850, 1, 1, "ggee", "1850"},          // before Meiji: the Gregorian year
      {1850, 1, 1, "ge", "1850"},
      {2024, 5, 17, "'e'e", "e6"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(FormatDateTime(c.Pattern, At(c.Year, c.Month, c.Day, 12, 0, 0)), c.Expected)
        << c.Year << '-' << c.Month << '-' << c.Day << ' ' << c.Pattern;
  }
  EXPECT_EQ(FormatDateTime("dddd mmmm", At(2019, 5, 1, 0, 0, 0)), "水曜日 5月");
}

TEST(FormatDateTime, EmptyPatternIsShortDateAndLongTime) {
  EXPECT_EQ(FormatDateTime("", At(2024, 5, 17, 13, 45, 8)), "2024/05/17 13:45:08");
  EXPECT_EQ(FormatDateTime("", At(2024, 5, 17, 9, 5, 3)), "2024/05/17 9:05:03");
  EXPECT_EQ(FormatDateTime("", At(2024, 5, 17, 0, 0, 0)), "2024/05/17");
  EXPECT_EQ(FormatDateTime("", At(1999, 12, 31, 0, 0, 1)), "1999/12/31 0:00:01");
}

TEST(FormatDateTime, PaddingAndTwoDigitYears) {
  const TDateTime value = At(2003, 1, 2, 4, 5, 6);
  EXPECT_EQ(FormatDateTime("yy m d h n s", value), "03 1 2 4 5 6");
  EXPECT_EQ(FormatDateTime("yyyy mm dd hh nn ss", value), "2003 01 02 04 05 06");
  EXPECT_EQ(FormatDateTime("ddd", At(2024, 5, 19, 0, 0, 0)), "日");  // a Sunday
}

}  // namespace
