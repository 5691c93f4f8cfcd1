// Streaming source-line reading and script writing for the generation loop.
// Both work in large blocks with constant memory and no per-line allocation.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "fs/platform/file_system.h"

namespace vkt::generate {

// Output encodings of a generated script.
enum class ScriptEncoding {
  kUtf16Le,   // SQL Server: UTF-16 little-endian, byte-order mark FF FE first
  kCodePage,  // Oracle: the system code page
};

// A generated script, written to a temporary file in the target's folder and
// renamed over the target by Close. Every WriteLine writes its text followed by
// CR LF. Errors stick: after the first failure every call returns it again and
// Close discards the temporary file (the target keeps its old content).
class ScriptWriter {
 public:
  ScriptWriter();
  ~ScriptWriter();
  // Creates the temporary file (SQL Server: writes the byte-order mark).
  platform::Status Create(const std::string& path, ScriptEncoding encoding);
  // Writes UTF-8 text + CR LF.
  platform::Status WriteLine(std::string_view utf8);
  // Copies one source file: every line (ended by CR or CR LF; a lone LF stays
  // in the line; a last line without terminator is a line) is cleaned of
  // U+00FE and U+00FF and written followed by CR LF. The source is read in the
  // system code page. `read_error` receives the source's read status.
  platform::Status CopyCleanedLines(const std::string& source_path, platform::Status* read_error,
                                    bool* empty);
  platform::Status Close();  // commits; the target now holds what was written

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Reads a text file line by line in the system code page (CR or CR LF end a
// line; a lone LF stays inside it; a last line without terminator counts).
class LineReader {
 public:
  LineReader();
  ~LineReader();
  platform::Status Open(const std::string& path);
  // Next line as UTF-8; false at the end (or on a read error, see status()).
  bool Next(std::string* line);
  platform::Status status() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vkt::generate
