// A saving or packing program killed at random moments: afterwards the database as
// it was before is always whole in ".Qfd" or in ".Bak", and a ".Qfd" that exists is
// always complete (the old database or the finished new one), never a torn file.
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "tests/cli/QfdFixture.h"
#include "tests/cli/Spawn.h"

using namespace clitest;

namespace {

constexpr int kRuns = 30;  // per kind of work

class QfdCrash : public QfdTest {
 protected:
  void SetUp() override {
    WriteFile(dir / "new.json", R"({"Fields": [{"Name": "Notes", "Length": 100}, {"Name": "City", "Length": 35},
                                               {"Name": "Name", "Length": 40}]})");
    db = Create(R"({"Fields": [{"Name": "Name", "Length": 40}, {"Name": "City", "Length": 30},
                               {"Name": "Notes", "Length": 120}]})");
    // 20,000 records of 191 bytes, every seventh marked: built directly in the file.
    std::string bytes = ReadFile(db + ".Qfd");
    const int count = 20000, length = 191;
    for (int n = 1; n <= count; ++n) {
      std::string rec(length, ' ');
      if (n % 7 == 0) rec[0] = '*';
      const std::string name = "Name " + std::to_string(n), city = "City " + std::to_string(n % 97);
      rec.replace(1, name.size(), name);
      rec.replace(41, city.size(), city);
      rec.replace(71, 120, std::string(120, static_cast<char>('a' + n % 26)));
      bytes += rec;
    }
    old = WithCount(bytes, count);
    WriteFile(db + ".Qfd", old);
  }

  // Puts the old database back, with an older backup beside it.
  void Restore() {
    for (const char* ext : {".Qfd", ".Bak", ".QfB"}) fs::remove(db + ext);
    WriteFile(db + ".Qfd", old);
    WriteFile(db + ".Bak", old.substr(0, kHead));
  }

  std::vector<std::string> Command(bool pack) {
    if (pack) return {ToolPath("qfd"), "pack", db, "--yes"};
    return {ToolPath("qfd"), "resave", db, "--from", dir / "new.json", "--recover", "yes", "--allow-loss"};
  }

  static std::string Contents(const std::string& path) { return fs::exists(path) ? ReadFile(path) : std::string(); }

  void KillAtRandomMoments(bool pack) {
    // The finished result, and how long the work takes undisturbed.
    Restore();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(Wait(Start(Command(pack))), 0);
    const auto took = std::chrono::steady_clock::now() - t0;
    const std::string finished = ReadFile(db + ".Qfd");
    ASSERT_NE(finished, old);
    ASSERT_EQ(ReadFile(db + ".Bak"), old);

    std::random_device rd;
    const unsigned seed = rd();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto span = std::chrono::duration_cast<std::chrono::microseconds>(took).count() * 12 / 10 + 1;
    std::uniform_int_distribution<long long> when(0, span);
    int interrupted = 0, oldInPlace = 0, newInPlace = 0;
    for (int run = 0; run < kRuns; ++run) {
      Restore();
      const pid_t pid = Start(Command(pack));
      std::this_thread::sleep_for(std::chrono::microseconds(when(rng)));
      kill(pid, SIGKILL);
      interrupted += Wait(pid) == -1;
      const std::string qfd = Contents(db + ".Qfd"), bak = Contents(db + ".Bak");
      EXPECT_TRUE(qfd == old || bak == old) << "run " << run << ": the previous database is lost";
      oldInPlace += qfd == old;
      newInPlace += qfd == finished;
      if (fs::exists(db + ".Qfd")) {
        EXPECT_TRUE(qfd == old || qfd == finished) << "run " << run << ": a torn " << db << ".Qfd";
      }
    }
    EXPECT_GT(interrupted, 0);  // the kills did land in the middle of the work
    std::printf("%d runs: %d killed, afterwards %d with the old and %d with the new database in place\n", kRuns,
                interrupted, oldInPlace, newInPlace);
  }

  std::string db, old;
};

}  // namespace

TEST_F(QfdCrash, KilledWhileSavingAHeader) { KillAtRandomMoments(false); }

TEST_F(QfdCrash, KilledWhilePacking) { KillAtRandomMoments(true); }
