#include "fs/open_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using namespace std::string_literals;
using vkt::testing::TempDir;

// The table is process-wide: every test starts and ends with it empty.
class OpenFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { open_files::CloseAll(); }
  void TearDown() override { open_files::CloseAll(); }

  std::int16_t Open(const char* name, FileAccess access) {
    return static_cast<std::int16_t>(open_files::Open(dir_ / name, access));
  }

  FileSystemObject fso_;
  TempDir dir_;
};

TEST_F(OpenFilesTest, HandsOutTheLowestFreeNumberAndReusesClosedOnes) {
  dir_.Write("a.txt", "a");
  const std::string path = dir_ / "a.txt";
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 1);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 2);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 3);
  EXPECT_TRUE(open_files::Close(2));
  EXPECT_EQ(open_files::FreeNumber(), 2);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 2);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 4);
  EXPECT_FALSE(open_files::Close(9));
}

struct LineCase {
  const char* name;
  std::string bytes;
  std::vector<std::string> lines;
};

TEST_F(OpenFilesTest, ReadsLinesEndedByCarriageReturnOrThePair) {
  const std::string long_line(64 * 1024 - 1, 'x');
  const LineCase cases[] = {
      {"pairs with final pair", "a\r\nbb\r\nc\r\n", {"a", "bb", "c"}},
      {"pairs without final pair", "a\r\nbb\r\nc", {"a", "bb", "c"}},
      {"lone carriage returns", "a\rb\r", {"a", "b"}},
      {"line feeds stay in the line", "a\nb\nc\n", {"a\nb\nc\n"}},
      {"line feed after a pair starts the next line", "a\r\n\nb", {"a", "\nb"}},
      {"empty lines", "\r\n\r\n", {"", ""}},
      {"carriage return then pair", "a\r\r\nb", {"a", "", "b"}},
      {"one line, no terminator", "abc", {"abc"}},
      {"empty file", "", {}},
      {"system code page", "a\xE7\xE3o\r\n", {"a\xC3\xA7\xC3\xA3o"}},  // "ação"
      // The read-ahead is 64 KiB: a carriage return on its last byte.
      {"pair across the read-ahead",
       long_line + "\r\nsecond\r\nthird",
       {long_line, "second", "third"}},
  };
  testing::FakeDesktop desktop;
  // Read through the class's sequential reader, which counts the same lines.
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("f.txt", c.bytes);
    const int yields = desktop.yields;
    EXPECT_EQ(fso_.RecordCount(dir_.path() + "\\F.TXT"), static_cast<std::int32_t>(c.lines.size()));
    EXPECT_EQ(desktop.yields - yields, static_cast<int>(c.lines.size())) << "one yield a line";
    const std::int16_t n = fso_.OpenFile(dir_.path() + "\\F.TXT", 1);
    ASSERT_EQ(n, 1) << "RecordCount closes its file";
    std::vector<std::string> lines;
    while (!open_files::AtEnd(n)) {
      std::optional<std::string> line = fso_.MoveNext(n);
      ASSERT_TRUE(line.has_value());
      lines.push_back(*line);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(fso_.MoveNext(n), std::nullopt) << "past the end";
    EXPECT_EQ(fso_.CloseFile(n), 0);
    EXPECT_EQ(fso_.MoveNext(n), std::nullopt) << "a closed number";
  }
  EXPECT_EQ(fso_.OpenFile(dir_ / "missing.txt", 1), 0);
  EXPECT_EQ(fso_.RecordCount(dir_ / "missing.txt"), 0);
}

TEST_F(OpenFilesTest, CallsOnTheWrongAccessFail) {
  dir_.Write("f.txt", "line\r\n");
  const int lines = open_files::Open(dir_ / "f.txt", FileAccess::kLineInput);
  EXPECT_FALSE(open_files::WriteText(lines, "x"));
  EXPECT_FALSE(open_files::WriteBytes(lines, "x"));
  EXPECT_FALSE(open_files::ReadBytes(lines, 1).has_value());
  EXPECT_FALSE(open_files::ReadByte(lines).has_value());
  EXPECT_FALSE(open_files::StepBack(lines));
  const int bytes = open_files::Open(dir_ / "g.bin", FileAccess::kBytesWrite);
  EXPECT_FALSE(open_files::WriteText(bytes, "x"));
  EXPECT_FALSE(open_files::WriteLine(bytes, "x"));
  EXPECT_EQ(open_files::Length(bytes), 0);
  EXPECT_FALSE(open_files::ReadLine(bytes).has_value());
  EXPECT_FALSE(open_files::ReadBytes(bytes, 0).has_value());
  EXPECT_TRUE(open_files::AtEnd(bytes));
  EXPECT_FALSE(open_files::ReadLine(77).has_value());
  EXPECT_TRUE(open_files::AtEnd(77));
  EXPECT_FALSE(open_files::Length(77).has_value());
  EXPECT_FALSE(open_files::ReadByte(77).has_value());
}

// Positions count from one; a read-write file is replaced and extended at
// the position, also after a read filled the read-ahead.
TEST_F(OpenFilesTest, ByteAccessReadsAndWritesAtPositionsCountedFromOne) {
  dir_.Write("b.bin", "xyz");
  int n = open_files::Open(dir_ / "b.bin", FileAccess::kBytesRead);
  EXPECT_EQ(open_files::Length(n), 3);
  EXPECT_EQ(open_files::Position(n), 1);
  EXPECT_FALSE(open_files::StepBack(n));
  EXPECT_EQ(open_files::ReadByte(n), 'x');
  EXPECT_EQ(open_files::ReadBytes(n, 2), "yz");
  EXPECT_EQ(open_files::Position(n), 4);
  EXPECT_TRUE(open_files::AtEnd(n));
  EXPECT_FALSE(open_files::ReadByte(n).has_value());
  EXPECT_TRUE(open_files::StepBack(n));
  EXPECT_FALSE(open_files::AtEnd(n));
  EXPECT_EQ(open_files::ReadByte(n), 'z');
  dir_.Write("rw.bin", "abcdef");
  n = open_files::Open(dir_ / "rw.bin", FileAccess::kBytes);
  EXPECT_EQ(open_files::ReadBytes(n, 2), "ab");
  EXPECT_TRUE(open_files::WriteBytes(n, "XY"));
  EXPECT_EQ(open_files::ReadBytes(n, 2), "ef");
  EXPECT_TRUE(open_files::WriteBytes(n, "gh"));
  EXPECT_EQ(open_files::Length(n), 8);
  EXPECT_TRUE(open_files::SetPosition(n, 3));
  EXPECT_EQ(open_files::ReadBytes(n, 2), "XY");
  EXPECT_FALSE(open_files::SetPosition(n, 0));
  open_files::Close(n);
  EXPECT_EQ(dir_.Read("rw.bin"), "abXYefgh");
}

TEST_F(OpenFilesTest, TextOutputEncodesAndTextOutputAndBytesWriteEmptyAndBytesKeeps) {
  dir_.Write("out.txt", "old content");
  const int n = fso_.OpenFile(dir_ / "out.txt", 2);  // any mode but 1 writes text
  ASSERT_NE(n, 0);
  EXPECT_EQ(dir_.Read("out.txt"), "");
  EXPECT_TRUE(open_files::WriteText(n, "ab"));
  EXPECT_TRUE(open_files::WriteText(n, "c"));
  EXPECT_TRUE(open_files::WriteLine(n, "\xC3\xA9 \xE2\x82\xAC \xE4\xB8\xAD"));  // é € 中
  open_files::Close(n);
  EXPECT_EQ(dir_.Read("out.txt"), "abc\xE9 \x80 ?\r\n");  // in the system code page
  dir_.Write("w.bin", "old");
  dir_.Write("k.bin", "old");
  open_files::Close(open_files::Open(dir_ / "w.bin", FileAccess::kBytesWrite));
  open_files::Close(open_files::Open(dir_ / "k.bin", FileAccess::kBytes));
  open_files::Close(open_files::Open(dir_ / "new.bin", FileAccess::kBytes));
  EXPECT_EQ(dir_.Read("w.bin"), "");
  EXPECT_EQ(dir_.Read("k.bin"), "old");
  EXPECT_TRUE(dir_.Exists("new.bin"));
}

TEST_F(OpenFilesTest, ReadersShareAFileButAWriterHereOrElsewhereExcludesEveryOtherOpen) {
  dir_.Write("s.txt", "keep me");
  const std::string path = dir_ / "s.txt";
  // Another spelling of the same file: the platform resolves letter case.
  const std::string other_case = dir_ / "S.TXT";
  const int r1 = open_files::Open(path, FileAccess::kLineInput);
  const int r2 = open_files::Open(other_case, FileAccess::kBytesRead);
  ASSERT_NE(r1, 0);
  ASSERT_NE(r2, 0);
  platform::Status error;
  EXPECT_EQ(open_files::Open(other_case, FileAccess::kTextOutput, &error), 0);
  EXPECT_EQ(error.code, EWOULDBLOCK);
  EXPECT_EQ(open_files::Open(path, FileAccess::kBytesWrite), 0);
  EXPECT_EQ(open_files::Open(path, FileAccess::kBytes), 0);
  EXPECT_EQ(dir_.Read("s.txt"), "keep me") << "a refused write open must not empty the file";
  open_files::Close(r1);
  open_files::Close(r2);
  const int w = open_files::Open(path, FileAccess::kBytes);
  ASSERT_NE(w, 0);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 0);
  EXPECT_EQ(open_files::Open(path, FileAccess::kTextOutput), 0);
  open_files::Close(w);
  EXPECT_NE(open_files::Open(path, FileAccess::kTextOutput), 0);
  // So does another opener holding a file for writing.
  dir_.Write("locked.txt", "theirs");
  platform::File theirs;
  ASSERT_TRUE(platform::File::Open(dir_ / "locked.txt", platform::File::Mode::kReadWrite, &theirs,
                                   /*share_read_only=*/true)
                  .ok());
  error = {};
  EXPECT_EQ(open_files::Open(dir_ / "locked.txt", FileAccess::kTextOutput, &error), 0);
  EXPECT_EQ(error.code, EWOULDBLOCK);
  EXPECT_EQ(open_files::Open(dir_ / "locked.txt", FileAccess::kLineInput), 0);
  EXPECT_EQ(dir_.Read("locked.txt"), "theirs");
  theirs.Close();
  EXPECT_NE(open_files::Open(dir_ / "locked.txt", FileAccess::kLineInput), 0);
}

// ---- length-prefixed records ----

// "a\xC3\xA7\xC3\xA3o" ("ação") is one byte a character in Windows-1252; "€" is
// U+20AC and "𝄞" (U+1D11E) takes two UTF-16 units.
TEST_F(OpenFilesTest, RecordsAreWrittenByteForByteAndReadBackAndDamagedOnesRefused) {
  const std::vector<std::pair<bool, std::string>> records = {
      {false, "abc"},
      {true, "abc"},
      {false, ""},
      {true, ""},
      {false, "a\xC3\xA7\xC3\xA3o"},
      {true, "\xE2\x82\xAC\xF0\x9D\x84\x9E"}};
  const std::int16_t w = Open("r.bin", FileAccess::kBytesWrite);
  for (const auto& [wide, text] : records) {
    EXPECT_TRUE(wide ? fso_.BStringOutW(w, text) : fso_.BStringOut(w, text)) << text;
  }
  open_files::Close(w);
  EXPECT_EQ(dir_.Read("r.bin"),
            "\x03\0\0\0abc\x06\0\0\0a\0b\0c\0\0\0\0\0\0\0\0\0\x04\0\0\0a\xE7\xE3o"
            "\x06\0\0\0\xAC\x20\x34\xD8\x1E\xDD"s);
  const std::int16_t r = Open("r.bin", FileAccess::kBytesRead);
  for (const auto& [wide, text] : records) {
    EXPECT_EQ(wide ? fso_.BStringInW(r) : fso_.BStringIn(r), text);
  }
  EXPECT_EQ(fso_.BStringIn(r), std::nullopt) << "past the end";
  EXPECT_EQ(fso_.BStringInW(77), std::nullopt) << "a number not open";
  EXPECT_FALSE(fso_.BStringOutW(77, "x"));
  // Damaged counts are errors the caller sees.
  struct Case {
    const char* name;
    std::string bytes;
    bool wide;
  } cases[] = {
      {"negative count", "\xFF\xFF\xFF\xFFxyz"s, false},
      {"negative count, wide", "\x00\x00\x00\x80"s, true},
      {"count larger than the file", "\xFF\xFF\xFF\x7Fxyz"s, false},
      {"count one past the payload", "\x04\0\0\0abc"s, false},
      {"odd count, wide", "\x03\0\0\0a\0b"s, true},
      {"truncated count", "\x03\0"s, false},
      {"truncated count, wide", "\x03"s, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir_.Write("bad.bin", c.bytes);
    const std::int16_t n = Open("bad.bin", FileAccess::kBytesRead);
    EXPECT_EQ(c.wide ? fso_.BStringInW(n) : fso_.BStringIn(n), std::nullopt);
    EXPECT_EQ(open_files::Position(n), 1) << "the position stays at the damaged record";
    open_files::Close(n);
  }
}

}  // namespace
}  // namespace vkt::fs
