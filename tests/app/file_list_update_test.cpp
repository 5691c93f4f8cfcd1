#include "app/file_list_update.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_desktop.h"
#include "support/test_repository.h"

namespace vkt::app {
namespace {

using Lines = std::vector<std::string>;

TEST(ShownNameTest, EveryNameStaysOnOneLineAndCanBeToldApart) {
  const struct {
    std::string name, shown;
  } cases[] = {
      {"PLAIN", "\"PLAIN\""},
      {"ESPACO ", "\"ESPACO \""},
      {"A\\B", "\"A\\\\B\""},
      {"\"ASPAS\"", "\"\\\"ASPAS\\\"\""},
      {"A\tB\rC\nD", "\"A\\tB\\rC\\nD\""},
      {"\x1B[31mRED\x7F", "\"\\x1B[31mRED\\x7F\""},
      {std::string("A\0B", 3), "\"A\\x00B\""},
      // C1 controls, line separator, right-to-left override.
      {"A\xC2\x85"
       "B\xE2\x80\xA8"
       "C\xE2\x80\xAE"
       "D",
       "\"A\\u0085B\\u2028C\\u202ED\""},
      // Printable characters stay as they are, a combining accent included.
      {"CAFE\xCC\x81 \xCE\xA9", "\"CAFE\xCC\x81 \xCE\xA9\""},
      {"A\xFF"
       "B",
       "\"A\\xFFB\""},
      {"", "\"\""},
  };
  for (const auto& c : cases) EXPECT_EQ(ShownName(c.name), c.shown) << c.shown;
}

class UpdateFileListTest : public ::testing::Test {
 protected:
  testing::FakeDesktop desktop_;
  testing::TestRepository repo_;
};

// Refused names take no key: the keys written stay consecutive, and a name
// the list cannot give back does not stop the ones after it. The other
// reasons, each on its line, are pinned by
// tests/cases/core-numbering-write-refused-names.case.
TEST_F(UpdateFileListTest, NamesTheListCannotGiveBackAreReportedAndTheOthersWritten) {
  repo_.FileList("[TABELAS]\r\nNUMFILES=1\r\nFILE1=A\r\n");
  const std::string long_name(255, 'L');
  const FileListUpdate update =
      UpdateFileList(repo_.session, "TABELAS", {"a", "C", "x/y", long_name, "D", "", "C"});
  EXPECT_TRUE(update.ok);
  EXPECT_EQ(update.added, 2);
  EXPECT_EQ(update.numfiles, 3);
  EXPECT_EQ(update.refused,
            (Lines{"not written: \"x/y\" - holds \\ or /, which the installation reads as a "
                   "folder separator",
                   "not written: \"" + long_name +
                       "\" - is longer than the 254 bytes the list's reader keeps of a value"}));
  EXPECT_EQ(repo_.dir.Read("files.ini"),
            "[TABELAS]\r\nNUMFILES=3\r\nFILE1=A\r\nFILE2=C\r\nFILE3=D\r\n");
  EXPECT_TRUE(desktop_.boxes.empty());
}

// With every new name refused nothing is written, but a missing section
// still gets its NUMFILES.
TEST_F(UpdateFileListTest, WhenEveryNewNameIsRefusedOnlyAMissingCountIsWritten) {
  const std::string before = "[TABELAS]\nNUMFILES=1\nFILE1=A\n";
  repo_.FileList(before);
  FileListUpdate update = UpdateFileList(repo_.session, "TABELAS", {"A", " B"});
  EXPECT_TRUE(update.ok);
  EXPECT_EQ(update.added, 0);
  EXPECT_EQ(update.refused.size(), 1u);
  EXPECT_EQ(repo_.dir.Read("files.ini"), before);
  update = UpdateFileList(repo_.session, "VIEWS", {" B"});
  EXPECT_TRUE(update.ok);
  EXPECT_EQ(update.refused.size(), 1u);
  EXPECT_EQ(repo_.dir.Read("files.ini"), before + "\n[VIEWS]\nNUMFILES=0\n");
}

}  // namespace
}  // namespace vkt::app
