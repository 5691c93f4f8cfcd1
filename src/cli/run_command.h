// The run of `vktgera install` and `vktgera numbering`: one press of "Gera
// Install" or "Gera Numeração" of the window, reported on the terminal.
#pragma once

#include <cstdio>

#include "cli/options.h"

namespace vkt::cli {

// Exit statuses.
inline constexpr int kExitClean = 0;     // the run ended and reported nothing
inline constexpr int kExitProblems = 1;  // an install run reported problems
inline constexpr int kExitNoRun = 2;     // the run could not start

// Runs the command of `options` (install or numbering) through the window's
// button handler. `out` receives the message lines after the first (empty)
// one, one per line, in UTF-8; `err` every message box as "TITLE: TEXT" ("FIM"
// included), the reason a run could not start, and a progress line when
// `progress` is true. Returns the exit status: 0 ended with nothing reported
// (a numbering run that ran always), 1 an install run reported message lines
// or error boxes, 2 the run could not start (main configuration missing,
// unreadable or with an unusable code page, unknown repository, incomplete
// repository configuration).
int RunCommand(const Options& options, std::FILE* out, std::FILE* err, bool progress);

// The same on stdout and stderr, with the progress line when stderr is a
// terminal.
int RunCommand(const Options& options);

}  // namespace vkt::cli
