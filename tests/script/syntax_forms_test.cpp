// Syntax that form scripts written for Windows use: forms that must compile and
// run as they do there, and the neighbouring forms that must still be refused.
#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

int CompileErrorOf(const std::string& code) {
  ScriptControl ctl;
  if (ctl.AddCode(code)) return 0;
  return ctl.Error().Number;
}

const ScriptCase kCases[] = {
    {"single line if variants",
     "If 1 Then :\n"
     "If 0 Then x = 1 Else:\n"
     "If 0 Then x = 1 Else x = 2 End If\n"
     "If 1 Then y = 3 End If : z = 4\n"
     "If 0 Then : Else w = 5\n"
     "WScript.Echo x, y, z, w\n"
     "Sub S(c) : If c Then WScript.Echo \"t\" Else WScript.Echo \"f\" End If : End Sub\n"
     "S True : S False\n",
     "2 3 4 5\nt\nf\n"},
    // "&o" without an octal digit is the & operator and a name; with one, a literal.
    {"ampersand o followed by a name or a digit",
     "ox = \"O\" : WScript.Echo \"y\" &ox, &hA, &o17, &HFF&",
     "yO 10 15 255\n"},
    {"names that look like keywords",
     "Sub P\n  Dim Property : Property = 2\n  For property = Property To 3 : Next\n"
     "  WScript.Echo Property\nEnd Sub\nP\n"
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "On Error Resume Next\n"
     "x = d.rem : WScript.Echo Err.Number : Err.Clear\n"
     "d.End : WScript.Echo Err.Number\n",
     "4\n438\n438\n"},
    {"member outside with compiles and fails when run",
     "Sub S\n  On Error Resume Next\n  .Refresh\n  WScript.Echo Err.Number, Err.Description\n"
     "  Err.Clear : x = .Value : WScript.Echo Err.Number\nEnd Sub\nS\n",
     "505 Invalid or unqualified reference\n505\n"},
    {"descriptions name what they are about, but no built-in",
     "Option Explicit\nDim o, d\nOn Error Resume Next\n"
     "Function F(a) : F = a : End Function\n"
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "o = undeclaredThing : WScript.Echo Err.Description : Err.Clear\n"
     "o = F(1, 2) : WScript.Echo Err.Description : Err.Clear\n"
     "o = Mid(\"a\") : WScript.Echo Err.Description : Err.Clear\n"
     "d.Frob 1 : WScript.Echo Err.Description : Err.Clear\n"
     "o = Nowhere(1) : WScript.Echo Err.Description : Err.Clear\n"
     "Err.Frob : WScript.Echo Err.Description : Err.Clear\n",
     "Variable is undefined: 'undeclaredThing'\n"
     "Wrong number of arguments or invalid property assignment: 'F'\n"
     "Wrong number of arguments or invalid property assignment\n"
     "Object doesn't support this property or method: 'd.Frob'\n"
     "Type mismatch: 'Nowhere'\n"
     "Object doesn't support this property or method\n"},
};

TEST(SyntaxForms, Scripts) {
  RunCases(kCases);
}

TEST(SyntaxForms, NextClosingSeveralLoops) {
  EXPECT_EQ(RunScript("For i = 1 To 2 : For j = 1 To 2 : s = s & i & j : Next j, i : WScript.Echo s"),
            "11122122\n");
  EXPECT_EQ(RunScript("For i = 1 To 2\nFor Each e In Array(1, 2)\nn = n + 1\nNext e, i\nWScript.Echo n"), "4\n");
  EXPECT_EQ(CompileErrorOf("For i = 1 To 2\nNext i, j"), 1055);
  EXPECT_EQ(CompileErrorOf("For i = 1 To 2\nIf 1 Then\nFor j = 1 To 2\nNext j, i\nEnd If"), 1014);
}

TEST(SyntaxForms, ConstantsOfAClass) {
  const char* code =
      "Class K\n  Private Const Base = 10\n  Const Name = \"k\"\n"
      "  Public Function F(x) : Const More = Base + 1 : F = x + More & Name : End Function\n"
      "End Class\n"
      "Set o = New K : WScript.Echo o.F(1), IsEmpty(Base)\n";
  EXPECT_EQ(RunScript(code), "12k True\n");
  EXPECT_EQ(CompileErrorOf("Class K\n  Const A = 1\n  Const A = 2\nEnd Class"), 1041);
}

TEST(SyntaxForms, NeighboursThatStayRefused) {
  EXPECT_EQ(CompileErrorOf("x = 1 Loop"), 1025);
  EXPECT_EQ(CompileErrorOf("Do\nx = 1 Loop"), 1025);
  EXPECT_EQ(CompileErrorOf("x = &h"), 1023);
  EXPECT_EQ(CompileErrorOf("x = (1)(2"), 1006);
  EXPECT_EQ(CompileErrorOf("Sub S() 5 End Sub"), 1024);
  EXPECT_EQ(CompileErrorOf("x = New"), 1010);
  // Procedures may be defined twice, classes may not.
  EXPECT_EQ(CompileErrorOf("Class C\nEnd Class\nClass C\nEnd Class"), 1041);
}

}  // namespace
}  // namespace qfscript::test
