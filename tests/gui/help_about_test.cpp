// The help viewer over its file format, and the about box.

#include "common/frmAbout.h"
#include "common/frmHelp.h"
#include "tests/support/GuiSupport.h"

using namespace qfgui;
namespace fs = std::filesystem;

namespace {
std::string CrLf(std::initializer_list<const char*> lines) {
  std::string out;
  for (const char* l : lines) out += std::string(l) + "\r\n";
  return out;
}
}  // namespace

class HelpViewer : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    Platform::SetProgramFolder(tmp.path().string());
    modDlg::HelpFileName = "QfTest.Txt";
    qftest::WriteFile(tmp / "QfTest.Txt",
                      CrLf({"lines before the first heading are never shown", "#Contents", "Welcome.",
                            "#Field#Formats", "Flags:", "  A  letters", "#Real Blanks", "not reachable",
                            "#Add#Field", "#Add#Banner", "Banners are captions.", "", "#Last#Topic", "one", "two"}));
  }
  struct Seen {
    QStringList toc;
    QString heading, text, caption;
  };
  Seen Open(const std::string& topic, std::function<void(frmHelp*)> more = {}) {
    Seen seen;
    OnShown<frmHelp>([&](frmHelp* w) {
      seen.toc = ListTexts(w->TOC);
      seen.heading = w->Heading->text();
      seen.text = w->Help->toPlainText();
      seen.caption = w->windowTitle();
      if (more) more(w);
    });
    modDlg::ShowHelp(topic);
    return seen;
  }
  qftest::TempDir tmp;
};

// Topic asked -> heading and text shown: in any case, blanks around; an unknown or
// empty topic gives the first; the last runs to the end of the file; two headings in
// a row give no text; a heading written with real blanks is listed but has no text.
TEST_F(HelpViewer, ListsHeadingsFindsTheTopicAskedOrClickedAndReportsAMissingFile) {
  const Seen s = Open("  fIELD formats ", [](frmHelp* w) { Shot(w, "frmHelp"); });
  EXPECT_EQ(std::tuple(s.caption, modDlg::HelpTopic, s.heading + '|' + s.text),
            std::tuple("Help", "  fIELD formats ", "Field Formats|Flags:\n  A  letters\n"));
  EXPECT_EQ(s.toc.join('|'), " Contents| Field Formats| Real Blanks| Add Field| Add Banner| Last Topic");
  const struct { const char *topic, *heading, *text; } cases[] = {
      {"No such topic", "Contents", "Welcome.\n"},
      {"", "Contents", "Welcome.\n"},
      {"Last Topic", "Last Topic", "one\ntwo\n"},
      {"add field", "Add Field", ""},
      {"Real Blanks", "Real Blanks", ""},
      {"Add Banner", "Add Banner", "Banners are captions.\n\n"},
  };
  for (const auto& c : cases) {
    const Seen seen = Open(c.topic);
    EXPECT_EQ(seen.heading + '|' + seen.text, QString(c.heading) + '|' + c.text) << c.topic;
  }
  EXPECT_TRUE(host.boxes.empty());
  // A click on an entry, or a key, shows its topic.
  Open("Contents", [&](frmHelp* w) {
    ClickItem(w->TOC, 1);
    ExpectTexts({{w->Heading, "Field Formats"}, {w->Help, "Flags:\n  A  letters\n"}});
    QTest::keyClick(w->TOC, Qt::Key_End);
    EXPECT_EQ(w->Heading->text(), "Last Topic");
    QTest::mouseClick(w->cmdClose, Qt::LeftButton);
    EXPECT_FALSE(w->isVisible());
  });
  // A heading line that is only "#" is the empty topic.
  qftest::WriteFile(tmp / "QfTest.Txt", CrLf({"#First", "a", "#", "the empty heading"}));
  EXPECT_EQ(Open("").text, "the empty heading\n");

  // A missing file is reported and the window stays usable.
  modDlg::HelpFileName = "Missing.Txt";
  const Seen missing = Open("Script", [](frmHelp* w) { Shot(w, "frmHelp_missing"); });
  EXPECT_TRUE(missing.toc.isEmpty());
  ExpectBox("Help: Help file load error", modDB::vbCritical);

  // A folder where the file should be is no better.
  host.Clear();
  fs::create_directories(tmp.path() / "Dir.Txt");
  modDlg::HelpFileName = "Dir.Txt";
  Open("");
  EXPECT_EQ(host.All(), std::vector<std::string>{"Help: Help file load error"});
}

TEST_F(HelpViewer, TheShippedHelpFilesHaveTheTopicsTheWindowsAskFor) {
  for (const char* file : {"QfEntry.Txt", "QfLayout.Txt"}) {
    const std::string path = std::string(QF_SOURCE_DIR) + "/help/" + file;
    const std::string text = qftest::ReadFile(path);  // throws when the file is missing
    // The build puts each file beside its program.
    const std::string built = std::string(QF_BINARY_DIR) + (file[2] == 'E' ? "/entry/" : "/designer/") + file;
    EXPECT_EQ(qftest::ReadFile(built), text) << built;
    // Lines end in CR LF and fit the viewer's 76 characters (a longer one would break a
    // table); no heading holds a real blank.
    std::istringstream lines(text);
    int n = 0;
    for (std::string line; std::getline(lines, line) && ++n;) {
      ASSERT_TRUE(!line.empty() && line.back() == '\r') << file << " line " << n;
      line.pop_back();
      EXPECT_LE(line.size(), 76u) << file << ": " << line;
      if (line[0] == '#') { EXPECT_EQ(line.find(' '), std::string::npos) << line; }
    }
    // Names as the windows show them; the About topic says what the box shows.
    EXPECT_EQ(text.find("PDF file"), std::string::npos) << file;
    const size_t about = text.find("#About\r\n");
    ASSERT_NE(about, std::string::npos) << file;
    const std::string aboutText = text.substr(about, text.find("\r\n#", about) - about);
    for (const char* shown : {"icon", "version", "copyright", "Web Site", "Ok"})
      EXPECT_NE(aboutText.find(shown), std::string::npos) << file << ": " << shown;
    Platform::SetProgramFolder(std::string(QF_SOURCE_DIR) + "/help");
    modDlg::HelpFileName = file;
    const Seen first = Open("");
    EXPECT_TRUE(first.toc.size() > 10 && !first.text.trimmed().isEmpty()) << file;
    const Seen formats = Open("Field Formats");
    EXPECT_TRUE(formats.heading == "Field Formats" && formats.text.size() > 200) << file;
  }
  EXPECT_TRUE(host.boxes.empty());
}

class About : public GuiTest {};

// The programs' own information: the project's copyright and the build's web address.
// A click on the address opens it and leaves the box open; with no address the box
// shows no web row at all.
TEST_F(About, ShowsNameVersionCopyrightAndTheWebRowOnlyWithAnAddress) {
  const VersionInfo mine = ProgramVersionInfo("QfLayout");
  EXPECT_EQ(std::tuple(mine.Title, mine.Copyright),
            std::tuple("QfLayout", "Copyright (C) 2026 the Qf Forms developers"));
  QStringList opened;
  Platform::SetLinkOpener([&](const QString& a) {
    opened << a;
    return true;
  });
  for (const std::string& site : {std::string("https://example.net/qf"), mine.WebSite, std::string()}) {
    VersionInfo v = mine;
    v.WebSite = site;
    v.Major = 2, v.Minor = 5, v.Revision = 13;
    SetVersionInfo(v);
    OnShown<frmAbout>([&](frmAbout* w) {
      const bool shown = !site.empty();
      EXPECT_EQ(std::tuple(w->windowTitle(), w->lblWebCaption->isVisible(), w->lblWeb->isVisible()),
                std::tuple("About", shown, shown)) << site;
      ExpectTexts({{w->lblTitle, "QfLayout 2.5.13"}, {w->lblCopyright, "Copyright (C) 2026 the Qf Forms developers"},
                   {w->lblWebCaption, "Web Site"}, {w->lblWeb, QString::fromStdString(site)}, {w->btnOk, "Ok"}});
      if (site == "https://example.net/qf") {  // the first: a click on the address opens it
        Shot(w, "frmAbout");
        QTest::mouseClick(w->lblWeb, Qt::LeftButton);
        EXPECT_TRUE(w->isVisible());
      }
      QTest::keyClick(w->btnOk, Qt::Key_Space);
      EXPECT_FALSE(w->isVisible());
    });
    modDlg::ShowAbout();
  }
  Platform::SetLinkOpener({});
  EXPECT_EQ(opened, QStringList{"https://example.net/qf"});
}
