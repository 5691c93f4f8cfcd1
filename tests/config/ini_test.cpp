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

TEST_F(IniTest, ReadsTheValueOfAKey) {
  EXPECT_EQ(Read("[GERAL]\r\nREPOSITORIO=R1,R2\r\n", "GERAL", "REPOSITORIO"), "R1,R2");
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(IniTest, MatchesSectionAndKeyNamesWithoutRegardToCaseOrBlanks) {
  const std::string file = "[ Repo Um ]\nPathOrigem = /src\n";
  EXPECT_EQ(Read(file, "REPO UM", "pathorigem"), "/src");
  EXPECT_EQ(Read(file, " repo um", "  PATHORIGEM "), "/src");
  EXPECT_EQ(Read(file, "Repo", "PathOrigem"), "");
}

TEST_F(IniTest, TrimsSpacesAndTabsAroundValues) {
  EXPECT_EQ(Read("[S]\nK=  \t value with  inner blanks \t \n", "S", "K"),
            "value with  inner blanks");
}

TEST_F(IniTest, ReadsCrLfAndLfFilesAlike) {
  EXPECT_EQ(Read("[S]\r\nA=1\r\nB=2\r\n", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\nA=1\nB=2", "S", "B"), "2");
  EXPECT_EQ(Read("[S]\r\nA=1\r\nB=2", "S", "B"), "2");
}

TEST_F(IniTest, CutsValuesTo254Characters) {
  const std::string v254(254, 'x');
  const std::string v300 = std::string(254, 'y') + std::string(46, 'z');
  EXPECT_EQ(Read("[S]\nK=" + v254 + "\n", "S", "K"), v254);
  EXPECT_EQ(Read("[S]\nK=" + v300 + "\n", "S", "K"), std::string(254, 'y'));
}

TEST_F(IniTest, CutsAt254BytesOfTheCodePageNotOfUtf8) {
  // 300 times "é" (one byte in Windows-1252, two in UTF-8).
  const std::string file = "[S]\nK=" + std::string(300, '\xE9') + "\n";
  std::string expected;
  for (int i = 0; i < 254; ++i) expected += "\xC3\xA9";
  EXPECT_EQ(Read(file, "S", "K"), expected);
}

TEST_F(IniTest, BlanksBroughtToTheEndByTheCutAreTrimmed) {
  const std::string value = std::string(250, 'a') + "    bbbb";
  EXPECT_EQ(Read("[S]\nK=" + value + "\n", "S", "K"), std::string(250, 'a'));
}

TEST_F(IniTest, EmptyValueReadsLikeAMissingKey) {
  INI ini = Open("[S]\nEMPTY=\nBLANK=   \n", "S");
  EXPECT_EQ(ini.ReadINISettings("EMPTY", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  EXPECT_EQ(ini.ReadINISettings("BLANK", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  EXPECT_EQ(ini.ReadINISettings("MISSING", IniValue(2.5)), IniValue(2.5));
  EXPECT_EQ(ini.ReadINISettings("MISSING", IniValue(std::string("d"))), IniValue(std::string("d")));
  EXPECT_EQ(ini.ReadINISettings("EMPTY"), "");
}

TEST_F(IniTest, AFoundValueIsReturnedAsTextEvenWithANumericDefault) {
  INI ini = Open("[S]\nN=42\n", "S");
  EXPECT_EQ(ini.ReadINISettings("N", IniValue(std::int64_t{-1})), IniValue(std::string("42")));
}

TEST_F(IniTest, FirstSectionAndFirstKeyOfANameWin) {
  const std::string file =
      "[S]\nK=first\nK=second\n"
      "[s]\nK=other section\nONLY_IN_SECOND=x\n";
  EXPECT_EQ(Read(file, "S", "K"), "first");
  EXPECT_EQ(Read(file, "S", "ONLY_IN_SECOND"), "");
}

TEST_F(IniTest, AKeyLineWithoutEqualsSignHidesLaterLinesOfTheKey) {
  EXPECT_EQ(Read("[S]\nK\nK=later\n", "S", "K"), "");
}

TEST_F(IniTest, CommentLinesAreNotKeys) {
  const std::string file = "[S]\n;K=commented\n  \t; K=indented comment\nK=real\n;[T]\nX=1\n";
  EXPECT_EQ(Read(file, "S", "K"), "real");
  EXPECT_EQ(Read(file, "S", "X"), "1");  // ";[T]" opened no section
  EXPECT_EQ(Read(file, "S", ";K"), "");
}

TEST_F(IniTest, KeysBeforeAnySectionAreIgnored) {
  EXPECT_EQ(Read("K=lost\n[S]\nX=1\n", "", "K"), "");
}

TEST_F(IniTest, ASemicolonInsideAValueIsKept) { EXPECT_EQ(Read("[S]\nK=a;b\n", "S", "K"), "a;b"); }

TEST_F(IniTest, AValueWhollyInMatchingQuotesLosesThem) {
  struct Case {
    std::string stored;
    std::string expected;
  } cases[] = {
      {"\"abc\"", "abc"},         {"'abc'", "abc"},     {"\"  padded  \"", "padded"},
      {"\"abc'", "\"abc'"},       {"'abc\"", "'abc\""}, {"\"", "\""},
      {"abc\"", "abc\""},         {"\"a\"b\"", "a\"b"}, {"x\"abc\"", "x\"abc\""},
      {"  'spaced'  ", "spaced"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read("[S]\nK=" + c.stored + "\n", "S", "K"), c.expected) << c.stored;
  }
}

TEST_F(IniTest, EmptyQuotesReadLikeAMissingKeyButQuotedBlanksDoNot) {
  INI ini = Open("[S]\nEMPTY=\"\"\nBLANK=\" \"\n", "S");
  EXPECT_EQ(ini.ReadINISettings("EMPTY", IniValue(std::int64_t{-1})), IniValue(std::int64_t{-1}));
  // The platform copies one blank (a non-zero count); the trim then empties it.
  EXPECT_EQ(ini.ReadINISettings("BLANK", IniValue(std::int64_t{-1})), IniValue(std::string()));
}

TEST_F(IniTest, QuotesAreRemovedBeforeTheCut) {
  const std::string inner = std::string(260, 'q');
  EXPECT_EQ(Read("[S]\nK=\"" + inner + "\"\n", "S", "K"), std::string(254, 'q'));
}

TEST_F(IniTest, DecodesTheSystemCodePage) {
  // "[SEÇÃO]" and "AÇÃO=Não" in Windows-1252; names match a lower-case request.
  const std::string file = "[SE\xC7\xC3O]\nA\xC7\xC3O=N\xE3o\n";
  EXPECT_EQ(Read(file, "se\xC3\xA7\xC3\xA3o", "a\xC3\xA7\xC3\xA3o"), "N\xC3\xA3o");
}

TEST_F(IniTest, AUtf8FileWithByteOrderMarkIsReadAsUtf8) {
  EXPECT_EQ(Read("\xEF\xBB\xBF[S]\nK=N\xC3\xA3o\n", "S", "K"), "N\xC3\xA3o");
}

TEST_F(IniTest, UnderAUtf8CodePageTheCutNeverSplitsACharacter) {
  std::string error;
  ASSERT_TRUE(text::SetSystemCodePage("UTF-8", &error)) << error;
  std::string value = "a";
  for (int i = 0; i < 200; ++i) value += "\xC3\xA9";  // 1 + 400 bytes
  std::string got = Read("[S]\nK=" + value + "\n", "S", "K");
  ASSERT_TRUE(text::SetSystemCodePage("windows-1252", &error)) << error;
  EXPECT_EQ(got.size(), 253u);  // "a" and 126 whole characters; 254 would split one
  EXPECT_EQ(got, value.substr(0, 253));
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

TEST_F(IniTest, ReadsFollowChangesOfSectionOnTheSameInstance) {
  INI ini = Open("[A]\nK=a\n[B]\nK=b\n", "A");
  EXPECT_EQ(ini.ReadINISettings("K"), "a");
  ini.Section("B");
  EXPECT_EQ(ini.ReadINISettings("K"), "b");
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

TEST_F(IniTest, ReadsEveryKeyOfALargeSection) {
  std::string file = "[LISTA]\r\nNUMFILES=100000\r\n";
  for (int i = 1; i <= 100000; ++i) {
    file += "FILE" + std::to_string(i) + "=script_" + std::to_string(i) + ".sql\r\n";
  }
  INI ini = Open(file, "LISTA");
  for (int i = 1; i <= 100000; ++i) {
    ASSERT_EQ(ini.ReadINISettings("FILE" + std::to_string(i)),
              "script_" + std::to_string(i) + ".sql");
  }
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

TEST_F(IniTest, WriteCreatesTheFileWithSectionAndKey) {
  INI ini;
  ini.ININame(dir_ / "new.ini");
  EXPECT_TRUE(ini.WriteIniSettings("GERAL", "REPOSITORIO", "R1"));
  EXPECT_EQ(dir_.Read("new.ini"), "[GERAL]\r\nREPOSITORIO=R1\r\n");
  ini.Section("geral");
  EXPECT_EQ(ini.ReadINISettings("repositorio"), "R1");
}

TEST_F(IniTest, WriteReplacesAnExistingValueInPlaceAndKeepsEveryOtherByte) {
  const std::string before =
      "; main configuration\r\n"
      "[GERAL]\r\n"
      "REPOSITORIO=R1\r\n"
      "\r\n"
      "[R1]\r\n"
      "  Sistema =\t old value  \r\n"
      "PathOrigem=/src\r\n"
      "[r1]\r\n"
      "SISTEMA=second section\r\n";
  INI ini = Open(before, "R1");
  EXPECT_EQ(ini.ReadINISettings("SISTEMA"), "old value");
  EXPECT_TRUE(ini.WriteIniSettings("r1", "SISTEMA", "novo"));
  const std::string after =
      "; main configuration\r\n"
      "[GERAL]\r\n"
      "REPOSITORIO=R1\r\n"
      "\r\n"
      "[R1]\r\n"
      "  Sistema =\t novo\r\n"
      "PathOrigem=/src\r\n"
      "[r1]\r\n"
      "SISTEMA=second section\r\n";
  EXPECT_EQ(dir_.Read("cfg.ini"), after);
  EXPECT_EQ(ini.ReadINISettings("SISTEMA"), "novo");  // the write dropped the parsed file
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"cfg.ini"});
}

TEST_F(IniTest, WriteAddsAMissingKeyAtTheEndOfItsSection) {
  INI ini = Open("[A]\nX=1\n; note\n\n\n[B]\nY=2", "A");
  EXPECT_TRUE(ini.WriteIniSettings("A", "NEW", "v"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\nX=1\n; note\nNEW=v\n\n\n[B]\nY=2");
  EXPECT_TRUE(ini.WriteIniSettings("B", "Z", "3"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\nX=1\n; note\nNEW=v\n\n\n[B]\nY=2\nZ=3");
  EXPECT_TRUE(ini.WriteIniSettings("A", "X", ""));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\nX=\n; note\nNEW=v\n\n\n[B]\nY=2\nZ=3");
}

TEST_F(IniTest, ACrThatEndsTheFileEndsTheLastLine) {
  // Found by the ini fuzz target: the CR used to be part of the last value,
  // and a key written after it turned it into a line end, changing that value.
  struct Case {
    std::string before, section, k_before, after;
  } cases[] = {
      {"[A]\r\nX=1\r", "B", "", "[A]\r\nX=1\r\n\r\n[B]\r\nK=v\r\n"},
      {"[A]\r\nX=1\r", "A", "", "[A]\r\nX=1\r\nK=v"},
      {"[A]\nX=1\r", "A", "", "[A]\nX=1\r\nK=v"},
      {"[A]\r\nX=1\r\nK=old\r", "A", "old", "[A]\r\nX=1\r\nK=v\r"},
  };
  for (const Case& c : cases) {
    INI ini = Open(c.before, "A");
    EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
    ini.Section(c.section);
    EXPECT_EQ(ini.ReadINISettings("K"), c.k_before) << c.before;
    EXPECT_TRUE(ini.WriteIniSettings(c.section, "K", "v"));
    EXPECT_EQ(dir_.Read("cfg.ini"), c.after) << c.before;
    EXPECT_EQ(ini.ReadINISettings("K"), "v") << c.before;
    ini.Section("A");
    EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
  }
}

TEST_F(IniTest, WriteGivesAKeyLineWithoutEqualsSignItsValue) {
  INI ini = Open("[A]\r\nFLAG  \r\n", "A");
  EXPECT_TRUE(ini.WriteIniSettings("A", "flag", "on"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\r\nFLAG=on\r\n");
}

TEST_F(IniTest, WriteAppendsAMissingSectionAfterABlankLine) {
  INI ini = Open("[A]\nX=1", "A");
  EXPECT_TRUE(ini.WriteIniSettings("B", "K", "v"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\nX=1\n\n[B]\nK=v\n");
  dir_.Write("cfg.ini", "[A]\r\nX=1\r\n\r\n");
  EXPECT_TRUE(ini.WriteIniSettings("C", "K", "v"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\r\nX=1\r\n\r\n[C]\r\nK=v\r\n");
}

TEST_F(IniTest, WriteIntoAnEmptyFile) {
  INI ini = Open("", "A");
  EXPECT_TRUE(ini.WriteIniSettings("A", "K", "v"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[A]\r\nK=v\r\n");
}

TEST_F(IniTest, WriteEncodesInTheCodePageAndKeepsTheByteOrderMark) {
  INI ini = Open("[S]\nK=x\n", "S");
  EXPECT_TRUE(ini.WriteIniSettings("S", "K", "Ação"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "[S]\nK=A\xE7\xE3o\n");
  EXPECT_EQ(ini.ReadINISettings("K"), "Ação");

  dir_.Write("cfg.ini", "\xEF\xBB\xBF[S]\nK=x\n");
  EXPECT_TRUE(ini.WriteIniSettings("S", "K", "Ação"));
  EXPECT_EQ(dir_.Read("cfg.ini"), "\xEF\xBB\xBF[S]\nK=Ação\n");
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
