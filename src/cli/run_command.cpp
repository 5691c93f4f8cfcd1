#include "cli/run_command.h"

#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/run_dispatch.h"
#include "app/session.h"
#include "cli/terminal_desktop.h"

namespace vkt::cli {
namespace {

void PrintLine(std::FILE* stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stream);
  std::fputc('\n', stream);
}

}  // namespace

int RunCommand(const Options& options, std::FILE* out, std::FILE* err, bool progress) {
  TerminalDesktop desktop(err, progress);
  ScopedDesktop scope(DesktopServices{&desktop, &desktop, nullptr, nullptr, nullptr, nullptr});

  app::Session session;
  std::string error;
  if (!LoadSession(options, &session, nullptr, &error)) {
    PrintLine(err, "vktgera: " + error);
    return kExitNoRun;
  }

  app::RunRequest request;
  request.index = options.command == Command::kInstall ? 1 : 0;
  request.tipo_objeto = options.type;
  const app::RunOutcome outcome = app::cmdExecuta_Click(session, request);
  desktop.EndProgress();

  for (size_t i = 1; i < session.Mensagens.size(); ++i) PrintLine(out, session.Mensagens[i]);
  std::fflush(out);

  if (outcome != app::RunOutcome::kRan) return kExitNoRun;
  if (options.command != Command::kInstall) return kExitClean;
  const bool problems = session.Mensagens.size() > 1 || desktop.error_boxes() > 0;
  return problems ? kExitProblems : kExitClean;
}

int RunCommand(const Options& options) {
  // The front end, not the core: the terminal test belongs here.
  return RunCommand(options, stdout, stderr, ::isatty(::fileno(stderr)) == 1);
}

}  // namespace vkt::cli
