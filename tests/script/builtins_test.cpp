// Built-in functions: results and the errors of bad arguments.

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

TEST(Strings, SlicesAndSearches) {
  EXPECT_EQ(Echo("InStr(\"abc\", \"\") & InStr(5, \"abc\", \"\") & InStr(2, \"abcabc\", \"a\")"), "104");
  EXPECT_EQ(Echo("InStrRev(\"abcabc\", \"bc\") & InStrRev(\"abcabc\", \"bc\", 4) & InStrRev(\"abc\", \"x\")"), "520");
  EXPECT_EQ(Echo("IsNull(Left(Null, 1)) & IsNull(InStr(Null, \"a\")) & IsNull(Len(Null))"), "TrueTrueTrue");
  EXPECT_EQ(Echo("Len(123) & Len(True) & Len(#1/1/2020#)"), "348");
  EXPECT_EQ(Echo("InStr(0, \"abc\", \"a\")"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Strings, ReplaceSplitJoinFilter) {
  EXPECT_EQ(Echo("Replace(\"abc\", \"\", \"z\") & Replace(\"abc\", \"b\", \"z\", 1, 0)"), "abcabc");
  EXPECT_EQ(Echo("Join(Split(\"a,b,c\", \",\", 2), \"|\") & \" \" & UBound(Split(\"abc\", \"\"))"), "a|b,c 0");
  EXPECT_EQ(Echo("Join(Filter(Array(\"Ab\", \"cd\", \"ab\"), \"ab\", True, 1), \",\") & \" \" & "
                 "Join(Filter(Array(\"ab\", \"cd\"), \"ab\", False), \",\")"),
            "Ab,ab cd");
  EXPECT_EQ(Echo("Join(\"abc\")"), "error 13: Type mismatch at (1, 1)");
}

TEST(Strings, CaseTrimPadAndCompare) {
  EXPECT_EQ(Echo("UCase(\"a\" & Chr(233) & Chr(154)) = \"A\" & Chr(201) & Chr(138)"), "True");  // Windows-1252 letters
  EXPECT_EQ(Echo("\"[\" & Trim(vbTab & \" a \") & \"]\""), "[\t a]");  // only blanks are trimmed
  EXPECT_EQ(Echo("StrComp(\"a\", \"A\") & StrComp(\"a\", \"A\", 1) & StrComp(\"\", \"a\")"), "10-1");
  EXPECT_EQ(Echo("StrReverse(\"\") & StrReverse(\"ab\")"), "ba");
  EXPECT_EQ(Echo("Space(-1)"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Strings, CharactersAndCodes) {
  EXPECT_EQ(Echo("Escape(\"a b&c\" & Chr(128) & Chr(233))"), "a%20b%26c%u20AC%E9");
  EXPECT_EQ(Echo("Unescape(\"a%20b%u20AC%zz\") = \"a b\" & Chr(128) & \"%zz\""), "True");
  EXPECT_EQ(Echo("Asc(\"\")"), "error 5: Invalid procedure call or argument at (1, 1)");
  EXPECT_EQ(Echo("Chr(256)"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Conversions, FunctionsKeepOrChooseSubtypes) {
  EXPECT_EQ(Echo("TypeName(Int(2)) & TypeName(Int(2.5)) & TypeName(Int(\"2.5\")) & TypeName(Fix(CSng(1.5)))"),
            "IntegerDoubleDoubleSingle");
  EXPECT_EQ(Echo("Int(-0.5) & Fix(-0.5) & Int(Empty) & IsNull(Int(Null))"), "-100True");
  EXPECT_EQ(Echo("Round(0.5) & Round(1.5) & Round(-1.5) & \" \" & Round(1.2345, 3) & \" \" & TypeName(Round(2))"),
            "02-2 1.234 Integer");
  EXPECT_EQ(Echo("CCur(1.23456) & \" \" & CByte(\"255\") & \" \" & CLng(\"&H7FFFFFFF\") & \" \" & CDbl(\"1e3\")"),
            "1.2346 255 2147483647 1000");
  EXPECT_EQ(Echo("CByte(256)"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("Abs(-2.5) & Sgn(-0.1) & Sgn(3) & Sqr(2.25) & Exp(0) & Log(1)"), "2.5-111.510");
  EXPECT_EQ(Echo("Sqr(-1)"), "error 5: Invalid procedure call or argument at (1, 1)");
  EXPECT_EQ(Echo("Log(0)"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Conversions, Tests) {
  EXPECT_EQ(Echo("IsNumeric(\" 1 \") & IsNumeric(\"1e400\") & IsNumeric(True) & IsNumeric(#1/1/2000#) & "
                 "IsNumeric(Null)"),
            "TrueTrueTrueFalseFalse");
  EXPECT_EQ(Echo("IsDate(\"2/30/2020\") & IsDate(\"2/29/2020\") & IsDate(1) & IsDate(\"13:61\")"),
            "FalseTrueFalseFalse");
}

TEST(Dates, PartsArithmeticAndFormats) {
  EXPECT_EQ(Echo("DateSerial(2020, 1, 0) & \" \" & DateSerial(2020, -1, 1) & \" \" & DateSerial(99, 1, 1) & \" \" & "
                 "DateSerial(29, 1, 1)"),
            "12/31/2019 11/1/2019 1/1/1999 1/1/2029");
  EXPECT_EQ(Echo("DateAdd(\"m\", 1, #1/31/2020#) & \" \" & DateAdd(\"q\", 1, #11/30/2020#) & \" \" & "
                 "DateAdd(\"n\", -90, #1/1/2020#) & \" \" & DateAdd(\"ww\", 1, #12/28/2020#)"),
            "2/29/2020 2/28/2021 12/31/2019 10:30:00 PM 1/4/2021");
  EXPECT_EQ(Echo("DatePart(\"q\", #8/1/2020#) & DatePart(\"w\", #12/31/2020#) & DatePart(\"w\", #12/31/2020#, vbMonday) & "
                 "DatePart(\"ww\", #1/5/2020#)"),
            "3542");
  EXPECT_EQ(Echo("CDate(\"2020-12-31 23:59:59\") & \" | \" & CDate(\"5 Mar 2021\") & \" | \" & TimeValue(\"1:02 pm\")"),
            "12/31/2020 11:59:59 PM | 3/5/2021 | 1:02:00 PM");
  EXPECT_EQ(Echo("TimeSerial(25, 0, 0) & \" | \" & TimeSerial(0, -1, 0) & \" | \" & CDate(0) & \" | \" & CDate(1.5)"),
            "12/31/1899 1:00:00 AM | 12/29/1899 11:59:00 PM | 12/30/1899 | 12/31/1899 12:00:00 PM");
  EXPECT_EQ(Echo("FormatDateTime(#1/2/2003 4:05:06 AM#) & \" | \" & FormatDateTime(#1/2/2003 4:05:06 AM#, vbShortTime)"),
            "1/2/2003 4:05:06 AM | 04:05");
  EXPECT_EQ(Echo("DateSerial(10000, 1, 1)"), "error 5: Invalid procedure call or argument at (1, 1)");
  EXPECT_EQ(Echo("DateAdd(\"x\", 1, Now)"), "error 5: Invalid procedure call or argument at (1, 1)");
}

const ScriptCase kCases[] = {
    // Under On Error Resume Next a failing statement is skipped whole: its Echo prints nothing.
    {"bounds and dimensions",
     "Dim m(2, 4)\n"
     "WScript.Echo UBound(m), UBound(m, 2), LBound(m, 2)\n"
     "ReDim d(1, 2)\n"
     "d(1, 2) = \"x\"\n"
     "ReDim Preserve d(1, 5)\n"
     "WScript.Echo d(1, 2), UBound(d, 2)\n"
     "On Error Resume Next\n"
     "ReDim Preserve d(2, 5)\n"
     "WScript.Echo Err.Number : Err.Clear\n"
     "WScript.Echo UBound(m, 3) : WScript.Echo Err.Number : Err.Clear\n"
     "ReDim m(3) : WScript.Echo Err.Number : Err.Clear\n"
     "x = m(1) : WScript.Echo Err.Number : Err.Clear\n"
     "WScript.Echo UBound(5) : WScript.Echo Err.Number : Err.Clear\n"
     "Dim e() : WScript.Echo UBound(e) : WScript.Echo Err.Number\n",
     "2 4 0\nx 5\n9\n9\n10\n9\n13\n9\n"},
    {"assignment copies and erase empties",
     "a = Array(1, 2) : b = a : b(0) = 9\n"
     "WScript.Echo a(0), b(0)\n"
     "Dim f(1) : f(0) = 5 : Erase f : WScript.Echo UBound(f), IsEmpty(f(0))\n"
     "ReDim g(2) : Erase g\n"
     "On Error Resume Next : WScript.Echo UBound(g) : WScript.Echo Err.Number\n"
     "c = Array(Array(1, 2), 3) : c(0)(1) = 7 : WScript.Echo c(0)(1)\n",
     "1 9\n1 True\n9\n7\n"},
    // A fixed array keeps its bounds whatever path would change them (10), also
    // after a copy of it was taken; the copies themselves can be redimensioned.
    {"fixed array refuses every resize",
     "On Error Resume Next\n"
     "Dim a(4) : b = a : a(1) = \"x\"\n"
     "ReDim a(3) : WScript.Echo Err.Number, UBound(a), a(1) : Err.Clear\n"
     "ReDim Preserve a(6) : WScript.Echo Err.Number, UBound(a) : Err.Clear\n"
     "a = Array(1) : WScript.Echo Err.Number, UBound(a) : Err.Clear\n"
     "Sub R(x) : On Error Resume Next : ReDim x(1) : WScript.Echo Err.Number, UBound(x) : End Sub\n"
     "Sub V(ByVal x) : ReDim x(1) : WScript.Echo UBound(x) : End Sub\n"
     "R a : V a\n"
     "Sub L : On Error Resume Next : Dim c(2) : ReDim Preserve c(5) : WScript.Echo Err.Number, UBound(c) : End Sub\n"
     "L : Err.Clear\n"
     "ReDim b(1) : WScript.Echo Err.Number, UBound(b)\n",
     "10 4 x\n10 4\n10 4\n10 4\n1\n10 2\n0 1\n"},
    // Whole-number expressions take a path of their own (a literal divisor by its
    // reciprocal): signs, the ends of Long and the divisors 1 and -1.
    {"nested whole numbers",
     "For Each x In Array(7, -8, 2147483647, -32768, 12345678)\n"
     "  y = x : WScript.Echo (y Mod 7) + 0, (y Mod -7) * 1, (y Mod 1) - 0, (y Mod -1) + 0, (y Mod 2147483647) + 0, "
     "(y \\ 3) + 1\n"
     "Next\n"
     "i = -2147483647 : i = i - 1 : WScript.Echo (i Mod 7) + 0, (i Mod 2147483647) + 0, TypeName((i Mod 7) + 0)\n",
     "0 0 0 0 7 3\n-1 -1 0 0 -8 -1\n1 1 0 0 0 715827883\n-1 -1 0 0 -32768 -10921\n"
     "2 2 0 0 12345678 4115227\n-2 -1 Long\n"},
    // Conditions of Not, And, Or and array elements take a path of their own: the
    // values that are no Booleans must still decide as the operators say.
    {"conditions of logical operators",
     "Dim a(2) : a(0) = True : a(1) = 2 : a(2) = Null\n"
     "If Not 0 Then WScript.Echo 1\n"
     "If 1 And 2 Then WScript.Echo 2\n"
     "If a(1) And 3 Then WScript.Echo 3\n"
     "If Not (a(0) Or a(2)) Then WScript.Echo 4\n"
     "If a(2) Or False Then WScript.Echo 5\n"
     "If a(0) And Not a(1) Then WScript.Echo 6\n"
     "If a(0) Or a(5) Then WScript.Echo 7\n",
     "1\n3\n6\nerror 9: Subscript out of range at (8, 1)"},
    {"rnd is repeatable from a seed",
     "x = Rnd(-1) : a = Rnd : b = Rnd\n"
     "y = Rnd(-1) : c = Rnd : d = Rnd\n"
     "WScript.Echo (a = c) And (b = d), (a <> b), (a >= 0 And a < 1), Rnd(0) = d, TypeName(a)\n",
     "True True True True Single\n"},
    {"unknown names", "NoSuchSub", "error 35: Sub or Function not defined at (1, 1)"},
};

TEST(Builtins, Scripts) {
  RunCases(kCases);
}

}  // namespace
}  // namespace qfscript::test
