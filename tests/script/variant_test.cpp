// Variant arithmetic, comparison, logic and conversions: result values and subtypes;
// date serials, splitting and parsing.

#include "script/datetime.h"
#include "script/errors.h"
#include "script/operators.h"
#include "script/variant.h"
#include "tests/script/script_test_util.h"

namespace qfscript {
namespace {

using test::Echo;

int ErrorOf(void (*f)()) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.number;
  }
  return 0;
}

TEST(Variant, NumbersNeverAllocateAndFitSixteenBytes) {
  EXPECT_EQ(sizeof(Variant), 16u);
  Variant v = Variant::Whole(40000);
  EXPECT_EQ(v.vt, vtLong);
  EXPECT_EQ(Variant::Whole(-32768).vt, vtInteger);
  EXPECT_EQ(Variant::Whole(1LL << 40).vt, vtDouble);
}

TEST(Arithmetic, ResultSubtypesAndWidening) {
  EXPECT_EQ(Echo("TypeName(-32768 - 1) & \" \" & (-32768 - 1)"), "Long -32769");
  EXPECT_EQ(Echo("TypeName(CByte(200) + CByte(100)) & \" \" & TypeName(CByte(1) + CByte(2))"), "Integer Byte");
  EXPECT_EQ(Echo("TypeName(CSng(1) + 1) & \" \" & TypeName(CSng(1) + 100000)"), "Single Double");
  EXPECT_EQ(Echo("TypeName(CCur(1) + 1) & \" \" & TypeName(CCur(1) * 1.5)"), "Currency Double");
  EXPECT_EQ(Echo("TypeName(#1/1/2020# + 1) & \" \" & (#1/1/2020# + 1)"), "Date 1/2/2020");
  EXPECT_EQ(Echo("TypeName(\"1\" + 1) & (\"1\" + 1) & (\"1\" + \"1\")"), "Double211");
}

TEST(Arithmetic, DivisionAndModuloRules) {
  EXPECT_EQ(Echo("2.5 \\ 1 & \" \" & 3.5 \\ 1 & \" \" & 5.5 Mod 3"), "2 4 0");  // halves to even first
}

TEST(Arithmetic, NullPropagatesAndEmptyIsZero) {
  EXPECT_EQ(Echo("IsNull(1 + Null) & IsNull(Null * 0) & IsNull(-Null) & IsNull(Null \\ 1)"), "TrueTrueTrueTrue");
  EXPECT_EQ(Echo("Empty + 5 & \" \" & Empty & \"|\" & -Empty"), "5 |0");
  EXPECT_EQ(Echo("TypeName(Null & Null) & \" \" & (\"a\" & Null)"), "Null a");
}

TEST(Arithmetic, Errors) {
  EXPECT_EQ(Echo("0 / 0"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("5 Mod 0"), "error 11: Division by zero at (1, 1)");
  EXPECT_EQ(Echo("1E308 * 10"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("(-8) ^ 0.5"), "error 5: Invalid procedure call or argument at (1, 1)");
}

TEST(Comparison, MixedSubtypes) {
  EXPECT_EQ(Echo("(\"10\" = 10) & (\"10\" < \"9\") & (2 < 10)"), "TrueTrueTrue");
  EXPECT_EQ(Echo("(#1/1/2020# < #1/2/2020#) & (CCur(1.5) = 1.5) & (CSng(0.5) = 0.5)"), "TrueTrueTrue");
}

TEST(Logic, BitwiseOnNumbersAndThreeValuedWithNull) {
  EXPECT_EQ(Echo("(Null And False) & \" \" & (Null Or True) & \" \" & IsNull(Null And True)"), "False True True");
  EXPECT_EQ(Echo("(False Imp Null) & \" \" & IsNull(True Imp Null) & \" \" & (Null Imp True)"), "True True True");
  // Two Booleans, every operator and pair (also through variables): a Boolean.
  EXPECT_EQ(test::RunScript("t = True : f = False\n"
                      "For Each p In Array(Array(t, t), Array(t, f), Array(f, t), Array(f, f))\n"
                      "  a = p(0) : b = p(1)\n"
                      "  WScript.Echo (a And b), (a Or b), (a Xor b), (a Eqv b), (a Imp b), Not a, TypeName(a Imp b)\n"
                      "Next"),
            "True True False True True False Boolean\nFalse True True False False False Boolean\n"
            "False True True False True True Boolean\nFalse False False True True True Boolean\n");
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
  EXPECT_EQ((std::vector<int64_t>{ToLong(Variant::Double(2.5)), ToLong(Variant::Double(3.5)),
                                  ToLong(Variant::Double(-2.5)), ToLong(Variant::Str("42")),
                                  ToInteger(Variant::Bool(true))}),
            (std::vector<int64_t>{2, 4, -2, 42, -1}));
  EXPECT_TRUE(ToBool(Variant::Str("true")));
  EXPECT_FALSE(ToBool(Variant::Str("0")));
  const std::pair<void (*)(), int> errors[] = {
      {[] { ToLong(Variant::Double(2147483647.5)); }, kErrOverflow},
      {[] { ToInteger(Variant::Long(40000)); }, kErrOverflow},
      {[] { ToDouble(Variant::Str("x")); }, kErrTypeMismatch},
      {[] { ToDouble(Variant::Null()); }, kErrInvalidNull},
      {[] { ToStr(Variant::Null()); }, kErrInvalidNull},
      {[] { ToBool(Variant::Str("yes")); }, kErrTypeMismatch}};
  for (size_t i = 0; i < std::size(errors); ++i) EXPECT_EQ(ErrorOf(errors[i].first), errors[i].second) << i;
}

TEST(DateTime, SerialsCountFromTheEpoch) {
  EXPECT_EQ((std::vector<double>{DaySerial(1899, 12, 30), DaySerial(1900, 1, 1), DaySerial(2000, 1, 1),
                                 DaySerial(1899, 12, 29)}),
            (std::vector<double>{0, 2, 36526, -1}));
  // Days and months out of their range carry over; years beyond 9999 are refused.
  const struct {
    int y, m, d;
    std::optional<double> want;  // none: refused
  } dates[] = {{2021, 2, 29, DaySerial(2021, 3, 1)}, {2020, 0, 1, DaySerial(2019, 12, 1)},
               {2020, -13, 1, DaySerial(2018, 11, 1)}, {10000, 1, 1, {}}, {100, 1, 0, {}}};
  for (const auto& c : dates) {
    double d = 0;
    SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
    EXPECT_EQ(MakeDate(c.y, c.m, c.d, d), c.want.has_value());
    if (c.want) { EXPECT_EQ(d, *c.want); }
  }
}

TEST(DateTime, SplitHandlesTimesAndNegativeSerials) {
  auto split = [](double serial) {
    const DateParts p = SplitDate(serial);
    return std::vector<int>{p.year, p.month, p.day, p.hour, p.weekday};
  };
  EXPECT_EQ(split(DaySerial(2020, 12, 31) + 0.5), (std::vector<int>{2020, 12, 31, 12, 5}));  // a Thursday
  EXPECT_EQ(split(-1.25), (std::vector<int>{1899, 12, 29, 6, 6}));  // 6:00 AM: the fraction counts forward
  EXPECT_EQ(split(0.99999999), (std::vector<int>{1899, 12, 31, 0, 1}));  // rounds to the next midnight
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
