// Helpers for the tests of runs that are interrupted, fail halfway or overlap:
// a repository with every kind of file a run writes, and what a run left.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "support/test_repository.h"

namespace vkt::testing {

// Makes the TempDirs made during its life go below `folder` (when it is a
// folder), for tests whose many flushes need not reach a disk.
class ScopedTempRoot {
 public:
  explicit ScopedTempRoot(const std::string& folder);
  ~ScopedTempRoot();
  ScopedTempRoot(const ScopedTempRoot&) = delete;
  ScopedTempRoot& operator=(const ScopedTempRoot&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

// Fills `repo` with a file list of two sections (TABELAS, VIEWS), `per_type`
// scripts of each kind in each, and the companion files. `version` goes into
// every script and companion, so that a second call changes them all.
void DurabilityRepository(const TestRepository& repo, int per_type, const std::string& version);

// What the runs of `repo` wrote: every file below <tmp>/out ("out/..."), and
// "files.ini".
std::map<std::string, std::string> WrittenFiles(const TestRepository& repo);

// Every temporary file of the program's naming below `posix_folder`, at any
// depth (paths relative to it).
std::vector<std::string> TemporariesBelow(const std::string& posix_folder);

}  // namespace vkt::testing
