// A form designed in QfLayout opens in QfEntry and takes a record; back in QfLayout a
// field is renamed and another moved in the tab order, and the save carries the
// record over by field name once the loss it tells of is allowed. The two programs
// share one engine inside this test, so each works in turn, as two programs on one
// file would.

#include "designer/frmBanner.h"
#include "designer/frmTabOrder.h"
#include "entry/frmEdit.h"
#include "tests/designer/DesignerFixture.h"

using namespace qfdesign;

TEST_F(DesignerTest, DesignEnterRedesignKeepsTheValues) {
  // Design: three fields and a banner, saved as Trip.
  AddField("NAME", 120, 40, 20, "*");
  AddField("CITY", 120, 70, 15, "*");
  AddField("PHONE", 120, 100, 12, "*");
  Through<frmBanner>(window->mnuBannerAdd, [&](frmBanner* d) { Click(d->BtnUpdate); });
  SaveAs("Trip");
  ASSERT_EQ(window->windowTitle(), "Trip");
  window->close();
  ASSERT_FALSE(window->isVisible());

  // Entry: the form opens and takes one record, typed key by key.
  {
    frmEdit entry;
    entry.show();
    QApplication::setActiveWindow(&entry);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&entry));
    ASSERT_TRUE(entry.StartUp(dir / "Trip.Qfd"));
    EXPECT_EQ(entry.Banner[1]->text(), "BANNER1");
    EXPECT_EQ(entry.Dummy[2]->geometry().topLeft(), QPoint(120, 70));  // browse mode: captions
    entry.mnuNewRecord->trigger();
    const char* values[] = {"", "Ann Baker", "Rome", "555 0101"};
    for (int i = 1; i <= 3; ++i) {
      entry.Field[i]->setFocus();
      QTest::keyClicks(entry.Field[i], values[i]);
    }
    entry.mnuUpdateRecord->trigger();
    EXPECT_TRUE(host.boxes.empty()) << host.Last();
    entry.close();
  }
  const auto before = Record("Trip", 1)["Fields"];
  EXPECT_EQ(before, (nlohmann::json{{"NAME", "Ann Baker"}, {"CITY", "Rome"}, {"PHONE", "555 0101"}}));
  host.Clear();

  // Back in the designer: load, rename CITY, move PHONE to the front, save.
  window->show();
  Load("Trip");
  ASSERT_EQ(host.boxes.size(), 1u);
  EXPECT_EQ(host.boxes[0].title, "Information");
  host.Clear();
  // The fixture fails the test when a dialog driven here is never shown.
  qfgui::OnShown<frmField>([&](frmField* d) {
    EXPECT_EQ(d->NAM->text(), "CITY");
    Fill(d->NAM, "TOWN");
    Click(d->BtnUpdate);
  });
  QTest::mouseClick(window->Field[2]->viewport(), Qt::RightButton, {}, QPoint(3, 3));
  qfgui::OnShown<frmTabOrder>([&](frmTabOrder* d) {
    qfgui::ClickItem(d->Lst, 2);
    Click(d->cmdUp);
    Click(d->cmdUp);
    Click(d->cmdOK);
  });
  Click(window->cTBarBtn[5]);
  // The loss is asked about after the recovery; its default No saves nothing and the
  // design stays modified.
  host.replies = {modDB::vbYes};
  Click(window->cTBarBtn[1]);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(std::tuple(host.boxes[0].text, host.boxes[0].style),
            std::tuple("File contains records!\r\nRecover data?", int(modDB::vbYesNo)));
  EXPECT_EQ(host.Last(), "Recover Data: Recovering the records loses values:\r\nCITY: 1 values dropped (no field "
                         "has its name)\r\nSave anyway?");
  EXPECT_TRUE(window->Modified);
  EXPECT_EQ(Dump("Trip")["Fields"][0]["Name"], "NAME");
  host.Clear();
  host.replies = {modDB::vbYes, modDB::vbYes};
  Click(window->cTBarBtn[1]);
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_FALSE(window->Modified);

  const auto j = Dump("Trip");
  ASSERT_EQ(j["Fields"].size(), 3u);
  qftest::ExpectJson(j, {{"/RecordCount", 1}, {"/Fields/0/Name", "PHONE"}, {"/Fields/1/Name", "NAME"},
                         {"/Fields/2/Name", "TOWN"}, {"/Fields/2/Y", 70}});
  // Kept fields keep their values; the renamed one starts blank.
  EXPECT_EQ(Record("Trip", 1)["Fields"], (nlohmann::json{{"PHONE", "555 0101"}, {"NAME", "Ann Baker"}, {"TOWN", ""}}));
  // The previous file stays as the backup; not recovering is the definition store's test.
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "Trip.Bak"));
}
