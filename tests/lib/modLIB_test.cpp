// The utility routines: exact results of the predicates (-1/0), the key filter's
// allowed-set rules, date and time validation, calendar, conversions, paths.
#include <gtest/gtest.h>

#include "lib/Codepage.h"
#include "lib/modLIB.h"

using namespace modLIB;

// Each predicate's answer, -1 for true and 0 for false, in one table per predicate.
using Chars = std::vector<std::pair<int, int>>;
using Texts = std::vector<std::pair<std::string, int>>;
using TextPairs = std::vector<std::pair<std::string, std::string>>;
template <class Cases, class F>
void ExpectAll(const char* what, F f, const Cases& cases) {
  for (const auto& [in, expected] : cases) EXPECT_EQ(f(in), expected) << what << " " << in;
}

TEST(Predicates, CharacterClassesNamesNumbersAndRanges) {
  ExpectAll("IsUpper", IsUpper, Chars{{'A', -1}, {'Z', -1}, {'a', 0}, {233, 0}});
  ExpectAll("IsLower", IsLower, Chars{{'z', -1}, {'Z', 0}});
  ExpectAll("IsDigit", IsDigit, Chars{{'0', -1}, {'/', 0}});
  ExpectAll("IsAlpha", IsAlpha, Chars{{'_', 0}, {233, 0}});  // an accented letter is no letter
  ExpectAll("IsAlnum", IsAlnum, Chars{{'9', -1}});
  ExpectAll("IsHexDigit", IsHexDigit, Chars{{'f', -1}, {'G', 0}});
  ExpectAll("ToUpper", ToUpper, Chars{{'q', 'Q'}, {'5', '5'}, {233, 233}});
  ExpectAll("ToLower", ToLower, Chars{{'Q', 'q'}, {'[', '['}});
  // Letters, digits and underscores, a letter first, no underscore last.
  ExpectAll("IsValidName", IsValidName,
            Texts{{"A", -1}, {"a_1", -1}, {"Last_Name2", -1}, {"_a", 0}, {"1a", 0}, {"a_", 0}, {"a b", 0}, {"", 0},
                  {"Caf\xE9", 0}});
  // Digits with at most one inner point.
  ExpectAll("IsNumber", IsNumber,
            Texts{{"7", -1}, {"12.5", -1}, {"12.", 0}, {".5", 0}, {"-1", 0}, {"1.2.3", 0}, {"", 0}, {" 1", 0}});
  // In a range after rounding halves to even: 10.5 rounds to 10, 11.5 to 12, 0.5 to 0.
  ExpectAll("in 1 ... 10", [](const std::string& v) { return IsNumberInRange(v, 1, 10); },
            Texts{{"10", -1}, {"10.5", -1}, {"0.5", 0}, {"x", 0}});
  EXPECT_EQ(IsNumberInRange("11.5", 1, 11), 0);
  EXPECT_EQ(IsNumberInRange("99999999999999999999", 1, 2147483647), 0);
}

// What a key comes out as under an allowed set: always Backspace and Enter; digits
// with N; case turned by U and L (L wins); hex digits with X; a blank with S; the set
// trimmed and upper-cased; letters in the set never literals ("P" masks the input
// box); other characters literals.
TEST(FilterKey, AllowedSetRules) {
  const std::tuple<int, const char*, int> cases[] = {
      {8, "", 8}, {13, "", 13}, {8, "N", 8}, {13, "U", 13}, {8, "/", 8}, {13, "/", 13},
      {'5', "N", '5'}, {'a', "N", 0}, {' ', "N", 0}, {'/', "N", 0}, {'/', "N/", '/'}, {'5', "A", 0},
      {'a', "U", 'A'}, {'A', "L", 'a'}, {'a', "UL", 'a'}, {'A', "UL", 'a'}, {'b', "A", 'b'}, {'B', "A", 'B'},
      {'b', "AU", 'B'}, {'f', "X", 'f'}, {'g', "X", 0}, {'7', "X", '7'}, {'f', "XU", 'F'}, {'g', "XU", 0},
      {'z', "XA", 0}, {' ', "ANS", ' '}, {' ', "AN", 0}, {'x', "S", 0}, {'4', " n ", '4'}, {'q', "u", 'Q'},
      {'P', "NP", 0}, {'p', "ANP", 'p'}, {'3', "ANP", '3'}, {'Q', "NQ", 0}, {'1', "U1", 0},
      {':', "N:", ':'}, {'-', "N-.,", '-'}, {',', "N-.,", ','}, {';', "N-.,", 0}, {233, "A", 0},
  };
  for (const auto& [key, set, out] : cases) EXPECT_EQ(FilterKey(key, set), out) << key << " under \"" << set << "\"";
}

TEST(DatesAndTimes, DayFirstUnlessOrderTwoTimesOfEightCharactersAndTheCalendar) {
  const std::tuple<const char*, int, int> cases[] = {
      {"29/02/2000", 1, -1}, {"29/02/1900", 1, 0}, {"31/04/2020", 1, 0}, {"30/04/2020", 1, -1},
      {"00/01/2020", 1, 0},  {"1/02/2020", 1, 0},  {"01/13/2020", 1, 0}, {"01/01/0000", 1, 0},
      {"31/12/9999", 1, -1}, {"01-01-2020", 1, 0}, {"01/01/20a0", 1, 0}, {"", 1, 0},
      {"13/01/2020", 0, -1},  // any order other than 2 is day first
      {"02/29/2000", 2, -1}, {"29/02/2000", 2, 0}, {"12/31/2020", 2, -1},
  };
  for (const auto& [date, order, valid] : cases)
    EXPECT_EQ(IsValidDate(date, order), valid) << date << " order " << order;
  // A time: eight characters within the day.
  for (const char* t : {"23:59:59", "00:00:00"}) EXPECT_TRUE(IsValidTime(t)) << t;
  for (const char* t : {"24:00:00", "12:60:00", "12:00:60", "12:00", "12.00.00", "1a:00:00"})
    EXPECT_FALSE(IsValidTime(t)) << t;
  // The calendar: leap years, the days of a month, its name.
  ExpectAll("IsLeapYear", IsLeapYear, Chars{{2000, -1}, {1900, 0}, {2024, -1}, {2023, 0}});
  const std::tuple<int, int, int> months[] = {{2, 2000, 29}, {2, 1900, 28}, {4, 2020, 30}, {12, 9999, 31},
                                              {2, 0, 0},     {1, 10000, 0}, {13, 2020, 0}, {0, 2020, 0}};
  for (const auto& [month, year, days] : months) EXPECT_EQ(DaysInMonth(month, year), days) << month << "/" << year;
  ExpectAll("MonthName", MonthName,
            std::vector<std::pair<int, std::string>>{{1, "Jan"}, {9, "Sep"}, {12, "Dec"}, {0, ""}, {13, ""}});
}

// At 15 twips a pixel 22 twips are 1.4667 pixels, 7 are 0.4667; at 10, 25 are 2.5 and
// 35 are 3.5; nonsense is ignored.
TEST(Conversions, TwipsAndPixelsRoundHalvesToEven) {
  SetTwipsPerPixel(15, 15);
  EXPECT_EQ((std::vector<int>{TwipsToPixelsX(9600), PixelsToTwipsY(480), TwipsToPixelsX(22), TwipsToPixelsX(7),
                              TwipsToPixelsY(-22)}),
            (std::vector<int>{640, 7200, 1, 0, -1}));
  SetTwipsPerPixel(10, 10);
  EXPECT_EQ((std::vector<int>{TwipsToPixelsX(25), TwipsToPixelsX(35)}), (std::vector<int>{2, 4}));
  SetTwipsPerPixel(1440.0 / 120, 1440.0 / 144);
  EXPECT_EQ((std::vector<int>{PixelsToTwipsX(640), PixelsToTwipsY(480)}), (std::vector<int>{7680, 4800}));
  SetTwipsPerPixel(0, -3);
  EXPECT_DOUBLE_EQ(TwipsPerPixelX(), 12.0);
  SetTwipsPerPixel(15, 15);
}

TEST(TextHelpers, TrimPadRoundHalfEvenAndFileTitle) {
  // Blanks at the end go 8 at a time, then one by one; those inside stay.
  for (size_t inner = 0; inner <= 9; ++inner)
    for (size_t pad = 0; pad <= 17; ++pad) {
      const std::string kept = "a" + std::string(inner, ' ') + "b";
      EXPECT_EQ(TrimRightView(kept + std::string(pad, ' ')), kept) << inner << " " << pad;
      EXPECT_EQ(TrimView("  " + kept + std::string(pad, ' ')), kept) << inner << " " << pad;
    }
  EXPECT_EQ(TrimRightView(std::string(17, ' ')), "");
  ExpectAll("Trim", Trim, TextPairs{{"  a b  ", "a b"}, {"\ta\r\n", "\ta\r\n"}, {"    ", ""}});
  EXPECT_EQ(PadRight("abc", 5) + "|" + PadRight("abcdef", 3), "abc  |abc");
  ExpectAll("RoundHalfEven", RoundHalfEven,
            std::vector<std::pair<double, int>>{{0.5, 0}, {1.5, 2}, {-2.5, -2}, {2.51, 3}});
  // A file's title: the part behind the last separator.
  ExpectAll("FileTitle", FileTitle,
            TextPairs{{"/home/ann/forms/Contacts.Qfd", "Contacts.Qfd"}, {"C:\\Data\\Stock.Qfd", "Stock.Qfd"},
                      {"C:Stock.Qfd", "Stock.Qfd"}, {"Stock.Qfd", "Stock.Qfd"}, {"forms/", ""}});
}

TEST(Codepage, RoundTripsEveryByteAndMarksTheRest) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80" "caf\xE9"), "\xE2\x82\xAC" "caf\xC3\xA9");  // the euro sign, an accent
  // A CJK character, an emoji, a sequence cut short and a stray byte each come back as "?".
  ExpectAll("Utf8ToCp1252", Utf8ToCp1252, TextPairs{{"\xE2\x82\xAC 5", "\x80 5"}, {"\xE4\xB8\xAD", "?"},
                                                     {"\xF0\x9F\x98\x80!", "?!"}, {"a\xC3", "a?"}, {"\xFFz", "?z"}});
}
