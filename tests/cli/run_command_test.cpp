#include "cli/run_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/options.h"
#include "fs/platform/fault_seam.h"
#include "support/test_repository.h"

namespace vkt::cli {
namespace {

using testing::TestRepository;

// The repository that the step below rewrites (a seam action takes no
// argument).
const TestRepository* g_repository = nullptr;

void RewriteFileList() { g_repository->FileList("[VIEWS]\nNUMFILES=1\nFILE1=NEW\n"); }

std::string AllOutput(const TestRepository& repo) {
  std::string bytes;
  for (const auto& [name, content] : testing::FilesBelow(repo.Path("out"))) bytes += content;
  return bytes;
}

// An install reads nothing of its repository before it holds the writer's
// lock: another program that rewrites the file list right before the lock
// is taken (the run's first change to the disk) is read as rewritten, and a
// run started meanwhile would have waited or been refused, not found the
// package halfway.
TEST(RunCommand, ReadsTheRepositoryOnlyUnderItsLock) {
  TestRepository repo;
  repo.MainConfiguration(TestRepository::Paths::kAbsolute);
  repo.Companions();
  repo.FileList("[VIEWS]\nNUMFILES=1\nFILE1=OLD\n");
  repo.Source("Views/OLD.ora", "SELECT 'old' FROM DUAL;\r\n");
  repo.Source("Views/NEW.ora", "SELECT 'new' FROM DUAL;\r\n");
  Options options;
  options.command = Command::kInstall;
  options.config_file = repo.Path("prog/VKTGeraInstallBD.ini");
  options.repo = "R1";
  options.type = "VIEWS";
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_NE(out, nullptr);
  ASSERT_NE(err, nullptr);

  g_repository = &repo;
  platform::ArmAction(platform::kFaultMkdir | platform::kFaultCreate, 1, RewriteFileList);
  RunCommand(options, out, err, nullptr);
  EXPECT_GE(platform::DisarmFault(), 1);
  std::fclose(out);
  std::fclose(err);

  const std::string written = AllOutput(repo);
  EXPECT_NE(written.find("'new'"), std::string::npos);
  EXPECT_EQ(written.find("'old'"), std::string::npos);
}

}  // namespace
}  // namespace vkt::cli
