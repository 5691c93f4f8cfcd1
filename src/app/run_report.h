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

#include "fs/platform/file_system.h"

namespace vkt::app {

// Problem kinds. The first group are the run's own messages (ClassifyMessage
// tells them apart by their words); the second the findings of `check`.
namespace problem_kind {
inline constexpr std::string_view kMissingSection = "missing_section";
inline constexpr std::string_view kInvalidNumfiles = "invalid_numfiles";
inline constexpr std::string_view kNotInList = "not_in_list";
inline constexpr std::string_view kMissingFile = "missing_file";
inline constexpr std::string_view kReadError = "read_error";
inline constexpr std::string_view kWriteError = "write_error";
inline constexpr std::string_view kFolderError = "folder_error";
inline constexpr std::string_view kMissingDocument = "missing_document";
inline constexpr std::string_view kErrorBox = "error_box";
inline constexpr std::string_view kManifestError = "manifest_error";
inline constexpr std::string_view kOutsideSource = "outside_source";
inline constexpr std::string_view kUnmappableCharacter = "unmappable_character";
inline constexpr std::string_view kValueTooLong = "value_too_long";  // check: a cut setting
inline constexpr std::string_view kMessage = "message";              // any other message line

inline constexpr std::string_view kVendorParity = "vendor_parity";
inline constexpr std::string_view kKeyAboveNumfiles = "key_above_numfiles";
inline constexpr std::string_view kDuplicateName = "duplicate_name";
inline constexpr std::string_view kDuplicateKey = "duplicate_key";
inline constexpr std::string_view kNameWithExtension = "name_with_extension";
inline constexpr std::string_view kUnknownKey = "unknown_key";
inline constexpr std::string_view kUtf8Text = "utf8_text";
inline constexpr std::string_view kNameOutsideFolder = "name_outside_folder";
inline constexpr std::string_view kInvalidUtf8 = "invalid_utf8";
inline constexpr std::string_view kCaseTwin = "case_twin";
inline constexpr std::string_view kConfigUtf8Text = "config_utf8_text";
}  // namespace problem_kind

// What a kind of problem is: its identifier, the level pipelines show it at
// ("error" or "warning", as SARIF names them) and what it means.
struct ProblemKindInfo {
  std::string_view id;
  std::string_view level;
  std::string_view description;
};

// The kinds above, in the order of the report format's table. The kinds of the client rules are in
// their own table (app/client_rules.h).
inline constexpr ProblemKindInfo kProblemKinds[] = {
    {problem_kind::kMissingSection, "error", "The file list has no section for the object type"},
    {problem_kind::kInvalidNumfiles, "error", "NUMFILES of the section is missing or invalid"},
    {problem_kind::kNotInList, "error", "A script of the folder that the file list does not name"},
    {problem_kind::kMissingFile, "error", "A listed script that does not exist"},
    {problem_kind::kReadError, "error", "A file or folder that could not be read"},
    {problem_kind::kWriteError, "error", "A file that could not be written"},
    {problem_kind::kFolderError, "error", "A folder that could not be created"},
    {problem_kind::kOutsideSource, "error", "A listed file outside the source root, not copied"},
    {problem_kind::kUnmappableCharacter, "error",
     "A character that the Oracle script's code page lacks, written as \"?\""},
    {problem_kind::kMissingDocument, "error", "A companion document that is missing"},
    {problem_kind::kErrorBox, "error", "An error box of the run"},
    {problem_kind::kManifestError, "error", "A SHA256SUMS file that could not be written"},
    {problem_kind::kValueTooLong, "error",
     "A repository setting longer than the 254 bytes the ini reader keeps"},
    {problem_kind::kMessage, "warning", "Another message line of the run"},
    {problem_kind::kVendorParity, "error", "A listed script with one database's file only"},
    {problem_kind::kKeyAboveNumfiles, "error", "A FILEi key above NUMFILES, which the run ignores"},
    {problem_kind::kDuplicateName, "error", "A name listed twice in one section"},
    {problem_kind::kDuplicateKey, "error", "A key given twice in one section"},
    {problem_kind::kNameWithExtension, "error", "A listed name that ends in a script extension"},
    {problem_kind::kUnknownKey, "error", "A key of the section that the run does not read"},
    {problem_kind::kUtf8Text, "warning", "UTF-8 text in a script read in a single-byte code page"},
    {problem_kind::kNameOutsideFolder, "error",
     "A listed name that leads out of the type's folder"},
    {problem_kind::kInvalidUtf8, "warning", "A script that is no UTF-8 under code page UTF-8"},
    {problem_kind::kConfigUtf8Text, "warning",
     "A configuration file that looks like UTF-8 under a single-byte code page"},
    {problem_kind::kCaseTwin, "error", "Scripts whose names differ only in letter case"},
};

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
