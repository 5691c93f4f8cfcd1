#include "generate/gera_numeracao.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vkt::generate {
namespace {

struct BaseNameCase {
  std::string_view file_name;
  std::string_view base;
};

TEST(BaseName, CutsTheLastFourCharacters) {
  const BaseNameCase cases[] = {
      {"CRIA_A.ora", "CRIA_A"},
      {"CRIA_A.sql", "CRIA_A"},
      {"X.sql2005", "X.sql"},  // only four characters go, not the extension
      {"leia-me.docx", "leia-me."},
      {"Ação.ora", "Ação"},  // characters, not bytes
      {"nome.ção", "nome"},  // multi-byte characters inside the cut part
      {"€€€€€", "€"},
      {"abcd", ""},
      {"abc", "abc"},  // fewer than four characters: kept whole
      {"çãé", "çãé"},  // three characters in six bytes
      {"", ""},
      {"a\xff.ora", "a\xff"},  // a byte that is no UTF-8 counts as one
      {"x.o\xff\xfe", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BaseName(c.file_name), c.base) << c.file_name;
  }
}

struct FolderCase {
  std::string_view tipo_objeto;
  std::optional<std::string> folder;
};

TEST(NumberingFolder, NumberingTableThenGenerationTable) {
  const FolderCase cases[] = {
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
      {"", std::nullopt},
      {"tabelas", std::nullopt},  // keywords arrive upper-cased and match exactly
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumberingFolder(c.tipo_objeto), c.folder) << c.tipo_objeto;
  }
}

}  // namespace
}  // namespace vkt::generate
