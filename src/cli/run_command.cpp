#include "cli/run_command.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/run_dispatch.h"
#include "app/session.h"
#include "app/startup.h"
#include "cli/terminal_desktop.h"
#include "fs/platform/file_system.h"
#include "text/letter_case.h"

namespace vkt::cli {
namespace {

// The folder part of `file` as the platform layer takes it; "." for a bare
// file name.
std::string FolderOf(const std::string& file) {
  size_t slash = file.find_last_of("/\\");
  if (slash == std::string::npos) return ".";
  if (slash == 0) return file.substr(0, 1);
  return file.substr(0, slash);
}

void PrintLine(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
}

bool IsKnownType(const std::string& upper) {
  return std::find(app::kObjectTypes.begin(), app::kObjectTypes.end(), upper) !=
         app::kObjectTypes.end();
}

// Whether the main configuration can be read; the reason when it cannot.
platform::Status CheckReadable(const std::string& path) {
  platform::File file;
  platform::Status status = platform::File::Open(path, platform::File::Mode::kRead, &file);
  if (!status.ok()) return status;
  char byte = 0;
  size_t got = 0;
  return file.Read(&byte, 1, &got);
}

}  // namespace

int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err, bool progress) {
  const std::string type = text::UpperCase(options.type);
  if (!IsKnownType(type)) {
    std::string known;
    for (std::string_view t : app::kObjectTypes) known += " " + std::string(t);
    PrintLine(err, "vktgera: unknown object type '" + options.type + "'; one of:" + known);
    return kExitNoRun;
  }

  app::Session session;
  if (options.config_file.empty()) {
    session.program_folder = platform::ExecutableFolder();
  } else {
    session.program_folder = FolderOf(options.config_file);
    session.main_config_file = options.config_file;
  }
  const std::string config = session.MainConfigPath();
  if (platform::Status status = CheckReadable(config); !status.ok()) {
    PrintLine(err, "vktgera: cannot read the main configuration " + config + ": " + status.Text());
    return kExitNoRun;
  }

  TerminalDesktop desktop(err, progress);
  ScopedDesktop scope(DesktopServices{&desktop, &desktop, nullptr, nullptr, nullptr, nullptr});

  const app::CodePageSetting code_page = app::ApplyConfiguredCodePage(session);
  if (!code_page.error.empty()) {
    desktop.Show(app::UnknownCodePageMessage(code_page), "VKTGeraInstallBD", BoxIcon::kCritical);
    return kExitNoRun;
  }

  const std::vector<std::string> repositories = app::CarregaCombos(session).repositories;
  if (options.repo.empty() ||
      std::find(repositories.begin(), repositories.end(), options.repo) == repositories.end()) {
    std::string known;
    for (const std::string& name : repositories) {
      if (!name.empty()) known += " '" + name + "'";
    }
    PrintLine(err, "vktgera: unknown repository '" + options.repo + "' in " + config +
                       (known.empty() ? "; it lists none" : "; known:" + known));
    return kExitNoRun;
  }
  app::CarregaConfigRepositorio(session, options.repo);

  app::RunRequest request;
  request.index = options.command == Command::kInstall ? 1 : 0;
  request.tipo_objeto = type;
  const app::RunOutcome outcome = app::cmdExecuta_Click(session, request);
  desktop.EndProgress();

  for (size_t i = 1; i < session.Mensagens.size(); ++i) PrintLine(out, session.Mensagens[i]);
  std::fflush(out);

  if (outcome != app::RunOutcome::kRan) return kExitNoRun;
  if (options.command == Command::kNumbering) return kExitClean;
  const bool problems = session.Mensagens.size() > 1 || desktop.error_boxes() > 0;
  return problems ? kExitProblems : kExitClean;
}

}  // namespace vkt::cli
