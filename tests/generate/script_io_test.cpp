#include "generate/script_io.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "generate/framing.h"
#include "support/file_size_limit.h"
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::generate {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

// Copies `source_bytes` through the writer and returns the output file.
std::string Copy(const std::string& source_bytes, ScriptEncoding encoding) {
  TempDir dir;
  dir.Write("src.ora", source_bytes);
  ScriptWriter writer;
  EXPECT_TRUE(writer.Create(dir / "out.sql", encoding).ok());
  SourceFile source;
  EXPECT_TRUE(source.Open(dir / "src.ora").ok());
  EXPECT_TRUE(writer.CopyCleanedLines(source).ok());
  EXPECT_TRUE(source.status().ok());
  EXPECT_TRUE(writer.Close().ok());
  return dir.Read("out.sql");
}

Lines ReadLines(const std::string& source_bytes) {
  TempDir dir;
  dir.Write("src.txt", source_bytes);
  LineReader reader;
  EXPECT_TRUE(reader.Open(dir / "src.txt").ok());
  Lines lines;
  std::string line;
  while (reader.Next(&line)) lines.push_back(line);
  EXPECT_TRUE(reader.status().ok());
  return lines;
}

std::string Utf16Le(const std::string& latin1, bool bom = true) {
  std::string s = bom ? "\xFF\xFE" : "";
  for (char c : latin1) {
    s.push_back(c);
    s.push_back('\0');
  }
  return s;
}

struct LineCase {
  const char* name;
  std::string in;
  std::string out;  // Oracle output bytes
  Lines lines;      // what the reader gives
};

std::vector<LineCase> LineCases() {
  return {
      {"empty", "", "", {}},
      {"one line with CR LF", "a\r\n", "a\r\n", {"a"}},
      {"last line without terminator", "a\r\nb", "a\r\nb\r\n", {"a", "b"}},
      {"CR only endings", "a\rb\r", "a\r\nb\r\n", {"a", "b"}},
      {"bare LF stays in the line", "a\nb\n", "a\nb\n\r\n", {"a\nb\n"}},
      {"CR CR LF", "a\r\r\n", "a\r\n\r\n", {"a", ""}},
      {"CR LF LF", "a\r\n\n", "a\r\n\n\r\n", {"a", "\n"}},
      {"lone CR", "\r", "\r\n", {""}},
      {"lone LF", "\n", "\n\r\n", {"\n"}},
      {"empty lines", "\r\n\r\n", "\r\n\r\n", {"", ""}},
      {"mixed", "x\ry\r\nz\n\rw", "x\r\ny\r\nz\n\r\nw\r\n", {"x", "y", "z\n", "w"}},
  };
}

TEST(LineRules, OracleWriterAndReaderAgree) {
  for (const LineCase& c : LineCases()) {
    EXPECT_EQ(Copy(c.in, ScriptEncoding::kCodePage), c.out) << c.name;
    EXPECT_EQ(ReadLines(c.in), c.lines) << c.name;
  }
}

TEST(LineRules, SqlServerWriterWritesTheSameLinesInUtf16) {
  for (const LineCase& c : LineCases()) {
    EXPECT_EQ(Copy(c.in, ScriptEncoding::kUtf16Le), Utf16Le(c.out)) << c.name;
  }
}

TEST(LineRules, ThornAndYDiaeresisBytesAreDroppedButTheLineStays) {
  EXPECT_EQ(Copy("\xFF\xFE\r\nok\xFF\r\n", ScriptEncoding::kCodePage), "\r\nok\r\n");
  EXPECT_EQ(Copy("\xFE", ScriptEncoding::kCodePage), "\r\n");
  EXPECT_EQ(Copy("a\xFF\rb\xFE\nc", ScriptEncoding::kCodePage), "a\r\nb\nc\r\n");
  EXPECT_EQ(Copy("\xFFz\r\n", ScriptEncoding::kUtf16Le), Utf16Le("z\r\n"));
}

TEST(CodePage, Windows1252BytesRoundTripThroughReaderAndOracleWriter) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r') all.push_back(static_cast<char>(b));
  }
  TempDir dir;
  dir.Write("all.ora", all + "\r\n");
  LineReader reader;
  ASSERT_TRUE(reader.Open(dir / "all.ora").ok());
  std::string line;
  ASSERT_TRUE(reader.Next(&line));
  EXPECT_EQ(line, text::SystemCodePage().Decode(all));
  std::string end;
  EXPECT_FALSE(reader.Next(&end));

  ScriptWriter writer;
  ASSERT_TRUE(writer.Create(dir / "out.sql", ScriptEncoding::kCodePage).ok());
  ASSERT_TRUE(writer.WriteLine(line).ok());
  ASSERT_TRUE(writer.WriteLine(LimpaLinha(line)).ok());
  ASSERT_TRUE(writer.Close().ok());
  std::string cleaned = all.substr(0, all.size() - 2);  // without 0xFE 0xFF
  EXPECT_EQ(dir.Read("out.sql"), all + "\r\n" + cleaned + "\r\n");
  // The copy path gives what the reader and LimpaLinha give.
  EXPECT_EQ(Copy(all, ScriptEncoding::kCodePage), cleaned + "\r\n");
}

TEST(CodePage, SqlServerCopyDecodesEveryByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) {
    if (b != '\r') all.push_back(static_cast<char>(b));
  }
  std::u16string units = text::SystemCodePage().DecodeUtf16(all.substr(0, all.size() - 2));
  std::string expected = "\xFF\xFE";
  for (char16_t u : units + u"\r\n") {
    expected.push_back(static_cast<char>(u & 0xFF));
    expected.push_back(static_cast<char>(u >> 8));
  }
  EXPECT_EQ(Copy(all, ScriptEncoding::kUtf16Le), expected);
  EXPECT_EQ(units[0x80 - 1], u'\u20AC');  // 0x80 (after the skipped CR) is the euro sign
}

TEST(CodePage, BlocksWithoutThornOrYDiaeresisCopyEveryOtherByte) {
  // No 0xFE / 0xFF anywhere: the block-at-once paths; ASCII runs longer than
  // sixteen bytes mixed with the other bytes.
  std::string in;
  for (int b = 0; b < 0xFE; ++b) {
    if (b == '\r') continue;
    in += "0123456789abcdefghij";
    in.push_back(static_cast<char>(b));
  }
  in += "\r\nend";
  const std::string out = in + "\r\n";
  EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage), out);
  std::u16string units = text::SystemCodePage().DecodeUtf16(out);
  std::string expected = "\xFF\xFE";
  for (char16_t u : units) {
    expected.push_back(static_cast<char>(u & 0xFF));
    expected.push_back(static_cast<char>(u >> 8));
  }
  EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le), expected);
}

// Sources larger than one block, with the interesting bytes at the boundary.
TEST(Blocks, CrLfSplitAcrossTheBlockBoundary) {
  const std::string head(kBlockSize - 1, 'x');
  struct Case {
    const char* name;
    std::string in, out;
  } cases[] = {
      {"CR LF split", head + "\r\nnext\r\n", head + "\r\nnext\r\n"},
      {"lone CR at the end of the block", head + "\ry", head + "\r\ny\r\n"},
      {"CR at the end of the block, LF LF after", head + "\r\n\n", head + "\r\n\n\r\n"},
      {"LF starting the next block", head + "x\nz", head + "x\nz\r\n"},
      {"CR LF ending the block", head.substr(1) + "\r\n", head.substr(1) + "\r\n"},
      {"file of exactly one block", head + "\r", head + "\r\n"},
      {"the LF of the last CR LF alone in the last block", head + "\r\n", head + "\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Copy(c.in, ScriptEncoding::kCodePage), c.out) << c.name;
    // A dropped byte in the block takes the line-by-line path.
    std::string dropped = "\xFF" + c.in.substr(1);
    std::string dropped_out = c.out.substr(1);
    EXPECT_EQ(Copy(dropped, ScriptEncoding::kCodePage), dropped_out) << c.name;
    EXPECT_EQ(Copy(c.in, ScriptEncoding::kUtf16Le), Utf16Le(c.out)) << c.name;
  }
  Lines lines = ReadLines(head + "\r\nnext\r\ny");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], head);
  EXPECT_EQ(lines[1], "next");
  EXPECT_EQ(lines[2], "y");
}

// The line rules spelt out byte by byte, for the Oracle copy under
// Windows-1252: the reference for the paths that skip many bytes at once.
std::string ReferenceCopy(std::string_view in) {
  std::string out, line;
  bool open = false;
  for (size_t i = 0; i < in.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    if (c == '\r') {
      out += line + "\r\n";
      line.clear();
      open = false;
      if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
      continue;
    }
    open = true;
    if (c < 0xFE) line.push_back(static_cast<char>(c));
  }
  return open ? out + line + "\r\n" : out;
}

TEST(Blocks, LoneCrsAndDroppedBytesAroundTheScanSteps) {
  // Runs of unchanged bytes of every length up to past two scan steps of 64
  // bytes, each ended by a lone CR, CR LF or LF; then a byte to drop at and
  // around the ends of the steps, after a lone CR or not.
  std::vector<std::string> inputs(1);
  for (size_t gap = 0; gap <= 140; ++gap) {
    for (const char* end : {"\r", "\r\n", "\n"}) inputs[0] += std::string(gap, 'x') + end;
  }
  for (size_t at : {0, 1, 15, 16, 63, 64, 65, 128}) {
    for (size_t cr : {size_t{0}, size_t{40}, size_t{64}, size_t{200}}) {
      std::string in(200, 'x');
      if (cr < in.size()) in[cr] = '\r';
      in[at + (at == cr)] = '\xFE';
      inputs.push_back(in);
    }
  }
  for (const std::string& in : inputs) {
    const std::string want = ReferenceCopy(in);
    EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage), want) << in;
    EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le), Utf16Le(want)) << in;
  }
}

TEST(Blocks, ManyBlocksOfShortLines) {
  std::string in, out;
  for (int i = 0; in.size() < 3 * kBlockSize; ++i) {
    std::string line = "line " + std::to_string(i) + (i % 7 == 0 ? "\xFF" : "");
    in += line + (i % 3 == 0 ? "\r" : "\r\n");
    out += "line " + std::to_string(i) + "\r\n";
  }
  EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage), out);
  EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le), Utf16Le(out));
}

class Utf8CodePage : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(text::SetSystemCodePage("UTF-8", nullptr)); }
  void TearDown() override { text::SetSystemCodePage("windows-1252", nullptr); }
};

TEST_F(Utf8CodePage, CharactersSplitAcrossBlocksSurvive) {
  // "ç" (C3 A7) straddles the block boundary; "ÿ" and "þ" are dropped.
  const std::string head(kBlockSize - 1, 'x');
  const std::string in = head + "\xC3\xA7\r\n\xC3\xBFok\xC3\xBE\rz";
  const std::string out = head + "\xC3\xA7\r\nok\r\nz\r\n";
  EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage), out);
  std::u16string units = text::Utf8ToUtf16(out);
  std::string utf16 = "\xFF\xFE";
  for (char16_t u : units) {
    utf16.push_back(static_cast<char>(u & 0xFF));
    utf16.push_back(static_cast<char>(u >> 8));
  }
  EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le), utf16);
  Lines lines = ReadLines(in);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], head + "\xC3\xA7");
  EXPECT_EQ(lines[1], "\xC3\xBFok\xC3\xBE");
  EXPECT_EQ(lines[2], "z");
}

TEST_F(Utf8CodePage, LineRulesHold) {
  for (const LineCase& c : LineCases()) {
    EXPECT_EQ(Copy(c.in, ScriptEncoding::kCodePage), c.out) << c.name;
    EXPECT_EQ(ReadLines(c.in), c.lines) << c.name;
  }
  // The last character of each UTF-8 length and the first of the next.
  const std::string edges = "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80";
  EXPECT_EQ(ReadLines(edges + "\r\n" + edges), (Lines{edges, edges}));
  // A sequence cut by the end of the file still counts as a character.
  EXPECT_EQ(ReadLines("a\xC3"), (Lines{"a\xEF\xBF\xBD"}));
}

// A single-byte page whose line feed is not the byte 0A (EBCDIC: 25): its CR
// and LF pair is one line end all the same.
TEST(CodePage, ACrLfPairIsThePagesOwn) {
  ASSERT_TRUE(text::SetSystemCodePage("ibm-037", nullptr));
  EXPECT_EQ(Copy("\xA7\x0D\x25\xA8", ScriptEncoding::kCodePage), "\xA7\r\n\xA8\r\n");
  text::SetSystemCodePage("windows-1252", nullptr);
}

TEST(ScriptWriter, NothingWrittenGivesTheBomOrNothing) {
  TempDir dir;
  ScriptWriter sql, ora;
  ASSERT_TRUE(sql.Create(dir / "s.sql", ScriptEncoding::kUtf16Le).ok());
  ASSERT_TRUE(ora.Create(dir / "o.sql", ScriptEncoding::kCodePage).ok());
  ASSERT_TRUE(sql.Close().ok());
  ASSERT_TRUE(ora.Close().ok());
  EXPECT_EQ(dir.Read("s.sql"), "\xFF\xFE");
  EXPECT_TRUE(dir.Exists("o.sql"));
  EXPECT_EQ(dir.Read("o.sql"), "");
  EXPECT_EQ(sql.Close().code, EBADF);  // closed once only
}

TEST(ScriptWriter, WriteLineKeepsSeparatorsInsideThePiece) {
  TempDir dir;
  ScriptWriter w;
  ASSERT_TRUE(w.Create(dir / "o.sql", ScriptEncoding::kCodePage).ok());
  ASSERT_TRUE(w.WriteLine("a\rb").ok());
  ASSERT_TRUE(w.WriteLine("c\r\n").ok());
  ASSERT_TRUE(w.WriteLine("A\xC3\xA7\xE2\x82\xAC\xE4\xB8\x80").ok());  // Aç€ and a CJK sign
  ASSERT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("o.sql"), "a\rb\r\nc\r\n\r\nA\xE7\x80?\r\n");

  ScriptWriter u;
  ASSERT_TRUE(u.Create(dir / "u.sql", ScriptEncoding::kUtf16Le).ok());
  ASSERT_TRUE(u.WriteLine("a\r\xC3\xA7\xE4\xB8\x80").ok());
  ASSERT_TRUE(u.Close().ok());
  EXPECT_EQ(dir.Read("u.sql"), std::string("\xFF\xFE"
                                           "a\0\r\0\xE7\0\x00\x4E\r\0\n\0",
                                           14));
}

TEST(ScriptWriter, ReplacesAnExistingTargetFoundWithoutRegardToCase) {
  TempDir dir;
  dir.Write("Out/02-SA_Tabelas.sql", "old content");
  ScriptWriter w;
  ASSERT_TRUE(w.Create(dir.path() + "\\OUT\\02-sa_tabelas.SQL", ScriptEncoding::kCodePage).ok());
  ASSERT_TRUE(w.WriteLine("new").ok());
  EXPECT_EQ(dir.Read("Out/02-SA_Tabelas.sql"), "old content");  // not before Close
  ASSERT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("Out/02-SA_Tabelas.sql"), "new\r\n");
}

TEST(ScriptWriter, FailuresLeaveTheTargetAsItWas) {
  TempDir dir;
  dir.MakeDir("folder.sql");
  dir.Write("ro.sql", "read-only");
  ASSERT_TRUE(platform::SetReadOnly(dir / "ro.sql", true).ok());
  struct Case {
    std::string target;
    int code;
  } cases[] = {
      {dir / "folder.sql", EISDIR},
      {dir / "ro.sql", EACCES},
      {dir / "missing/x.sql", ENOENT},
  };
  for (const auto& c : cases) {
    ScriptWriter w;
    platform::Status s = w.Create(c.target, ScriptEncoding::kUtf16Le);
    EXPECT_EQ(s.code, c.code) << c.target;
    // The failure sticks.
    EXPECT_EQ(w.WriteLine("x").code, c.code) << c.target;
    EXPECT_EQ(w.Close().code, c.code) << c.target;
  }
  EXPECT_EQ(dir.Read("ro.sql"), "read-only");
  EXPECT_FALSE(dir.Exists("missing"));
}

// A disk that fills up: in a flush of a full block during a copy, in the last
// flush at Close, on either encoding and either copy path. The failure is
// reported and the target keeps its old content.
TEST(ScriptWriter, AFailedWriteIsReportedAndTheTargetKept) {
  const std::string big = std::string(3 * kBlockSize, 'x') + "\r\n";
  const std::string multibyte = "\xC3\xA7\xC3\xBE\r\n" + big;
  struct Case {
    const char* page;
    std::string source;  // "" writes lines instead
    ScriptEncoding encoding;
  } cases[] = {
      {"windows-1252", big, ScriptEncoding::kCodePage},
      {"windows-1252", big, ScriptEncoding::kUtf16Le},
      {"windows-1252", "", ScriptEncoding::kCodePage},
      {"windows-1252", "", ScriptEncoding::kUtf16Le},
      {"UTF-8", multibyte, ScriptEncoding::kCodePage},
      {"UTF-8", multibyte, ScriptEncoding::kUtf16Le},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(text::SetSystemCodePage(c.page, nullptr));
    TempDir dir;
    dir.Write("src.ora", c.source);
    dir.Write("out.sql", "old");
    platform::Status copied, closed;
    {
      testing::FileSizeLimit limit(64 * 1024);
      ScriptWriter w;
      ASSERT_TRUE(w.Create(dir / "out.sql", c.encoding).ok());
      SourceFile source;
      ASSERT_TRUE(source.Open(dir / "src.ora").ok());
      copied =
          c.source.empty() ? w.WriteLine(std::string(100 * 1024, 'y')) : w.CopyCleanedLines(source);
      closed = w.Close();
    }
    const std::string what = std::string(c.page) + (c.source.empty() ? " lines " : " copy ") +
                             std::to_string(static_cast<int>(c.encoding));
    EXPECT_EQ(closed.code, EFBIG) << what;
    if (!c.source.empty()) {
      EXPECT_EQ(copied.code, EFBIG) << what;
    }
    EXPECT_EQ(dir.Read("out.sql"), "old") << what;
    EXPECT_EQ(testing::FolderNames(dir.path()), (Lines{"out.sql", "src.ora"})) << what;
  }
  text::SetSystemCodePage("windows-1252", nullptr);
}

TEST(ScriptWriter, DroppedOrAbortedWriterLeavesNoTraces) {
  TempDir dir;
  dir.Write("out/t.sql", "old");
  {
    ScriptWriter w;
    ASSERT_TRUE(w.Create(dir / "out/t.sql", ScriptEncoding::kCodePage).ok());
    ASSERT_TRUE(w.WriteLine("new").ok());
  }
  ScriptWriter w;
  ASSERT_TRUE(w.Create(dir / "out/t.sql", ScriptEncoding::kCodePage).ok());
  ASSERT_TRUE(w.WriteLine("new").ok());
  w.Abort();
  EXPECT_NE(w.Close().code, 0);
  EXPECT_EQ(dir.Read("out/t.sql"), "old");
  std::vector<std::string> names;
  for (const auto& e : platform::FindEntries(dir.path() + "/out/*")) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "t.sql"}));
}

TEST(SourceFile, ReportsUnreadableSourcesAtOpen) {
  TempDir dir;
  dir.MakeDir("dir.ora");
  SourceFile source;
  EXPECT_EQ(source.Open(dir / "dir.ora").code, platform::kNotRegularFile);
  EXPECT_EQ(source.Open(dir / "missing.ora").code, ENOENT);
  LineReader reader;
  EXPECT_EQ(reader.Open(dir / "missing.ora").code, ENOENT);
  std::string line = "stale";
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_EQ(line, "");
}

TEST(SourceFile, KnowsAnEmptyFileBeforeCopying) {
  TempDir dir;
  dir.Write("e.ora", "");
  dir.Write("n.ora", "x");
  SourceFile source;
  ASSERT_TRUE(source.Open(dir / "E.ORA").ok());
  EXPECT_TRUE(source.empty());
  ASSERT_TRUE(source.Open(dir / "n.ora").ok());
  EXPECT_FALSE(source.empty());
}

TEST(SourceFile, OneObjectServesFileAfterFile) {
  TempDir dir;
  const std::string big = std::string(kBlockSize + 10, 'b') + "\r\n";
  dir.Write("big.ora", big);
  dir.Write("small.ora", "s\r\n");
  dir.Write("out/.keep", "");
  ScriptWriter w;
  ASSERT_TRUE(w.Create(dir / "out/o.sql", ScriptEncoding::kCodePage).ok());
  SourceFile source;
  for (const char* name : {"small.ora", "big.ora", "small.ora"}) {
    ASSERT_TRUE(source.Open(dir / name).ok()) << name;
    ASSERT_TRUE(w.CopyCleanedLines(source).ok()) << name;
  }
  ASSERT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("out/o.sql"), "s\r\n" + big + "s\r\n");
}

}  // namespace
}  // namespace vkt::generate
