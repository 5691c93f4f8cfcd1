#include <gtest/gtest.h>

#include <string>

#include "fs/file_system_object.h"
#include "fs/open_files.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using vkt::testing::FakeDesktop;
using vkt::testing::TempDir;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { open_files::CloseAll(); }
  void TearDown() override { open_files::CloseAll(); }
  FileSystemObject fso_;
  TempDir dir_;
  const std::int16_t kRead = 1;
  const std::int16_t kWrite = 2;
};

TEST_F(ReaderTest, MoveNextReturnsLinesAndFailsPastTheEnd) {
  dir_.Write("three.txt", "one\r\ntwo\r\nthree\r\n");
  const std::int16_t n = fso_.OpenFile(dir_.path() + "\\three.txt", kRead);
  ASSERT_NE(n, 0);
  EXPECT_EQ(fso_.MoveNext(n), "one");
  EXPECT_EQ(fso_.MoveNext(n), "two");
  EXPECT_EQ(fso_.MoveNext(n), "three");
  EXPECT_EQ(fso_.MoveNext(n), std::nullopt);
  EXPECT_EQ(fso_.MoveNext(n), std::nullopt);
  fso_.CloseFile(n);
  EXPECT_EQ(fso_.MoveNext(n), std::nullopt) << "a closed number";
}

TEST_F(ReaderTest, RecordCountCountsLinesByTheCarriageReturnRule) {
  struct Case {
    const char* name;
    const char* bytes;
    std::int32_t count;
  } cases[] = {
      {"pairs with final pair", "a\r\nb\r\nc\r\n", 3},
      {"pairs without final pair", "a\r\nb\r\nc", 3},
      {"line feeds only", "a\nb\nc\n", 1},
      {"lone carriage returns", "a\rb\rc", 3},
      {"one line, no terminator", "abc", 1},
      {"one empty line", "\r\n", 1},
      {"empty file", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("f.txt", c.bytes);
    EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\F.TXT"), c.count);
    EXPECT_EQ(open_files::FreeNumber(), 1) << "RecordCount closes its file";
  }
}

}  // namespace
}  // namespace vkt::fs
