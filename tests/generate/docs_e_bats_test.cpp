// The companion files, through the driver's "DOCS_E_BATS" call.
#include "generate/docs_e_bats.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "generate/gera_script.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::BoxEvent;
using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

constexpr char kOut[] = "ORACLE/02-ATUALIZACAO/";
constexpr char kSqlOut[] = "sql_server/02-ATUALIZACAO/";

void Generate(TestRepository& repo, std::string_view banco) {
  bool exec = false;
  GeraScript(repo.session, "DOCS_E_BATS", banco, exec);
}

BoxEvent ErrorBox(std::string text) { return {std::move(text), "Erro", BoxIcon::kCritical}; }

TEST(DocsEBats, SqlServerCopiesDocumentAndBatchReplacingOldCopies) {
  TestRepository repo;
  repo.Doc("SQLSERVER/Roteiro_Atualizacao_XYZ_SQLServer.doc", "doc v2");
  repo.Doc("SQLSERVER/00-SA_Atualizacao_XYZ.bat", "bat v2");
  repo.Doc("SQLSERVER/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "never for SQL Server");
  repo.dir.Write(std::string("out/") + kSqlOut + "Roteiro_Atualizacao_XYZ_SQLServer.doc", "v1");
  repo.dir.Write(std::string("out/") + kSqlOut + "00-SA_Atualizacao_XYZ.bat", "v1");
  FakeDesktop desktop;

  Generate(repo, "SQLSERVER");
  EXPECT_EQ(repo.Output(std::string(kSqlOut) + "Roteiro_Atualizacao_XYZ_SQLServer.doc"), "doc v2");
  EXPECT_EQ(repo.Output(std::string(kSqlOut) + "00-SA_Atualizacao_XYZ.bat"), "bat v2");
  EXPECT_FALSE(
      repo.OutputExists(std::string(kSqlOut) + "00-DBVKT_XYZ_Adere_Politica_Seguranca.sql"));
  EXPECT_TRUE(desktop.boxes.empty());
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
  EXPECT_EQ(desktop.message_text, "");
}

TEST(DocsEBats, OracleCopiesDocumentRoadmapAndPolicy) {
  TestRepository repo;
  repo.Doc("ORACLE/Roteiro_Atualizacao_XYZ_Oracle.doc", "doc");
  repo.Doc("ORACLE/00-DBVKT_XYZ_Atualizacao.sql", "roadmap");
  repo.Doc("ORACLE/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "policy");
  repo.dir.Write(std::string("out/") + kOut + "00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "old");
  FakeDesktop desktop;

  Generate(repo, "ORACLE");
  EXPECT_EQ(repo.Output(std::string(kOut) + "Roteiro_Atualizacao_XYZ_Oracle.doc"), "doc");
  EXPECT_EQ(repo.Output(std::string(kOut) + "00-DBVKT_XYZ_Atualizacao.sql"), "roadmap");
  EXPECT_EQ(repo.Output(std::string(kOut) + "00-DBVKT_XYZ_Adere_Politica_Seguranca.sql"), "policy");
  EXPECT_TRUE(desktop.boxes.empty());
}

TEST(DocsEBats, MissingDocumentIsReportedAndOldCopiesAreGone) {
  TestRepository repo;
  repo.Doc("ORACLE/00-DBVKT_XYZ_Atualizacao.sql", "roadmap");
  repo.Doc("ORACLE/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "policy");
  repo.dir.Write(std::string("out/") + kOut + "Roteiro_Atualizacao_XYZ_Oracle.doc", "old");
  repo.dir.Write(std::string("out/") + kOut + "00-DBVKT_XYZ_Atualizacao.sql", "old");
  FakeDesktop desktop;

  Generate(repo, "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo Roteiro_Atualizacao_XYZ_Oracle.doc nao encontrado!"}));
  EXPECT_EQ(desktop.message_text, "\r\nArquivo Roteiro_Atualizacao_XYZ_Oracle.doc nao encontrado!");
  EXPECT_FALSE(repo.OutputExists(std::string(kOut) + "Roteiro_Atualizacao_XYZ_Oracle.doc"));
  EXPECT_FALSE(repo.OutputExists(std::string(kOut) + "00-DBVKT_XYZ_Atualizacao.sql"));
  EXPECT_EQ(repo.Output(std::string(kOut) + "00-DBVKT_XYZ_Adere_Politica_Seguranca.sql"), "policy");
  EXPECT_TRUE(desktop.boxes.empty());
}

TEST(DocsEBats, MissingRoadmapAndPolicyShowErrorBoxes) {
  TestRepository repo;
  repo.Doc("ORACLE/Roteiro_Atualizacao_XYZ_Oracle.doc", "doc");
  FakeDesktop desktop;

  Generate(repo, "ORACLE");
  EXPECT_EQ(desktop.boxes,
            (std::vector<BoxEvent>{
                ErrorBox("Erro ao copiar o bat de instalação dos Scripts"),
                ErrorBox("Erro ao copiar o script de verificação de política de segurança")}));
  EXPECT_EQ(repo.Output(std::string(kOut) + "Roteiro_Atualizacao_XYZ_Oracle.doc"), "doc");
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
}

TEST(DocsEBats, FailedDocumentCopySkipsTheRoadmap) {
  TestRepository repo;
  repo.Doc("SQLSERVER/Roteiro_Atualizacao_XYZ_SQLServer.doc", "doc");
  repo.Doc("SQLSERVER/00-SA_Atualizacao_XYZ.bat", "bat");
  // A read-only old copy cannot be deleted, so the copy finds it in the way.
  const std::string old = std::string("out/") + kSqlOut + "Roteiro_Atualizacao_XYZ_SQLServer.doc";
  repo.dir.Write(old, "old");
  ASSERT_EQ(::chmod(repo.Path(old).c_str(), 0444), 0);
  FakeDesktop desktop;

  Generate(repo, "SQLSERVER");
  EXPECT_EQ(desktop.boxes, (std::vector<BoxEvent>{ErrorBox(
                               "Erro ao copiar o doc de instrução de instalação dos Scripts")}));
  EXPECT_EQ(repo.dir.Read(old), "old");
  EXPECT_FALSE(repo.OutputExists(std::string(kSqlOut) + "00-SA_Atualizacao_XYZ.bat"));
}

TEST(DocsEBats, CopiesKeepTheNameTheyHaveInTheDocsFolder) {
  TestRepository repo;
  repo.Doc("oracle/roteiro_atualizacao_xyz_oracle.DOC", "doc");
  repo.Doc("oracle/00-dbvkt_xyz_atualizacao.SQL", "roadmap");
  repo.Doc("oracle/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "policy");
  repo.dir.Write(std::string("out/") + kOut + "ROTEIRO_ATUALIZACAO_XYZ_ORACLE.doc", "old");
  FakeDesktop desktop;

  Generate(repo, "ORACLE");
  EXPECT_TRUE(desktop.boxes.empty());
  EXPECT_EQ(repo.Output(std::string(kOut) + "roteiro_atualizacao_xyz_oracle.DOC"), "doc");
  EXPECT_FALSE(repo.OutputExists(std::string(kOut) + "ROTEIRO_ATUALIZACAO_XYZ_ORACLE.doc"));
  EXPECT_EQ(repo.Output(std::string(kOut) + "00-dbvkt_xyz_atualizacao.SQL"), "roadmap");
}

TEST(DocsEBats, PolicyScriptOnlyForTheExactKindOracle) {
  TestRepository repo;
  repo.Doc("Oracle/Roteiro_Atualizacao_XYZ_Oracle.doc", "doc");
  repo.Doc("Oracle/00-DBVKT_XYZ_Atualizacao.sql", "roadmap");
  FakeDesktop desktop;

  Generate(repo, "Oracle");  // an Oracle kind, but not exactly "ORACLE"
  EXPECT_TRUE(desktop.boxes.empty());
  EXPECT_EQ(repo.Output("Oracle/02-ATUALIZACAO/00-DBVKT_XYZ_Atualizacao.sql"), "roadmap");
}

}  // namespace
}  // namespace vkt::generate
