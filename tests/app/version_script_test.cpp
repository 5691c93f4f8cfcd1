#include "app/version_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/run_dispatch.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

constexpr char kSqlServerScript[] = "sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql";

std::string OracleScript(std::string_view sistema) {
  return "ORACLE/02-ATUALIZACAO/13-DBVKT_" + std::string(sistema) + "_Versao_Database.sql";
}

std::string SqlServerLines(std::string_view version) {
  return "INSERT INTO VERSAO_DATABASE VALUES (GETDATE(), '" + std::string(version) +
         "', '0', 'Atualizacao da Versao');\r\nGO\r\n";
}

std::string OracleLines(std::string_view sistema, std::string_view version) {
  return "SET SERVEROUTPUT ON SIZE 1000000\r\n"
         "SET LINESIZE 80\r\n"
         "SPOOL C:\\SCRIPTS\\" +
         std::string(sistema) +
         "_VERSAO.log\r\n"
         "INSERT INTO VERSAO_DATABASE VALUES (SYSDATE, '" +
         std::string(version) +
         "', '0', 'Atualizacao da Versao');\r\n"
         "COMMIT;\r\n"
         "SPOOL OFF;\r\n";
}

void MakeUpdateFolders(TestRepository& repo) {
  repo.dir.MakeDir("out/sql_server/02-ATUALIZACAO");
  repo.dir.MakeDir("out/ORACLE/02-ATUALIZACAO");
}

TEST(VersionScripts, SecondRunAppendsToSqlServerAndReplacesOracle) {
  TestRepository repo("XYZ");
  MakeUpdateFolders(repo);
  repo.session.repository = "R1";
  ASSERT_TRUE(WriteVersionScripts(repo.session));
  repo.session.repository = "R2";
  ASSERT_TRUE(WriteVersionScripts(repo.session));

  // "SQL_SERVER" is the folder "sql_server" the generation made.
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql"),
            SqlServerLines("R1") + SqlServerLines("R2"));
  EXPECT_FALSE(repo.dir.Exists("out/SQL_SERVER"));
  EXPECT_EQ(repo.Output(OracleScript("XYZ")), OracleLines("XYZ", "R2"));
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
}

TEST(VersionScripts, QuotesAreDoubledAndTextIsInTheCodePage) {
  TestRepository repo("XYZ");
  MakeUpdateFolders(repo);
  repo.session.repository = "Versão d'Ouro";
  ASSERT_TRUE(WriteVersionScripts(repo.session));
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql"),
            SqlServerLines("Vers\xE3o d''Ouro"));
  EXPECT_EQ(repo.Output(OracleScript("XYZ")), OracleLines("XYZ", "Vers\xE3o d''Ouro"));
}

TEST(VersionScripts, EmptySystemGivesTwoUnderscores) {
  TestRepository repo("");
  MakeUpdateFolders(repo);
  ASSERT_TRUE(WriteVersionScripts(repo.session));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/13-DBVKT__Versao_Database.sql"),
            OracleLines("", "R1"));
}

TEST(VersionScripts, UnwritableScriptIsReportedAndTheOtherStillWritten) {
  TestRepository repo("XYZ");
  MakeUpdateFolders(repo);
  repo.dir.MakeDir("out/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql");
  EXPECT_FALSE(WriteVersionScripts(repo.session));
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Erro ao gravar o arquivo: " +
                           repo.Path("out/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql") +
                           " - Is a directory"}));
  EXPECT_EQ(repo.Output(kSqlServerScript), SqlServerLines("R1"));
}

TEST(VersionScripts, MissingFolderIsReportedWithTheBuiltPath) {
  TestRepository repo("XYZ");
  EXPECT_FALSE(WriteVersionScripts(repo.session));
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"",
                   "Erro ao gravar o arquivo: " +
                       repo.Path("out/SQL_SERVER/02-ATUALIZACAO/"
                                 "15-SA_Versao_Database.sql") +
                       " - No such file or directory",
                   "Erro ao gravar o arquivo: " + repo.Path("out/") + OracleScript("XYZ") +
                       " - No such file or directory"}));
}

// Through the button: a run with the real generator writes the scripts after
// the last generation call, and a failure shows in the message area.
TEST(VersionScripts, InstallationRunWritesThemAndShowsFailures) {
  TestRepository repo("XYZ");
  repo.FileList("[VIEWS]\nNUMFILES=0\n");
  FakeDesktop desktop;
  cmdExecuta_Click(repo.session, RunRequest{1, "VIEWS"});
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql"),
            SqlServerLines("R1"));

  std::filesystem::remove(repo.Path("out/") + OracleScript("XYZ"));
  repo.dir.MakeDir("out/" + OracleScript("XYZ"));
  cmdExecuta_Click(repo.session, RunRequest{1, "VIEWS"});
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql"),
            SqlServerLines("R1") + SqlServerLines("R1"));
  const std::string failure =
      "Erro ao gravar o arquivo: " + repo.Path("out/") + OracleScript("XYZ") + " - Is a directory";
  EXPECT_EQ(repo.session.Mensagens.back(), failure);
  EXPECT_TRUE(desktop.message_text.ends_with("\r\n" + failure)) << desktop.message_text;
}

}  // namespace
}  // namespace vkt::app
