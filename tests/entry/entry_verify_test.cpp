// Double entry in the entry window: a second clerk keys 1,000 records again through
// the window over a first keying with 1% of its fields wrong, and the verification
// finds every wrong value and nothing else; the statistics match counts made by
// hand; a verifying program killed half way goes on at the same field.

#include "engine/history/Format.h"
#include "engine/history/History.h"
#include "entry/frmCompare.h"
#include "tests/cli/Spawn.h"
#include "tests/entry/EntryFixture.h"
#include "verify/Statistics.h"
#include "verify/Verification.h"

namespace {

using qfentry::EntryTest;

class EntryVerify : public EntryTest {
 protected:
  // Name and Town keyed; No numbered and Sum computed, never keyed again.
  const std::vector<qfentry::FieldShape> form{{"No", 6, 1, "#"}, {"Name", 12, 1, "AN"}, {"Sum", 6, 1, "="},
                                             {"Town", 12, 1, "AN"}};
  static std::string Truth(int32_t r, int slot) {
    return (slot == 2 ? "name" : "town") + std::to_string(slot == 2 ? r : r % 37);
  }
  static bool Wrong(int32_t r, int slot) { return (r * 7 + slot) % 100 == 13; }  // 1% of the keyed fields

  // The database with the first keying, made by "keyer" as the history tells.
  std::string MakeFirstKeying(int32_t count) {
    const std::string path = MakeDatabase(form);
    const std::string base = path.substr(0, path.size() - 4);
    EXPECT_EQ(qfverify::StartVerification(base), "");
    OpenInEngine();
    for (int32_t r = 1; r <= count; ++r) {
      modDB::ClearRecord();
      for (int slot : {2, 4}) modDB::WriteField(static_cast<int16_t>(slot), Wrong(r, slot) ? "wrong" : Truth(r, slot));
      EXPECT_EQ(modDB::AddRecord(), 1) << host.Last();
    }
    modDB::CloseDatabase();
    std::string history = qftest::ReadFile(base + ".Qfh");
    const std::string me = "," + modDB::history::UserName() + ",";
    for (size_t at; (at = history.find(me)) != std::string::npos;) history.replace(at, me.size(), ",keyer,");
    qftest::WriteFile(base + ".Qfh", history);
    return base;
  }

  // Keys the field in hand and ends it with Enter; counts the keys.
  void Key(const std::string& value) {
    FieldBox* box = window->Field[window->Verify.CurrentSlot()];
    QTest::keyClicks(box, QString::fromStdString(value));
    QTest::keyClick(box, Qt::Key_Return);
    keys += static_cast<int64_t>(value.size()) + 1;
  }
  int64_t keys = 0;
};

// Another program wrote the field while it was keyed again: its value is not written
// over; the clerk is told and keys the field against the value the file holds now.
TEST_F(EntryVerify, AFieldAnotherProgramChangedIsNotWrittenOver) {
  const std::string base = MakeFirstKeying(2);
  Open(base + ".Qfd");
  window->mnuVerify->trigger();
  ASSERT_EQ(std::pair(window->Verify.Record(), window->Verify.CurrentSlot()), std::pair(1, 2));
  const size_t at = qftest::kHead + static_cast<size_t>(modDB::GetHeader().Fields[2].Offset);
  qftest::PatchFile(base + ".Qfd", at, "other");
  Key("mine");
  Key("mine");
  EXPECT_EQ(std::tuple(host.Last(), window->Verify.CurrentSlot()),
            std::tuple("VERIFY: FILE:" + base + ".Qfd record 1 field Name was changed in another program since it "
                                                "was read. Nothing was written.",
                       2));
  Key("other");
  EXPECT_EQ(std::tuple(window->Verify.CurrentSlot(), qftest::ReadFile(base + ".Qfd").substr(at, 6)),
            std::tuple(4, "other "));
}

TEST_F(EntryVerify, FindsEveryWrongValueAndNothingElse) {
  constexpr int32_t kCount = 1000;
  const std::string base = MakeFirstKeying(kCount);
  Open(base + ".Qfd");
  window->mnuVerify->trigger();
  std::set<std::pair<int32_t, std::string>> wrong, mistyped;
  int fields = 0;
  while (window->Verify.Active()) {
    const int32_t r = window->Verify.Record();
    const int slot = window->Verify.CurrentSlot();
    ASSERT_TRUE(slot == 2 || slot == 4);
    ASSERT_EQ(window->Field[slot]->Text(), "");  // the first keying is not on screen
    const std::string name = slot == 2 ? "Name" : "Town";
    if (Wrong(r, slot)) {
      wrong.insert({r, name});
      Key(Truth(r, slot));
      if (wrong.size() == 1) {
        EXPECT_EQ(window->Field[slot]->accessibleDescription(), "Name: not as first keyed. Key it again.");
        EXPECT_EQ(window->Verify.CurrentSlot(), slot);
      }
      Key(Truth(r, slot));  // the same twice: taken
    } else if (++fields % 250 == 0) {
      mistyped.insert({r, name});
      Key("typo");
      Key(Truth(r, slot));
    } else {
      Key(Truth(r, slot));
    }
  }
  EXPECT_EQ(std::tuple(wrong.size(), host.Last()),
            std::tuple(20u, "VERIFY: No record is waiting for you to verify.\r\n" + std::to_string(kCount) +
                                " verified, 0 not yet verified, 0 changed since verification"));

  // The verification file names exactly the wrong fields, and the verifier's typos.
  std::vector<qfverify::FieldLine> lines;
  ASSERT_EQ(qfverify::ReadFieldLines(base, lines), "");
  EXPECT_EQ(lines.size(), 2u * kCount);
  std::set<std::pair<int32_t, std::string>> found, typos;
  for (const auto& l : lines) {
    if (l.error == "first keyer") found.insert({std::atoi(l.record.c_str()), l.field});
    if (l.error == "verifier") typos.insert({std::atoi(l.record.c_str()), l.field});
    EXPECT_EQ(l.keyer, "keyer");
  }
  EXPECT_EQ(std::tuple(found, typos), std::tuple(wrong, mistyped));
  // The corrections are in the file and in the history with both values.
  for (int32_t r = 1; r <= kCount; ++r) {
    modDB::SetRecordNo(r);
    modDB::ReadRecord();
    for (int slot : {2, 4}) {
      std::string v;
      modDB::ReadField(static_cast<int16_t>(slot), v);
      ASSERT_EQ(v, Truth(r, slot)) << r;
    }
  }
  std::vector<modDB::HistoryEntry> all;
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  int corrections = 0;
  for (const auto& e : all)
    if (e.operation == "edit") corrections += e.before == "wrong" && e.user == modDB::history::UserName();
  EXPECT_EQ(corrections, 20);

  // The session's statistics against the counts kept here.
  window->mnuClose->trigger();
  std::vector<qfverify::StatRow> rows;
  ASSERT_EQ(qfverify::ReadStatistics(base, rows), "");
  ASSERT_EQ(rows.size(), 3u);  // the session; the clerks "keyer" and this one
  const qfverify::Session& s = rows[0].s;
  EXPECT_EQ(std::tuple(s.verified, s.corrected, s.verifierErrors, s.keystrokes, s.added + s.edited),
            std::tuple(kCount, 20, static_cast<int64_t>(mistyped.size()), keys, 0));
  EXPECT_EQ(std::tuple(rows[1].s.user, rows[1].keyerErrors), std::tuple("keyer", 20));
}

// The child of the test below: keys two records and one field of the third, then
// ends as a killed program does.
TEST_F(EntryVerify, ChildKilledHalfWay) {
  const char* base = std::getenv("QF_VERIFY_CHILD");
  if (!base) GTEST_SKIP() << "run by KilledHalfWayGoesOnAtTheSameField";
  Open(std::string(base) + ".Qfd");
  window->mnuVerify->trigger();
  for (int k = 0; k < 5; ++k) Key(Truth(window->Verify.Record(), window->Verify.CurrentSlot()));
  ::raise(SIGKILL);
}

TEST_F(EntryVerify, KilledHalfWayGoesOnAtTheSameField) {
  const std::string base = MakeFirstKeying(5);
  for (int32_t r = 1; r <= 5; ++r) ASSERT_FALSE(Wrong(r, 2) || Wrong(r, 4));
  // Record 6 is this clerk's own keying: never theirs to verify.
  OpenInEngine();
  modDB::ClearRecord();
  modDB::WriteField(2, "mine");
  ASSERT_EQ(modDB::AddRecord(), 1);
  modDB::CloseDatabase();

  ::setenv("QF_VERIFY_CHILD", base.c_str(), 1);
  const pid_t child = clitest::Start({"/proc/self/exe", "--gtest_filter=EntryVerify.ChildKilledHalfWay"});
  ::unsetenv("QF_VERIFY_CHILD");
  EXPECT_EQ(clitest::Wait(child), -1);  // killed

  Open(base + ".Qfd");
  window->mnuVerify->trigger();
  ASSERT_TRUE(window->Verify.Active());
  // Name taken before the kill.
  EXPECT_EQ(std::tuple(window->Verify.Record(), window->Verify.CurrentSlot(), window->Field[2]->Text(),
                       window->Field[2]->isReadOnly(), window->Field[4]->Text()),
            std::tuple(3, 4, "name3", true, ""));
  EXPECT_EQ(window->Verify.Status(), "Verify record 3: 2 verified, 4 not yet verified, 0 changed since verification");
  for (int k = 0; k < 5; ++k) Key(Truth(window->Verify.Record(), window->Verify.CurrentSlot()));
  EXPECT_FALSE(window->Verify.Active());  // record 6 is left to someone else
  qfverify::Progress p;
  ASSERT_EQ(qfverify::ReadProgress(base, p), "");
  EXPECT_EQ(p.Text(), "5 verified, 1 not yet verified, 0 changed since verification");
  // A record changed after its verification is verified no more.
  window->mnuCancelUpdate->trigger();
  modDB::SetRecordNo(1);
  modDB::ReadRecord();
  modDB::WriteField(4, "elsewhere");
  ASSERT_EQ(modDB::WriteRecord(), 1);
  ASSERT_EQ(qfverify::ReadProgress(base, p), "");
  EXPECT_EQ(p.Text(), "4 verified, 1 not yet verified, 1 changed since verification");
}

// File > Compare With...: B's value taken into A through the store, with history.
TEST_F(EntryVerify, CompareTakesBsValueThroughTheStore) {
  const std::string a = MakeDatabase(form, {{"", "ann", "", "rome"}, {"", "bob", "", "oslo"}});
  const std::string base = a.substr(0, a.size() - 4);
  ASSERT_EQ(modDB::StartHistory(base), "");
  std::filesystem::copy_file(a, dir / "B.Qfd");
  qftest::QfdOk({"set", dir / "B", "2", "Town=bergen"});
  Open(a);
  int32_t shown = 0;
  frmCompare compare(window, base, dir / "B", [&](int32_t n) { shown = n; });
  compare.cboKey->setCurrentText("Name");
  compare.cmdCompare->click();
  ASSERT_EQ(compare.lstDiffs->topLevelItemCount(), 1);
  EXPECT_EQ(compare.lstDiffs->topLevelItem(0)->text(3), "bergen");
  compare.cmdTake->click();
  EXPECT_EQ(std::tuple(shown, compare.lstDiffs->topLevelItemCount(), Stored(2)["Fields"]["Town"]),
            std::tuple(2, 0, "bergen"));
  std::vector<modDB::HistoryEntry> all;
  ASSERT_EQ(modDB::ReadHistory(base, all), "");
  ASSERT_FALSE(all.empty());
  EXPECT_EQ(all.back().field + ":" + all.back().before + ">" + all.back().after, "Town:oslo>bergen");
}

}  // namespace
