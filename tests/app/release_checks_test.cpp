#include "app/release_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/run_report.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"
#include "text/codepage.h"

namespace vkt::app {
namespace {

using testing::TestRepository;
using Keys = std::vector<config::INI::KeyLine>;

std::vector<std::string> Texts(const std::vector<Finding>& findings) {
  std::vector<std::string> out;
  for (const Finding& f : findings) out.push_back(f.kind + " | " + f.text);
  return out;
}

// ---- list faults ------------------------------------------------------------

TEST(ListFaults, FindsEachFaultTheRunToleratesSilently) {
  Keys keys = {
      {"NUMFILES", "4", 2},
      {"FILE1", "CRIA_A", 3},
      {"FILE2", "cria_a", 4},
      {"FILE3", "CRIA_B.ora", 5},
      {"FILE4", "CRIA_C.SQL2005", 6},
      {"FILE5", "CRIA_D", 7},
      {"FILE01", "X", 8},
      {"FILE0", "Y", 9},
      {"Comentario", "z", 10},
      {"file1", "OTHER", 11},
      {"numfiles", "9", 12},
      {"FILE", "W", 13},
  };
  EXPECT_EQ(Texts(ListFaults("TABELAS", keys)),
            (std::vector<std::string>{
                "duplicate_name | Nome repetido na seção TABELAS: FILE2=cria_a (igual a FILE1)",
                "name_with_extension | Nome com extensao na seção TABELAS: FILE3=CRIA_B.ora",
                "name_with_extension | Nome com extensao na seção TABELAS: FILE4=CRIA_C.SQL2005",
                "key_above_numfiles | Chave acima de NUMFILES na seção TABELAS: FILE5=CRIA_D "
                "(linha 7)",
                "unknown_key | Chave desconhecida na seção TABELAS: FILE01 (linha 8)",
                "unknown_key | Chave desconhecida na seção TABELAS: FILE0 (linha 9)",
                "unknown_key | Chave desconhecida na seção TABELAS: Comentario (linha 10)",
                "duplicate_key | Chave repetida na seção TABELAS: file1 (linha 11)",
                "duplicate_key | Chave repetida na seção TABELAS: numfiles (linha 12)",
                "unknown_key | Chave desconhecida na seção TABELAS: FILE (linha 13)",
            }));
}

TEST(ListFaults, LeavesAMissingOrInvalidNumfilesToTheRun) {
  Keys keys = {{"NUMFILES", "dois", 2}, {"FILE1", "A", 3}, {"FILE9", "B", 4}};
  EXPECT_TRUE(ListFaults("TABELAS", keys).empty());
  keys = {{"FILE1", "A", 2}};
  EXPECT_TRUE(ListFaults("VIEWS", keys).empty());
}

TEST(ListFaults, JobsWithoutNumfilesCountsAsNoFiles) {
  Keys keys = {{"FILE1", "JOB_A", 2}};
  EXPECT_EQ(Texts(ListFaults("JOBS", keys)),
            (std::vector<std::string>{"key_above_numfiles | Chave acima de NUMFILES na seção "
                                      "JOBS: FILE1=JOB_A (linha 2)"}));
}

// ---- vendor parity ------------------------------------------------------------

TEST(VendorParity, ReportsANameWithOnlyOneVendorsFile) {
  TestRepository repo;
  repo.Source("Tabelas/A.ora", "a");
  repo.Source("Tabelas/A.sql", "a");
  repo.Source("Tabelas/B.ora", "b");  // no SQL Server file
  repo.Source("Tabelas/C.sql", "c");  // no Oracle file
  repo.Source("Tabelas/d.ORA", "d");  // any letter case
  repo.Source("Tabelas/D.Sql", "d");
  repo.Source("Tabelas/G.ora", "g");
  repo.dir.MakeDir("src/Tabelas/G.sql");  // a folder is no file
  repo.Source("Tabelas/.H.sql", "h");     // hidden: the run does not see it
  repo.Source("Tabelas/.H.ora", "h");
  const std::string folder = repo.session.settings.PathOrigem + "\\Tabelas";
  std::vector<std::string> names = {"", "A", "B", "C", "D", "E", "G", ".H", "", "b"};
  EXPECT_EQ(Texts(VendorParity("TABELAS", folder, names)),
            (std::vector<std::string>{
                "vendor_parity | Falta o par SQL Server de: " + repo.Path("src") + "/Tabelas/B.ora",
                "vendor_parity | Falta o par Oracle de: " + repo.Path("src") + "/Tabelas/C.sql",
                "vendor_parity | Falta o par SQL Server de: " + repo.Path("src") + "/Tabelas/G.ora",
            }));
  std::vector<Finding> findings = VendorParity("TABELAS", folder, names);
  EXPECT_EQ(findings[0].database, "SQLSERVER");
  EXPECT_EQ(findings[1].database, "ORACLE");
}

TEST(VendorParity, PairsTheSql2005TypesWithTheirOwnExtension) {
  TestRepository repo;
  repo.Source("PROCEDURES/P.ora", "p");
  repo.Source("PROCEDURES/P.sql2005", "p");
  repo.Source("PROCEDURES/Q.ora", "q");
  repo.Source("PROCEDURES/Q.sql", "q");  // the plain type's file does not count
  repo.Source("PROCEDURES/R.sql2005", "r");
  const std::string folder = repo.session.settings.PathOrigem + "\\PROCEDURES";
  EXPECT_EQ(
      Texts(VendorParity("PROCEDURES_SQL_2005", folder, {"", "P", "Q", "R"})),
      (std::vector<std::string>{
          "vendor_parity | Falta o par SQL Server de: " + repo.Path("src") + "/PROCEDURES/Q.ora",
          "vendor_parity | Falta o par Oracle de: " + repo.Path("src") + "/PROCEDURES/R.sql2005",
      }));
}

// ---- encodings ------------------------------------------------------------------

TEST(EncodingSniffer, TellsByteOrderMarksAndUtf8Text) {
  struct Case {
    std::string bytes;
    bool single_byte;
    EncodingIssue expected;
  };
  const Case cases[] = {
      {"SELECT 1 FROM DUAL;\r\n", true, EncodingIssue::kNone},
      {"", true, EncodingIssue::kNone},
      {"\xEF\xBB\xBFSELECT 1;", true, EncodingIssue::kUtf8Bom},
      {"\xEF\xBB\xBFSELECT 1;", false, EncodingIssue::kUtf8Bom},
      {std::string("\xFF\xFES\0E\0", 6), true, EncodingIssue::kUtf16LeBom},
      {std::string("\xFE\xFF\0S\0E", 6), true, EncodingIssue::kUtf16BeBom},
      {"-- Descri\xC3\xA7\xC3\xA3o do cliente", true, EncodingIssue::kUtf8Text},
      {"-- Descri\xC3\xA7\xC3\xA3o do cliente", false, EncodingIssue::kNone},  // UTF-8 page
      {"-- Descri\xE7\xE3o do cliente", true, EncodingIssue::kNone},           // Windows-1252
      {"-- \xE2\x82\xAC and \xF0\x9F\x98\x80", true, EncodingIssue::kUtf8Text},
      {"-- cut \xC3", true, EncodingIssue::kNone},           // a sequence left open
      {"-- overlong \xC0\xAF", true, EncodingIssue::kNone},  // not UTF-8
      {"-- surrogate \xED\xA0\x80", true, EncodingIssue::kNone},
      {"-- too high \xF4\x90\x80\x80", true, EncodingIssue::kNone},
      {"-- overlong \xF0\x8F\xBF\xBF", true, EncodingIssue::kNone},
      {"-- \xC2\xBF \xED\x9F\xBF", true, EncodingIssue::kUtf8Text},  // highest continuations
      {"-- plane 1 \xF1\x80\x80\x80 \xF4\x8F\xBF\xBF", true, EncodingIssue::kUtf8Text},
      {"\xFF\xFF", true, EncodingIssue::kNone},
  };
  for (const Case& c : cases) {
    EncodingSniffer sniffer(c.single_byte);
    sniffer.Feed(c.bytes);
    EXPECT_EQ(sniffer.Result(), c.expected) << c.bytes;
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
}

TEST(EncodingSniffer, KnowsWhenMoreBytesCannotChangeTheVerdict) {
  EncodingSniffer ascii(true);
  ascii.Feed("SELECT 1 FROM DUAL;");
  EXPECT_FALSE(ascii.Decided());  // a later byte may still be UTF-8 text
  EncodingSniffer latin(true);
  latin.Feed("-- Descri\xE7\xE3o");
  EXPECT_TRUE(latin.Decided());
  EncodingSniffer bom(true);
  bom.Feed("\xEF\xBB");
  EXPECT_FALSE(bom.Decided());
  bom.Feed("\xBF");
  EXPECT_TRUE(bom.Decided());
  EncodingSniffer utf16(true);
  utf16.Feed("\xFF\xFE");
  EXPECT_TRUE(utf16.Decided());
}

// ---- a whole object type --------------------------------------------------------

}  // namespace
}  // namespace vkt::app
