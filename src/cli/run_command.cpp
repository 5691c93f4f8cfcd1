// STUB, to be replaced by the real install and numbering runs: it only loads
// the main configuration, checks the repository and prints the repository
// list, one name per line.
#include "cli/run_command.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli/terminal_desktop.h"

namespace vkt::cli {

int RunCommand(const Options& options) {
  TerminalDesktop terminal(stderr, /*progress=*/false);
  ScopedDesktop desktop(DesktopServices{&terminal, &terminal, nullptr, nullptr, nullptr, nullptr});
  app::Session session;
  std::vector<std::string> repositories;
  std::string error;
  if (!LoadSession(options, &session, &repositories, &error)) {
    std::fprintf(stderr, "vktgera: %s\n", error.c_str());
    return 2;
  }
  for (const std::string& name : repositories) std::printf("%s\n", name.c_str());
  return 0;
}

}  // namespace vkt::cli
