// The release gate's findings as vktgera's check prints them are pinned by
// tests/cases; here, what the cases cannot reach easily.
#include "app/release_checks.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/client_rules.h"
#include "app/manifest.h"
#include "generate/framing.h"
#include "support/temp_dir.h"
#include "text/sha256.h"

namespace vkt::app {
namespace {

TEST(EncodingSniffer, TellsByteOrderMarksUtf8TextAndInvalidUtf8) {
  using I = EncodingIssue;
  const struct {
    std::string bytes;
    I single_byte_page, utf8_page;
  } cases[] = {
      {"SELECT 1 FROM DUAL;\r\n", I::kNone, I::kNone},
      {"", I::kNone, I::kNone},
      {"\xEF\xBB\xBFSELECT 1;", I::kUtf8Bom, I::kUtf8Bom},
      {"\xEF\xBB\xBF-- \xE9", I::kUtf8Bom, I::kUtf8Bom},
      {std::string("\xFF\xFES\0E\0", 6), I::kUtf16LeBom, I::kUtf16LeBom},
      {std::string("\xFE\xFF\0S\0E", 6), I::kUtf16BeBom, I::kUtf16BeBom},
      {"-- Descri\xC3\xA7\xC3\xA3o", I::kUtf8Text, I::kNone},
      {"-- Descri\xE7\xE3o", I::kNone, I::kInvalidUtf8},
      {"-- \xE2\x82\xAC and \xF0\x9F\x98\x80", I::kUtf8Text, I::kNone},
      {"-- cut \xC3", I::kNone, I::kInvalidUtf8},
      {"-- overlong \xC0\xAF", I::kNone, I::kInvalidUtf8},
      {"-- overlong \xC1\xBF", I::kNone, I::kInvalidUtf8},
      {"-- surrogate \xED\xA0\x80", I::kNone, I::kInvalidUtf8},
      {"-- too high \xF4\x90\x80\x80", I::kNone, I::kInvalidUtf8},
      {"-- overlong \xF0\x8F\xBF\xBF", I::kNone, I::kInvalidUtf8},
      {"-- overlong \xE0\x9F\xBF", I::kNone, I::kInvalidUtf8},
      {"-- \xC2\xBF \xED\x9F\xBF \xDF\x80", I::kUtf8Text, I::kNone},  // edges of the ranges
      {"-- plane 1 \xF1\x80\x80\x80 \xF4\x8F\xBF\xBF", I::kUtf8Text, I::kNone},
      {"\xFF\xFF", I::kNone, I::kInvalidUtf8},
  };
  for (const auto& c : cases) {
    EncodingSniffer single_byte(true), utf8(false, true);
    single_byte.Feed(c.bytes);
    utf8.Feed(c.bytes);
    EXPECT_EQ(single_byte.Result(), c.single_byte_page) << c.bytes;
    EXPECT_EQ(utf8.Result(), c.utf8_page) << c.bytes;
  }
}

TEST(EncodingSniffer, SeesSequencesAndMarksSplitAcrossPieces) {
  const std::pair<std::string, EncodingIssue> cases[] = {
      {"\xEF\xBB\xBFx\xC3\xA7\xE2\x82\xAC", EncodingIssue::kUtf8Bom},
      {"a\xC3\xA7\xE2\x82\xAC\xF0\x9F\x98\x80z", EncodingIssue::kUtf8Text},
  };
  for (const auto& [text, expected] : cases) {
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
      EncodingSniffer sniffer(true);
      sniffer.Feed(std::string_view(text).substr(0, cut));
      sniffer.Feed(std::string_view(text).substr(cut));
      EXPECT_EQ(sniffer.Result(), expected) << text << " cut at " << cut;
    }
  }
  // Whether more bytes could change the verdict.
  EncodingSniffer ascii(true), latin(true), bom(true), utf16(true), open(false, true);
  ascii.Feed("SELECT 1 FROM DUAL;");
  latin.Feed("-- Descri\xE7\xE3o");
  bom.Feed("\xEF\xBB");
  utf16.Feed("\xFF\xFE");
  open.Feed("abc\xC3");
  EXPECT_FALSE(ascii.Decided());
  EXPECT_TRUE(latin.Decided());
  EXPECT_FALSE(bom.Decided());
  EXPECT_TRUE(utf16.Decided());
  EXPECT_FALSE(open.Decided());
}

using vkt::testing::TempDir;

// The client rules' faults of one script, "kind@line" each, with every line
// fed whole and in pieces of every size from 1 byte (the scanner's state
// crosses pieces).
std::vector<std::string> Faults(std::string_view text, generate::DatabaseKind kind, bool wrapped) {
  std::vector<std::string> whole;
  for (const RuleHit& hit : CheckClientRulesOfText(text, kind, wrapped)) {
    whole.push_back(std::string(hit.rule->kind.id) + "@" + std::to_string(hit.line));
  }
  for (std::size_t piece = 1; piece < 8; ++piece) {
    EXPECT_EQ(CheckClientRulesOfText(text, kind, wrapped),
              CheckClientRulesOfText(text, kind, wrapped, piece))
        << text << " in pieces of " << piece;
  }
  return whole;
}

// The scripts of tests/cases/check-plsql-slash, check-slash-in-data-block and
// check-open-comment-or-quote are not repeated here.
TEST(ClientRules, ReadScriptsAsTheClientsDo) {
  using generate::DatabaseKind;
  constexpr DatabaseKind kOra = DatabaseKind::kOracle, kSql = DatabaseKind::kSqlServer;
  using V = std::vector<std::string>;
  const struct {
    std::string_view text;
    DatabaseKind kind;
    bool wrapped;
    V faults;
  } cases[] = {
      // PL/SQL units and blocks end with a line "/"; statements with ";".
      {"CREATE TABLE t (a NUMBER);\r\nCREATE SEQUENCE s;\r\n", kOra, false, V{}},
      {"create or replace\r\nnoneditionable package body k as\r\nend k;  -- fim\r\n", kOra, false,
       V{"plsql_without_slash@3"}},
      {"CREATE FUNCTION f RETURN NUMBER IS BEGIN RETURN 1; END;\r\nGRANT EXECUTE ON f TO x;\r\n",
       kOra, false, V{"plsql_without_slash@1"}},
      {"BEGIN\r\n  NULL;\r\nEND;\r\n\r\n-- fim\r\n", kOra, false, V{"plsql_without_slash@3"}},
      {"CREATE TRIGGER t BEFORE INSERT ON x\nBEGIN\n  NULL;\nEND;\n", kOra, false,
       V{"plsql_without_slash@4"}},  // lines ended by LF alone
      // A "/" in quotes or comments, and quotes in comments, end nothing.
      {"BEGIN\r\n  x := 'END;\r\n/\r\n';\r\nEND;\r\n/\r\n", kOra, false, V{}},
      {"CREATE PROCEDURE p IS BEGIN x := q'[ / ]'; y := Nq'{'}'; END;\r\n/\r\n", kOra, false, V{}},
      {"-- fora: /* e '\r\nCREATE PROCEDURE p IS BEGIN NULL; END;\r\n/\r\n", kOra, false, V{}},
      {"REM it's\r\nPROMPT don't\r\nSELECT 1 FROM DUAL;\r\n", kOra, false, V{}},
      // A "/" alone ends the block that the framing wraps a data script in.
      {"CREATE PROCEDURE p IS BEGIN NULL; END;\r\n", kOra, true, V{}},
      // What is open at the end swallows the framing.
      {"SELECT q'<a>' FROM DUAL;\r\nSELECT q'!x FROM DUAL;\r\n", kOra, true, V{"open_quote@2"}},
      {"SELECT \"a FROM DUAL;", kOra, true, V{"open_quote@1"}},
      {"/* a /* b */ SELECT 1 FROM DUAL;", kOra, true, V{}},
      {"/* a /* b */ */ SELECT [a]]b], \"x\"\"y\", N'it''s'\r\n-- it's\r\nGO", kSql, false, V{}},
      {"SELECT q'[x]' -- q'[ is no quote in SQL Server\r\n", kSql, false, V{}},
  };
  for (const auto& c : cases) EXPECT_EQ(Faults(c.text, c.kind, c.wrapped), c.faults) << c.text;
}

#ifndef _WIN32  // POSIX only: a FIFO, symbolic links, dot-names as hidden, sha256sum
// The pairs of `names` in `folder` that RunSeesFile finds one side of, as
// VendorParity words them; "" and the names listed again in another letter
// case ("A" as "a", "B" as "b") are left out.
std::vector<std::string> HalfPairsRunSees(const std::string& folder,
                                          const std::vector<std::string>& names) {
  const std::string prefix = folder + "\\";
  std::vector<std::string> found;
  for (const std::string& name : names) {
    if (name.empty() || name == "A" || name == "B") continue;
    const std::string base = prefix + name;
    const bool oracle = RunSeesFile(base + ".ora");
    const bool sql = RunSeesFile(base + ".sql");
    if (oracle && !sql) {
      found.push_back("Falta o par SQL Server de: " + generate::CaminhoMensagem(base + ".ora"));
    } else if (sql && !oracle) {
      found.push_back("Falta o par Oracle de: " + generate::CaminhoMensagem(base + ".sql"));
    }
  }
  return found;
}

// VendorParity answers most names from the folder's listing; what it finds
// must be what RunSeesFile finds by path, for every kind of entry.
TEST(VendorParity, SeesWhatRunSeesFileSees) {
  TempDir dir;
  // Another letter case (A.SQL), hidden names, a name with a folder, a
  // wildcard (taken literally) and an upper-case extension.
  for (const char* file : {"a.ora", "A.SQL", "b.ora", ".h.ora", ".h.sql", "d.ora", "f.ora", "l.ora",
                           "real/k.sql", "sub/s.ora", "w?.sql", "m.ORA"}) {
    dir.Write(std::string("T/") + file, "x");
  }
  dir.MakeDir("T/d.sql");                                   // a folder
  ASSERT_EQ(::mkfifo((dir / "T/f.sql").c_str(), 0644), 0);  // neither file nor folder
  ASSERT_EQ(::symlink("nowhere", (dir / "T/l.sql").c_str()), 0);
  ASSERT_EQ(::symlink("real/k.sql", (dir / "T/k.sql").c_str()), 0);
  const std::string folder = dir / "T";
  const std::vector<std::string> names = {"",  "a", "b", ".h",     "d",  "f", "l",
                                          "k", "A", "B", "sub\\s", "w?", "m"};
  const std::vector<std::string> expected = HalfPairsRunSees(folder, names);
  ASSERT_EQ(expected.size(), 7u);  // b, d, l, k, sub\s, w?, m

  std::vector<std::string> texts;
  for (const Finding& f : VendorParity("TABELAS", folder, names)) texts.push_back(f.text);
  EXPECT_EQ(texts, expected);
}

// Runs the system's sha256sum on the manifest of `folder`; its exit status.
int VerifyWithSha256sum(const std::string& folder) {
  std::string command = "cd '" + folder + "' && /usr/bin/sha256sum --strict --quiet -c " +
                        std::string(kManifestName) + " >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Manifest, PassesSha256sumWithUnusualNames) {
  using namespace std::string_literals;
  TempDir dir;
  dir.Write("pkg/Roteiro Atualização.doc", "\xD0\xCF\x11\xE0 binary\0\r\n"s);
  dir.Write("pkg/line\nfeed.sql", "odd but possible");
  dir.Write("pkg/02-SA_Tabelas.sql", "\xFF\xFEG\0O\0"s);
  ASSERT_TRUE(WriteManifest(dir / "pkg").ok());
  EXPECT_NE(dir.Read("pkg/SHA256SUMS")
                .find("\\" + text::Sha256Hex("odd but possible") + "  line\\nfeed.sql\n"),
            std::string::npos);
  EXPECT_EQ(VerifyWithSha256sum(dir / "pkg"), 0);
}
#endif

TEST(Manifest, FailsWhenTheManifestCannotBeWrittenAndNamesIt) {
  TempDir dir;
  dir.Write("pkg/a.sql", "a");
  dir.MakeDir("pkg/sha256sums");  // a folder where the manifest should go
  platform::Status status = WriteManifest(dir / "pkg");
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.path, dir / "pkg" + "\\SHA256SUMS");
}

}  // namespace
}  // namespace vkt::app
