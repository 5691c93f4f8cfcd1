#include "cli/run_command.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_list_update.h"
#include "app/manifest.h"
#include "app/pipeline_reports.h"
#include "app/release_checks.h"
#include "app/run_dispatch.h"
#include "app/run_end.h"
#include "app/run_files.h"
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
#include "text/control_escapes.h"

namespace vkt::cli {
namespace {

// The encoding hints of the main configuration and the file list, each file
// once.
std::vector<app::Finding> ConfigurationHints(const app::Session& session) {
  std::vector<app::Finding> hints;
  const text::CodePage& page = *session.general.code_page;
  for (const std::string& path : {session.MainConfigPath(), session.settings.ArqConfigIni}) {
    if (!hints.empty() && path == session.MainConfigPath()) continue;
    app::Finding hint = app::ConfigurationEncoding(path, page);
    if (!hint.kind.empty()) hints.push_back(std::move(hint));
  }
  return hints;
}

// `check`'s own findings, the configurations' first, then those of every
// object type the run called, in call order; printed after the run's
// messages (before "FIM") as they are found and, when a report is written
// (`reporting`), added to it. Returns how many there were.
std::size_t ReportReleaseChecks(const app::Session& session, app::RunReport* report, bool reporting,
                                std::FILE* out) {
  std::vector<std::string> types;
  for (const app::ReportOutput& output : report->outputs) {
    const config::ObjectType* type = config::FindObjectType(output.type);
    if (type && type->object_class == config::ObjectClass::kCompanions) continue;
    if (types.empty() || types.back() != output.type) types.push_back(output.type);
  }
  const std::vector<app::Finding> hints = ConfigurationHints(session);
  for (const app::Finding& hint : hints) WriteLine(out, hint.text);
  app::AttachFindings(report, hints);
  std::size_t found = hints.size();
  for (const std::string& type : types) {
    app::CheckObjectType(session.settings, session.general, type, [&](app::Finding finding) {
      // A line on stdout, as the run's: names from disk shown escaped.
      finding.text = text::EscapeControls(finding.text);
      WriteLine(out, finding.text);
      if (reporting) app::AttachFindings(report, {std::move(finding)});
      ++found;
    });
  }
  return found;
}

// SHA256SUMS in both package folders. A folder the run could not create, a
// manifest that cannot be written, or one that replaced another user's file,
// is a problem line of its own. Returns how many such lines there were.
std::size_t WriteManifests(const app::Session& session, app::RunReport* report, std::FILE* out) {
  std::size_t problems = 0;
  for (generate::DatabaseKind kind : generate::kDatabaseKinds) {
    const std::string folder = generate::PlanCall(session.settings, "", kind).output_folder;
    platform::Replaced replaced;
    const platform::Status status = app::WriteManifest(folder, &replaced);
    if (status.ok()) {
      const std::string path = folder + std::string(app::kManifestName);
      report->manifests.push_back(generate::CaminhoMensagem(path));
      if (replaced.other_owner.empty()) continue;
      const std::string line = generate::LinhaDeOutroUsuario(path, replaced.other_owner);
      WriteLine(out, line);
      report->problems.push_back({std::string(app::problem_kind::kMessage), line});
      ++problems;
      continue;
    }
    const std::string line =
        "Erro ao gravar o manifesto: " + generate::CaminhoMensagem(status.path) + " - " +
        status.Text();
    WriteLine(out, line);
    report->problems.push_back({std::string(app::problem_kind::kManifestError), line});
    ++problems;
  }
  return problems;
}

// Writes the reports asked for; false (and a line on `err`) when one fails.
bool WriteReports(const Options& options, const app::RunReport& report, std::FILE* err) {
  bool ok = true;
  auto write = [&](const std::string& path, const std::string& bytes) {
    if (path.empty()) return;
    platform::Replaced replaced;
    const platform::Status status = app::WriteWholeFile(path, bytes, &replaced);
    if (!replaced.other_owner.empty()) {
      WriteLine(err, "vktgera: " + generate::LinhaDeOutroUsuario(path, replaced.other_owner));
    }
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

// A report asked for: its option, its path and what it is to the others.
struct ReportPlace {
  std::string_view option;
  const std::string& path;
  std::string_view what;
};

// Two reports named onto one file (streams aside), as a line for `err`: the
// later option is the one refused.
std::optional<std::string> SharedFileError(const std::vector<ReportPlace>& reports) {
  const auto file = [](const std::string& path) {
    return !path.empty() && platform::KindOfOutput(path) == platform::OutputKind::kFile;
  };
  for (auto later = reports.begin(); later != reports.end(); ++later) {
    if (!file(later->path)) continue;
    for (auto earlier = reports.begin(); earlier != later; ++earlier) {
      if (!file(earlier->path) || !app::SameFile(earlier->path, later->path)) continue;
      return std::string(later->option) + " " + later->path +
             " would replace an output of the run (" + std::string(earlier->what) + ")";
    }
  }
  return std::nullopt;
}

// Why the reports asked for cannot go where they are named, as a line for
// `err`: a folder, a file the run reads or writes, or two reports in one
// file. Streams are written where they are, so only the file behind one
// counts.
std::optional<std::string> ReportPlaceError(const Options& options, const app::Session& session) {
  const bool install = options.command == Command::kInstall;
  const std::vector<ReportPlace> reports{
      {"--report", options.report_file, "the JSON report"},
      {"--report-html", options.report_html_file, "the HTML report"},
      {"--report-junit", options.report_junit_file, "the JUnit report"},
      {"--report-sarif", options.report_sarif_file, "the SARIF report"}};
  for (const ReportPlace& report : reports) {
    if (report.path.empty()) continue;
    const std::string named = std::string(report.option) + " " + report.path;
    if (platform::KindOfOutput(report.path) == platform::OutputKind::kFolder)
      return named + " is a folder";
    const app::RunFile file = app::RunFileAt(session, install, report.path);
    if (file.role == app::RunFile::Role::kNone) continue;
    return named + " would replace " +
           (file.role == app::RunFile::Role::kInput ? "an input" : "an output") + " of the run (" +
           file.what + ")";
  }
  return SharedFileError(reports);
}

// `numbering --write`: the shown key lines into the type's section. Each
// name the list could not give back is a line of its own, before the
// outcome; any of them makes the status 1.
int WriteNumbering(const Options& options, const app::Session& session, std::FILE* err) {
  // The names shown without a key are refused, first, as they were shown.
  std::vector<std::string> names = session.names_not_numbered;
  for (std::string& name : app::NamesOfKeyLines(session.Mensagens))
    names.push_back(std::move(name));
  const app::FileListUpdate update = app::UpdateFileList(session, options.type, names);
  for (const std::string& line : update.refused) WriteLine(err, "vktgera: " + line);
  if (!update.ok) {
    WriteLine(err, "vktgera: " + update.error);
    return kExitProblems;
  }
  WriteLine(err, "vktgera: [" + options.type + "] of " +
                     generate::CaminhoMensagem(session.settings.ArqConfigIni) +
                     ": NUMFILES=" + std::to_string(update.numfiles) + ", " +
                     std::to_string(update.added) + " new name(s) written");
  if (!update.other_owner.empty()) {
    WriteLine(err, "vktgera: " + generate::LinhaDeOutroUsuario(session.settings.ArqConfigIni,
                                                               update.other_owner));
  }
  if (update.other_links) {
    WriteLine(err, "vktgera: " + generate::CaminhoMensagem(session.settings.ArqConfigIni) +
                       " had other hard links: they keep the old content");
  }
  return update.refused.empty() ? kExitClean : kExitProblems;
}

// Whether a report that shows the listed entries is asked for: the JSON and
// HTML ones do.
bool ReportsEntries(const Options& options) {
  return !options.report_file.empty() || !options.report_html_file.empty();
}

// Whether a report of the problems alone is asked for (JUnit, SARIF).
bool ReportsProblems(const Options& options) {
  return !options.report_junit_file.empty() || !options.report_sarif_file.empty();
}

// The configuration hints of an installation, on `err`.
void PrintConfigurationHints(const app::Session& session, std::FILE* err) {
  for (const app::Finding& hint : ConfigurationHints(session)) {
    WriteLine(err, "vktgera: " + hint.text);
  }
}

// The run's keys into `report`, and the reports asked for written after the
// run's lines; the exit status, `status` unless a report cannot be written.
int FinishReports(const Options& options, const app::Session& session, int status,
                  app::RunReport* report, std::FILE* out, std::FILE* err) {
  report->command = options.command == Command::kCheck ? "check" : "install";
  report->repository = session.repository;
  report->system = session.settings.SISTEMA;
  report->selected_type = options.type;
  report->source_root = session.settings.PathOrigem;
  report->destination_root = session.settings.PathDestino;
  report->file_list = session.settings.ArqConfigIni;
  report->code_page = session.general.code_page->name();
  report->exit_status = status;
  // A report on standard output follows the run's lines.
  Flush(out);
  return WriteReports(options, *report, err) ? status : kExitProblems;
}

// `--list-repos`: the names of the repository list, one a line.
int ListRepositories(const app::Session& session, std::FILE* out) {
  for (const std::string& name : session.general.repositories) {
    if (!name.empty()) WriteLine(out, name);
  }
  return kExitClean;
}

}  // namespace

int RunCommand(const Options& options, std::FILE* out, std::FILE* err, ProgressTerminal* terminal) {
  TerminalDesktop desktop(out, err, terminal);
  ScopedDesktop scope(DesktopServices{&desktop, &desktop, nullptr, nullptr, nullptr, nullptr});

  app::Session session;
  std::string error;
  if (!LoadSession(options, &session, &error)) {
    WriteLine(err, "vktgera: " + error);
    return kExitNoRun;
  }
  // The run's lines reach `out` as the message area shows them.
  desktop.FollowMessages(&session.Mensagens);
  if (options.command == Command::kListRepositories) {
    // A configuration that exists but cannot be read (its box said why)
    // lists nothing, where install would not start either.
    if (desktop.error_boxes() > 0) return kExitNoRun;
    return ListRepositories(session, out);
  }
  // Before anything is written: a report never replaces what the run reads
  // or writes.
  if (std::optional<std::string> error = ReportPlaceError(options, session)) {
    WriteLine(err, "vktgera: " + *error);
    return kExitNoRun;
  }

  app::RunRequest request;
  request.index = options.command == Command::kNumbering ? 0 : 1;
  request.tipo_objeto = options.type;
  const bool check = options.command == Command::kCheck;
  // Held until the manifests or the file list are written too.
  platform::FolderLock lock;
  const app::RunOptions run_options{
      .dry_run = check,
      .writes_file_list = options.command == Command::kNumbering && options.write,
      .lock = &lock,
      .lock_wait_seconds = options.wait_seconds,
      .waiting = [out, err](const std::string& what) {
        Flush(out);
        WriteLine(err, "vktgera: aguardando a trava de " + what);
      }};
  // A writer reads the repository under its lock: a run started later waits
  // or is refused, and none finds the other halfway.
  if (!app::LockBeforeReading(session, request, run_options)) return kExitNoRun;
  // An installation says how its configurations look on stderr, and goes on.
  if (options.command == Command::kInstall) PrintConfigurationHints(session, err);
  const bool entries = ReportsEntries(options);
  const bool reporting = entries || ReportsProblems(options);
  app::RunReport report;
  app::RunOutcome outcome;
  // The run, its checks and its report see one version of the file list.
  std::optional<config::IniSnapshot> lista;
  if (request.index == 1) lista.emplace(session.settings.ArqConfigIni);
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
  std::size_t problems = app::RunProblemCount(session, desktop.error_boxes());
  // What the command adds to the run's lines comes before "FIM", so that on
  // a terminal, or with both streams in one file, the run ends where it says.
  if (check) problems += ReportReleaseChecks(session, &report, reporting, out);
  if (options.manifest) problems += WriteManifests(session, &report, out);
  // The end line goes with "FIM" to stderr: a report on stdout stays whole.
  desktop.ShowClosingBox(app::EndLine(session.run_end, problems));
  const int status = problems > 0 ? kExitProblems : kExitClean;
  if (!reporting) return status;

  return FinishReports(options, session, status, &report, out, err);
}

int RunCommand(const Options& options) {
  // The front end, not the core: the terminal test belongs here.
  if (!platform::IsTerminal(stderr)) return RunCommand(options, stdout, stderr, nullptr);
  StandardErrorTerminal terminal;
  return RunCommand(options, stdout, stderr, &terminal);
}

}  // namespace vkt::cli
