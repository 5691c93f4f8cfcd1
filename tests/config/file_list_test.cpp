#include "config/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::config {
namespace {

using testing::FakeDesktop;
using testing::TempDir;
using Names = std::vector<std::string>;

class FileListTest : public ::testing::Test {
 protected:
  FileList Read(const std::string& ini_text, const std::string& tipo) {
    dir_.Write("lista.ini", ini_text);
    return ReadFileList(dir_.path() + "\\LISTA.INI", tipo);
  }
  FakeDesktop desktop_;
  TempDir dir_;
};

TEST_F(FileListTest, KeyNumbersDecideTheOrder) {
  FileList list =
      Read("[TABELAS]\r\nFILE2=CRIA_PEDIDO\r\nNUMFILES=2\r\nFILE1=CRIA_CLIENTE\r\n", "TABELAS");
  EXPECT_EQ(list.status, FileListStatus::kOk);
  EXPECT_EQ(list.numfiles_text, "2");
  EXPECT_EQ(list.names, (Names{"", "CRIA_CLIENTE", "CRIA_PEDIDO"}));
}

TEST_F(FileListTest, ValuesAreTrimmedAndKeptOtherwise) {
  FileList list =
      Read("[TABELAS]\nNUMFILES=2\nFILE1=  CRIA_CLIENTE  \nFILE2=CRIA_X.ora\n", "TABELAS");
  EXPECT_EQ(list.names, (Names{"", "CRIA_CLIENTE", "CRIA_X.ora"}));
}

TEST_F(FileListTest, KeysAboveTheCountAreIgnoredAndMissingOnesAreEmpty) {
  EXPECT_EQ(Read("[VIEWS]\nNUMFILES=2\nFILE1=A\nFILE2=B\nFILE3=C\n", "VIEWS").names,
            (Names{"", "A", "B"}));
  EXPECT_EQ(Read("[VIEWS]\nNUMFILES=3\nFILE1=A\nFILE3=C\n", "VIEWS").names,
            (Names{"", "A", "", "C"}));
}

TEST_F(FileListTest, SectionAndKeyNamesIgnoreCase) {
  EXPECT_EQ(Read("[tabelas]\nnumfiles=1\nfile1=A\n", "TABELAS").names, (Names{"", "A"}));
}

TEST_F(FileListTest, ZeroFilesIsAValidList) {
  FileList list = Read("[DADOS]\nNUMFILES=0\nFILE1=A\n", "DADOS");
  EXPECT_EQ(list.status, FileListStatus::kOk);
  EXPECT_EQ(list.names, Names{""});
}

TEST_F(FileListTest, MissingSectionOrCount) {
  const char* texts[] = {
      "[OUTRA]\nNUMFILES=1\n",     // no section
      "[TABELAS]\nFILE1=A\n",      // no NUMFILES
      "[TABELAS]\nNUMFILES=\n",    // empty
      "[TABELAS]\nNUMFILES=  \n",  // blanks only
  };
  for (const char* text : texts) {
    FileList list = Read(text, "TABELAS");
    EXPECT_EQ(list.status, FileListStatus::kMissingSection) << text;
    EXPECT_EQ(list.names, Names{""}) << text;
  }
}

TEST_F(FileListTest, MissingFileIsMissingSectionWithoutABox) {
  FileList list = ReadFileList(dir_ / "nao_existe.ini", "TABELAS");
  EXPECT_EQ(list.status, FileListStatus::kMissingSection);
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(FileListTest, JobsWithoutCountHasNoFiles) {
  for (const char* text : {"[OUTRA]\nX=1\n", "[JOBS]\nFILE1=A\n", "[JOBS]\nNUMFILES=\n"}) {
    FileList list = Read(text, "JOBS");
    EXPECT_EQ(list.status, FileListStatus::kOk) << text;
    EXPECT_EQ(list.numfiles_text, "0") << text;
    EXPECT_EQ(list.names, Names{""}) << text;
  }
  EXPECT_EQ(Read("[JOBS]\nNUMFILES=1\nFILE1=J\n", "JOBS").names, (Names{"", "J"}));
}

TEST_F(FileListTest, CountMustBeAWholeNumberUpToAMillion) {
  struct Case {
    const char* value;
    FileListStatus status;
  } cases[] = {
      {"abc", FileListStatus::kInvalidCount},
      {"-1", FileListStatus::kInvalidCount},
      {"+1", FileListStatus::kInvalidCount},
      {"2.0", FileListStatus::kInvalidCount},
      {"1e3", FileListStatus::kInvalidCount},
      {"1 2", FileListStatus::kInvalidCount},
      {"1000001", FileListStatus::kInvalidCount},
      {"99999999999999999999", FileListStatus::kInvalidCount},
      {"007", FileListStatus::kOk},
      {"\t3 ", FileListStatus::kOk},
  };
  for (const auto& c : cases) {
    FileList list = Read(std::string("[SEQUENCES]\nNUMFILES=") + c.value + "\n", "SEQUENCES");
    EXPECT_EQ(list.status, c.status) << c.value;
    if (c.status == FileListStatus::kInvalidCount) EXPECT_EQ(list.names, Names{""}) << c.value;
  }
  EXPECT_EQ(Read("[SEQUENCES]\nNUMFILES=007\n", "SEQUENCES").names.size(), 8u);
}

}  // namespace
}  // namespace vkt::config
