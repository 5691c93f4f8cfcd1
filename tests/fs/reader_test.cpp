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

TEST_F(ReaderTest, OpenFileForReadingAMissingFileOpensNothing) {
  EXPECT_EQ(fso_.OpenFile(dir_.path() + "\\missing.txt", kRead), 0);
  EXPECT_EQ(open_files::FreeNumber(), 1);
  EXPECT_FALSE(dir_.Exists("missing.txt"));
}

TEST_F(ReaderTest, OpenFileForWritingCreatesOrEmptiesTheFile) {
  dir_.Write("old.txt", "old\r\n");
  const std::int16_t created = fso_.OpenFile(dir_.path() + "\\new.txt", kWrite);
  const std::int16_t emptied = fso_.OpenFile(dir_.path() + "\\OLD.TXT", std::int16_t{0});
  EXPECT_EQ(created, 1);
  EXPECT_EQ(emptied, 2);
  EXPECT_EQ(fso_.CloseFile(created), 0);
  EXPECT_EQ(fso_.CloseFile(emptied), 0);
  EXPECT_TRUE(dir_.Exists("new.txt"));
  EXPECT_EQ(dir_.Read("new.txt"), "");
  EXPECT_EQ(dir_.Read("old.txt"), "");
}

TEST_F(ReaderTest, OpenFileFailsOnAFolderThatDoesNotExist) {
  EXPECT_EQ(fso_.OpenFile(dir_.path() + "\\no\\such\\out.txt", kWrite), 0);
}

TEST_F(ReaderTest, ClosedNumbersAreHandedOutAgain) {
  dir_.Write("a.txt", "a\r\n");
  const std::string path = dir_.path() + "\\a.txt";
  const std::int16_t first = fso_.OpenFile(path, kRead);
  const std::int16_t second = fso_.OpenFile(path, kRead);
  EXPECT_NE(first, 0);
  EXPECT_NE(second, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(fso_.CloseFile(first), 0);
  EXPECT_EQ(fso_.OpenFile(path, kRead), first);
  EXPECT_EQ(fso_.CloseFile(123), 0) << "closing a number that is not open is harmless";
}

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

TEST_F(ReaderTest, MoveNextOnAFileOpenForWritingFails) {
  const std::int16_t n = fso_.OpenFile(dir_.path() + "\\w.txt", kWrite);
  ASSERT_NE(n, 0);
  EXPECT_EQ(fso_.MoveNext(n), std::nullopt);
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

TEST_F(ReaderTest, RecordCountOfAMissingOrLockedFileIsZero) {
  EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\missing.txt"), 0);
  dir_.MakeDir("folder.txt");
  EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\folder.txt"), 0);
  dir_.Write("busy.txt", "a\r\nb\r\n");
  // Held for writing: nobody may read it through the table meanwhile.
  const int held = open_files::Open(dir_.path() + "\\busy.txt", FileAccess::kBytes);
  ASSERT_EQ(held, 1);
  EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\busy.txt"), 0);
  EXPECT_EQ(open_files::FreeNumber(), 2) << "nothing is left open";
  open_files::Close(held);
  EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\busy.txt"), 2);
}

TEST_F(ReaderTest, RecordCountYieldsAfterEveryLine) {
  FakeDesktop desktop;
  dir_.Write("f.txt", "a\r\nb\r\nc\r\n");
  EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\f.txt"), 3);
  EXPECT_EQ(desktop.yields, 3);
}

TEST_F(ReaderTest, FolderBrowseReturnsTheChosenFolderCleaned) {
  FakeDesktop desktop;
  dir_.MakeDir("Scripts");
  desktop.picked_folder = dir_.path() + "\\Scripts\\";
  EXPECT_EQ(fso_.FolderBrowse(0, "Origem", dir_.path()), dir_.path() + "/Scripts");
  ASSERT_EQ(desktop.pick_requests.size(), 1u);
  EXPECT_EQ(desktop.pick_requests[0].first, "Origem");
  EXPECT_EQ(desktop.pick_requests[0].second, dir_.path());
}

TEST_F(ReaderTest, FolderBrowseCancelledGivesTheEmptyString) {
  FakeDesktop desktop;
  desktop.picked_folder = "";
  EXPECT_EQ(fso_.FolderBrowse(0, "Title", dir_.path()), "");
  EXPECT_EQ(fso_.FolderBrowse(0), "");
  ASSERT_EQ(desktop.pick_requests.size(), 2u);
  EXPECT_EQ(desktop.pick_requests[1].first, "Browse for Folder");
  EXPECT_EQ(desktop.pick_requests[1].second, "");
}

TEST_F(ReaderTest, FolderBrowseWithoutADesktopGivesTheEmptyString) {
  EXPECT_EQ(fso_.FolderBrowse(0, "Title", dir_.path()), "");
}

}  // namespace
}  // namespace vkt::fs
