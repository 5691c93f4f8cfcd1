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
  for (const char* bad :
       {"abc", "-1", "+1", "2.0", "1e3", "1 2", "1000001", "99999999999999999999"}) {
    FileList list = Read(std::string("[SEQUENCES]\nNUMFILES=") + bad + "\n", "SEQUENCES");
    EXPECT_EQ(list.status, FileListStatus::kInvalidCount) << bad;
    EXPECT_EQ(list.names, Names{""}) << bad;
  }
  EXPECT_EQ(Read("[SEQUENCES]\nNUMFILES=007\n", "SEQUENCES").names.size(), 8u);
  EXPECT_EQ(Read("[SEQUENCES]\nNUMFILES=\t1 \nFILE1=A\n", "SEQUENCES").names, (Names{"", "A"}));
}

}  // namespace
}  // namespace vkt::config
