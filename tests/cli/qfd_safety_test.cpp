// qfd with hostile input: files that are not databases, values the entry window could
// never produce, damaged headers and definitions. Every case is refused with a
// message that says why, nothing hangs, and no file is changed.

#include "tests/cli/QfdFixture.h"

using namespace clitest;

namespace {

// Up 6 "AU" at 1, Num 4 "N" at 7, Low 5 "AL" at 11, No "#" at 16, Any 6 at 21,
// Name 12 "ASF" at 27: record length 39.
const char* kDefinition = R"({"Fields": [
  {"Name": "Up", "Length": 6, "Format": "AU"},
  {"Name": "Num", "Length": 4, "Format": "N"},
  {"Name": "Low", "Length": 5, "Format": "AL"},
  {"Name": "No", "Format": "#"},
  {"Name": "Any", "Length": 6},
  {"Name": "Name", "Length": 12, "Format": "ASF"}]})";
constexpr size_t kLength = 39;

class QfdSafety : public QfdTest {
 protected:
  std::string Rec(const std::string& db, int n) { return RecordAt(ReadFile(db + ".Qfd"), n, kLength); }
  // qfd's exit status; -1 when it was still running after five seconds (timeout's KILL
  // then ends timeout as well).
  int QfdWithin5s(const std::vector<std::string>& args) {
    std::vector<std::string> argv{"/usr/bin/timeout", "-s", "KILL", "5", ToolPath("qfd")};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv).status;
  }
};

}  // namespace

TEST_F(QfdSafety, AFifoIsRefusedAtOnce) {
  const std::string path = dir / "X";
  ASSERT_EQ(::mkfifo((path + ".Qfd").c_str(), 0600), 0);
  WriteFile(dir / "def.json", kDefinition);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"info", path}, {"check", path},
                                                {"dump", "--json", path}, {"get", path, "1"},
                                                {"resave", path, "--from", dir / "def.json", "--recover", "no"}})
    EXPECT_EQ(QfdWithin5s(args), 1) << args[0];
  fs::create_directory(dir / "F.Qfd");
  const RunResult r = QfdEnds({"info", dir / "F"}, 1);  // a folder
  EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
}

TEST_F(QfdSafety, ValuesFollowTheFieldFormats) {
  const std::string db = Create(kDefinition);
  RunResult r = QfdOk({"add", db, "Up=rome", "Num=12", "Low=XyZ", "Any=~ok\xC3\xA9", "Name=ann van dyke"});
  EXPECT_EQ(Rec(db, 1), " ROME  12  xyz   1   ~ok\xE9  Ann Van Dyke");
  const std::string before = ReadFile(db + ".Qfd");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"set", db, "1", "Num=12a"}, "qfd: the value for \"Num\" holds \"a\", which its format N does not allow\n"},
      {{"add", db, "No=7"}, "qfd: \"No\" is numbered by the store; it takes no value\n"},
      {{"set", db, "1", "No=text"}, "qfd: \"No\" is numbered by the store; it takes no value\n"},
  };
  for (const auto& [args, message] : cases) QfdFails(args, message);
  EXPECT_EQ(ReadFile(db + ".Qfd"), before);
  // Bytes that are no UTF-8 become question marks.
  r = QfdOk({"add", db, std::string("Any=a\xC0\x80" "b\xED\xA0\x80" "c\xFF")});
  EXPECT_EQ(Rec(db, 2).substr(21, 6), "a?b?c?");
}

TEST_F(QfdSafety, GetAndInfoEscapeControlCharactersAndListWhatTheyCan) {
  const std::string db = Create(kDefinition);
  ASSERT_EQ(Qfd({"add", db, "Any=x"}).status, 0);
  std::string bytes = ReadFile(db + ".Qfd");
  bytes.replace(kHead + 21, 6, std::string("a\x1B[2Jb", 6));   // an escape sequence
  bytes.replace(kHead + 27, 5, std::string("p\0q\x07r", 5));  // a zero byte and a bell
  WriteFile(db + ".Qfd", bytes);
  RunResult r = QfdOk({"get", db, "1"});
  EXPECT_NE(r.out.find("Any: a\\x1B[2Jb\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Name: p\\x00q\\x07r\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1B'), std::string::npos);

  // A banner caption with an escape sequence, through info.
  bytes[72] = 1;  // banner 1 on page 1; its caption at 72 + 5
  bytes.replace(72 + 5, 4, "\x1B]0;");
  WriteFile(db + ".Qfd", bytes);
  r = QfdOk({"info", db});
  EXPECT_NE(r.out.find("\\x1B]0;"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\x1B'), std::string::npos);

  // On a damaged file info lists what it can, then the damage: field 2's length (i16
  // at 9 inside its slot) becomes 30000.
  WriteFile(db + ".Qfd", WithI16(bytes, 12360 + 53 + 9, 30000));
  r = QfdFails({"info", db}, "qfd: " + db + ".Qfd: field 2 has length 30000, outside 1 ... 8192\n");
  EXPECT_NE(r.out.find("30000"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Name"), std::string::npos) << r.out;
}

TEST_F(QfdSafety, DefinitionsAreNeverCutWithoutAWord) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"Fields":[{"Name":"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefg","Length":3}]})",
       "qfd: definition.Fields[1].Name: the text has 33 characters; at most 32 fit\n"},
      {R"({"Fields":[{"Name":"A","Format":"ABCDEFGHD"}]})",
       "qfd: definition.Fields[1].Format: the text has 9 characters; at most 8 fit\n"},
      {R"({"Fields":[5]})", "qfd: definition.Fields[1]: an object is expected\n"},
      {R"({"Fields":[{"Name":"A","Length":"three"}]})",
       "qfd: definition.Fields[1].Length: a whole number is expected\n"},
      {R"({"Fields":[{"Name":"A","Length":3},{"Name":"A","Length":4}]})", "ADD FIELD: Duplicate field name!\n"},
      {R"({"Props":{"BackColor":"white"}})", "qfd: definition.Props.BackColor: a colour is \"#RRGGBB\" or a number\n"},
      {R"({"Fields":[{"Name":"A","Length":3}],"Props":{"BackColor":"#1234-5"}})",
       "qfd: definition.Props.BackColor: a colour is \"#RRGGBB\" or a number\n"},
      {R"({"Fields":[{"Name":"A","Length":3}],"Banners":[{"Caption":"x","Font":{"ForeColor":"# 12345"}}]})",
       "qfd: definition.Banners[1].Font.ForeColor: a colour is \"#RRGGBB\" or a number\n"},
      {R"({"Fields":[{"Name":"A","Length":3}],"PageHeadings":["ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefg"]})",
       "qfd: definition.PageHeadings[1]: the text has 33 characters; at most 32 fit\n"},
  };
  int i = 0;
  for (const auto& [json, message] : cases) {
    const std::string def = dir / ("d" + std::to_string(++i) + ".json");
    WriteFile(def, json);
    QfdFails({"create", "--from", def, dir / ("o" + std::to_string(i))}, message);
    EXPECT_FALSE(fs::exists(dir / ("o" + std::to_string(i) + ".Qfd"))) << json;
  }
  EXPECT_EQ(QfdWithin5s({"create", "--from", "/dev/zero", dir / "z"}), 1);
  WriteFile(dir / "big.json", "{\"Script\":\"" + std::string(1100000, 'x') + "\"}");
  QfdFails({"create", "--from", dir / "big.json", dir / "big"},
           "qfd: " + dir / "big.json" + " is larger than 1 MB; a definition is far smaller\n");
  EXPECT_FALSE(fs::exists(dir / "z.Qfd"));
}

TEST_F(QfdSafety, NumbersAboveNineThousandNineHundredAndNinetyNineKeepAllTheirDigits) {
  const std::string db = Create(kDefinition);
  std::string bytes = ReadFile(db + ".Qfd");
  bytes = WithCount(bytes, 9999) + std::string(9999 * kLength, ' ');
  bytes.replace(bytes.size() - kLength + 16, 5, " 9999");  // the highest number so far
  WriteFile(db + ".Qfd", bytes);
  RunResult r = QfdOk({"add", db, "Any=last"});
  EXPECT_EQ(r.out, "10000\n");
  EXPECT_EQ(Rec(db, 10000).substr(16, 5), "10000");
  r = Qfd({"get", db, "10000", "--json"});
  EXPECT_NE(r.out.find("\"No\": \"10000\""), std::string::npos) << r.out;
}

TEST_F(QfdSafety, HelpAndVersionGoToStandardOutput) {
  const RunResult r = QfdEnds({"--help"}, 0, "");
  EXPECT_NE(r.out.find("usage: qfd info FILE"), std::string::npos);
  EXPECT_NE(r.out.find("form script does not run"), std::string::npos) << r.out;
  EXPECT_EQ(QfdOk({"--version"}).out.rfind("qfd ", 0), 0u);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"nonsense"}, {}, {"dump", "x"}})
    EXPECT_EQ(QfdEnds(args, 2).out, "");
}

// No export writes over the database or a companion of it, named directly or through
// a link (the engine's tests hold the other companions): it says so, exits 1, and the
// file keeps its bytes.
TEST_F(QfdSafety, AnExportNeverWritesOverTheDatabaseOrItsCompanions) {
  const std::string db = Create(kDefinition);
  WriteFile(db + ".QfB", "a working file left behind");
  fs::create_symlink(db + ".QfB", dir / "to.csv");
  for (const std::string& target : {db + ".QfB", dir / "to.csv"})
    QfdFails({"export", db, target},
             "EXPORT: FILE:" + target + " is a form database or its backup; it is not written over\n");
  EXPECT_EQ(ReadFile(db + ".QfB"), "a working file left behind");
}
