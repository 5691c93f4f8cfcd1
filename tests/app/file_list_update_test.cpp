#include "app/file_list_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using testing::TestRepository;
using Names = std::vector<std::string>;

TEST(NamesOfKeyLines, TakesTheNamesOfTheNumberingsLines) {
  EXPECT_EQ(NamesOfKeyLines({"", "FILE1=CRIA_A", "FILE2=x=y", "FILE=NO", "FILEx=NO", "FILE3=",
                             "Nao existe pasta de origem para o tipo: TODOS", "FILE10=J"}),
            (Names{"CRIA_A", "x=y", "J"}));
}

TEST(UpdateFileList, CreatesAMissingSectionStartingWithNumfiles) {
  TestRepository repo;
  repo.FileList("[VIEWS]\nNUMFILES=0\n");
  const FileListUpdate update = UpdateFileList(repo.session, "DADOS", {"D1", "D2", "d1"});
  ASSERT_TRUE(update.ok);
  EXPECT_EQ(repo.dir.Read("files.ini"),
            "[VIEWS]\nNUMFILES=0\n\n[DADOS]\nNUMFILES=2\nFILE1=D1\nFILE2=D2\n");
}

TEST(UpdateFileList, LeavesASectionWithAnInvalidNumfilesAlone) {
  TestRepository repo;
  const std::string text = "[VIEWS]\nNUMFILES=dois\nFILE1=A\n";
  repo.FileList(text);
  const FileListUpdate update = UpdateFileList(repo.session, "VIEWS", {"B"});
  EXPECT_FALSE(update.ok);
  EXPECT_EQ(update.error, "NUMFILES of section [VIEWS] in " + repo.Path("files.ini") +
                              " is not a whole number; nothing written");
  EXPECT_EQ(repo.dir.Read("files.ini"), text);
}

TEST(UpdateFileList, ReportsAFileThatCannotBeWritten) {
  TestRepository repo;
  repo.dir.MakeDir("files.ini");  // a folder where the file list should be
  testing::FakeDesktop desktop;
  const FileListUpdate update = UpdateFileList(repo.session, "VIEWS", {"B"});
  EXPECT_FALSE(update.ok);
  EXPECT_EQ(update.error, "cannot write NUMFILES into section [VIEWS] of " +
                              repo.Path("files.ini") + ": não é um arquivo comum");
}

}  // namespace
}  // namespace vkt::app
