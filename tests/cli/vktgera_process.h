// Runs the built `vktgera` as a user or a pipeline does: in the folder of a
// test repository, stdout and stderr captured apart, the exit status kept.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_repository.h"

namespace vkt::cli {

struct Result {
  int status = -1;  // -1 when the shell did not exit normally
  std::string out;
  std::string err;
};

// Runs the shell `command` in <tmp> of `repo`, without stdin.
inline Result Shell(const testing::TestRepository& repo, const std::string& command) {
  const std::string out = repo.Path("stdout"), err = repo.Path("stderr");
  const std::string line =
      "cd '" + repo.dir.path() + "' && " + command + " >'" + out + "' 2>'" + err + "' </dev/null";
  const int raw = std::system(line.c_str());
  Result result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = testing::ReadFileBytes(out);
  result.err = testing::ReadFileBytes(err);
  return result;
}

// Runs vktgera with `args` in <tmp> of `repo`.
inline Result Vktgera(const testing::TestRepository& repo, const std::string& args) {
  return Shell(repo, "'" + std::string(VKTGERA_EXE) + "' " + args);
}

}  // namespace vkt::cli
