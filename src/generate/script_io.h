// Streaming source-line reading and script writing for the generation loop.
// Both work in large blocks with constant memory and no per-line allocation:
// a source is read in blocks of at most kBlockSize bytes, line ends are found
// with memchr, the code page is converted through its 256-entry table (single-
// byte code pages) and the output goes through a kBlockSize buffer.
//
// The driver's order for one listed file:
//   SourceFile src;                       // one per run, reused
//   if (!src.Open(path).ok()) -> "Erro ao ler o arquivo: ", skip the entry
//   if (!src.empty() && !header_written) -> writer.WriteLine(header)
//   writer.WriteLine(...opening...);
//   writer.CopyCleanedLines(src);         // then src.status() for late read errors
//   writer.WriteLine(closer);
//
// SourceFile is in source_file.cpp, ScriptWriter in script_writer.cpp and
// LineReader in line_reader.cpp; the line rule they share is line_scanner.h,
// what they need of the code page code_page_tables.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"
#include "text/codepage.h"
#include "text/unicode_decoder.h"

namespace vkt::generate {

// Size of the read and write blocks. A quarter of a megabyte: the output block
// and the page-cache pages the kernel copies it into then stay in the
// processor's second-level cache; 1 MiB blocks cost a tenth more processor
// time on large scripts, and smaller ones gain nothing more.
inline constexpr std::size_t kBlockSize = std::size_t{1} << 18;

// How the text of a generated script becomes bytes. Each output encoding is
// one such row (EncodingOf), and the writer keeps its fast paths for every
// row: sources in a single-byte code page are converted through tables, and
// where the line end is CR LF their CR LF lines are copied in runs as long as
// a block.
struct OutputEncoding {
  // Written first, also into a script that gets nothing else.
  std::string_view byte_order_mark = {};
  // 1: each character as the bytes of the writer's code page; 2: as UTF-16
  // code units of two bytes each.
  int unit_bytes = 1;
  // The byte order of a two-byte unit.
  bool big_endian = false;
  // Ends every line: written unit for unit in the layout above, not through
  // the code page (EBCDIC pages get the bytes 0D 0A too).
  std::u16string_view line_end = u"\r\n";
};

// Output encodings of a generated script.
enum class ScriptEncoding {
  kUtf16Le,   // SQL Server: UTF-16 little-endian, byte-order mark FF FE first
  kCodePage,  // Oracle: the code page of the run
};

// The row of `encoding` (the table is in script_writer.cpp).
const OutputEncoding& EncodingOf(ScriptEncoding encoding);

// A source script opened for reading. Open reads the first block at once, so a
// file that cannot be opened or read fails there, before anything is written
// for it, and `empty()` is known before the header is due. A byte-order mark
// at the beginning (EF BB BF, FF FE, FE FF) decides how the text is read
// (`form()`) and is no part of it: the blocks begin after it. One object may
// be reopened for file after file; its one buffer of kBlockSize is kept.
class SourceFile {
 public:
  SourceFile();
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;

  // Opens `path` (Windows form, resolved without regard to case) and reads its
  // first block. Fails with the system's error (a folder gives EISDIR). The
  // previous file, if any, is closed first.
  platform::Status Open(const std::string& path);
  // The same for entry `entry` of `folder`'s listing, opened relative to the
  // folder: no path is resolved.
  platform::Status Open(const platform::ListedFolder& folder, std::size_t entry);
  // True when the open file holds no text: no bytes at all, or a byte-order
  // mark alone.
  bool empty() const;
  // The Unicode form the open file's byte-order mark names; none for a file
  // without a mark, which is read in the run's code page.
  std::optional<text::UnicodeForm> form() const;
  // Where the open file lies on disk, every link resolved.
  platform::Status CanonicalPath(std::string* canonical) const;
  // The read status: the first read error met so far, Ok otherwise.
  platform::Status status() const;
  void Close();

 private:
  friend class ScriptWriter;
  friend class LineReader;
  struct Impl;
  platform::Status ReadFirstBlock();
  // The next block of bytes (empty at the end or after an error). Valid until
  // the next call.
  std::string_view NextBlock();
  std::unique_ptr<Impl> impl_;
};

// A character of a source that the code page of a script lacks (written as
// "?"), and the line of the source it stands on, counted as an editor counts
// lines: CR LF, LF and CR each end one. `character` 0: none.
struct MissingCharacter {
  char32_t character = 0;
  std::uint64_t line = 0;
};

// A generated script, written to a temporary file in the target's folder and
// renamed over the target by Close. Every WriteLine writes its text followed by
// the line end (CR LF in both ScriptEncodings); a CR or LF inside the text is
// written as it is. Errors stick: after the first failure every call returns
// it again and Close discards the temporary file (the target keeps its old
// content or stays absent). Dropping a writer that was not closed discards its
// temporary file too.
class ScriptWriter {
 public:
  ScriptWriter();
  ~ScriptWriter();
  ScriptWriter(const ScriptWriter&) = delete;
  ScriptWriter& operator=(const ScriptWriter&) = delete;

  // Creates the temporary file for `path` and writes the encoding's
  // byte-order mark into it (SQL Server: FF FE). `page` is the code page the
  // sources are read in and, for one-byte units, the script written in; it
  // must outlive the writing (text::CodePage::Named pages do). Fails when the
  // target is a folder, is read-only, or its folder cannot take a new file,
  // and with EINVAL for a row that is none (`unit_bytes` neither 1 nor 2, a
  // line end unit above 0xFF in one byte). Nothing of `encoding` is kept but
  // its values: the row need not outlive the call.
  platform::Status Create(const std::string& path, ScriptEncoding encoding,
                          const text::CodePage& page);
  platform::Status Create(const std::string& path, const OutputEncoding& encoding,
                          const text::CodePage& page);
  // Readies the writer as Create does, to write nowhere: no file is made,
  // and Close only ends the writing. A dry run copies through it to learn
  // what a copy would report (missing()).
  void CreateDiscarding(ScriptEncoding encoding, const text::CodePage& page);
  // Writes UTF-8 text + the line end. In the code page's bytes characters the
  // code page lacks become "?".
  platform::Status WriteLine(std::string_view utf8);
  // Copies the rest of `source`: every line (ended by CR or CR LF; a lone LF
  // stays in the line; a last line without terminator is a line) is cleaned of
  // U+00FE and U+00FF and written followed by the line end. A source with a
  // byte-order mark is read in the mark's form, any other in the code page.
  // An empty source writes nothing. Returns the write status; a read error
  // met on the way ends the copy (the lines before it are written) and shows
  // in `source.status()`.
  platform::Status CopyCleanedLines(SourceFile& source);
  // The first character of the last CopyCleanedLines that the code page
  // lacks; none when there was none, and always for two-byte units.
  MissingCharacter missing() const;
  // False when copying `source` cannot meet a character the code page lacks:
  // two-byte units, UTF-8, or a single-byte page without unassigned bytes
  // for a source without a byte-order mark. A dry run copies only the others.
  bool MayMiss(const SourceFile& source) const;
  // Flushes and renames the temporary file over the target. After a failure
  // (this one or an earlier one) the target is left as it was.
  platform::Status Close();
  // After a Close: the owner of the file it replaced, when that was another
  // user (platform::AtomicFile::replaced_other_owner); else empty.
  const std::string& ReplacedOtherOwner() const;
  // Discards everything written; the target is left as it was.
  void Abort();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads a text file line by line in a code page, or in the Unicode form its
// byte-order mark names (CR or CR LF end a line; a lone LF stays inside it; a
// last line without terminator counts).
class LineReader {
 public:
  LineReader();
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Opens `path` to be read in `page`, which must outlive the reading
  // (text::CodePage::Named pages do).
  platform::Status Open(const std::string& path, const text::CodePage& page);
  // The same for entry `entry` of `folder`'s listing, opened relative to the
  // folder (SourceFile::Open).
  platform::Status Open(const platform::ListedFolder& folder, std::size_t entry,
                        const text::CodePage& page);
  // Next line as UTF-8 into `line` (its capacity is reused); false at the end
  // or on a read error (see status()).
  bool Next(std::string* line);
  // The same lines in pieces of at most one block each, so that a file of any
  // length is read in constant memory: the next piece as UTF-8 into `piece`
  // and, in `*line_ended`, whether its line ends after it (a line may end
  // with an empty piece). False at the end or on a read error. Calls of Next
  // and NextPiece do not mix within one line.
  bool NextPiece(std::string* piece, bool* line_ended);
  platform::Status status() const;

 private:
  // Readies the reader for a new source in `page`.
  void Prepare(const text::CodePage& page);
  // Once the source is opened (status() tells how that went): the path its
  // form takes, by its byte-order mark; EINVAL for a page without a
  // converter.
  platform::Status Start();
  bool NextChunk(std::string* text);
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vkt::generate
