#include "generate/names.h"

#include <gtest/gtest.h>

#include <string>

namespace vkt::generate {
namespace {

TEST(Names, SchemaRoadmapDocumentAndPolicyNames) {
  struct Case {
    const char* banco;
    const char* sistema;
    const char* schema;
    const char* roteiro;
    const char* documento;
  } cases[] = {
      {"ORACLE", "XYZ", "DBVKT_XYZ", "00-DBVKT_XYZ_Atualizacao.sql",
       "Roteiro_Atualizacao_XYZ_Oracle.doc"},
      {"SQLSERVER", "XYZ", "SA", "00-SA_Atualizacao_XYZ.bat",
       "Roteiro_Atualizacao_XYZ_SQLServer.doc"},
      {"ORACLE", "KORVANI-PELTS", "KORVANI", "00-KORVANI-PELTS_Atualizacao.sql",
       "Roteiro_Atualizacao_KORVANI-PELTS_Oracle.doc"},
      {"ORACLE", "NOVASTRELLA", "NOVASTRELLA", "00-NOVASTRELLA_Atualizacao.sql",
       "Roteiro_Atualizacao_NOVASTRELLA_Oracle.doc"},
      // The special systems are special under Oracle only.
      {"SQLSERVER", "KORVANI-PELTS", "SA", "00-SA_Atualizacao_KORVANI-PELTS.bat",
       "Roteiro_Atualizacao_KORVANI-PELTS_SQLServer.doc"},
      {"SQLSERVER", "NOVASTRELLA", "SA", "00-SA_Atualizacao_NOVASTRELLA.bat",
       "Roteiro_Atualizacao_NOVASTRELLA_SQLServer.doc"},
      // Any kind but "SQLSERVER" is Oracle.
      {"sqlserver", "XYZ", "DBVKT_XYZ", "00-DBVKT_XYZ_Atualizacao.sql",
       "Roteiro_Atualizacao_XYZ_Oracle.doc"},
      // The tests compare the name upper-cased; the names carry it as stored.
      {"ORACLE", "korvani-pelts", "KORVANI", "00-korvani-pelts_Atualizacao.sql",
       "Roteiro_Atualizacao_korvani-pelts_Oracle.doc"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.banco) + " / " + c.sistema);
    EXPECT_EQ(NomeSchema(c.banco, c.sistema), c.schema);
    EXPECT_EQ(NomeRoteiro(c.banco, c.sistema), c.roteiro);
    EXPECT_EQ(NomeDocumentoInstrucao(c.banco, c.sistema), c.documento);
  }
}

}  // namespace
}  // namespace vkt::generate
