// Code built at run time: Eval, Execute, ExecuteGlobal and GetRef.
#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

const ScriptCase kCases[] = {
    {"Eval: expressions at script level",
     "x = 5 : s = \"ab\"\n"
     "WScript.Echo Eval(\"x = 6\"), Eval(\"s & UCase(s)\"), TypeName(Eval(\"1.5\")), IsEmpty(Eval(\"never\"))\n",
     "False abAB Double True\n"},
    {"Eval: sees the locals of the running procedure",
     "x = \"global\"\n"
     "Function F(a) : Dim x : x = a * 10 : F = Eval(\"x + a\") : End Function\n"
     "Sub S : Dim i, t : For i = 1 To 3 : t = t & Eval(\"i * i\") : Next : WScript.Echo t : End Sub\n"
     "WScript.Echo F(2), x : S\n",
     "22 global\n149\n"},
    {"Eval: an untrapped fault is reported at the eval line",
     "WScript.Echo 1\nx = Eval(\"2 * \"\"a\"\"\")\n",
     "1\nerror 13: Type mismatch at (2, 1)"},
    // Past the texts kept compiled, each one is compiled for its use alone.
    {"Eval: many different texts",
     "For i = 1 To 5000 : t = t + Eval(i & \" * 2\") : Next : WScript.Echo t, Eval(\"t\")\n",
     "25005000 25005000\n"},
    {"Execute: runs in the current scope",
     "x = 5 : Execute \"x = x + 10\" : WScript.Echo x\n"
     "Sub S : Dim x : x = 1 : Execute \"x = x + 1 : fresh = 7\" : WScript.Echo x : End Sub\n"
     "S : WScript.Echo x, fresh\n"
     "Function G : Execute \"G = 42\" : End Function\n"
     "WScript.Echo G()\n"
     "Execute \"Sub Hi(n) : WScript.Echo \"\"hi \"\" & n : End Sub\" : Hi 3\n",
     "15\n2\n15 7\n42\nhi 3\n"},
    {"Execute: a fault ends the code and reaches the caller",
     "On Error Resume Next\n"
     "Execute \"x = 1 : y = 1 / 0 : z = 3\"\n"
     "WScript.Echo Err.Number, x, IsEmpty(z) : Err.Clear\n"
     "Execute \"On Error Resume Next : y = 1 / 0 : z = 3\"\n"
     "WScript.Echo Err.Number, z : Err.Clear\n"
     "y = 1 / 0 : WScript.Echo \"still resuming\", Err.Number\n"
     "ExecuteGlobal \"Class Dyn\" & vbLf & \"Public v\" & vbLf & \"End Class\"\n"
     "Set d = New Dyn : d.v = 2 : WScript.Echo TypeName(d), d.v\n",
     "11 1 True\n11 3\nstill resuming 11\nDyn 2\n"},
    {"ExecuteGlobal: defines at script level even from a procedure",
     "x = 1\n"
     "Sub S : Dim x : x = 100 : ExecuteGlobal \"x = x + 1 : Function Sq(n) : Sq = n * n : End Function\" : WScript.Echo x : End Sub\n"
     "S : WScript.Echo x, Sq(7)\n"
     "For i = 1 To 3 : ExecuteGlobal \"t = t & i\" : Next : WScript.Echo t\n",
     "100\n2 49\n123\n"},
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
    // An array ReDim makes in code run from one procedure is seen by the others.
    {"arrays made at run time reach other procedures",
     "Sub Make : ExecuteGlobal \"ReDim made(1) : made(1) = \"\"m\"\"\" : End Sub\n"
     "Sub Show(v) : WScript.Echo v : End Sub\n"
     "Make : Show made(1) : WScript.Echo UBound(made)\n",
     "m\n1\n"},
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
    {"get ref wants the name as a string",
     "On Error Resume Next\nSet r = GetRef(1) : WScript.Echo Err.Number : Err.Clear\n"
     "Set r = GetRef(Null) : WScript.Echo Err.Number : Err.Clear\n"
     "Set r = GetRef(\"Nowhere\") : WScript.Echo Err.Number\n",
     "13\n13\n5\n"},
};

TEST(RuntimeCode, Scripts) {
  RunCases(kCases);
}

}  // namespace
}  // namespace qfscript::test
