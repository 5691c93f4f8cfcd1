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

TEST(UpdateFileList, KeepsListedNamesAndEveryOtherLineAndAppendsNewNames) {
  TestRepository repo;
  testing::FakeDesktop desktop;
  repo.FileList(
      "; file list of the XYZ system\r\n"
      "[TABELAS]\r\n"
      "; order matters: clients before orders\r\n"
      "NUMFILES = 2\r\n"
      "FILE2=CRIA_PEDIDO\r\n"
      "FILE1=CRIA_CLIENTE\r\n"
      "FILE3=OLD_IGNORED\r\n"
      "\r\n"
      "[VIEWS]\r\n"
      "NUMFILES=1\r\n"
      "FILE1=V\r\n");
  const FileListUpdate update =
      UpdateFileList(repo.session, "TABELAS", {"cria_cliente", "CRIA_ITEM", "CRIA_PEDIDO", "ZZ"});
  ASSERT_TRUE(update.ok) << update.error;
  EXPECT_EQ(update.numfiles, 4);
  EXPECT_EQ(update.added, 2);
  EXPECT_EQ(repo.dir.Read("files.ini"),
            "; file list of the XYZ system\r\n"
            "[TABELAS]\r\n"
            "; order matters: clients before orders\r\n"
            "NUMFILES = 4\r\n"
            "FILE2=CRIA_PEDIDO\r\n"
            "FILE1=CRIA_CLIENTE\r\n"
            "FILE3=CRIA_ITEM\r\n"
            "FILE4=ZZ\r\n"
            "\r\n"
            "[VIEWS]\r\n"
            "NUMFILES=1\r\n"
            "FILE1=V\r\n");
  EXPECT_TRUE(desktop.boxes.empty());
}

TEST(UpdateFileList, WritesNothingWhenEveryNameIsListed) {
  TestRepository repo;
  const std::string text = "[VIEWS]\nNUMFILES=2\nFILE1=A\nFILE2=B\n";
  repo.FileList(text);
  const FileListUpdate update = UpdateFileList(repo.session, "VIEWS", {"b", "A"});
  ASSERT_TRUE(update.ok);
  EXPECT_EQ(update.added, 0);
  EXPECT_EQ(update.numfiles, 2);
  EXPECT_EQ(repo.dir.Read("files.ini"), text);
}

TEST(UpdateFileList, CreatesAMissingSectionStartingWithNumfiles) {
  TestRepository repo;
  repo.FileList("[VIEWS]\nNUMFILES=0\n");
  const FileListUpdate update = UpdateFileList(repo.session, "DADOS", {"D1", "D2", "d1"});
  ASSERT_TRUE(update.ok);
  EXPECT_EQ(repo.dir.Read("files.ini"),
            "[VIEWS]\nNUMFILES=0\n\n[DADOS]\nNUMFILES=2\nFILE1=D1\nFILE2=D2\n");
}

TEST(UpdateFileList, CreatesAMissingFile) {
  TestRepository repo;
  const FileListUpdate update = UpdateFileList(repo.session, "JOBS", {"J"});
  ASSERT_TRUE(update.ok);
  EXPECT_EQ(repo.dir.Read("files.ini"), "[JOBS]\r\nNUMFILES=1\r\nFILE1=J\r\n");
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
