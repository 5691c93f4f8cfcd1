// The whole of `vktgera` as a function, so that a test build of the program
// can arm the platform layer's seams before it runs.
#pragma once

namespace vkt::cli {

// Runs `vktgera` with its arguments: installs the signal clean-up, parses the
// options, runs the command and checks that its output was written. Returns
// the exit status.
int Main(int argc, char** argv);

}  // namespace vkt::cli
