// The objects scripts create: Scripting.Dictionary, RegExp and its matches; and the
// script's own classes: fields, properties, methods, Me, default members, New, and
// Class_Initialize / Class_Terminate as references go.

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

const ScriptCase kCases[] = {
    {"Dictionary: add item count and insertion order",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "d.Add \"z\", 1 : d.Add 10, \"ten\" : d(\"m\") = 3 : d.Item(\"a\") = 4\n"
     "WScript.Echo d.Count, d(\"z\"), d(10), d.Item(\"m\"), d(\"a\"), TypeName(d)\n"
     "For Each k In d : WScript.Echo k : Next\n"
     "d(\"z\") = 9 : WScript.Echo d(\"z\"), d.Count\n",
     "4 1 ten 3 4 Dictionary\nz\n10\nm\na\n9 4\n"},
    {"Dictionary: compare mode",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "WScript.Echo d.CompareMode\n"
     "d.CompareMode = 1 : d.Add \"Key\", 1\n"
     "WScript.Echo d.Exists(\"KEY\"), d(\"key\"), d.Count\n"
     "On Error Resume Next\n"
     "d.CompareMode = 0 : WScript.Echo Err.Number\n"
     "Set e = CreateObject(\"Scripting.Dictionary\") : e.Add \"Key\", 1\n"
     "WScript.Echo e.Exists(\"key\")\n",
     "0\nTrue 1 1\n5\nFalse\n"},
    {"Dictionary: holds objects and renames keys",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "Set d(\"self\") = d : d.Add \"n\", 5\n"
     "WScript.Echo TypeName(d(\"self\")), d(\"self\")(\"n\")\n"
     "d.Key(\"n\") = \"m\" : WScript.Echo Join(d.Keys, \",\"), d(\"m\")\n"
     "d.RemoveAll\n",
     "Dictionary 5\nself,m 5\n"},
    {"RegExp: properties and test",
     "Set re = New RegExp\n"
     "WScript.Echo re.Pattern = \"\", re.Global, re.IgnoreCase, re.Multiline\n"
     "re.Pattern = \"^ab+c$\"\n"
     "WScript.Echo re.Test(\"abbc\"), re.Test(\"ABC\"), re.Test(\"abc\" & vbLf)\n"
     "re.IgnoreCase = True : WScript.Echo re.Test(\"ABC\"), re.Pattern\n"
     "re.Pattern = \"^x$\" : WScript.Echo re.Test(\"a\" & vbLf & \"x\")\n"
     "re.Multiline = True : WScript.Echo re.Test(\"a\" & vbLf & \"x\")\n",
     "True False False False\nTrue False False\nTrue ^ab+c$\nFalse\nTrue\n"},
    {"RegExp: execute matches and sub matches",
     "Set re = New RegExp : re.Pattern = \"(\\w)(\\d)?\"\n"
     "Set ms = re.Execute(\"a1 b\")\n"
     "WScript.Echo ms.Count, ms(0).Value, ms(0).FirstIndex, ms(0).Length, ms.Item(0).SubMatches.Count\n"
     "re.Global = True : Set ms = re.Execute(\"a1 b\")\n"
     "For Each m In ms\n"
     "  WScript.Echo m, m.FirstIndex, m.SubMatches(0), IsEmpty(m.SubMatches(1)), TypeName(m)\n"
     "Next\n"
     "WScript.Echo re.Execute(\"!!\").Count, TypeName(ms), TypeName(ms(0).SubMatches)\n",
     "1 a1 0 2 2\na1 0 a False IMatch2\nb 3 b True IMatch2\n0 IMatchCollection2 ISubMatches\n"},
    {"RegExp: replace",
     "Set re = New RegExp : re.Pattern = \"(\\w+)@(\\w+)\"\n"
     "WScript.Echo re.Replace(\"ann@x bob@y\", \"$2 at $1\")\n"
     "re.Global = True\n"
     "WScript.Echo re.Replace(\"ann@x bob@y\", \"$2 at $1\")\n"
     "WScript.Echo re.Replace(\"ann@x\", \"[$&] $$ $3 $`$'\")\n"
     "re.Pattern = \"x*\" : WScript.Echo re.Replace(\"abc\", \"-\")\n",
     "x at ann bob@y\nx at ann y at bob\n[ann@x] $ $3 \n-a-b-c-\n"},
    {"Dictionary: a key added twice",
     "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add \"a\", 1\nd.Add \"a\", 2\n",
     "error 457: This key is already associated with an element of this collection at (3, 1)"},
    {"Dictionary: removing a missing key",
     "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Remove \"x\"\n", "error 32811: Element not found at (2, 1)"},
    {"CreateObject: only the built-in classes",
     "WScript.Echo TypeName(CreateObject(\"vbscript.regexp\"))\nSet x = CreateObject(\"Scripting.FileSystemObject\")",
     "IRegExp2\nerror 429: ActiveX component can't create object at (2, 1)"},
    {"RegExp: a bad pattern", "Set re = New RegExp : re.Pattern = \"(a\" : x = re.Test(\"a\")",
     "error 5017: Syntax error in regular expression at (1, 43)"},
    {"RegExp: a match out of range", "Set re = New RegExp : re.Pattern = \"a\" : x = re.Execute(\"b\")(0)",
     "error 5: Invalid procedure call or argument at (1, 42)"},
    // Private members are reached from inside only (438 outside).
    {"Classes: fields, methods and Me",
     "Class Point\n"
     "  Public X, Y\n"
     "  Private secret\n"
     "  Private Sub Class_Initialize : X = 1 : Y = 2 : secret = \"s\" : End Sub\n"
     "  Public Function Sum() : Sum = X + Y : End Function\n"
     "  Public Sub Move(dx, ByVal dy) : X = X + dx : Y = Y + dy : dx = 0 : dy = 0 : End Sub\n"
     "  Function Describe : Describe = \"(\" & X & \",\" & Me.Y & \")\" & Hidden : End Function\n"
     "  Private Function Hidden : Hidden = secret : End Function\n"
     "End Class\n"
     "Set p = New Point\n"
     "WScript.Echo p.X, p.Y, p.Sum(), p.Sum, TypeName(p), IsObject(p)\n"
     "a = 5 : b = 7 : p.Move a, b : WScript.Echo p.Describe, a, b\n"
     "p.X = 10 : WScript.Echo p.Sum\nOn Error Resume Next\n"
     "x = p.secret : WScript.Echo Err.Number : Err.Clear\n"
     "x = p.Hidden : WScript.Echo Err.Number\n",
     "1 2 3 3 Point True\n(6,9)s 0 7\n19\n438\n438\n"},
    {"properties with arguments and exit property",
     "Class Grid\n"
     "  Private cells(8)\n"
     "  Public Property Get Cell(r, c) : Cell = cells(r * 3 + c) : End Property\n"
     "  Public Property Let Cell(r, c, v)\n"
     "    If v < 0 Then Exit Property\n"
     "    cells(r * 3 + c) = v\n"
     "  End Property\n"
     "  Public Property Set Link(o) : Set cells(0) = o : End Property\n"
     "  Public Property Get Link : Set Link = cells(0) : End Property\n"
     "End Class\n"
     "Set g = New Grid\n"
     "g.Cell(1, 2) = 7 : g.Cell(0, 1) = -3\n"
     "WScript.Echo g.Cell(1, 2), IsEmpty(g.Cell(0, 1))\n"
     "Set g.Link = g : WScript.Echo TypeName(g.Link), g.Link.Cell(1, 2)\n"
     "Set g.Link = Nothing\n",
     "7 True\nGrid 7\n"},
    {"array fields and indexed results",
     "Class Stack\n"
     "  Private items(), n\n"
     "  Private Sub Class_Initialize() : ReDim items(0) : n = 0 : End Sub\n"
     "  Sub Push(v)\n"
     "    If n > UBound(items) Then ReDim Preserve items(n * 2)\n"
     "    items(n) = v : n = n + 1\n"
     "  End Sub\n"
     "  Property Get All : Dim r, i : ReDim r(n - 1) : For i = 0 To n - 1 : r(i) = items(i) : Next : All = r : End Property\n"
     "  Function Fact(k) : If k <= 1 Then Fact = 1 Else Fact = k * Me.Fact(k - 1)\n"
     "  End Function\n"
     "End Class\n"
     "Set s = New Stack : s.Push 1 : s.Push \"two\" : s.Push 3\n"
     "WScript.Echo Join(s.All, \",\"), s.All(1), s.Fact(6)\n"
     "On Error Resume Next\n"
     "x = s.All(7) : WScript.Echo Err.Number\n",
     "1,two,3 two 720\n9\n"},
    {"terminate runs once even when it keeps me",
     "Class T\n"
     "  Public n\n"
     "  Sub Class_Terminate : WScript.Echo \"bye\", n : Set keep = Me : End Sub\n"
     "End Class\n"
     "Set t = New T : t.n = 4 : Set t = Nothing\n"
     "WScript.Echo keep.n, TypeName(keep)\n"
     "Set keep = Nothing : WScript.Echo \"end\"\n",
     "bye 4\n4 T\nend\n"},
    {"terminate may write the variable being cleared",
     "Class T\n"
     "  Sub Class_Terminate : WScript.Echo \"bye\" : Set g = Nothing : End Sub\n"
     "End Class\n"
     "Set g = New T : Set g = Nothing : WScript.Echo TypeName(g)\n"
     "Set g = New T : g = Empty : WScript.Echo \"after\"\n",
     "bye\nNothing\nbye\nafter\n"},
    {"errors inside methods reach the caller",
     "Class C\n"
     "  Function Div(n) : Div = 1 / n : End Function\n"
     "End Class\n"
     "Set c = New C\n"
     "On Error Resume Next\n"
     "x = c.Div(0) : WScript.Echo Err.Number : Err.Clear\n"
     "x = c.Div(1, 2) : WScript.Echo Err.Number : Err.Clear\n"
     "Set d = New Missing : WScript.Echo Err.Number, Err.Description\n",
     "11\n450\n506 Class not defined\n"},
    {"Classes: a member named twice", "Class A\n  Public x\n  Public x\nEnd Class\n",
     "error 1041: Name redefined at (3, 10)"},
    {"Classes: no end class", "Class A\n  Sub S\n  End Sub\n", "error 1014: Expected 'End' at (4, 1)"},
    {"Classes: a property ended as a sub", "Class A\n  Property Get P\n  End Sub\nEnd Class\n",
     "error 1050: Expected 'Property' at (3, 7)"},
    {"Classes: exit property outside one", "Sub S\nExit Property\nEnd Sub\n",
     "error 1039: Invalid 'exit' statement at (2, 6)"},
};

TEST(Objects, Scripts) {
  RunCases(kCases);
}

TEST(Classes, InitializeAndTerminateFollowTheReferences) {
  const char* code =
      "Class T\n"
      "  Public Name\n"
      "  Sub Class_Initialize : WScript.Echo \"init\" : End Sub\n"
      "  Sub Class_Terminate : WScript.Echo \"bye \" & Name : End Sub\n"
      "End Class\n"
      "Sub UseOne : Dim t : Set t = New T : t.Name = \"local\" : End Sub\n"
      "Set a = New T : a.Name = \"a\" : Set b = a\n"
      "Set a = Nothing : WScript.Echo \"a dropped\"\n"
      "Set b = Nothing : WScript.Echo \"b dropped\"\n"
      "UseOne : WScript.Echo \"after sub\"\n"
      "Set c = New T : c.Name = \"c\" : Set c = New T : c.Name = \"d\"\n"
      "WScript.Echo \"end\"\n";
  ScriptControl ctl;
  auto host = std::make_shared<EchoHost>();
  ctl.AddObject("WScript", host);
  ASSERT_TRUE(ctl.AddCode(code));
  EXPECT_EQ(host->out, "init\na dropped\nbye a\nb dropped\ninit\nbye local\nafter sub\ninit\ninit\nbye c\nend\n");
  ctl.Reset();
  EXPECT_EQ(host->out.substr(host->out.size() - 10), "end\nbye d\n");
}

}  // namespace
}  // namespace qfscript::test
