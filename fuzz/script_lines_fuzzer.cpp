// Fuzz target for the source-line streams of script generation: the input
// (after its first byte) is a source script read through LineReader and copied
// through the Oracle and the SQL Server writers. Every result is compared with
// a small reference model kept deliberately naive: decode the whole file (in
// the form its byte-order mark names, if any), split it unit by unit, clean
// and encode line by line.
//
// First byte: bit 0 set = the source read in UTF-8, else in Windows-1252.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "generate/script_io.h"
#include "text/codepage.h"
#include "text/unicode_decoder.h"

namespace vkt::fuzz {
namespace {

using generate::LineReader;
using generate::ScriptEncoding;
using generate::ScriptWriter;
using generate::SourceFile;

// A header line with a character outside ASCII, so WriteLine's slow paths run.
constexpr std::string_view kHeader =
    "-- in\xC3\xAD"
    "cio";

// CR or CR LF ends a line and is dropped; a LF alone stays in the line; what
// follows the last terminator is a line when it is not empty.
std::vector<std::u16string> ReferenceLines(const std::u16string& units) {
  std::vector<std::u16string> lines;
  std::u16string line;
  bool open = false;
  for (std::size_t i = 0; i < units.size(); ++i) {
    if (units[i] == u'\r') {
      lines.push_back(line);
      line.clear();
      open = false;
      if (i + 1 < units.size() && units[i + 1] == u'\n') ++i;
    } else {
      line.push_back(units[i]);
      open = true;
    }
  }
  if (open) lines.push_back(line);
  return lines;
}

// The text of a source: after a byte-order mark in the mark's form, where
// each unpaired surrogate and an odd last byte of UTF-16 are one U+FFFD;
// without a mark in `page`. `*mark` is the mark's length.
std::u16string SourceText(std::string_view bytes, const vkt::text::CodePage& page,
                          std::size_t* mark) {
  vkt::text::UnicodeForm form;
  *mark = 0;
  if (!vkt::text::FormOfMark(bytes, &form, mark)) return page.DecodeUtf16(bytes);
  bytes.remove_prefix(*mark);
  if (form == vkt::text::UnicodeForm::kUtf8) return vkt::text::Utf8ToUtf16(bytes);
  const bool le = form == vkt::text::UnicodeForm::kUtf16Le;
  std::u16string units;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(le ? first | second << 8 : first << 8 | second));
  }
  std::u16string text;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const bool high = units[i] >= 0xD800 && units[i] <= 0xDBFF;
    const bool low = units[i] >= 0xDC00 && units[i] <= 0xDFFF;
    if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      text += units.substr(i++, 2);
    } else {
      text.push_back(high || low ? u'\uFFFD' : units[i]);
    }
  }
  if (bytes.size() % 2 != 0) text.push_back(u'\uFFFD');
  return text;
}

std::u16string WithoutThornAndYDiaeresis(const std::u16string& line) {
  std::u16string out;
  for (char16_t u : line) {
    if (u != 0xFE && u != 0xFF) out.push_back(u);
  }
  return out;
}

std::string Utf16Le(const std::u16string& units) {
  std::string out;
  for (char16_t u : units) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

// The source and the writer live as long as the process, as the generation
// loop reuses them file after file: what one input leaves behind must not
// change the next one's result (and their block buffers are not allocated
// again for every input).
std::string WriteScript(const std::string& source_path, const std::string& target,
                        ScriptEncoding encoding, const vkt::text::CodePage& page,
                        bool empty_source) {
  static SourceFile source;
  static ScriptWriter writer;
  VKT_FUZZ_CHECK(source.Open(source_path).ok(), "the source cannot be opened");
  VKT_FUZZ_CHECK(source.empty() == empty_source, "SourceFile::empty() is wrong");
  VKT_FUZZ_CHECK(writer.Create(target, encoding, page).ok(), "the script cannot be created");
  VKT_FUZZ_CHECK(writer.WriteLine(kHeader).ok(), "WriteLine failed");
  VKT_FUZZ_CHECK(writer.CopyCleanedLines(source).ok(), "CopyCleanedLines failed");
  VKT_FUZZ_CHECK(source.status().ok(), "the source reports a read error");
  VKT_FUZZ_CHECK(writer.WriteLine("GO").ok(), "WriteLine after the copy failed");
  VKT_FUZZ_CHECK(writer.Close().ok(), "the script cannot be closed");
  return ReadFileBytes(target);
}

}  // namespace
}  // namespace vkt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vkt::fuzz;
  if (size == 0) return 0;
  const vkt::text::CodePage& page = CodePageNamed((data[0] & 1) != 0 ? "UTF-8" : "windows-1252");
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  const std::string source_path = ScratchPath("source.sql");
  WriteFileBytes(source_path, bytes);

  std::size_t mark = 0;
  const std::vector<std::u16string> lines = ReferenceLines(SourceText(bytes, page, &mark));
  const bool empty = bytes.size() == mark;

  // LineReader: every line as UTF-8, nothing dropped.
  {
    static LineReader reader;
    VKT_FUZZ_CHECK(reader.Open(source_path, page).ok(), "LineReader cannot open the source");
    std::string line;
    std::size_t count = 0;
    while (reader.Next(&line)) {
      VKT_FUZZ_CHECK(count < lines.size(), "LineReader gives more lines than the model");
      VKT_FUZZ_CHECK(line == vkt::text::Utf16ToUtf8(lines[count]),
                     "LineReader's line differs from the model");
      ++count;
    }
    VKT_FUZZ_CHECK(count == lines.size(), "LineReader gives fewer lines than the model");
    VKT_FUZZ_CHECK(reader.status().ok(), "LineReader reports a read error");
  }

  // Oracle: the code page, each cleaned line followed by CR LF.
  {
    std::string expected = page.Encode(kHeader) + "\r\n";
    for (const auto& line : lines) {
      expected += page.Encode(vkt::text::Utf16ToUtf8(WithoutThornAndYDiaeresis(line))) + "\r\n";
    }
    expected += "GO\r\n";
    const std::string written =
        WriteScript(source_path, ScratchPath("oracle.sql"), ScriptEncoding::kCodePage, page, empty);
    VKT_FUZZ_CHECK(written == expected, "the Oracle script differs from the model");
  }

  // SQL Server: UTF-16LE after its byte-order mark.
  {
    const std::u16string crlf = u"\r\n";
    std::string expected = "\xFF\xFE" + Utf16Le(vkt::text::Utf8ToUtf16(kHeader) + crlf);
    for (const auto& line : lines) expected += Utf16Le(WithoutThornAndYDiaeresis(line) + crlf);
    expected += Utf16Le(u"GO" + crlf);
    const std::string written = WriteScript(source_path, ScratchPath("sqlserver.sql"),
                                            ScriptEncoding::kUtf16Le, page, empty);
    VKT_FUZZ_CHECK(written == expected, "the SQL Server script differs from the model");
  }
  return 0;
}
