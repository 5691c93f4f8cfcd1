#include "generate/framing.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "generate/script_io.h"
#include "support/temp_dir.h"

namespace vkt::generate {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

struct Source {
  std::string entry;  // name with extension
  std::string bytes;
};

// Writes one output file the way the generation driver does: the header
// before the first non-empty file, per file the opening, the cleaned lines
// and (data types) the block closer, and the Oracle closing lines.
std::string Generate(const std::string& tipo, const std::string& banco, const std::string& sistema,
                     bool exec, const std::vector<Source>& sources) {
  TempDir dir;
  for (const Source& s : sources) dir.Write(s.entry, s.bytes);
  const std::string out = dir.path() + "\\out.sql";
  ScriptWriter writer;
  EXPECT_TRUE(
      writer.Create(out, IsSqlServer(banco) ? ScriptEncoding::kUtf16Le : ScriptEncoding::kCodePage)
          .ok());
  const std::string_view separador = Separador(banco);
  bool header_written = false;
  SourceFile source;
  for (const Source& s : sources) {
    EXPECT_TRUE(source.Open(dir.path() + "\\" + s.entry).ok());
    if (!source.empty() && !header_written) {
      header_written = true;
      writer.WriteLine(MontaCabecalho(tipo, banco, sistema, separador));
    }
    FileOpening opening = AberturaArquivo(tipo, banco, sistema);
    if (opening.blank_line) writer.WriteLine("");
    if (opening.block_opening) {
      for (const std::string& piece : AberturaBloco()) writer.WriteLine(piece);
    }
    if (opening.progress) {
      writer.WriteLine(LinhaProgresso(banco, exec, s.entry));
      writer.WriteLine(LinhaSeparadora(banco));
    }
    writer.CopyCleanedLines(source);
    if (!IsCodeObjectType(tipo)) {
      writer.WriteLine(MontaFechamentoBloco(tipo, banco, sistema, separador));
    }
  }
  if (header_written && !IsSqlServer(banco)) {
    for (const std::string& piece : FechamentoOracle()) writer.WriteLine(piece);
  }
  EXPECT_TRUE(writer.Close().ok());
  return dir.Read("out.sql");
}

std::string CrLf(const Lines& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// UTF-16LE with the byte-order mark, from ASCII-or-Latin-1 text given as
// UTF-16 units.
std::string Utf16Le(const std::u16string& units) {
  std::string s = "\xFF\xFE";
  for (char16_t u : units) {
    s.push_back(static_cast<char>(u & 0xFF));
    s.push_back(static_cast<char>(u >> 8));
  }
  return s;
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

const Lines kCloser = {
    "COMMIT;",
    "EXCEPTION",
    "   WHEN OTHERS THEN",
    "        dbms_output.put_line('Erro no Comando:' || SUBSTR(stmt,1,230));",
    "        dbms_output.put_line(TO_CHAR(SQLCODE));",
    "        If SQLCODE <> 0 And SQLCODE <> -20001 Then",
    "           RAISE;",
    "        END IF;",
    "END;",
    "/",
    "",
};

Lines operator+(Lines a, const Lines& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(Layout, OracleDataTypeTabelas) {
  std::string got = Generate(
      "TABELAS", "ORACLE", "XYZ", false,
      {{"A.ora", "create table a (x\xFF int\xFE);\r\n/\r\n"}, {"B.ora", "create table b;"}});
  auto block = [](const std::string& entry, const Lines& content) {
    return Lines{"",
                 "DECLARE stmt            VARCHAR(10000);",
                 "        nAux            NUMBER(10);",
                 "BEGIN",
                 "",
                 "dbms_output.put_line('EXECUCAO: " + entry + "');",
                 " "} +
           content + kCloser;
  };
  Lines expected = Lines{"SET SERVEROUTPUT ON SIZE 1000000", "SET LINESIZE 80",
                         "SPOOL C:\\SCRIPTS\\XYZ_TABELAS.log", ""} +
                   block("A.ora", {"create table a (x int);", "/"}) +
                   block("B.ora", {"create table b;"}) + Lines{"SPOOL OFF;", "--EXIT", ""};
  EXPECT_EQ(got, CrLf(expected));
}

TEST(Layout, OracleCodeTypeViewsWithExec) {
  std::string got = Generate("VIEWS", "ORACLE", "XYZ", true,
                             {{"V.ora", "create view v;\r\n"}, {"W.ora", "create view w;\r\n"}});
  Lines expected = {"SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log",
                    "",
                    "exec dbms_output.put_line('EXECUCAO: V.ora');",
                    " ",
                    "create view v;",
                    "exec dbms_output.put_line('EXECUCAO: W.ora');",
                    " ",
                    "create view w;",
                    "SPOOL OFF;",
                    "--EXIT",
                    ""};
  EXPECT_EQ(got, CrLf(expected));
}

TEST(Layout, OracleDadosOfWyn) {
  std::string got = Generate("DADOS", "ORACLE", "WYN", false,
                             {{"D1.ora", "insert 1;\r\n"}, {"D2.ora", "insert 2;\r\n"}});
  Lines expected = {"SET SERVEROUTPUT ON SIZE 1000000",
                    "SET LINESIZE 80",
                    "SPOOL C:\\SCRIPTS\\WYN_DADOS.log",
                    "",
                    "",
                    "insert 1;",
                    "",
                    "",
                    "insert 2;",
                    "",
                    "SPOOL OFF;",
                    "--EXIT",
                    ""};
  EXPECT_EQ(got, CrLf(expected));
}

TEST(Layout, SqlServerTabelasIsUtf16WithBom) {
  // "ç" is 0xE7 in the system code page; 0xFF ("ÿ") is removed.
  std::string got = Generate("TABELAS", "SQLSERVER", "XYZ", false,
                             {{"A.sql", "create table a\xE7\xFF\r\ngo\r\n"}, {"B.sql", "b\r\n"}});
  std::u16string expected = Widen(CrLf({"", "", "Print 'EXECUCAO: A.sql'", "GO"})) +
                            u"create table a\u00E7\r\n" +
                            Widen(CrLf({"go", "", "", "Print 'EXECUCAO: B.sql'", "GO", "b", ""}));
  EXPECT_EQ(got, Utf16Le(expected));
}

TEST(Layout, SqlServerCodeTypeViews) {
  std::string got =
      Generate("VIEWS", "SQLSERVER", "XYZ", false, {{"V.sql", "v1\r\n"}, {"W.sql", "w1"}});
  Lines expected = {"",  "Print 'EXECUCAO: V.sql'", "GO", "v1", "Print 'EXECUCAO: W.sql'", "GO",
                    "w1"};
  EXPECT_EQ(got, Utf16Le(Widen(CrLf(expected))));
}

TEST(Layout, OracleSequencesWithoutExecHasNoBlankLine) {
  std::string got = Generate("SEQUENCES", "ORACLE", "XYZ", false, {{"S.ora", "seq;\r\n"}});
  Lines expected = Lines{"SET SERVEROUTPUT ON SIZE 1000000",
                         "SET LINESIZE 80",
                         "SPOOL C:\\SCRIPTS\\XYZ_SEQUENCES.log",
                         "",
                         "DECLARE stmt            VARCHAR(10000);",
                         "        nAux            NUMBER(10);",
                         "BEGIN",
                         "",
                         "dbms_output.put_line('EXECUCAO: S.ora');",
                         " ",
                         "seq;"} +
                   kCloser + Lines{"SPOOL OFF;", "--EXIT", ""};
  EXPECT_EQ(got, CrLf(expected));
}

TEST(Layout, HeaderWaitsForTheFirstNonEmptyFile) {
  std::string got =
      Generate("TYPESRULESDEFAULTS", "ORACLE", "XYZ", true, {{"E.ora", ""}, {"T.ora", "t;\r\n"}});
  Lines expected = {"exec dbms_output.put_line('EXECUCAO: E.ora');",
                    " ",
                    "SPOOL C:\\SCRIPTS\\XYZ_TYPESRULESDEFAULTS.log",
                    "",
                    "exec dbms_output.put_line('EXECUCAO: T.ora');",
                    " ",
                    "t;",
                    "SPOOL OFF;",
                    "--EXIT",
                    ""};
  EXPECT_EQ(got, CrLf(expected));
}

TEST(Layout, EmptySourceStillGetsItsFramingAndCloser) {
  std::string got = Generate("TABELAS", "SQLSERVER", "XYZ", false, {{"E.sql", ""}});
  EXPECT_EQ(got, Utf16Le(Widen(CrLf({"", "Print 'EXECUCAO: E.sql'", "GO", ""}))));
}

TEST(Layout, BareLineFeedFileIsOneLine) {
  std::string got = Generate("VIEWS", "ORACLE", "XYZ", false, {{"V.ora", "l1\nl2\nl3\n"}});
  Lines expected = {"SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log",
                    "",
                    "dbms_output.put_line('EXECUCAO: V.ora');",
                    " ",
                    "l1\nl2\nl3\n",
                    "SPOOL OFF;",
                    "--EXIT",
                    ""};
  EXPECT_EQ(got, CrLf(expected));
}

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
  std::string closer = MontaFechamentoBloco("DADOS", "ORACLE", "XYZ", "\r\n");
  Lines lines(kCloser.begin(), kCloser.end() - 1);
  EXPECT_EQ(closer, CrLf(lines));
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
