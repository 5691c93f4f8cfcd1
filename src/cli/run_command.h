// The run of `vktgera install` and `vktgera numbering`.
#pragma once

#include "cli/options.h"

namespace vkt::cli {

// Runs the command of `options` (install or numbering) and returns the exit
// status: 0 ended with nothing reported, 1 an install run reported problems,
// 2 the run could not start (its reason on stderr).
int RunCommand(const Options& options);

}  // namespace vkt::cli
