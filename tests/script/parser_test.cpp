// Syntax: compile errors with their numbers and places, precedence, the statement
// forms that are easy to get wrong, the forms scripts written for Windows use (they
// compile and run as they do there) and their neighbours that must still be refused.

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

struct CompileCase {
  const char* code;
  int number;
  int line;
  int col;
};

TEST(Parser, CompileErrorsCarryNumberAndPlace) {
  const CompileCase cases[] = {
      {"x = (2 + 3", 1006, 1, 11},
      {"If x Then\nx = 1\n", 1014, 3, 1},
      {"If x\nEnd If", 1017, 1, 5},
      {"For i = 1 10\nNext", 1013, 1, 11},
      {"For i = 1 To 2\nx = 1", 1020, 2, 6},
      {"Do\nx = 1\n", 1019, 3, 1},
      {"While x\nx = 1\n", 1018, 3, 1},
      {"x = ", 1023, 1, 5},
      {"x = 1 2", 1025, 1, 7},
      {"Foo 1, (2", 1006, 1, 10},
      {"Foo(1, 2)", 1044, 1, 1},
      {"Dim a, a", 1041, 1, 8},
      {"Class C\nEnd Class\nClass c\nEnd Class", 1041, 3, 7},
      {"Exit Do", 1039, 1, 6},
      {"Sub S\nExit Function\nEnd Sub", 1039, 2, 6},
      {"Dim 1", 1010, 1, 5},
      {"Const c = x", 1045, 1, 7},
      {"Select x\nEnd Select", 1021, 1, 8},
      {"x = 1 +* 2", 1023, 1, 8},
      {"End", 1024, 1, 1},
      {"Dim a(n)", 1026, 1, 7},
  };
  for (const auto& c : cases) {
    ScriptControl ctl;
    EXPECT_FALSE(ctl.AddCode(c.code)) << c.code;
    const ScriptError& e = ctl.Error();
    EXPECT_EQ(std::vector<int>({e.Number, e.Line, e.Column}), std::vector<int>({c.number, c.line, c.col})) << c.code;
    EXPECT_EQ(e.Source, "Microsoft VBScript compilation error") << c.code;
  }
}

TEST(Parser, Precedence) {
  EXPECT_EQ(RunScript("x = 3 : WScript.Echo -x ^ 2, -(3) ^ 2, 2 - 3 ^ 2, - -x"), "-9 -9 -7 3\n");
  EXPECT_EQ(Echo("2 ^ -1"), "0.5");
  EXPECT_EQ(Echo("7 \\ 2 * 2"), "1");      // * binds tighter than \ .
  EXPECT_EQ(Echo("10 Mod 4 \\ 2"), "0");    // \ binds tighter than Mod
  EXPECT_EQ(Echo("1 + 2 & 3 + 4"), "37");  // & below + -
  EXPECT_EQ(Echo("Not 1 = 2"), "True");    // Not below comparisons
  EXPECT_EQ(Echo("Not 0 And 0"), "0");
  EXPECT_EQ(Echo("True Or False And False"), "True");
  EXPECT_EQ(Echo("False Imp True Eqv False"), "True");  // Eqv binds tighter than Imp
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
    {"select case forms",
     "Function K(v)\n"
     "  Select Case v\n"
     "    Case 1, 2 : K = \"low\"\n"
     "    Case 3 To 5, 9\n"
     "      K = \"mid\"\n"
     "    Case Is >= 10 : K = \"high\"\n"
     "    Case \"x\" : K = \"text\"\n"  // not reached: a string is greater than any number
     "    Case Else : K = \"other\"\n"
     "  End Select\n"
     "End Function\n"
     "WScript.Echo K(2), K(4), K(9), K(12), K(\"x\"), K(7), K(Null)\n",
     "low mid mid high high other other\n"},
    {"loops and exits",
     "For i = 5 To 1 Step -2 : s = s & i : Next : WScript.Echo s, i\n"
     "For i = 1 To 0 : WScript.Echo \"never\" : Next : WScript.Echo i\n"
     "For i = 0 To 1 Step 0.5 : t = t & i & \";\" : Next : WScript.Echo t\n"
     "n = 0 : Do Until n = 3 : n = n + 1 : Loop : WScript.Echo n\n"
     "Do : n = n - 1 : Loop While n > 0 : WScript.Echo n\n"
     "Do While True : For j = 1 To 10 : If j = 2 Then Exit Do\n Next : Loop : WScript.Echo j\n",
     "531 -1\n1\n0;0.5;1;\n3\n0\n2\n"},
    {"constants fold", "Const A = 2, B = -A\nWScript.Echo A, B, TypeName(B)", "2 -2 Integer\n"},
    {"constants cannot be assigned", "Const A = 2\nA = 3", "error 501: Illegal assignment at (2, 1)"},
    {"lexical forms in context",
     "Let a = 1 :: Call WScript.Echo(\"call\", a) ' a comment\n"
     "Dim [my var] : [my var] = 2 : WScript.Echo [My Var]\n"
     "WScript.Echo 1, _\n"
     "   2, _\n"
     "   3 : Rem the rest is a comment : WScript.Echo \"no\"\n"
     "If a = 1 Then ' block form despite the comment\n"
     "  WScript.Echo \"block\"\n"
     "End If\n"
     "wscript.ECHO Err.number, TYPENAME(empty)\n",
     "call 1\n2\n1 2 3\nblock\n0 Empty\n"},
    {"nested procedures", "Sub A\n  Sub B\n  End Sub\nEnd Sub", "error 1002: Syntax error at (2, 3)"},
    {"next closing several loops", "For i = 1 To 2\nFor Each e In Array(1, 2)\nn = n + 1\nNext e, i\nWScript.Echo n",
     "4\n"},
    {"constants of a class",
     "Class K\n  Private Const Base = 10\n  Const Name = \"k\"\n"
     "  Public Function F(x) : Const More = Base + 1 : F = x + More & Name : End Function\n"
     "End Class\n"
     "Set o = New K : WScript.Echo o.F(1), IsEmpty(Base)\n",
     "12k True\n"},
};

TEST(SyntaxForms, Scripts) {
  RunCases(kCases);
}

// The refusals next to the forms above; and nesting too deep is an error, not a crash.
TEST(SyntaxForms, NeighboursThatStayRefused) {
  std::string ifs;
  for (int i = 0; i < 3000; ++i) ifs += "If 1 Then\n";
  const std::pair<std::string, int> refused[] = {
      {"x = 1 Loop", 1025}, {"Do\nx = 1 Loop", 1025}, {"x = &h", 1023}, {"x = (1)(2", 1006},
      {"Sub S() 5 End Sub", 1024}, {"x = New", 1010}, {"Sub A\nEnd Function", 1016}, {"Dim x\nSub x\nEnd Sub", 1041},
      {"For i = 1 To 2\nNext i, j", 1055}, {"For i = 1 To 2\nIf 1 Then\nFor j = 1 To 2\nNext j, i\nEnd If", 1014},
      {"Class K\n  Const A = 1\n  Const A = 2\nEnd Class", 1041},
      {"x = " + std::string(5000, '(') + "1" + std::string(5000, ')'), 28}, {ifs, 28}};
  for (const auto& [code, number] : refused) {
    ScriptControl ctl;
    EXPECT_EQ(ctl.AddCode(code) ? 0 : ctl.Error().Number, number) << code.substr(0, 60);
  }
}

}  // namespace
}  // namespace qfscript::test
