#include "generate/gera_script.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

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
  bool exec = false;
  GeraScript(repo.session, "TABELAS", "ORACLE", exec);
  EXPECT_EQ(desktop.yields, 1);
  EXPECT_EQ(desktop.caption_log,
            (Lines{"Lendo config :: " + repo.Path("files.ini"), repo.Path("src/Tabelas"),
                   repo.Path("out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql")}));
  EXPECT_EQ(desktop.message_text, "\r\nearlier\r\nArquivo Nao esta no ini: Z.ora");

  GeraScript(repo.session, "TABELAS", "SQLSERVER", exec);
  EXPECT_EQ(desktop.message_text,
            "\rearlier\rArquivo Nao esta no ini: Z.ora\rArquivo Nao esta no ini: Z.sql");
}

}  // namespace
}  // namespace vkt::generate
