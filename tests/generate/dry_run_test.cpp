// The dry run behind `vktgera check`: the same messages and boxes as the
// installation run, and nothing on disk changed.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/run_dispatch.h"
#include "fs/platform/file_system.h"
#include "generate/call_plan.h"
#include "generate/framing.h"
#include "generate/gera_script.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::BoxEvent;
using testing::FakeDesktop;
using testing::TestRepository;

// Every entry under the repository's folder: path -> content ("<dir>" for
// folders), with the permission bits.
std::map<std::string, std::string> Snapshot(const TestRepository& repo) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(repo.dir.path())) {
    const std::string rel = fs::relative(e.path(), repo.dir.path()).string();
    std::string value = e.is_directory() ? "<dir>" : testing::ReadFileBytes(e.path().string());
    value += "|" + std::to_string(static_cast<int>(e.status().permissions()));
    tree[rel] = value;
  }
  return tree;
}

struct Observed {
  std::vector<std::string> messages;
  std::vector<BoxEvent> boxes;
};

Observed PressInstall(TestRepository& repo, const std::string& tipo, bool dry_run) {
  FakeDesktop desktop;
  app::cmdExecuta_Click(repo.session, app::RunRequest{1, tipo},
                        app::RunOptions{.dry_run = dry_run});
  return {repo.session.Mensagens, desktop.boxes};
}

// Runs `tipo` dry, checks that nothing changed, then for real, and expects
// the same report from both, which it returns.
Observed ExpectDryRunMatchesTheRun(TestRepository& repo, const std::string& tipo) {
  const auto before = Snapshot(repo);
  const Observed dry = PressInstall(repo, tipo, true);
  EXPECT_EQ(Snapshot(repo), before) << "the dry run changed the disk";
  const Observed real = PressInstall(repo, tipo, false);
  EXPECT_EQ(dry.messages, real.messages);
  EXPECT_EQ(dry.boxes, real.boxes);
  EXPECT_NE(Snapshot(repo), before) << "the real run should have written";
  return real;
}

bool HasLine(const Observed& observed, const std::string& line) {
  for (const std::string& m : observed.messages) {
    if (m == line) return true;
  }
  return false;
}

TEST(DryRun, ReportsWhatAWholeRunReportsAndWritesNothing) {
  TestRepository repo;
  repo.Companions();
  repo.FileList(
      "[TABELAS]\nNUMFILES=4\nFILE1=A\nFILE2=MISSING\nFILE4=B\n"
      "[VIEWS]\nNUMFILES=x\n"
      "[PROCEDURES_SQL_2005]\nNUMFILES=1\nFILE1=P\n");
  repo.Source("Tabelas/A.ora", "a\r\n");
  repo.Source("Tabelas/A.sql", "a\r\n");
  repo.Source("Tabelas/B.ora", "");
  repo.Source("Tabelas/EXTRA.sql", "not listed\r\n");
  repo.Source("Tabelas/.B.sql", "hidden\r\n");
  repo.Source("PROCEDURES/P.sql2005", "p\r\n");
  ExpectDryRunMatchesTheRun(repo, "TODOS");
}

TEST(DryRun, AnOutputScriptThatCannotBeReplacedIsReportedAlike) {
  TestRepository repo;
  repo.Companions();
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n[TABELAS]\nNUMFILES=1\nFILE1=T\n");
  repo.Source("Views/V.ora", "v\r\n");
  repo.Source("Views/V.sql", "v\r\n");
  repo.Source("Tabelas/T.ora", "t\r\n");
  repo.Source("Tabelas/T.sql", "t\r\n");
  repo.dir.MakeDir("out/ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql");  // a folder
  repo.dir.Write("out/sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql", "locked");
  ASSERT_EQ(::chmod(repo.Path("out/sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql").c_str(), 0444), 0);
  // The version scripts too.
  repo.dir.MakeDir("out/sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql");
  repo.dir.Write("out/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql", "old");
  ASSERT_EQ(::chmod(repo.Path("out/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql").c_str(),
                    0444),
            0);
  const Observed real = ExpectDryRunMatchesTheRun(repo, "TODOS");
  const std::string out = repo.Path("out");
  EXPECT_TRUE(HasLine(real, "Erro ao gravar o arquivo: " + out +
                                "/ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql - Is a directory"));
}

TEST(DryRun, LeavesAnOlderPackageAsItWas) {
  TestRepository repo;
  repo.Companions();
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
  repo.Source("Views/V.ora", "v\r\n");
  repo.Source("Views/V.sql", "v\r\n");
  PressInstall(repo, "VIEWS", false);  // a package from an earlier run
  repo.Source("Views/V.ora", "changed since\r\n");
  const auto before = Snapshot(repo);
  const Observed dry = PressInstall(repo, "VIEWS", true);
  EXPECT_EQ(dry.messages, std::vector<std::string>{""});
  EXPECT_EQ(dry.boxes, (std::vector<BoxEvent>{{"FIM", "VKTGeraInstallBD", BoxIcon::kNone}}));
  EXPECT_EQ(Snapshot(repo), before);
}

// ---- the plan of a call --------------------------------------------------------

}  // namespace
}  // namespace vkt::generate
