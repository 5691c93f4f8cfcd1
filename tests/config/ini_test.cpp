#include "config/ini.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "fs/platform/file_system.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::config {
namespace {

using testing::FakeDesktop;
using testing::TempDir;

class IniTest : public ::testing::Test {
 protected:
  // Writes `bytes` as "cfg.ini" and returns an INI pointed at it and `section`.
  INI Open(const std::string& bytes, const std::string& section) {
    dir_.Write("cfg.ini", bytes);
    INI ini;
    ini.ININame(dir_ / "cfg.ini");
    ini.Section(section);
    return ini;
  }
  std::string Read(const std::string& bytes, const std::string& section, const std::string& key) {
    INI ini = Open(bytes, section);
    return ini.ReadINISettings(key);
  }

  FakeDesktop desktop_;
  TempDir dir_;
};

TEST_F(IniTest, ReadsValuesAsThePrivateProfileReaderDoes) {
  const std::string v300 = std::string(254, 'y') + std::string(46, 'z');
  const std::string layered = "[S]\nK=first\nK=second\n[s]\nK=other\nONLY=x\n";
  const std::string comments = "[S]\n;K=c\n  \t; K=c2\nK=real\n;[T]\nX=1\n";
  struct Case {
    std::string file, section, key, value;
  } cases[] = {
      {"[GERAL]\r\nREPOSITORIO=R1,R2\r\n", "GERAL", "REPOSITORIO", "R1,R2"},
      {"[ Repo Um ]\nPathOrigem = /src\n", " repo um", "  PATHORIGEM ", "/src"},
      {"[ Repo Um ]\nPathOrigem = /src\n", "Repo", "PathOrigem", ""},
      {"[S]\nK=  \t value  inner \t \n", "S", "K", "value  inner"},
      {"[S]\r\nA=1\r\nB=2\r\n", "S", "B", "2"},
      {"[S]\nA=1\nB=2", "S", "B", "2"},
      {"[S]\r\nA=1\r\nB=2", "S", "B", "2"},
      {"[S]\nK=" + std::string(254, 'x') + "\n", "S", "K", std::string(254, 'x')},
      {"[S]\nK=" + v300 + "\n", "S", "K", std::string(254, 'y')},
      {layered, "S", "K", "first"},
      {layered, "S", "ONLY", ""},
      {"[S]\nK\nK=later\n", "S", "K", ""},
      {comments, "S", "K", "real"},
      {comments, "S", "X", "1"},
      {comments, "S", ";K", ""},
      {"[S]\nK=a;b\n", "S", "K", "a;b"},
      {"[S]\nK=\"abc\"\n", "S", "K", "abc"},
      {"[S]\nK=  'spaced'  \n", "S", "K", "spaced"},
      {"[S]\nK=\"  padded  \"\n", "S", "K", "padded"},
      {"[S]\nK=\"abc'\n", "S", "K", "\"abc'"},
      {"[S]\nK=\"\n", "S", "K", "\""},
      {"[S]\nK=\"a\"b\"\n", "S", "K", "a\"b"},
      {"[S]\nK=x\"abc\"\n", "S", "K", "x\"abc\""},
      // Windows-1252 names match a lower-case request; a UTF-8 mark means UTF-8.
      {"[SE\xC7\xC3O]\nA\xC7\xC3O=N\xE3o\n", "se\xC3\xA7\xC3\xA3o", "a\xC3\xA7\xC3\xA3o",
       "N\xC3\xA3o"},
      {"\xEF\xBB\xBF[S]\nK=N\xC3\xA3o\n", "S", "K", "N\xC3\xA3o"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(c.file, c.section, c.key), c.value) << c.file << " " << c.key;
  }
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(IniTest, EmptyValueReadsLikeAMissingKey) {
  INI ini = Open("[S]\nEMPTY=\nBLANK=   \n", "S");
  EXPECT_EQ(ini.ReadINISettings("EMPTY", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  EXPECT_EQ(ini.ReadINISettings("BLANK", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  EXPECT_EQ(ini.ReadINISettings("MISSING", IniValue(2.5)), IniValue(2.5));
  EXPECT_EQ(ini.ReadINISettings("MISSING", IniValue(std::string("d"))), IniValue(std::string("d")));
  EXPECT_EQ(ini.ReadINISettings("EMPTY"), "");
}

TEST_F(IniTest, EmptyQuotesReadLikeAMissingKeyButQuotedBlanksDoNot) {
  INI ini = Open("[S]\nEMPTY=\"\"\nBLANK=\" \"\n", "S");
  EXPECT_EQ(ini.ReadINISettings("EMPTY", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  // The platform copies one blank (a non-zero count); the trim then empties it.
  EXPECT_EQ(ini.ReadINISettings("BLANK", IniValue(std::int64_t{-1})), IniValue(std::string()));
}

TEST_F(IniTest, AMissingFileReadsAsEmptyWithoutAMessage) {
  INI ini;
  ini.ININame(dir_ / "absent.ini");
  ini.Section("GERAL");
  EXPECT_EQ(ini.ReadINISettings("REPOSITORIO"), "");
  EXPECT_EQ(ini.ReadINISettings("REPOSITORIO", IniValue(std::int64_t{7})),
            IniValue(std::int64_t{7}));
  INI no_name;
  EXPECT_EQ(no_name.ReadINISettings("K"), "");
  INI below_a_file;
  dir_.Write("plain", "x");
  below_a_file.ININame(dir_ / "plain/cfg.ini");
  EXPECT_EQ(below_a_file.ReadINISettings("K"), "");
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(IniTest, AnUnreadableFileShowsTheErrorBoxOnceAndReadsTheDefault) {
  dir_.MakeDir("cfg.ini");  // exists, but cannot be read as a file
  INI ini;
  ini.ININame(dir_ / "cfg.ini");
  ini.Section("S");
  EXPECT_EQ(ini.ReadINISettings("K", IniValue(std::string("dflt"))), IniValue(std::string("dflt")));
  EXPECT_EQ(ini.ReadINISettings("K"), "");
  ini.Section("T");
  EXPECT_EQ(ini.ReadINISettings("K"), "");
  ASSERT_EQ(desktop_.boxes.size(), 1u);
  EXPECT_EQ(desktop_.boxes[0].title, "Initialization File Error");
  EXPECT_EQ(desktop_.boxes[0].text,
            "Error Number: 1001\r\nError Description: " + (dir_ / "cfg.ini") +
                " - n\xC3\xA3o \xC3\xA9 um arquivo comum");
  EXPECT_EQ(desktop_.boxes[0].icon, BoxIcon::kCritical);
}

TEST_F(IniTest, AnInstanceParsesItsFileOnceUntilItsNameIsSetAgain) {
  INI ini = Open("[S]\nK=old\n", "S");
  EXPECT_EQ(ini.ReadINISettings("K"), "old");
  dir_.Write("cfg.ini", "[S]\nK=new\n");
  EXPECT_EQ(ini.ReadINISettings("K"), "old");
  ini.ININame(dir_ / "cfg.ini");
  EXPECT_EQ(ini.ReadINISettings("K"), "new");
}

TEST_F(IniTest, InstancesShareAParseOnlyWhileFileAndCodePageAreUnchanged) {
  auto read = [&] {
    INI ini;
    ini.ININame(dir_ / "cfg.ini");
    ini.Section("S");
    return ini.ReadINISettings("K");
  };
  dir_.Write("cfg.ini", "[S]\nK=\xE7\n");
  // Only the parse of a file left alone for 100 ms is kept for other instances.
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(read(), "\xC3\xA7");  // kept
  std::string error;
  ASSERT_TRUE(text::SetSystemCodePage("UTF-8", &error));
  EXPECT_EQ(read(), "\xEF\xBF\xBD");
  ASSERT_TRUE(text::SetSystemCodePage("Windows-1252", &error));
  EXPECT_EQ(read(), "\xC3\xA7");
  dir_.Write("cfg.ini", "[S]\nK=\xE8\n");  // the same size, in place
  EXPECT_EQ(read(), "\xC3\xA8");
}

TEST_F(IniTest, ResolvesTheFileNameWithoutRegardToCase) {
  dir_.Write("Config/Main.INI", "[S]\nK=v\n");
  INI ini;
  ini.ININame(dir_.path() + "\\CONFIG\\main.ini");
  ini.Section("S");
  EXPECT_EQ(ini.ReadINISettings("K"), "v");
}

// ---- writing ----

// The names in `dir` (so a leftover temporary file would show).
std::vector<std::string> Names(const TempDir& dir) {
  std::vector<std::string> names;
  for (const platform::Entry& e : platform::FindEntries(dir.path() + "/*")) {
    if (e.name != "." && e.name != "..") names.push_back(e.name);
  }
  return names;
}

// Each write changes the one line it must and keeps every other byte, and a
// later read sees it (a write drops what the instance had parsed).
TEST_F(IniTest, WriteChangesOneLineAndKeepsEveryOtherByte) {
  const std::string kNoFile = "(no file)";
  const std::string main =
      "; main\r\n[GERAL]\r\nREPOSITORIO=R1\r\n\r\n[R1]\r\n  Sistema =\t old  \r\n"
      "PathOrigem=/src\r\n[r1]\r\nSISTEMA=second section\r\n";
  const std::string with_note = "[A]\nX=1\n; note\n\n\n[B]\nY=2";
  struct Case {
    std::string before, section, key, value, after;
  } cases[] = {
      {kNoFile, "GERAL", "REPOSITORIO", "R1", "[GERAL]\r\nREPOSITORIO=R1\r\n"},
      {"", "GERAL", "REPOSITORIO", "R1", "[GERAL]\r\nREPOSITORIO=R1\r\n"},
      {main, "r1", "SISTEMA", "novo",
       "; main\r\n[GERAL]\r\nREPOSITORIO=R1\r\n\r\n[R1]\r\n  Sistema =\t novo\r\n"
       "PathOrigem=/src\r\n[r1]\r\nSISTEMA=second section\r\n"},
      {with_note, "A", "NEW", "v", "[A]\nX=1\n; note\nNEW=v\n\n\n[B]\nY=2"},
      {with_note, "B", "Z", "3", "[A]\nX=1\n; note\n\n\n[B]\nY=2\nZ=3"},
      {with_note, "A", "X", "", "[A]\nX=\n; note\n\n\n[B]\nY=2"},
      {"[S]\nK\n", "S", "K", "v", "[S]\nK=v\n"},
      {"[A]\nX=1", "B", "K", "v", "[A]\nX=1\n\n[B]\nK=v\n"},
      {"[A]\r\nX=1\r\n\r\n", "C", "K", "v", "[A]\r\nX=1\r\n\r\n[C]\r\nK=v\r\n"},
      // Found by the ini fuzz target: a CR that ends the file ends the last line.
      {"[A]\r\nX=1\r", "B", "K", "v", "[A]\r\nX=1\r\n\r\n[B]\r\nK=v\r\n"},
      {"[A]\r\nX=1\r", "A", "K", "v", "[A]\r\nX=1\r\nK=v"},
      {"[A]\nX=1\r", "A", "K", "v", "[A]\nX=1\r\nK=v"},
      {"[A]\r\nX=1\r\nK=old\r", "A", "K", "v", "[A]\r\nX=1\r\nK=v\r"},
      // The code page of the file, and its byte-order mark.
      {"[S]\nK=x\n", "S", "K", "A\xC3\xA7\xC3\xA3o", "[S]\nK=A\xE7\xE3o\n"},
      {"\xEF\xBB\xBF[S]\nK=x\n", "S", "K", "A\xC3\xA7\xC3\xA3o",
       "\xEF\xBB\xBF[S]\nK=A\xC3\xA7\xC3\xA3o\n"},
  };
  for (const Case& c : cases) {
    INI ini = Open(c.before, c.section);
    if (c.before == kNoFile) std::remove((dir_ / "cfg.ini").c_str());
    ASSERT_TRUE(ini.WriteIniSettings(c.section, c.key, c.value)) << c.before;
    EXPECT_EQ(dir_.Read("cfg.ini"), c.after) << c.before;
    EXPECT_EQ(ini.ReadINISettings(c.key), c.value) << c.before;
    EXPECT_EQ(Names(dir_), std::vector<std::string>{"cfg.ini"});
    ini.Section("A");
    if (c.before.find("X=1") != std::string::npos && c.key != "X") {
      EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
    }
  }
}

TEST_F(IniTest, WriteRefusesTextsThatCannotBeOneKeyLine) {
  const std::string before = "[S]\nK=x\n";
  INI ini = Open(before, "S");
  EXPECT_FALSE(ini.WriteIniSettings("S", "K", "two\nlines"));
  EXPECT_FALSE(ini.WriteIniSettings("S", "K", "cr\r"));
  EXPECT_FALSE(ini.WriteIniSettings("S\n[T]", "K", "v"));
  EXPECT_FALSE(ini.WriteIniSettings("S", "A=B", "v"));
  EXPECT_FALSE(ini.WriteIniSettings("S", "  ", "v"));
  EXPECT_FALSE(ini.WriteIniSettings("S", ";K", "v"));
  EXPECT_EQ(dir_.Read("cfg.ini"), before);
}

TEST_F(IniTest, WriteFailsWithoutTouchingAnythingWhenTheFileCannotBeWritten) {
  INI in_missing_folder;
  in_missing_folder.ININame(dir_ / "no/such/folder/cfg.ini");
  EXPECT_FALSE(in_missing_folder.WriteIniSettings("S", "K", "v"));

  dir_.MakeDir("adir.ini");
  INI on_folder;
  on_folder.ININame(dir_ / "adir.ini");
  EXPECT_FALSE(on_folder.WriteIniSettings("S", "K", "v"));

  dir_.Write("ro.ini", "[S]\nK=x\n");
  ASSERT_TRUE(platform::SetReadOnly(dir_ / "ro.ini", true).ok());
  INI read_only;
  read_only.ININame(dir_ / "ro.ini");
  EXPECT_FALSE(read_only.WriteIniSettings("S", "K", "v"));
  EXPECT_EQ(dir_.Read("ro.ini"), "[S]\nK=x\n");
  ASSERT_TRUE(platform::SetReadOnly(dir_ / "ro.ini", false).ok());

  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"adir.ini", "ro.ini"}));
  EXPECT_TRUE(desktop_.boxes.empty());
}

}  // namespace
}  // namespace vkt::config
