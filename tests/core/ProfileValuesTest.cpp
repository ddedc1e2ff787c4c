#include "core/ProfileValues.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

TEST(ProfileValues, ParsesIntegersLikeTheSettingsReader) {
  const struct {
    const char *Text;
    std::optional<int> Expected;
  } cases[] = {
      {"16", 16},           {"-1", -1},           {"+7", 7},
      {"0x10", 16},         {"0XfF", 255},        {"$10", 16},
      {"$FFFFFFFF", -1},    {"0x7fffffff", 2147483647},
      {"2147483647", 2147483647},                 {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt},               {"0x100000000", std::nullopt},
      {"0x", std::nullopt}, {"$", std::nullopt},  {"abc", std::nullopt},
      {"", std::nullopt},   {"1 2", std::nullopt}, {"12a", std::nullopt},
      {"-", std::nullopt},  {"-$10", std::nullopt}, {"0x1g", std::nullopt},
      {"00012", 12},        {"0x000000010", 16},
  };
  for (const auto &c : cases) EXPECT_EQ(ParseProfileInteger(c.Text), c.Expected) << c.Text;
}

TEST(ProfileValues, StripsOnePairOfMatchingQuotes) {
  const struct {
    const char *Stored;
    const char *Read;
  } cases[] = {
      {"\" a \"", " a "}, {"'a'", "a"},   {"\"\"", ""},      {"\"", "\""},
      {"\"a'", "\"a'"},  {"\"a", "\"a"}, {"a\"", "a\""},    {"\"\"a\"\"", "\"a\""},
  };
  for (const auto &c : cases) EXPECT_EQ(ProfileText(c.Stored), c.Read) << c.Stored;
}

TEST(ProfileValues, CutsLongValuesWithoutSplittingACharacter) {
  EXPECT_EQ(ProfileText(std::string(3000, 'a')), std::string(kMaxValueBytes, 'a'));
  // 2046 single bytes and then a double-byte character across the limit.
  const std::string straddling = std::string(2046, 'a') + "表" + "b";
  EXPECT_EQ(ProfileText(straddling), std::string(2046, 'a'));
  // A double-byte character ending exactly at the limit stays whole.
  const std::string fitting = std::string(2045, 'a') + "表" + "b";
  EXPECT_EQ(ProfileText(fitting), std::string(2045, 'a') + "表");
  // Quotes come off before the cut.
  EXPECT_EQ(ProfileText("\"" + std::string(2047, 'a') + "\""), std::string(2047, 'a'));
}

TEST(ProfileValues, PutsDateAndTimeTextsIntoTheirFixedForm) {
  const struct {
    const char *Text;
    const char *Date;
    const char *Time;
  } cases[] = {
      {"", "    /  /  ", "  :  :  "},
      {"2024/01/05", "2024/01/05", "05:  :  "},
      {"/  /", "    /  /  ", "  :  :  "},
      {":  :", "    /  /  ", "  :  :  "},
      {"2024/1/5", "2024/ 1/ 5", "15:  :  "},
      {"12:3:45", "2345/  /  ", "12: 3:45"},
      {"12345/123/9", "2345/23/ 9", "39:  :  "},
      {"2024/01/05/99", "2024/01/05", "99:  :  "},
      {"20x4/0a1/05", " 204/01/05", "05:  :  "},
      {"表/1/1", "    / 1/ 1", "11:  :  "},
      {"1:2:3:4", "1234/  /  ", " 1: 2: 3"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(NormaliseDateText(c.Text), c.Date) << c.Text;
    EXPECT_EQ(NormaliseTimeText(c.Text), c.Time) << c.Text;
  }
}

}  // namespace
