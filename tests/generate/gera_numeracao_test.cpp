#include "generate/gera_numeracao.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TempDir;
using Lines = std::vector<std::string>;

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

class GeraNumeracaoTest : public ::testing::Test {
 protected:
  GeraNumeracaoTest() { session_.settings.PathOrigem = dir_.path(); }

  // Runs the numbering and returns the lines after the first (empty) one.
  Lines Run(std::string_view tipo_objeto, std::string_view banco = "ORACLE") {
    GeraNumeracao(session_, tipo_objeto, banco);
    EXPECT_FALSE(session_.Mensagens.empty());
    if (session_.Mensagens.empty()) return {};
    EXPECT_EQ(session_.Mensagens[0], "");
    return Lines(session_.Mensagens.begin() + 1, session_.Mensagens.end());
  }

  TempDir dir_;
  FakeDesktop desktop_;
  app::Session session_;
};

TEST(GeraNumeracao, NumbersTheNamesOfTheFolderInListingOrder) {
  struct Case {
    const char* what;
    std::string_view tipo_objeto;
    std::vector<std::string> files;  // a trailing "/" makes a folder
    Lines expected;
  } cases[] = {
      {"the Oracle and SQL Server variants collapse",
       "TABELAS",
       {"Tabelas/CRIA_A.ora", "Tabelas/CRIA_A.sql", "Tabelas/CRIA_B.ora"},
       {"FILE1=CRIA_A", "FILE2=CRIA_B"}},
      {"the first occurrence keeps its letter case (equal after Unicode upper-casing)",
       "TABELAS",
       {"Tabelas/cria_a.ora", "Tabelas/CRIA_A.sql", "Tabelas/Ação.ora", "Tabelas/AÇÃO.sql"},
       {"FILE1=Ação", "FILE2=cria_a"}},
      {"a SQL 2005 file keeps its own line",
       "PROCEDURES",
       {"procedures/X.ora", "procedures/X.sql", "procedures/X.sql2005"},
       {"FILE1=X", "FILE2=X.sql"}},
      {"every file is numbered, subfolders are not",
       "DADOS",
       {"Dados/carga.ora", "Dados/diagrama.png", "Dados/leia-me.docx", "Dados/abc",
        "Dados/antigos.ora/"},
       {"FILE1=abc", "FILE2=carga", "FILE3=diagrama", "FILE4=leia-me."}},
      // Upper-cased ordinal order: "A" < "Z" < "_" (0x5F), so "_x" comes after
      // "Z" although a byte order would put "a" last.
      {"NTFS listing order",
       "VIEWS",
       {"Views/_x.ora", "Views/Z.ora", "Views/a.ora", "Views/b10.ora", "Views/B2.ora"},
       {"FILE1=a", "FILE2=b10", "FILE3=B2", "FILE4=Z", "FILE5=_x"}},
      {"the folder is found without regard to case", "TABELAS", {"TABELAS/t1.ora"}, {"FILE1=t1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    for (const std::string& file : c.files) {
      if (file.back() == '/') {
        dir.MakeDir(file);
      } else {
        dir.Write(file, "");
      }
    }
    FakeDesktop desktop;
    app::Session session;
    session.settings.PathOrigem = dir.path();
    GeraNumeracao(session, c.tipo_objeto, "ORACLE");
    Lines expected = c.expected;
    expected.insert(expected.begin(), "");
    EXPECT_EQ(session.Mensagens, expected);
  }
}

TEST_F(GeraNumeracaoTest, EmptyFolderGivesNoLines) {
  dir_.MakeDir("Tabelas");
  EXPECT_EQ(Run("TABELAS"), Lines{});
  EXPECT_EQ(desktop_.message_text, "");
  EXPECT_EQ(desktop_.message_updates, 1);
  EXPECT_EQ(desktop_.yields, 0);
}

TEST_F(GeraNumeracaoTest, MissingFolderGivesNoLines) {
  dir_.Write("Views/v.ora", "");
  EXPECT_EQ(Run("TABELAS"), Lines{});
  EXPECT_EQ(desktop_.message_text, "");
  EXPECT_EQ(desktop_.message_updates, 1);
}

TEST_F(GeraNumeracaoTest, DatabaseKindHasNoInfluence) {
  dir_.Write("Triggers/t1.ora", "");
  dir_.Write("Triggers/t1.sql", "");
  dir_.Write("Triggers/t2.sql", "");
  const Lines oracle = Run("TRIGGERS", "ORACLE");
  const std::string oracle_text = desktop_.message_text;
  session_.ResetMessages();
  EXPECT_EQ(Run("TRIGGERS", "SQLSERVER"), oracle);
  EXPECT_EQ(desktop_.message_text, oracle_text);
  EXPECT_EQ(oracle, (Lines{"FILE1=t1", "FILE2=t2"}));
}

TEST_F(GeraNumeracaoTest, YieldsAfterEachListedNameAndEachLine) {
  dir_.Write("Sequences/s1.ora", "");
  dir_.Write("Sequences/s1.sql", "");
  dir_.Write("Sequences/s2.ora", "");
  dir_.Write("Sequences/s2.sql", "");
  dir_.Write("Sequences/s3.ora", "");
  Run("SEQUENCES");
  EXPECT_EQ(desktop_.yields, 5 + 3);
}

TEST_F(GeraNumeracaoTest, KeywordsWithoutNumberingFolderUseTheGenerationFolder) {
  dir_.Write("grants/g.ora", "");
  dir_.Write("Sinonimos/s.ora", "");
  dir_.Write("Jobs/j.ora", "");
  dir_.Write("Types_Rules_Defaults/t.sql", "");
  dir_.Write("Procedures/p.sql2005", "");
  dir_.Write("Packages/k.sql2005", "");
  session_.settings.SISTEMA = "SEM_PREFIXO";  // "JOBS" lists its folder whatever the system
  const std::pair<std::string_view, std::string> cases[] = {
      {"GRANTS", "FILE1=g"},
      {"SINONIMOS", "FILE1=s"},
      {"JOBS", "FILE1=j"},
      {"TYPESRULESDEFAULTS", "FILE1=t"},
      {"PROCEDURES_SQL_2005", "FILE1=p.sql"},
      {"PACKAGES_SQL_2005", "FILE1=k.sql"},
  };
  for (const auto& [tipo, line] : cases) {
    session_.ResetMessages();
    EXPECT_EQ(Run(tipo), Lines{line}) << tipo;
  }
}

TEST_F(GeraNumeracaoTest, TodosListsNothing) {
  dir_.Write("root.ora", "");  // a root listing would number this
  dir_.Write("Tabelas/t.ora", "");
  EXPECT_EQ(Run("TODOS"), (Lines{"Nao existe pasta de origem para o tipo: TODOS"}));
  EXPECT_EQ(desktop_.message_text, "\rNao existe pasta de origem para o tipo: TODOS");
  EXPECT_EQ(desktop_.yields, 0);
}

TEST_F(GeraNumeracaoTest, AppendsAfterEarlierMessagesAndShowsThemAll) {
  session_.Mensagens.push_back("linha anterior");
  dir_.Write("Templates/m.ora", "");
  EXPECT_EQ(Run("TEMPLATES"), (Lines{"linha anterior", "FILE1=m"}));
  EXPECT_EQ(desktop_.message_text, "\rlinha anterior\rFILE1=m");
  EXPECT_EQ(desktop_.message_updates, 1);
}

TEST_F(GeraNumeracaoTest, ManyFilesAreNumberedInOrder) {
  for (int i = 0; i < 1200; ++i) {
    const std::string base = "Evolucao2/E" +
                             std::string(i < 10     ? "000"
                                         : i < 100  ? "00"
                                         : i < 1000 ? "0"
                                                    : "") +
                             std::to_string(i);
    dir_.Write(base + ".ora", "");
    dir_.Write(base + ".sql", "");
  }
  const Lines lines = Run("EVOLUCAO2");
  ASSERT_EQ(lines.size(), 1200u);
  EXPECT_EQ(lines.front(), "FILE1=E0000");
  EXPECT_EQ(lines[999], "FILE1000=E0999");
  EXPECT_EQ(lines.back(), "FILE1200=E1199");
  EXPECT_EQ(desktop_.yields, 2400 + 1200);
}

TEST_F(GeraNumeracaoTest, OtherKeywordsWithoutFolderAreReportedByName) {
  dir_.Write("DOCS_E_BATS/d.ora", "");
  EXPECT_EQ(Run("DOCS_E_BATS"), (Lines{"Nao existe pasta de origem para o tipo: DOCS_E_BATS"}));
}

}  // namespace
}  // namespace vkt::generate
