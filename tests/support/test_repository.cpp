#include "support/test_repository.h"

#include "text/codepage.h"

namespace vkt::testing {

TestRepository::TestRepository(std::string_view sistema) {
  session.program_folder = dir / "prog";
  session.repository = "R1";
  session.settings.SISTEMA = std::string(sistema);
  session.settings.PathOrigem = dir / "src";
  session.settings.PathDestino = dir / "out";
  session.settings.ArqConfigIni = dir / "files.ini";
  dir.MakeDir("src");
  dir.MakeDir("prog/docs");
}

void TestRepository::MainConfiguration(Paths paths, std::string_view repositories,
                                       std::string_view destino) const {
  const std::string base = paths == Paths::kAbsolute ? dir.path() + "/" : "..\\";
  const std::string target = destino.empty() ? "" : base + std::string(destino);
  dir.Write("prog/VKTGeraInstallBD.ini",
            "[GERAL]\r\nREPOSITORIO=" + std::string(repositories) +
                "\r\n[R1]\r\nSISTEMA=" + session.settings.SISTEMA + "\r\nPathOrigem=" + base +
                "src\r\nPathDestino=" + target + "\r\nArqConfigIni=" + base + "files.ini\r\n");
}

void TestRepository::Companions(bool policy) const {
  Doc("SQLSERVER/Roteiro_Atualizacao_XYZ_SQLServer.doc", "doc");
  Doc("SQLSERVER/00-SA_Atualizacao_XYZ.bat", "bat");
  Doc("ORACLE/Roteiro_Atualizacao_XYZ_Oracle.doc", "doc");
  Doc("ORACLE/00-DBVKT_XYZ_Atualizacao.sql", "roadmap");
  if (policy) Doc("ORACLE/00-DBVKT_XYZ_Adere_Politica_Seguranca.sql", "policy");
}

std::string Utf16File(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text::Utf8ToUtf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

}  // namespace vkt::testing
