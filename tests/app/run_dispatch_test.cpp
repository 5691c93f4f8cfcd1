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

TEST(RunDispatch, NumberingPassesTheSelectionAndWritesNoVersionScript) {
  TestRepository repo;
  RecordingGenerator generator;
  FakeDesktop desktop;
  EXPECT_EQ(Press(repo, generator, "todos", /*index=*/0), RunOutcome::kRan);
  EXPECT_EQ(generator.calls, Lines{"numbering TODOS/ORACLE"});
  EXPECT_FALSE(repo.dir.Exists("out"));
  EXPECT_EQ(desktop.boxes, std::vector<BoxEvent>{kFim});
}

TEST(RunDispatch, NoRepositoryEmptiesTheMessagesAndAsksForOne) {
  for (int index : {0, 1}) {
    TestRepository repo;
    repo.session.repository.clear();
    repo.session.Mensagens = {"", "from the last run"};
    RecordingGenerator generator;
    FakeDesktop desktop;
    desktop.message_text = "from the last run";

    EXPECT_EQ(Press(repo, generator, "TODOS", index), RunOutcome::kNoRepository);
    EXPECT_EQ(desktop.message_text, "");
    EXPECT_EQ(desktop.message_updates, 1);
    EXPECT_EQ(repo.session.Mensagens, Lines{""});
    EXPECT_EQ(desktop.boxes, (std::vector<BoxEvent>{{"Selecione o Repositorio!!!",
                                                     "VKTGeraInstallBD", BoxIcon::kNone}}));
    EXPECT_TRUE(generator.calls.empty());
  }
}

TEST(RunDispatch, EmptyDestinationDoesNotStartAnInstallation) {
  TestRepository repo;
  repo.session.settings.PathDestino.clear();
  repo.session.Mensagens = {"", "old"};
  RecordingGenerator generator;
  FakeDesktop desktop;

  EXPECT_EQ(Press(repo, generator, "TODOS"), RunOutcome::kIncompleteRepository);
  EXPECT_TRUE(generator.calls.empty());
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
  EXPECT_EQ(desktop.message_text, "");
  EXPECT_EQ(desktop.boxes,
            (std::vector<BoxEvent>{{"Configuração incompleta do repositório: PathDestino",
                                    "VKTGeraInstallBD", BoxIcon::kNone}}));

  // The numbering needs no destination.
  EXPECT_EQ(Press(repo, generator, "TABELAS", 0), RunOutcome::kRan);
}

TEST(RunDispatch, EachPressStartsWithAnEmptyBuffer) {
  TestRepository repo;
  RecordingGenerator generator;
  FakeDesktop desktop;
  Press(repo, generator, "VIEWS");
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "called", "called", "called", "called"}));
  Press(repo, generator, "GRANTS");
  EXPECT_EQ(repo.session.Mensagens.size(), 5u);
}

}  // namespace
}  // namespace vkt::app
