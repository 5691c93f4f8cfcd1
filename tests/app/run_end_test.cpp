#include "app/run_end.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/run_dispatch.h"
#include "app/startup.h"
#include "app/version_script.h"
#include "generate/framing.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;

TEST(BoxCounter, CountsEveryBoxButFimAndShowsThemAll) {
  FakeDesktop desktop;
  {
    BoxCounter counter;
    Desktop().boxes->Show("Erro", "T", BoxIcon::kCritical);
    Desktop().boxes->Show("FIM", "T", BoxIcon::kNone);
    Desktop().boxes->Show("Outro", "T", BoxIcon::kNone);
    EXPECT_EQ(counter.boxes(), 2u);
  }
  EXPECT_EQ(desktop.boxes.size(), 3u);
  Desktop().boxes->Show("Depois", "T", BoxIcon::kNone);
  EXPECT_EQ(desktop.boxes.size(), 4u);
}

TEST(CarregaCombos, ChoosesTheOnlyNamedRepository) {
  const std::pair<std::vector<std::string>, int> cases[] = {
      {{}, -1}, {{"A"}, 0}, {{"A", "B"}, -1}, {{"", "A", ""}, 1}, {{""}, -1},
  };
  for (const auto& [names, selected] : cases) {
    Session session;
    session.general.repositories = names;
    EXPECT_EQ(CarregaCombos(session).selected_repository, selected) << names.size();
  }
}

TEST(QuitAfterStartStatus, SaysWhetherTheStartWasClean) {
  EXPECT_EQ(QuitAfterStartStatus(true, 0), 0);
  EXPECT_EQ(QuitAfterStartStatus(true, 1), 1);
  EXPECT_EQ(QuitAfterStartStatus(false, 0), 2);
}

// A repository of one view, V, whose SQL Server script is missing.
class RunFromWindowEnd : public ::testing::Test {
 protected:
  RunFromWindowEnd() {
    repo_.Companions();
    repo_.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
    repo_.Source("Views/V.ora", "x\r\n");
  }
  std::string Press(int index) {
    return RunFromWindow(repo_.session, index, "VIEWS", "R1", [](bool) {});
  }

  FakeDesktop desktop_;
  TestRepository repo_;
  const std::string out_ = generate::CaminhoMensagem(repo_.session.settings.PathDestino);
  const std::string version_ = generate::CaminhoMensagem(SqlServerVersionScriptPath(repo_.session));
};

// The end line's wording (counts, check runs, the version script, none for
// numbering) is pinned by tests/cases/end-line.case; here, the window's: it
// replaces what the captions said during the run.
TEST_F(RunFromWindowEnd, ShowsTheEndOfTheRunInTheCaptions) {
  const std::string line = "Pacote: " + out_ + " — 1 problema; versão acrescentada a " +
                           generate::CaminhoMensagem(SqlServerVersionScript());
  EXPECT_EQ(Press(1), line);
  EXPECT_EQ(desktop_.captions[Caption::kConfigUtilizado], line);
  EXPECT_EQ(desktop_.captions[Caption::kDiretorioOrigem],
            generate::CaminhoMensagem(repo_.session.settings.PathOrigem));
  EXPECT_EQ(desktop_.captions[Caption::kDiretorioDestino], out_);

  // Numbering writes no package: the captions stay as the run left them.
  desktop_.captions.clear();
  EXPECT_EQ(Press(0), "");
  EXPECT_EQ(desktop_.captions.count(Caption::kConfigUtilizado), 0u);
}

// A folder in place of the version script: no line appended, and its error
// is the one problem left.
TEST_F(RunFromWindowEnd, NamesNoVersionScriptItCouldNotAppendTo) {
  repo_.dir.MakeDir("out/SQL_SERVER/02-ATUALIZACAO/15-SA_Versao_Database.sql");
  repo_.Source("Views/V.sql", "x\r\n");
  EXPECT_EQ(Press(1), "Pacote: " + out_ + " — 1 problema");
  EXPECT_TRUE(repo_.session.Mensagens.back().starts_with("Erro ao gravar o arquivo: " + version_));
}

}  // namespace
}  // namespace vkt::app
