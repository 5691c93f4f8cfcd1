// Files opened by number, and whole documents read and written as lines.
#include "fs/open_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "fs/file_system_object.h"
#include "fs/platform/file_system.h"
#include "fs/recording_fso.h"
#include "support/fake_desktop.h"
#include "support/temp_dir.h"

namespace vkt::fs {
namespace {

using namespace std::string_literals;
using vkt::testing::TempDir;
using Lines = std::vector<std::string>;
namespace stdfs = std::filesystem;

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

// Runs each test inside a fresh current directory, where SetLines puts its
// temporary files.
class DocumentsTest : public OpenFilesTest {
 protected:
  void SetUp() override {
    OpenFilesTest::SetUp();
    previous_ = stdfs::current_path();
    stdfs::current_path(dir_.path());
  }
  void TearDown() override {
    stdfs::current_path(previous_);
    OpenFilesTest::TearDown();
  }

 private:
  stdfs::path previous_;
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
  // Up to the last number, then none.
  for (int number = 5; number <= open_files::kLastNumber; ++number) {
    ASSERT_EQ(open_files::Open(path, FileAccess::kLineInput), number);
  }
  EXPECT_EQ(open_files::FreeNumber(), 0);
  EXPECT_EQ(open_files::Open(path, FileAccess::kLineInput), 0);
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
  fso_ = FileSystemObject(desktop.services());
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

// ---- whole documents ----

// The lines, UnixLineTerm and NoReturnLastLine GetLines gives for a file.
using Outcome = std::tuple<Lines, std::int32_t, bool>;

Outcome GetLinesOf(FileSystemObject& fso, const std::string& path) {
  Outcome r{{}, 77, false};
  std::get<0>(r) = fso.GetLines(path, std::get<1>(r), std::get<2>(r));
  return r;
}

// Nothing readable (fewer than two bytes, a missing file, a folder) leaves
// the outputs as they were (77 and false here) and no file open.
TEST_F(DocumentsTest, GetLinesReportsTheTerminatorsItMet) {
  struct Case {
    std::string bytes;
    Outcome outcome;
  };
  const Case cases[] = {
      {"a\nb\n", {{"a", "b", ""}, -1, true}},  // a final LF leaves an empty element
      {"a\nb", {{"a", "b"}, -1, true}},
      {"ab", {{"ab"}, -1, true}},
      {"a\r\nb\r\n", {{"a", "b"}, 1, false}},  // one element per CR LF line
      {"a\r\nb", {{"a", "b"}, 1, true}},
      {"a\rb\r", {{"a", "b"}, 0, false}},
      {"a\rb\r\nc", {{"a", "b", "c"}, 2, true}},
      {"a\r\n\nb", {{"a", "", "b"}, 1, true}},
      {"a\r\rb", {{"a", "", "b"}, 0, true}},
      {"\r\n", {{""}, 1, false}},
      {"a\r\n\r\n", {{"a", ""}, 1, false}},
      {"a\r\n\n", {{"a", "", ""}, 1, true}},
      {"\xE7\x80\n", {{"\xC3\xA7\xE2\x82\xAC", ""}, -1, true}},  // system code page
      {"a", {{}, 77, false}},
      {"", {{}, 77, false}},
  };
  for (const Case& c : cases) {
    dir_.Write("doc.txt", c.bytes);
    EXPECT_EQ(GetLinesOf(fso_, dir_ / "doc.txt"), c.outcome) << ::testing::PrintToString(c.bytes);
  }
  dir_.MakeDir("folder");
  for (const char* name : {"missing.txt", "folder"}) {
    EXPECT_EQ(GetLinesOf(fso_, dir_ / name), Outcome({}, 77, false)) << name;
  }
  EXPECT_FALSE(open_files::IsOpen(1));
}

TEST_F(DocumentsTest, SetLinesByteLayouts) {
  struct Case {
    bool unix_line_term;
    bool no_crlf;
    bool no_return_last_line;
    std::string bytes;
  };
  const Case cases[] = {
      {false, false, false, "a\r\nb\r\n"}, {false, false, true, "a\r\nb"},
      {true, false, false, "a\rb\r"},      {true, false, true, "a\rb"},
      {false, true, false, "ab"},          {true, true, true, "ab"},
  };
  for (const Case& c : cases) {
    fso_.SetLines({"a", "b"}, dir_ / "out.txt", c.unix_line_term, c.no_crlf, c.no_return_last_line);
    EXPECT_EQ(dir_.Read("out.txt"), c.bytes)
        << c.unix_line_term << c.no_crlf << c.no_return_last_line;
  }
  EXPECT_EQ(testing::FolderNames(dir_.path()), Lines{"out.txt"});  // no temporary file is left
}

// The file named by a hook line "Movendo Arquivo: ..." or "Excluindo Arquivo: ...".
std::string LoggedFile(const std::string& line) {
  std::string path = line.substr(line.find(": ") + 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

bool Announces(const std::string& line, const std::string& what) {
  return line.rfind(what + " Arquivo: ", 0) == 0;
}

TEST_F(DocumentsTest, SetLinesGoesThroughATemporaryFileHereOrKeepsTheTarget) {
  dir_.Write("docs/Out.txt", "old");
  RecordingFso fso;
  std::vector<stdfs::path> moved;
  fso.on_log = [&](const std::string& line) {
    if (Announces(line, "Movendo")) moved.emplace_back(LoggedFile(line));
  };
  fso.SetLines({"new"}, dir_.path() + "\\docs\\OUT.TXT", false, false, true);
  EXPECT_EQ(dir_.Read("docs/Out.txt"), "new");  // the existing file, whatever its case
  // The old content went aside first, then the temporary file took its place.
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[1].parent_path(), stdfs::current_path());
  EXPECT_TRUE(
      std::regex_match(moved[1].filename().string(), std::regex(R"(\$fso[0-9a-f]+\.T\$\$)")))
      << moved[1];
  EXPECT_EQ(testing::FolderNames(dir_.path()), Lines{"docs"});
  EXPECT_EQ(testing::FolderNames(dir_ / "docs"), Lines{"Out.txt"});
  // A read-only target, or a temporary file that vanishes just before it
  // would be moved over the target: the old content stays, nothing is left.
  stdfs::remove_all(dir_ / "docs");
  for (const bool read_only : {true, false}) {
    dir_.Write("out.txt", "old");
    if (read_only) ::chmod((dir_ / "out.txt").c_str(), 0444);
    RecordingFso failing;
    int moves = 0;
    failing.on_log = [&](const std::string& line) {
      if (read_only || !Announces(line, "Movendo") || ++moves != 2) return;
      EXPECT_EQ(vkt::testing::ReadFileBytes(LoggedFile(line)), "new\r\n");
      stdfs::remove(LoggedFile(line));
    };
    failing.SetLines({"new"}, dir_ / "out.txt", false, false, false);
    EXPECT_EQ(dir_.Read("out.txt"), "old") << read_only;
    EXPECT_EQ(testing::FolderNames(dir_.path()), Lines{"out.txt"}) << read_only;
    ::chmod((dir_ / "out.txt").c_str(), 0644);
  }
  // The old content set aside cannot be deleted: it goes back in place.
  platform::ArmFault(platform::kFaultRemove, 1, EIO);
  RecordingFso().SetLines({"new"}, dir_ / "out.txt", false, false, false);
  platform::DisarmFault();
  EXPECT_EQ(dir_.Read("out.txt"), "old");
  EXPECT_EQ(testing::FolderNames(dir_.path()), Lines{"out.txt"});
}

TEST_F(DocumentsTest, SetLinesFromTextCutsAtCarriageReturnLineFeed) {
  struct Case {
    std::string text;
    std::string bytes;
  };
  const Case cases[] = {
      {"a\r\nb", "a\r\nb"},
      {"a\r\nb\r\n", "a\r\nb\r\n"},
      {"\r\na", "\r\na"},
      {"a\r\n\r\nb", "a\r\n\r\nb"},
      {"x\ny", "xy"},  // lone LFs and CRs are no breaks and go
      {"x\ry\r\r\nz", "xy\r\nz"},
      {"a\0b\r\n\0"s, "ab\r\n"},
      {"\r\n", "\r\n"},
      {"", ""},
  };
  for (const Case& c : cases) {
    dir_.Write("out.txt", "old content");
    fso_.SetLinesFromText(c.text, dir_ / "out.txt", false);
    EXPECT_EQ(dir_.Read("out.txt"), c.bytes) << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace vkt::fs
