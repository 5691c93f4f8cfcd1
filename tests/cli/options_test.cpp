#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::cli {
namespace {

using Args = std::vector<std::string>;

TEST(ParseOptions, AcceptsTheDocumentedForms) {
  struct Case {
    Args args;
    Command command;
    std::string config, repo, type;
  } cases[] = {
      {{"install", "--repo", "R1"}, Command::kInstall, "", "R1", "TODOS"},
      {{"numbering", "--repo", "R1", "--type", "views"}, Command::kNumbering, "", "R1", "VIEWS"},
      {{"--config", "/etc/x.ini", "install", "--repo", "R 2"},
       Command::kInstall,
       "/etc/x.ini",
       "R 2",
       "TODOS"},
      {{"--config=c.ini", "install", "--repo= R3", "--type=Procedures_Sql_2005"},
       Command::kInstall,
       "c.ini",
       " R3",
       "PROCEDURES_SQL_2005"},
      {{"--repo", "R1", "--type", "jobs", "install"}, Command::kInstall, "", "R1", "JOBS"},
      {{"install", "--repo", "--odd"}, Command::kInstall, "", "--odd", "TODOS"},
      {{"--help"}, Command::kHelp, "", "", "TODOS"},
      {{"--version"}, Command::kVersion, "", "", "TODOS"},
  };
  for (const Case& c : cases) {
    ParseResult result = ParseOptions(c.args);
    ASSERT_TRUE(result.ok) << c.args[0] << ": " << result.error;
    EXPECT_EQ(result.options.command, c.command) << c.args[0];
    EXPECT_EQ(result.options.config_file, c.config) << c.args[0];
    EXPECT_EQ(result.options.repo, c.repo) << c.args[0];
    EXPECT_EQ(result.options.type, c.type) << c.args[0];
  }
}

TEST(ParseOptions, HelpAndVersionWinWhereverTheyStand) {
  EXPECT_EQ(ParseOptions({"install", "--help"}).options.command, Command::kHelp);
  EXPECT_EQ(ParseOptions({"install", "--repo", "R", "--version"}).options.command,
            Command::kVersion);
}

TEST(ParseOptions, RejectsWhatItCannotRun) {
  struct Case {
    Args args;
    std::string error;
  } cases[] = {
      {{}, "no command given (install, numbering or check)"},
      {{"--repo", "R1"}, "no command given (install, numbering or check)"},
      {{"install"}, "--repo NAME is required"},
      {{"install", "--repo"}, "option --repo needs a value"},
      {{"install", "--repo", ""}, "--repo needs a repository name, not the empty text"},
      {{"install", "--repo", "A", "--repo", "B"}, "option --repo given twice"},
      {{"install", "--repo", "A", "--config", ""}, "--config needs a file name"},
      {{"--list-repos", "--repo", "A"}, "--list-repos takes only --config"},
      {{"install", "--list-repos"}, "unexpected argument \"--list-repos\""},
      {{"generate", "--repo", "A"}, "unknown command \"generate\" (install, numbering or check)"},
      {{"INSTALL", "--repo", "A"}, "unknown command \"INSTALL\" (install, numbering or check)"},
      {{"install", "numbering", "--repo", "A"}, "unexpected argument \"numbering\""},
      {{"install", "--repo", "A", "-x"}, "unknown option \"-x\""},
      {{"install", "--bogus", "--help"}, "unknown option \"--bogus\""},
      {{"install", "--repository=A"}, "unknown option \"--repository=A\""},
      {{"install", "--repo", "A", "--type", "DOCS_E_BATS"},
       "unknown object type \"DOCS_E_BATS\" (one of TODOS, TYPESRULESDEFAULTS, TABELAS, "
       "TABELAS2, EVOLUCAO, EVOLUCAO2, PROCEDURES, PACKAGES, VIEWS, FUNCTIONS, TRIGGERS, "
       "SEQUENCES, DADOS, GRANTS, SINONIMOS, TEMPLATES, PROCEDURES_SQL_2005, "
       "PACKAGES_SQL_2005, JOBS)"},
  };
  for (const Case& c : cases) {
    ParseResult result = ParseOptions(c.args);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, c.error);
  }
}

TEST(ParseGateOptions, AcceptsTheGateOptionsWhereTheyApply) {
  ParseResult check = ParseOptions(
      {"check", "--repo", "R", "--report=r.json", "--report-html", "r.html", "--type", "views"});
  ASSERT_TRUE(check.ok) << check.error;
  EXPECT_EQ(check.options.command, Command::kCheck);
  EXPECT_EQ(check.options.report_file, "r.json");
  EXPECT_EQ(check.options.report_html_file, "r.html");
  EXPECT_EQ(check.options.type, "VIEWS");
  ParseResult install = ParseOptions({"install", "--manifest", "--repo", "R"});
  ASSERT_TRUE(install.ok);
  EXPECT_TRUE(install.options.manifest);
  ParseResult numbering = ParseOptions({"numbering", "--repo", "R", "--type", "DADOS", "--write"});
  ASSERT_TRUE(numbering.ok);
  EXPECT_TRUE(numbering.options.write);
}

TEST(ParseGateOptions, RejectsThemWhereTheyDoNot) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"check", "--repo", "R", "--manifest"}, "--manifest is for install"},
      {{"numbering", "--repo", "R", "--report", "x"}, "--report is for install and check"},
      {{"numbering", "--repo", "R", "--report-html", "x"},
       "--report-html is for install and check"},
      {{"install", "--repo", "R", "--write"}, "--write is for numbering"},
      {{"numbering", "--repo", "R", "--write"},
       "numbering --write needs --type with one object type, not TODOS"},
      {{"install", "--repo", "R", "--manifest", "--manifest"}, "option --manifest given twice"},
      {{"check", "--repo", "R", "--report", ""}, "--report needs a file name"},
      {{"check", "--repo", "R", "--report"}, "option --report needs a value"},
  };
  for (const auto& [args, error] : cases) {
    ParseResult result = ParseOptions(args);
    EXPECT_FALSE(result.ok) << error;
    EXPECT_EQ(result.error, error);
  }
}

}  // namespace
}  // namespace vkt::cli
