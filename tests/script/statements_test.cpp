// Statements and scoping as scripts use them: variables, procedures, Err, loops;
// code built at run time: Eval, Execute, ExecuteGlobal and GetRef.

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

const ScriptCase kCases[] = {
    {"Scope: function name is its result inside",
     "Function Count(n)\n"
     "  Count = 0\n"
     "  Do While Count < n : Count = Count + 1 : Loop\n"
     "End Function\n"
     "Function Down(n) : If n > 0 Then Down = Down(n - 1) + 1 Else Down = 0\nEnd Function\n"
     "WScript.Echo Count(3), Down(4), TypeName(Down(0))\n",
     "3 4 Integer\n"},
    {"ErrObject: properties raise and clearing",
     "On Error Resume Next\n"
     "Err.Raise 5\n"
     "WScript.Echo Err.Number, Err.Description, Err.Source\n"
     "Err.Number = 9 : Err.Description = \"mine\" : WScript.Echo Err.Number, Err.Description\n"
     "On Error Resume Next\n"
     "WScript.Echo Err.Number\n"
     "Function Quiet() : On Error Resume Next : x = 1 / 0 : Exit Function : End Function\n"
     "y = Quiet() : WScript.Echo Err.Number\n",
     "5 Invalid procedure call or argument Microsoft VBScript runtime error\n9 mine\n0\n0\n"},
    {"Loops: counter subtypes and bounds",
     "For i = 1 To 2 : Next : WScript.Echo TypeName(i)\n"
     "For i = 32766 To 32768 : Next : WScript.Echo i, TypeName(i)\n"
     "For i = 1 To 2.5 : Next : WScript.Echo i, TypeName(i)\n"
     "For i = \"1\" To \"3\" : n = n + 1 : Next : WScript.Echo n\n"
     "n = 3 : For i = 1 To n : n = 1 : Next : WScript.Echo i\n"
     "For i = 10 To 1 : Next : WScript.Echo i\n",
     "Integer\n32769 Long\n3 Integer\n3\n4\n10\n"},
    {"Loops: nested exits leave only their loop",
     "For i = 1 To 3\n"
     "  Do\n"
     "    For j = 1 To 3 : If j = 2 Then Exit For\n    Next\n"
     "    Exit Do\n"
     "  Loop\n"
     "  s = s & i & j\n"
     "Next\n"
     "WScript.Echo s\n"
     "Sub P : For Each x In Array(1, 2) : Select Case x : Case 2 : Exit Sub : End Select : Next : "
     "WScript.Echo \"no\" : End Sub\n"
     "P : WScript.Echo \"back\"\n",
     "122232\nback\n"},
    {"Assignments: append in place keeps other copies intact",
     "s = \"ab\" : t = s : s = s & \"c\" : WScript.Echo s, t\n"
     "u = \"x\" : u = u & u : u = u & 1 : u = u & Null : WScript.Echo u\n"
     "Function App(ByRef r) : r = r & \"!\" : App = r : End Function\n"
     "v = \"q\" : w = App(v) : v = v & \"?\" : WScript.Echo v, w\n",
     "abc ab\nxx1\nq!? q!\n"},
    {"OddCorners: case values followed by a statement",
     "For Each x In Array(1, 2, 3)\n"
     "  Select Case x\n"
     "  Case 1 WScript.Echo \"one\"\n"
     "  Case 2: WScript.Echo \"two\"\n"
     "  Case Else WScript.Echo \"else\"\n"
     "  End Select\n"
     "Next\n",
     "one\ntwo\nelse\n"},
    {"OddCorners: with members as arguments",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "With d\n"
     "  .Add \"k\", 2\n"
     "  WScript.Echo .Count, .Item(\"k\") * 10\n"
     "End With\n"
     "Class K : Public v : End Class\n"
     "With New K : .v = 9 : WScript.Echo .v : End With\n",
     "1 20\n9\n"},
    {"ErrObject: the head of While, of a Case range, of a With on no object fails: the block runs",
     "On Error Resume Next\n"
     "k = 0\nWhile 3 / k > 1 : k = k + 1 : Wend\nWScript.Echo \"while\", k, Err.Number : Err.Clear\n"
     "Select Case 5\n Case 1 To 1 / 0 : r = \"range\"\n Case Else : r = \"else\"\nEnd Select\n"
     "WScript.Echo r, Err.Number : Err.Clear\n"
     "With 5 : y = \"body\" : End With\nWScript.Echo y, Err.Number\n",
     "while 3 11\nrange 11\nbody 424\n"},
    {"ErrObject: a failing block head without Resume Next is the error",
     "x = 0\nDo While 1 / x : Loop",
     "error 11: Division by zero at (2, 1)"},
    {"Literals: a number past the range of a Double is Invalid number",
     "x = 1\nx = -1.8e308",
     "error 1031: Invalid number at (2, 6)"},
    {"Arrays: elements by whole-number index, copies kept apart, bounds still checked",
     "Dim a(3) : i = 1 : a(i) = \"x\" : a(i + 1) = \"y\" : b = a : a(i) = \"z\" : a(1.6) = \"w\"\n"
     "WScript.Echo a(1), a(2), b(1), a(i * 2), a(\"2\")\n"
     "On Error Resume Next\n"
     "x = a(i + 3) : WScript.Echo Err.Number : Err.Clear\n"
     "a(i - 2) = 0 : WScript.Echo Err.Number : Err.Clear\n"
     "k = 32767 : x = a(k + 1) : WScript.Echo Err.Number\n",
     "z w x w w\n9\n9\n9\n"},
    {"OddCorners: get object is refused",
     "Set o = GetObject(\"winmgmts:\")",
     "error 429: ActiveX component can't create object at (1, 1)"},
    {"Loops: for each walks all dimensions and a snapshot",
     "Dim m(1, 1) : m(0, 0) = \"a\" : m(1, 0) = \"b\" : m(0, 1) = \"c\" : m(1, 1) = \"d\"\n"
     "For Each x In m : s = s & x : Next : WScript.Echo s\n"
     "a = Array(1, 2, 3) : For Each x In a : a(2) = 9 : t = t & x : Next : WScript.Echo t, a(2)\n"
     "For Each x In Array() : WScript.Echo \"never\" : Next : WScript.Echo \"empty ok\"\n"
     "For Each x In 5 : Next",
     "abcd\n123 9\nempty ok\nerror 451: Object not a collection at (5, 1)"},
    {"Assignments: set needs an object", "Set x = 5", "error 424: Object required at (1, 1)"},
    {"Assignments: a member of nothing", "Set x = Nothing : x.Foo", "error 424: Object required at (1, 19)"},
    {"Assignments: a procedure is no variable", "Sub S : End Sub\nS = 1", "error 501: Illegal assignment at (2, 1)"},
    {"OddCorners: rgb clamps parts above 255, refuses them below 0",
     "WScript.Echo RGB(300, 0, 256) = &HFF00FF\nx = RGB(-1, 0, 0)",
     "True\nerror 5: Invalid procedure call or argument at (2, 1)"},
    {"OddCorners: engine version",
     "WScript.Echo ScriptEngine & \" \" & ScriptEngineMajorVersion & \".\" & ScriptEngineMinorVersion",
     "VBScript 5.8\n"},
    {"Eval: an untrapped fault is reported at the eval line",
     "WScript.Echo 1\nx = Eval(\"2 * \"\"a\"\"\")\n",
     "1\nerror 13: Type mismatch at (2, 1)"},
    // Past the texts kept compiled, each one is compiled for its use alone.
    {"Eval: many different texts",
     "For i = 1 To 5000 : t = t + Eval(i & \" * 2\") : Next : WScript.Echo t, Eval(\"t\")\n",
     "25005000 25005000\n"},
    {"GetRef: calls the procedure",
     "Function Twice(n) : Twice = n * 2 : End Function\n"
     "Sub Shout(s) : WScript.Echo UCase(s) : End Sub\n"
     "Set f = GetRef(\"twice\") : WScript.Echo f(21), TypeName(f)\n"
     "Set g = GetRef(\"Shout\") : g \"hey\"\n",
     "42 Object\nHEY\n"},
    // Eval gives back what is no text, through an object's default member too.
    {"eval of values that are no text",
     "Class D : Public Default Property Get V : V = \"1 + 2\" : End Property : End Class\n"
     "WScript.Echo Eval(7), Eval(New D)",
     "7 3\n"},
    {"names execute makes in a procedure stay in that call",
     "g = \"global\"\n"
     "Sub P(n)\n"
     "  Execute \"Dim cells(2) : cells(1) = n * 10 : madeHere = n\"\n"
     "  Execute \"Dim g : g = \"\"shadow\"\"\"\n"
     "  WScript.Echo cells(1), UBound(cells), Eval(\"madeHere + 1\"), Eval(\"g\")\n"
     "End Sub\n"
     "P 1 : P 2\n"
     "WScript.Echo g, TypeName(cells), Eval(\"IsEmpty(madeHere)\")\n",
     "10 2 2 shadow\n20 2 3 shadow\nglobal Empty True\n"},
    {"get ref passes by reference",
     "Sub Bump(ByRef v, ByVal w) : v = v + 1 : w = w + 1 : End Sub\n"
     "a = 1 : b = 1 : Set r = GetRef(\"Bump\")\n"
     "r a, b : Call r(a, b) : WScript.Echo a, b\n",
     "3 1\n"},
    {"arrays made at run time can be assigned and passed",
     "ExecuteGlobal \"ReDim g(2)\" : g(0) = 7 : WScript.Echo g(0), UBound(g)\n"
     "Sub Fill(ByRef v) : v = \"filled\" : End Sub\n"
     "Sub T\n"
     "  ExecuteGlobal \"ReDim h(3)\"\n"
     "  h(1) = 5 : Fill h(2)\n"
     "  WScript.Echo h(1), UBound(h), IsEmpty(h(2))\n"
     "  Fill mine : WScript.Echo mine\n"
     "End Sub\n"
     "T : WScript.Echo h(1)\n",
     "7 2\n5 3 True\nfilled\n5\n"},
};

TEST(Statements, Scripts) {
  RunCases(kCases);
}

}  // namespace
}  // namespace qfscript::test
