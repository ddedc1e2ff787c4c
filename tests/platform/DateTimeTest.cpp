#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>

#include "platform/DateTime.h"
#include "platform/Errors.h"

namespace {

// Sets TZ for one test (POSIX rules, so no time-zone database is needed).
class TTimeZone {
public:
  explicit TTimeZone(const char *zone) {
    if (const char *old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~TTimeZone() {
    if (old_) setenv("TZ", old_->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

private:
  std::optional<std::string> old_;
};

constexpr const char *kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

DateTimeParts Parts(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  DateTimeParts parts;
  parts.Year = y, parts.Month = mo, parts.Day = d;
  parts.Hour = h, parts.Minute = mi, parts.Second = s, parts.MilliSecond = ms;
  return parts;
}

TEST(DateTimeTest, PacksTheBitLayout) {
  // 2003-01-01 00:00:00 and 2107-12-31 23:59:58, the last packable moment.
  EXPECT_EQ(PackDosDateTime(Parts(2003, 1, 1)), 0x2E210000u);
  EXPECT_EQ(PackDosDateTime(Parts(2107, 12, 31, 23, 59, 58)), 0xFF9FBF7Du);
  EXPECT_EQ(PackDosDateTime(Parts(1980, 1, 1)), 0x00210000u);
  EXPECT_EQ(PackDosDateTime(Parts(2002, 12, 31, 23, 59, 59)),   // odd seconds round down
            PackDosDateTime(Parts(2002, 12, 31, 23, 59, 58)));
  EXPECT_EQ(UnpackDosDateTime(0xFF9FBF7Du), Parts(2107, 12, 31, 23, 59, 58));
}

TEST(DateTimeTest, RefusesWhatCannotBePacked) {
  const DateTimeParts bad[] = {
      Parts(1979, 12, 31, 23, 59, 58), Parts(2108, 1, 1), Parts(2003, 0, 1),
      Parts(2003, 13, 1), Parts(2003, 2, 29), Parts(2003, 4, 31), Parts(2003, 1, 0),
      Parts(2003, 1, 1, 24), Parts(2003, 1, 1, 0, 60), Parts(2003, 1, 1, 0, 0, 60),
      Parts(2003, 1, 1, -1),
  };
  for (const auto &parts : bad) {
    EXPECT_FALSE(PackDosDateTime(parts)) << parts.Year << "-" << parts.Month << "-" << parts.Day;
  }
  EXPECT_TRUE(PackDosDateTime(Parts(2004, 2, 29)));
  EXPECT_TRUE(PackDosDateTime(Parts(2000, 2, 29)));
  EXPECT_FALSE(PackDosDateTime(Parts(2100, 2, 29)));
}

TEST(DateTimeTest, ValidityOfPackedValues) {
  EXPECT_TRUE(IsValidDosDateTime(0x2E210000u));
  EXPECT_FALSE(IsValidDosDateTime(0));               // month and day 0
  EXPECT_FALSE(IsValidDosDateTime(0x2E21C000u));     // hour 24
  EXPECT_FALSE(IsValidDosDateTime(0x2E21001Eu));     // seconds 60
  EXPECT_FALSE(IsValidDosDateTime(0x2E210780u));     // minute 60
  EXPECT_FALSE(IsValidDosDateTime(0x2E5D0000u));     // February 29th, 2003
}

TEST(DateTimeTest, EncodeCountsDaysFrom1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2003, 1, 1), 37622.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTimeTest, EncodeRaisesTheConversionErrors) {
  const std::string dateMessage = "日付に変換できない値が渡されました";
  const std::string timeMessage = "時刻に変換できない値が渡されました";
  for (auto [y, m, d] : {std::tuple{2003, 2, 29}, {2003, 0, 1}, {0, 1, 1}, {10000, 1, 1}, {2003, 1, 32}}) {
    try {
      EncodeDate(y, m, d);
      ADD_FAILURE() << y << "-" << m << "-" << d;
    } catch (const EConvertError &error) {
      EXPECT_EQ(error.Message(), dateMessage);
    }
  }
  for (auto [h, m, s, ms] : {std::tuple{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}}) {
    try {
      EncodeTime(h, m, s, ms);
      ADD_FAILURE() << h << ":" << m << ":" << s << "." << ms;
    } catch (const EConvertError &error) {
      EXPECT_EQ(error.Message(), timeMessage);
    }
  }
  EXPECT_THROW(DosDateTimeToDateTime(0), EConvertError);            // month 0
  EXPECT_THROW(DosDateTimeToDateTime(0x2E21C000u), EConvertError);  // hour 24
}

TEST(DateTimeTest, DecodeRoundsToTheMillisecond) {
  EXPECT_EQ(DecodeDateTime(EncodeDate(2003, 1, 1) + EncodeTime(23, 59, 59, 999)),
            Parts(2003, 1, 1, 23, 59, 59, 999));
  EXPECT_EQ(DecodeDateTime(EncodeDate(2003, 1, 1) - 1e-10), Parts(2003, 1, 1));  // rounds up into the day
  EXPECT_EQ(DecodeDateTime(-1.25), Parts(1899, 12, 29, 6));
  EXPECT_EQ(DecodeDateTime(EncodeDate(2000, 2, 29) + 0.5), Parts(2000, 2, 29, 12));
}

TEST(DateTimeTest, DosAndDayCountsConvertBothWays) {
  const DosDateTime value = *PackDosDateTime(Parts(2024, 2, 29, 13, 45, 30));
  EXPECT_EQ(DosDateTimeToDateTime(value), EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 0));
  EXPECT_EQ(DateTimeToDosDateTime(DosDateTimeToDateTime(value)), value);
  EXPECT_FALSE(DateTimeToDosDateTime(EncodeDate(1979, 12, 31)));
  EXPECT_FALSE(DateTimeToDosDateTime(EncodeDate(2108, 1, 1)));
}

TEST(DateTimeTest, FileTimesUseTheOffsetInForceAtThatDate) {
  TTimeZone zone(kBerlin);
  // 2003-01-01 00:00 CET is 2002-12-31 23:00 UTC; 2003-07-01 00:00 CEST is
  // 2003-06-30 22:00 UTC.
  const timespec winter{1041375600, 0}, summer{1057010400, 0};
  EXPECT_EQ(FileTimeToDosDateTime(winter), PackDosDateTime(Parts(2003, 1, 1)));
  EXPECT_EQ(FileTimeToDosDateTime(summer), PackDosDateTime(Parts(2003, 7, 1)));
  EXPECT_EQ(DosDateTimeToFileTime(*PackDosDateTime(Parts(2003, 1, 1)))->tv_sec, winter.tv_sec);
  EXPECT_EQ(DosDateTimeToFileTime(*PackDosDateTime(Parts(2003, 7, 1)))->tv_sec, summer.tv_sec);
}

TEST(DateTimeTest, FileTimesOutsideTheRangeOrInAGapAreRefused) {
  TTimeZone zone(kBerlin);
  EXPECT_FALSE(FileTimeToDosDateTime(timespec{0, 0}));                  // 1970
  EXPECT_FALSE(FileTimeToDosDateTime(timespec{315529200 - 1, 0}));      // 1979-12-31 23:59:59 local
  EXPECT_TRUE(FileTimeToDosDateTime(timespec{315529200, 0}));           // 1980-01-01 00:00:00 local
  EXPECT_FALSE(FileTimeToDosDateTime(timespec{4354819200, 0}));         // 2108
  // 2003-03-30 02:30 does not exist in Berlin: clocks jump from 02:00 to 03:00.
  EXPECT_FALSE(DosDateTimeToFileTime(*PackDosDateTime(Parts(2003, 3, 30, 2, 30))));
  EXPECT_FALSE(DosDateTimeToFileTime(0));
}

TEST(DateTimeTest, NowIsTheLocalClock) {
  const DateTimeParts before = LocalNow();
  const TDateTime now = Now();
  EXPECT_GE(now, EncodeDate(before.Year, before.Month, before.Day));
  EXPECT_LT(now, EncodeDate(before.Year, before.Month, before.Day) + 2);
  EXPECT_TRUE(PackDosDateTime(before));
}

// Times converted by the hour agree with localtime_r second for second:
// around daylight-saving changes, in a zone whose change is half an hour
// (Lord Howe), one that changes off the hour, with leap seconds counted
// (right/), and after the zone is set anew.
TEST(DateTimeTest, FileTimesByTheHourAgreeWithLocaltimeEverywhere) {
  const auto expected = [](std::time_t seconds) -> std::optional<DosDateTime> {
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
    return PackDosDateTime(Parts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                 local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec));
  };
  const struct {
    const char *Zone;
    std::time_t Around;  // a change of offset (or a leap second)
  } cases[] = {
      {kBerlin, 1048986000},                      // 2003-03-30 01:00 UTC, spring forward
      {kBerlin, 1067130000},                      // 2003-10-26 01:00 UTC, fall back
      {"LHST-10:30LHDT-11,M10.1.0,M4.1.0", 1049558400},  // half-hour change, 2003-04-06
      {"XST-5:45XDT,M3.2.0/2:20,M11.1.0/1:10", 1047155700},  // 2003-03-08 20:35 UTC
      {"XST-5:45XDT,M3.2.0/2:20,M11.1.0/1:10", 1067711100},  // 2003-11-01 18:25 UTC
      {"UTC0", 1230768000},
      {"right/UTC", 1230768000 + 23},             // the leap second at the end of 2008
      {"right/Europe/Berlin", 1230768000 + 23},
  };
  for (const auto &c : cases) {
    TTimeZone zone(c.Zone);
    int differences = 0;
    // Every 7 s over a day around the change, then each second of the hour
    // of the change backwards: the cache is filled from either end.
    for (std::time_t t = c.Around - 43200; t < c.Around + 43200; t += 7) {
      if (FileTimeToDosDateTime(timespec{t, 0}) != expected(t)) ++differences;
    }
    for (std::time_t t = c.Around + 3600; t > c.Around - 3600; --t) {
      if (FileTimeToDosDateTime(timespec{t, 0}) != expected(t)) ++differences;
    }
    EXPECT_EQ(differences, 0) << c.Zone;
    // And back: each local time a file can show is the instant that shows
    // it (in the hour a change repeats, one of the two), taken back by the
    // hour as mktime would.
    int wrong = 0;
    for (std::time_t t = c.Around - 3 * 3600; t < c.Around + 3 * 3600; t += 2) {
      const std::optional<DosDateTime> shown = FileTimeToDosDateTime(timespec{t, 0});
      if (!shown) continue;
      const std::optional<timespec> back = DosDateTimeToFileTime(*shown);
      if (!back || FileTimeToDosDateTime(*back) != shown || std::abs(back->tv_sec - t) > 3600) ++wrong;
    }
    EXPECT_EQ(wrong, 0) << c.Zone;
  }
  // The same instant under another zone set in between.
  const timespec instant{1057010400, 0};
  std::optional<DosDateTime> berlin, tokyo;
  {
    TTimeZone zone(kBerlin);
    berlin = FileTimeToDosDateTime(instant);
  }
  {
    TTimeZone zone("JST-9");
    tokyo = FileTimeToDosDateTime(instant);
  }
  EXPECT_EQ(berlin, PackDosDateTime(Parts(2003, 7, 1)));
  EXPECT_EQ(tokyo, PackDosDateTime(Parts(2003, 7, 1, 7)));
}

}  // namespace
