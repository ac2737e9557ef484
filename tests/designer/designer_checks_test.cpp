// The designer's checks: a field's Checks page and the form's Checks window refuse
// a rule that cannot apply, and Save keeps the rules beside the database, where Load
// finds them again.

#include "checks/Rules.h"
#include "designer/frmChecks.h"
#include "tests/designer/DesignerFixture.h"

using namespace qfdesign;

TEST_F(DesignerTest, ChecksAreTriedOnTheFormAndSavedBesideIt) {
  AddField("ADMIT", 10, 40, 10, "D");
  AddField("DISCH", 10, 70, 10, "D");
  Through<frmField>(window->mnuFieldAdd, [&](frmField* d) {
    Fill(d->NAM, "AGE");
    Fill(d->Y, "100");
    Fill(d->L, "3");
    Fill(d->FMT, "N");
    Fill(d->txtMin, "0");
    Fill(d->txtMax, "old");
    Click(d->BtnUpdate);
    EXPECT_EQ(host.Last(), "CHECKS: AGE.Range: the maximum \"old\" is no number");
    EXPECT_EQ(d->tabField->currentIndex(), 1);
    ASSERT_TRUE(d->isVisible());
    Fill(d->txtMax, "120");
    d->txtLegal->setPlainText("1 = one\n2\n");
    Fill(d->txtRequiredIf, "ADMIT > #01/01/2020#");
    Click(d->chkHard);
    Click(d->BtnUpdate);
    EXPECT_FALSE(d->isVisible()) << host.Last();
  });
  Through<frmChecks>(window->mnuChecks, [&](frmChecks* d) {
    Click(d->cmdAdd);
    d->lstChecks->item(0, 1)->setText("DISCH >= ADMITTED");
    d->lstChecks->item(0, 2)->setText("Discharge before admission");
    Click(d->cmdOK);
    EXPECT_EQ(host.Last(), "CHECKS: Check1: Variable is undefined: 'ADMITTED'");
    ASSERT_TRUE(d->isVisible());
    d->lstChecks->item(0, 1)->setText("DISCH >= ADMIT");
    Click(d->cmdOK);
    EXPECT_FALSE(d->isVisible()) << host.Last();
  });
  SaveAs("Ward");
  const qfchecks::Rules saved = qfchecks::Current();
  EXPECT_EQ(nlohmann::json::parse(qftest::ReadFile(dir / "Ward.Qfc")),
            nlohmann::json::parse(R"({"Fields": [{"Name": "AGE", "Min": 0, "Max": 120, "Hard": true,
               "Legal": [{"Code": "1", "Label": "one"}, {"Code": "2", "Label": "2"}],
               "RequiredIf": "ADMIT > #01/01/2020#"}],
              "Checks": [{"Rule": "DISCH >= ADMIT", "Message": "Discharge before admission", "Hard": false}]})"));
  Press(window->mnuFileNew);
  EXPECT_TRUE(qfchecks::Current().Empty());
  Load("Ward");
  EXPECT_EQ(qfchecks::Current(), saved);
}
