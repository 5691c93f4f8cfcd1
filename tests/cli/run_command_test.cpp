// `vktgera install` and `vktgera numbering` as a user runs them: the built
// program on a repository in a temporary folder, its stdout, stderr and exit
// status.
#include "cli/run_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/vktgera_process.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using testing::TestRepository;

// A main configuration beside the docs of the test repository, naming it
// "R1", and the companion files of both kinds.
void Configure(const TestRepository& repo, const std::string& destino = "out") {
  repo.MainConfiguration(TestRepository::Paths::kRelative, "R0,R1", destino);
  repo.Companions();
}

const char kFimLine[] = "VKTGeraInstallBD: FIM\n";

TEST(VktgeraInstall, CleanRunPrintsNothingButFimAndExitsZero) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
  repo.Source("Views/V.ora", "CREATE VIEW V AS SELECT 1 X FROM DUAL\r\n");
  repo.Source("Views/V.sql", "CREATE VIEW V AS SELECT 1 X\r\n");

  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini install --repo R1 --type views");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, kFimLine);
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql"),
            "SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log\r\n\r\n"
            "exec dbms_output.put_line('EXECUCAO: V.ora');\r\n \r\n"
            "CREATE VIEW V AS SELECT 1 X FROM DUAL\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql"),
            "policy");
  EXPECT_TRUE(repo.OutputExists("sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql"));
}

TEST(VktgeraInstall, MessageLinesGoToStdoutInUtf8AndExitOne) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[VIEWS]\nNUMFILES=2\nFILE1=V\nFILE2=W\n");
  repo.Source("Views/V.ora", "x\r\n");
  repo.Source("Views/V.sql", "x\r\n");
  repo.Source("Views/W.ora", "x\r\n");
  repo.Source("Views/OLD.sql", "x\r\n");

  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini install --repo R1 --type VIEWS");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "Arquivo Nao esta no ini: OLD.sql\n"
            "Arquivo n\xC3\xA3o encontrado: src/VIEWS/W.sql\n");
  EXPECT_EQ(r.err, kFimLine);
}

TEST(VktgeraInstall, ErrorBoxAloneMakesTheRunFail) {
  TestRepository repo;
  Configure(repo);
  repo.FileList("[VIEWS]\nNUMFILES=0\n");
  std::remove(repo.Path("prog/docs/ORACLE/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql").c_str());

  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini install --repo R1 --type VIEWS");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Erro: Erro ao copiar o script de verifica\xC3\xA7\xC3\xA3o de pol\xC3\xADtica de "
            "seguran\xC3\xA7"
            "a\n" +
                std::string(kFimLine));
}

TEST(VktgeraInstall, EmptyDestinationDoesNotStart) {
  TestRepository repo;
  Configure(repo, "");
  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini install --repo R1");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "VKTGeraInstallBD: Configura\xC3\xA7\xC3\xA3o incompleta do reposit\xC3\xB3rio: "
            "PathDestino\n");
}

TEST(VktgeraInstall, UnknownRepositoryOrMissingConfigurationDoNotStart) {
  TestRepository repo;
  Configure(repo);
  Result unknown = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini install --repo R9");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err, "vktgera: unknown repository \"R9\"; " +
                             repo.Path("prog/VKTGeraInstallBD.ini") + " lists \"R0\", \"R1\"\n");

  Result missing = Vktgera(repo, "--config prog/missing.ini install --repo R1");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "");
  EXPECT_FALSE(repo.dir.Exists("out"));
}

// Without --config the configuration is looked up; HOME and the XDG
// variables point into the test's folder so that the real ones play no part.
TEST(VktgeraInstall, FindsTheConfigurationInXdgConfigHomeOrNamesEveryPlace) {
  TestRepository repo;
  const std::string env = "HOME='" + repo.Path("home") + "' XDG_CONFIG_HOME= XDG_CONFIG_DIRS='" +
                          repo.Path("etc") + "' ";
  const std::string exe = "'" + std::string(VKTGERA_EXE) + "' ";
  Result none = Shell(repo, env + exe + "--list-repos");
  EXPECT_EQ(none.status, 2);
  const std::string exe_folder =
      std::filesystem::path(VKTGERA_EXE).parent_path().string() + "/VKTGeraInstallBD.ini";
  EXPECT_EQ(none.err,
            "vktgera: Configura\xC3\xA7\xC3\xA3o principal VKTGeraInstallBD.ini n\xC3\xA3o "
            "encontrada. Procurada em:\n  " +
                exe_folder + " (pasta do programa)\n  " + repo.Path("home") +
                "/.config/vktgerainstallbd/VKTGeraInstallBD.ini ($XDG_CONFIG_HOME)\n  " +
                repo.Path("etc") + "/vktgerainstallbd/VKTGeraInstallBD.ini ($XDG_CONFIG_DIRS)\n");

  repo.dir.Write("home/.config/vktgerainstallbd/VKTGeraInstallBD.ini",
                 "[GERAL]\nREPOSITORIO=R0,,R1\n");
  Result listed = Shell(repo, env + exe + "--list-repos");
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.out, "R0\nR1\n");
}

// The bundled example, copied so that its package lands in the test's folder:
// its deliberate problems, and the package's file names.
TEST(VktgeraInstall, BundledExampleReportsItsDeliberateProblems) {
  TestRepository repo;
  std::filesystem::create_directories(repo.Path("examples"));
  std::filesystem::create_directories(repo.Path("build"));  // PathDestino's parent
  std::filesystem::copy(std::string(VKT_SOURCE_DIR) + "/examples/pedidos",
                        repo.Path("examples/pedidos"), std::filesystem::copy_options::recursive);
  Result r = Shell(repo, "cd examples/pedidos && '" + std::string(VKTGERA_EXE) +
                             "' --config VKTGeraInstallBD.ini install --repo PEDIDOS");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "Arquivo Nao esta no ini: VW_PEDIDOS_ANTIGOS.sql\n"
            "Arquivo Nao esta no ini: VW_PEDIDOS_ANTIGOS.ora\n"
            "Arquivo n\xC3\xA3o encontrado: repositorio/TRIGGERS/TRG_ITEM_AUDITORIA.sql\n"
            "Nao existe a se\xC3\xA7\xC3\xA3o: SINONIMOS no arquivo ini\n"
            "Nao existe a se\xC3\xA7\xC3\xA3o: SINONIMOS no arquivo ini\n");
  EXPECT_EQ(r.err, kFimLine);
  std::vector<std::string> files;
  for (const auto& [name, bytes] : testing::FilesBelow(repo.Path("build/example-package"))) {
    files.push_back(name);
  }
  const std::vector<std::string> expected = {
      "ORACLE/02-ATUALIZACAO/00-DBVKT_PEDIDOS_Adere_Politica_Seguranca.sql",
      "ORACLE/02-ATUALIZACAO/00-DBVKT_PEDIDOS_Atualizacao.sql",
      "ORACLE/02-ATUALIZACAO/01-DBVKT_PEDIDOS_TypesRulesDefaults.sql",
      "ORACLE/02-ATUALIZACAO/02-DBVKT_PEDIDOS_Tabelas.sql",
      "ORACLE/02-ATUALIZACAO/02.1-DBVKT_PEDIDOS_Tabelas2.sql",
      "ORACLE/02-ATUALIZACAO/03-DBVKT_PEDIDOS_Sequences.sql",
      "ORACLE/02-ATUALIZACAO/04-DBVKT_PEDIDOS_Evolucao.sql",
      "ORACLE/02-ATUALIZACAO/04.1-DBVKT_PEDIDOS_Evolucao2.sql",
      "ORACLE/02-ATUALIZACAO/05-DBVKT_PEDIDOS_Views.sql",
      "ORACLE/02-ATUALIZACAO/06-DBVKT_PEDIDOS_Functions.sql",
      "ORACLE/02-ATUALIZACAO/07-DBVKT_PEDIDOS_Procedures.sql",
      "ORACLE/02-ATUALIZACAO/08-DBVKT_PEDIDOS_Packages.sql",
      "ORACLE/02-ATUALIZACAO/09-DBVKT_PEDIDOS_Triggers.sql",
      "ORACLE/02-ATUALIZACAO/10-DBVKT_PEDIDOS_Grants.sql",
      "ORACLE/02-ATUALIZACAO/12-DBVKT_PEDIDOS_Dados.sql",
      "ORACLE/02-ATUALIZACAO/13-DBVKT_PEDIDOS_Templates.sql",
      "ORACLE/02-ATUALIZACAO/13-DBVKT_PEDIDOS_Versao_Database.sql",
      "ORACLE/02-ATUALIZACAO/Roteiro_Atualizacao_PEDIDOS_Oracle.doc",
      "sql_server/02-ATUALIZACAO/00-SA_Atualizacao_PEDIDOS.bat",
      "sql_server/02-ATUALIZACAO/01-SA_TypesRulesDefaults.sql",
      "sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql",
      "sql_server/02-ATUALIZACAO/02.1-SA_Tabelas2.sql",
      "sql_server/02-ATUALIZACAO/03-SA_Sequences.sql",
      "sql_server/02-ATUALIZACAO/04-SA_Evolucao.sql",
      "sql_server/02-ATUALIZACAO/04.1-SA_Evolucao2.sql",
      "sql_server/02-ATUALIZACAO/05-SA_Views.sql",
      "sql_server/02-ATUALIZACAO/06-SA_Functions.sql",
      "sql_server/02-ATUALIZACAO/07-SA_Procedures.sql",
      "sql_server/02-ATUALIZACAO/08-SA_Packages.sql",
      "sql_server/02-ATUALIZACAO/09-SA_Triggers.sql",
      "sql_server/02-ATUALIZACAO/10-SA_Grants.sql",
      "sql_server/02-ATUALIZACAO/12-SA_Dados.sql",
      "sql_server/02-ATUALIZACAO/13-SA_Procedures_SQL2005.sql",
      "sql_server/02-ATUALIZACAO/13-SA_Templates.sql",
      "sql_server/02-ATUALIZACAO/14-SA_Packages_SQL2005.sql",
      "sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql",
      "sql_server/02-ATUALIZACAO/Roteiro_Atualizacao_PEDIDOS_SQLServer.doc",
  };
  EXPECT_EQ(files, expected);
}

TEST(VktgeraNumbering, PrintsTheKeyLinesAndExitsZero) {
  TestRepository repo;
  Configure(repo);
  repo.Source("Tabelas/CRIA_B.ora", "x");
  repo.Source("Tabelas/cria_a.sql", "x");
  repo.Source("Tabelas/CRIA_A.ora", "x");
  repo.Source("Tabelas/CRIA_B.sql", "x");

  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini numbering --repo R1 --type tabelas");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "FILE1=CRIA_A\nFILE2=CRIA_B\n");
  EXPECT_EQ(r.err, kFimLine);
  EXPECT_FALSE(repo.dir.Exists("out"));
}

TEST(VktgeraNumbering, ReportedLinesStillExitZero) {
  TestRepository repo;
  Configure(repo);
  Result r = Vktgera(repo, "--config prog/VKTGeraInstallBD.ini numbering --repo R1");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Nao existe pasta de origem para o tipo: TODOS\n");
}

}  // namespace
}  // namespace vkt::cli
