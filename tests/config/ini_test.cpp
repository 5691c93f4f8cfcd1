#include "config/ini.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "config/file_list.h"
#include "fs/platform/file_system.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "support/test_repository.h"
#include "text/codepage.h"

namespace vkt::config {
namespace {

using testing::FakeDesktop;
using testing::TempDir;
using testing::Utf16File;
using Names = std::vector<std::string>;

const char kNotRegular[] = " - n\xC3\xA3o \xC3\xA9 um arquivo comum";

class IniTest : public ::testing::Test {
 protected:
  void SetUp() override { ForgetIniErrors(); }
  // An INI pointed at `path` and `section`, in the code page `page`.
  INI At(const std::string& path, const std::string& section, const char* page = "windows-1252") {
    INI ini(desktop_);
    ini.ININame(path, *text::CodePage::Named(page, nullptr));
    ini.Section(section);
    return ini;
  }
  // Writes `bytes` as "cfg.ini" and returns an INI pointed at it and `section`.
  INI Open(const std::string& bytes, const std::string& section,
           const char* page = "windows-1252") {
    dir_.Write("cfg.ini", bytes);
    return At(dir_ / "cfg.ini", section, page);
  }
  FileList List(const std::string& bytes, const std::string& tipo) {
    dir_.Write("lista.ini", bytes);
    return ReadFileList(desktop_, dir_.path() + "\\LISTA.INI",
                        *text::CodePage::Named("windows-1252", nullptr), tipo);
  }

  FakeDesktop desktop_;
  TempDir dir_;
};

// The value rules as vktgera --list-repos shows them are pinned by
// tests/cases; here, what the names asked for do.
TEST_F(IniTest, NamesAskedForAreTrimmedAndMatchedWithoutRegardToCase) {
  const struct {
    std::string file, section, key, value;
  } cases[] = {
      {"[ Repo Um ]\nPathOrigem = /src\n", " repo um", "  PATHORIGEM ", "/src"},
      {"[S]\n;K=c\nK=real\n", "S", ";K", ""},
      // Windows-1252 names match a lower-case request.
      {"[SE\xC7\xC3O]\nA\xC7\xC3O=N\xE3o\n", "se\xC3\xA7\xC3\xA3o", "a\xC3\xA7\xC3\xA3o",
       "N\xC3\xA3o"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Open(c.file, c.section).ReadINISettings(c.key), c.value) << c.file;
  }
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(IniTest, WhatReadsAsAMissingKeyGivesTheDefault) {
  using I = std::int64_t;
  INI ini = Open("[S]\nEMPTY=\nBLANK=   \nQUOTES=\"\"\nQBLANK=\" \"\n", "S");
  for (const char* key : {"EMPTY", "BLANK", "QUOTES", "MISSING"}) {
    EXPECT_EQ(ini.ReadINISettings(key, IniValue(I{-1})), IniValue(I{-1})) << key;
  }
  EXPECT_EQ(ini.ReadINISettings("MISSING", IniValue(2.5)), IniValue(2.5));
  EXPECT_EQ(ini.ReadINISettings("EMPTY"), "");
  // The platform copies one blank (a non-zero count); the trim then empties it.
  EXPECT_EQ(ini.ReadINISettings("QBLANK", IniValue(I{-1})), IniValue(std::string()));
  // A missing file, no file name, a path below a file: no value and no box.
  dir_.Write("plain", "x");
  for (const std::string& path : {dir_ / "absent.ini", std::string(), dir_ / "plain/cfg.ini"}) {
    EXPECT_EQ(At(path, "S").ReadINISettings("K", IniValue(I{7})), IniValue(I{7})) << path;
  }
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(IniTest, AnInstanceParsesItsFileOnceUntilItsNameIsSetAgain) {
  INI ini = Open("[S]\nK=old\n", "S");
  EXPECT_EQ(ini.ReadINISettings("K"), "old");
  dir_.Write("cfg.ini", "[S]\nK=new\n");
  EXPECT_EQ(ini.ReadINISettings("K"), "old");
  // Found without regard to case.
  ini.ININame(dir_.path() + "\\CFG.INI", *text::CodePage::Named("windows-1252", nullptr));
  EXPECT_EQ(ini.ReadINISettings("K"), "new");
}

TEST_F(IniTest, InstancesShareAParseOnlyWhileFileAndCodePageAreUnchanged) {
  const char* page = "Windows-1252";
  auto read = [&] { return At(dir_ / "cfg.ini", "S", page).ReadINISettings("K"); };
  dir_.Write("cfg.ini", "[S]\nK=\xE7\n");
  // Only the parse of a file left alone for 100 ms is kept for other
  // instances: the clock is put a second ahead of the file.
  SetParseClockForTesting([] {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               (std::chrono::system_clock::now() + std::chrono::seconds(1)).time_since_epoch())
        .count();
  });
  EXPECT_EQ(read(), "\xC3\xA7");  // kept
  page = "UTF-8";
  EXPECT_EQ(read(), "\xEF\xBF\xBD");
  page = "Windows-1252";
  EXPECT_EQ(read(), "\xC3\xA7");
  dir_.Write("cfg.ini", "[S]\nK=\xE8\n");  // the same size, in place
  EXPECT_EQ(read(), "\xC3\xA8");
  SetParseClockForTesting(nullptr);
}

// A run reads one version of a file; a reader in another code page gets that
// version in its own page.
TEST_F(IniTest, ASnapshotGivesEveryCodePageItsParseOfTheSameVersion) {
  dir_.Write("cfg.ini", "[S]\nK=\xE7\n");
  const IniSnapshot snapshot(dir_ / "cfg.ini");
  dir_.Write("cfg.ini", "[S]\nK=saved meanwhile\n");
  EXPECT_EQ(At(dir_ / "cfg.ini", "S").ReadINISettings("K"), "\xC3\xA7");
  EXPECT_EQ(At(dir_ / "cfg.ini", "S", "UTF-8").ReadINISettings("K"), "\xEF\xBF\xBD");
  EXPECT_EQ(At(dir_ / "cfg.ini", "S").ReadINISettings("K"), "\xC3\xA7");
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
      // Lone CR lines are lines; an added line ends like the file's lines.
      {"[A]\rX=1\r[B]\rY=2\r", "A", "K", "v", "[A]\rX=1\rK=v\r[B]\rY=2\r"},
      {"[A]\rX=1\r", "A", "X", "v", "[A]\rX=v\r"},
      {"[A]\rX=1\r", "C", "K", "v", "[A]\rX=1\r\r[C]\rK=v\r"},
      {"[A]\rX=1", "A", "K", "v", "[A]\rX=1\rK=v"},
      {"[A]\nX=1\rY=2\n", "A", "K", "v", "[A]\nX=1\rY=2\nK=v\n"},
      {Utf16File("[A]\rX=1\r"), "A", "K", "v", Utf16File("[A]\rX=1\rK=v\r")},
      // The code page of the file, and its byte-order mark.
      {"[S]\nK=x\n", "S", "K", "A\xC3\xA7\xC3\xA3o", "[S]\nK=A\xE7\xE3o\n"},
      {"\xEF\xBB\xBF[S]\nK=x\n", "S", "K", "A\xC3\xA7\xC3\xA3o",
       "\xEF\xBB\xBF[S]\nK=A\xC3\xA7\xC3\xA3o\n"},
  };
  for (const Case& c : cases) {
    const bool has_x = c.before.find("X=1") != std::string::npos;
    INI ini = Open(c.before, "A");
    if (c.before == kNoFile) std::remove((dir_ / "cfg.ini").c_str());
    if (has_x) {
      EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
    }
    ASSERT_TRUE(ini.WriteIniSettings(c.section, c.key, c.value)) << c.before;
    EXPECT_EQ(dir_.Read("cfg.ini"), c.after) << c.before;
    EXPECT_EQ(testing::FolderNames(dir_.path()), Names{"cfg.ini"});
    if (has_x && c.key != "X") {
      EXPECT_EQ(ini.ReadINISettings("X"), "1") << c.before;
    }
    ini.Section(c.section);
    EXPECT_EQ(ini.ReadINISettings(c.key), c.value) << c.before;
  }
  EXPECT_EQ(Open("[A]\nX=1\rY=2\n", "A").ReadINISettings("Y"), "2");
}

// WriteSectionKeys makes one pass of what one WriteIniSettings per key, in
// the same order, makes: the same bytes, over files whose lines end in every
// way, in every encoding, with the section missing, repeated or last, and
// with keys already present (beyond NUMFILES too), written twice, or named
// with characters the code page lacks.
TEST_F(IniTest, WriteSectionKeysLeavesTheBytesOfOneWritePerKey) {
  const std::string kNoFile = "(no file)";
  const std::string files[] = {
      kNoFile,
      "",
      // The section missing; the file ending in every way.
      "[VIEWS]\r\nNUMFILES=1\r\nFILE1=V\r\n",
      "[VIEWS]\r\nNUMFILES=1\r\nFILE1=V",
      "[VIEWS]\r\nNUMFILES=1\r\nFILE1=V\r",
      "; only a comment",
      // The section last, without a line end, or cut after its CR.
      "[VIEWS]\nNUMFILES=0\n\n[TABELAS]\nNUMFILES=1\nFILE1=A",
      "[TABELAS]",
      "[TABELAS]\r",
      "[VIEWS]\r\nX=1\r\n[TABELAS]\r\nNUMFILES=1\r",
      // Lone CR lines; LF lines with a comment and blank lines after the keys.
      "[TABELAS]\rNUMFILES=1\rFILE1=A\r[VIEWS]\rNUMFILES=0\r",
      "[TABELAS]\rNUMFILES=1\rFILE1=A",
      "[TABELAS]\nNUMFILES=1\nFILE1=A\n; end\n\n\n[VIEWS]\nNUMFILES=0\n",
      // A key beyond NUMFILES already there, a key without "=", blanks
      // around "=", a key repeated.
      "[TABELAS]\r\nNUMFILES = 1\r\nFILE1=A\r\nFILE3=old\r\n  FILE2  \r\nFILE3=again\r\n\r\n",
      // Repeated sections: only the first counts.
      "[tabelas]\r\nNUMFILES=1\r\nFILE1=A\r\n[VIEWS]\r\nX=1\r\n[ TABELAS "
      "]\r\nNUMFILES=9\r\nFILE2=B\r\n",
      // Byte-order marks, and the code page.
      "\xEF\xBB\xBF[TABELAS]\nNUMFILES=1\nFILE1=A\xC3\x87\xC3\x83O\n",
      "\xEF\xBB\xBF",
      Utf16File("[TABELAS]\r\nNUMFILES=1\r\nFILE1=\xCE\xA9\r\n[VIEWS]\r\nNUMFILES=0"),
      Utf16File("[VIEWS]\rX=1\r"),
      Utf16File("[TABELAS]\r\nFILE2=\r\n"),
      "[TABELAS]\r\nFILE1=A\xC7\xC3O\r\nNUMFILES=1\r\n[K\xCE\xA9]\r\n",
  };
  const std::vector<INI::KeyValue> batches[] = {
      // As numbering --write writes, with NUMFILES there and without.
      {{"FILE2", "B"}, {"FILE3", "C"}, {"NUMFILES", "3"}},
      {{"NUMFILES", "2"}, {"FILE1", "X"}, {"FILE2", "A\xC3\x87\xC3\x83O \xCE\xA9"}},
      // Keys written twice (in another letter case), values that begin with
      // blanks (kept by the next write of the key), an empty value.
      {{"FILE2", "  b"},
       {"file2", "\tc"},
       {"NEW", ""},
       {" new ", "d"},
       {"FILE3", " e"},
       {"FILE3", "f"},
       {"FILE1", "=x"}},
      // Key names the code page lacks a character of: written one by one.
      {{"FILE4", "v"}, {"K\xCE\xA9", "1"}, {"K\xCE\xA9", "2"}},
  };
  for (const std::string section : {"TABELAS", " tabelas ", "K\xCE\xA9", "Se\xC3\xA7\xC3\xA3o"}) {
    for (const std::string& before : files) {
      for (const auto& batch : batches) {
        const std::string shown = "[" + section + "] " + before + " <- " + batch[0].key;
        for (const char* name : {"seq.ini", "batch.ini", "gathered.ini"}) {
          if (before == kNoFile) {
            std::remove((dir_ / name).c_str());
          } else {
            dir_.Write(name, before);
          }
        }
        INI seq = At(dir_ / "seq.ini", section);
        for (const INI::KeyValue& w : batch) {
          ASSERT_TRUE(seq.WriteIniSettings(section, w.key, w.value)) << shown;
        }
        INI one_pass = At(dir_ / "batch.ini", section);
        ASSERT_TRUE(one_pass.WriteSectionKeys(section, batch)) << shown;
        EXPECT_EQ(dir_.Read("batch.ini"), dir_.Read("seq.ini")) << shown;
        const std::string& last = batch.back().key;
        EXPECT_EQ(one_pass.ReadINISettings(last), seq.ReadINISettings(last)) << shown;
        INI gathered = At(dir_ / "gathered.ini", section);
        ASSERT_TRUE(gathered.BeginWrites()) << shown;
        ASSERT_TRUE(gathered.WriteSectionKeys(section, batch)) << shown;
        // Reads before the commit see what was gathered.
        EXPECT_EQ(gathered.ReadINISettings(last), seq.ReadINISettings(last)) << shown;
        ASSERT_TRUE(gathered.CommitWrites()) << shown;
        EXPECT_EQ(dir_.Read("gathered.ini"), dir_.Read("seq.ini")) << shown;
      }
    }
  }
}

// What a written value reads back as depends on the file's encoding: the
// code page may lack its characters, and the 254 bytes are counted in the
// code page for a UTF-16 file, in UTF-8 for a UTF-8 one.
TEST_F(IniTest, HowValueReadsBackFollowsTheReaderInTheFilesEncoding) {
  using R = INI::ReadBack;
  const std::string decomposed = "CAFE\xCC\x81";  // E + U+0301
  std::string omega200;
  for (int i = 0; i < 200; ++i) omega200 += "\xCE\xA9";
  const std::string a255(255, 'A');
  const struct {
    std::string file, value;
    R expected;
    std::string as_read;
  } cases[] = {
      {"[S]\r\n", "A\xC3\x87\xC3\x83O", R::kSame, "A\xC3\x87\xC3\x83O"},
      {"[S]\r\n", decomposed, R::kNotInEncoding, "CAFE?"},
      {"\xEF\xBB\xBF[S]\r\n", decomposed, R::kSame, decomposed},
      {Utf16File("[S]\r\n"), decomposed, R::kSame, decomposed},
      {"[S]\r\n", "A ", R::kBlanksTrimmed, "A"},
      {Utf16File("[S]\r\n"), "\tA", R::kBlanksTrimmed, "A"},
      {"[S]\r\n", " ", R::kBlanksTrimmed, ""},
      {"[S]\r\n", "", R::kBlanksTrimmed, ""},
      {"[S]\r\n", "\"A\"", R::kQuotesStripped, "A"},
      {"\xEF\xBB\xBF", "'A B'", R::kQuotesStripped, "A B"},
      {"[S]\r\n", "\"A'", R::kSame, "\"A'"},
      {"[S]\r\n", "A\rB", R::kRefused, ""},
      {"[S]\r\n", std::string("A\0B", 3), R::kRefused, ""},
      {"[S]\r\n", a255, R::kCut, a255.substr(1)},
      {"[S]\r\n", a255.substr(1), R::kSame, a255.substr(1)},
      {"\xEF\xBB\xBF", omega200, R::kCut, omega200.substr(0, 2 * 127)},
      {Utf16File(""), omega200, R::kSame, omega200},
  };
  for (const auto& c : cases) {
    std::string as_read = "?";
    EXPECT_EQ(Open(c.file, "S").HowValueReadsBack(c.value, &as_read), c.expected) << c.value;
    EXPECT_EQ(as_read, c.as_read) << c.value;
  }
  // A missing file would be written in the code page; a gathered file is
  // judged by what was gathered.
  EXPECT_EQ(At(dir_ / "none.ini", "S").HowValueReadsBack(decomposed), R::kNotInEncoding);
  INI gathered = Open(Utf16File("[S]\r\n"), "S");
  ASSERT_TRUE(gathered.BeginWrites());
  dir_.Write("cfg.ini", "[S]\r\n");
  EXPECT_EQ(gathered.HowValueReadsBack(decomposed), R::kSame);
  // Under the UTF-8 code page every character is there.
  EXPECT_EQ(Open("[S]\r\n", "S", "UTF-8").HowValueReadsBack(decomposed), R::kSame);
  EXPECT_TRUE(desktop_.boxes.empty());
}

// A value the 254-byte limit cut says how long it was, in the bytes the cut
// counts: of the code page, of UTF-8 in a UTF-8 file; a character is never
// split, and a NUL before the limit ends the value uncut.
TEST_F(IniTest, CutValueBytesTellsAValueTheLimitCutFromOneThatFits) {
  const std::string a(300, 'A');
  const struct {
    std::string file;
    std::size_t cut_from;
    std::size_t kept;  // bytes ReadINISettings gives
  } cases[] = {
      {"[S]\r\nK=" + a.substr(0, 254), 0, 254},
      {"[S]\r\nK=" + a.substr(0, 255), 255, 254},
      {"[S]\r\nK=\"" + a.substr(0, 260) + "\"", 260, 254},
      {"[S]\r\nK=" + a.substr(0, 253) + "\xE9", 0, 255},  // 254 bytes of Windows-1252
      {"\xEF\xBB\xBF[S]\r\nK=" + a.substr(0, 252) + "\xC3\xA9", 0, 254},
      {"\xEF\xBB\xBF[S]\r\nK=" + a.substr(0, 253) + "\xC3\xA9", 255, 253},
      {Utf16File("[S]\r\nK=" + a.substr(0, 253) + "\xC3\xA9\xC3\xA9"), 255, 255},
      {std::string("[S]\r\nK=A\0", 9) + a, 0, 1},
      {"[S]\r\nOTHER=" + a, 0, 0},
  };
  for (const auto& c : cases) {
    INI ini = Open(c.file, "S");
    EXPECT_EQ(ini.CutValueBytes("K"), c.cut_from) << c.file;
    EXPECT_EQ(ini.ReadINISettings("K").size(), c.kept) << c.file;
  }
}

// Texts that cannot be one key line are refused, and WriteSectionKeys writes
// nothing when any one of its writes would be; so is a UTF-16 file that would
// not come back unchanged.
TEST_F(IniTest, RefusedWritesLeaveTheFileAsItWas) {
  const std::string before = "[S]\nK=x\n";
  INI ini = Open(before, "S");
  const std::vector<std::string> refused[] = {
      {"S", "K", "two\nlines"}, {"S", "K", "cr\r"}, {"S\n[T]", "K", "v"}, {"S", "A=B", "v"},
      {"S", "  ", "v"},         {"S", ";K", "v"},   {"S", "[K", "v"}};
  for (const auto& r : refused) EXPECT_FALSE(ini.WriteIniSettings(r[0], r[1], r[2])) << r[1];
  EXPECT_FALSE(ini.WriteSectionKeys("S", {{"A", "1"}, {"B", "two\nlines"}, {"C", "3"}}));
  EXPECT_FALSE(ini.WriteSectionKeys("S", {{"A", "1"}, {"=B", "2"}}));
  EXPECT_FALSE(ini.WriteSectionKeys("S\r", {{"A", "1"}}));
  EXPECT_TRUE(ini.WriteSectionKeys("S", {}));
  EXPECT_EQ(dir_.Read("cfg.ini"), before);
  const std::string odd = Utf16File("[S]\r\nK=x\r\n") + "\x41";
  INI utf16 = Open(odd, "S");
  EXPECT_EQ(utf16.ReadINISettings("K"), "x");
  EXPECT_FALSE(utf16.WriteIniSettings("S", "Y", "2"));
  EXPECT_FALSE(utf16.WriteSectionKeys("S", {{"A", "1"}}));
  EXPECT_EQ(utf16.LastWriteError(), EILSEQ);
  EXPECT_EQ(dir_.Read("cfg.ini"), odd);
}

TEST_F(IniTest, WriteFailsWithoutTouchingAnythingWhenTheFileCannotBeWritten) {
  dir_.MakeDir("adir.ini");
  dir_.Write("ro.ini", "[S]\nK=x\n");
  ASSERT_TRUE(platform::SetReadOnly(dir_ / "ro.ini", true).ok());
  for (const char* name : {"no/such/folder/cfg.ini", "adir.ini", "ro.ini"}) {
    EXPECT_FALSE(At(dir_ / name, "S").WriteIniSettings("S", "K", "v")) << name;
  }
  EXPECT_EQ(dir_.Read("ro.ini"), "[S]\nK=x\n");
  EXPECT_EQ(testing::FolderNames(dir_.path()), (Names{"adir.ini", "ro.ini"}));
  EXPECT_TRUE(desktop_.boxes.empty());
}

// A repeated key's later lines are marked: a read takes the first.
TEST_F(IniTest, ForEachKeyLineGivesEveryKeyLineOfTheFirstSectionInFileOrder) {
  INI ini = Open(
      "[VIEWS]\r\nNUMFILES=1\r\n[ tabelas ]\r\n; a comment\r\n  NUMFILES = 2 \r\n"
      "FILE2=\"B\"\r\nFILE1=A\r\n\r\nfile1=again\r\nJUNK\r\nEMPTY=\r\n[TABELAS]\r\nFILE3=C\r\n",
      "TABELAS");
  std::string described;
  ASSERT_TRUE(ini.ForEachKeyLine([&](const INI::KeyLine& l) {
    described += std::to_string(l.line) + ":" + l.name + "=" + l.value + (l.first ? " " : "* ");
  }));
  EXPECT_EQ(described, "5:NUMFILES=2 6:FILE2=B 7:FILE1=A 9:file1=again* 10:JUNK= 11:EMPTY= ");
  // A missing section or file, or one that cannot be read: false and
  // nothing, quietly.
  int calls = 0;
  ini.Section("SEQUENCES");
  EXPECT_FALSE(ini.ForEachKeyLine([&](const INI::KeyLine&) { ++calls; }));
  for (const std::string name : {"none.ini", "adir.ini"}) {
    dir_.MakeDir("adir.ini");
    ini = At(dir_ / name, "TABELAS");
    EXPECT_FALSE(ini.HasSection()) << name;
    EXPECT_FALSE(ini.ForEachKeyLine([&](const INI::KeyLine&) { ++calls; })) << name;
  }
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(desktop_.boxes.empty());
}

#ifndef _WIN32  // POSIX only: a FIFO and /dev/zero
// The box names the file once until the next run; reads give the default
// and writes fail (tried only inside the test's folder: a write that got
// through must not replace a device).
TEST_F(IniTest, OnlyARegularFileIsReadAndAnythingElseIsNamedInTheBoxOnce) {
  dir_.MakeDir("folder.ini");
  ASSERT_EQ(::mkfifo((dir_ / "fifo.ini").c_str(), 0600), 0);
  const std::string paths[] = {dir_ / "folder.ini", dir_ / "fifo.ini", "/dev/zero"};
  for (int call = 0; call < 2; ++call) {
    for (const std::string& path : paths) {
      INI ini = At(path, "S");
      EXPECT_EQ(ini.ReadINISettings("K", IniValue(std::string("d"))), IniValue(std::string("d")));
      ini.Section("T");
      EXPECT_EQ(ini.ReadINISettings("K"), "");
      if (path != paths[2]) {
        EXPECT_FALSE(ini.WriteIniSettings("S", "K", "v")) << path;
      }
    }
  }
  ASSERT_EQ(desktop_.boxes.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(
        desktop_.boxes[i],
        (testing::BoxEvent{"Error Number: 1001\r\nError Description: " + paths[i] + kNotRegular,
                           "Initialization File Error", BoxIcon::kCritical}));
  }
  ForgetIniErrors();
  At(paths[0], "S").ReadINISettings("K");
  EXPECT_EQ(desktop_.boxes.size(), 4u);
}
#endif

TEST_F(IniTest, AFileLargerThan64MiBIsRefusedUnread) {
  dir_.Write("big.ini", "[S]\r\nK=v\r\n");
  std::filesystem::resize_file(dir_ / "big.ini", (std::uintmax_t{64} << 20) + 1);
  INI ini = At(dir_ / "big.ini", "S");
  EXPECT_EQ(ini.ReadINISettings("K"), "");
  ASSERT_EQ(desktop_.boxes.size(), 1u);
  EXPECT_EQ(desktop_.boxes[0].text, "Error Number: 27\r\nError Description: " + (dir_ / "big.ini") +
                                        " - arquivo maior que 64 MiB");
}

TEST_F(IniTest, AnInstanceMadeWithoutABoxServiceTellsTheFailureOnlyByItsStatus) {
  dir_.MakeDir("folder.ini");
  INI quiet;
  quiet.ININame(dir_ / "folder.ini", *text::CodePage::Named("windows-1252", nullptr));
  quiet.Section("S");
  EXPECT_EQ(quiet.ReadINISettings("K"), "");
  EXPECT_FALSE(quiet.LastReadStatus().ok());
  EXPECT_TRUE(desktop_.boxes.empty());
  // Nor does it use up the file's one box.
  EXPECT_EQ(At(dir_ / "folder.ini", "S").ReadINISettings("K"), "");
  EXPECT_EQ(desktop_.boxes.size(), 1u);
}

TEST_F(IniTest, FileListOfJobsWithoutACountHasNoFiles) {
  for (const char* text : {"[OUTRA]\nX=1\n", "[JOBS]\nFILE1=A\n", "[JOBS]\nNUMFILES=\n"}) {
    FileList list = List(text, "JOBS");
    EXPECT_EQ(list.status, FileListStatus::kOk) << text;
    EXPECT_EQ(list.numfiles_text, "0") << text;
    EXPECT_EQ(list.names, Names{""}) << text;
  }
  EXPECT_EQ(List("[JOBS]\nNUMFILES=1\nFILE1=J\n", "JOBS").names, (Names{"", "J"}));
}

TEST_F(IniTest, AFileListThatCannotBeReadIsNoMissingSection) {
  const text::CodePage& page = *text::CodePage::Named("windows-1252", nullptr);
  // A missing list has no sections; JOBS may do without its own.
  EXPECT_EQ(ReadFileList(desktop_, dir_ / "absent.ini", page, "VIEWS").status,
            FileListStatus::kMissingSection);
  EXPECT_EQ(ReadFileList(desktop_, dir_ / "absent.ini", page, "JOBS").status, FileListStatus::kOk);
  // A folder in its place exists and cannot be read, for every type.
  dir_.MakeDir("lista.ini");
  for (const char* type : {"VIEWS", "JOBS"}) {
    const FileList list = ReadFileList(desktop_, dir_ / "lista.ini", page, type);
    EXPECT_EQ(list.status, FileListStatus::kUnreadable) << type;
    EXPECT_FALSE(list.read_status.ok()) << type;
  }
}

}  // namespace
}  // namespace vkt::config
