#include "generate/gera_numeracao.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/object_types.h"
#include "generate/framing.h"
#include "generate/gera_script.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

TEST(BaseName, CutsTheLastFourCharacters) {
  // Characters, not bytes; a byte that is no UTF-8 counts as one; fewer than
  // four characters are kept whole.
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"CRIA_A.ora", "CRIA_A"}, {"X.sql2005", "X.sql"}, {"Ação.ora", "Ação"}, {"nome.ção", "nome"},
      {"€€€€€", "€"},           {"abcd", ""},           {"abc", "abc"},       {"çãé", "çãé"},
      {"a\xff.ora", "a\xff"},   {"x.o\xff\xfe", "x"}};
  for (const auto& [file_name, base] : cases) EXPECT_EQ(BaseName(file_name), base) << file_name;
}

// The folder of the table's row for the exact keyword (numbering's own, else
// generation's); none for a row without one, and for what is no row.
TEST(NumberingFolder, IsTheTablesForTheExactKeyword) {
  for (const config::ObjectType& type : config::kObjectTypeTable) {
    const std::string folder(config::NumberingFolder(type));
    EXPECT_EQ(NumberingFolder(type.keyword).value_or(""), folder) << type.keyword;
  }
  for (const char* other : {"TODOS", "tabelas", ""})
    EXPECT_EQ(NumberingFolder(other), std::nullopt);
}

// The window stays responsive: one yield per listed file and per line shown.
TEST(GeraNumeracao, YieldsForEveryFileAndLine) {
  TestRepository repo;
  repo.Source("Views/V1.ora", "x");
  repo.Source("Views/v1.sql", "x");
  repo.Source("Views/V2.ora", "x");
  FakeDesktop desktop;
  GeraNumeracao(desktop.services(), repo.session, "VIEWS", DatabaseKind::kOracle);
  EXPECT_EQ(desktop.yields, 5);
  EXPECT_EQ(desktop.message_text.size(), std::string("\rFILE1=V1\rFILE2=V2").size());
}

// The run as the window sees it; what it writes is pinned by tests/cases.
TEST(GeraScript, SetsCaptionsYieldsOnceAndShowsMessagesWithTheKindsSeparator) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n[JOBS]\nNUMFILES=0\n");
  repo.Source("Tabelas/A.ora", "x\r\n");
  repo.Source("Tabelas/A.sql", "x\r\n");
  repo.Source("Tabelas/Z.ora", "x\r\n");
  repo.Source("Tabelas/Z.sql", "x\r\n");
  repo.session.Mensagens = {"", "earlier"};
  FakeDesktop desktop;
  GeraScript(desktop.services(), repo.session, "TABELAS", DatabaseKind::kOracle, false);
  EXPECT_EQ(desktop.yields, 1);
  EXPECT_EQ(desktop.caption_log,
            (Lines{"Lendo config :: " + repo.Path("files.ini"),
                   CaminhoMensagem(repo.Path("src") + "\\Tabelas"),
                   CaminhoMensagem(repo.Path("out") +
                                   "\\ORACLE\\02-ATUALIZACAO\\02-DBVKT_XYZ_Tabelas.sql")}));
  EXPECT_EQ(desktop.message_text, "\r\nearlier\r\nArquivo Nao esta no ini: Z.ora");

  GeraScript(desktop.services(), repo.session, "TABELAS", DatabaseKind::kSqlServer, false);
  EXPECT_EQ(desktop.message_text,
            "\rearlier\rArquivo Nao esta no ini: Z.ora\rArquivo Nao esta no ini: Z.sql");
  // A kind without a section stops there, its message already in view.
  GeraScript(desktop.services(), repo.session, "VIEWS", DatabaseKind::kOracle, false);
  EXPECT_EQ(desktop.message_text,
            "\r\nearlier\r\nArquivo Nao esta no ini: Z.ora\r\nArquivo Nao esta no ini: "
            "Z.sql\r\nNao existe a seção: VIEWS no arquivo ini");
  // A kind with no script for this system shows the messages so far.
  GeraScript(desktop.services(), repo.session, "JOBS", DatabaseKind::kSqlServer, false);
  EXPECT_EQ(desktop.message_text,
            "\rearlier\rArquivo Nao esta no ini: Z.ora\rArquivo Nao esta no ini: Z.sql\rNao "
            "existe a seção: VIEWS no arquivo ini");
}

}  // namespace
}  // namespace vkt::generate
