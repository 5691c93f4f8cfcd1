#include "generate/script_io.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "fs/platform/file_system.h"
#include "generate/framing.h"
#ifndef _WIN32
#include "support/file_size_limit.h"
#endif
#include "support/temp_dir.h"
#include "text/codepage.h"

namespace vkt::generate {
namespace {

using testing::TempDir;
using Lines = std::vector<std::string>;

// The code page of `name`.
const text::CodePage& Page(const char* name) { return *text::CodePage::Named(name, nullptr); }

const text::CodePage& Windows1252() { return Page("windows-1252"); }

// Copies `source_bytes` through the writer and returns the output file.
// `Encoding`: a ScriptEncoding or an OutputEncoding row.
template <typename Encoding>
std::string Copy(const std::string& source_bytes, const Encoding& encoding,
                 const text::CodePage& page = Windows1252()) {
  TempDir dir;
  dir.Write("src.ora", source_bytes);
  ScriptWriter writer;
  EXPECT_TRUE(writer.Create(dir / "out.sql", encoding, page).ok());
  SourceFile source;
  EXPECT_TRUE(source.Open(dir / "src.ora").ok());
  EXPECT_TRUE(writer.CopyCleanedLines(source).ok());
  EXPECT_TRUE(source.status().ok());
  EXPECT_TRUE(writer.Close().ok());
  return dir.Read("out.sql");
}

// Writes `lines` through a new writer and returns the file.
template <typename Encoding>
std::string Written(const Lines& lines, const Encoding& encoding,
                    const text::CodePage& page = Windows1252()) {
  TempDir dir;
  ScriptWriter writer;
  EXPECT_TRUE(writer.Create(dir / "out.sql", encoding, page).ok());
  for (const std::string& line : lines) EXPECT_TRUE(writer.WriteLine(line).ok());
  EXPECT_TRUE(writer.Close().ok());
  return dir.Read("out.sql");
}

Lines ReadLines(const std::string& source_bytes, const text::CodePage& page) {
  TempDir dir;
  dir.Write("src.txt", source_bytes);
  LineReader reader;
  EXPECT_TRUE(reader.Open(dir / "src.txt", page).ok());
  Lines lines;
  std::string line;
  while (reader.Next(&line)) lines.push_back(line);
  EXPECT_TRUE(reader.status().ok());
  // The same lines in pieces, none longer than a block can make.
  EXPECT_TRUE(reader.Open(dir / "src.txt", page).ok());
  Lines joined(1);
  bool ended = false;
  while (reader.NextPiece(&line, &ended)) {
    EXPECT_LE(line.size(), 4 * kBlockSize);
    joined.back() += line;
    if (ended) joined.emplace_back();
  }
  EXPECT_EQ(joined.back(), "");
  joined.pop_back();
  EXPECT_EQ(joined, lines);
  return lines;
}

// The line rules spelt out byte by byte: CR or CR LF ends a line, a lone LF
// stays inside it, a last line without terminator is a line.
Lines SplitLines(std::string_view in) {
  Lines lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\r') continue;
    lines.emplace_back(in.substr(start, i - start));
    if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < in.size()) lines.emplace_back(in.substr(start));
  return lines;
}

// `lines`, each followed by the line end, as `row` lays them out under the
// code page `page`, after its byte-order mark.
std::string LaidOut(const OutputEncoding& row, const Lines& lines, const text::CodePage& page) {
  std::string out(row.byte_order_mark);
  auto put = [&](std::u16string_view units) {
    for (char16_t u : units) {
      const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
      if (row.unit_bytes == 1) {
        out.push_back(low);
      } else {
        out += row.big_endian ? std::string{high, low} : std::string{low, high};
      }
    }
  };
  for (const std::string& line : lines) {
    if (row.unit_bytes == 1) {
      out += page.Encode(line);
    } else {
      put(text::Utf8ToUtf16(line));
    }
    put(row.line_end);
  }
  return out;
}

// The SQL Server scripts' layout, spelt out.
constexpr OutputEncoding kUtf16LeCrLf = {
    .byte_order_mark = "\xFF\xFE", .unit_bytes = 2, .big_endian = false, .line_end = u"\r\n"};

// Reader, Oracle copy and SQL Server copy of `in` under the code page `page`
// against the line rules, with U+00FE and U+00FF dropped from copied lines.
void ExpectLineRules(const std::string& in, const text::CodePage& page = Windows1252()) {
  Lines decoded, cleaned_lines;
  std::string cleaned;
  for (const std::string& raw : SplitLines(in)) {
    decoded.push_back(page.Decode(raw));
    cleaned_lines.push_back(LimpaLinha(decoded.back()));
    cleaned += cleaned_lines.back() + "\r\n";
  }
  const std::string what = page.name() + ": " + in.substr(0, 80);
  EXPECT_EQ(ReadLines(in, page), decoded) << what;
  EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage, page), page.Encode(cleaned)) << what;
  EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le, page), LaidOut(kUtf16LeCrLf, cleaned_lines, page))
      << what;
}

const char* const kLineEnds[] = {
    "",
    "a\r\n",
    "a\r\nb",
    "a\rb\r",
    "a\nb\n",
    "a\r\r\n",
    "a\r\n\n",
    "\r",
    "\n",
    "\r\n\r\n",
    "x\ry\r\nz\n\rw",
    "x\xFF\xFE\r\nok\xFF\r\n",
    "a\xFF\rb\xFE\nc",
};

TEST(LineRules, HoldForReaderAndBothWritersUnderWindows1252) {
  std::string all;  // every byte but CR, with and without 0xFE / 0xFF
  for (int b = 0; b < 256; ++b) {
    if (b != '\r') all.push_back(static_cast<char>(b));
  }
  std::string runs;  // ASCII runs longer than sixteen bytes between the others
  for (int b = 0; b < 0xFE; ++b) {
    if (b != '\r') runs += "0123456789abcdefghij" + std::string(1, static_cast<char>(b));
  }
  std::vector<std::string> inputs(std::begin(kLineEnds), std::end(kLineEnds));
  inputs.insert(inputs.end(), {all, all + "\r\n", runs + "\r\nend"});
  // Runs of every length up to past two scan steps of 64 bytes, each ended by
  // a lone CR, CR LF or LF; then a byte to drop at and around the ends of the
  // steps, after a lone CR or not.
  inputs.emplace_back();
  for (size_t gap = 0; gap <= 140; ++gap) {
    for (const char* end : {"\r", "\r\n", "\n"}) inputs.back() += std::string(gap, 'x') + end;
  }
  for (size_t at : {0, 1, 15, 16, 63, 64, 65, 128}) {
    for (size_t cr : {size_t{0}, size_t{40}, size_t{64}, size_t{200}}) {
      std::string in(200, 'x');
      if (cr < in.size()) in[cr] = '\r';
      in[at + (at == cr)] = '\xFE';
      inputs.push_back(in);
    }
  }
  for (const std::string& in : inputs) ExpectLineRules(in);
}

// Sources larger than one block, with the interesting bytes at the boundary,
// each also with a byte to drop in the first block (the line-by-line path).
TEST(LineRules, HoldAcrossBlockBoundaries) {
  const std::string head(kBlockSize - 1, 'x');
  std::string many;
  for (int i = 0; many.size() < 3 * kBlockSize; ++i) {
    many += "line " + std::to_string(i) + (i % 7 == 0 ? "\xFF" : "") + (i % 3 ? "\r\n" : "\r");
  }
  ExpectLineRules(many);
  for (const std::string& in :
       {head + "\r\nnext\r\ny", head + "\ry", head + "\r\n\n", head + "x\nz",
        head.substr(1) + "\r\n", head + "\r", head + "\r\n"}) {
    ExpectLineRules(in);
    ExpectLineRules("\xFF" + in.substr(1));
  }
}

TEST(LineRules, HoldUnderUtf8) {
  const std::string edges = "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80";
  std::vector<std::string> inputs(std::begin(kLineEnds), std::begin(kLineEnds) + 11);
  // "ç" straddles the block boundary; "ÿ" and "þ" are dropped; a sequence
  // cut by the end of the file still counts as a character.
  inputs.insert(inputs.end(),
                {std::string(kBlockSize - 1, 'x') + "\xC3\xA7\r\n\xC3\xBFok\xC3\xBE\rz",
                 edges + "\r\n" + edges, "a\xC3"});
  for (const std::string& in : inputs) ExpectLineRules(in, Page("UTF-8"));
}

// `utf8` in `form` after its byte-order mark.
std::string Marked(std::string_view utf8, text::UnicodeForm form) {
  if (form == text::UnicodeForm::kUtf8) return "\xEF\xBB\xBF" + std::string(utf8);
  const bool le = form == text::UnicodeForm::kUtf16Le;
  std::string out = le ? "\xFF\xFE" : "\xFE\xFF";
  for (char16_t u : text::Utf8ToUtf16(utf8)) {
    const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
    out += le ? std::string{low, high} : std::string{high, low};
  }
  return out;
}

constexpr text::UnicodeForm kForms[] = {text::UnicodeForm::kUtf8, text::UnicodeForm::kUtf16Le,
                                        text::UnicodeForm::kUtf16Be};

// A source with a byte-order mark is read in the mark's form, whatever the
// page, and follows the same line rules: its text (`utf8`) is what the
// reader gives and both writers write, the Oracle one in the page.
TEST(LineRules, HoldForSourcesWithAByteOrderMark) {
  using text::UnicodeForm;
  struct Source {
    std::string text;
    std::vector<UnicodeForm> forms;
  };
  const std::vector<UnicodeForm> all(std::begin(kForms), std::end(kForms));
  std::vector<Source> sources;
  for (auto* t = std::begin(kLineEnds); t != std::begin(kLineEnds) + 11; ++t) {
    sources.push_back({*t, all});
  }
  sources.push_back(
      {"a\xC3\xA7\xC3\xA3o \xE2\x82\xAC\r\n\xE2\x86\x92\xC5\x91\n\xC3\xBE\xC3\xBFz\r", all});
  // Where the first block ends: "ç" and U+1F600 cut in UTF-8 (after its
  // three-byte mark), a surrogate pair cut in UTF-16 (after its two).
  const std::string x(kBlockSize, 'x');
  const std::string smile = "\xF0\x9F\x98\x80";
  sources.push_back({x.substr(4) + "\xC3\xA7\r\n" + smile, {UnicodeForm::kUtf8}});
  sources.push_back({x.substr(5) + smile + "\ry", {UnicodeForm::kUtf8}});
  sources.push_back({x.substr(kBlockSize / 2 + 2) + smile + "\r\n",
                     {UnicodeForm::kUtf16Le, UnicodeForm::kUtf16Be}});
  for (const char* name : {"windows-1252", "UTF-8", "Shift_JIS"}) {
    const text::CodePage& page = Page(name);
    for (const Source& source : sources) {
      // The long ones under one page are enough.
      if (source.text.size() > kBlockSize / 4 && !page.single_byte()) continue;
      Lines lines, cleaned_lines;
      std::string cleaned;
      for (const std::string& raw : SplitLines(source.text)) {
        lines.push_back(raw);
        cleaned_lines.push_back(LimpaLinha(raw));
        cleaned += cleaned_lines.back() + "\r\n";
      }
      for (UnicodeForm form : source.forms) {
        SCOPED_TRACE(std::string(name) + ", form " + std::to_string(static_cast<int>(form)) + ": " +
                     source.text.substr(0, 40));
        const std::string in = Marked(source.text, form);
        EXPECT_EQ(ReadLines(in, page), lines);
        EXPECT_EQ(Copy(in, ScriptEncoding::kCodePage, page), page.Encode(cleaned));
        EXPECT_EQ(Copy(in, ScriptEncoding::kUtf16Le, page),
                  LaidOut(kUtf16LeCrLf, cleaned_lines, page));
      }
    }
  }
}

// Single-byte pages whose ASCII bytes are not all their own characters: the
// IBM PC page (0x1A, 0x1C, 0x7F), and EBCDIC, whose CR and LF pair (0D 25)
// is one line end all the same.
TEST(LineRules, HoldUnderPagesWhoseAsciiIsNotAllTheirOwn) {
  const text::CodePage& ibm_437 = Page("ibm-437");
  ExpectLineRules("a\x7F\x1A\x1C\r\nb\xFE\xFF\x7F", ibm_437);
  EXPECT_EQ(Written({"a\x7F"}, ScriptEncoding::kCodePage, ibm_437), ibm_437.Encode("a\x7F\r\n"));
#ifndef _WIN32  // EBCDIC is ICU's; the Windows build knows no ibm-037
  EXPECT_EQ(Copy("\xA7\x0D\x25\xA8", ScriptEncoding::kCodePage, Page("ibm-037")),
            "\xA7\r\n\xA8\r\n");
#endif
}

// A writer and a reader serve run after run: one that met a multi-byte code
// page converts by the code page of its current run, not of the first.
TEST(LineRules, FollowTheCodePageOfEachRunInAReusedWriterAndReader) {
  TempDir dir;
  ScriptWriter writer;
  LineReader reader;
  SourceFile source;
  // "\u3042" (HIRAGANA LETTER A) in each page.
  const struct {
    const char* page;
    std::string bytes;
  } runs[] = {{"UTF-8", "\xE3\x81\x82\r\n"},
              {"Shift_JIS", "\x82\xA0\r\n"},
#ifndef _WIN32  // ICU's; the Windows build knows no EUC-JP
              {"EUC-JP", "\xA4\xA2\r\n"},
#endif
              {"UTF-8", "\xE3\x81\x82\r\n"}};
  for (const auto& run : runs) {
    SCOPED_TRACE(run.page);
    const text::CodePage& page = Page(run.page);
    dir.Write("src.ora", run.bytes);
    for (ScriptEncoding encoding : {ScriptEncoding::kCodePage, ScriptEncoding::kUtf16Le}) {
      ASSERT_TRUE(writer.Create(dir / "out.sql", encoding, page).ok());
      ASSERT_TRUE(source.Open(dir / "src.ora").ok());
      ASSERT_TRUE(writer.CopyCleanedLines(source).ok());
      ASSERT_TRUE(writer.Close().ok());
      EXPECT_EQ(dir.Read("out.sql"), encoding == ScriptEncoding::kCodePage
                                         ? run.bytes
                                         : LaidOut(kUtf16LeCrLf, {"\xE3\x81\x82"}, page));
    }
    ASSERT_TRUE(reader.Open(dir / "src.ora", page).ok());
    std::string line;
    ASSERT_TRUE(reader.Next(&line));
    EXPECT_EQ(line, "\xE3\x81\x82");
    EXPECT_FALSE(reader.Next(&line));
  }
}

// The writer's rows are data: rows the program does not use (two-byte units
// the other way round, line ends other than CR LF, a byte-order mark before
// the code page's bytes) follow the line rules on every path, from a single-
// byte page that copies bytes as they are, one that does not, and UTF-8.
TEST(ScriptWriter, EveryEncodingRowFollowsTheLineRules) {
  const OutputEncoding rows[] = {
      {.byte_order_mark = "\xFE\xFF", .unit_bytes = 2, .big_endian = true, .line_end = u"\r\n"},
      {.byte_order_mark = "", .unit_bytes = 2, .big_endian = false, .line_end = u"\n"},
      {.byte_order_mark = "\xEF\xBB\xBF", .unit_bytes = 1, .line_end = u"\n"},
      {.byte_order_mark = "", .unit_bytes = 1, .line_end = u"\r"},
      EncodingOf(ScriptEncoding::kUtf16Le),
      EncodingOf(ScriptEncoding::kCodePage),
  };
  std::vector<std::string> inputs(std::begin(kLineEnds), std::begin(kLineEnds) + 11);
  std::string runs;  // ASCII runs longer than sixteen bytes, Latin-1 letters between them
  for (int b = 0x20; b < 0x100; ++b) {
    runs += "0123456789abcdefghij" + std::string(1, static_cast<char>(b)) + (b % 5 ? "\r\n" : "\r");
  }
  const std::string head(kBlockSize - 1, 'x');
  inputs.insert(inputs.end(), {runs, head + "\r\nnext\r\ny", head + "\ry", "\xFF" + head + "\r\n"});
  for (const char* name : {"windows-1252", "ibm-437", "UTF-8"}) {
    const text::CodePage& page = Page(name);
    for (size_t r = 0; r < std::size(rows); ++r) {
      SCOPED_TRACE(std::string(name) + ", row " + std::to_string(r));
      for (const std::string& in : inputs) {
        Lines cleaned;
        for (const std::string& raw : SplitLines(in))
          cleaned.push_back(LimpaLinha(page.Decode(raw)));
        EXPECT_EQ(Copy(in, rows[r], page), LaidOut(rows[r], cleaned, page)) << in.substr(0, 80);
      }
      // Lines as given: line ends inside them, a CJK sign, a byte that is no
      // UTF-8 (not taken for ASCII); no lines, only the byte-order mark.
      const Lines lines = {"ascii",   "",      "A\xC3\xA7\xE2\x82\xAC\xE4\xB8\x80 \xC3\xBE",
                           "a\rb\nc", "c\r\n", "\x80"};
      EXPECT_EQ(Written(lines, rows[r], page), LaidOut(rows[r], lines, page));
      EXPECT_EQ(Written({}, rows[r], page), LaidOut(rows[r], {}, page));
    }
  }
}

TEST(ScriptWriter, RefusesARowThatIsNone) {
  TempDir dir;
  ScriptWriter w;
  for (const OutputEncoding& none :
       {OutputEncoding{.unit_bytes = 4}, OutputEncoding{.unit_bytes = 1, .line_end = u"\u2028"}}) {
    EXPECT_EQ(w.Create(dir / "out.sql", none, Windows1252()).code, EINVAL);
  }
  EXPECT_EQ(w.WriteLine("x").code, EINVAL);
  EXPECT_FALSE(dir.Exists("out.sql"));
  EXPECT_TRUE(w.Create(dir / "out.sql", OutputEncoding{.unit_bytes = 2, .line_end = u"\u2028"},
                       Windows1252())
                  .ok());
  EXPECT_TRUE(w.WriteLine("x").ok());
  EXPECT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("out.sql"), std::string("x\0\x28\x20", 4));
}

TEST(ScriptWriter, FailuresStickAndLeaveTheTargetAsItWas) {
  TempDir dir;
  dir.MakeDir("folder.sql");
  dir.Write("ro.sql", "read-only");
  ASSERT_TRUE(platform::SetReadOnly(dir / "ro.sql", true).ok());
  const std::pair<std::string, int> cases[] = {
      {dir / "folder.sql", EISDIR}, {dir / "ro.sql", EACCES}, {dir / "missing/x.sql", ENOENT}};
  for (const auto& [target, code] : cases) {
    ScriptWriter w;
    EXPECT_EQ(w.Create(target, ScriptEncoding::kUtf16Le, Windows1252()).code, code) << target;
    EXPECT_EQ(w.WriteLine("x").code, code) << target;
    EXPECT_EQ(w.Close().code, code) << target;
  }
  EXPECT_EQ(dir.Read("ro.sql"), "read-only");
  EXPECT_FALSE(dir.Exists("missing"));
}

#ifndef _WIN32  // POSIX only: the file-size limit (RLIMIT_FSIZE) plays the full disk
// A disk that fills up: in a flush of a full block during a copy, in the last
// flush at Close, on either encoding and either copy path. The failure is
// reported and the target keeps its old content.
TEST(ScriptWriter, AFailedWriteIsReportedAndTheTargetKept) {
  const std::string big = std::string(3 * kBlockSize, 'x') + "\r\n";
  const std::string multibyte = "\xC3\xA7\xC3\xBE\r\n" + big;
  const struct {
    const char* page;
    std::string source;  // "" writes lines instead
  } cases[] = {{"windows-1252", big}, {"windows-1252", ""}, {"UTF-8", multibyte}};
  for (const auto& c : cases) {
    for (ScriptEncoding encoding : {ScriptEncoding::kCodePage, ScriptEncoding::kUtf16Le}) {
      TempDir dir;
      dir.Write("src.ora", c.source);
      dir.Write("out.sql", "old");
      platform::Status copied, closed;
      {
        testing::FileSizeLimit limit(64UL * 1024);
        ScriptWriter w;
        ASSERT_TRUE(w.Create(dir / "out.sql", encoding, Page(c.page)).ok());
        SourceFile source;
        ASSERT_TRUE(source.Open(dir / "src.ora").ok());
        copied = c.source.empty() ? w.WriteLine(std::string(100UL * 1024, 'y'))
                                  : w.CopyCleanedLines(source);
        closed = w.Close();
      }
      SCOPED_TRACE(std::string(c.page) + (c.source.empty() ? " lines " : " copy ") +
                   std::to_string(static_cast<int>(encoding)));
      EXPECT_EQ(closed.code, EFBIG);
      EXPECT_EQ(copied.code, c.source.empty() ? 0 : EFBIG);
      EXPECT_EQ(dir.Read("out.sql"), "old");
      EXPECT_EQ(testing::FolderNames(dir.path()), (Lines{"out.sql", "src.ora"}));
    }
  }
}
#endif

// The target, found without regard to case, keeps its old content until
// Close; a writer dropped or aborted before that leaves no traces.
TEST(ScriptWriter, ReplacesTheTargetOnlyAtClose) {
  TempDir dir;
  dir.Write("Out/02-SA_Tabelas.sql", "old content");
  const std::string target = dir.path() + "\\OUT\\02-sa_tabelas.SQL";
  {
    ScriptWriter dropped;
    ASSERT_TRUE(dropped.Create(target, ScriptEncoding::kCodePage, Windows1252()).ok());
    ASSERT_TRUE(dropped.WriteLine("new").ok());
  }
  ScriptWriter aborted, w;
  ASSERT_TRUE(aborted.Create(target, ScriptEncoding::kCodePage, Windows1252()).ok());
  ASSERT_TRUE(aborted.WriteLine("new").ok());
  aborted.Abort();
  EXPECT_NE(aborted.Close().code, 0);
  EXPECT_EQ(testing::FolderNames(dir / "Out"), Lines{"02-SA_Tabelas.sql"});
  ASSERT_TRUE(w.Create(target, ScriptEncoding::kCodePage, Windows1252()).ok());
  ASSERT_TRUE(w.WriteLine("new").ok());
  EXPECT_EQ(dir.Read("Out/02-SA_Tabelas.sql"), "old content");
  ASSERT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("Out/02-SA_Tabelas.sql"), "new\r\n");
  EXPECT_EQ(w.Close().code, EBADF);  // closed once only
}

// The first character a copy meets that the script's code page lacks, with
// its line as an editor counts lines; only copies into the code page can
// meet one, and a copy into nothing (a dry run's) meets the same.
TEST(ScriptWriter, TellsTheFirstCharacterTheCodePageLacks) {
  using text::UnicodeForm;
  const struct {
    std::string source;
    const char* page;
    ScriptEncoding encoding;
    bool may_miss;
    char32_t character;
    std::uint64_t line;
  } cases[] = {
      {Marked("a\r\nb\nc \xE2\x86\x92 \xC5\x91\r\n", UnicodeForm::kUtf8), "windows-1252",
       ScriptEncoding::kCodePage, true, U'\u2192', 3},
      {Marked("\xE2\x86\x92", UnicodeForm::kUtf16Le), "windows-1252", ScriptEncoding::kCodePage,
       true, U'\u2192', 1},
      {Marked("a\rb\r\n\r\xC3\xA7\xF0\x9F\x98\x80", UnicodeForm::kUtf16Be), "windows-1252",
       ScriptEncoding::kCodePage, true, U'\U0001F600', 4},
      {Marked("a\xC3\xA7\xC3\xA3o \xE2\x82\xAC\r\n", UnicodeForm::kUtf8), "windows-1252",
       ScriptEncoding::kCodePage, true, 0, 0},
      {Marked("x\n\xC3\xA9", UnicodeForm::kUtf8), "Shift_JIS", ScriptEncoding::kCodePage, true,
       U'\u00E9', 2},
      {Marked("\xE2\x86\x92", UnicodeForm::kUtf8), "UTF-8", ScriptEncoding::kCodePage, false, 0, 0},
      {Marked("\xE2\x86\x92", UnicodeForm::kUtf8), "windows-1252", ScriptEncoding::kUtf16Le, false,
       0, 0},
      {"a\x81\x9D\xFF\r\n", "windows-1252", ScriptEncoding::kCodePage, false, 0, 0},
#ifndef _WIN32  // which bytes a page leaves unassigned is the converter's: ICU's here
      {"a\n\r\n\xA5", "ISO-8859-3", ScriptEncoding::kCodePage, true, U'\uFFFD', 3},
#endif
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.source) + " in " + c.page);
    dir.Write("src.ora", c.source);
    for (bool discarding : {false, true}) {
      ScriptWriter writer;
      if (discarding) {
        writer.CreateDiscarding(c.encoding, Page(c.page));
      } else {
        ASSERT_TRUE(writer.Create(dir / "out.sql", c.encoding, Page(c.page)).ok());
      }
      SourceFile source;
      ASSERT_TRUE(source.Open(dir / "src.ora").ok());
      EXPECT_EQ(writer.MayMiss(source), c.may_miss);
      ASSERT_TRUE(writer.CopyCleanedLines(source).ok());
      EXPECT_EQ(writer.missing().character, c.character);
      EXPECT_EQ(writer.missing().line, c.line);
      ASSERT_TRUE(writer.Close().ok());
    }
    ASSERT_TRUE(platform::DeleteFile(dir / "out.sql").ok());
  }
  EXPECT_EQ(testing::FolderNames(dir.path()), Lines{"src.ora"});
}

// A byte-order mark names the form of a source and is no part of its text: a
// mark alone is an empty file.
TEST(SourceFile, AByteOrderMarkNamesTheFormAndIsNoPartOfTheText) {
  using text::UnicodeForm;
  const struct {
    std::string bytes;
    std::optional<UnicodeForm> form;
    Lines lines;  // as a reader in Windows-1252 gives them
  } cases[] = {
      {"\xEF\xBB\xBF", UnicodeForm::kUtf8, {}},
      {"\xFF\xFE", UnicodeForm::kUtf16Le, {}},
      {"\xFE\xFF", UnicodeForm::kUtf16Be, {}},
      {"\xEF\xBB\xBFx", UnicodeForm::kUtf8, {"x"}},
      {std::string("\xFF\xFEx\0", 4), UnicodeForm::kUtf16Le, {"x"}},
      {"\xEF\xBB", std::nullopt, {"\xC3\xAF\xC2\xBB"}},
      {"\xFF", std::nullopt, {"\xC3\xBF"}},
      {"\xFE\xFE", std::nullopt, {"\xC3\xBE\xC3\xBE"}},
      {"x\xFF\xFE", std::nullopt, {"x\xC3\xBF\xC3\xBE"}},
      {"\xEF\xBB\xBF" + std::string(kBlockSize, 'y'),
       UnicodeForm::kUtf8,
       {std::string(kBlockSize, 'y')}},
  };
  TempDir dir;
  SourceFile source;
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes.substr(0, 8)));
    dir.Write("src.sql", c.bytes);
    ASSERT_TRUE(source.Open(dir / "src.sql").ok());
    EXPECT_EQ(source.form(), c.form);
    EXPECT_EQ(source.empty(), c.lines.empty());
    EXPECT_EQ(ReadLines(c.bytes, Windows1252()), c.lines);
  }
}

// One object serves file after file: unreadable ones fail at Open, an empty
// one is known before copying, a large one does not stay behind.
TEST(SourceFile, OneObjectServesFileAfterFile) {
  TempDir dir;
  const std::string big = std::string(kBlockSize + 10, 'b') + "\r\n";
  dir.MakeDir("dir.ora");
  dir.Write("e.ora", "");
  dir.Write("big.ora", big);
  dir.Write("small.ora", "s\r\n");
  // A CR that ends a file is a line end whatever the buffer holds after it.
  dir.Write("lf.ora", std::string(64, 'x') + "\n");
  dir.Write("cr.ora", std::string(63, 'x') + "\r");
  SourceFile source;
  EXPECT_EQ(source.Open(dir / "dir.ora").code, platform::kNotRegularFile);
  EXPECT_EQ(source.Open(dir / "missing.ora").code, ENOENT);
  ASSERT_TRUE(source.Open(dir / "E.ORA").ok());
  EXPECT_TRUE(source.empty());
  ScriptWriter w;
  ASSERT_TRUE(w.Create(dir / "o.sql", ScriptEncoding::kCodePage, Windows1252()).ok());
  for (const char* name : {"small.ora", "big.ora", "small.ora", "lf.ora", "cr.ora"}) {
    ASSERT_TRUE(source.Open(dir / name).ok()) << name;
    EXPECT_FALSE(source.empty());
    ASSERT_TRUE(w.CopyCleanedLines(source).ok()) << name;
  }
  ASSERT_TRUE(w.Close().ok());
  EXPECT_EQ(dir.Read("o.sql"), "s\r\n" + big + "s\r\n" + std::string(64, 'x') + "\n\r\n" +
                                   std::string(63, 'x') + "\r\n");
  LineReader reader;
  EXPECT_EQ(reader.Open(dir / "missing.ora", Windows1252()).code, ENOENT);
  std::string line = "stale";
  EXPECT_FALSE(reader.Next(&line));
  EXPECT_EQ(line, "");
}

}  // namespace
}  // namespace vkt::generate
