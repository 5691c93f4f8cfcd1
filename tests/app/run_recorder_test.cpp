#include "app/run_recorder.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/report_shape.h"
#include "support/test_repository.h"
#include "text/sha256.h"

namespace vkt::app {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;

RunReport Record(TestRepository& repo, const std::string& tipo, bool dry_run) {
  RunReport report;
  const RunOptions options{.dry_run = dry_run};
  RunRecorder recorder(RealGenerator(options), &report, dry_run);
  cmdExecuta_Click(repo.session, RunRequest{1, tipo}, recorder, options);
  recorder.Finish(repo.session);
  return report;
}

std::vector<std::string> Problems(const std::vector<ReportProblem>& problems) {
  std::vector<std::string> out;
  for (const ReportProblem& p : problems) out.push_back(p.kind + " | " + p.text);
  return out;
}

TEST(RunRecorder, TurnsEachCallIntoAnOutputWithItsEntriesAndProblems) {
  TestRepository repo;
  repo.Companions(/*policy=*/false);
  repo.FileList("[VIEWS]\nNUMFILES=2\nFILE1=V\nFILE2=GONE\n");
  repo.Source("Views/V.ora", "v ora\r\n");
  repo.Source("Views/V.sql", "v sql\r\n");
  repo.Source("Views/X.ora", "not listed\r\n");
  FakeDesktop desktop;
  RunReport report = Record(repo, "VIEWS", false);
  const std::string src = repo.Path("src"), out = repo.Path("out");

  ASSERT_EQ(report.outputs.size(), 4u);
  EXPECT_EQ(report.outputs[0].type, "DOCS_E_BATS");
  EXPECT_EQ(report.outputs[0].database, "SQLSERVER");
  EXPECT_TRUE(report.outputs[0].problems.empty());
  EXPECT_EQ(Problems(report.outputs[1].problems),
            std::vector<std::string>{"error_box | Erro: Erro ao copiar o script de verificação de "
                                     "política de segurança"});

  const ReportOutput& sql = report.outputs[2];
  EXPECT_EQ(sql.type, "VIEWS");
  EXPECT_EQ(sql.database, "SQLSERVER");
  EXPECT_EQ(sql.output_file, out + "/sql_server/02-ATUALIZACAO/05-SA_Views.sql");
  EXPECT_TRUE(sql.written);
  const std::string script = repo.Output("sql_server/02-ATUALIZACAO/05-SA_Views.sql");
  EXPECT_EQ(sql.size, script.size());
  EXPECT_EQ(sql.sha256, text::Sha256Hex(script));
  ASSERT_EQ(sql.entries.size(), 2u);
  EXPECT_EQ(sql.entries[0].name, "V");
  EXPECT_EQ(sql.entries[0].file, src + "/VIEWS/V.sql");
  EXPECT_TRUE(sql.entries[0].found);
  EXPECT_EQ(sql.entries[0].size, 7u);
  EXPECT_EQ(sql.entries[0].sha256, text::Sha256Hex("v sql\r\n"));
  EXPECT_FALSE(sql.entries[1].found);
  EXPECT_EQ(Problems(sql.problems),
            std::vector<std::string>{"missing_file | Arquivo não encontrado: " + src +
                                     "/VIEWS/GONE.sql"});

  const ReportOutput& ora = report.outputs[3];
  EXPECT_EQ(Problems(ora.problems),
            (std::vector<std::string>{
                "not_in_list | Arquivo Nao esta no ini: X.ora",
                "missing_file | Arquivo não encontrado: " + src + "/VIEWS/GONE.ora"}));
  EXPECT_EQ(ora.entries[0].sha256, text::Sha256Hex("v ora\r\n"));
  EXPECT_TRUE(report.problems.empty());

  report.command = "install";  // the run's own fields are the caller's
  report.exit_status = 1;
  const std::string json = ReportJson(report);
  EXPECT_EQ(testing::ShapeError(nlohmann::json::parse(json)), "");
}

TEST(RunRecorder, AnUntouchedOlderScriptIsNotWritten) {
  TestRepository repo;
  repo.Companions(/*policy=*/false);
  repo.FileList("[TABELAS]\nNUMFILES=1\nFILE1=T\n");
  repo.Source("Tabelas/T.ora", "t\r\n");
  repo.Source("Tabelas/T.sql", "t\r\n");
  FakeDesktop desktop;
  Record(repo, "TABELAS", false);
  repo.FileList("[TABELAS]\nNUMFILES=nada\n");  // the next run ends before writing
  const RunReport report = Record(repo, "TABELAS", false);
  ASSERT_EQ(report.outputs.size(), 4u);
  EXPECT_FALSE(report.outputs[2].written);
  EXPECT_FALSE(report.outputs[3].written);
  EXPECT_TRUE(report.outputs[2].entries.empty());
  EXPECT_EQ(Problems(report.outputs[3].problems),
            std::vector<std::string>{"invalid_numfiles | Valor invalido de NUMFILES na seção: "
                                     "TABELAS no arquivo ini"});
}

TEST(RunRecorder, ADryRunWritesNothingAndTheVersionScriptProblemsBelongToTheRun) {
  TestRepository repo;
  repo.Companions();
  repo.FileList("[VIEWS]\nNUMFILES=0\n");
  repo.dir.MakeDir("out/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql");
  FakeDesktop desktop;
  const RunReport report = Record(repo, "VIEWS", true);
  for (const ReportOutput& output : report.outputs) EXPECT_FALSE(output.written);
  EXPECT_FALSE(repo.OutputExists("sql_server"));
  EXPECT_EQ(Problems(report.problems),
            std::vector<std::string>{"write_error | Erro ao gravar o arquivo: " + repo.Path("out") +
                                     "/ORACLE/02-ATUALIZACAO/13-DBVKT_XYZ_Versao_Database.sql - "
                                     "Is a directory"});
  // The boxes still reach the desktop: the closing "FIM" only.
  ASSERT_EQ(desktop.boxes.size(), 1u);
  EXPECT_EQ(desktop.boxes[0].text, "FIM");
}

TEST(AttachFindings, PutsEachFindingOnItsOutput) {
  RunReport report;
  for (const char* database : {"SQLSERVER", "ORACLE"}) {
    ReportOutput output;
    output.type = "VIEWS";
    output.database = database;
    report.outputs.push_back(output);
  }
  AttachFindings(&report, {{"vendor_parity", "VIEWS", "ORACLE", "oracle side"},
                           {"unknown_key", "VIEWS", "", "both kinds"},
                           {"unknown_key", "TABELAS", "", "no such call"}});
  EXPECT_EQ(Problems(report.outputs[0].problems),
            std::vector<std::string>{"unknown_key | both kinds"});
  EXPECT_EQ(Problems(report.outputs[1].problems),
            std::vector<std::string>{"vendor_parity | oracle side"});
  EXPECT_EQ(Problems(report.problems), std::vector<std::string>{"unknown_key | no such call"});
}

}  // namespace
}  // namespace vkt::app
