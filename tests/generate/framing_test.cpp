#include "generate/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vkt::generate {
namespace {

TEST(Framing, HeaderTexts) {
  EXPECT_EQ(MontaCabecalho("TABELAS", "SQLSERVER", "XYZ", "\r"), "");
  EXPECT_EQ(MontaCabecalho("VIEWS", "ORACLE", "XYZ", "\r\n"),
            "SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log\r\n");
  EXPECT_EQ(MontaCabecalho("GRANTS", "ORACLE", "XYZ", "|"),
            "SET SERVEROUTPUT ON SIZE 1000000|SET LINESIZE 80|SPOOL C:\\SCRIPTS\\XYZ_GRANTS.log|");
}

TEST(Framing, CloserTexts) {
  EXPECT_EQ(MontaFechamentoBloco("TABELAS", "SQLSERVER", "XYZ", "\r"), "");
  EXPECT_EQ(MontaFechamentoBloco("DADOS", "ORACLE", "WYN", "\r\n"), "");
  EXPECT_EQ(MontaFechamentoBloco("TEMPLATES", "ORACLE", "wyn", "\r\n"), "");
  // The lines themselves are pinned by the script layouts; here, that every
  // line ends with the given separator.
  std::string closer = MontaFechamentoBloco("DADOS", "ORACLE", "XYZ", "|");
  EXPECT_EQ(closer.substr(0, 8), "COMMIT;|");
  EXPECT_EQ(closer.substr(closer.size() - 7), "END;|/|");
  EXPECT_EQ(closer.find("\r"), std::string::npos);
}

TEST(Framing, OpeningByTypeKindAndSystem) {
  struct Case {
    const char* tipo;
    const char* banco;
    const char* sistema;
    bool blank, block, progress;
  } cases[] = {
      {"TABELAS", "ORACLE", "XYZ", true, true, true},
      {"TABELAS2", "SQLSERVER", "XYZ", true, false, true},
      {"SEQUENCES", "ORACLE", "XYZ", false, true, true},
      {"VIEWS", "ORACLE", "XYZ", false, false, true},
      {"TYPESRULESDEFAULTS", "ORACLE", "XYZ", false, false, true},
      {"DADOS", "ORACLE", "WYN", true, false, false},
      {"TEMPLATES", "SQLSERVER", "WYN", true, false, false},
      {"DADOS", "ORACLE", "XYZ", false, true, true},
      {"GRANTS", "ORACLE", "WYN", false, true, true},
  };
  for (const auto& c : cases) {
    FileOpening o = AberturaArquivo(c.tipo, c.banco, c.sistema);
    EXPECT_EQ(o.blank_line, c.blank) << c.tipo << " " << c.banco << " " << c.sistema;
    EXPECT_EQ(o.block_opening, c.block) << c.tipo << " " << c.banco << " " << c.sistema;
    EXPECT_EQ(o.progress, c.progress) << c.tipo << " " << c.banco << " " << c.sistema;
  }
}

TEST(Framing, ProgressAndSeparatorLines) {
  EXPECT_EQ(LinhaProgresso("ORACLE", false, "A.ora"), "dbms_output.put_line('EXECUCAO: A.ora');");
  EXPECT_EQ(LinhaProgresso("ORACLE", true, "V.ora"),
            "exec dbms_output.put_line('EXECUCAO: V.ora');");
  EXPECT_EQ(LinhaProgresso("SQLSERVER", true, "A.sql"), "Print 'EXECUCAO: A.sql'");
  EXPECT_EQ(LinhaSeparadora("ORACLE"), " ");
  EXPECT_EQ(LinhaSeparadora("SQLSERVER"), "GO");
  EXPECT_EQ(Separador("SQLSERVER"), "\r");
  EXPECT_EQ(Separador("Oracle"), "\r\n");
}

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
}

TEST(Framing, AdicionaMensagemAppendsOneLine) {
  std::vector<std::string> mensagens{""};
  AdicionaMensagem(mensagens, "Arquivo Nao esta no ini: C.ora");
  AdicionaMensagem(mensagens, "");
  EXPECT_EQ(mensagens, (std::vector<std::string>{"", "Arquivo Nao esta no ini: C.ora", ""}));
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

}  // namespace
}  // namespace vkt::generate
