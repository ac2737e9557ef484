// Every writing operation against a disk that fails: each operation is run once per
// file call it makes, the k-th call failing with ENOSPC, then with EIO. Afterwards
// the operation has reported the failure, the database and its history hold byte for
// byte what they held before (or, where the operation had already put its new file in
// place, the complete new version), the backup is whole, and no working file is left.
// Then each kind of call failing every time on the database, on its history, and on
// the file each operation writes beside it.

#include <deque>

#include "engine/transfer/CsvExport.h"
#include "engine/transfer/CsvImport.h"
#include "engine/transfer/Transfer.h"
#include "engine/store/DirectFile.h"
#include "engine/files/AppendLog.h"
#include "engine/files/FileIo.h"
#include "engine/HeaderLayout.h"
#include "engine/history/History.h"
#include "tests/support/StoreFixture.h"

using namespace storetest;

namespace {

using Files = std::map<std::string, std::optional<std::string>>;  // name -> bytes, or missing
const char* const kWatched[] = {"db.Qfd", "db.Bak", "db.Qfh", "out.csv", "db.Qfe"};

struct Operation {
  std::string name;
  std::function<void(const std::string& base)> prepare;  // after the database is made
  std::function<bool(const std::string& base)> run;      // true when it reports success
  int shortBy = 0;  // > 0: the count promises that many records more than the file holds
};

class IoFault : public StoreTest {
 protected:
  int runs = 0;
  int rawFd = -1;               // a second database, as the form script opens one
  modDB::FormHeader rawHeader;  // the header of the file behind rawFd

  // A folder of its own per run: db.Qfd with records 1 ... 3 (2 marked), db.Bak from
  // an earlier save, its history and an old out.csv, prepared for the operation;
  // returns its files as they are.
  Files Fresh(const Operation& op, std::string& base) {
    const std::string folder = "run" + std::to_string(++runs);
    fs::create_directory(dir / folder);
    base = MakeDb(folder + "/db", {{"A", 3}, {"B", 4}}, {{"a1", "b1"}, {"*a2", "b2"}, {"a3", "b3"}});
    Design({{"A", 3}, {"B", 4}});
    std::string name = base;
    host.replies = {modDB::vbYes};
    EXPECT_EQ(modDB::SaveHeader(name), 1) << host.Last();
    modDB::InitHeader();
    if (op.shortBy > 0) WriteFile(base + ".Qfd", qftest::WithI32(ReadFile(base + ".Qfd"), 0, 3 + op.shortBy));
    EXPECT_EQ(modDB::StartHistory(base), "");
    WriteFile(dir / (folder + "/out.csv"), "old export\r\n");
    host.replies.clear();
    op.prepare(base);
    host.Clear();
    return Snapshot(base);
  }

  Files Snapshot(const std::string& base) {
    Files files;
    const fs::path folder = fs::path(base).parent_path();
    for (const char* name : kWatched)
      files[name] = fs::exists(folder / name) ? std::optional(ReadFile((folder / name).string())) : std::nullopt;
    // The history as it reads (a change made whose mark could not be written counts
    // as made), without the times.
    if (files["db.Qfh"]) {
      std::vector<modDB::HistoryEntry> lines;
      std::vector<modDB::HistoryDamage> damage;
      std::string text = modDB::ReadHistory(base, lines, &damage);
      for (modDB::HistoryEntry& e : lines) {
        e.time.clear();
        text += modDB::HistoryLineText(e) + "\n";
      }
      files["db.Qfh"] = text + (damage.empty() ? "" : "damaged");
    }
    return files;
  }

  void Finish() {
    if (modDB::GetFileNumber() != 0) modDB::CloseDatabase();
    if (rawFd >= 0) modDB::CloseOtherDatabase(static_cast<int16_t>(rawFd));
    rawFd = -1;
    modDB::InitHeader();
  }

  // The verdict on a run with a failing call, its fault hook or Env cleared: "" when
  // it did its work, or failed, told of it and left the files whole: each the old or
  // the new version, nothing left behind, the database opening. The engine's
  // operations tell the user; the direct write returns the reason. An operation that
  // finished its work and then failed to read the record it shows (as the reopening
  // after a pack) has told of that read instead.
  std::string Verdict(const std::string& base, const Files& before, const Files& after, bool done) {
    const bool told = rawFd >= 0 ? !done : !host.boxes.empty();
    Finish();
    const Files now = Snapshot(base);
    std::string why, name = base;
    for (const char* file : kWatched)
      if (why.empty() && now.at(file) != before.at(file) && now.at(file) != after.at(file))
        why = std::string(file) + (now.at(file) ? " is neither the old nor the new version" : " is missing");
    for (const auto& entry : fs::directory_iterator(fs::path(base).parent_path()))
      if (const std::string n = entry.path().filename().string(); why.empty() && n != "db.Qfi" && !before.count(n))
        why = "left behind: " + n;
    if (why.empty() && modDB::OpenDatabase(name) != 1) why = "the database does not open: " + host.Last();
    if (modDB::GetFileNumber() != 0) modDB::CloseDatabase();
    if (done && why.empty() && now != after) why = "reported done without its result";
    if (!done && !told) why = "the failure was not reported" + (why.empty() ? "" : "; " + why);
    return why;
  }

  // Runs the operation once as it succeeds, counting its file calls; then once per
  // call, the k-th failing with ENOSPC, then with EIO; then with every call of one kind
  // on the database, its history, the CSV file written or read (or the exceptions
  // file) failing. Returns the number of calls; counts the runs that left damage.
  int Exercise(const Operation& op, modDB::detail::FaultEnv& env, int& corrupted) {
    using modDB::detail::IoCall;
    std::string base;
    Fresh(op, base);
    env.Clear();
    int calls = 0;
    modDB::detail::SetIoFaultHook([&](IoCall, int) { return ++calls, 0; });
    EXPECT_TRUE(op.run(base)) << op.name << ": " << host.Last();
    modDB::detail::SetIoFaultHook(nullptr);
    // The export and the import look at their CSV file through the Env too; a file a
    // library wrote reaches the disk through it.
    const bool csv = op.name.find("CSV") != std::string::npos || op.name == "ExportCsv";
    EXPECT_TRUE(!csv || env.Seen(IoCall::Stat, "out.csv") > 0) << op.name;
    const std::string part = "out.csv.part" + std::to_string(::getpid());
    EXPECT_TRUE(op.name.rfind("Export to", 0) != 0 || env.Seen(IoCall::Sync, part) > 0) << op.name;
    Finish();
    const Files after = Snapshot(base);
    // One run on a fresh database with `fail` done before it and `clear` after.
    auto failing = [&](const std::string& what, const std::function<void()>& fail, const std::function<void()>& clear) {
      const Files before = Fresh(op, base);
      fail();
      const bool done = op.run(base);
      clear();
      const std::string why = Verdict(base, before, after, done);
      if (!why.empty()) ++corrupted, ADD_FAILURE() << op.name << ", " << what << ": " << why;
    };
    for (const int err : {ENOSPC, EIO})
      for (int k = 1; k <= calls; ++k) {
        int seen = 0;
        failing("call " + std::to_string(k) + " of " + std::to_string(calls) + " failing with " + std::strerror(err),
                [&] { modDB::detail::SetIoFaultHook([&](IoCall, int) { return ++seen == k ? err : 0; }); },
                [] { modDB::detail::SetIoFaultHook(nullptr); });
      }
    for (const std::string file : {"db.Qfd", "db.Qfh", "out.csv", "db.Qfe"})
      for (int kind = 0; kind <= static_cast<int>(IoCall::Close); ++kind)
        if (file != "db.Qfe" || op.name.find("exceptions") != std::string::npos)
          failing("every " + std::string(modDB::detail::IoCallName(static_cast<IoCall>(kind))) + " of " + file +
                      " failing",
                  [&] { env.Fail({static_cast<IoCall>(kind), file, 0, EIO}); }, [&] { env.Clear(); });
    return calls;
  }
};

}  // namespace

TEST_F(IoFault, EveryWritingOperationSurvivesEachFailingCall) {
  auto open = [this](const std::string& base) { Open(base); };
  auto outCsv = [](const std::string& base) { return (fs::path(base).parent_path() / "out.csv").string(); };
  // Record `recordNo` (0: a new one) with "zz"/"new" typed in, ready to be written or added.
  auto typed = [&](int32_t recordNo) {
    return [&, recordNo](const std::string& base) {
      open(base);
      if (recordNo == 0) modDB::ClearRecord(), modDB::WriteField(2, "new");
      else modDB::SetRecordNo(recordNo), modDB::WriteField(1, "zz");
    };
  };
  // The database open and `csv` in out.csv, to be imported.
  auto csvToImport = [&](const std::string& csv) {
    return [&, csv](const std::string& base) { open(base), WriteFile(outCsv(base), csv); };
  };
  auto importCsv = [&](const std::string& base) {
    modDB::CsvImport plan;
    return modDB::ReadCsvImport(outCsv(base), {}, plan) == 1 && modDB::WriteCsvImport(plan, false) == 1;
  };
  const std::vector<bool> all(modDB::kMaxFields + 1, true);
  // The export through a library into out.csv; a workbook bears the time it was made,
  // so only its first bytes (a zip's) stand for it.
  auto exportTo = [&](modDB::ExportFormat format) {
    return [&, format](const std::string& base) {
      const bool done = modDB::ExportTo(outCsv(base), format, all) == 1;
      if (done && format == modDB::ExportFormat::Xlsx) WriteFile(outCsv(base), ReadFile(outCsv(base)).substr(0, 2));
      return done;
    };
  };
  const std::string smallCsv = "B,A\r\nn1,x\r\n\"n,2\",yy\r\n";
  std::string largeCsv = "B,A\r\n";  // 1.5 MB: read in several pieces, a read failing while rows are checked
  while (largeCsv.size() < (size_t{3} << 19))
    largeCsv += "n" + std::to_string(largeCsv.size() % 997) + ",x" + std::string(300, ' ') + "\r\n";
  auto save = [](std::string base) { return modDB::SaveHeader(base) == 1; };
  auto succeeds = [](int16_t (*call)()) { return [call](const std::string&) { return call() == 1; }; };
  // The database opened as a second one, as the form script does, and field 2 of
  // record n written there.
  auto openOther = [this](const std::string& base) {
    std::string why;
    rawFd = modDB::OpenOtherDatabase(base + ".Qfd", why);
    modDB::ReadHeaderDirect(static_cast<int16_t>(rawFd), rawHeader);
  };
  auto writeDirect = [this](int32_t n) {
    return [this, n](const std::string&) { return modDB::WriteFieldDirect(rawFd, rawHeader, n, 2, "zz").empty(); };
  };
  auto exportCsv = [&](const std::string& base) { return modDB::ExportCsv(outCsv(base), all) == 1; };
  auto setDesign = [this](const std::vector<std::pair<std::string, int>>& fields, std::deque<int> replies) {
    return [=, this](const std::string&) { Design(fields), host.replies = replies; };
  };
  auto appendExceptions = [](const std::string& base) {
    modDB::detail::CompanionGroup g;
    g.lines = "2026-12-07T10:00:01Z,\"a, b\"\n", g.marks = false, g.sync = true;
    const std::string why = modDB::detail::AppendCompanion(base + ".Qfd", base + ".Qfe", g);
    if (!why.empty()) modDB::GetHost().MsgBox(why, 0, "ACCEPT");
    return why.empty();
  };
  const std::vector<Operation> ops = {
      {"SaveHeader with recovery", setDesign({{"B", 4}, {"A", 5}}, {modDB::vbYes}), save},
      {"SaveHeader without recovery", setDesign({{"C", 6}}, {modDB::vbNo, modDB::vbYes}), save},
      {"PackRecords", [&](const std::string& base) { open(base), host.replies = {modDB::vbYes}; },
       succeeds(modDB::PackRecords)},
      {"WriteRecord", typed(3), succeeds(modDB::WriteRecord)},
      {"WriteRecord beyond the end", typed(5), succeeds(modDB::WriteRecord), 2},
      {"AddRecord", typed(0), succeeds(modDB::AddRecord)},
      {"AddRecord to a short file", typed(0), succeeds(modDB::AddRecord), 2},
      {"DeleteRecord", open, succeeds(modDB::DeleteRecord)},
      {"ExportCsv", open, exportCsv},
      {"Export to xlsx", open, exportTo(modDB::ExportFormat::Xlsx)},
      {"Export to sqlite", open, exportTo(modDB::ExportFormat::Sqlite)},
      {"Import of a CSV file", csvToImport(smallCsv), importCsv},
      {"Import of a CSV file of several pieces", csvToImport(largeCsv), importCsv},
      {"Import of a CSV file into a short file", csvToImport(smallCsv), importCsv, 2},
      {"SetDBField (the direct field write)", openOther, writeDirect(3)},
      {"SetDBField beyond the end", openOther, writeDirect(5), 2},
      {"Append to the exceptions file (no marks)",
       [](const std::string& base) { WriteFile(base + ".Qfe", "Time,Note\n2026-12-07T10:00:00Z,cut"); },
       appendExceptions},
  };
  modDB::detail::FaultEnv env;
  modDB::detail::SetEnv(&env);
  int corrupted = 0, points = 0;
  std::printf("[ fault points ] each failing with ENOSPC, then EIO\n");
  for (const Operation& op : ops) {
    const int calls = Exercise(op, env, corrupted);
    points += calls;
    std::printf("[ fault points ] %-38s %3d\n", op.name.c_str(), calls);
    EXPECT_GT(calls, 0) << op.name;
  }
  modDB::detail::SetEnv(nullptr);
  std::printf("[ fault points ] %d points, %d runs, %d left damage\n", points, runs, corrupted);
  EXPECT_EQ(corrupted, 0);
}
