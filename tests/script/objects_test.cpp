// The objects scripts create: Scripting.Dictionary, RegExp and its matches.
#include <gtest/gtest.h>

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

const char* kDict = "Set d = CreateObject(\"Scripting.Dictionary\")\n";

const ScriptCase kCases[] = {
    {"Dictionary: add item count and insertion order",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "d.Add \"z\", 1 : d.Add 10, \"ten\" : d(\"m\") = 3 : d.Item(\"a\") = 4\n"
     "WScript.Echo d.Count, d(\"z\"), d(10), d.Item(\"m\"), d(\"a\"), TypeName(d)\n"
     "For Each k In d : WScript.Echo k : Next\n"
     "d(\"z\") = 9 : WScript.Echo d(\"z\"), d.Count\n",
     "4 1 ten 3 4 Dictionary\nz\n10\nm\na\n9 4\n"},
    {"Dictionary: remove all leaves no keys",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "d.Add \"a\", 1 : d.Add \"b\", 2 : WScript.Echo UBound(d.Keys)\n"
     "d.RemoveAll : WScript.Echo d.Count, UBound(d.Keys), d.Exists(\"a\")\n",
     "1\n0 -1 False\n"},
    {"Dictionary: reading a missing key adds it",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "x = d(\"nope\") : WScript.Echo IsEmpty(x), d.Count, d.Exists(\"nope\")\n",
     "True 1 True\n"},
    {"Dictionary: keys keep their kind numbers by value",
     "Set d = CreateObject(\"Scripting.Dictionary\")\n"
     "d.Add 1, \"int\" : d.Add \"1\", \"str\"\n"
     "WScript.Echo d(1), d(\"1\"), d(1.0), d.Count, TypeName(d.Keys()(1))\n",
     "int str int 2 String\n"},
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
};

TEST(Objects, Scripts) {
  RunCases(kCases);
}

TEST(Dictionary, Errors) {
  std::string code = std::string(kDict) + "d.Add \"a\", 1\nd.Add \"a\", 2\n";
  EXPECT_EQ(RunScript(code),
            "error 457: This key is already associated with an element of this collection at (3, 1)");
  code = std::string(kDict) + "d.Remove \"x\"\n";
  EXPECT_EQ(RunScript(code), "error 32811: Element not found at (2, 1)");
  code = std::string(kDict) + "d.Frobnicate\n";
  EXPECT_EQ(RunScript(code), "error 438: Object doesn't support this property or method: 'd.Frobnicate' at (2, 1)");
}

TEST(CreateObject, OnlyTheBuiltInClasses) {
  EXPECT_EQ(RunScript("Set x = CreateObject(\"Scripting.FileSystemObject\")"),
            "error 429: ActiveX component can't create object at (1, 1)");
  EXPECT_EQ(Echo("TypeName(CreateObject(\"vbscript.regexp\"))"), "IRegExp2");
  EXPECT_EQ(RunScript("Set x = New Foo"), "error 506: Class not defined at (1, 1)");
}

TEST(RegExp, BadPatternAndItemOutOfRange) {
  EXPECT_EQ(RunScript("Set re = New RegExp : re.Pattern = \"(a\" : x = re.Test(\"a\")"),
            "error 5017: Syntax error in regular expression at (1, 43)");
  EXPECT_EQ(RunScript("Set re = New RegExp : re.Pattern = \"a\" : x = re.Execute(\"b\")(0)"),
            "error 5: Invalid procedure call or argument at (1, 42)");
}

}  // namespace
}  // namespace qfscript::test
