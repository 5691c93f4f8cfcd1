#include "cli/options.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "app/config_lookup.h"
#include "app/startup.h"
#include "fs/platform/file_system.h"
#include "text/letter_case.h"

namespace vkt::cli {
namespace {

// "--name=value" or "--name value": the value of option `name` at args[*i],
// advancing *i past it. nullopt when args[*i] is not that option.
struct OptionValue {
  bool matched = false;
  bool missing = false;
  std::string value;
};

OptionValue TakeValue(const std::vector<std::string>& args, std::size_t* i, std::string_view name) {
  OptionValue result;
  std::string_view arg = args[*i];
  if (arg == name) {
    result.matched = true;
    if (*i + 1 >= args.size()) {
      result.missing = true;
    } else {
      result.value = args[++*i];
    }
  } else if (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
             arg[name.size()] == '=') {
    result.matched = true;
    result.value = std::string(arg.substr(name.size() + 1));
  }
  return result;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string KnownTypes() {
  std::string list;
  for (std::string_view type : app::kObjectTypes) {
    if (!list.empty()) list += ", ";
    list += type;
  }
  return list;
}

// The object types as lines of --help: each starts with `indent` blanks
// and none is wider than `width` columns.
std::string TypeLines(std::size_t indent, std::size_t width) {
  std::string lines;
  std::string line(indent, ' ');
  for (std::size_t i = 0; i < app::kObjectTypes.size(); ++i) {
    const std::string item =
        std::string(app::kObjectTypes[i]) + (i + 1 < app::kObjectTypes.size() ? "," : "");
    if (line.size() > indent && line.size() + 1 + item.size() > width) {
      lines += line + "\n";
      line.assign(indent, ' ');
    }
    if (line.size() > indent) line += ' ';
    line += item;
  }
  return lines + line + "\n";
}

ParseResult Fail(std::string error) {
  ParseResult result;
  result.error = std::move(error);
  return result;
}

ParseResult Succeed(Options options) {
  ParseResult result;
  result.ok = true;
  result.options = std::move(options);
  return result;
}

// The result of an argument that ends the parse: --help, --version.
ParseResult Finished(Command command) {
  Options options;
  options.command = command;
  return Succeed(std::move(options));
}

// What the arguments give, before the checks that relate them.
struct Given {
  std::optional<Command> command;
  std::optional<std::string> config, repo, type, report, report_html, report_junit, report_sarif,
      wait;
  bool manifest = false, write = false;
};

// An option with a value at args[*i] into `given` (advancing *i past the
// value). `*handled` tells whether args[*i] was one; a result is a usage
// error.
std::optional<ParseResult> TakeValued(const std::vector<std::string>& args, std::size_t* i,
                                      Given* given, bool* handled) {
  *handled = false;
  for (auto [name, slot] :
       {std::pair<std::string_view, std::optional<std::string>*>{"--config", &given->config},
        {"--repo", &given->repo},
        {"--type", &given->type},
        {"--report", &given->report},
        {"--report-html", &given->report_html},
        {"--report-junit", &given->report_junit},
        {"--report-sarif", &given->report_sarif},
        {"--wait", &given->wait}}) {
    OptionValue value = TakeValue(args, i, name);
    if (!value.matched) continue;
    if (value.missing) return Fail("option " + std::string(name) + " needs a value");
    if (slot->has_value()) return Fail("option " + std::string(name) + " given twice");
    *slot = value.value;
    *handled = true;
    break;
  }
  return std::nullopt;
}

// The command word `arg` into `given`; a result is a usage error.
std::optional<ParseResult> TakeCommand(const std::string& arg, Given* given) {
  if (given->command) return Fail("unexpected argument " + Quoted(arg));
  if (arg == "install") {
    given->command = Command::kInstall;
  } else if (arg == "numbering") {
    given->command = Command::kNumbering;
  } else if (arg == "check") {
    given->command = Command::kCheck;
  } else {
    return Fail("unknown command " + Quoted(arg) + " (install, numbering or check)");
  }
  return std::nullopt;
}

// Takes args[*i] (and the value of its option) into `given`. A result ends
// the parse: --help, --version or a usage error.
std::optional<ParseResult> TakeArgument(const std::vector<std::string>& args, std::size_t* i,
                                        Given* given) {
  const std::string& arg = args[*i];
  if (arg == "--help" || arg == "-h") return Finished(Command::kHelp);
  // Windows programs answer "/?" with their usage.
  if (arg == "/?" && app::kBuildLookupRules == app::LookupRules::kWindows) {
    return Finished(Command::kHelp);
  }
  if (arg == "--list-repos") {
    if (given->command) return Fail("unexpected argument " + Quoted(arg));
    given->command = Command::kListRepositories;
    return std::nullopt;
  }
  if (arg == "--version") return Finished(Command::kVersion);
  bool handled = false;
  if (std::optional<ParseResult> error = TakeValued(args, i, given, &handled)) return error;
  if (handled) return std::nullopt;
  if (arg == "--manifest" || arg == "--write") {
    bool& flag = arg == "--manifest" ? given->manifest : given->write;
    if (flag) return Fail("option " + arg + " given twice");
    flag = true;
    return std::nullopt;
  }
  if (!arg.empty() && arg[0] == '-') return Fail("unknown option " + Quoted(arg));
  return TakeCommand(arg, given);
}

// Options that the command does not take, or given empty.
std::optional<std::string> MisplacedOption(const Given& given) {
  const bool reports = *given.command == Command::kInstall || *given.command == Command::kCheck;
  for (const auto& [name, value] :
       {std::pair<std::string_view, const std::optional<std::string>*>{"--report", &given.report},
        {"--report-html", &given.report_html},
        {"--report-junit", &given.report_junit},
        {"--report-sarif", &given.report_sarif}}) {
    if (!value->has_value()) continue;
    if (!reports) return std::string(name) + " is for install and check";
    if ((*value)->empty()) return std::string(name) + " needs a file name";
  }
  if (given.manifest && *given.command != Command::kInstall) return "--manifest is for install";
  if (given.write && *given.command != Command::kNumbering) return "--write is for numbering";
  return std::nullopt;
}

// The seconds of --wait `text`: a whole number of at most nine digits.
std::optional<int> WaitSeconds(const std::string& text) {
  if (text.empty() || text.size() > 9 ||
      !std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  return std::stoi(text);
}

// The checks that relate the options given, and the options they make.
ParseResult Check(const Given& given) {
  if (!given.command) return Fail("no command given (install, numbering or check)");
  if (given.config && given.config->empty()) return Fail("--config needs a file name");
  Options options;
  options.command = *given.command;
  if (given.config) options.config_file = *given.config;
  if (*given.command == Command::kListRepositories) {
    if (given.repo || given.type || given.report || given.report_html || given.report_junit ||
        given.report_sarif || given.manifest || given.write || given.wait) {
      return Fail("--list-repos takes only --config");
    }
    return Succeed(std::move(options));
  }
  if (!given.repo) return Fail("--repo NAME is required");
  if (given.repo->empty()) return Fail("--repo needs a repository name, not the empty text");
  options.repo = *given.repo;
  if (given.type) {
    std::string upper = text::UpperCase(*given.type);
    if (std::ranges::find(app::kObjectTypes, upper) == app::kObjectTypes.end()) {
      return Fail("unknown object type " + Quoted(*given.type) + " (one of " + KnownTypes() + ")");
    }
    options.type = upper;
  }
  if (std::optional<std::string> error = MisplacedOption(given)) return Fail(std::move(*error));
  // The window's numbering of TODOS only says that no such folder exists.
  if (*given.command == Command::kNumbering && options.type == config::kAllTypes) {
    return Fail("numbering works on one object type: --type TYPE, not " +
                std::string(config::kAllTypes));
  }
  if (given.wait) {
    const std::optional<int> seconds = WaitSeconds(*given.wait);
    if (!seconds) return Fail("--wait needs a whole number of seconds, not " + Quoted(*given.wait));
    options.wait_seconds = *seconds;
  }
  if (given.report) options.report_file = *given.report;
  if (given.report_html) options.report_html_file = *given.report_html;
  if (given.report_junit) options.report_junit_file = *given.report_junit;
  if (given.report_sarif) options.report_sarif_file = *given.report_sarif;
  options.manifest = given.manifest;
  options.write = given.write;
  return Succeed(std::move(options));
}

// The main configuration as messages show it (platform::PathAsShown).
std::string ShownPath(const app::Session& session) {
  return platform::PathAsShown(session.MainConfigPath());
}

// Points `session` at the main configuration of --config `config_file` (or
// the lookup's); false (and `error`) when none is found or it cannot be read.
bool OpenMainConfiguration(const std::string& config_file, app::Session* session,
                           std::string* error) {
  const app::ConfigLookup lookup =
      app::FindMainConfiguration(app::ProcessLookupEnvironment(config_file, ""));
  if (!lookup.found) {
    *error = app::NotFoundMessage(lookup);
    return false;
  }
  app::UseMainConfiguration(*session, lookup.place.file);
  platform::File probe;
  platform::Status status =
      platform::File::Open(session->MainConfigPath(), platform::File::Mode::kRead, &probe);
  if (status.ok()) {
    char byte;
    std::size_t got = 0;
    status = probe.Read(&byte, 1, &got);
  }
  if (status.ok()) return true;
  *error = "cannot read the main configuration " + ShownPath(*session) + ": ";
  const std::string inside =
      app::MainConfigurationInside(app::kBuildLookupRules, session->MainConfigPath());
  if (!inside.empty()) {
    // Shown after the lookup found it: as it is named on disk.
    *error += "is a folder; did you mean " + platform::PathAsShown(inside) + "?";
  } else {
    *error += status.Text();
  }
  return false;
}

// The names of `names` as a list for a message: "\"A\", \"B\"", empty ones left
// out (the empty entry cannot be asked for).
std::string QuotedList(const std::vector<std::string>& names) {
  std::string listed;
  for (const std::string& name : names) {
    if (!name.empty()) listed += (listed.empty() ? "" : ", ") + Quoted(name);
  }
  return listed;
}

// The repository `wanted` as `session` lists it: the name written alike,
// else the one that differs only in letter case (as --type is read); nullopt
// (and `error`) when none or several such names are listed.
std::optional<std::string> ChooseRepository(const app::Session& session, const std::string& wanted,
                                            std::string* error) {
  const std::vector<std::string>& names = session.general.repositories;
  if (std::find(names.begin(), names.end(), wanted) != names.end()) return wanted;
  std::vector<std::string> alike;  // distinct names equal but for letter case
  const std::string upper = text::UpperCase(wanted);
  for (const std::string& name : names) {
    if (text::UpperCase(name) == upper &&
        std::find(alike.begin(), alike.end(), name) == alike.end()) {
      alike.push_back(name);
    }
  }
  if (alike.size() == 1) return alike.front();
  if (alike.size() > 1) {
    *error = "repository " + Quoted(wanted) + " is ambiguous: " + ShownPath(session) + " lists " +
             QuotedList(alike) + ", which differ only in letter case; give one as it is written";
    return std::nullopt;
  }
  const std::string known = QuotedList(names);
  *error = "unknown repository " + Quoted(wanted) + "; " + ShownPath(session) +
           (known.empty() ? " lists none" : " lists " + known);
  return std::nullopt;
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Given given;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (std::optional<ParseResult> result = TakeArgument(args, &i, &given)) return *result;
  }
  return Check(given);
}

std::string UsageText(app::LookupRules rules) {
  const bool windows = rules == app::LookupRules::kWindows;
  return std::string(
             "Usage:\n"
             "  vktgera [--config FILE] install   --repo NAME [--type TYPE]\n"
             "  vktgera [--config FILE] numbering --repo NAME --type TYPE [--write]\n"
             "  vktgera [--config FILE] check     --repo NAME [--type TYPE] [REPORTS]\n"
             "  vktgera [--config FILE] --list-repos\n") +
         (windows ? "  vktgera --help | /? | --version\n" : "  vktgera --help | --version\n") +
         "\n"
         "  install     does what one press of \"Gera Install\" does in the window\n"
         "              (also: REPORTS, --manifest)\n"
         "  numbering   does what one press of \"Gera Numeração\" does, for one object\n"
         "              type\n"
         "  check       runs the installation without writing anything and reports\n"
         "              what it would report, plus vendor parity, file-list faults,\n"
         "              source encodings and what the database clients will reject\n"
         "\n"
         "  --list-repos   prints the repositories of the main configuration, one per\n"
         "                 line\n"
         "\n"
         "  --config FILE  the main configuration; without it VKTGeraInstallBD.ini is\n"
         "                 looked for beside the program, then in\n" +
         (windows
              ? "                 %APPDATA%\\VKTGeraInstallBD, then in\n"
                "                 %PROGRAMDATA%\\VKTGeraInstallBD; docs\\ORACLE and\n"
                "                 docs\\SQLSERVER are looked up beside the file found\n"
              : "                 $XDG_CONFIG_HOME/vktgerainstallbd (~/.config/vktgerainstallbd),\n"
                "                 then in each $XDG_CONFIG_DIRS folder + /vktgerainstallbd\n"
                "                 (/etc/xdg/vktgerainstallbd); docs/ORACLE and docs/SQLSERVER\n"
                "                 are looked up beside the file found\n") +
         "  --repo NAME    one repository listed in REPOSITORIO of section GERAL; in any\n"
         "                 letter case when no name is written alike and one alone\n"
         "                 matches\n"
         "  --type TYPE    one object type, in any letter case (default TODOS, all;\n"
         "                 numbering needs one other than TODOS):\n" +
         TypeLines(17, 80) +
         "  --report FILE       REPORTS: a JSON report of the run (\"-\": standard output)\n"
         "  --report-html FILE  REPORTS: the same as an HTML page\n"
         "  --report-junit FILE REPORTS: JUnit XML, a test case per object type and\n"
         "                      database, a failure per problem\n"
         "  --report-sarif FILE REPORTS: SARIF 2.1.0, a result per problem with its\n"
         "                      file and line\n"
         "  --manifest     a SHA256SUMS file in each 02-ATUALIZACAO folder\n"
         "  --write        writes the FILEn lines and NUMFILES into the TYPE's section\n"
         "                 of the file list, keeping the names already listed\n"
         "  --wait SECONDS while another run writes (install, numbering --write), waits\n"
         "                 up to SECONDS for it to end instead of giving up at once\n"
         "\n"
         "Exit status: 0 finished without problems, 1 an install or check run reported\n"
         "problems, 2 the run could not start, " +
         (windows ? "0xC000013A (-1073741510) interrupted by\n"
                    "Ctrl+C, Ctrl+Break or the closing of the console.\n"
                  : "130, 143 or 129 interrupted by SIGINT,\n"
                    "SIGTERM or SIGHUP.\n");
}

bool LoadSession(const Options& options, app::Session* session, std::string* error) {
  *session = app::Session();
  if (!OpenMainConfiguration(options.config_file, session, error)) return false;
  const std::vector<config::GeneralKeyProblem> problems = app::LoadGeneralSettings(*session);
  if (!problems.empty()) {
    *error = "the " + problems.front().key + " of " + ShownPath(*session) +
             " cannot be used: " + problems.front().error;
    return false;
  }
  if (options.command == Command::kListRepositories) return true;
  const std::optional<std::string> chosen = ChooseRepository(*session, options.repo, error);
  if (!chosen) return false;
  app::CarregaConfigRepositorio(*session, *chosen);
  return true;
}

}  // namespace vkt::cli
