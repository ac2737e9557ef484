// Form scripts in the entry window: "Start", "Update", actions and the object "Qf".
#include "tests/entry/EntryFixture.h"

#include "common/frmInput.h"
#include "entry/clsField.h"
#include "entry/frmBrowse.h"
#include "script/variant.h"

using namespace qfentry;

namespace {

class ScriptTest : public EntryTest {
 protected:
  // The form: Name, City, Total ("="); records as given; the script as given.
  std::string Form(const std::string& script, const std::vector<std::vector<std::string>>& records = {}) {
    MakeDatabase({{"Name", 20, 1, "AS"}, {"City", 20, 1, "AS"}, {"Total", 10, 1, "="}}, records);
    return ChangeForm([&] { modDB::SetScript(script); });
  }
  // A lookup database beside the form: Cities with City and Code.
  void Cities() {
    qftest::QfdCreate(dir / "Cities",
                      R"({"Fields":[{"Name":"City","Length":20,"Format":"AS"},{"Name":"Code","Length":3,"Format":"AU"}]})");
    for (const std::string city : {"Rome", "Oslo", "Lima"})
      qftest::QfdOk({"add", dir / "Cities", "City=" + city, "Code=" + city.substr(0, 3)});
  }
};

}  // namespace

// A "Start" whose last call of Qf fails vetoes the opening: the database is closed.
TEST_F(ScriptTest, SixActionsAndRunningOne) {
  const std::string actions =
      "Sub Start\r\n"
      "  a = \"  One  \"\r\n  Qf.SetAction a\r\n  Qf.SetField \"City\", \"[\" & a & \"]\"\r\n"
      "  Qf.SetAction \"Two\"\r\n  Qf.SetAction \"Three\"\r\n  Qf.SetAction \"Four\"\r\n"
      "  Qf.SetAction \"Five\"\r\n  Qf.SetAction \"Six\"\r\n";
  const std::string three = "End Sub\r\nSub Three\r\n  Qf.SetField \"Total\", UCase(Qf.GetField(\"Name\"))\r\nEnd Sub";
  const std::string file = Form(actions + "  Qf.SetAction \"Five\"\r\n" + three, {{"ann", "", ""}});
  // The last call (a sixth action) failed: the database is not kept open.
  EXPECT_FALSE(NewWindow().StartUp(file));
  EXPECT_EQ(host.Last(), "SetAction: Maximum Actions Already Defined");
  EXPECT_EQ(std::tuple(modDB::GetFileNumber(), window->Mode, window->windowTitle()), std::tuple(0, 0, QString()));

  // Five actions, then a call that succeeds.
  const std::string ok = Form(actions + "  Qf.GetDate\r\n  Qf.GetField \"Name\"\r\n" + three, {{"ann", "", ""}});
  CloseWindow();
  frmEdit& w = Open(ok);  // only the last call counts: the failure is said, the database kept
  EXPECT_EQ(host.Last(), "SetAction: Maximum Actions Already Defined");
  for (QAction* a : {w.mnuAction0->menuAction(), w.mnuAction[1], w.mnuAction[2], w.mnuAction[3], w.mnuAction[4],
                     w.mnuAction[5]})
    EXPECT_TRUE(a->isVisible()) << a->text().toStdString();
  // SetAction trims the caller's variable itself.
  qfgui::ExpectTexts({{w.Dummy[2], "[One]"}, {w.mnuAction[1], "One"}, {w.mnuAction[5], "Five"}});
  EXPECT_FALSE(w.mnuAction0->isEnabled());  // actions run only while editing
  w.mnuEditRecord->trigger();
  EXPECT_TRUE(w.mnuAction0->isEnabled());
  w.mnuAction[3]->trigger();
  EXPECT_EQ(w.Dummy[3]->text(), "ANN");  // shown at once
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(Stored(1)["Fields"]["Total"], "ANN");
  w.mnuClose->trigger();
  EXPECT_EQ(std::tuple(w.mnuAction0->menuAction()->isVisible(), w.mnuAction[1]->text(), w.mnuAction[2]->isVisible()),
            std::tuple(false, "", false));
}

TEST_F(ScriptTest, SyntaxErrorIsShownAndUpdateStillSaves) {
  frmEdit& w = Open(Form("Sub Start\r\nEnd Sub\r\nSub Update\r\n  x = (1 + \r\nEnd Sub"));
  ASSERT_EQ(host.boxes.size(), 1u);  // "Start" met the syntax error too
  const std::string text = host.boxes[0].text;
  EXPECT_EQ(std::tuple(host.boxes[0].title, text.substr(0, 102), w.Mode),
            std::tuple("SCRIPT ERROR", std::string(100, ' ') + "\r\n", 1));
  EXPECT_NE(text.find("\r\nDescription:Expected expression\r\nLine: 4\r\nColumn: "), std::string::npos) << text;
  w.mnuNewRecord->trigger();
  Type(1, "Saved");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(w.Mode, StoredCount(), Stored(1)["Fields"]["Name"]), std::tuple(1, 1, "Saved"));
}

TEST_F(ScriptTest, UpdateComputesAndVetoes) {
  frmEdit& w = Open(Form(
      "Sub Start\r\nEnd Sub\r\nSub Update\r\n"
      "  Qf.SetField \"Total\", Len(Qf.GetField(\"Name\"))\r\n"
      "  If Qf.GetField(\"City\") = \"\" Then\r\n"
      "    MsgBox \"City is required\", vbExclamation, \"Contact\"\r\n"
      "    Qf.GetField \"No city\"\r\n"
      "  End If\r\n"
      "End Sub"));
  w.mnuNewRecord->trigger();
  Type(1, "Ann");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(w.Mode, StoredCount()), std::tuple(2, 0));  // refused
  EXPECT_EQ(host.All(), (std::vector<std::string>{"Contact: City is required", "GetField: FIELD No city NOT FOUND"}));
  EXPECT_EQ(host.boxes.at(0).style, modDB::vbExclamation);
  Type(2, "Rome");
  host.Clear();
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(w.Mode, host.Last()), std::tuple(1, std::string()));
  EXPECT_EQ(Stored(1)["Fields"]["Total"], "3");  // set during "Update", saved with the record
}

TEST_F(ScriptTest, SecondDatabase) {
  Cities();
  const std::string file = Form(
      "Sub Start\r\n  Qf.OpenDB \"Cities\"\r\nEnd Sub\r\n"
      "Sub Probe\r\n"
      "  Qf.SetField \"City\", Qf.GetDBCount & \":\" & Qf.GetDBField(2, \" city \")\r\n"
      "  Qf.GetDBField 0, \"City\"\r\n"
      "End Sub\r\n"
      "Sub Rename\r\n  Qf.SetDBField 3, \"Code\", \"  lim  \"\r\n  Qf.SetDBField 3, \"City\", \"Lima Peru\"\r\nEnd Sub\r\n"
      "Sub Pick\r\n  n = Qf.GetDBList(Array(\"City\", \"Code\"))\r\n"
      "  If n > 0 Then Qf.SetField \"City\", Qf.GetDBField(n, \"City\")\r\nEnd Sub\r\n"
      "Sub Wrong\r\n  Qf.GetDBList Array(\"City\", \"Nope\")\r\nEnd Sub",
      {{"ann", "", ""}});
  frmEdit& w = Open(file);  // "Cities" is found beside the form, wherever the program runs
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  ASSERT_NE(w.ScriptObject->ScriptDatabase(), 0);

  w.mnuEditRecord->trigger();
  EXPECT_TRUE(w.RunScript("Probe"));  // the last call (record 0) failed
  w.Record2Form();
  EXPECT_EQ(std::tuple(host.Last(), w.Field[2]->Text()), std::tuple("GetDBField: Record out of range", "3:Oslo"));

  EXPECT_FALSE(w.RunScript("Rename"));
  // Another program sees the change at once.
  qftest::ExpectJson(Stored(3, "Cities"), {{"/Fields/Code", "lim"}, {"/Fields/City", "Lima Peru"}});

  auto ran = qfgui::OnShown<frmBrowse>([](frmBrowse* t) {
    ASSERT_EQ(t->lblCol.size(), 3u);
    EXPECT_EQ(t->lblCol[2]->text() + "|" + t->lstCol[1]->item(2)->text(), "Code|Lima Peru");
    qfgui::DblClickItem(t->lstCol[1], 1);
  });
  EXPECT_FALSE(w.RunScript("Pick"));
  EXPECT_TRUE(*ran);
  w.Record2Form();
  EXPECT_EQ(w.Field[2]->Text(), "Oslo");

  host.Clear();
  EXPECT_TRUE(w.RunScript("Wrong"));
  EXPECT_EQ(host.Last(), "GetDBList: Database Field not found");

  w.mnuCancelUpdate->trigger();
  w.mnuClose->trigger();  // closes the second database too
  EXPECT_EQ(w.ScriptObject->ScriptDatabase(), 0);
}

// A loop that never ends is stopped by the time limit, whether or not it calls Qf's
// methods (time spent in them counts too), and the window goes on working; then the
// second database's refusals, each with its message.
TEST_F(ScriptTest, EndlessLoopsStopAtTheTimeoutAndSecondDatabaseMessages) {
  // A loop that calls the window's own object is stopped too (a bare loop: robustness_test).
  frmEdit& w = Open(Form(
      "Sub Start\r\nEnd Sub\r\nSub Spin\r\n  Do\r\n  Loop\r\nEnd Sub\r\n"
      "Sub SpinQf\r\n  Do\r\n    x = Qf.GetField(\"Name\")\r\n  Loop\r\nEnd Sub\r\n"
      "Sub NoDb\r\n  Qf.GetDBCount\r\nEnd Sub\r\n"
      "Sub NoList\r\n  Qf.GetDBList Array(\"x\")\r\nEnd Sub\r\n"
      "Sub Twice\r\n  Qf.OpenDB \"Test\"\r\n  Qf.OpenDB \"Test\"\r\nEnd Sub\r\n"
      "Sub Field\r\n  Qf.GetDBField 1, \"Nope\"\r\nEnd Sub\r\n"
      "Sub Nowhere\r\n  Qf.OpenDB \"Nowhere\"\r\nEnd Sub",
      {{"a", "", ""}}));
  EXPECT_FALSE(w.RunScript("SpinQf"));
  EXPECT_EQ(std::tuple(host.boxes.size(), host.Last().substr(0, 13)), std::tuple(1u, "SCRIPT ERROR:"));
  EXPECT_NE(host.Last().find("Description:The script ran longer than its time limit\r\nLine: 9"), std::string::npos)
      << host.Last();
  w.mnuEditRecord->trigger();
  Type(1, "b");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(Stored(1)["Fields"]["Name"], "ab");

  for (auto [sub, message] : {std::pair("NoDb", "GetDBCount: Database not open"),
                              {"NoList", "GetDBList: Database not opened"},
                              {"Nowhere", "Open File: Database:Nowhere not found"},
                              {"Twice", "Open File: Database already open"},
                              {"Field", "GetDBField: Invalid Field Name"}}) {
    EXPECT_TRUE(w.RunScript(sub)) << sub;
    EXPECT_EQ(host.Last(), message);
  }
  // A procedure the script does not have is a script error, not a refusal; an empty
  // name or script runs nothing.
  host.Clear();
  EXPECT_FALSE(w.RunScript("Missing"));
  EXPECT_EQ(std::tuple(host.boxes.size(), host.Last().substr(0, 13)), std::tuple(1u, "SCRIPT ERROR:"));
  host.Clear();
  EXPECT_FALSE(w.RunScript("  "));
  modDB::SetScript("");
  EXPECT_FALSE(w.RunScript("NoDb"));
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
}

// Qf.DisableDelete, Qf.GetPass's masked box, and the script's InputBox and MsgBox
// reach the user.
TEST_F(ScriptTest, DeletePermissionMaskedInputAndTheScriptsBoxes) {
  frmEdit& w = Open(Form(
      "Sub Start\r\n  Qf.DisableDelete\r\nEnd Sub\r\n"
      "Sub Ask\r\n  Qf.SetField \"City\", Qf.GetPass(\" Password \", \" def \")\r\nEnd Sub\r\n"
      "Sub AskCity\r\n  v = InputBox(\"Your city?\", \"City\", \"Rome\")\r\n"
      "  r = MsgBox(\"Keep \" & v & \"?\", vbYesNo + vbQuestion, \"Check\")\r\n"
      "  If r = vbYes Then Qf.SetField \"City\", v\r\nEnd Sub",
      {{"a", "", ""}}));
  EXPECT_FALSE(w.AllowDelete || w.mnuPack->isEnabled());
  w.mnuDeleteRecord->trigger();
  ExpectBox("Delete Record: Deletion is not allowed", modDB::vbCritical);
  EXPECT_FALSE(Stored(1)["Deleted"].get<bool>());

  auto ran = qfgui::OnShown<frmInput>([](frmInput* d) {
    EXPECT_EQ(std::tuple(d->windowTitle(), d->txtStr->text(), d->txtStr->maxLength()),
              std::tuple("Password", "def", 32));
    d->txtStr->clear();
    QTest::keyClicks(d->txtStr, "s3cret!");  // "!" is not among letters and digits
    QTest::keyClick(d->txtStr, Qt::Key_Return);
  });
  w.RunScript("Ask");
  EXPECT_TRUE(*ran);
  w.Record2Form();
  EXPECT_EQ(w.Dummy[2]->text(), "s3cret");

  ran = qfgui::OnShown<QInputDialog>([](QInputDialog* d) {
    EXPECT_EQ(std::tuple(d->labelText(), d->textValue()), std::tuple(QString("Your city?"), QString("Rome")));
    d->setTextValue("Oslo");
    d->accept();
  });
  host.replies = {modDB::vbYes};
  w.RunScript("AskCity");
  EXPECT_TRUE(*ran);
  EXPECT_EQ(std::tuple(host.Last(), host.boxes.back().style),
            std::tuple("Check: Keep Oslo?", modDB::vbYesNo + modDB::vbQuestion));
  w.Record2Form();
  EXPECT_EQ(w.Dummy[2]->text(), "Oslo");
}

TEST_F(ScriptTest, TheExampleContactScript) {
  frmEdit& w = OpenExample("Contacts.Qfd");
  EXPECT_TRUE(host.boxes.empty()) << host.Last();
  qfgui::ExpectTexts({{w.mnuAction[1], "PickCity"}, {w.mnuAction[2], "CallNow"}});

  w.mnuNewRecord->trigger();
  Type(2, "ada");
  Type(3, "lovelace");
  auto ran = qfgui::OnShown<frmBrowse>([](frmBrowse* t) {
    EXPECT_EQ(t->lblCol[2]->text(), "Country");
    const int row = qfgui::FindRow(t->lstCol[1], "Oslo");
    ASSERT_GE(row, 0);
    qfgui::DblClickItem(t->lstCol[1], row);
  });
  w.mnuAction[1]->trigger();
  EXPECT_TRUE(*ran);
  EXPECT_EQ(w.Field[8]->Text(), "OSLO");
  w.mnuNextPage->trigger();
  Type(12, "9");
  // A rating above 5 is asked again until it lies from 0 to 5; no other message.
  QStringList answers = {"7", "4.5"};
  int asked = 0;
  auto ask = qfgui::OnShown<QInputDialog>([&](QInputDialog* d) {
    EXPECT_EQ(std::tuple(d->labelText(), d->windowTitle()),
              std::tuple(QString("A rating goes from 0 to 5. Rating (empty for none):"), QString("Contact")));
    d->setTextValue(answers.value(asked++));
    d->accept();
  });
  const int32_t before = qftest::QfdCount(dir / "Contacts");
  w.mnuUpdateRecord->trigger();
  EXPECT_EQ(std::tuple(asked, host.Last(), w.Mode), std::tuple(2, "", 1));
  const auto rec = Stored(before + 1, "Contacts");
  qftest::ExpectJson(rec, {{"/Fields/FullName", "Ada Lovelace"}, {"/Fields/City", "OSLO"}, {"/Fields/Rating", "4.5"},
                           {"/Fields/ContactNo", std::to_string(before + 1)}});
}

// Qf's methods by name: a wrong number of arguments is 450 before anything runs, a
// name Qf does not know is 438, and letter case does not count.
TEST(QfMethods, ArgumentCountAndUnknownNames) {
  clsField qf(nullptr);
  const std::vector<std::string> names = clsField::MethodNames();
  EXPECT_EQ(names, (std::vector<std::string>{"GetField", "SetField", "OpenDB", "CloseDB", "GetDBCount", "GetDBField",
                                             "SetDBField", "SetAction", "EnableDelete", "DisableDelete", "GetDate",
                                             "GetTime", "GetDBList", "GetPass"}));
  std::vector<qfscript::Variant> values(4);
  std::vector<qfscript::Variant*> four;
  for (qfscript::Variant& v : values) four.push_back(&v);
  std::vector<qfscript::Variant*> none;
  qfscript::Variant result;
  for (const std::string& name : names) EXPECT_EQ(qf.Call(name, four, result), 450) << name;
  for (auto [name, args, code] : {std::tuple("getdbfield", &none, 450), {"GETPASS", &four, 450},
                                  {"GetRecord", &none, 438}, {"", &none, 438}})
    EXPECT_EQ(qf.Call(name, *args, result), code) << name;
  EXPECT_FALSE(qf.LastCallFailed);
}
