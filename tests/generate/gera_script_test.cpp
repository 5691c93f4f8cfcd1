#include "generate/gera_script.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::generate {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using testing::Utf16File;
using Lines = std::vector<std::string>;

constexpr std::string_view kOracleDataHeader =
    "SET SERVEROUTPUT ON SIZE 1000000\r\n"
    "SET LINESIZE 80\r\n";
constexpr std::string_view kBlockOpening =
    "DECLARE stmt            VARCHAR(10000);\r\n"
    "        nAux            NUMBER(10);\r\n"
    "BEGIN\r\n"
    "\r\n";
constexpr std::string_view kBlockCloser =
    "COMMIT;\r\n"
    "EXCEPTION\r\n"
    "   WHEN OTHERS THEN\r\n"
    "        dbms_output.put_line('Erro no Comando:' || SUBSTR(stmt,1,230));\r\n"
    "        dbms_output.put_line(TO_CHAR(SQLCODE));\r\n"
    "        If SQLCODE <> 0 And SQLCODE <> -20001 Then\r\n"
    "           RAISE;\r\n"
    "        END IF;\r\n"
    "END;\r\n"
    "/\r\n"
    "\r\n";
constexpr std::string_view kOracleClosing = "SPOOL OFF;\r\n--EXIT\r\n\r\n";

void Generate(TestRepository& repo, std::string_view tipo, std::string_view banco,
              bool exec = false) {
  GeraScript(repo.session, tipo, banco, exec);
}

std::string Str(std::string_view s) { return std::string(s); }

// ---- the four layouts of a script ------------------------------------------

TEST(GeraScript, OracleDataTypeLayout) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=2\nFILE1=A\nFILE2=B\n");
  // Windows-1252 text: "ç" is E7, and U+00FE (FE) is cleaned from copied lines.
  repo.Source("Tabelas/A.ora", "-- cria\xE7\xE3o\r\nCREATE TABLE A (X INT);\r\n");
  repo.Source("Tabelas/B.ora", "CREATE TABLE B\xFE (Y INT);");
  repo.Source("Tabelas/C.ora", "-- not listed\r\n");
  repo.Source("Tabelas/A.sql", "other kind\r\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");

  const std::string expected =
      Str(kOracleDataHeader) + "SPOOL C:\\SCRIPTS\\XYZ_TABELAS.log\r\n\r\n" +  //
      "\r\n" + Str(kBlockOpening) + "dbms_output.put_line('EXECUCAO: A.ora');\r\n \r\n" +
      "-- cria\xE7\xE3o\r\nCREATE TABLE A (X INT);\r\n" + Str(kBlockCloser) +  //
      "\r\n" + Str(kBlockOpening) + "dbms_output.put_line('EXECUCAO: B.ora');\r\n \r\n" +
      "CREATE TABLE B (Y INT);\r\n" + Str(kBlockCloser) + Str(kOracleClosing);
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql"), expected);
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Arquivo Nao esta no ini: C.ora"}));
}

TEST(GeraScript, OracleCodeTypeLayoutWithExec) {
  TestRepository repo;
  repo.FileList("[VIEWS]\nNUMFILES=2\nFILE1=V1\nFILE2=V2\n");
  repo.Source("VIEWS/V1.ora", "CREATE VIEW V1 AS SELECT 1 X FROM DUAL\r\n/\r\n");
  repo.Source("VIEWS/V2.ora", "CREATE VIEW V2 AS SELECT 2 X FROM DUAL\r\n/\r\n");
  FakeDesktop desktop;

  Generate(repo, "VIEWS", "ORACLE", /*exec=*/true);

  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql"),
            "SPOOL C:\\SCRIPTS\\XYZ_VIEWS.log\r\n\r\n"
            "exec dbms_output.put_line('EXECUCAO: V1.ora');\r\n \r\n"
            "CREATE VIEW V1 AS SELECT 1 X FROM DUAL\r\n/\r\n"
            "exec dbms_output.put_line('EXECUCAO: V2.ora');\r\n \r\n"
            "CREATE VIEW V2 AS SELECT 2 X FROM DUAL\r\n/\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
}

TEST(GeraScript, OracleWynDataLayout) {
  TestRepository repo("WYN");
  repo.FileList("[DADOS]\nNUMFILES=2\nFILE1=D1\nFILE2=D2\n");
  repo.Source("DADOS/D1.ora", "INSERT INTO T VALUES (1);\r\n");
  repo.Source("DADOS/D2.ora", "INSERT INTO T VALUES (2);\r\n");
  FakeDesktop desktop;

  Generate(repo, "DADOS", "ORACLE");

  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/12-DBVKT_WYN_Dados.sql"),
            Str(kOracleDataHeader) + "SPOOL C:\\SCRIPTS\\WYN_DADOS.log\r\n\r\n" +
                "\r\nINSERT INTO T VALUES (1);\r\n\r\n" +  //
                "\r\nINSERT INTO T VALUES (2);\r\n\r\n" + Str(kOracleClosing));
}

TEST(GeraScript, SqlServerDataTypeLayoutInUtf16) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=2\nFILE1=A\nFILE2=B\n");
  repo.Source("Tabelas/A.sql", "-- cria\xE7\xE3o\r\nCREATE TABLE A (X INT)\r\n");
  repo.Source("Tabelas/B.sql", "CREATE TABLE B (Y INT)\r\n");
  repo.Source("Tabelas/A.ora", "other kind\r\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "SQLSERVER", /*exec=*/true);  // exec never applies to SQL Server

  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql"),
            Utf16File("\r\n"
                      "\r\nPrint 'EXECUCAO: A.sql'\r\nGO\r\n"
                      "-- criação\r\nCREATE TABLE A (X INT)\r\n\r\n"
                      "\r\nPrint 'EXECUCAO: B.sql'\r\nGO\r\n"
                      "CREATE TABLE B (Y INT)\r\n\r\n"));
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
}

TEST(GeraScript, SqlServerCodeTypeHasNoCloser) {
  TestRepository repo;
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
  repo.Source("VIEWS/V.sql", "CREATE VIEW V AS SELECT 1 X\r\n");
  FakeDesktop desktop;

  Generate(repo, "VIEWS", "SQLSERVER");

  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/05-SA_Views.sql"),
            Utf16File("\r\nPrint 'EXECUCAO: V.sql'\r\nGO\r\nCREATE VIEW V AS SELECT 1 X\r\n"));
}

TEST(GeraScript, Sql2005TypesReadTheirOwnExtension) {
  TestRepository repo;
  repo.FileList("[PROCEDURES_SQL_2005]\nNUMFILES=1\nFILE1=P\n");
  repo.Source("Procedures/P.sql2005", "CREATE PROCEDURE P AS SELECT 1\r\n");
  repo.Source("Procedures/P.sql", "the 2000 one\r\n");
  repo.Source("Procedures/Q.sql2005", "unlisted\r\n");
  FakeDesktop desktop;

  Generate(repo, "PROCEDURES_SQL_2005", "SQLSERVER");

  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/13-SA_Procedures_SQL2005.sql"),
            Utf16File("\r\nPrint 'EXECUCAO: P.sql2005'\r\nGO\r\n"
                      "CREATE PROCEDURE P AS SELECT 1\r\n\r\n"));
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Arquivo Nao esta no ini: Q.sql2005"}));
}

// ---- window effects ----------------------------------------------------------

TEST(GeraScript, SetsCaptionsYieldsOnceAndShowsMessagesWithTheKindsSeparator) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.ora", "x\r\n");
  repo.Source("Tabelas/A.sql", "x\r\n");
  repo.Source("Tabelas/Z.ora", "x\r\n");
  repo.Source("Tabelas/Z.sql", "x\r\n");
  repo.session.Mensagens = {"", "earlier"};
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(desktop.yields, 1);
  EXPECT_EQ(desktop.caption_log,
            (Lines{"Lendo config :: " + repo.Path("files.ini"), repo.Path("src/Tabelas"),
                   repo.Path("out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql")}));
  EXPECT_EQ(desktop.message_text, "\r\nearlier\r\nArquivo Nao esta no ini: Z.ora");

  Generate(repo, "TABELAS", "SQLSERVER");
  EXPECT_EQ(desktop.message_text,
            "\rearlier\rArquivo Nao esta no ini: Z.ora\rArquivo Nao esta no ini: Z.sql");
}

TEST(GeraScript, CaptionsShowWindowsPathsWithSlashes) {
  TestRepository repo;
  repo.session.settings.PathOrigem = repo.dir.path() + "\\src";
  repo.session.settings.PathDestino = repo.dir.path() + "\\out";
  repo.FileList("[GRANTS]\nNUMFILES=0\n");
  FakeDesktop desktop;

  Generate(repo, "GRANTS", "ORACLE");
  EXPECT_EQ(desktop.captions[Caption::kDiretorioOrigem], repo.Path("src/GRANTS"));
  EXPECT_EQ(desktop.captions[Caption::kDiretorioDestino],
            repo.Path("out/ORACLE/02-ATUALIZACAO/10-DBVKT_XYZ_Grants.sql"));
}

// ---- the file list -------------------------------------------------------------

TEST(GeraScript, MissingSectionReportsAndWritesNothing) {
  TestRepository repo;
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=V\n");
  repo.Source("Tabelas/A.ora", "x\r\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Nao existe a seção: TABELAS no arquivo ini"}));
  EXPECT_FALSE(repo.OutputExists("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql"));
  EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO"));  // the folders are made first
  EXPECT_EQ(desktop.captions.count(Caption::kDiretorioOrigem), 0u);
  EXPECT_EQ(desktop.message_text, "\r\nNao existe a seção: TABELAS no arquivo ini");
}

TEST(GeraScript, MissingFileListFileReportsTheSection) {
  TestRepository repo;
  FakeDesktop desktop;
  Generate(repo, "SEQUENCES", "SQLSERVER");
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Nao existe a seção: SEQUENCES no arquivo ini"}));
}

TEST(GeraScript, InvalidNumfilesReportsAndWritesNothing) {
  for (std::string_view value : {"abc", "-1", "2x", "1000001", "1.5"}) {
    TestRepository repo;
    repo.FileList("[TABELAS]\nNUMFILES=" + std::string(value) + "\nFILE1=A\n");
    repo.Source("Tabelas/A.ora", "x\r\n");
    FakeDesktop desktop;

    Generate(repo, "TABELAS", "ORACLE");
    EXPECT_EQ(repo.session.Mensagens,
              (Lines{"", "Valor invalido de NUMFILES na seção: TABELAS no arquivo ini"}))
        << value;
    EXPECT_FALSE(repo.OutputExists("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql")) << value;
  }
}

TEST(GeraScript, ZeroFilesGiveAnEmptyScriptAndReportEveryFile) {
  TestRepository repo;
  repo.FileList("[SEQUENCES]\nNUMFILES=0\nFILE1=S1\n");
  repo.Source("Sequences/S1.ora", "x\r\n");
  repo.Source("Sequences/S2.ora", "x\r\n");
  repo.Source("Sequences/S1.sql", "x\r\n");
  FakeDesktop desktop;

  Generate(repo, "SEQUENCES", "ORACLE");
  Generate(repo, "SEQUENCES", "SQLSERVER");
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/03-DBVKT_XYZ_Sequences.sql"), "");
  EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/03-DBVKT_XYZ_Sequences.sql"));
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/03-SA_Sequences.sql"), "\xFF\xFE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo Nao esta no ini: S1.ora", "Arquivo Nao esta no ini: S2.ora",
                   "Arquivo Nao esta no ini: S1.sql"}));
}

TEST(GeraScript, MissingFileKeyIsTheExtensionAlone) {
  TestRepository repo;
  repo.FileList("[SEQUENCES]\nNUMFILES=3\nFILE1=S1\nFILE2=S2\n");
  repo.Source("Sequences/S1.ora", "s1\r\n");
  repo.Source("Sequences/S2.ora", "s2\r\n");
  FakeDesktop desktop;

  Generate(repo, "SEQUENCES", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo não encontrado: " + repo.Path("src/Sequences/.ora")}));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/03-DBVKT_XYZ_Sequences.sql"),
            Str(kOracleDataHeader) + "SPOOL C:\\SCRIPTS\\XYZ_SEQUENCES.log\r\n\r\n" +
                Str(kBlockOpening) + "dbms_output.put_line('EXECUCAO: S1.ora');\r\n \r\ns1\r\n" +
                Str(kBlockCloser) + Str(kBlockOpening) +
                "dbms_output.put_line('EXECUCAO: S2.ora');\r\n \r\ns2\r\n" + Str(kBlockCloser) +
                Str(kOracleClosing));
}

TEST(GeraScript, FileNumbersDecideTheOrderAndNamesMatchWithoutCase) {
  TestRepository repo;
  repo.FileList("[TRIGGERS]\nFILE2=second\nNUMFILES=2\nFILE1=  First  \n");
  repo.Source("triggers/FIRST.ORA", "1\r\n");
  repo.Source("triggers/Second.Ora", "2\r\n");
  FakeDesktop desktop;

  Generate(repo, "TRIGGERS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/09-DBVKT_XYZ_Triggers.sql"),
            "SPOOL C:\\SCRIPTS\\XYZ_TRIGGERS.log\r\n\r\n"
            "dbms_output.put_line('EXECUCAO: First.ora');\r\n \r\n1\r\n"
            "dbms_output.put_line('EXECUCAO: second.ora');\r\n \r\n2\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
}

TEST(GeraScript, ListedNamesResolveAsPathsDo) {
  TestRepository repo;
  repo.FileList("[TRIGGERS]\nNUMFILES=4\nFILE1=t\nFILE2=T\nFILE3=Pasta\nFILE4=sub\\Dentro\n");
  repo.Source("TRIGGERS/t.ora", "lower\r\n");
  repo.Source("TRIGGERS/T.ora", "upper\r\n");
  repo.dir.MakeDir("src/TRIGGERS/Pasta.ora");
  repo.Source("TRIGGERS/Sub/dentro.ora", "inside\r\n");
  FakeDesktop desktop;

  Generate(repo, "TRIGGERS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo não encontrado: " + repo.Path("src/TRIGGERS/Pasta.ora")}));
  const std::string script = repo.Output("ORACLE/02-ATUALIZACAO/09-DBVKT_XYZ_Triggers.sql");
  EXPECT_NE(script.find("t.ora');\r\n \r\nlower\r\n"), std::string::npos);
  EXPECT_NE(script.find("T.ora');\r\n \r\nupper\r\n"), std::string::npos);
  EXPECT_NE(script.find("sub\\Dentro.ora');\r\n \r\ninside\r\n"), std::string::npos);
}

TEST(GeraScript, HiddenListedFileIsSeenByTheCheckButNotCopied) {
  TestRepository repo;
  repo.FileList("[FUNCTIONS]\nNUMFILES=2\nFILE1=.F1\nFILE2=F2\n");
  repo.Source("FUNCTIONS/.F1.ora", "hidden\r\n");
  repo.Source("FUNCTIONS/F2.ora", "f2\r\n");
  FakeDesktop desktop;

  Generate(repo, "FUNCTIONS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo não encontrado: " + repo.Path("src/FUNCTIONS/.F1.ora")}));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/06-DBVKT_XYZ_Functions.sql"),
            "SPOOL C:\\SCRIPTS\\XYZ_FUNCTIONS.log\r\n\r\n"
            "dbms_output.put_line('EXECUCAO: F2.ora');\r\n \r\nf2\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
}

TEST(GeraScript, ListedNamesAreNeverPatterns) {
  TestRepository repo;
  repo.FileList("[GRANTS]\nNUMFILES=2\nFILE1=*\nFILE2=G?\n");
  repo.Source("GRANTS/G1.ora", "g1\r\n");
  repo.Source("GRANTS/G?.ora", "literal\r\n");
  FakeDesktop desktop;

  Generate(repo, "GRANTS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo Nao esta no ini: G1.ora",
                   "Arquivo não encontrado: " + repo.Path("src/GRANTS/*.ora")}));
  const std::string script = repo.Output("ORACLE/02-ATUALIZACAO/10-DBVKT_XYZ_Grants.sql");
  EXPECT_NE(script.find("literal\r\n"), std::string::npos);
  EXPECT_EQ(script.find("g1\r\n"), std::string::npos);
}

TEST(GeraScript, HeaderComesBeforeTheFirstNonEmptyFile) {
  TestRepository repo;
  repo.FileList("[PACKAGES]\nNUMFILES=2\nFILE1=EMPTY\nFILE2=FULL\n");
  repo.Source("Packages/EMPTY.ora", "");
  repo.Source("Packages/FULL.ora", "body\r\n");
  FakeDesktop desktop;

  Generate(repo, "PACKAGES", "ORACLE", true);
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/08-DBVKT_XYZ_Packages.sql"),
            "exec dbms_output.put_line('EXECUCAO: EMPTY.ora');\r\n \r\n"
            "SPOOL C:\\SCRIPTS\\XYZ_PACKAGES.log\r\n\r\n"
            "exec dbms_output.put_line('EXECUCAO: FULL.ora');\r\n \r\nbody\r\n"
            "SPOOL OFF;\r\n--EXIT\r\n\r\n");
}

TEST(GeraScript, OnlyEmptyFilesGetFramingWithoutHeaderOrClosing) {
  TestRepository repo;
  repo.FileList("[EVOLUCAO]\nNUMFILES=1\nFILE1=E\n");
  repo.Source("Evolucao/E.ora", "");
  repo.Source("Evolucao/E.sql", "");
  FakeDesktop desktop;

  Generate(repo, "EVOLUCAO", "ORACLE");
  EXPECT_EQ(
      repo.Output("ORACLE/02-ATUALIZACAO/04-DBVKT_XYZ_Evolucao.sql"),
      Str(kBlockOpening) + "dbms_output.put_line('EXECUCAO: E.ora');\r\n \r\n" + Str(kBlockCloser));
  Generate(repo, "EVOLUCAO", "SQLSERVER");
  EXPECT_EQ(repo.Output("sql_server/02-ATUALIZACAO/04-SA_Evolucao.sql"),
            Utf16File("Print 'EXECUCAO: E.sql'\r\nGO\r\n\r\n"));
}

TEST(GeraScript, AllFilesMissingGiveAnEmptyScript) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=2\nFILE1=A\nFILE2=B\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql"));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql"), "");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Arquivo não encontrado: " + repo.Path("src/Tabelas/A.ora"),
                   "Arquivo não encontrado: " + repo.Path("src/Tabelas/B.ora")}));
}

TEST(GeraScript, ReplacesAnExistingScriptSilently) {
  TestRepository repo;
  repo.FileList("[GRANTS]\nNUMFILES=1\nFILE1=G\n");
  repo.Source("GRANTS/G.sql", "GRANT SELECT ON T TO U\r\n");
  repo.dir.Write("out/SQL_SERVER/02-Atualizacao/10-SA_Grants.sql", "old content, much longer");
  FakeDesktop desktop;

  Generate(repo, "GRANTS", "SQLSERVER");
  // "sql_server" is the existing "SQL_SERVER": no second folder appears.
  EXPECT_FALSE(repo.dir.Exists("out/sql_server"));
  EXPECT_EQ(repo.Output("SQL_SERVER/02-Atualizacao/10-SA_Grants.sql"),
            Utf16File("\r\nPrint 'EXECUCAO: G.sql'\r\nGO\r\nGRANT SELECT ON T TO U\r\n\r\n"));
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
}

// ---- JOBS and keywords without a row -------------------------------------------

TEST(GeraScript, JobsWithoutSectionIsAnEmptyScriptForASystemWithAPrefix) {
  TestRepository repo("DORVEL");
  repo.FileList("[TABELAS]\nNUMFILES=0\n");
  repo.Source("JOBS/J1.ora", "x\r\n");
  FakeDesktop desktop;

  Generate(repo, "JOBS", "ORACLE");
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/12.1-DBVKT_DORVEL_Jobs.sql"), "");
  EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/12.1-DBVKT_DORVEL_Jobs.sql"));
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Arquivo Nao esta no ini: J1.ora"}));
}

TEST(GeraScript, JobsPrefixDependsOnTheSystem) {
  struct Case {
    std::string_view sistema;
    std::string_view file;
  };
  const Case cases[] = {
      {"Z7Q", "12.1-DBVKT_Z7Q_Jobs.sql"},
      {"TORVA-MALKEDRO", "12.1-DBVKT_TORVA-MALKEDRO_Jobs.sql"},
      {"NOVASTRELLA", "14-NOVASTRELLA_Jobs.sql"},
      {"BELIX", "14-DBVKT_BELIX_Jobs.sql"},
      {"ZEMO", "14-DBVKT_ZEMO_Jobs.sql"},
      {"JUX", "14-DBVKT_JUX_Jobs.sql"},
      {"TESSAL", "13-DBVKT_TESSAL_Jobs.sql"},
  };
  for (const Case& c : cases) {
    TestRepository repo(c.sistema);
    repo.FileList("[JOBS]\nNUMFILES=1\nFILE1=J\n");
    repo.Source("JOBS/J.ora", "job\r\n");
    FakeDesktop desktop;
    Generate(repo, "JOBS", "ORACLE");
    EXPECT_TRUE(repo.OutputExists("ORACLE/02-ATUALIZACAO/" + std::string(c.file))) << c.sistema;
    EXPECT_EQ(repo.session.Mensagens, Lines{""}) << c.sistema;
  }
}

TEST(GeraScript, JobsOfASystemWithoutPrefixWritesNothingAndListsNothing) {
  TestRepository repo("XYZ");
  repo.FileList("[JOBS]\nNUMFILES=2\nFILE1=J\n");
  repo.Source("JOBS/J.ora", "job\r\n");
  repo.Source("JOBS/OTHER.ora", "job\r\n");
  FakeDesktop desktop;

  Generate(repo, "JOBS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens, Lines{""});
  EXPECT_EQ(testing::FolderNames(repo.Path("out/ORACLE/02-ATUALIZACAO")), Lines{});
  EXPECT_EQ(desktop.captions[Caption::kDiretorioOrigem], "");
  EXPECT_EQ(desktop.captions[Caption::kDiretorioDestino], "");
}

TEST(GeraScript, KeywordsWithoutARowStillReadTheirSection) {
  TestRepository repo("Z7Q");
  repo.FileList("[TEMPLATES_ZEMO]\nNUMFILES=1\nFILE1=T\n");
  FakeDesktop desktop;

  Generate(repo, "OPCOES_MENU_ZEMO", "SQLSERVER");
  Generate(repo, "TEMPLATES_ZEMO", "SQLSERVER");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Nao existe a seção: OPCOES_MENU_ZEMO no arquivo ini"}));
  // Nothing but the folders was written.
  EXPECT_TRUE(repo.OutputExists("sql_server/02-ATUALIZACAO"));
  EXPECT_EQ(testing::FolderNames(repo.Path("out/sql_server/02-ATUALIZACAO")), Lines{});
}

// ---- failures the platform reports ------------------------------------------------

TEST(GeraScript, OutputFolderThatIsAFileEndsTheCall) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.ora", "x\r\n");
  repo.dir.Write("out/ORACLE", "a file where the folder goes");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens, (Lines{"", "Erro ao criar a pasta: " + repo.Path("out/ORACLE") +
                                                   " - Not a directory"}));
  EXPECT_EQ(repo.dir.Read("out/ORACLE"), "a file where the folder goes");
  EXPECT_EQ(desktop.message_updates, 1);
}

TEST(GeraScript, FolderAboveTheDestinationIsNotCreated) {
  TestRepository repo;
  repo.session.settings.PathDestino = repo.Path("missing\\out");
  repo.FileList("[TABELAS]\nNUMFILES=0\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "SQLSERVER");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Erro ao criar a pasta: " + repo.Path("missing/out") +
                           " - No such file or directory"}));
  EXPECT_FALSE(repo.dir.Exists("missing"));
}

TEST(GeraScript, UnreadableSourceIsSkippedLikeAMissingOne) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=2\nFILE1=A\nFILE2=B\n");
  repo.dir.MakeDir("src/Tabelas");
  // A link to nothing is listed and exists as a name, but cannot be opened.
  ASSERT_EQ(::symlink("nowhere", repo.Path("src/Tabelas/A.ora").c_str()), 0);
  repo.Source("Tabelas/B.ora", "b\r\n");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Erro ao ler o arquivo: " + repo.Path("src/Tabelas/A.ora") +
                           " - No such file or directory"}));
  EXPECT_EQ(repo.Output("ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql"),
            Str(kOracleDataHeader) + "SPOOL C:\\SCRIPTS\\XYZ_TABELAS.log\r\n\r\n" + "\r\n" +
                Str(kBlockOpening) + "dbms_output.put_line('EXECUCAO: B.ora');\r\n \r\nb\r\n" +
                Str(kBlockCloser) + Str(kOracleClosing));
}

TEST(GeraScript, UnwritableScriptKeepsItsOldContent) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.ora", "new\r\n");
  const std::string target = "out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql";
  repo.dir.Write(target, "old");
  ASSERT_EQ(::chmod(repo.Path(target).c_str(), 0444), 0);  // read-only, also for root
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "ORACLE");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Erro ao gravar o arquivo: " + repo.Path(target) + " - Permission denied"}));
  EXPECT_EQ(repo.dir.Read(target), "old");
}

TEST(GeraScript, ScriptPathTakenByAFolderIsReported) {
  TestRepository repo;
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=A\n");
  repo.Source("Tabelas/A.sql", "x\r\n");
  repo.dir.MakeDir("out/sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql");
  FakeDesktop desktop;

  Generate(repo, "TABELAS", "SQLSERVER");
  EXPECT_EQ(repo.session.Mensagens,
            (Lines{"", "Erro ao gravar o arquivo: " +
                           repo.Path("out/sql_server/02-ATUALIZACAO/02-SA_Tabelas.sql") +
                           " - Is a directory"}));
}

}  // namespace
}  // namespace vkt::generate
