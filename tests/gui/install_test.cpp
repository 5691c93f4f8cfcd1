// "Gera Install" in the window, offscreen: the real handler, the real message
// boxes (accepted by a timer, as a user would press OK), the package on disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string>
#include <vector>

#include "gui/box_accepter.h"
#include "gui/form1.h"
#include "support/test_repository.h"

namespace vkt::gui {
namespace {

using testing::TestRepository;

TEST(GeraInstallWindow, PressingTheButtonWritesThePackageAndShowsTheMessages) {
  TestRepository repo;
  repo.MainConfiguration(TestRepository::Paths::kAbsolute);
  repo.Companions();
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
  repo.Source("Views/V.ora", "CREATE VIEW V AS SELECT 1 X FROM DUAL\r\n");
  repo.Source("Views/V.sql", "CREATE VIEW V AS SELECT 1 X\r\n");
  repo.Source("Views/OLD.ora", "not listed\r\n");

  Form1 form(repo.Path("prog"));
  form.show();
  auto* repos = form.findChild<QComboBox*>("CbRepos");
  auto* types = form.findChild<QComboBox*>("CbObj");
  auto* install = form.findChild<QPushButton*>("cmdExecuta1");
  ASSERT_NE(repos, nullptr);
  ASSERT_NE(types, nullptr);
  ASSERT_NE(install, nullptr);
  repos->setCurrentIndex(0);
  emit repos->activated(0);
  types->setCurrentIndex(types->findText("VIEWS"));

  BoxAccepter accepter(install);
  install->click();

  EXPECT_EQ(accepter.texts, std::vector<std::string>{"FIM"});
  EXPECT_EQ(accepter.install_enabled, std::vector<bool>{false});
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql"),
            "SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log\r\n\r\n"
            "exec dbms_output.put_line('EXECUCAO: V.ora');\r\n \r\n"
            "CREATE VIEW V AS SELECT 1 X FROM DUAL\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
  EXPECT_TRUE(repo.OutputExists("sql_server/02-ATUALIZACAO/05-SA_Views.sql"));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/Roteiro_Atualizacao_XYZ_Oracle.doc"), "doc");
  EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql"));
  EXPECT_EQ(form.findChild<QPlainTextEdit*>("txmens")->toPlainText().toStdString(),
            "\nArquivo Nao esta no ini: OLD.ora");
  for (const char* name : {"cmdExecuta1", "cmdExecuta0", "CbRepos", "CbObj"}) {
    EXPECT_TRUE(form.findChild<QWidget*>(name)->isEnabled()) << name;
  }
}

}  // namespace
}  // namespace vkt::gui
