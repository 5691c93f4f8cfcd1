// The "Initialization File Error" box of a file list that cannot be read:
// once per run, however many generation calls read the list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/run_dispatch.h"
#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

TEST(InitializationFileError, ComesOncePerRunAndAgainInTheNextRun) {
  testing::FakeDesktop desktop;
  testing::TestRepository repo;
  repo.dir.MakeDir("files.ini");  // a folder where the file list should be
  const RunRequest request{1, "TABELAS"};
  for (int run = 1; run <= 2; ++run) {
    cmdExecuta_Click(repo.session, request, RunOptions{.dry_run = true});
    EXPECT_EQ(
        std::count_if(desktop.boxes.begin(), desktop.boxes.end(),
                      [](const auto& box) { return box.title == "Initialization File Error"; }),
        run);
  }
}

}  // namespace
}  // namespace vkt::app
