#include "generate/gera_numeracao.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

TEST(BaseName, CutsTheLastFourCharacters) {
  // Characters, not bytes; a byte that is no UTF-8 counts as one; fewer than
  // four characters are kept whole.
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"CRIA_A.ora", "CRIA_A"}, {"X.sql2005", "X.sql"}, {"Ação.ora", "Ação"}, {"nome.ção", "nome"},
      {"€€€€€", "€"},           {"abcd", ""},           {"abc", "abc"},       {"çãé", "çãé"},
      {"a\xff.ora", "a\xff"},   {"x.o\xff\xfe", "x"}};
  for (const auto& [file_name, base] : cases) EXPECT_EQ(BaseName(file_name), base) << file_name;
}

TEST(NumberingFolder, NumberingTableThenGenerationTable) {
  const std::pair<std::string_view, std::optional<std::string>> cases[] = {
      {"TABELAS", "\\Tabelas"},
      {"TABELAS2", "\\Tabelas2"},
      {"EVOLUCAO", "\\Evolucao"},
      {"EVOLUCAO2", "\\Evolucao2"},
      {"DADOS", "\\Dados"},
      {"TRIGGERS", "\\Triggers"},
      {"VIEWS", "\\Views"},
      {"FUNCTIONS", "\\Functions"},
      {"PROCEDURES", "\\procedures"},
      {"PACKAGES", "\\Packages"},
      {"SEQUENCES", "\\Sequences"},
      {"TEMPLATES", "\\Templates"},
      {"TYPESRULESDEFAULTS", "\\Types_Rules_Defaults"},
      {"GRANTS", "\\GRANTS"},
      {"SINONIMOS", "\\SINONIMOS"},
      {"JOBS", "\\JOBS"},
      {"PROCEDURES_SQL_2005", "\\PROCEDURES"},
      {"PACKAGES_SQL_2005", "\\PACKAGES"},
      {"TODOS", std::nullopt},
      {"DOCS_E_BATS", std::nullopt},
      {"tabelas", std::nullopt},  // keywords arrive upper-cased and match exactly
  };
  for (const auto& [tipo, folder] : cases) EXPECT_EQ(NumberingFolder(tipo), folder) << tipo;
}

// The window stays responsive: one yield per listed file and per line shown.
TEST(GeraNumeracao, YieldsForEveryFileAndLine) {
  testing::TestRepository repo;
  repo.Source("Views/V1.ora", "x");
  repo.Source("Views/v1.sql", "x");
  repo.Source("Views/V2.ora", "x");
  testing::FakeDesktop desktop;
  GeraNumeracao(repo.session, "VIEWS", "ORACLE");
  EXPECT_EQ(desktop.yields, 5);
  EXPECT_EQ(desktop.message_text.size(), std::string("\rFILE1=V1\rFILE2=V2").size());
}

}  // namespace
}  // namespace vkt::generate
