// Date serials, splitting, formatting and parsing.
#include "script/datetime.h"

#include <gtest/gtest.h>

namespace qfscript {
namespace {

TEST(DateTime, SerialsCountFromTheEpoch) {
  EXPECT_EQ(DaySerial(1899, 12, 30), 0);
  EXPECT_EQ(DaySerial(1900, 1, 1), 2);
  EXPECT_EQ(DaySerial(2000, 1, 1), 36526);
  EXPECT_EQ(DaySerial(1899, 12, 29), -1);
  double d;
  ASSERT_TRUE(MakeDate(2021, 2, 29, d));
  EXPECT_EQ(d, DaySerial(2021, 3, 1));
  ASSERT_TRUE(MakeDate(2020, 0, 1, d));
  EXPECT_EQ(d, DaySerial(2019, 12, 1));
  ASSERT_TRUE(MakeDate(2020, -13, 1, d));
  EXPECT_EQ(d, DaySerial(2018, 11, 1));
  EXPECT_FALSE(MakeDate(10000, 1, 1, d));
  EXPECT_FALSE(MakeDate(100, 1, 0, d));
}

TEST(DateTime, SplitHandlesTimesAndNegativeSerials) {
  DateParts p = SplitDate(DaySerial(2020, 12, 31) + 0.5);
  EXPECT_EQ(p.year, 2020);
  EXPECT_EQ(p.month, 12);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 12);
  EXPECT_EQ(p.weekday, 5);  // Thursday
  p = SplitDate(-1.25);      // 12/29/1899 6:00 AM: the fraction counts forward
  EXPECT_EQ(p.day, 29);
  EXPECT_EQ(p.hour, 6);
  p = SplitDate(0.99999999);  // rounds to the next midnight
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.hour, 0);
}

TEST(DateTime, Strings) {
  EXPECT_EQ(DateToStr(DaySerial(2020, 1, 2)), "1/2/2020");
  EXPECT_EQ(DateToStr(0.75), "6:00:00 PM");
  EXPECT_EQ(DateToStr(0), "12/30/1899");
  EXPECT_EQ(DateToStr(DaySerial(2020, 1, 2) + 1.0 / 24), "1/2/2020 1:00:00 AM");
}

TEST(DateTime, Parsing) {
  struct Case {
    const char* text;
    double want;
  };
  const Case ok[] = {
      {"12/31/2020", DaySerial(2020, 12, 31)},
      {"2020-12-31", DaySerial(2020, 12, 31)},
      {"31/12/2020", DaySerial(2020, 12, 31)},  // day first when the month cannot be 31
      {"March 5, 2021", DaySerial(2021, 3, 5)},
      {"5 mar 2021", DaySerial(2021, 3, 5)},
      {"Friday, March 5, 2021", DaySerial(2021, 3, 5)},
      {"1/2/99", DaySerial(1999, 1, 2)},
      {"1/2/29", DaySerial(2029, 1, 2)},
      {"13:05", (13 * 60 + 5) / 1440.0},
      {"1:05:09 PM", (13 * 3600 + 5 * 60 + 9) / 86400.0},
      {"12 AM", 0},
      {"12/31/2020 11:59:59 PM", DaySerial(2020, 12, 31) + (86400 - 1) / 86400.0},
  };
  for (const auto& c : ok) {
    double d = -1e9;
    EXPECT_TRUE(ParseDate(c.text, d)) << c.text;
    EXPECT_NEAR(d, c.want, 1e-9) << c.text;
  }
  const char* bad[] = {"", "hello", "2/30/2020", "13/13/2020", "25:00", "1:60", "12/31/2020 x", "1/2/3/4",
                       "99999/1/1", "13 PM"};
  for (const char* text : bad) {
    double d;
    EXPECT_FALSE(ParseDate(text, d)) << text;
  }
}

}  // namespace
}  // namespace qfscript
