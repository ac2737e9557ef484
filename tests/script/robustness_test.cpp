// A script cannot bring the program down: recursion, endless loops and huge
// values end in script errors.
#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

TEST(Robustness, DeepRecursionIsOutOfStackSpace) {
  ScriptControl ctl;
  ASSERT_TRUE(ctl.AddCode("Function F(n) : F = F(n + 1) : End Function"));
  std::vector<Variant> args = {Variant::Int(1)};
  EXPECT_FALSE(ctl.Run("F", args));
  EXPECT_EQ(ctl.Error().Number, 28);
  EXPECT_EQ(ctl.Error().Description, "Out of stack space");
  EXPECT_EQ(ctl.Error().Line, 1);
  // The engine is usable afterwards, and moderate recursion works.
  ASSERT_TRUE(ctl.AddCode("Function G(n) : If n = 0 Then G = 0 Else G = 1 + G(n - 1)\nEnd Function"));
  std::vector<Variant> depth = {Variant::Int(300)};
  Variant r;
  ASSERT_TRUE(ctl.Run("G", depth, &r));
  EXPECT_EQ(ToStr(r), "300");
}

TEST(Robustness, ResumeNextDoesNotHideOutOfStackSpace) {
  EXPECT_EQ(RunScript("On Error Resume Next\nSub R : R : End Sub\nR\nWScript.Echo Err.Number"), "28\n");
}

TEST(Robustness, EndlessLoopsStopAtTheTimeLimit) {
  const char* loops[] = {
      "Do : Loop",
      "While True : Wend",
      "For i = 1 To 2 : i = 1 : Next",
      "On Error Resume Next\nDo : x = 1 / 0 : Loop",
      "Sub S : S2 : End Sub\nSub S2 : For Each x In Array(1) : Do : Loop : Next : End Sub\nS",
  };
  for (const char* code : loops) {
    ScriptControl ctl;
    ctl.Timeout = 50;
    EXPECT_FALSE(ctl.AddCode(code)) << code;
    EXPECT_EQ(ctl.Error().Number, 1000) << code;
    EXPECT_EQ(ctl.Error().Source, "Microsoft VBScript runtime error") << code;
    EXPECT_GT(ctl.Error().Line, 0) << code;
  }
  // Each run gets its own time.
  ScriptControl ctl;
  ctl.Timeout = 200;
  ASSERT_TRUE(ctl.AddCode("Sub Spin : Do : Loop : End Sub\nSub Quick : x = 1 : End Sub"));
  EXPECT_FALSE(ctl.Run("Spin"));
  EXPECT_EQ(ctl.Error().Number, 1000);
  EXPECT_TRUE(ctl.Run("Quick"));
}

TEST(Robustness, HugeStringsAndArraysAreOutOfMemory) {
  const char* cases[] = {
      "s = \"x\" : For i = 1 To 40 : s = s & s : Next",
      "s = Space(2000000000)",
      "s = String(2000000000, \"x\")",
      "ReDim a(2000000000)",
      "ReDim a(100000, 100000)",
      "Dim a(100000, 100000)",
      "s = Replace(String(100000, \"a\"), \"a\", String(10000, \"b\"))",
      "s = Join(Array(String(100000000, \"a\"), String(100000000, \"a\")), \"\")",
  };
  for (const char* code : cases) {
    ScriptControl ctl;
    EXPECT_FALSE(ctl.AddCode(code)) << code;
    EXPECT_EQ(ctl.Error().Number, 7) << code;
    EXPECT_EQ(ctl.Error().Description, "Out of memory") << code;
  }
}

TEST(Robustness, ArraysWithoutDimensionsHaveNoElements) {
  EXPECT_EQ(RunScript("Dim b()\nx = b()"), "error 9: Subscript out of range at (2, 1)");
  EXPECT_EQ(RunScript("Dim b()\nb() = 1"), "error 9: Subscript out of range at (2, 1)");
  EXPECT_EQ(RunScript("ReDim b(2) : Erase b\nb(0) = 1"), "error 9: Subscript out of range at (2, 1)");
  EXPECT_EQ(RunScript("a = Array()\nx = a(0)"), "error 9: Subscript out of range at (2, 1)");
}

TEST(Robustness, ExtremeNumbersEndInErrors) {
  EXPECT_EQ(RunScript("Randomize -5E+95 : x = Rnd : Randomize 1E308 : WScript.Echo \"seeded\""), "seeded\n");
  EXPECT_EQ(Echo("DateAdd(\"yyyy\", 1E+300, Now)"), "error 5: Invalid procedure call or argument at (1, 1)");
  EXPECT_EQ(Echo("#1/1/2000# + 1E+300"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("CDate(\"1E+300\")"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("Year(TimeSerial(2000000000, 0, 0))"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("CCur(\"1E+300\")"), "error 6: Overflow at (1, 1)");
  EXPECT_EQ(Echo("CLng(1E+300)"), "error 6: Overflow at (1, 1)");
}

TEST(Robustness, DeeplyNestedArraysAndCopies) {
  EXPECT_EQ(RunScript("a = Array() : For i = 1 To 200000 : a = Array(a) : Next : a = 0 : WScript.Echo \"ok\""),
            "ok\n");
}

TEST(Robustness, ArrayChangedWhileIndexingItIsSafe) {
  const char* code =
      "Dim a()\n"
      "ReDim a(3)\n"
      "Function Shrink() : ReDim a(0) : Shrink = 0 : End Function\n"
      "On Error Resume Next\n"
      "a(3) = Shrink()\n"
      "WScript.Echo Err.Number\n"
      "For Each x In a : ReDim a(100) : n = n + 1 : Next\n"
      "WScript.Echo n\n";
  EXPECT_EQ(RunScript(code), "9\n1\n");
}

}  // namespace
}  // namespace qfscript::test
