#include "app/run_report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/report_shape.h"
#include "support/temp_dir.h"

namespace vkt::app {
namespace {

using Json = nlohmann::json;
using testing::ShapeError;

RunReport SampleReport() {
  RunReport report;
  report.command = "install";
  report.repository = "R1";
  report.system = "XYZ";
  report.selected_type = "TODOS";
  report.source_root = "/src";
  report.destination_root = "/out";
  report.file_list = "/src/lista.ini";
  report.code_page = "windows-1252";
  report.exit_status = 1;
  ReportOutput docs;
  docs.type = "DOCS_E_BATS";
  docs.database = "SQLSERVER";
  report.outputs.push_back(docs);
  ReportOutput tables;
  tables.type = "TABELAS";
  tables.database = "ORACLE";
  tables.output_file = "/out/ORACLE/02-ATUALIZACAO/02-DBVKT_XYZ_Tabelas.sql";
  tables.written = true;
  tables.size = 120;
  tables.sha256 = std::string(64, 'a');
  tables.entries.push_back(
      {1, "CRIA_A", "/src/Tabelas/CRIA_A.ora", true, 10, std::string(64, 'b')});
  tables.entries.push_back({2, "CRIA_B", "/src/Tabelas/CRIA_B.ora", false, 0, ""});
  tables.problems.push_back({"missing_file", "Arquivo não encontrado: /src/Tabelas/CRIA_B.ora"});
  tables.problems.push_back({"not_in_list", "Arquivo Nao esta no ini: C.ora"});
  report.outputs.push_back(tables);
  report.problems.push_back({"error_box", "Erro: Erro ao copiar o bat de instalação dos Scripts"});
  report.manifests.push_back("/out/ORACLE/02-ATUALIZACAO/SHA256SUMS");
  return report;
}

TEST(ReportJson, FollowsTheDocumentedShape) {
  Json root = Json::parse(ReportJson(SampleReport()));
  EXPECT_EQ(ShapeError(root), "");
  EXPECT_EQ(root["problem_count"], 3);
  const Json& tables = root["outputs"][1];
  EXPECT_EQ(tables["entries"][0]["name"], "CRIA_A");
  EXPECT_EQ(tables["entries"][1]["found"], false);
  EXPECT_TRUE(tables["entries"][1]["sha256"].is_null());
  EXPECT_TRUE(root["outputs"][0]["output_file"].is_null());
  EXPECT_EQ(tables["problems"][0]["text"], "Arquivo não encontrado: /src/Tabelas/CRIA_B.ora");
}

TEST(ReportJson, KeepsTheDocumentedKeyOrderAndEndsWithALineFeed) {
  const std::string text = ReportJson(SampleReport());
  EXPECT_EQ(text.rfind("{\n  \"report\": \"vktgera\",\n  \"format_version\": 1,", 0), 0u);
  EXPECT_LT(text.find("\"outputs\""), text.find("\"manifests\""));
  EXPECT_EQ(text.back(), '\n');
}

TEST(ReportJson, ACleanCheckReportFollowsTheShapeToo) {
  RunReport report;
  report.command = "check";
  ReportOutput out;
  out.type = "VIEWS";
  out.database = "SQLSERVER";
  out.output_file = "/out/sql_server/02-ATUALIZACAO/05-SA_Views.sql";
  report.outputs.push_back(out);
  Json root = Json::parse(ReportJson(report));
  EXPECT_EQ(ShapeError(root), "");
  EXPECT_EQ(root["outputs"][0]["written"], false);
  EXPECT_TRUE(root["outputs"][0]["size"].is_null());
}

TEST(ReportJson, ReplacesBytesThatAreNotUtf8) {
  RunReport report = SampleReport();
  report.outputs[1].problems[1].text = "Arquivo Nao esta no ini: C\xE7.ora";  // Latin-1 byte
  Json root = Json::parse(ReportJson(report));
  EXPECT_EQ(root["outputs"][1]["problems"][1]["text"],
            "Arquivo Nao esta no ini: C\xEF\xBF\xBD.ora");
}

TEST(ReportHtml, EscapesEveryTextAndHighlightsProblems) {
  RunReport report = SampleReport();
  report.repository = "R<1>&\"'";
  report.outputs[1].entries[0].name = "<script>alert(1)</script>";
  const std::string html = ReportHtml(report);
  EXPECT_EQ(html.find("<script>"), std::string::npos);
  EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  EXPECT_NE(html.find("R&lt;1&gt;&amp;&quot;&#39;"), std::string::npos);
  // One table for the summary, one for the run's problems, one per output.
  std::size_t tables = 0;
  for (std::size_t at = html.find("<table"); at != std::string::npos;
       at = html.find("<table", at + 1)) {
    ++tables;
  }
  EXPECT_EQ(tables, 2 + report.outputs.size());
  // The missing entry and the three problems are highlighted rows.
  std::size_t highlighted = 0;
  for (std::size_t at = html.find("<tr class=\"problem\">"); at != std::string::npos;
       at = html.find("<tr class=\"problem\">", at + 1)) {
    ++highlighted;
  }
  EXPECT_EQ(highlighted, 4u);
  EXPECT_NE(html.find("Arquivo não encontrado: /src/Tabelas/CRIA_B.ora"), std::string::npos);
}

TEST(HtmlEscape, ReplacesTheFiveSpecialCharacters) {
  EXPECT_EQ(HtmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&#39;f");
  EXPECT_EQ(HtmlEscape("não"), "não");
}

TEST(ClassifyMessage, TellsTheRunsMessagesApart) {
  const std::pair<const char*, std::string_view> cases[] = {
      {"Nao existe a seção: VIEWS no arquivo ini", problem_kind::kMissingSection},
      {"Valor invalido de NUMFILES na seção: VIEWS no arquivo ini", problem_kind::kInvalidNumfiles},
      {"Arquivo Nao esta no ini: C.ora", problem_kind::kNotInList},
      {"Arquivo não encontrado: /src/Tabelas/.ora", problem_kind::kMissingFile},
      {"Erro ao ler o arquivo: /src/a.ora - Permission denied", problem_kind::kReadError},
      {"Erro ao gravar o arquivo: /out/x.sql - No space left", problem_kind::kWriteError},
      {"Erro ao criar a pasta: /out/ORACLE - Not a directory", problem_kind::kFolderError},
      {"Arquivo Roteiro_Atualizacao_XYZ_Oracle.doc nao encontrado!",
       problem_kind::kMissingDocument},
      {"FILE1=CRIA_A", problem_kind::kMessage},
  };
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyMessage(line), kind) << line;
}

TEST(WriteWholeFile, ReplacesTheTargetAndFailsOnAMissingFolder) {
  testing::TempDir dir;
  dir.Write("report.json", "old");
  ASSERT_TRUE(WriteWholeFile(dir.path() + "\\REPORT.json", "new").ok());
  EXPECT_EQ(dir.Read("report.json"), "new");
  EXPECT_FALSE(WriteWholeFile(dir / "missing/report.json", "x").ok());
}

}  // namespace
}  // namespace vkt::app
