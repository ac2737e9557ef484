// The ScriptControl facade as the programs use it; and a script cannot bring the
// program down: recursion, endless loops and huge values end in script errors.

#include "tests/script/script_test_util.h"

namespace qfscript::test {
namespace {

// A host object in the style of the entry program's "Qf" object.
class FormHost : public HostObject {
 public:
  std::vector<std::string> calls;
  std::string field = "old";
  int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) override {
    calls.push_back(method + "/" + std::to_string(args.size()));
    if (SameName(method, "GetField")) {
      result = Variant::Str(field);
      return 0;
    }
    if (SameName(method, "SetField")) {
      if (args.size() != 2) return 450;
      field = ToStr(*args[1]);
      return 0;
    }
    if (SameName(method, "Trim")) {  // writes back into the caller's variable
      std::string s = ToStr(*args[0]);
      s.erase(0, s.find_first_not_of(' '));
      args[0]->Deref() = Variant::Str(s);
      return 0;
    }
    if (SameName(method, "Stop")) return kHostStop;
    return 438;
  }
  int Put(const std::string& property, std::vector<Variant*>& args, const Variant& value) override {
    if (SameName(property, "Field")) {
      field = ToStr(value);
      return 0;
    }
    return 438;
  }
  std::string TypeName() const override { return "FormHost"; }
};

class RecordingUi : public ScriptUi {
 public:
  std::vector<std::string> seen;
  int answer = 6;
  bool cancel = false;
  int MsgBox(const std::string& prompt, int buttons, const std::string& title) override {
    seen.push_back(prompt + "|" + std::to_string(buttons) + "|" + title);
    return answer;
  }
  bool InputBox(const std::string& prompt, const std::string& title, std::string& value) override {
    seen.push_back(prompt + "|" + title + "|" + value);
    if (cancel) return false;
    value = "typed";
    return true;
  }
};

// A control with a form host named Qf.
class FormScript : public ::testing::Test {
 protected:
  void SetUp() override { ctl.AddObject("Qf", qf); }
  ScriptControl ctl;
  std::shared_ptr<FormHost> qf = std::make_shared<FormHost>();
};

TEST_F(FormScript, HostObjectCallsPropertiesAndByRefArguments) {
  ASSERT_TRUE(ctl.AddCode(
      "Sub Start()\n"
      "  v = Qf.GetField(\"Name\")\n"
      "  Qf.SetField \"Name\", v & \"!\"\n"
      "  s = \"   padded\" : Qf.Trim s : Qf.SetField \"x\", s & \"|\" & TypeName(Qf)\n"
      "End Sub\n"));
  EXPECT_TRUE(ctl.Run("Start"));
  EXPECT_EQ(qf->field, "padded|FormHost");
  EXPECT_EQ(qf->calls.front(), "GetField/1");
  ASSERT_TRUE(ctl.AddCode("Qf.Field = 12"));
  EXPECT_EQ(qf->field, "12");
  EXPECT_TRUE(ctl.AddCode("On Error Resume Next\nQf.Stop\nQf.SetField 1, \"after\""));
  EXPECT_TRUE(ctl.Stopped());
  EXPECT_EQ(qf->field, "12");
  EXPECT_FALSE(ctl.AddCode("Qf.Nope 1"));
  EXPECT_EQ(ErrorText(ctl.Error()), "error 438: Object doesn't support this property or method: 'Qf.Nope' at (1, 1)");
}

TEST(ScriptControl, GlobalMembersNeedNoPrefix) {
  ScriptControl ctl;
  auto qf = std::make_shared<FormHost>();
  ctl.AddObject("Qf", qf, true);
  ASSERT_TRUE(ctl.AddCode("SetField \"a\", GetField(\"b\") & \"+\"\ncount = 1 : count = count + 1\n"));
  EXPECT_EQ(qf->field, "old+");
  // A script's own procedures still come first.
  ASSERT_TRUE(ctl.AddCode("Function GetField(x) : GetField = \"mine\" : End Function\nSetField 1, GetField(2)"));
  EXPECT_EQ(qf->field, "mine");
}

TEST(ScriptControl, RunPassesArgumentsAndReturnsResults) {
  ScriptControl ctl;
  ASSERT_TRUE(ctl.AddCode("Function Add(a, b) : Add = a + b : b = 0 : End Function\n"
                          "Sub Twice(ByVal x) : x = x * 2 : End Sub"));
  std::vector<Variant> args = {Variant::Int(2), Variant::Int(3)};
  Variant result;
  ASSERT_TRUE(ctl.Run("add", args, &result));
  EXPECT_EQ(ToStr(result), "5");
  EXPECT_EQ(ToStr(args[1]), "0");  // ByRef: the caller's Variant changed
  std::vector<Variant> one = {Variant::Int(4)};
  ASSERT_TRUE(ctl.Run("Twice", one));
  EXPECT_EQ(ToStr(one[0]), "4");
  EXPECT_FALSE(ctl.Run("Missing"));
  EXPECT_EQ(ctl.Error().Number, 35);
  EXPECT_FALSE(ctl.Run("Add", one));
  EXPECT_EQ(ctl.Error().Number, 450);
}

TEST(ScriptControl, RuntimeErrorDetails) {
  ScriptControl ctl;
  ASSERT_TRUE(ctl.AddCode("Sub Start()\n  Dim a\n    a = 1 / 0\nEnd Sub\n"));
  EXPECT_FALSE(ctl.Run("Start"));
  EXPECT_EQ(ErrorText(ctl.Error()), "error 11: Division by zero at (3, 5)");
  EXPECT_EQ(ctl.Error().Source + "|" + ctl.Error().Text, "Microsoft VBScript runtime error|    a = 1 / 0");
  // The text comes from the code that holds the procedure, not from the last AddCode.
  ASSERT_TRUE(ctl.AddCode("Sub Other()\nEnd Sub"));
  EXPECT_FALSE(ctl.Run("Start"));
  EXPECT_EQ(ctl.Error().Text, "    a = 1 / 0");
  // Err.Raise keeps the script's own source and description.
  EXPECT_FALSE(ctl.AddCode("Err.Raise 1001, \"Mine\", \"Custom\""));
  EXPECT_EQ(ctl.Error().Source + "|" + ErrorText(ctl.Error()), "Mine|error 1001: Custom at (1, 1)");
}

// Check compiles a text on its own: the fault as AddCode would report it, nothing
// run, and the code already loaded untouched; code loaded earlier calls procedures
// added later.
TEST(ScriptControl, CheckCompilesWithoutRunningAndLaterProceduresAreSeen) {
  ScriptControl ctl;
  auto host = std::make_shared<EchoHost>();
  ctl.AddObject("WScript", host);
  ASSERT_TRUE(ctl.AddCode("Dim kept : kept = 5\nSub P : Later kept : End Sub"));
  EXPECT_FALSE(ctl.Check("Sub Start\r\n  x = (1 + 2\r\nEnd Sub"));
  EXPECT_EQ(ErrorText(ctl.Error()), "error 1006: Expected ')' at (2, 13)");
  EXPECT_EQ(ctl.Error().Source + "|" + ctl.Error().Text, "Microsoft VBScript compilation error|  x = (1 + 2");
  EXPECT_TRUE(ctl.Check("WScript.Echo \"ran\" : kept = 7\nSub P : End Sub"));
  EXPECT_EQ(ctl.Error().Number, 0);
  EXPECT_EQ(host->out, "");
  // P, from earlier code, sees a procedure added after it.
  ASSERT_TRUE(ctl.AddCode("Sub Later(n) : WScript.Echo \"later\", n : End Sub"));
  ASSERT_TRUE(ctl.Run("P"));
  EXPECT_EQ(host->out, "later 5\n");
  // A fault the compiler finds, after the parser.
  EXPECT_FALSE(ctl.Check("Dim a\nDim a"));
  EXPECT_EQ(ErrorText(ctl.Error()), "error 1041: Name redefined at (2, 5)");
}

TEST_F(FormScript, ResetDropsCodeAndObjects) {
  ASSERT_TRUE(ctl.AddCode("Dim kept : kept = 5\nSub P : Qf.SetField 1, kept : End Sub"));
  ASSERT_TRUE(ctl.Run("P"));
  EXPECT_EQ(qf->field, "5");
  ctl.Reset();
  EXPECT_FALSE(ctl.Run("P"));
  EXPECT_EQ(ctl.Error().Number, 35);
  EXPECT_FALSE(ctl.AddCode("Qf.SetField 1, 2"));
  EXPECT_EQ(ctl.Error().Number, 424);
}

TEST_F(FormScript, MsgBoxAndInputBoxGoToTheUi) {
  RecordingUi ui;
  ctl.SetUi(&ui);
  ASSERT_TRUE(ctl.AddCode(
      "r = MsgBox(\"Sure?\", vbYesNo + vbQuestion, \"Title\")\n"
      "s = InputBox(\"Name\", \"Ask\", \"def\")\n"
      "Qf.SetField 1, r & \",\" & s\n"));
  EXPECT_EQ(qf->field, "6,typed");
  ASSERT_EQ(ui.seen.size(), 2u);
  EXPECT_EQ(ui.seen[0], "Sure?|36|Title");
  EXPECT_EQ(ui.seen[1], "Name|Ask|def");
  ui.cancel = true;
  ASSERT_TRUE(ctl.AddCode("Qf.SetField 1, IsEmpty(InputBox(\"x\"))"));
  EXPECT_EQ(qf->field, "True");
}

// Host methods that wait for the user (a modal window), work for a while,
// return at once, or call back into the control.
class SlowHost : public HostObject {
 public:
  ScriptControl* ctl = nullptr;
  bool nestedResult = true;
  int quickCalls = 0;
  int Call(const std::string& method, std::vector<Variant*>& args, Variant& result) override {
    if (SameName(method, "Wait")) {
      UserWait wait;
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      return 0;
    }
    if (SameName(method, "Work")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      return 0;
    }
    if (SameName(method, "Quick")) {
      result = Variant::Long(++quickCalls);
      return 0;
    }
    if (SameName(method, "Nest")) {
      nestedResult = ctl->AddCode("x = 1");
      ctl->Reset();  // ignored while the script runs
      return 0;
    }
    return 438;
  }
};

TEST(ScriptControl, OnlyTimeWaitingForTheUserIsNotCountedAndHostsCannotReenter) {
  ScriptControl ctl;
  ctl.Timeout = 100;
  auto host = std::make_shared<SlowHost>();
  ctl.AddObject("Host", host);
  EXPECT_TRUE(ctl.AddCode("For i = 1 To 3 : Host.Wait : Next"));
  // A loop of quick host calls ends at the limit, On Error Resume Next or not.
  EXPECT_FALSE(ctl.AddCode("On Error Resume Next\nDo : x = Host.Quick : Loop"));
  EXPECT_EQ(ctl.Error().Number, 1000);
  EXPECT_GT(host->quickCalls, 1000);
  // Host methods that work (no dialog) count, even when the loop takes few steps.
  EXPECT_FALSE(ctl.AddCode("For i = 1 To 3 : Host.Work : Next"));
  EXPECT_EQ(ctl.Error().Number, 1000);
  EXPECT_EQ(ctl.Error().Line, 1);
  // Outside a running script a UserWait does nothing.
  { UserWait idle; }
  EXPECT_TRUE(ctl.AddCode("Host.Wait"));
  // Host methods cannot re-enter the control.
  host->ctl = &ctl;
  EXPECT_TRUE(ctl.AddCode("Host.Nest : y = 2"));
  EXPECT_FALSE(host->nestedResult);
  EXPECT_TRUE(ctl.AddCode("z = y + 1"));  // the engine and its variables survived
}

TEST(Robustness, DeepRecursionIsOutOfStackSpace) {
  ScriptControl ctl;
  ASSERT_TRUE(ctl.AddCode("Function F(n) : F = F(n + 1) : End Function"));
  std::vector<Variant> args = {Variant::Int(1)};
  EXPECT_FALSE(ctl.Run("F", args));
  EXPECT_EQ(ErrorText(ctl.Error()), "error 28: Out of stack space at (1, 17)");
  // The engine is usable afterwards, and moderate recursion works.
  ASSERT_TRUE(ctl.AddCode("Function G(n) : If n = 0 Then G = 0 Else G = 1 + G(n - 1)\nEnd Function"));
  std::vector<Variant> depth = {Variant::Int(300)};
  Variant r;
  ASSERT_TRUE(ctl.Run("G", depth, &r));
  EXPECT_EQ(ToStr(r), "300");
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
    EXPECT_EQ(std::to_string(ctl.Error().Number) + " " + ctl.Error().Source, "1000 Microsoft VBScript runtime error")
        << code;
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
    EXPECT_EQ(std::to_string(ctl.Error().Number) + " " + ctl.Error().Description, "7 Out of memory") << code;
  }
}

TEST(Robustness, ArraysWithoutDimensionsHaveNoElements) {
  for (const char* code :
       {"Dim b()\nx = b()", "Dim b()\nb() = 1", "ReDim b(2) : Erase b\nb(0) = 1", "a = Array()\nx = a(0)"})
    EXPECT_EQ(RunScript(code), "error 9: Subscript out of range at (2, 1)") << code;
}

TEST(Robustness, ExtremeNumbersEndInErrors) {
  EXPECT_EQ(RunScript("Randomize -5E+95 : x = Rnd : Randomize 1E308 : WScript.Echo \"seeded\""), "seeded\n");
  EXPECT_EQ(Echo("DateAdd(\"yyyy\", 1E+300, Now)"), "error 5: Invalid procedure call or argument at (1, 1)");
  for (const char* e : {"#1/1/2000# + 1E+300", "CDate(\"1E+300\")", "Year(TimeSerial(2000000000, 0, 0))",
                        "CCur(\"1E+300\")", "CLng(1E+300)"})
    EXPECT_EQ(Echo(e), "error 6: Overflow at (1, 1)") << e;
}

TEST(Robustness, Scripts) {
  const ScriptCase cases[] = {
      {"resume next does not hide out of stack space",
       "On Error Resume Next\nSub R : R : End Sub\nR\nWScript.Echo Err.Number", "28\n"},
      {"deeply nested arrays and their copies",
       "a = Array() : For i = 1 To 200000 : a = Array(a) : Next : a = 0 : WScript.Echo \"ok\"", "ok\n"},
      {"an array changed while it is indexed",
       "Dim a()\n"
       "ReDim a(3)\n"
       "Function Shrink() : ReDim a(0) : Shrink = 0 : End Function\n"
       "On Error Resume Next\n"
       "a(3) = Shrink()\n"
       "WScript.Echo Err.Number\n"
       "For Each x In a : ReDim a(100) : n = n + 1 : Next\n"
       "WScript.Echo n\n",
       "9\n1\n"},
  };
  RunCases(cases);
}

}  // namespace
}  // namespace qfscript::test
