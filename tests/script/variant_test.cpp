// Variant arithmetic, comparison, logic and conversions: result values and subtypes;
// date serials, splitting, formatting and parsing.
#include <gtest/gtest.h>

#include "script/datetime.h"
#include "script/errors.h"
#include "script/operators.h"
#include "script/variant.h"
#include "tests/script/script_test_util.h"

namespace qfscript {
namespace {

int ErrorOf(void (*f)()) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number;
  }
  return 0;
}

TEST(Variant, CopiesShareStringsAndArraysCopyOnWrite) {
  Variant a = Variant::Str("hello");
  Variant b = a;
  EXPECT_EQ(a.s, b.s);
  EXPECT_EQ(a.s->refs, 2);
  b.Clear();
  EXPECT_EQ(a.s->refs, 1);

  auto* rep = new ArrayRep;
  rep->bounds = {1};
  rep->data.resize(2);
  Variant x = Variant::Arr(rep);
  Variant y = x;
  y.UniqueArray()->data[0] = Variant::Int(5);
  EXPECT_TRUE(x.a->data[0].IsEmpty());
  EXPECT_EQ(y.a->data[0].i, 5);
}

TEST(Variant, NumbersNeverAllocateAndFitSixteenBytes) {
  EXPECT_EQ(sizeof(Variant), 16u);
  Variant v = Variant::Whole(40000);
  EXPECT_EQ(v.vt, vtLong);
  EXPECT_EQ(Variant::Whole(-32768).vt, vtInteger);
  EXPECT_EQ(Variant::Whole(1LL << 40).vt, vtDouble);
}

TEST(Variant, DeeplyNestedArraysAreFreedWithoutRecursion) {
  Variant v;
  for (int i = 0; i < 1000000; ++i) {
    auto* rep = new ArrayRep;
    rep->bounds = {0};
    rep->data.push_back(std::move(v));
    v = Variant::Arr(rep);
  }
  v.Clear();  // would overflow the stack if freed recursively
  SUCCEED();
}

TEST(Arithmetic, ResultSubtypesAndWidening) {
  using test::Echo;
  EXPECT_EQ(Echo("TypeName(-32768 - 1) & \" \" & (-32768 - 1)"), "Long -32769");
  EXPECT_EQ(Echo("TypeName(CByte(200) + CByte(100)) & \" \" & TypeName(CByte(1) + CByte(2))"), "Integer Byte");
  EXPECT_EQ(Echo("TypeName(CSng(1) + 1) & \" \" & TypeName(CSng(1) + 100000)"), "Single Double");
  EXPECT_EQ(Echo("TypeName(CCur(1) + 1) & \" \" & TypeName(CCur(1) * 1.5)"), "Currency Double");
  EXPECT_EQ(Echo("TypeName(#1/1/2020# + 1) & \" \" & (#1/1/2020# + 1)"), "Date 1/2/2020");
  EXPECT_EQ(Echo("TypeName(#1/2/2020# - #1/1/2020#)"), "Double");
  EXPECT_EQ(Echo("TypeName(True + True) & (True + True)"), "Integer-2");
  EXPECT_EQ(Echo("TypeName(\"1\" + 1) & (\"1\" + 1) & (\"1\" + \"1\")"), "Double211");
  EXPECT_EQ(Echo("TypeName(Empty + Empty) & TypeName(6 / 3) & TypeName(7 \\ 2.5) & TypeName(7 Mod 2)"),
            "IntegerDoubleLongInteger");
}

TEST(Arithmetic, DivisionAndModuloRules) {
  using test::Echo;
  EXPECT_EQ(Echo("7 \\ 2 & \" \" & -7 \\ 2 & \" \" & 7 Mod -3 & \" \" & -7 Mod 3"), "3 -3 1 -1");
  EXPECT_EQ(Echo("2.5 \\ 1 & \" \" & 3.5 \\ 1 & \" \" & 5.5 Mod 3"), "2 4 0");  // halves to even first
  EXPECT_EQ(Echo("1 / 4 & \" \" & 2 ^ 0.5"), "0.25 1.4142135623731");
}

TEST(Arithmetic, NullPropagatesAndEmptyIsZero) {
  using test::Echo;
  EXPECT_EQ(Echo("IsNull(1 + Null) & IsNull(Null * 0) & IsNull(-Null) & IsNull(Null \\ 1)"), "TrueTrueTrueTrue");
  EXPECT_EQ(Echo("Empty + 5 & \" \" & Empty & \"|\" & -Empty"), "5 |0");
  EXPECT_EQ(Echo("TypeName(Null & Null) & \" \" & (\"a\" & Null)"), "Null a");
}

TEST(Arithmetic, Errors) {
  using test::Echo;
  EXPECT_EQ(Echo("0 / 0"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("5 Mod 0"), "error 11: Division by zero at (1, 1)");
  EXPECT_EQ(Echo("\"a\" + 1"), "error 13: Type mismatch at (1, 1)");
  EXPECT_EQ(Echo("1E308 * 10"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("(-8) ^ 0.5"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Comparison, MixedSubtypes) {
  using test::Echo;
  EXPECT_EQ(Echo("(\"10\" = 10) & (\"10\" < \"9\") & (2 < 10)"), "TrueTrueTrue");
  EXPECT_EQ(Echo("(Empty = 0) & (Empty = \"\") & (Empty < 1) & (True = -1)"), "TrueTrueTrueTrue");
  EXPECT_EQ(Echo("IsNull(Null = Null) & IsNull(1 <> Null)"), "TrueTrue");
  EXPECT_EQ(Echo("(#1/1/2020# < #1/2/2020#) & (CCur(1.5) = 1.5) & (CSng(0.5) = 0.5)"), "TrueTrueTrue");
}

TEST(Logic, BitwiseOnNumbersAndThreeValuedWithNull) {
  using test::Echo;
  EXPECT_EQ(Echo("(True And 6) & \" \" & TypeName(True And 6) & \" \" & TypeName(True And False)"),
            "6 Integer Boolean");
  EXPECT_EQ(Echo("(Null And False) & \" \" & (Null Or True) & \" \" & IsNull(Null And True)"), "False True True");
  EXPECT_EQ(Echo("(False Imp Null) & \" \" & IsNull(True Imp Null) & \" \" & (Null Imp True)"), "True True True");
  EXPECT_EQ(Echo("(5 Eqv 3) & \" \" & (0 Imp 0)"), "-7 -1");
  // Two Booleans, every operator and pair (also through variables): a Boolean.
  EXPECT_EQ(test::RunScript("t = True : f = False\n"
                      "For Each p In Array(Array(t, t), Array(t, f), Array(f, t), Array(f, f))\n"
                      "  a = p(0) : b = p(1)\n"
                      "  WScript.Echo (a And b), (a Or b), (a Xor b), (a Eqv b), (a Imp b), Not a, TypeName(a Imp b)\n"
                      "Next"),
            "True True False True True False Boolean\nFalse True True False False False Boolean\n"
            "False True True False True True Boolean\nFalse False False True True True Boolean\n");
}

TEST(Conversion, DoublesPrintWithFifteenDigits) {
  const std::pair<double, const char*> doubles[] = {{1.0 / 3, "0.333333333333333"}, {1e20, "1E+20"}, {1e-5, "1E-05"},
                                                    {0.0001, "0.0001"}, {123456789012345.0, "123456789012345"},
                                                    {1e15, "1E+15"}, {-2.5, "-2.5"}, {-0.0, "0"}};
  for (const auto& [d, text] : doubles) EXPECT_EQ(DoubleToStr(d), text);
  EXPECT_EQ(SingleToStr(0.1f), "0.1");
  EXPECT_EQ(CurrencyToStr(12345), "1.2345");
  EXPECT_EQ(CurrencyToStr(-10000), "-1");
}

TEST(Conversion, NumericStrings) {
  const std::pair<const char*, double> numbers[] = {{" 12 ", 12}, {"-1.5e3", -1500}, {"&HFF", 255},
                                                    {"&HFFFF", -1}, {"1,000.5", 1000.5}, {".5", 0.5}};
  for (const auto& [text, value] : numbers) {
    double d = 0;
    EXPECT_TRUE(ParseNumber(text, d)) << text;
    EXPECT_EQ(d, value) << text;
  }
  for (const char* text : {"", "1e", "12abc", "-"}) {
    double d;
    EXPECT_FALSE(ParseNumber(text, d)) << text;
  }
}

TEST(Conversion, RoundingAndRangeChecks) {
  EXPECT_EQ(ToLong(Variant::Double(2.5)), 2);
  EXPECT_EQ(ToLong(Variant::Double(3.5)), 4);
  EXPECT_EQ(ToLong(Variant::Double(-2.5)), -2);
  EXPECT_EQ(ToLong(Variant::Str("42")), 42);
  EXPECT_EQ(ToInteger(Variant::Bool(true)), -1);
  EXPECT_EQ(ErrorOf([] { ToLong(Variant::Double(2147483647.5)); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { ToInteger(Variant::Long(40000)); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { ToDouble(Variant::Str("x")); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { ToDouble(Variant::Null()); }), kErrInvalidNull);
  EXPECT_EQ(ErrorOf([] { ToStr(Variant::Null()); }), kErrInvalidNull);
  EXPECT_TRUE(ToBool(Variant::Str("true")));
  EXPECT_FALSE(ToBool(Variant::Str("0")));
  EXPECT_EQ(ErrorOf([] { ToBool(Variant::Str("yes")); }), kErrTypeMismatch);
}

TEST(Conversion, TypeNamesAndVarTypes) {
  EXPECT_EQ(TypeNameOf(Variant::Nothing()), "Nothing");
  EXPECT_EQ(TypeNameOf(Variant::Currency(1)), "Currency");
  EXPECT_EQ(VarTypeOf(Variant::Byte(1)), 17);
  EXPECT_EQ(VarTypeOf(Variant::Date(1)), 7);
  auto* rep = new ArrayRep;
  EXPECT_EQ(VarTypeOf(Variant::Arr(rep)), 8204);
}

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
