#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/vktgera_process.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::cli {
namespace {

using testing::TempDir;
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

class LoadSessionTest : public ::testing::Test {
 protected:
  Options Install(const std::string& repo) {
    Options options;
    options.command = Command::kInstall;
    options.config_file = dir_ / "conf/VKTGeraInstallBD.ini";
    options.repo = repo;
    return options;
  }
  testing::FakeDesktop desktop_;
  TempDir dir_;
  app::Session session_;
  std::vector<std::string> repositories_;
  std::string error_;
};

TEST_F(LoadSessionTest, LoadsTheRepositoryOfAGivenConfiguration) {
  dir_.Write("conf/VKTGeraInstallBD.ini",
             "[GERAL]\nREPOSITORIO=R1,, R2\n[R2]\nSISTEMA=abc\nPathOrigem=/src\n");
  ASSERT_TRUE(LoadSession(Install(" R2"), &session_, &repositories_, &error_)) << error_;
  EXPECT_EQ(repositories_, (std::vector<std::string>{"R1", "", " R2"}));
  EXPECT_EQ(session_.program_folder, dir_ / "conf");
  EXPECT_EQ(session_.repository, " R2");
  EXPECT_EQ(session_.settings.SISTEMA, "ABC");
  EXPECT_EQ(session_.settings.PathOrigem, "/src");
}

TEST_F(LoadSessionTest, AnUnknownRepositoryListsTheKnownNames) {
  dir_.Write("conf/VKTGeraInstallBD.ini", "[GERAL]\nREPOSITORIO=R1,, R2\n");
  EXPECT_FALSE(LoadSession(Install("r1"), &session_, &repositories_, &error_));
  EXPECT_EQ(error_, "unknown repository \"r1\"; " + dir_.path() +
                        "/conf/VKTGeraInstallBD.ini lists \"R1\", \" R2\"");
  dir_.Write("conf/VKTGeraInstallBD.ini", "[GERAL]\n");
  EXPECT_FALSE(LoadSession(Install("R1"), &session_, &repositories_, &error_));
  EXPECT_EQ(error_,
            "unknown repository \"R1\"; " + dir_.path() + "/conf/VKTGeraInstallBD.ini lists none");
}

TEST_F(LoadSessionTest, AMissingOrUnreadableConfigurationCannotStart) {
  EXPECT_FALSE(LoadSession(Install("R1"), &session_, &repositories_, &error_));
  EXPECT_EQ(error_, "cannot read the main configuration " + dir_.path() +
                        "/conf/VKTGeraInstallBD.ini: No such file or directory");
  dir_.MakeDir("conf/VKTGeraInstallBD.ini");
  EXPECT_FALSE(LoadSession(Install("R1"), &session_, &repositories_, &error_));
  EXPECT_EQ(error_, "cannot read the main configuration " + dir_.path() +
                        "/conf/VKTGeraInstallBD.ini: n\xC3\xA3o \xC3\xA9 um arquivo comum");
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(LoadSessionTest, AnUnusableCodePageCannotStart) {
  dir_.Write("conf/VKTGeraInstallBD.ini", "[GERAL]\nCodePage=klingon\nREPOSITORIO=R1\n");
  EXPECT_FALSE(LoadSession(Install("R1"), &session_, &repositories_, &error_));
  EXPECT_EQ(error_.rfind("the CodePage of " + dir_.path() +
                             "/conf/VKTGeraInstallBD.ini cannot "
                             "be used: ",
                         0),
            0u)
      << error_;
  EXPECT_EQ(text::SystemCodePage().name(), "windows-1252");
}

// ---- the executable ----

TEST(Vktgera, VersionHelpAndUsageErrors) {
  testing::TestRepository repo;
  Result version = Vktgera(repo, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vktgera 3.3.0\n");
  Result help = Vktgera(repo, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage:\n  vktgera [--config FILE] install", 0), 0u);
  Result bad = Vktgera(repo, "install");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_EQ(bad.err, "vktgera: --repo NAME is required\nTry 'vktgera --help'.\n");
}

}  // namespace
}  // namespace vkt::cli
