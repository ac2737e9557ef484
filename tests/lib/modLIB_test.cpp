// The utility routines: exact results of the predicates (-1/0), the key filter's
// allowed-set rules, date and time validation, calendar, conversions, paths.
#include <gtest/gtest.h>

#include "lib/Codepage.h"
#include "lib/modLIB.h"

using namespace modLIB;

TEST(CharacterClasses, AsciiOnlyWithMinusOneForTrue) {
  EXPECT_EQ(IsUpper('A'), -1);
  EXPECT_EQ(IsUpper('Z'), -1);
  EXPECT_EQ(IsUpper('a'), 0);
  EXPECT_EQ(IsLower('z'), -1);
  EXPECT_EQ(IsDigit('0'), -1);
  EXPECT_EQ(IsDigit('/'), 0);
  EXPECT_EQ(IsAlpha('_'), 0);
  EXPECT_EQ(IsAlnum('9'), -1);
  EXPECT_EQ(IsHexDigit('f'), -1);
  EXPECT_EQ(IsHexDigit('G'), 0);
  // An accented letter (e acute, 233) is neither letter nor digit.
  EXPECT_EQ(IsAlpha(233), 0);
  EXPECT_EQ(ToUpper('q'), 'Q');
  EXPECT_EQ(ToUpper('5'), '5');
  EXPECT_EQ(ToUpper(233), 233);
  EXPECT_EQ(ToLower('Q'), 'q');
  EXPECT_EQ(ToLower('['), '[');
}

TEST(IsValidName, LettersDigitsUnderscoresNotLast) {
  EXPECT_EQ(IsValidName("A"), -1);
  EXPECT_EQ(IsValidName("a_1"), -1);
  EXPECT_EQ(IsValidName("Last_Name2"), -1);
  EXPECT_EQ(IsValidName("_a"), 0);
  EXPECT_EQ(IsValidName("1a"), 0);
  EXPECT_EQ(IsValidName("a_"), 0);
  EXPECT_EQ(IsValidName("a b"), 0);
  EXPECT_EQ(IsValidName(""), 0);
  EXPECT_EQ(IsValidName("Caf\xE9"), 0);
}

TEST(IsNumber, DigitsWithAtMostOneInnerPoint) {
  EXPECT_EQ(IsNumber("7"), -1);
  EXPECT_EQ(IsNumber("12.5"), -1);
  EXPECT_EQ(IsNumber("12."), 0);
  EXPECT_EQ(IsNumber(".5"), 0);
  EXPECT_EQ(IsNumber("-1"), 0);
  EXPECT_EQ(IsNumber("1.2.3"), 0);
  EXPECT_EQ(IsNumber(""), 0);
  EXPECT_EQ(IsNumber(" 1"), 0);
}

TEST(IsNumberInRange, RoundsHalvesToEvenBeforeComparing) {
  EXPECT_EQ(IsNumberInRange("10", 1, 10), -1);
  EXPECT_EQ(IsNumberInRange("10.5", 1, 10), -1);  // 10.5 rounds to 10
  EXPECT_EQ(IsNumberInRange("11.5", 1, 11), 0);   // 11.5 rounds to 12
  EXPECT_EQ(IsNumberInRange("0.5", 1, 10), 0);    // 0.5 rounds to 0
  EXPECT_EQ(IsNumberInRange("x", 1, 10), 0);
  EXPECT_EQ(IsNumberInRange("99999999999999999999", 1, 2147483647), 0);
}

TEST(FilterKey, AlwaysBackspaceAndEnter) {
  for (const char* set : {"", "N", "U", "/"}) {
    EXPECT_EQ(FilterKey(8, set), 8) << set;
    EXPECT_EQ(FilterKey(13, set), 13) << set;
  }
}

TEST(FilterKey, DigitsOnly) {
  EXPECT_EQ(FilterKey('5', "N"), '5');
  EXPECT_EQ(FilterKey('a', "N"), 0);
  EXPECT_EQ(FilterKey(' ', "N"), 0);
  EXPECT_EQ(FilterKey('/', "N"), 0);
  EXPECT_EQ(FilterKey('/', "N/"), '/');
  EXPECT_EQ(FilterKey('5', "A"), 0);
}

TEST(FilterKey, CaseConversionLowerWinsOverUpper) {
  EXPECT_EQ(FilterKey('a', "U"), 'A');
  EXPECT_EQ(FilterKey('A', "L"), 'a');
  EXPECT_EQ(FilterKey('a', "UL"), 'a');
  EXPECT_EQ(FilterKey('A', "UL"), 'a');
  EXPECT_EQ(FilterKey('b', "A"), 'b');
  EXPECT_EQ(FilterKey('B', "A"), 'B');
  EXPECT_EQ(FilterKey('b', "AU"), 'B');
}

TEST(FilterKey, HexDigitsOnlyWithX) {
  EXPECT_EQ(FilterKey('f', "X"), 'f');
  EXPECT_EQ(FilterKey('g', "X"), 0);
  EXPECT_EQ(FilterKey('7', "X"), '7');
  EXPECT_EQ(FilterKey('f', "XU"), 'F');  // the colour box
  EXPECT_EQ(FilterKey('g', "XU"), 0);
  EXPECT_EQ(FilterKey('z', "XA"), 0);
}

TEST(FilterKey, SpaceNeedsS) {
  EXPECT_EQ(FilterKey(' ', "ANS"), ' ');
  EXPECT_EQ(FilterKey(' ', "AN"), 0);
  EXPECT_EQ(FilterKey('x', "S"), 0);
}

TEST(FilterKey, SetIsTrimmedAndUpperCased) {
  EXPECT_EQ(FilterKey('4', " n "), '4');
  EXPECT_EQ(FilterKey('q', "u"), 'Q');
}

TEST(FilterKey, LettersInTheSetAreNeverLiterals) {
  // "P" masks the input box; it lets no "P" through.
  EXPECT_EQ(FilterKey('P', "NP"), 0);
  EXPECT_EQ(FilterKey('p', "ANP"), 'p');
  EXPECT_EQ(FilterKey('3', "ANP"), '3');
  EXPECT_EQ(FilterKey('Q', "NQ"), 0);
  EXPECT_EQ(FilterKey('1', "U1"), 0);
}

TEST(FilterKey, LiteralCharacters) {
  EXPECT_EQ(FilterKey(':', "N:"), ':');
  EXPECT_EQ(FilterKey('-', "N-.,"), '-');
  EXPECT_EQ(FilterKey(',', "N-.,"), ',');
  EXPECT_EQ(FilterKey(';', "N-.,"), 0);
  EXPECT_EQ(FilterKey(233, "A"), 0);
}

TEST(IsValidDate, DayFirst) {
  EXPECT_EQ(IsValidDate("29/02/2000", 1), -1);
  EXPECT_EQ(IsValidDate("29/02/1900", 1), 0);
  EXPECT_EQ(IsValidDate("31/04/2020", 1), 0);
  EXPECT_EQ(IsValidDate("30/04/2020", 1), -1);
  EXPECT_EQ(IsValidDate("00/01/2020", 1), 0);
  EXPECT_EQ(IsValidDate("1/02/2020", 1), 0);
  EXPECT_EQ(IsValidDate("01/13/2020", 1), 0);
  EXPECT_EQ(IsValidDate("01/01/0000", 1), 0);
  EXPECT_EQ(IsValidDate("31/12/9999", 1), -1);
  EXPECT_EQ(IsValidDate("01-01-2020", 1), 0);
  EXPECT_EQ(IsValidDate("01/01/20a0", 1), 0);
  EXPECT_EQ(IsValidDate("", 1), 0);
  // Any order other than 2 is day first.
  EXPECT_EQ(IsValidDate("13/01/2020", 0), -1);
}

TEST(IsValidDate, MonthFirst) {
  EXPECT_EQ(IsValidDate("02/29/2000", 2), -1);
  EXPECT_EQ(IsValidDate("29/02/2000", 2), 0);
  EXPECT_EQ(IsValidDate("12/31/2020", 2), -1);
}

TEST(IsValidTime, EightCharactersWithinTheDay) {
  EXPECT_TRUE(IsValidTime("23:59:59"));
  EXPECT_TRUE(IsValidTime("00:00:00"));
  EXPECT_FALSE(IsValidTime("24:00:00"));
  EXPECT_FALSE(IsValidTime("12:60:00"));
  EXPECT_FALSE(IsValidTime("12:00:60"));
  EXPECT_FALSE(IsValidTime("12:00"));
  EXPECT_FALSE(IsValidTime("12.00.00"));
  EXPECT_FALSE(IsValidTime("1a:00:00"));
}

TEST(Calendar, LeapYearsDaysAndNames) {
  EXPECT_EQ(IsLeapYear(2000), -1);
  EXPECT_EQ(IsLeapYear(1900), 0);
  EXPECT_EQ(IsLeapYear(2024), -1);
  EXPECT_EQ(IsLeapYear(2023), 0);
  EXPECT_EQ(DaysInMonth(2, 2000), 29);
  EXPECT_EQ(DaysInMonth(2, 1900), 28);
  EXPECT_EQ(DaysInMonth(4, 2020), 30);
  EXPECT_EQ(DaysInMonth(12, 9999), 31);
  EXPECT_EQ(DaysInMonth(2, 0), 0);
  EXPECT_EQ(DaysInMonth(1, 10000), 0);
  EXPECT_EQ(DaysInMonth(13, 2020), 0);
  EXPECT_EQ(DaysInMonth(0, 2020), 0);
  EXPECT_EQ(MonthName(1), "Jan");
  EXPECT_EQ(MonthName(9), "Sep");
  EXPECT_EQ(MonthName(12), "Dec");
  EXPECT_EQ(MonthName(0), "");
  EXPECT_EQ(MonthName(13), "");
}

TEST(Conversions, TwipsAndPixelsRoundHalvesToEven) {
  SetTwipsPerPixel(15, 15);
  EXPECT_EQ(TwipsToPixelsX(9600), 640);
  EXPECT_EQ(PixelsToTwipsY(480), 7200);
  EXPECT_EQ(TwipsToPixelsX(22), 1);    // 1.4667
  EXPECT_EQ(TwipsToPixelsX(7), 0);     // 0.4667
  EXPECT_EQ(TwipsToPixelsY(-22), -1);
  SetTwipsPerPixel(10, 10);
  EXPECT_EQ(TwipsToPixelsX(25), 2);    // 2.5 -> 2
  EXPECT_EQ(TwipsToPixelsX(35), 4);    // 3.5 -> 4
  SetTwipsPerPixel(1440.0 / 120, 1440.0 / 144);
  EXPECT_EQ(PixelsToTwipsX(640), 7680);
  EXPECT_EQ(PixelsToTwipsY(480), 4800);
  SetTwipsPerPixel(0, -3);  // nonsense is ignored
  EXPECT_DOUBLE_EQ(TwipsPerPixelX(), 12.0);
  SetTwipsPerPixel(15, 15);
}

TEST(FileTitle, PartBehindTheLastSeparator) {
  EXPECT_EQ(FileTitle("/home/ann/forms/Contacts.Qfd"), "Contacts.Qfd");
  EXPECT_EQ(FileTitle("C:\\Data\\Stock.Qfd"), "Stock.Qfd");
  EXPECT_EQ(FileTitle("C:Stock.Qfd"), "Stock.Qfd");
  EXPECT_EQ(FileTitle("Stock.Qfd"), "Stock.Qfd");
  EXPECT_EQ(FileTitle("forms/"), "");
}

TEST(TextHelpers, TrimGoesThroughPaddingOfEveryLength) {
  // Blanks at the end go 8 at a time, then one by one; those inside stay.
  for (size_t inner = 0; inner <= 9; ++inner)
    for (size_t pad = 0; pad <= 17; ++pad) {
      const std::string kept = "a" + std::string(inner, ' ') + "b";
      EXPECT_EQ(TrimRightView(kept + std::string(pad, ' ')), kept) << inner << " " << pad;
      EXPECT_EQ(TrimView("  " + kept + std::string(pad, ' ')), kept) << inner << " " << pad;
    }
  EXPECT_EQ(TrimRightView(std::string(17, ' ')), "");
}

TEST(TextHelpers, TrimOnlyBlanksAndRoundHalfEven) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(PadRight("abc", 5), "abc  ");
  EXPECT_EQ(PadRight("abcdef", 3), "abc");
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(2.51), 3);
}

TEST(Codepage, RoundTripsEveryByteAndMarksTheRest) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");      // euro sign
  EXPECT_EQ(Cp1252ToUtf8("caf\xE9"), "caf\xC3\xA9");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC 5"), "\x80 5");
  EXPECT_EQ(Utf8ToCp1252("\xE4\xB8\xAD"), "?");          // a CJK character
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80!"), "?!");    // an emoji
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xFFz"), "?z");
}
