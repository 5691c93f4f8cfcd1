#include "cli/run_command.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_list_update.h"
#include "app/manifest.h"
#include "app/pipeline_reports.h"
#include "app/release_checks.h"
#include "app/run_dispatch.h"
#include "app/run_recorder.h"
#include "app/run_report.h"
#include "app/session.h"
#include "cli/output.h"
#include "cli/terminal_desktop.h"
#include "config/ini.h"
#include "config/object_types.h"
#include "fs/platform/console.h"
#include "generate/call_plan.h"
#include "generate/framing.h"

namespace vkt::cli {
namespace {

// `check`'s own findings for every object type the run called, in call
// order; printed after the run's messages (before "FIM") and added to the
// report.
bool ReportReleaseChecks(const app::Session& session, app::RunReport* report, std::FILE* out) {
  std::vector<std::string> types;
  for (const app::ReportOutput& output : report->outputs) {
    const config::ObjectType* type = config::FindObjectType(output.type);
    if (type && type->object_class == config::ObjectClass::kCompanions) continue;
    if (types.empty() || types.back() != output.type) types.push_back(output.type);
  }
  bool found = false;
  for (const std::string& type : types) {
    const std::vector<app::Finding> findings =
        app::CheckObjectType(session.settings, session.general, type);
    for (const app::Finding& finding : findings) WriteLine(out, finding.text);
    app::AttachFindings(report, findings);
    found = found || !findings.empty();
  }
  return found;
}

// SHA256SUMS in both package folders. A folder the run could not create, or
// a manifest that cannot be written, is a problem line of its own.
bool WriteManifests(const app::Session& session, app::RunReport* report, std::FILE* out) {
  bool ok = true;
  for (generate::DatabaseKind kind : generate::kDatabaseKinds) {
    const std::string folder = generate::PlanCall(session.settings, "", kind).output_folder;
    const platform::Status status = app::WriteManifest(folder);
    if (status.ok()) {
      report->manifests.push_back(
          generate::CaminhoMensagem(folder + std::string(app::kManifestName)));
      continue;
    }
    const std::string line =
        "Erro ao gravar o manifesto: " + generate::CaminhoMensagem(status.path) + " - " +
        status.Text();
    WriteLine(out, line);
    report->problems.push_back({std::string(app::problem_kind::kManifestError), line});
    ok = false;
  }
  return ok;
}

// Writes the reports asked for; false (and a line on `err`) when one fails.
bool WriteReports(const Options& options, const app::RunReport& report, std::FILE* err) {
  bool ok = true;
  auto write = [&](const std::string& path, const std::string& bytes) {
    if (path.empty()) return;
    const platform::Status status = app::WriteWholeFile(path, bytes);
    if (status.ok()) return;
    WriteLine(err, "vktgera: cannot write report " + path + ": " + status.Text());
    ok = false;
  };
  write(options.report_file, app::ReportJson(report));
  write(options.report_html_file, app::ReportHtml(report));
  write(options.report_junit_file, app::ReportJunit(report));
  write(options.report_sarif_file, app::ReportSarif(report));
  return ok;
}

// `numbering --write`: the shown key lines into the type's section. Each
// name the list could not give back is a line of its own, before the
// outcome; any of them makes the status 1.
int WriteNumbering(const Options& options, const app::Session& session, std::FILE* err) {
  const app::FileListUpdate update =
      app::UpdateFileList(session, options.type, app::NamesOfKeyLines(session.Mensagens));
  for (const std::string& line : update.refused) WriteLine(err, "vktgera: " + line);
  if (!update.ok) {
    WriteLine(err, "vktgera: " + update.error);
    return kExitProblems;
  }
  WriteLine(err, "vktgera: [" + options.type + "] of " +
                     generate::CaminhoMensagem(session.settings.ArqConfigIni) +
                     ": NUMFILES=" + std::to_string(update.numfiles) + ", " +
                     std::to_string(update.added) + " new name(s) written");
  if (update.other_links) {
    WriteLine(err, "vktgera: " + generate::CaminhoMensagem(session.settings.ArqConfigIni) +
                       " had other hard links: they keep the old content");
  }
  return update.refused.empty() ? kExitClean : kExitProblems;
}

// `--list-repos`: the names of the repository list, one a line.
int ListRepositories(const app::Session& session, std::FILE* out) {
  for (const std::string& name : session.general.repositories) {
    if (!name.empty()) WriteLine(out, name);
  }
  return kExitClean;
}

}  // namespace

int RunCommand(const Options& options, std::FILE* out, std::FILE* err, bool progress) {
  TerminalDesktop desktop(out, err, progress);
  ScopedDesktop scope(DesktopServices{&desktop, &desktop, nullptr, nullptr, nullptr, nullptr});

  app::Session session;
  std::string error;
  if (!LoadSession(options, &session, &error)) {
    WriteLine(err, "vktgera: " + error);
    return kExitNoRun;
  }
  // The run's lines reach `out` as the message area shows them.
  desktop.FollowMessages(&session.Mensagens);
  if (options.command == Command::kListRepositories) return ListRepositories(session, out);

  app::RunRequest request;
  request.index = options.command == Command::kNumbering ? 0 : 1;
  request.tipo_objeto = options.type;
  const bool check = options.command == Command::kCheck;
  // Only the JSON and HTML reports show the listed entries.
  const bool entries = !options.report_file.empty() || !options.report_html_file.empty();
  const bool reporting =
      entries || !options.report_junit_file.empty() || !options.report_sarif_file.empty();
  app::RunReport report;
  app::RunOutcome outcome;
  // The run, its checks and its report see one version of the file list.
  std::optional<config::IniSnapshot> lista;
  if (request.index == 1) lista.emplace(session.settings.ArqConfigIni);
  // Held until the manifests or the file list are written too.
  platform::FolderLock lock;
  const app::RunOptions run_options{
      .dry_run = check,
      .writes_file_list = options.command == Command::kNumbering && options.write,
      .lock = &lock};
  if (check || reporting) {
    // Without a report to write, `check` needs the outputs only for their
    // types: digests of every listed file would be work nobody reads.
    app::RealGenerator generator(app::GenerationOptionsOf(session, run_options));
    app::RunRecorder recorder(generator, &report, check, entries);
    outcome = app::cmdExecuta_Click(session, request, recorder, run_options);
    recorder.Finish(session);
  } else {
    // Exactly the window's run.
    outcome = app::cmdExecuta_Click(session, request, run_options);
  }
  desktop.EndProgress();
  // Lines the run added after the area last showed them, if any.
  desktop.PrintNewMessages();

  if (outcome != app::RunOutcome::kRan) return kExitNoRun;
  if (options.command == Command::kNumbering) {
    desktop.ShowClosingBox();
    return options.write ? WriteNumbering(options, session, err) : kExitClean;
  }
  bool problems = session.Mensagens.size() > 1 || desktop.error_boxes() > 0;
  // What the command adds to the run's lines comes before "FIM", so that on
  // a terminal, or with both streams in one file, the run ends where it says.
  if (check && ReportReleaseChecks(session, &report, out)) problems = true;
  if (options.manifest && !WriteManifests(session, &report, out)) problems = true;
  desktop.ShowClosingBox();
  const int status = problems ? kExitProblems : kExitClean;
  if (!reporting) return status;

  report.command = check ? "check" : "install";
  report.repository = session.repository;
  report.system = session.settings.SISTEMA;
  report.selected_type = options.type;
  report.source_root = session.settings.PathOrigem;
  report.destination_root = session.settings.PathDestino;
  report.file_list = session.settings.ArqConfigIni;
  report.code_page = session.general.code_page->name();
  report.exit_status = status;
  if (!WriteReports(options, report, err)) return kExitProblems;
  return status;
}

int RunCommand(const Options& options) {
  // The front end, not the core: the terminal test belongs here.
  return RunCommand(options, stdout, stderr, platform::IsTerminal(stderr));
}

}  // namespace vkt::cli
