#include <gtest/gtest.h>

#include "common/core/text.h"

using namespace scandeck;

TEST(NumericValue, TakesTheLongestLeadingNumber) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"3", 3},        {"   3", 3},     {"3abc", 3},    {"", 0},         {"abc", 0},
      {"-12.5x", -12.5}, {"+7", 7},     {".5", 0.5},    {"1.2.3", 1.2},  {"  \t42 ", 42},
      {"01553250", 1553250}, {"-", 0},  {".", 0},       {"1,5", 1},      {"\0\0\0", 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value) << '"' << c.text << '"';
}

TEST(FrequencyText, FormatsUnitsOf100HzAsMegahertz) {
  const struct {
    const char* units;
    char separator;
    const char* text;
  } cases[] = {
      {"01553250", '.', "155.3250"}, {"01545500", ',', "154,5500"}, {"00000000", '.', "000.0000"},
      {"", '.', "000.0000"},         {"00270000", '.', "027.0000"}, {"13000000", '.', "1300.0000"},
      {"0118", '.', "000.0118"},     {"01180000", '.', "118.0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FrequencyTextFromUnits(c.units, c.separator), c.text) << c.units;
}

TEST(FrequencyText, RoundsToFourDecimals) {
  EXPECT_EQ(FormatFrequencyMhz(118.00005, '.'), "118.0001");
  EXPECT_EQ(FormatFrequencyMhz(-1.5, '.'), "-001.5000");
  EXPECT_EQ(FormatPadded(118.0 * 10000, 8), "01180000");
  EXPECT_EQ(FormatPadded(136.975 * 10000, 8), "01369750");
  EXPECT_EQ(FormatPadded(7, 3), "007");
  EXPECT_EQ(FormatPadded(1234, 3), "1234");
}

TEST(Mid, CountsFromOneAndCutsShort) {
  EXPECT_EQ(Mid("W1020001553250", 7, 8), "01553250");
  EXPECT_EQ(Mid("W10200015", 7, 8), "015");
  EXPECT_EQ(Mid("W", 7, 8), "");
  EXPECT_EQ(MidRest("SB ACJ", 3), " ACJ");
  EXPECT_EQ(MidRest("SB", 3), "");
}
