// `vktgera install` and `vktgera numbering`: one press of "Gera Install" or
// "Gera Numeração" for a repository of the main configuration, reported on
// the terminal.
#pragma once

#include <cstdio>
#include <string>

namespace vkt::cli {

enum class Command { kInstall, kNumbering };

struct RunOptions {
  Command command = Command::kInstall;
  std::string config_file;     // --config; empty = "VKTGeraInstallBD.ini" beside the executable
  std::string repo;            // --repo
  std::string type = "TODOS";  // --type, any letter case
};

// Exit statuses.
inline constexpr int kExitClean = 0;     // the run ended and reported nothing
inline constexpr int kExitProblems = 1;  // an installation reported problems
inline constexpr int kExitNoRun = 2;     // the run could not start

// Runs the button handler of the window for `options`. `out` receives the
// message lines after the first (empty) one, one per line, in UTF-8; `err`
// every message box as "TITLE: TEXT" ("FIM" included), the reasons a run could
// not start, and a progress line when `progress` is true. Returns the exit
// status: 0 clean (a numbering that ran is always clean), 1 an installation
// with message lines or error boxes, 2 no run (unknown type or repository,
// main configuration missing or unreadable, unusable code page, incomplete
// repository configuration).
int RunCommand(const RunOptions& options, std::FILE* out, std::FILE* err, bool progress);

}  // namespace vkt::cli
