// Value semantics as form scripts from Windows expect them: how strings meet
// numbers in comparisons, result subtypes, error numbers of statements, and
// objects (class members, Me, ByRef elements, host collections).

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

TEST(Values, ComparisonsConversionsAndResultTypes) {
  // Two values that are no literals: the string is the greater, without an error.
  EXPECT_EQ(RunScript("s = \"1\" : n = 500 : t = \"abc\"\nWScript.Echo n < s, \"\" & (n = t)"), "True False\n");
  EXPECT_EQ(Echo("CBool(\"#false#\") & CBool(\"#True#\") & CByte(False)"), "FalseTrue0");
  EXPECT_EQ(RunScript("Class B : End Class\nWScript.Echo IsNumeric(New B), IsNumeric(Nothing)"), "False False\n");
  EXPECT_EQ(Echo("VarType(Empty Xor Null) & \" \" & IsNull(CInt(1) Imp Null) & \" \" & VarType(CByte(1) Imp Null)"),
            "1 True 17");
}

// An HRESULT of the VBScript facility is the language error; an unknown one stays as it is.
TEST(StatementErrors, ErrRaiseMapsHresults) {
  EXPECT_EQ(RunScript("On Error Resume Next\n"
                      "Err.Raise &H800A000B& : WScript.Echo Err.Number, Err.Description\n"
                      "Err.Clear : Err.Raise 1, \"mine\" : Err.Raise &H80070057&\n"
                      "WScript.Echo Err.Number, Err.Source, Err.Description\n"
                      "Err.Clear : Err.Raise &H80004005& : WScript.Echo Err.Number"),
            "11 Division by zero\n"
            "5 mine Unknown runtime error\n"
            "-2147467259\n");
}

// A For header whose start is no number, under On Error Resume Next: the body runs once,
// Next fails with 92 (headers whose values fail are the shared error scripts' cases).
TEST(StatementErrors, LoopHeaders) {
  EXPECT_EQ(RunScript("On Error Resume Next\nn = 0 : i = 6\n"
                      "For i = \"x\" To 3 : n = n + 1 : Next\nWScript.Echo Err.Number, i, n"),
            "92 6 1\n");
  EXPECT_EQ(RunScript("For i = 1 / 0 To 2 : Next"), "error 11: Division by zero at (1, 1)");
}

const char* kHolder =
    "Class Holder\n"
    "  Public scalar, list(2), dyn\n"
    "  Private Sub Class_Initialize : ReDim dyn(1) : End Sub\n"
    "  Public Default Property Get Item(i) : Item = \"item\" & i : End Property\n"
    "  Public Function Both() : Both = Me(1) & \",\" & Me(\"x\") : End Function\n"
    "End Class\n"
    "Class Bare : End Class\n"
    "Set o = New Holder\n";

TEST(ClassMembers, IndexingFieldsAndMe) {
  EXPECT_EQ(RunScript(std::string(kHolder) +
                      "On Error Resume Next\n"
                      "o.dyn(0) = \"d\" : o.list(3) = 1 : WScript.Echo Err.Number, o.dyn(0), o.Both()"),
            "9 d item1,itemx\n");
  // A plain field gets the default value of an object (none: 438).
  EXPECT_EQ(RunScript(std::string(kHolder) + "o.scalar = New Bare"),
            "error 438: Object doesn't support this property or method at (9, 1)");
}

TEST(ClassMembers, ByRefElementsRegExpAndConcatenation) {
  // Array elements reach ByRef parameters, two of one array at once too.
  EXPECT_EQ(RunScript("Sub Swap(a, b) : t = a : a = b : b = t : End Sub\n"
                      "Sub Seven(ByRef p) : p = 7 : End Sub\n"
                      "Sub Keep(ByVal p) : p = 0 : End Sub\n"
                      "x = Array(1, 2, 3) : y = x : Swap x(0), x(2) : Seven x(1) : Keep x(0)\n"
                      "WScript.Echo Join(x, \",\"), Join(y, \",\")\n"
                      "Dim g(1, 1) : Seven g(1, 0) : WScript.Echo g(1, 0)\n"
                      "Sub Grow(p) : ReDim z(5) : p = 9 : End Sub\n"
                      "z = Array(0) : Grow z(0) : WScript.Echo UBound(z)"),
            "3,7,1 1,2,3\n7\n5\n");
  // A Boolean replacement is replaced by its number's text.
  EXPECT_EQ(RunScript("Set r = New RegExp : r.Pattern = \"b\"\n"
                      "WScript.Echo r.Replace(\"abc\", True), r.Replace(\"abc\", False)"),
            "a-1c a0c\n");
  // An object without a default value joins no string: 438.
  EXPECT_EQ(RunScript(std::string(kHolder) + "x = \"s\" : x = x & New Bare"),
            "error 438: Object doesn't support this property or method at (9, 11)");
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
