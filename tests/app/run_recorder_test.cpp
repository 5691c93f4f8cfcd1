#include "app/run_recorder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
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
