// The release gate's findings about where listed names lead and about
// script bytes that the UTF-8 code page cannot read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/release_checks.h"
#include "support/test_repository.h"
#include "text/codepage.h"

namespace vkt::app {
namespace {

using testing::TestRepository;

TEST(ListFaults, FindsNamesThatLeadOutOfTheSourceFolder) {
  const struct {
    const char* name;
    bool outside;
  } cases[] = {
      {"..\\Views\\V", true}, {"../V", true},     {"a/../../b", true},   {"..", true},
      {"a\\..\\b", false},    {".\\a", false},    {"a..", false},        {"..a\\b", false},
      {"a/./../b", false},    {".\\..\\b", true}, {"a\\\\..\\b", false},
  };
  for (const auto& c : cases) {
    const std::vector<config::INI::KeyLine> keys = {{"NUMFILES", "1", 2}, {"FILE1", c.name, 3}};
    const std::vector<Finding> findings = ListFaults("TABELAS", keys);
    const std::vector<Finding> expected = {
        {"name_outside_folder", "TABELAS", "",
         std::string("Nome fora da pasta de origem na se\xC3\xA7\xC3\xA3o TABELAS: FILE1=") +
             c.name}};
    EXPECT_EQ(findings, c.outside ? expected : std::vector<Finding>{}) << c.name;
  }
}

TEST(EncodingSniffer, UnderUtf8FindsBytesThatAreNotUtf8) {
  const struct {
    std::string bytes;
    EncodingIssue expected;
  } cases[] = {
      {"-- Descri\xC3\xA7\xC3\xA3o", EncodingIssue::kNone},
      {"-- Descri\xE7\xE3o", EncodingIssue::kInvalidUtf8},
      {"-- cut \xC3", EncodingIssue::kInvalidUtf8},
      {"-- surrogate \xED\xA0\x80", EncodingIssue::kInvalidUtf8},
      {"\xEF\xBB\xBF-- \xE9", EncodingIssue::kUtf8Bom},
  };
  for (const auto& c : cases) {
    EncodingSniffer sniffer(false, true);
    sniffer.Feed(c.bytes);
    EXPECT_EQ(sniffer.Result(), c.expected) << c.bytes;
  }
  // A sequence that a piece leaves open is not yet a verdict.
  EncodingSniffer split(false, true);
  split.Feed("abc\xC3");
  EXPECT_FALSE(split.Decided());
  split.Feed("\xA7");
  EXPECT_EQ(split.Result(), EncodingIssue::kNone);
}

TEST(CheckObjectType, UnderCodePageUtf8ReportsScriptsWithInvalidBytes) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.ora", "-- Descri\xC3\xA7\xC3\xA3o\r\n");
  repo.Source("Tabelas/A.sql", "-- Descri\xE7\xE3o\r\n");
  ASSERT_TRUE(text::SetSystemCodePage("UTF-8", nullptr));
  const std::vector<Finding> findings = CheckObjectType(repo.session.settings, "TABELAS");
  ASSERT_TRUE(text::SetSystemCodePage("windows-1252", nullptr));
  EXPECT_EQ(findings, (std::vector<Finding>{{"invalid_utf8", "TABELAS", "SQLSERVER",
                                             "Arquivo com bytes invalidos em UTF-8: " +
                                                 repo.Path("src") + "/Tabelas/A.sql"}}));
}

}  // namespace
}  // namespace vkt::app
