// Decimal rounding of the formats, the script locale, the byte functions and
// the argument checks of the built-ins.

#include "script/locales.h"
#include "script/variant.h"
#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

std::string Err(const std::string& statement) {
  std::string out = RunScript("On Error Resume Next\n" + statement + "\nWScript.Echo Err.Number");
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

// The formats round the decimal number a Double stands for: 7654321.25 is
// 7654321.2499999...; 2.675 is 2.67499999...; 1.005 is 1.00499999...
TEST(DecimalRounding, FormatsRoundTheDecimalValue) {
  EXPECT_EQ(Echo("FormatNumber(7654321.25)"), "7,654,321.25");
  EXPECT_EQ(Echo("FormatNumber(2.675, 2) & \" \" & FormatNumber(-2.675, 2) & \" \" & FormatNumber(1.005, 2)"),
            "2.68 -2.68 1.01");
  EXPECT_EQ(Echo("FormatNumber(0.125, 2) & \" \" & FormatNumber(1.0049999, 2) & \" \" & FormatNumber(-1234.5, 0)"),
            "0.13 1.00 -1,235");
  EXPECT_EQ(Echo("FormatNumber(1E+20, 0) & \" \" & FormatNumber(123456789.555, 2)"),
            "100,000,000,000,000,000,000 123,456,789.56");
  EXPECT_EQ(Echo("FormatNumber(9.995, 2) & \" \" & FormatNumber(-0.004) & \" \" & FormatNumber(0.45, 1, 0)"),
            "10.00 0.00 .5");
  EXPECT_EQ(Echo("FormatPercent(0.12345) & \" \" & FormatPercent(1.005, 1) & \" \" & FormatPercent(-0.0005, 1)"),
            "12.35% 100.5% -0.1%");
  EXPECT_EQ(Echo("FormatCurrency(1234567.125) & \" \" & FormatCurrency(CCur(2.005))"), "$1,234,567.13 $2.01");
  // A Currency keeps all its digits, beyond a Double's fifteen.
  EXPECT_EQ(Echo("FormatNumber(CCur(\"123456789012.3457\"), 4) & \" \" & FormatCurrency(CCur(\"-0.0051\"))"),
            "123,456,789,012.3457 ($0.01)");
  EXPECT_EQ(Echo("Round(CCur(\"123456789012.3457\"), 3) & \" \" & Round(CCur(2.125), 2) & \" \" & Round(CCur(-2.135), 2) & "
                 "\" \" & TypeName(Round(CCur(1.5)))"),
            "123456789012.346 2.12 -2.14 Currency");
}

TEST(DecimalRounding, RoundAndCStr) {
  // Round: halves to even on the decimal text.
  EXPECT_EQ(Echo("Round(2.675, 2) & \" \" & Round(2.665, 2) & \" \" & Round(0.125, 2) & \" \" & Round(1.005, 2)"),
            "2.68 2.66 0.12 1");
  EXPECT_EQ(Echo("Round(-2.5) & \" \" & Round(3.5) & \" \" & Round(-0.0351, 3) & \" \" & Round(12345678.125, 2)"),
            "-2 4 -0.035 12345678.12");
  EXPECT_EQ(Echo("Round(CSng(2.675), 2) & \" \" & TypeName(Round(CSng(2.5)))"), "2.68 Single");
  // CStr: 15 significant digits of the shortest text.
  EXPECT_EQ(Echo("CStr(0.1 + 0.2) & \" \" & CStr(1 / 3) & \" \" & CStr(123456789012345.6)"),
            "0.3 0.333333333333333 123456789012346");
  EXPECT_EQ(Echo("CStr(1E+15) & \" \" & CStr(1E-05) & \" \" & CStr(0.0001) & \" \" & CStr(-1.5E-07)"),
            "1E+15 1E-05 0.0001 -1.5E-07");
  EXPECT_EQ(Echo("CStr(2 ^ 53) & \" \" & CStr(CSng(1.1)) & \" \" & CStr(CSng(16777216) * 4)"),
            "9.00719925474099E+15 1.1 6.710886E+07");
}

TEST(DecimalRounding, DecimalHelpers) {
  Decimal x = ToDecimal(7654321.25);
  EXPECT_EQ(x.digits, "765432125");
  EXPECT_EQ(x.point, 7);
  RoundDecimal(x, 1, true);  // 7654321.2|5: the 2 is even
  EXPECT_EQ(FixedText(x, 3), "7654321.200");
  Decimal y = ToDecimal(999.5);
  RoundDecimal(y, 0, false);
  EXPECT_EQ(FixedText(y, 0), "1000");
  Decimal z = ToDecimal(0.0004);
  RoundDecimal(z, 2, false);
  EXPECT_EQ(FixedText(z, 2), "0.00");
  EXPECT_TRUE(z.digits.empty());
  EXPECT_EQ(RoundDecimalPlaces(0.285, 2), 0.28);
  EXPECT_EQ(RoundDecimalPlaces(-0.275, 2), -0.28);
}

TEST(NegativeCurrency, OptionsAndLocaleForms) {
  EXPECT_EQ(Echo("FormatCurrency(-5) & \" \" & FormatCurrency(5) & \" \" & FormatCurrency(-5, 2, -2, 0)"),
            "($5.00) $5.00 -$5.00");
  EXPECT_EQ(Echo("FormatCurrency(-0.5, 2, 0, -1) & \" \" & FormatCurrency(-0.5, 1, -1, -2) & \" \" & "
                 "FormatCurrency(-0.001)"),
            "($.50) ($0.5) $0.00");
  // en-GB writes a minus sign; German puts the symbol after the number; asking for
  // parentheses wraps the positive form; Japanese currency has no decimals.
  EXPECT_EQ(Echo("SetLocale(2057) & FormatCurrency(-1234.5)"), "1033-\xA3" "1,234.50");
  EXPECT_EQ(Echo("SetLocale(1031) & FormatCurrency(-1234.5) & \"|\" & FormatCurrency(-2, 0, , -1)"),
            "1033-1.234,50 \x80|(2 \x80)");
  EXPECT_EQ(Echo("SetLocale(1041) & FormatCurrency(1234.5)"), "1033\xA5" "1,235");
}

TEST(Locale, SetLocaleAndGetLocale) {
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & SetLocale(0) & \" \" & GetLocale() & \" \" & VarType(SetLocale(1031))"),
            "1033 1031 1033 3");
  EXPECT_EQ(Echo("SetLocale(\"fr\") & \" \" & SetLocale(\"pt_BR\") & \" \" & GetLocale()"), "1033 1036 1046");
  EXPECT_EQ(Err("x = SetLocale(\"xx-yy\")"), "447");
  EXPECT_EQ(RunScript("x = SetLocale(12345)"),
            "error 447: Object doesn't support current locale setting at (1, 1)");
  // A failed SetLocale keeps the locale; a new run starts from the script's own.
  EXPECT_EQ(RunScript("On Error Resume Next\nSetLocale 1031\nSetLocale 4\nWScript.Echo GetLocale(), 1.5"),
            "1031 1,5\n");
  EXPECT_EQ(CurrentLocale().lcid, kDefaultLcid);  // the run put the thread's locale back
}

TEST(Locale, NumbersAndDatesFollowTheLocale) {
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & CDbl(\"1,25\") * 2 & \" \" & CDbl(\"1.000,5\") & \" \" & (\"2,5\" + 1)"),
            "1033 2,5 1000,5 3,5");
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & CDate(\"15.03.2026 13:05\") & \" \" & Month(\"1.2.2026\") & \" \" & "
                 "IsDate(\"15.03.2026\")"),
            "1033 15.03.2026 13:05:00 2 True");
  EXPECT_EQ(Echo("SetLocale(2057) & \" \" & DateValue(\"3/4/2026\") & \" \" & Month(DateValue(\"3/4/2026\"))"),
            "1033 03/04/2026 4");
  EXPECT_EQ(Echo("SetLocale(1036) & \" \" & Day(\"3/4/2026\") & Day(\"25/4/2026\") & \" \" & FormatNumber(1234.5, 1)"),
            "1033 325 1\xA0" "234,5");
  EXPECT_EQ(Echo("SetLocale(1041) & \" \" & CDate(\"2026/3/15\") & \" \" & FormatNumber(1234567.89)"),
            "1033 2026/03/15 1,234,567.89");
  EXPECT_EQ(Echo("Day(\"3/4/2026\") & \" \" & CStr(#3/4/2026 1:05:09 PM#) & \" \" & IsDate(\"15.03.2026\")"),
            "4 3/4/2026 1:05:09 PM False");
  // Date literals are written month first whatever the locale.
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & Month(#3/4/2026#)"), "1033 3");
}

// Names of months and days, and the long date, in the locale's language.
TEST(Locale, NamesAndLongDates) {
  const std::string d = "d = #3/15/2026 1:05:09 PM#\n";
  EXPECT_EQ(RunScript(d + "WScript.Echo FormatDateTime(d, 1), MonthName(3), WeekdayName(1, True)"),
            "Sunday, March 15, 2026 March Sun\n");
  EXPECT_EQ(RunScript(d + "SetLocale 1031\nWScript.Echo FormatDateTime(d, 1) & \"|\" & MonthName(3, True) & \"|\" & "
                          "WeekdayName(2) & \"|\" & CDate(\"Sonntag, 15. M\xE4rz 2026\") & \"|\" & Month(\"1. Dez 2026\")"),
            "Sonntag, 15. M\xE4rz 2026|M\xE4r|Montag|15.03.2026|12\n");
  EXPECT_EQ(RunScript(d + "SetLocale 1036\nWScript.Echo FormatDateTime(d, 1) & \"|\" & CDate(\"1 d\xE9" "cembre 2026\")"),
            "dimanche 15 mars 2026|01/12/2026\n");
  EXPECT_EQ(RunScript(d + "SetLocale 3082\nWScript.Echo FormatDateTime(d, 1)"), "domingo, 15 de marzo de 2026\n");
  EXPECT_EQ(RunScript(d + "SetLocale 2057\nWScript.Echo FormatDateTime(d, 1), CDate(\"15 March 2026\")"),
            "15 March 2026 15/03/2026\n");
}

TEST(ByteStrings, LengthsSlicesAndCodes) {
  EXPECT_EQ(Echo("LenB(12) & \"|\" & LenB(RightB(\"abcd\", 5)) & \"|\" & MidB(\"abcd\", 9) & \"|\" & InStrB(4, \"abcb\", \"b\")"),
            "4|5||7");
  // Bytes of characters beyond Latin-1: the euro sign is the bytes 172, 32.
  EXPECT_EQ(Echo("AscB(ChrW(8364)) & \" \" & AscB(MidB(ChrW(8364), 2)) & \" \" & Len(ChrB(65))"), "172 32 0");
  // Bytes joined make characters: "A" is the bytes 65, 0; a zero byte left over still counts.
  EXPECT_EQ(Echo("ChrB(65) & ChrB(0) & ChrB(66) & ChrB(0)"), "AB");
  EXPECT_EQ(Echo("LenB(\"x\" & ChrB(65)) & \" \" & Len(LeftB(\"abc\", 3) & ChrB(0))"), "3 2");
  EXPECT_EQ(RunScript("s = \"\"\nFor i = 72 To 73: s = s & ChrB(i) & ChrB(0): Next\nWScript.Echo s, LenB(s)"),
            "HI 4\n");
  EXPECT_EQ(Err("x = MidB(\"abc\", 0)"), "5");
}

TEST(WideCharacters, KeptThroughTheFunctionsThatNeedThem) {
  EXPECT_EQ(Echo("AscW(ChrW(-2)) & \" \" & Len(ChrW(256))"), "-2 1");
  EXPECT_EQ(Echo("Escape(Unescape(\"%u0100%41%e9\")) & \" \" & Escape(Chr(128))"), "%u0100A%E9 %u20AC");
  EXPECT_EQ(Echo("AscW(Mid(\"ab\" & ChrW(300), 3, 1)) & \" \" & AscW(Right(ChrW(1000) & ChrW(1001), 1)) & \" \" & "
                 "LenB(ChrW(1000))"),
            "300 1001 2");
}

TEST(BuiltinArguments, ErrorsOfWindows) {
  EXPECT_EQ(RunScript("Call CDbl(1)"),
            "error 458: Variable uses an Automation type not supported in VBScript at (1, 6)");
  EXPECT_EQ(Err("x = FormatNumber(1, 2, Null)") + Err("x = DateDiff(\"ww\", Now, Now, 1, -1)") + Err("x = TimeValue(0.5)"),
            "94513");
}

TEST(BuiltinArguments, ResultTypesAndWeeks) {
  EXPECT_EQ(Echo("VarType(DateDiff(\"s\", #1/1/2000#, #1/1/2000 0:00:05#)) & \" \" & DateDiff(\"s\", #1/1/1900#, #1/1/1960#)"),
            "3 1893369600");
  EXPECT_EQ(Err("x = DateDiff(\"s\", #1/1/100#, #1/1/9999#)"), "6");
  // 1 Jan 2000 is a Saturday; 2 Jan 2000 a Sunday; 31 Dec 1999 a Friday.
  EXPECT_EQ(Echo("DatePart(\"ww\", #1/1/2000#, 1, 2) & \" \" & DatePart(\"ww\", #1/2/2000#, 1, 2) & \" \" & "
                 "DatePart(\"ww\", #1/2/2000#, 1, 3) & \" \" & DatePart(\"ww\", #12/31/1999#, 1, 1)"),
            "52 1 1 53");
  // ISO weeks: Monday, first four days. 29 Dec 2003 (Monday) stays week 53.
  EXPECT_EQ(Echo("DatePart(\"ww\", #1/4/2004#, 2, 2) & \" \" & DatePart(\"ww\", #1/5/2004#, 2, 2) & \" \" & "
                 "DatePart(\"ww\", #12/29/2003#, 2, 2)"),
            "1 2 53");
  EXPECT_EQ(Echo("Rnd(0) = Rnd()"), "False");
}

}  // namespace
}  // namespace qfscript::test
