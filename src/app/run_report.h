// The report of one `vktgera install` or `vktgera check` run, for pipelines:
// what was (or would be) generated, from which listed scripts, and every
// problem found, as a JSON document and as a readable HTML page. The report
// holds no time stamps, so that two runs over the same inputs give the same
// report.
//
// JSON shape (format_version 1; every key is always present; docs/report-format.md
// says the same with an example):
//
//   {
//     "report": "vktgera",
//     "format_version": 1,
//     "program_version": "3.3.0",
//     "command": "install" | "check",
//     "repository": text,            the repository name (--repo)
//     "system": text,                SISTEMA
//     "selected_type": text,         the object type asked for ("TODOS" by default)
//     "source_root": text,           PathOrigem, as configured
//     "destination_root": text,      PathDestino, as configured
//     "file_list": text,             ArqConfigIni, as configured
//     "code_page": text,             the code page of the run ([GERAL] CodePage)
//     "exit_status": 0 | 1,          the run's exit status
//     "problem_count": number,       all problems, of the outputs and of the run
//     "outputs": [                   one per generation call, in call order
//       {
//         "type": text,              object-type keyword ("DOCS_E_BATS" included)
//         "database": "SQLSERVER" | "ORACLE",
//         "output_file": text | null,    the script path (message form), null when the
//                                        call has no output file
//         "written": bool,           the file exists after the run (always false for check)
//         "size": number | null,     its size and SHA-256 when written
//         "sha256": text | null,
//         "entries": [               the listed scripts, in list order
//           { "number": number,      i of FILEi
//             "name": text,          the FILEi value
//             "file": text,          the path looked for (message form)
//             "found": bool,
//             "size": number | null, "sha256": text | null }   (null when not found)
//         ],
//         "problems": [ { "kind": text, "text": text } ]   see the kinds below
//       }
//     ],
//     "problems": [ { "kind": text, "text": text } ],   problems of the run itself
//     "manifests": [ text ]          the SHA256SUMS files written (install --manifest)
//   }
//
// Paths are shown as in the program's messages (platform::PathAsShown: on
// POSIX what the run found named as it is on disk, each "\" turned into "/").
// Texts that are not valid UTF-8 (file names
// from disk) have their invalid bytes replaced by U+FFFD.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/problem_kinds.h"
#include "fs/platform/file_system.h"

namespace vkt::app {

// The kind of a line of the message buffer, from its words.
std::string_view ClassifyMessage(std::string_view line);

struct ReportProblem {
  ReportProblem() = default;
  ReportProblem(std::string kind_id, std::string line_text, std::string at_file = {},
                int at_line = 0)
      : kind(std::move(kind_id)),
        text(std::move(line_text)),
        file(std::move(at_file)),
        line(at_line) {}
  std::string kind;
  std::string text;
  // Where it lies, when known (JUnit and SARIF reports): the file, as in
  // messages, and the line (from 1; 0 for none).
  std::string file;
  int line = 0;
  bool operator==(const ReportProblem&) const = default;
};

struct ReportEntry {
  int number = 0;
  std::string name;
  std::string file;
  bool found = false;
  std::uint64_t size = 0;  // meaningful when found
  std::string sha256;      // meaningful when found
};

struct ReportOutput {
  std::string type;
  std::string database;
  std::string output_file;  // empty: no output file
  bool written = false;
  std::uint64_t size = 0;  // meaningful when written
  std::string sha256;      // meaningful when written
  std::vector<ReportEntry> entries;
  std::vector<ReportProblem> problems;
};

struct RunReport {
  std::string command;  // "install" or "check"
  std::string repository;
  std::string system;
  std::string selected_type;
  std::string source_root;
  std::string destination_root;
  std::string file_list;
  std::string code_page;
  int exit_status = 0;
  std::vector<ReportOutput> outputs;
  std::vector<ReportProblem> problems;
  std::vector<std::string> manifests;

  // Problems of the outputs and of the run together.
  std::size_t ProblemCount() const;
};

// The report as JSON text (two-space indentation, a final line feed).
std::string ReportJson(const RunReport& report);
// The report as a self-contained HTML page (docs/report-format.md, "HTML
// page"): first the problems (a count per kind, then each problem with a link
// to its section), then one folded section for the run and one per output
// with its entries and, highlighted, its problems; a section that shows a
// problem is open. Every text is HTML-escaped.
std::string ReportHtml(const RunReport& report);
// `text` with &, <, >, " and ' replaced by character references.
std::string HtmlEscape(std::string_view text);

// Writes `bytes` to `path` (a program path): as a stream where it names one
// (platform::OutputKind::kStream: standard output, a descriptor, a
// character device, a FIFO), else atomically; then `*replaced` (when given)
// tells what the replaced file had (platform::AtomicFile). A block device
// fails (platform::kBlockDevice) with nothing written.
platform::Status WriteWholeFile(std::string_view path, std::string_view bytes,
                                platform::Replaced* replaced = nullptr);

}  // namespace vkt::app
