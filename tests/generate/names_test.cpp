#include "generate/names.h"

#include <gtest/gtest.h>

namespace vkt::generate {
namespace {

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
