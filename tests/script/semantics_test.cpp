// Value semantics as form scripts from Windows expect them: how strings meet
// numbers in comparisons, result subtypes, error numbers of statements, and
// objects (class members, Me, ByRef elements, host collections).
#include <gtest/gtest.h>

#include "script_test_util.h"

namespace qfscript::test {
namespace {

// The commonest line of a form script compares field text with a number.
TEST(LiteralComparison, TextAgainstANumericLiteralIsANumber) {
  // Whatever holds the text: a host result, a variable, a ByRef parameter, a function result.
  EXPECT_EQ(RunScript("Class F : Function GetField(n) : GetField = \"5\" : End Function : End Class\n"
                      "Set Qf = New F\n"
                      "WScript.Echo Qf.GetField(\"Age\") > 17, 17 > Qf.GetField(\"Age\"), Qf.GetField(\"x\") = 5\n"
                      "Sub P(ByRef t) : WScript.Echo t >= 5, t <= 4, t <> 5 : End Sub\n"
                      "s = \"5\" : P s\n"
                      "Function T() : T = \"12\" : End Function\n"
                      "WScript.Echo T() < 100, T() = 12.0, T() > 1E1"),
            "False True True\nTrue False False\nTrue True True\n");
  // Every numeric literal kind: Integer, Long, Double, exponent, hex, a date, a named constant, a negative number.
  EXPECT_EQ(Echo("(\"40000\" = 40000) & (\"2.5\" < 3.5) & (\"160\" = &HA0) & (\"1000\" = 1E3) & (\"-3\" = -3)"),
            "TrueTrueTrueTrueTrue");
  EXPECT_EQ(RunScript("Const LIMIT = 17\nx = \"9\"\nWScript.Echo x < LIMIT, x > #1/1/2000#"), "True False\n");
  // The text forms a number may take.
  EXPECT_EQ(Echo("(\" +8 \" = 8) & (\"008\" = 8) & (\"-0\" = 0) & (\"5e1\" = 50) & (\"&hff\" = 255) & (\"&H1F\" = 31)"),
            "TrueTrueTrueTrueTrueTrue");
  // Text that is no number is a type mismatch, the empty text and blanks included, with every operator.
  for (const char* expr : {"\"abc\" > 17", "\"\" = 0", "\" \" <> 0", "0 < \"\"", "x = 1.5", "\"1/1/2000\" >= 3"}) {
    std::string code = std::string("x = \"zz\"\nWScript.Echo ") + expr;
    EXPECT_EQ(RunScript(code).substr(0, 9), "error 13:") << expr;
  }
  // Null stays Null.
  EXPECT_EQ(Echo("IsNull(Null > 17)"), "True");
}

TEST(LiteralComparison, TextLiteralsComputedNumbersAndBooleans) {
  // A string literal against a computed number: the number's text.
  EXPECT_EQ(Echo("(\"5\" = CInt(5)) & (CCur(5) = \"5\") & (\"10\" > CByte(5)) & (\"010\" = CInt(10))"),
            "TrueTrueFalseFalse");
  EXPECT_EQ(Echo("(Len(\"ab\") > \"\") & (\"2.5\" = CDbl(5) / 2) & (\"xyz\" < CLng(1))"), "TrueTrueFalse");
  // Two values that are no literals: the string is the greater, without an error.
  EXPECT_EQ(RunScript("s = \"1\" : n = 500 : b = True : t = \"abc\"\n"
                      "WScript.Echo s > n, n < s, s = n, t > b, \"\" & (n = t)"),
            "True True False True False\n");
  // A Boolean literal: compared with the text True/False, exactly.
  EXPECT_EQ(Echo("(\"True\" = True) & (False = \"False\") & (\"False\" > True) & (\"TRUE\" = True) & (\"-1\" = True)"),
            "TrueTrueFalseFalseFalse");
  EXPECT_EQ(RunScript("t = \"x\"\nWScript.Echo t = True, t < False"), "False False\n");
  // Single against Double: at Single precision.
  EXPECT_EQ(Echo("(CSng(0.1) = 0.1) & (CSng(0.001 * 0.001) = 0.000001) & (CSng(0.5) < 0.50000001) & (CDbl(0.5) < 0.50000001)"),
            "TrueTrueFalseTrue");
}

TEST(Conversion, HashBooleansByteTrueAndObjectsAsNumbers) {
  EXPECT_EQ(Echo("CBool(\"#TRUE#\") & CBool(\"#false#\") & VarType(CBool(\"#TRUE#\"))"), "TrueFalse11");
  EXPECT_EQ(RunScript("If \"#TRUE#\" Then WScript.Echo \"yes\"\nIf Not \"#FALSE#\" Then WScript.Echo \"not\""),
            "yes\nnot\n");
  EXPECT_EQ(Echo("CByte(True) & \" \" & VarType(CByte(True)) & \" \" & CByte(False)"), "255 17 0");
  EXPECT_EQ(RunScript("Class V : Public x : Public Default Property Get Value : Value = x : End Property : End Class\n"
                      "Class B : End Class\n"
                      "Set v = New V : v.x = \"12\" : WScript.Echo IsNumeric(v)\n"
                      "v.x = \"twelve\" : WScript.Echo IsNumeric(v), IsNumeric(New B), IsNumeric(Nothing)"),
            "True\nFalse False False\n");
}

TEST(ResultTypes, LogicalOperatorsEmptyByteImpAndHexLiterals) {
  EXPECT_EQ(Echo("VarType(Empty And Empty) & VarType(Not Empty) & VarType(CInt(5) Imp Empty) & "
                 "VarType(Empty Or False) & VarType(Empty Xor Null) & VarType(Empty + Empty)"),
            "333312");
  EXPECT_EQ(Echo("(Not Empty) & \" \" & (Empty Eqv Empty) & \" \" & (Empty Or CInt(6))"), "-1 -1 6");
  EXPECT_EQ(Echo("(CByte(0) Imp Null) & \" \" & (CByte(170) Imp Null) & \" \" & (CByte(255) Imp Null) & \" \" & "
                 "VarType(CByte(1) Imp Null) & \" \" & IsNull(CInt(1) Imp Null)"),
            "255 85 0 17 True");
  // Hex literals: 16 bits with a sign, or 32 with a trailing &; Integer when within -32767..32767.
  EXPECT_EQ(Echo("&H8000 & \" \" & VarType(&H8000) & \" \" & VarType(&H8001) & \" \" & VarType(&h10&) & \" \" & "
                 "&hFFFFFFFF& & \" \" & VarType(&hFFFFFFFF&) & \" \" & &hFFFF& & \" \" & VarType(&hFFFF&) & \" \" & "
                 "VarType(&h10000) & \" \" & &o177777"),
            "-32768 3 2 2 -1 2 65535 3 3 -1");
}

TEST(StatementErrors, ErrRaiseKeepsWhatItIsNotGiven) {
  EXPECT_EQ(RunScript("On Error Resume Next\n"
                      "Err.Raise 65536 : WScript.Echo Err.Number : Err.Clear\n"
                      "Err.Raise 1, \"src\", \"desc\", \"help.chm\", 7\n"
                      "WScript.Echo Err.Number, Err.Source, Err.Description, Err.HelpFile, Err.HelpContext\n"
                      "Err.Raise 5\n"
                      "WScript.Echo Err.Number, Err.Source, Err.Description, Err.HelpFile, Err.HelpContext\n"
                      "Err.Clear : Err.Raise &H8007000E&\n"
                      "WScript.Echo Err.Number, Err.Source, Err.Description, \"[\" & Err.HelpFile & \"]\"\n"
                      "Err.Clear : Err.Raise &H800A000B& : WScript.Echo Err.Number, Err.Description\n"
                      "Err.Clear : Err.Raise 1, \"mine\" : Err.Raise &H80070057&\n"
                      "WScript.Echo Err.Number, Err.Source, Err.Description\n"
                      "Err.Clear : Err.Raise &H80004005& : WScript.Echo Err.Number"),
            "5\n"
            "1 src desc help.chm 7\n"
            "5 src desc help.chm 7\n"
            "7 Microsoft VBScript runtime error Out of memory []\n"
            "11 Division by zero\n"
            "5 mine Unknown runtime error\n"
            "-2147467259\n");
}

TEST(StatementErrors, ObjectsLoopsAndArrays) {
  // Members of Nothing and With on what is no object: 424.
  EXPECT_EQ(RunScript("On Error Resume Next\nSet o = Nothing\n"
                      "o.F : WScript.Echo Err.Number : Err.Clear\n"
                      "o.F = 1 : WScript.Echo Err.Number : Err.Clear\n"
                      "Set o.G = Nothing : WScript.Echo Err.Number : Err.Clear\n"
                      "With Nothing : .H = 2 : End With : WScript.Echo Err.Number : Err.Clear\n"
                      "With Nothing : End With : WScript.Echo Err.Number\n"
                      "For Each v In Array(3, \"s\", Empty, Null, False)\n"
                      "  Err.Clear : With v : End With : WScript.Echo Err.Number\n"
                      "Next"),
            "424\n424\n424\n424\n0\n424\n424\n424\n424\n424\n");
  EXPECT_EQ(RunScript("With 7 : End With"), "error 424: Object required at (1, 1)");
  // A For header that fails under On Error Resume Next: the body runs once, Next fails with 92.
  EXPECT_EQ(RunScript("On Error Resume Next\nn = 0 : i = 6\n"
                      "For i = 1 To 1 / 0 : n = n + 1 : Next\nWScript.Echo Err.Number, i, n\n"
                      "Err.Clear : For i = \"x\" To 3 : n = n + 1 : Next\nWScript.Echo Err.Number, i, n\n"
                      "Err.Clear : For Each v In 42 : n = n + 1 : Next\nWScript.Echo Err.Number, n"),
            "92 6 1\n92 6 2\n451 3\n");
  EXPECT_EQ(RunScript("For i = 1 / 0 To 2 : Next"), "error 11: Division by zero at (1, 1)");
  EXPECT_EQ(RunScript("For Each v In 42 : WScript.Echo v : Next"), "error 451: Object not a collection at (1, 1)");
  // ReDim of a fixed array is 10 before its bounds are looked at.
  EXPECT_EQ(RunScript("Dim a(2)\nReDim a(\"q\")"), "error 10: This array is fixed or temporarily locked at (2, 7)");
  // New of a name declared nowhere is an undefined variable under Option Explicit.
  EXPECT_EQ(RunScript("Option Explicit\nDim x\nSet x = New Nowhere"), "error 500: Variable is undefined at (3, 1)");
  EXPECT_EQ(RunScript("Option Explicit\nDim x, c\nSet x = New c"), "error 506: Class not defined at (3, 1)");
  EXPECT_EQ(RunScript("Set x = New Nowhere"), "error 506: Class not defined at (1, 1)");
}

const char* kHolder =
    "Class Holder\n"
    "  Public scalar, list(2), dyn, kept, wasObject\n"
    "  Private Sub Class_Initialize : ReDim dyn(1) : End Sub\n"
    "  Public Property Let Target(v) : wasObject = IsObject(v) : If wasObject Then Set kept = v Else kept = v\n"
    "  End Property\n"
    "  Public Default Property Get Item(i) : Item = \"item\" & i : End Property\n"
    "  Public Function Both() : Both = Me(1) & \",\" & Me(\"x\") : End Function\n"
    "End Class\n"
    "Class Bare : End Class\n"
    "Set o = New Holder\n";

TEST(ClassMembers, IndexingFieldsMeAndPropertyLet) {
  EXPECT_EQ(RunScript(std::string(kHolder) +
                      "On Error Resume Next\n"
                      "o.scalar = 3\n"
                      "x = o.scalar(0) : WScript.Echo Err.Number : Err.Clear\n"
                      "o.scalar(0, 1) = 5 : WScript.Echo Err.Number : Err.Clear\n"
                      "x = o.scalar() : WScript.Echo Err.Number : Err.Clear\n"
                      "x = o.dyn() : WScript.Echo Err.Number : Err.Clear\n"
                      "o.list(1) = 21 : o.dyn(0) = \"d\" : WScript.Echo Err.Number, o.list(1), o.dyn(0), o.scalar\n"
                      "o.list(3) = 1 : WScript.Echo Err.Number : Err.Clear\n"
                      "WScript.Echo o.Both()"),
            "438\n438\n5\n5\n0 21 d 3\n9\nitem1,itemx\n");
  // Property Let gets an object as the object, with or without a default member;
  // a plain field gets the default value (none: 438).
  EXPECT_EQ(RunScript(std::string(kHolder) +
                      "Set h = New Holder : o.Target = h : WScript.Echo o.wasObject, o.kept Is h\n"
                      "o.Target = New Bare : WScript.Echo o.wasObject\n"
                      "o.Target = 4 : WScript.Echo o.wasObject"),
            "True True\nTrue\nFalse\n");
  EXPECT_EQ(RunScript(std::string(kHolder) + "o.scalar = New Bare"),
            "error 438: Object doesn't support this property or method at (11, 1)");
}

TEST(ClassMembers, ByRefElementsRegExpAndConcatenation) {
  // Array elements reach ByRef parameters, two of one array at once too.
  EXPECT_EQ(RunScript("Sub Swap(a, b) : t = a : a = b : b = t : End Sub\n"
                      "Sub Seven(ByRef p) : p = 7 : End Sub\n"
                      "Sub Keep(ByVal p) : p = 0 : End Sub\n"
                      "Sub Head(a) : a(0) = 2 : End Sub\n"
                      "x = Array(1, 2, 3) : y = x : Swap x(0), x(2) : Seven x(1) : Keep x(0)\n"
                      "WScript.Echo Join(x, \",\"), Join(y, \",\")\n"
                      "Seven (x(1)) : WScript.Echo x(1)\n"
                      "m = Array(Array(4)) : Head m(0) : WScript.Echo m(0)(0)\n"
                      "Dim g(1, 1) : Seven g(1, 0) : WScript.Echo g(1, 0)\n"
                      "Sub Grow(p) : ReDim z(5) : p = 9 : End Sub\n"
                      "z = Array(0) : Grow z(0) : WScript.Echo UBound(z)"),
            "3,7,1 1,2,3\n7\n2\n7\n5\n");
  // New RegExp is the built-in one even beside a class of that name.
  EXPECT_EQ(RunScript("Class RegExp : Public Property Get Global : Global = \"mine\" : End Property : End Class\n"
                      "Set r = New RegExp : WScript.Echo TypeName(r), r.Global\n"
                      "r.Pattern = \"b\" : WScript.Echo r.Replace(\"abc\", True), r.Replace(\"abc\", False)"),
            "IRegExp2 False\na-1c a0c\n");
  // An object joins a string through its default value; without one it is 438.
  EXPECT_EQ(RunScript(std::string(kHolder) + "WScript.Echo \"s\" & o(2)\nx = \"s\" & New Bare"),
            "sitem2\nerror 438: Object doesn't support this property or method at (12, 1)");
  EXPECT_EQ(RunScript(std::string(kHolder) + "x = \"s\" : x = x & New Bare"),
            "error 438: Object doesn't support this property or method at (11, 11)");
  EXPECT_EQ(RunScript("Set n = Nothing\nx = n & \"s\""), "error 91: Object variable not set at (2, 1)");
}

// A host object that is a collection.
class ListHost : public HostObject {
 public:
  std::vector<std::string> names{"Ann", "Bo"};
  int Call(const std::string& method, std::vector<Variant*>&, Variant& result) override {
    if (SameName(method, "Count")) {
      result = Variant::Long(static_cast<int32_t>(names.size()));
      return 0;
    }
    return 438;
  }
  int Enumerate(std::vector<Variant>& items) override {
    for (const auto& n : names) items.push_back(Variant::Str(n));
    return 0;
  }
};

TEST(HostObjects, ForEachOverAHostCollection) {
  ScriptControl ctl;
  auto echo = std::make_shared<EchoHost>();
  ctl.AddObject("WScript", echo);
  ctl.AddObject("Names", std::make_shared<ListHost>());
  ctl.AddObject("Plain", std::make_shared<EchoHost>());
  ASSERT_TRUE(ctl.AddCode("For Each n In Names : WScript.Echo n, Names.Count : Next"));
  EXPECT_EQ(echo->out, "Ann 2\nBo 2\n");
  EXPECT_FALSE(ctl.AddCode("For Each n In Plain : Next"));
  EXPECT_EQ(ctl.Error().Number, 451);
}

}  // namespace
}  // namespace qfscript::test
