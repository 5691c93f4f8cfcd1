#include "generate/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "generate/names.h"

namespace vkt::generate {
namespace {

TEST(Framing, LimpaLinhaDropsThornAndYDiaeresisOnly) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"\xC3\xBF\xC3\xBE", ""},  // ÿþ
      {"a\xC3\xBF"
       "b\xC3\xBE"
       "c",
       "abc"},                                     // aÿbþc
      {"\xC3\x9E\xC5\xB8", "\xC3\x9E\xC5\xB8"},    // Þ Ÿ stay
      {"\xC3\xA7\xC3\xA3o", "\xC3\xA7\xC3\xA3o"},  // ção stays
  };
  for (const auto& c : cases) EXPECT_EQ(LimpaLinha(c.in), c.out) << c.in;
  // A lead byte that ends the text is not paired with what lies beyond it.
  EXPECT_EQ(LimpaLinha(std::string_view("a\xC3\xBF", 2)), "a\xC3");
}

TEST(Framing, PathsInMessagesUseForwardSlashes) {
  EXPECT_EQ(CaminhoMensagem("/r\\Tabelas\\A.ora"), "/r/Tabelas/A.ora");
  EXPECT_EQ(CaminhoMensagem("D:\\repo"), "D:/repo");
}

TEST(Framing, CodeObjectTypes) {
  for (const char* t :
       {"VIEWS", "FUNCTIONS", "PROCEDURES", "PACKAGES", "TRIGGERS", "TYPESRULESDEFAULTS"}) {
    EXPECT_TRUE(IsCodeObjectType(t)) << t;
  }
  for (const char* t : {"TABELAS", "PROCEDURES_SQL_2005", "views", "DADOS"}) {
    EXPECT_FALSE(IsCodeObjectType(t)) << t;
  }
}

// The names as a run writes them are pinned by tests/cases; the run passes
// the system upper-cased and the kind as "ORACLE" or "SQLSERVER".
TEST(Names, TheSpecialSystemsAreComparedUpperCasedAndAnyOtherKindIsOracle) {
  EXPECT_EQ(NomeSchema("ORACLE", "korvani-pelts"), "KORVANI");
  EXPECT_EQ(NomeRoteiro("ORACLE", "korvani-pelts"), "00-korvani-pelts_Atualizacao.sql");
  EXPECT_EQ(NomeSchema("sqlserver", "XYZ"), "DBVKT_XYZ");
  EXPECT_EQ(NomeDocumentoInstrucao("sqlserver", "XYZ"), "Roteiro_Atualizacao_XYZ_Oracle.doc");
}

}  // namespace
}  // namespace vkt::generate
