#include "app/run_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/file_list_update.h"
#include "app/pipeline_reports.h"
#include "app/run_dispatch.h"
#include "app/run_recorder.h"
#include "generate/framing.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using testing::FakeDesktop;
using testing::TestRepository;
using Lines = std::vector<std::string>;

// The kinds that runs meet are pinned by tests/cases; here, the others.
TEST(ClassifyMessage, TellsTheRunsMessagesApart) {
  const std::pair<const char*, std::string_view> cases[] = {
      {"Erro ao ler o arquivo: /src/a.ora - Permission denied", problem_kind::kReadError},
      {"Erro ao criar a pasta: /out/ORACLE - Not a directory", problem_kind::kFolderError},
      {"Caractere sem representação em windows-1252: /src/a.ora linha 2: U+2192",
       problem_kind::kUnmappableCharacter},
      {"FILE1=CRIA_A", problem_kind::kMessage},
  };
  for (const auto& [line, kind] : cases) EXPECT_EQ(ClassifyMessage(line), kind) << line;
}

// The page of a run with problems is pinned by tests/cases/reports.case.
// A clean run folds every section; a listed script not found is shown in
// red even when no line of the run says so (a run that stopped writing
// before it): its section is open.
// Paths of both systems' forms as SARIF's artifact URIs; the places of the
// problems whose text names a path (a read error's reason follows " - ").
TEST(PipelineReports, TurnPathsIntoUrisAndFindThePlaceOfAProblem) {
  const std::pair<std::string_view, std::string_view> uris[] = {
      {"/srv/repo/a b/Ção.ora", "file:///srv/repo/a%20b/%C3%87%C3%A3o.ora"},
      {"C:\\Repo\\x#1.sql", "file:///C:/Repo/x%231.sql"},
      {"d:/repo/x.sql", "file:///d:/repo/x.sql"},
      {"\\\\host\\share\\x.ora", "file://host/share/x.ora"},
      {"src\\a:b.ora", "src/a%3Ab.ora"},
  };
  for (const auto& [path, uri] : uris) EXPECT_EQ(FileUri(path), uri) << path;

  RunReport report;
  report.file_list = "/srv/lista.ini";
  const std::pair<ReportProblem, std::string_view> places[] = {
      {{"read_error", "Erro ao ler o arquivo: /srv/a - b.ora - Permission denied"},
       "/srv/a - b.ora"},
      {{"missing_section", "Nao existe a seção: VIEWS no arquivo ini"}, "/srv/lista.ini"},
      {{"duplicate_key", "Chave repetida...", "/srv/lista.ini", 4}, "/srv/lista.ini"},
      {{"error_box", "Erro: Erro ao copiar"}, ""},
  };
  for (const auto& [problem, file] : places) {
    EXPECT_EQ(PlaceOf(problem, report).file, generate::CaminhoMensagem(file)) << problem.text;
  }

  // What XML cannot carry (a control character, a byte that is no UTF-8)
  // becomes U+FFFD; the rest is escaped.
  report.problems = {{"error_box",
                      "Erro: <a\x01"
                      "b\xFF>"}};
  EXPECT_NE(ReportJunit(report).find(">Erro: &lt;a\xEF\xBF\xBD"
                                     "b\xEF\xBF\xBD&gt;</failure>"),
            std::string::npos);
}

TEST(ReportHtml, ACleanRunFoldsEverySectionAndAScriptNotFoundOpensItsOwn) {
  RunReport report;
  report.command = "check";
  ReportOutput& output = report.outputs.emplace_back();
  output.type = "TABELAS";
  output.database = "ORACLE";
  output.entries.emplace_back().found = true;
  const std::string html = ReportHtml(report);
  EXPECT_NE(html.find("<p class=\"clean\">No problems found.</p>"), std::string::npos);
  EXPECT_EQ(html.find("<h2 id=\"problems\">"), std::string::npos);
  EXPECT_NE(html.find("<details id=\"run\"><summary>The run</summary>"), std::string::npos);
  EXPECT_NE(
      html.find("<details id=\"output-1\"><summary>TABELAS &mdash; ORACLE: 1 entry</summary>"),
      std::string::npos);
  EXPECT_EQ(html.find(" open>"), std::string::npos);
  output.entries.back().found = false;
  EXPECT_NE(ReportHtml(report).find("<details id=\"output-1\" class=\"problem\" open>"),
            std::string::npos);
}

// What numbering --write does with the names is pinned by tests/cases.
TEST(NamesOfKeyLines, TakesTheNamesOfTheNumberingsLines) {
  EXPECT_EQ(NamesOfKeyLines({"", "FILE1=CRIA_A", "FILE2=x=y", "FILE=NO", "FILEx=NO", "FILE3=",
                             "Nao existe pasta de origem para o tipo: TODOS", "FILE10=J"}),
            (Lines{"CRIA_A", "x=y", "J"}));
}

// The box of a file list that cannot be read comes once per run, however
// many generation calls read the list.
TEST(InitializationFileError, ComesOncePerRunAndAgainInTheNextRun) {
  FakeDesktop desktop;
  TestRepository repo;
  repo.dir.MakeDir("files.ini");  // a folder where the file list should be
  const RunRequest request{1, "TABELAS"};
  for (int run = 1; run <= 2; ++run) {
    cmdExecuta_Click(repo.session, request, RunOptions{.dry_run = true});
    EXPECT_EQ(
        std::count_if(desktop.boxes.begin(), desktop.boxes.end(),
                      [](const auto& box) { return box.title == "Initialization File Error"; }),
        run);
  }
}

#ifndef _WIN32  // POSIX only: a folder behind a symbolic link
// A folder that cannot be read: check names it once per run (also under the
// other spelling of PROCEDURES_SQL_2005), and again in the next run of the
// same process; what install and check print is pinned by
// tests/cases/check-unreadable-folder.case. A link in a loop cannot be read
// even by root.
TEST(FolderError, ComesOncePerCheckRunAndAgainInTheNextRun) {
  FakeDesktop desktop;
  TestRepository repo;
  repo.FileList("[PROCEDURES]\nNUMFILES=1\nFILE1=P\n[PROCEDURES_SQL_2005]\nNUMFILES=0\n");
  repo.dir.MakeDir("src");
  std::filesystem::create_symlink("Procedures", repo.Path("src/Procedures"));
  auto folder_errors = [&repo] {
    return std::count_if(
        repo.session.Mensagens.begin(), repo.session.Mensagens.end(),
        [](const std::string& line) { return line.starts_with("Erro ao ler a pasta: "); });
  };
  const RunRequest request{1, "TODOS"};
  for (int run = 1; run <= 2; ++run) {
    cmdExecuta_Click(repo.session, request, RunOptions{.dry_run = true});
    EXPECT_EQ(folder_errors(), 1) << "check, run " << run;
  }
}
#endif

// A generator whose every call adds one line of its own.
class OneLinePerCall final : public Generator {
 public:
  void GeraScript(Session& session, std::string_view tipo_objeto, generate::DatabaseKind,
                  bool) override {
    session.Mensagens.push_back("call " + std::string(tipo_objeto));
  }
  void GeraNumeracao(Session&, std::string_view, generate::DatabaseKind) override {}
};

// The press's own lines, written before the first call (a dry run's cut
// settings), are the run's problems, not the first output's; each call's
// lines are its output's, and lines after the last call are the run's again.
TEST(RunRecorder, GivesEachLineToTheCallThatWroteIt) {
  FakeDesktop desktop;
  TestRepository repo;
  repo.session.Mensagens.push_back("before the first call");
  OneLinePerCall inner;
  RunReport report;
  {
    RunRecorder recorder(inner, &report, /*dry_run=*/true, /*entries=*/false);
    recorder.GeraScript(repo.session, "VIEWS", generate::DatabaseKind::kOracle, false);
    recorder.GeraScript(repo.session, "TABELAS", generate::DatabaseKind::kOracle, false);
    repo.session.Mensagens.push_back("after the last call");
    recorder.Finish(repo.session);
  }
  auto texts = [](const std::vector<ReportProblem>& problems) {
    Lines lines;
    for (const ReportProblem& problem : problems) lines.push_back(problem.text);
    return lines;
  };
  EXPECT_EQ(texts(report.problems), (Lines{"before the first call", "after the last call"}));
  ASSERT_EQ(report.outputs.size(), 2U);
  EXPECT_EQ(texts(report.outputs[0].problems), Lines{"call VIEWS"});
  EXPECT_EQ(texts(report.outputs[1].problems), Lines{"call TABELAS"});
}

}  // namespace
}  // namespace vkt::app
