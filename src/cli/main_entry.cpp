#include "cli/main_entry.h"

#include <string>
#include <vector>

#include "app/version.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/run_command.h"
#include "fs/platform/console.h"
#include "fs/platform/file_system.h"

namespace {

int Run(int argc, char** argv) {
  std::vector<std::string> args = vkt::platform::ProgramArguments(argc, argv);
  if (!args.empty()) args.erase(args.begin());
  const vkt::cli::ParseResult parsed = vkt::cli::ParseOptions(args);
  if (!parsed.ok) {
    vkt::cli::Write(stderr, "vktgera: " + parsed.error + "\nTry 'vktgera --help'.\n");
    return vkt::cli::kExitNoRun;
  }
  switch (parsed.options.command) {
    case vkt::cli::Command::kHelp:
      vkt::cli::Write(stdout, vkt::cli::UsageText());
      return vkt::cli::kExitClean;
    case vkt::cli::Command::kVersion:
      vkt::cli::Write(stdout, std::string("vktgera ") + vkt::kVersionText + "\n");
      return vkt::cli::kExitClean;
    default:
      return vkt::cli::RunCommand(parsed.options);
  }
}

}  // namespace

namespace vkt::cli {

int Main(int argc, char** argv) {
  // UTF-8 bytes as written (Windows: no CR before a line feed).
  vkt::platform::PrepareStandardStreams();
  // An interrupted run leaves no temporary file of its own behind.
  vkt::platform::InstallSignalCleanup();
  // The message lines go out while the run writes the package: a reader
  // that quits early (`| grep -q`) must not stop it halfway. The lost output
  // is then a failure like a full disk.
  vkt::platform::IgnoreBrokenPipe();
  // A file that outgrows `ulimit -f` is a failed write with its message line,
  // not a run killed without one.
  vkt::platform::IgnoreFileSizeLimit();
  // Whatever the command, output that was lost makes it fail.
  return vkt::cli::FinishOutput(Run(argc, argv));
}

}  // namespace vkt::cli
