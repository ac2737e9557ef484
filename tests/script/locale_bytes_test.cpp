// Decimal rounding of the formats, the script locale, the byte functions and
// the argument checks of the built-ins.
#include <gtest/gtest.h>

#include "locales.h"
#include "script_test_util.h"
#include "variant.h"

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
  EXPECT_EQ(Echo("Round(True) & \" \" & VarType(Round(True, 2)) & \" \" & VarType(Round(False))"), "True 11 11");
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
  // en-GB writes a minus sign; German puts the symbol after the number;
  // asking for parentheses wraps the positive form.
  EXPECT_EQ(Echo("SetLocale(2057) & FormatCurrency(-1234.5)"), "1033-\xA3" "1,234.50");
  EXPECT_EQ(Echo("SetLocale(1031) & FormatCurrency(-1234.5) & \"|\" & FormatCurrency(-2, 0, , -1)"),
            "1033-1.234,50 \x80|(2 \x80)");
  EXPECT_EQ(Echo("SetLocale(1041) & FormatCurrency(1234.5)"), "1033\xA5" "1,235");
}

TEST(Locale, SetLocaleAndGetLocale) {
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & SetLocale(\"en-GB\") & \" \" & SetLocale(\"1036\") & \" \" & GetLocale()"),
            "1033 1031 2057 1036");
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & SetLocale(0) & \" \" & GetLocale() & \" \" & VarType(SetLocale(1031))"),
            "1033 1031 1033 3");
  EXPECT_EQ(Echo("SetLocale(\"fr\") & \" \" & SetLocale(\"pt_BR\") & \" \" & GetLocale()"), "1033 1036 1046");
  EXPECT_EQ(Err("x = SetLocale(99999)"), "447");
  EXPECT_EQ(Err("x = SetLocale(\"xx-yy\")"), "447");
  EXPECT_EQ(Err("x = SetLocale(Null)"), "94");
  EXPECT_EQ(RunScript("x = SetLocale(12345)"),
            "error 447: Object doesn't support current locale setting at (1, 1)");
  // A failed SetLocale keeps the locale; a new run starts from the script's own.
  EXPECT_EQ(RunScript("On Error Resume Next\nSetLocale 1031\nSetLocale 4\nWScript.Echo GetLocale(), 1.5"),
            "1031 1,5\n");
  EXPECT_EQ(CurrentLocale().lcid, kDefaultLcid);  // the run put the thread's locale back
}

TEST(Locale, NumbersAndDatesFollowTheLocale) {
  EXPECT_EQ(Echo("SetLocale(1031) & \" \" & FormatNumber(1234567.891) & \" \" & FormatPercent(0.1234) & \" \" & 1.5"),
            "1033 1.234.567,89 12,34% 1,5");
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
  EXPECT_EQ(Echo("LenB(\"\") & \" \" & LenB(\"abc\") & \" \" & VarType(LenB(\"a\")) & \" \" & IsNull(LenB(Null)) & \" \" & LenB(12)"),
            "0 6 3 True 4");
  EXPECT_EQ(Echo("LeftB(\"abc\", 2) & \"|\" & LeftB(\"abc\", 4) & \"|\" & LenB(LeftB(\"abc\", 3)) & \"|\" & "
                 "LeftB(\"abc\", 99) & \"|\" & LenB(RightB(\"abcd\", 5)) & \"|\" & RightB(\"abcd\", 4)"),
            "a|ab|3|abc|5|cd");
  EXPECT_EQ(Echo("MidB(\"abcd\", 3, 4) & \"|\" & MidB(\"abcd\", 5) & \"|\" & LenB(MidB(\"abcd\", 2, 3)) & \"|\" & "
                 "MidB(\"abcd\", 9) & \"|\" & InStrB(\"abcb\", \"b\") & InStrB(4, \"abcb\", \"b\") & InStrB(\"ab\", \"z\")"),
            "bc|cd|3||370");
  EXPECT_EQ(Echo("AscB(\"a\") & \" \" & VarType(AscB(\"a\")) & \" \" & AscB(ChrW(8364)) & \" \" & AscB(MidB(ChrW(8364), 2))"),
            "97 17 172 32");
  EXPECT_EQ(Echo("LenB(ChrB(65)) & \" \" & Len(ChrB(65)) & \" \" & AscB(ChrB(255))"), "1 0 255");
  // Bytes joined make characters: "A" is the bytes 65, 0.
  EXPECT_EQ(Echo("ChrB(65) & ChrB(0) & ChrB(66) & ChrB(0)"), "AB");
  EXPECT_EQ(Echo("LenB(\"x\" & ChrB(65)) & \" \" & Len(LeftB(\"abc\", 3) & ChrB(0))"), "3 2");
  EXPECT_EQ(RunScript("s = \"\"\nFor i = 72 To 73: s = s & ChrB(i) & ChrB(0): Next\nWScript.Echo s, LenB(s)"),
            "HI 4\n");
  EXPECT_EQ(Err("x = LeftB(\"abc\", -1)"), "5");
  EXPECT_EQ(Err("x = MidB(\"abc\", 0)"), "5");
  EXPECT_EQ(Err("x = ChrB(256)") + Err("x = ChrB(-1)") + Err("x = AscB(\"\")") + Err("x = AscB(Null)"), "66594");
}

TEST(WideCharacters, KeptThroughTheFunctionsThatNeedThem) {
  EXPECT_EQ(Echo("AscW(ChrW(65535)) & \" \" & AscW(ChrW(-2)) & \" \" & AscW(ChrW(8364)) & \" \" & Len(ChrW(256))"),
            "-1 -2 8364 1");
  EXPECT_EQ(Echo("Escape(\"a\" & ChrW(256) & \"b\") & \" \" & Escape(Unescape(\"%u0100%41%e9\")) & \" \" & "
                 "Escape(Chr(128))"),
            "a%u0100b %u0100A%E9 %u20AC");
  EXPECT_EQ(Echo("AscW(Mid(\"ab\" & ChrW(300), 3, 1)) & \" \" & AscW(Right(ChrW(1000) & ChrW(1001), 1)) & \" \" & "
                 "LenB(ChrW(1000))"),
            "300 1001 2");
}

TEST(BuiltinArguments, ErrorsOfWindows) {
  EXPECT_EQ(Err("Call CLng(3)") + " " + Err("Call CSng(\"2\")") + " " + Err("x = CLng(3)") + " " + Err("Call CInt(40000)"),
            "458 458 0 6");
  EXPECT_EQ(RunScript("Call CDbl(1)"),
            "error 458: Variable uses an Automation type not supported in VBScript at (1, 6)");
  EXPECT_EQ(Err("x = InStrRev(Null, \"a\")") + Err("x = Mid(\"abc\", 1, Null)") + Err("x = Split(Null)") +
                Err("x = Replace(\"a\", \"a\", Null)") + Err("x = Sgn(Null)") + Err("x = MonthName(\"x\", Null)"),
            "949494949494");
  EXPECT_EQ(Err("x = Escape(Null)") + Err("x = DateValue(Null)") + Err("x = TimeValue(Null)") +
                Err("x = DateDiff(\"d\", Now, Now, 1, Null)"),
            "94949494");
  EXPECT_EQ(Err("x = FormatNumber(Null)") + Err("x = FormatCurrency(Null)") + Err("x = FormatDateTime(Null)") +
                Err("x = FormatPercent(1, Null)") + Err("x = FormatNumber(1, 2, Null)"),
            "1313139494");
  EXPECT_EQ(Err("x = Split(\"a\", \"a\", -1, 2)") + Err("x = DatePart(\"ww\", Now, 1, 4)") +
                Err("x = DateDiff(\"ww\", Now, Now, 1, -1)") + Err("x = DateValue(45000)") + Err("x = TimeValue(0.5)"),
            "5551313");
  EXPECT_EQ(Err("x = GetRef(1)") + Err("x = GetRef(Empty)") + Err("x = GetRef(Null)"), "131313");
  EXPECT_EQ(Err("x = Join(Array(1, Array(2)))") + Err("Dim g(1, 1): x = Join(g)"), "1313");
  EXPECT_EQ(Echo("Join(Array(1, Empty, \"z\"), \"-\")"), "1--z");
}

TEST(BuiltinArguments, ResultTypesAndWeeks) {
  EXPECT_EQ(Echo("VarType(DateDiff(\"s\", #1/1/2000#, #1/1/2000 0:00:05#)) & VarType(DateDiff(\"yyyy\", Now, Now))"),
            "33");
  EXPECT_EQ(Echo("DateDiff(\"s\", #1/1/1900#, #1/1/1960#) & \" \" & VarType(DateDiff(\"d\", #1/1/2000#, #1/1/2001#))"),
            "1893369600 3");
  EXPECT_EQ(Err("x = DateDiff(\"s\", #1/1/100#, #1/1/9999#)"), "6");
  EXPECT_EQ(Echo("VarType(vbBlack) & VarType(vbRed) & VarType(vbWhite)"), "333");
  // 1 Jan 2000 is a Saturday; 2 Jan 2000 a Sunday; 31 Dec 1999 a Friday.
  EXPECT_EQ(Echo("DatePart(\"ww\", #1/1/2000#, 1, 2) & \" \" & DatePart(\"ww\", #1/2/2000#, 1, 2) & \" \" & "
                 "DatePart(\"ww\", #1/2/2000#, 1, 3) & \" \" & DatePart(\"ww\", #12/31/1999#, 1, 1)"),
            "52 1 1 53");
  // ISO weeks: Monday, first four days. 29 Dec 2003 (Monday) stays week 53.
  EXPECT_EQ(Echo("DatePart(\"ww\", #1/4/2004#, 2, 2) & \" \" & DatePart(\"ww\", #1/5/2004#, 2, 2) & \" \" & "
                 "DatePart(\"ww\", #12/29/2003#, 2, 2)"),
            "1 2 53");
  EXPECT_EQ(Echo("Rnd(0) * 16777216 & \" \" & (Rnd(0) = Rnd(0))"), "327680 True");
  EXPECT_EQ(Echo("Rnd(0) = Rnd()"), "False");
}

// LBound and UBound use an object's default member.
TEST(BuiltinArguments, BoundsThroughDefaultMembers) {
  const std::string cls =
      "Class L\nPublic Default Function Items()\nItems = Array(1, 2, 3)\nEnd Function\nEnd Class\n"
      "Class P\nPublic v\nEnd Class\n"
      "Class A\nPublic Default Function Item(i)\nItem = i\nEnd Function\nEnd Class\n";
  EXPECT_EQ(RunScript(cls + "Set o = New L\nWScript.Echo LBound(o), UBound(o)"), "0 2\n");
  EXPECT_EQ(RunScript(cls + "On Error Resume Next\nSet o = Nothing\nx = UBound(o)\nWScript.Echo Err.Number\n"
                            "Err.Clear\nx = UBound(New P)\nWScript.Echo Err.Number\n"
                            "Err.Clear\nx = LBound(New A)\nWScript.Echo Err.Number\n"
                            "Err.Clear\nx = Join(New P)\nWScript.Echo Err.Number"),
            "91\n438\n450\n438\n");
}

}  // namespace
}  // namespace qfscript::test
