#include "generate/gera_script.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

void Generate(TestRepository& repo, std::string_view tipo, std::string_view banco,
              bool exec = false) {
  GeraScript(repo.session, tipo, banco, exec);
}

// The run as the window sees it; what it writes is pinned by tests/cases.

TEST(GeraScript, SetsCaptionsYieldsOnceAndShowsMessagesWithTheKindsSeparator) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.ora", "x\r\n");
  repo.Source("Tabelas/A.sql", "x\r\n");
  repo.Source("Tabelas/Z.ora", "x\r\n");
  repo.Source("Tabelas/Z.sql", "x\r\n");
  repo.session.Mensagens = {"", "earlier"};
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(desktop.yields, 1);
  EXPECT_EQ(desktop.caption_log,
            (Lines{"Lendo config :: " + repo.Path("files.ini"), repo.Path("src/Tabelas"),
                   repo.Path("out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql")}));
  EXPECT_EQ(desktop.message_text, "\r\nearlier\r\nArquivo Nao esta no ini: Z.ora");

  Generate(repo, "TABELAS", "SQLSERVER");
  EXPECT_EQ(desktop.message_text,
            "\rearlier\rArquivo Nao esta no ini: Z.ora\rArquivo Nao esta no ini: Z.sql");
}

TEST(GeraScript, CaptionsShowWindowsPathsWithSlashes) {
  TestRepository repo;
  repo.session.settings.PathOrigem = repo.dir.path() + "\\src";
  repo.session.settings.PathDestino = repo.dir.path() + "\\out";
  repo.FileList("[GRANTS]\nNUMFILES=0\n");
  FakeDesktop desktop;

  Generate(repo, "GRANTS", "ORACLE");
  EXPECT_EQ(desktop.captions[Caption::kDiretorioOrigem], repo.Path("src/GRANTS"));
  EXPECT_EQ(desktop.captions[Caption::kDiretorioDestino],
            repo.Path("out/ORACLE/02-ATUALIZACAO/10-DBVKT_XYZ_Grants.sql"));
}

TEST(GeraScript, ListedNamesResolveAsPathsDo) {
  TestRepository repo;
  repo.FileList("[TRIGGERS]\nNUMFILES=4\nFILE1=t\nFILE2=T\nFILE3=Pasta\nFILE4=sub\\Dentro\n");
  repo.Source("TRIGGERS/t.ora", "lower\r\n");
  repo.Source("TRIGGERS/T.ora", "upper\r\n");
  repo.dir.MakeDir("src/TRIGGERS/Pasta.ora");
  repo.Source("TRIGGERS/Sub/dentro.ora", "inside\r\n");
  FakeDesktop desktop;

  Generate(repo, "TRIGGERS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo não encontrado: " + repo.Path("src/TRIGGERS/Pasta.ora")}));
  const std::string script = repo.Output("ORACLE/02-ATUALIZACAO/09-DBVKT_XYZ_Triggers.sql");
  EXPECT_NE(script.find("t.ora');\r\n \r\nlower\r\n"), std::string::npos);
  EXPECT_NE(script.find("T.ora');\r\n \r\nupper\r\n"), std::string::npos);
  EXPECT_NE(script.find("sub\\Dentro.ora');\r\n \r\ninside\r\n"), std::string::npos);
}

TEST(GeraScript, JobsOfASystemWithoutPrefixWritesNothingAndListsNothing) {
  TestRepository repo("XYZ");
  repo.FileList("[JOBS]\nNUMFILES=2\nFILE1=J\n");
  repo.Source("JOBS/J.ora", "job\r\n");
  repo.Source("JOBS/OTHER.ora", "job\r\n");
  FakeDesktop desktop;

  Generate(repo, "JOBS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
  EXPECT_EQ(testing::FolderNames(repo.Path("out/ORACLE/02-ATUALIZACAO")), Lines{});
  EXPECT_EQ(desktop.captions[Caption::kDiretorioOrigem], "");
  EXPECT_EQ(desktop.captions[Caption::kDiretorioDestino], "");
}

}  // namespace
}  // namespace vkt::generate
