// The release gate on the command line: `vktgera check`, the reports,
// `install --manifest` and `numbering --write`, run as a pipeline runs them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/vktgera_process.h"
#include "support/report_shape.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using testing::TestRepository;
using Json = nlohmann::json;

void Configure(const TestRepository& repo) {
  repo.MainConfiguration(TestRepository::Paths::kRelative);
  repo.Companions();
}

// Runs vktgera with the repository's main configuration.
Result Gate(const TestRepository& repo, const std::string& args) {
  return Vktgera(repo, "--config prog/VKTGeraInstallBD.ini " + args);
}

// A small repository with nothing to report.
void CleanRepository(const TestRepository& repo) {
  Configure(repo);
  repo.FileList(
      "; XYZ\n[TABELAS]\nNUMFILES=2\nFILE1=CRIA_CLIENTE\nFILE2=CRIA_PEDIDO\n"
      "[VIEWS]\nNUMFILES=1\nFILE1=V_PEDIDOS\n"
      "[PROCEDURES_SQL_2005]\nNUMFILES=1\nFILE1=P_FECHA\n");
  for (const char* name : {"Tabelas/CRIA_CLIENTE", "Tabelas/CRIA_PEDIDO", "Views/V_PEDIDOS"}) {
    repo.Source(std::string(name) + ".ora", "-- Descri\xE7\xE3o\r\nSELECT 1 FROM DUAL;\r\n");
    repo.Source(std::string(name) + ".sql", "SELECT 1\r\n");
  }
  repo.Source("Procedures/P_FECHA.ora", "BEGIN NULL; END;\r\n");
  repo.Source("Procedures/P_FECHA.sql2005", "SELECT 1\r\n");
}

const char kFim[] = "VKTGeraInstallBD: FIM\n";

// ---- check ----------------------------------------------------------------------

TEST(VktgeraCheck, ACleanRepositoryExitsZeroAndWritesNothing) {
  TestRepository repo;
  CleanRepository(repo);
  // Only the types with sections: the others would report a missing section.
  for (const char* type : {"TABELAS", "VIEWS", "PROCEDURES_SQL_2005"}) {
    Result r = Gate(repo, std::string("check --repo R1 --type ") + type);
    EXPECT_EQ(r.status, 0) << type << "\n" << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, kFim);
  }
  EXPECT_FALSE(repo.dir.Exists("out"));
}

TEST(VktgeraCheck, ReportsWhatTheInstallReportsInTheSameWordsAndItsOwnFindings) {
  TestRepository repo;
  CleanRepository(repo);
  repo.FileList(
      "[TABELAS]\nNUMFILES=4\nFILE1=CRIA_CLIENTE\nFILE2=cria_cliente\nFILE3=CRIA_PEDIDO.ora\n"
      "FILE4=CRIA_ITEM\nFILE5=CRIA_NOTA\nComentario=x\n");
  repo.Source("Tabelas/CRIA_ITEM.ora",
              "\xEF\xBB\xBF"
              "CREATE TABLE ITEM;\r\n");  // no .sql
  repo.Source("Tabelas/CRIA_NOTA.sql", "-- a\xC3\xA7\xC3\xA3o\r\n");
  const std::string src = "src";

  Result check = Gate(repo, "check --repo R1 --type TABELAS");
  EXPECT_EQ(check.status, 1);
  EXPECT_FALSE(repo.dir.Exists("out"));
  const std::string own =
      "Nome repetido na se\xC3\xA7\xC3\xA3o TABELAS: FILE2=cria_cliente (igual a FILE1)\n"
      "Nome com extensao na se\xC3\xA7\xC3\xA3o TABELAS: FILE3=CRIA_PEDIDO.ora\n"
      "Chave acima de NUMFILES na se\xC3\xA7\xC3\xA3o TABELAS: FILE5=CRIA_NOTA (linha 7)\n"
      "Chave desconhecida na se\xC3\xA7\xC3\xA3o TABELAS: Comentario (linha 8)\n"
      "Falta o par SQL Server de: src/Tabelas/CRIA_ITEM.ora\n"
      "Arquivo com BOM UTF-8: src/Tabelas/CRIA_ITEM.ora\n";

  Result install = Gate(repo, "install --repo R1 --type TABELAS");
  EXPECT_EQ(install.status, 1);
  EXPECT_NE(install.out, "");
  EXPECT_EQ(check.out, install.out + own);
  EXPECT_EQ(check.err, install.err);
}

TEST(VktgeraCheck, SeesUtf8TextAndUtf16Marks) {
  TestRepository repo;
  CleanRepository(repo);
  repo.Source("Views/V_PEDIDOS.sql", std::string("\xFF\xFE"
                                                 "S\0",
                                                 4));
  repo.Source("Views/V_PEDIDOS.ora", "-- Descri\xC3\xA7\xC3\xA3o\r\n");
  Result r = Gate(repo, "check --repo R1 --type VIEWS");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            "Arquivo com BOM UTF-16: src/VIEWS/V_PEDIDOS.sql\n"
            "Arquivo em UTF-8 com texto nao ASCII (code page windows-1252): "
            "src/VIEWS/V_PEDIDOS.ora\n");
}

TEST(VktgeraCheck, CouldNotStartIsTwo) {
  TestRepository repo;
  CleanRepository(repo);
  EXPECT_EQ(Gate(repo, "check --repo NOPE").status, 2);
  EXPECT_EQ(Vktgera(repo, "--config prog/none.ini check --repo R1").status, 2);
  EXPECT_EQ(Gate(repo, "check --repo R1 --manifest").status, 2);
}

TEST(VktgeraCheck, WritesAJsonReportOfTheDocumentedShapeAndAnHtmlPage) {
  TestRepository repo;
  CleanRepository(repo);
  repo.Source("Tabelas/EXTRA.ora", "not listed\r\n");
  Result r = Gate(repo, "check --repo R1 --report report.json --report-html report.html");
  EXPECT_EQ(r.status, 1);
  const Json report = Json::parse(repo.dir.Read("report.json"));
  EXPECT_EQ(testing::ShapeError(report), "");
  EXPECT_EQ(report["command"], "check");
  EXPECT_EQ(report["repository"], "R1");
  EXPECT_EQ(report["system"], "XYZ");
  EXPECT_EQ(report["exit_status"], 1);
  // Every install call of a TODOS run, in order: 36 for this system.
  EXPECT_EQ(report["outputs"].size(), 36u);
  bool seen = false;
  for (const Json& output : report["outputs"]) {
    EXPECT_FALSE(output["written"]);
    if (output["type"] == "TABELAS" && output["database"] == "ORACLE") {
      seen = true;
      EXPECT_EQ(output["entries"].size(), 2u);
      EXPECT_EQ(output["entries"][1]["file"], "src/Tabelas/CRIA_PEDIDO.ora");
      ASSERT_EQ(output["problems"].size(), 1u);
      EXPECT_EQ(output["problems"][0]["kind"], "not_in_list");
    }
  }
  EXPECT_TRUE(seen);
  const std::string html = repo.dir.Read("report.html");
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.find("Arquivo Nao esta no ini: EXTRA.ora"), std::string::npos);
}

// ---- install ----------------------------------------------------------------------

TEST(VktgeraInstall, ManifestsPassSha256sumAndRunsAreReproducible) {
  TestRepository repo;
  CleanRepository(repo);
  Result first = Gate(repo, "install --repo R1 --type TABELAS --manifest");
  EXPECT_EQ(first.status, 0) << first.out;
  for (const char* folder : {"out/sql_server/02-ATUALIZACAO", "out/ORACLE/02-ATUALIZACAO"}) {
    EXPECT_TRUE(repo.dir.Exists(std::string(folder) + "/SHA256SUMS"));
    EXPECT_EQ(
        Shell(repo, std::string("cd ") + folder + " && sha256sum --strict -c SHA256SUMS").status, 0)
        << folder;
  }
  const std::string oracle_sums = repo.dir.Read("out/ORACLE/02-ATUALIZACAO/SHA256SUMS");
  EXPECT_NE(oracle_sums.find("  02-DBVKT_XYZ_Tabelas.sql\n"), std::string::npos);
  EXPECT_NE(oracle_sums.find("  00-DBVKT_XYZ_Adere_Politica_Seguranca.sql\n"), std::string::npos);

  auto before = testing::FilesBelow(repo.Path("out"));
  Result second = Gate(repo, "install --repo R1 --type TABELAS --manifest");
  EXPECT_EQ(second.status, 0);
  auto after = testing::FilesBelow(repo.Path("out"));
  const std::string appended = "sql_server/02-ATUALIZACAO/15-SA_Versao_Database.sql";
  const std::string sql_sums = "sql_server/02-ATUALIZACAO/SHA256SUMS";
  EXPECT_EQ(after[appended], before[appended] + before[appended]);
  // The SQL Server manifest differs in the appended script's line only.
  auto without = [&](std::string sums) {
    std::size_t at = sums.find("  15-SA_Versao_Database.sql\n");
    EXPECT_NE(at, std::string::npos);
    return sums.erase(at - 64, 64 + 28);
  };
  EXPECT_EQ(without(after[sql_sums]), without(before[sql_sums]));
  for (auto* files : {&before, &after}) {
    files->erase(appended);
    files->erase(sql_sums);
  }
  EXPECT_EQ(after, before);
}

TEST(VktgeraInstall, WithoutTheNewOptionsWritesNoManifestOrReport) {
  TestRepository repo;
  CleanRepository(repo);
  Result r = Gate(repo, "install --repo R1 --type VIEWS");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, kFim);
  EXPECT_FALSE(repo.dir.Exists("out/ORACLE/02-ATUALIZACAO/SHA256SUMS"));
  EXPECT_FALSE(repo.dir.Exists("out/sql_server/02-ATUALIZACAO/SHA256SUMS"));
}

TEST(VktgeraInstall, ReportsWhatItWrote) {
  TestRepository repo;
  CleanRepository(repo);
  Result r = Gate(repo, "install --repo R1 --type VIEWS --manifest --report r.json");
  EXPECT_EQ(r.status, 0);
  const Json report = Json::parse(repo.dir.Read("r.json"));
  EXPECT_EQ(testing::ShapeError(report), "");
  EXPECT_EQ(report["command"], "install");
  EXPECT_EQ(report["manifests"], Json::array({"out/sql_server/02-ATUALIZACAO/SHA256SUMS",
                                              "out/ORACLE/02-ATUALIZACAO/SHA256SUMS"}));
  const Json& views = report["outputs"][3];
  EXPECT_EQ(views["type"], "VIEWS");
  EXPECT_EQ(views["database"], "ORACLE");
  EXPECT_TRUE(views["written"]);
  EXPECT_EQ(views["size"], repo.Output("ORACLE/02-ATUALIZACAO/05-DBVKT_XYZ_Views.sql").size());
}

TEST(VktgeraInstall, AReportThatCannotBeWrittenFailsTheRun) {
  TestRepository repo;
  CleanRepository(repo);
  Result r = Gate(repo, "install --repo R1 --type VIEWS --report no/such/folder/r.json");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("vktgera: cannot write report no/such/folder/r.json: "), std::string::npos)
      << r.err;
}

// ---- numbering --write -------------------------------------------------------------

TEST(VktgeraNumbering, WriteKeepsUnrelatedLinesAndCommentsAndAppendsNewNames) {
  TestRepository repo;
  Configure(repo);
  const std::string before =
      "; File list of the XYZ system -- keep the order of the tables!\r\n"
      "[VIEWS]\r\n"
      "NUMFILES=1\r\n"
      "FILE1=V_PEDIDOS\r\n"
      "\r\n"
      "[TABELAS]\r\n"
      "; clients first\r\n"
      "NUMFILES=1\r\n"
      "FILE1=CRIA_PEDIDO\r\n"
      "\r\n"
      "[DADOS]\r\n"
      "NUMFILES=0\r\n";
  repo.FileList(before);
  repo.Source("Tabelas/CRIA_CLIENTE.ora", "x");
  repo.Source("Tabelas/CRIA_CLIENTE.sql", "x");
  repo.Source("Tabelas/CRIA_PEDIDO.ora", "x");

  Result shown = Gate(repo, "numbering --repo R1 --type TABELAS");
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(repo.dir.Read("files.ini"), before) << "without --write nothing is written";

  Result r = Gate(repo, "numbering --repo R1 --type TABELAS --write");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, shown.out);
  EXPECT_EQ(r.out, "FILE1=CRIA_CLIENTE\nFILE2=CRIA_PEDIDO\n");
  // Only the [TABELAS] count and its new name change.
  std::string after = before;
  const std::string listed = "NUMFILES=1\r\nFILE1=CRIA_PEDIDO\r\n";
  after.replace(after.find(listed), listed.size(),
                "NUMFILES=2\r\nFILE1=CRIA_PEDIDO\r\nFILE2=CRIA_CLIENTE\r\n");
  EXPECT_EQ(repo.dir.Read("files.ini"), after);
  EXPECT_EQ(r.err, std::string(kFim) +
                       "vktgera: [TABELAS] of files.ini: NUMFILES=2, 1 new name(s) "
                       "written\n");
  // The list now satisfies the install's folder check.
  Result check = Gate(repo, "check --repo R1 --type TABELAS");
  EXPECT_EQ(check.out,
            "Arquivo n\xC3\xA3o encontrado: src/Tabelas/CRIA_PEDIDO.sql\n"
            "Falta o par SQL Server de: src/Tabelas/CRIA_PEDIDO.ora\n");
}

TEST(VktgeraNumbering, WriteNeedsOneType) {
  TestRepository repo;
  Configure(repo);
  Result r = Gate(repo, "numbering --repo R1 --write");
  EXPECT_EQ(r.status, 2);
  EXPECT_FALSE(repo.dir.Exists("files.ini"));
}

// ---- options ------------------------------------------------------------------------

TEST(ParseGateOptions, AcceptsTheGateOptionsWhereTheyApply) {
  ParseResult check = ParseOptions(
      {"check", "--repo", "R", "--report=r.json", "--report-html", "r.html", "--type", "views"});
  ASSERT_TRUE(check.ok) << check.error;
  EXPECT_EQ(check.options.command, Command::kCheck);
  EXPECT_EQ(check.options.report_file, "r.json");
  EXPECT_EQ(check.options.report_html_file, "r.html");
  EXPECT_EQ(check.options.type, "VIEWS");
  ParseResult install = ParseOptions({"install", "--manifest", "--repo", "R"});
  ASSERT_TRUE(install.ok);
  EXPECT_TRUE(install.options.manifest);
  ParseResult numbering = ParseOptions({"numbering", "--repo", "R", "--type", "DADOS", "--write"});
  ASSERT_TRUE(numbering.ok);
  EXPECT_TRUE(numbering.options.write);
}

TEST(ParseGateOptions, RejectsThemWhereTheyDoNot) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"check", "--repo", "R", "--manifest"}, "--manifest is for install"},
      {{"numbering", "--repo", "R", "--report", "x"}, "--report is for install and check"},
      {{"numbering", "--repo", "R", "--report-html", "x"},
       "--report-html is for install and check"},
      {{"install", "--repo", "R", "--write"}, "--write is for numbering"},
      {{"numbering", "--repo", "R", "--write"},
       "numbering --write needs --type with one object type, not TODOS"},
      {{"install", "--repo", "R", "--manifest", "--manifest"}, "option --manifest given twice"},
      {{"check", "--repo", "R", "--report", ""}, "--report needs a file name"},
      {{"check", "--repo", "R", "--report"}, "option --report needs a value"},
  };
  for (const auto& [args, error] : cases) {
    ParseResult result = ParseOptions(args);
    EXPECT_FALSE(result.ok) << error;
    EXPECT_EQ(result.error, error);
  }
}

}  // namespace
}  // namespace vkt::cli
