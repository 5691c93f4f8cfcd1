// The release gate's own checks of a repository, beyond what an installation
// run reports: vendor parity of the listed scripts, faults of the file-list
// configuration that the run tolerates silently, and source and
// configuration encodings that the run would read as garbled text. Every
// check only reads.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "app/client_rules.h"
#include "config/general_settings.h"
#include "config/ini.h"
#include "config/run_state.h"
#include "fs/platform/file_system.h"
#include "text/codepage.h"

namespace vkt::app {

// One finding. `kind` is one of the problem_kind constants of
// app/problem_kinds.h, or a client rule's.
struct Finding {
  std::string kind;
  std::string object_type;  // the object type (and file-list section) concerned
  std::string database;     // "SQLSERVER" or "ORACLE" when it concerns one kind only, else ""
  std::string text;         // the line reported
  // The file it is about, as in messages ("" for none), and its line (from
  // 1; 0 for none).
  std::string file;
  int line = 0;
  bool operator==(const Finding&) const = default;
};

// True when the installation run's existence test sees a file at `path` (a
// program path): found without regard to case, not hidden, not a folder; a
// name holding "*" or "?" is taken literally.
bool RunSeesFile(const std::string& path);

// Where the checks put each finding, as they find it: a list of millions of
// keys may give millions of findings, which need not all be held at once.
using FindingSink = std::function<void(Finding)>;

// Faults of section `object_type` of the file list `ini` reads (its file
// named; its Section is set here), each given to `sink` in file order:
//  - "Chave repetida na seção <type>: <key> (linha <n>)": a key given again;
//    only its first line counts (duplicate_key);
//  - "Chave acima de NUMFILES na seção <type>: <key>=<value> (linha <n>)": a
//    FILEi with i above NUMFILES, which the run ignores (key_above_numfiles);
//    not checked when NUMFILES is missing or not a whole number, since the run
//    reports that itself; "JOBS" without NUMFILES counts as 0;
//  - "Nome repetido na seção <type>: <key>=<value> (igual a <first key>)": a
//    counted name equal, upper-cased, to an earlier one (duplicate_name);
//  - "Nome com extensao na seção <type>: <key>=<value>": a counted name that
//    ends in ".ora", ".sql" or ".sql2005", without regard to case
//    (name_with_extension);
//  - "Nome fora da pasta de origem na seção <type>: <key>=<value>": a counted
//    name whose ".." components lead out of the type's source folder
//    ("..\Views\V", "a/../../b"), so the run would read another folder's
//    file (name_outside_folder);
//  - "Chave desconhecida na seção <type>: <key> (linha <n>)": neither NUMFILES
//    nor FILE followed by a number from 1 without leading zeros (unknown_key).
// Returns false, giving nothing, when the file or the section is missing or
// the file cannot be read (the run says so itself). The key lines are walked
// (config::INI::ForEachKeyLine), not copied.
bool ListFaults(config::INI& ini, std::string_view object_type, const FindingSink& sink);

// Vendor parity of the names `names` (element 0 unused; empty names skipped)
// listed for `object_type`, whose scripts lie in `source_folder`: a name with
// its Oracle file but not its SQL Server file, or the reverse, gives
// "Falta o par SQL Server de: <path>" or "Falta o par Oracle de: <path>"
// (vendor_parity), the path being the file that exists. The SQL Server file
// is "<name>.sql", or "<name>.sql2005" for the two "_SQL_2005" types. A file
// exists as the run sees it: found without regard to case, not hidden, not a
// folder. A name with neither file is left to the run, which reports it.
std::vector<Finding> VendorParity(std::string_view object_type, const std::string& source_folder,
                                  const std::vector<std::string>& names);

// What the beginning and content of a source file say about its encoding.
enum class EncodingIssue {
  kNone,
  kUtf8Bom,      // begins with EF BB BF
  kUtf16LeBom,   // begins with FF FE
  kUtf16BeBom,   // begins with FE FF
  kUtf8Text,     // valid UTF-8 with non-ASCII text (reported for single-byte code pages)
  kInvalidUtf8,  // bytes that are not UTF-8 (reported when the code page is UTF-8)
};

// Looks at a file's bytes as they stream by, in any pieces.
class EncodingSniffer {
 public:
  explicit EncodingSniffer(bool single_byte_page, bool utf8_page = false)
      : single_byte_page_(single_byte_page), utf8_page_(utf8_page) {}
  void Feed(std::string_view bytes);
  // The verdict for everything fed so far, taken as the whole file.
  EncodingIssue Result() const;
  // True when more bytes cannot change the verdict.
  bool Decided() const;

 private:
  // Each takes the next byte of a UTF-8 sequence: false when it cannot
  // stand there (the text is no UTF-8).
  bool TakeByte(unsigned char c);
  bool TakeContinuationByte(unsigned char c);
  bool TakeLeadByte(unsigned char c);

  bool single_byte_page_;
  bool utf8_page_;
  std::string head_;  // the first bytes, for the byte-order mark
  bool valid_utf8_ = true;
  bool non_ascii_ = false;
  int pending_ = 0;             // continuation bytes still expected
  unsigned min_second_ = 0x80;  // bounds of the next continuation byte
  unsigned max_second_ = 0xBF;
};

// Reads the file `path` through the platform layer and sniffs it.
platform::Status InspectEncoding(std::string_view path, bool single_byte_page, bool utf8_page,
                                 EncodingIssue* issue);

// The finding for `issue` in the source script `path` (a program path), or
// an empty kind for kNone and for a byte-order mark (the run reads such a
// source in the mark's encoding):
//  - "Arquivo em UTF-8 com texto nao ASCII (code page <name>): <path>" (utf8_text);
//  - "Arquivo com bytes invalidos em UTF-8: <path>" (invalid_utf8).
Finding EncodingFinding(EncodingIssue issue, std::string_view object_type,
                        std::string_view database, const std::string& path,
                        std::string_view code_page);

// The encoding hint of a configuration file `path` (a program path: the main
// configuration or a file list) read in `page`: a file without a byte-order
// mark whose bytes are UTF-8 with text beyond ASCII, under a single-byte
// page, gives "Arquivo de configuração parece estar em UTF-8: <path> (salve-o
// em <page> ou com BOM, ou defina CodePage)" (config_utf8_text); any other
// file, and one that cannot be read, an empty kind.
Finding ConfigurationEncoding(const std::string& path, const text::CodePage& page);

// The finding of the client rule `hit` in the source script `path` (a
// program path): the rule's message + ": " + the path + " (linha <n>)".
Finding ClientRuleFinding(const RuleHit& hit, std::string_view object_type,
                          std::string_view database, const std::string& path);

// Every check above for one object type of the repository `settings`: the
// list faults of its section of the file-list configuration, and, when the
// type has a source folder, the vendor parity, the encoding and the client
// rules (app/client_rules.h) of every listed script that exists and lies
// inside `PathOrigem` (both kinds; ".sql2005" only for the "_SQL_2005" types,
// which have no Oracle script), and files of the folder whose names differ
// only in letter case:
// "Arquivos que diferem so na caixa (so um e instalado): <path> e <name>"
// (case_twin), since the run installs only one of them and names the other
// neither installed nor missing. Types without a section or without a source
// folder are left to the run's own messages. The file list is read, and the
// encodings judged, in the code page of `general`. Each finding goes to
// `sink` as it is found, in the order above. Each kind of finding is one row
// of the checks (release_checks.cpp: its kind, the pass of the walk it looks
// in, and its rule), and takes its text from app/problem_kinds.h.
void CheckObjectType(const config::RepositorySettings& settings,
                     const config::GeneralSettings& general, std::string_view object_type,
                     const FindingSink& sink);

}  // namespace vkt::app
