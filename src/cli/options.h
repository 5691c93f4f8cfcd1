// The command line of `vktgera`:
//
//   vktgera [--config FILE] install   --repo NAME [--type TYPE]
//   vktgera [--config FILE] numbering --repo NAME --type TYPE [--write]
//   vktgera [--config FILE] check     --repo NAME [--type TYPE] [--report FILE]
//                                     [--report-html FILE] [--report-junit FILE]
//                                     [--report-sarif FILE]
//   vktgera [--config FILE] --list-repos
//   vktgera --help | --version          (Windows: also /?)
//
// `install` also takes the four --report* options and --manifest;
// install, numbering and check take --wait SECONDS.
//
// Options may come before or after the command, as "--opt VALUE" or
// "--opt=VALUE".
#pragma once

#include <string>
#include <vector>

#include "app/config_lookup.h"
#include "app/session.h"
#include "config/object_types.h"

namespace vkt::cli {

enum class Command { kInstall, kNumbering, kCheck, kListRepositories, kHelp, kVersion };

struct Options {
  Command command = Command::kHelp;
  // The main configuration file; empty = looked up (app/config_lookup.h).
  std::string config_file;
  std::string repo;                     // names an entry of "REPOSITORIO", never empty
  std::string type{config::kAllTypes};  // one of the window's object-type keywords, upper case
  std::string report_file;              // --report: the JSON report (install, check)
  std::string report_html_file;         // --report-html: the HTML report (install, check)
  std::string report_junit_file;        // --report-junit: JUnit XML (install, check)
  std::string report_sarif_file;        // --report-sarif: SARIF 2.1.0 (install, check)
  bool manifest = false;                // --manifest: SHA256SUMS in the package folders (install)
  bool write = false;                   // --write: the FILEn lines into the file list (numbering)
  int wait_seconds = 0;                 // --wait: how long a writing run waits for another's lock
};

struct ParseResult {
  bool ok = false;
  Options options;
  std::string error;  // for ok == false: what is wrong, one line
};

// Parses the arguments after the program name. "--help" ("-h"; on Windows
// also "/?") and "--version" end the parse successfully wherever they stand. Fails on an unknown
// option or command, a missing or repeated value, a missing command or --repo, a TYPE that is not
// an object-type keyword (compared without regard to case), an option the command does not take, a
// --wait that is not a whole number of seconds (0 to 999999999), and `numbering` without a TYPE
// other than "TODOS" (it lists one type's folder).
ParseResult ParseOptions(const std::vector<std::string>& args);

// The text of --help, with the configuration lookup and the exit statuses
// of `rules`' system ("/?" is --help on Windows).
std::string UsageText(app::LookupRules rules = app::kBuildLookupRules);

// Prepares the run of `options` as the window would: the main configuration
// (--config or the lookup), its section [GERAL] (app::LoadGeneralSettings:
// the code page, the repository list) and the settings of `options.repo`
// into `session`. Returns false with an `error` when the run cannot start: no
// main configuration found (the error then names every place looked at, one
// per line), unreadable, holding a key of [GERAL] that cannot be used (the
// first, as "the KEY of PATH cannot be used: WHY"), or not listing the
// repository (the error then lists the names it does list). The repository
// is the listed name equal to `options.repo`, else the one name equal to it
// without regard to letter case; several such names (and none equal) are an
// error that lists them. `session->repository` receives the name as listed.
// For --list-repos the repository is not checked.
bool LoadSession(const Options& options, app::Session* session, std::string* error);

}  // namespace vkt::cli
