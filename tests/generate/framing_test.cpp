#include "generate/framing.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <string>
#include <string_view>
#include <utility>

#include "generate/names.h"

namespace vkt::generate {
namespace {

TEST(Framing, LimpaLinhaDropsThornAndYDiaeresisOnly) {
  // ÿ and þ go, Þ, Ÿ and ç stay.
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"\u00FF\u00FE", ""},
      {"a\u00FFb\u00FEc", "abc"},
      {"\u00DE\u0178\u00E7", "\u00DE\u0178\u00E7"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(LimpaLinha(in), out) << in;
  // A lead byte that ends the text is not paired with what lies beyond it.
  EXPECT_EQ(LimpaLinha(std::string_view("a\xC3\xBF", 2)), "a\xC3");
}

TEST(Framing, PathsInMessagesUseTheSystemsSeparator) {
#ifdef _WIN32
  // As the program built them.
  EXPECT_EQ(CaminhoMensagem("/r\\Tabelas\\A.ora"), "/r\\Tabelas\\A.ora");
  EXPECT_EQ(CaminhoMensagem("D:\\repo"), "D:\\repo");
#else
  EXPECT_EQ(CaminhoMensagem("/r\\Tabelas\\A.ora"), "/r/Tabelas/A.ora");
  EXPECT_EQ(CaminhoMensagem("D:\\repo"), "D:/repo");
#endif
}

TEST(Framing, AFailedCallBecomesTheLineOfItsOperation) {
  using platform::Operation;
  using platform::Status;
#ifdef _WIN32
  // The system's own reason, the path as built.
  EXPECT_EQ(LinhaDeErro(Status::Errno(ENOSPC, Operation::kWriteFile, "out\\a.sql")),
            "Erro ao gravar o arquivo: out\\a.sql - " + Status::Errno(ENOSPC).Text());
  EXPECT_EQ(LinhaDeErro(Status::Errno(EACCES, Operation::kReadFolder, "src\\Views")),
            "Erro ao ler a pasta: src\\Views - " + Status::Errno(EACCES).Text());
#else
  // The lines of the other operations are pinned by tests/cases (failures,
  // check-unreadable-folder).
  EXPECT_EQ(LinhaDeErro(Status::Errno(ENOSPC, Operation::kWriteFile, "out\\a.sql")),
            "Erro ao gravar o arquivo: out/a.sql - No space left on device");
  // A caller that knows the path its user knows tells it so.
  Status reached = Status::Errno(EIO, Operation::kReadFile, "/real/A.ORA");
  EXPECT_EQ(LinhaDeErro(reached.About(Operation::kReadFile, "src\\a.ora")),
            "Erro ao ler o arquivo: src/a.ora - Input/output error");
#endif
  EXPECT_TRUE(Status::Ok().About(Operation::kReadFile, "x").path.empty());
}

// The names as a run writes them are pinned by tests/cases; the run passes
// the system upper-cased.
TEST(Names, TheSpecialSystemsAreComparedUpperCased) {
  EXPECT_EQ(NomeSchema(DatabaseKind::kOracle, "korvani-pelts"), "KORVANI");
  EXPECT_EQ(NomeRoteiro(DatabaseKind::kOracle, "korvani-pelts"),
            "00-korvani-pelts_Atualizacao.sql");
  EXPECT_EQ(NomeSchema(DatabaseKind::kOracle, "XYZ"), "DBVKT_XYZ");
  EXPECT_EQ(NomeDocumentoInstrucao(DatabaseKind::kOracle, "XYZ"),
            "Roteiro_Atualizacao_XYZ_Oracle.doc");
  EXPECT_EQ(NomeSchema(DatabaseKind::kSqlServer, "korvani-pelts"), "SA");
}

}  // namespace
}  // namespace vkt::generate
