#include "app/run_dispatch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using testing::BoxEvent;
using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

// Records the generation calls instead of generating; each call also leaves a
// message line, as a real step may.
class RecordingGenerator final : public Generator {
 public:
  void GeraScript(Session& session, std::string_view tipo, std::string_view banco,
                  bool& bExec) override {
    calls.push_back(std::string(tipo) + "/" + std::string(banco) + (bExec ? "/exec" : ""));
    session.Mensagens.push_back("called");
  }
  void GeraNumeracao(Session& session, std::string_view tipo, std::string_view banco) override {
    calls.push_back("numbering " + std::string(tipo) + "/" + std::string(banco));
    session.Mensagens.push_back("called");
  }
  Lines calls;
};

const Lines kAllButZ7Q = {
    "TYPESRULESDEFAULTS/SQLSERVER",
    "TYPESRULESDEFAULTS/ORACLE/exec",
    "DOCS_E_BATS/SQLSERVER",
    "DOCS_E_BATS/ORACLE",
    "TABELAS/SQLSERVER",
    "TABELAS/ORACLE",
    "EVOLUCAO/SQLSERVER",
    "EVOLUCAO/ORACLE",
    "PROCEDURES/SQLSERVER",
    "PROCEDURES/ORACLE/exec",
    "PACKAGES/SQLSERVER",
    "PACKAGES/ORACLE/exec",
    "VIEWS/SQLSERVER",
    "VIEWS/ORACLE/exec",
    "FUNCTIONS/SQLSERVER",
    "FUNCTIONS/ORACLE/exec",
    "TRIGGERS/SQLSERVER",
    "TRIGGERS/ORACLE/exec",
    "SEQUENCES/SQLSERVER",
    "SEQUENCES/ORACLE",
    "DADOS/SQLSERVER",
    "DADOS/ORACLE",
    "GRANTS/SQLSERVER",
    "GRANTS/ORACLE",
    "SINONIMOS/SQLSERVER",
    "SINONIMOS/ORACLE",
    "PROCEDURES_SQL_2005/SQLSERVER",
    "PACKAGES_SQL_2005/SQLSERVER",
    "JOBS/SQLSERVER",
    "JOBS/ORACLE",
    "TEMPLATES/SQLSERVER",
    "TEMPLATES/ORACLE",
    "EVOLUCAO2/SQLSERVER",
    "EVOLUCAO2/ORACLE",
    "TABELAS2/SQLSERVER",
    "TABELAS2/ORACLE",
};

Lines Z7QCalls() {
  Lines calls = kAllButZ7Q;
  const Lines extra = {"OPCOES_MENU/SQLSERVER",      "OPCOES_MENU/ORACLE",
                       "OPCOES_MENU_ZEMO/SQLSERVER", "OPCOES_MENU_ZEMO/ORACLE",
                       "TEMPLATES_ZEMO/SQLSERVER",   "TEMPLATES_ZEMO/ORACLE"};
  calls.insert(calls.end() - 2, extra.begin(), extra.end());
  return calls;
}

const BoxEvent kFim{"FIM", "VKTGeraInstallBD", BoxIcon::kNone};

// The recording generator makes no folders: the update folders exist already.
RunOutcome Press(TestRepository& repo, RecordingGenerator& generator, std::string tipo,
                 int index = 1) {
  if (index == 1 && !repo.session.settings.PathDestino.empty()) {
    repo.dir.MakeDir("out/sql_server/02-ATUALIZACAO");
    repo.dir.MakeDir("out/ORACLE/02-ATUALIZACAO");
  }
  return cmdExecuta_Click(repo.session, RunRequest{index, std::move(tipo)}, generator);
}

TEST(RunDispatch, TodosRunsEveryRowButTheZ7QOnes) {
  TestRepository repo("XYZ");
  RecordingGenerator generator;
  FakeDesktop desktop;
  EXPECT_EQ(Press(repo, generator, "TODOS"), RunOutcome::kRan);
  ASSERT_EQ(generator.calls.size(), 36u);
  EXPECT_EQ(generator.calls, kAllButZ7Q);
  EXPECT_EQ(desktop.boxes, std::vector<BoxEvent>{kFim});
}

TEST(RunDispatch, TodosForZ7QAddsTheMenuAndTemplateRows) {
  TestRepository repo("z7q");  // the test upper-cases the system
  RecordingGenerator generator;
  FakeDesktop desktop;
  Press(repo, generator, "TODOS");
  ASSERT_EQ(generator.calls.size(), 42u);
  EXPECT_EQ(generator.calls, Z7QCalls());
}

TEST(RunDispatch, OneTypeRunsTheCompanionFilesAndThatType) {
  struct Case {
    std::string tipo;
    Lines calls;
  };
  const Case cases[] = {
      {"VIEWS",
       {"DOCS_E_BATS/SQLSERVER", "DOCS_E_BATS/ORACLE", "VIEWS/SQLSERVER", "VIEWS/ORACLE/exec"}},
      {"views",
       {"DOCS_E_BATS/SQLSERVER", "DOCS_E_BATS/ORACLE", "VIEWS/SQLSERVER", "VIEWS/ORACLE/exec"}},
      {"PROCEDURES_SQL_2005",
       {"DOCS_E_BATS/SQLSERVER", "DOCS_E_BATS/ORACLE", "PROCEDURES_SQL_2005/SQLSERVER"}},
      {"TYPESRULESDEFAULTS",
       {"TYPESRULESDEFAULTS/SQLSERVER", "TYPESRULESDEFAULTS/ORACLE/exec", "DOCS_E_BATS/SQLSERVER",
        "DOCS_E_BATS/ORACLE"}},
      {"OPCOES_MENU",
       {"DOCS_E_BATS/SQLSERVER", "DOCS_E_BATS/ORACLE", "OPCOES_MENU/SQLSERVER",
        "OPCOES_MENU/ORACLE"}},
      {"JOBS", {"DOCS_E_BATS/SQLSERVER", "DOCS_E_BATS/ORACLE", "JOBS/SQLSERVER", "JOBS/ORACLE"}},
  };
  for (const Case& c : cases) {
    TestRepository repo("XYZ");
    RecordingGenerator generator;
    FakeDesktop desktop;
    Press(repo, generator, c.tipo);
    EXPECT_EQ(generator.calls, c.calls) << c.tipo;
    // The version scripts follow whatever type was chosen.
    EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql"))
        << c.tipo;
  }
}

}  // namespace
}  // namespace vkt::app
