// `vktgera`: the window's two buttons on the command line.
#include <cstdio>
#include <string>
#include <vector>

#include "app/version.h"
#include "cli/options.h"
#include "cli/run_command.h"
#include "fs/platform/file_system.h"

int main(int argc, char** argv) {
  // An interrupted run leaves no temporary file of its own behind.
  vkt::platform::InstallSignalCleanup();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const vkt::cli::ParseResult parsed = vkt::cli::ParseOptions(args);
  if (!parsed.ok) {
    std::fprintf(stderr, "vktgera: %s\nTry 'vktgera --help'.\n", parsed.error.c_str());
    return 2;
  }
  switch (parsed.options.command) {
    case vkt::cli::Command::kHelp:
      std::fputs(vkt::cli::UsageText().c_str(), stdout);
      return 0;
    case vkt::cli::Command::kVersion:
      std::printf("vktgera %s\n", vkt::kVersionText);
      return 0;
    default:
      return vkt::cli::RunCommand(parsed.options);
  }
}
